// The legacy database handle: its record, validation and the list of open
// legacy handles.
//
// A legacy handle names a movable global memory block holding one
// ZLLegacyRecord.  The record carries a mark of its own and is smaller than
// the current interface's handle record, so neither kind of handle passes
// the other's validation; the two kinds are kept in separate lists.  Block
// values are never reused, so a stale handle is refused too.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_HANDLE_H_
#define ZLDBCTRL70_LEGACY_LEGACY_HANDLE_H_

#include <cstdint>

#include "legacy/legacy_layout.h"
#include "zldbctrl70/platform/types.h"

class CDaoDatabase;
class CZLTableDef;
class CZLRecordset;

namespace zl::legacy {

constexpr int kLegacyPathChars = 260;
constexpr uint32_t kLegacyRecordMagic = 0x5A4C4C47;  // "ZLLG"

struct ZLLegacyRecord {
  char path[kLegacyPathChars];  // full path of the file
  BOOL readOnly;                // part of the sharing key
  int32_t referenceCount;       // opens sharing this handle
  CDaoDatabase* database;       // owned
  CZLTableDef* tableDefs[LT_TABLE_COUNT];
  CZLRecordset* recordsets[LT_TABLE_COUNT];
  int32_t layoutVersion;  // LASTLAYOUTCHANGE.VERSION read at open (0 when null)
  HANDLE next;            // next open legacy handle
  uint32_t magic;

  CZLRecordset& Recordset(ELegacyTable table) const { return *recordsets[table]; }
};

// Pins a legacy handle's block for one call; valid only for a block at
// least the size of the record that carries its mark.
class CLegacyLock {
 public:
  explicit CLegacyLock(HANDLE handle);
  ~CLegacyLock();
  CLegacyLock(const CLegacyLock&) = delete;
  CLegacyLock& operator=(const CLegacyLock&) = delete;

  bool IsValid() const { return m_record != nullptr; }
  ZLLegacyRecord& Record() const { return *m_record; }

 private:
  HANDLE m_handle;
  ZLLegacyRecord* m_record;
};

// The open legacy handle on path (compared without regard to case) with
// that read-only flag, or null.
HANDLE FindOpenLegacyHandle(const char* path, BOOL readOnly);

// A legacy handle being built by an open or a create.  Unless Publish is
// reached, the destructor closes and deletes everything the record holds
// and frees the block.
class CNewLegacyHandle {
 public:
  CNewLegacyHandle();
  ~CNewLegacyHandle();
  CNewLegacyHandle(const CNewLegacyHandle&) = delete;
  CNewLegacyHandle& operator=(const CNewLegacyHandle&) = delete;

  // False when the block could not be allocated.
  bool IsValid() const { return m_record != nullptr; }
  ZLLegacyRecord& Record() const { return *m_record; }
  // Stores the path and mode with a reference count of 1, links the handle
  // in at the head of the list and hands it over.
  HANDLE Publish(const char* path, BOOL readOnly);

 private:
  HANDLE m_handle = nullptr;
  ZLLegacyRecord* m_record = nullptr;
};

// Closes the recordsets, then the table definitions, then the database, and
// deletes them; engine errors while closing are swallowed.
void ReleaseLegacyResources(ZLLegacyRecord& record);

// Returns one reference; at zero unlinks the handle, releases everything
// and frees the block.  6 for an invalid handle or one not in the list.
int ReleaseLegacyHandle(HANDLE handle);

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_HANDLE_H_
