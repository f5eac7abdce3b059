#include "frame/database_name.h"

#include <cstring>

#include "engine/dao_database.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl {
namespace {

// Server libraries are told apart from files by a device number no file
// has; the inode is a hash of the name (the names are compared as well).
constexpr uint64_t kServerDevice = ~uint64_t{0};

uint64_t HashName(const char* name) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (const char* p = name; *p != '\0'; ++p)
    h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
  return h;
}

}  // namespace

bool ResolveDatabaseName(const char* name, ZLDatabaseName& out) {
  if (name == nullptr) return false;
  out.m_bServer = CDaoDatabase::IsServerName(name) != FALSE;
  if (!out.m_bServer) return _fullpath(out.m_szName, name, sizeof out.m_szName) != nullptr;
  CString canonical;
  try {
    canonical = CDaoDatabase::CanonicalServerName(name);
  } catch (const CException&) {
    return false;
  }
  if (canonical.GetLength() >= kMaxPathChars) return false;
  CopyToField(out.m_szName, canonical);
  return true;
}

bool GetDatabaseIdentity(const ZLDatabaseName& name, uint64_t& device, uint64_t& inode) {
  if (!name.m_bServer) return GetFileIdentity(name.m_szName, device, inode);
  device = kServerDevice;
  inode = HashName(name.m_szName);
  return true;
}

bool IsSameDatabase(const ZLHandleRecord& record, const ZLDatabaseName& name, uint64_t device,
                    uint64_t inode) {
  return record.fileDevice == device && record.fileInode == inode &&
         (!name.m_bServer || std::strcmp(record.path, name.m_szName) == 0);
}

}  // namespace zl
