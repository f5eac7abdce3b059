// The name under which the frame keys a database: the full path of a file,
// or the one spelling of a library on a database server, with the identity
// that decides whether two opens share a handle.
#ifndef ZLDBCTRL70_FRAME_DATABASE_NAME_H_
#define ZLDBCTRL70_FRAME_DATABASE_NAME_H_

#include <cstdint>

#include "frame/handle_record.h"

namespace zl {

struct ZLDatabaseName {
  // A library on a server (the engine's server names), not a file.
  bool m_bServer = false;
  // The full path of the file (_fullpath), or the server name's one
  // spelling (CDaoDatabase::CanonicalServerName).
  char m_szName[kMaxPathChars] = {};
};

// Resolves a caller's name; false when it is null, too long, or a server
// name that cannot be parsed.
bool ResolveDatabaseName(const char* name, ZLDatabaseName& out);

// The identity of the database: device and inode of an existing file, or
// for a server library a device number no file has and a hash of its name.
// False when the file cannot be examined (it does not exist).
bool GetDatabaseIdentity(const ZLDatabaseName& name, uint64_t& device, uint64_t& inode);

// Whether a handle record names the database of this name and identity:
// same file (device and inode), or same server library (same name).
bool IsSameDatabase(const ZLHandleRecord& record, const ZLDatabaseName& name, uint64_t device,
                    uint64_t inode);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_DATABASE_NAME_H_
