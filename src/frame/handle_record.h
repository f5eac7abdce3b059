// The database handle record and its validation.
//
// A database handle names a movable global memory block that holds one
// ZLHandleRecord.  The record owns the open database object, one table
// definition and recordset per fixed table the database version has, and
// the maps of per-language and per-simulator-language tables.  The block is
// locked only for the duration of one call; nothing keeps a pointer into it
// between calls.
#ifndef ZLDBCTRL70_FRAME_HANDLE_RECORD_H_
#define ZLDBCTRL70_FRAME_HANDLE_RECORD_H_

#include <cstddef>
#include <cstdint>

#include "frame/language_maps.h"
#include "schema/layout.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/types.h"

class CDaoDatabase;
class CZLTableDef;
class CZLRecordset;

namespace zl {

constexpr int kMaxPathChars = 260;

// Marks a block as a live handle record; a block of the right size that was
// allocated for something else is refused instead of being misread.
constexpr uint32_t kHandleRecordMagic = 0x5A4C4442;  // "ZLDB"

struct ZLHandleRecord {
  char path[kMaxPathChars];   // full path of the database file
  char login[kMaxPathChars];  // login given at open; part of the sharing key
  EOpenMode openMode;         // part of the sharing key
  int32_t referenceCount;     // opens sharing this handle
  CDaoDatabase* database;     // owned

  // One table definition and recordset per fixed table, indexed by
  // ZLFixedTable; null when the database version lacks the table.
  CZLTableDef* tableDefs[ZLT_FIXED_TABLE_COUNT];
  CZLRecordset* recordsets[ZLT_FIXED_TABLE_COUNT];

  // Open per-language and per-simulator-language tables; owned.
  ZLLanguageMaps* languages;

  ZLDBVersion databaseVersion;
  ZLDBStructVersion structureVersion;
  HANDLE next;  // next handle in the open-handle list

  // Last-update dates of RESINFO and SIMTABINFO at which the language maps
  // were last rebuilt; zero means never.
  DATE resourceRegistryStamp;
  DATE simulatorRegistryStamp;
  BOOL snapshotMode;
  // Whether the handle holds snapshot mode's reading transaction now.
  BOOL snapshotHeld;
  // Caller transaction levels open on the handle (ZLBeginTransaction).
  int32_t callerTransactions;

  // Identity of the open file (device and inode): opens share a handle only
  // when they name the same file, whatever the spelling of the path.
  uint64_t fileDevice;
  uint64_t fileInode;

  uint32_t magic;

  CZLRecordset* Recordset(ZLFixedTable table) const { return recordsets[table]; }
  CZLTableDef* TableDef(ZLFixedTable table) const { return tableDefs[table]; }
};

// Pins a handle's block for one call and unpins it on every way out.  Valid
// only when the block is at least a handle record and carries the record's
// mark.
class CHandleLock {
 public:
  explicit CHandleLock(HANDLE handle);
  ~CHandleLock();
  CHandleLock(const CHandleLock&) = delete;
  CHandleLock& operator=(const CHandleLock&) = delete;

  bool IsValid() const { return m_record != nullptr; }
  ZLHandleRecord& Record() const { return *m_record; }
  HANDLE Handle() const { return m_handle; }
  // Gives up the lock early (before the block is freed).
  void Release();

 private:
  HANDLE m_handle;
  ZLHandleRecord* m_record;
};

// Copies text into a fixed field of the record, cut to fit and terminated.
template <size_t N>
void CopyToField(char (&field)[N], const char* text) {
  size_t i = 0;
  for (; text != nullptr && text[i] != '\0' && i + 1 < N; ++i) field[i] = text[i];
  field[i] = '\0';
}

// The process-wide list of open handles, newest first.
HANDLE OpenHandleListHead();
void LinkOpenHandle(HANDLE handle, ZLHandleRecord& record);
// Removes handle from the list; false when it is not in it.
bool UnlinkOpenHandle(HANDLE handle, ZLHandleRecord& record);

// The device and inode of an existing file; false when it cannot be
// examined.
bool GetFileIdentity(const char* path, uint64_t& device, uint64_t& inode);

// A handle being built by an open or a create: a zero-filled block carrying
// the record's mark, allocated and locked on construction.  Unless Publish is
// reached, the destructor releases everything the record owns and frees the
// block, so a failed open or create leaves nothing behind.
class CNewHandle {
 public:
  CNewHandle();
  ~CNewHandle();
  CNewHandle(const CNewHandle&) = delete;
  CNewHandle& operator=(const CNewHandle&) = delete;

  // False when the block could not be allocated (memory exhausted).
  bool IsValid() const { return m_lock != nullptr && m_lock->IsValid(); }
  ZLHandleRecord& Record() const { return m_lock->Record(); }

  // Fills in the sharing key with a reference count of 1, puts the handle at
  // the head of the open-handle list, unlocks it and hands it over.
  HANDLE Publish(const char* path, const char* login, EOpenMode mode, uint64_t device,
                 uint64_t inode);

 private:
  HANDLE m_handle = nullptr;
  CHandleLock* m_lock = nullptr;
};

// Closes and deletes everything the record owns (language tables, fixed
// recordsets and table definitions in the order that releases recordsets
// before their definitions, then the database), leaving null slots.  Engine
// errors while closing are swallowed: the objects are released either way.
void ReleaseHandleResources(ZLHandleRecord& record);

// Destroys a handle: unlinks it, releases everything and frees the block.
// Returns 0, or 7 when the handle is invalid or not in the open-handle list
// (the block then stays allocated).
int DestroyHandle(HANDLE handle);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_HANDLE_RECORD_H_
