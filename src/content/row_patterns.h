// The write patterns of sub-tables, written once for every family of rows
// (macros, calls, access rows, packages; nodes, keywords, parameter sets and
// tolerances reuse them):
//
//   owned rows        the rows of one owner (a record, a package) in the
//                     order of a recordset whose current index starts with
//                     the owner field
//   one row write     Edit or AddNew, fill, Update, and never an edit buffer
//                     left behind by a failure
//   merge by ID       rows whose ID one of the caller's objects carries stay;
//                     the others are given to the caller's new objects (when
//                     reuse is asked) or deleted
//   overwrite in      the owner's rows are rewritten in order from the
//   place             caller's objects, missing rows added, surplus deleted
//   per-set upsert    the row of a key is edited, or added when there is
//                     none; nothing is deleted
//   chain             rows linked through PREV and NEXT (0 or NULL: none):
//                     insert, unlink, and a bounded walk along one link
//
// Every routine works on open recordsets and lets engine exceptions
// (CDaoException, CMemoryException) propagate to the operation's guard.
// Routines that write more than one row run inside their own workspace
// transaction (a savepoint when the caller has one open), so a failure
// leaves every row as it was.  None changes a recordset's current index;
// all move its current row.
#ifndef ZLDBCTRL70_CONTENT_ROW_PATTERNS_H_
#define ZLDBCTRL70_CONTENT_ROW_PATTERNS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/dao_types.h"
#include "frame/handle_record.h"
#include "frame/stored_text.h"
#include "frame/transaction.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/platform/variant.h"

namespace zl {

// ---- keys ---------------------------------------------------------------------

// True when id can be stored in a 32-bit ID field.  IDs that cannot never
// name a row.
inline bool FitsID(long id) { return id >= INT32_MIN && id <= INT32_MAX; }

// A 32-bit key variant of id.  REQUIRES: FitsID(id).
inline COleVariant IDKey(long id) { return COleVariant(static_cast<int32_t>(id)); }

// Seeks "=" id on the current index; false (no current row) when there is
// no such row or id cannot be an ID.
bool SeekID(CZLRecordset& rs, long id);

// ---- owned rows -----------------------------------------------------------------

// Calls visit(rs) with rs on each row of the owner, in index order, until
// visit returns false; rs then stays on that row and the result is true.
// False when every row was visited.  visit may delete the current row (the
// walk continues with the row that followed it).  The current index must
// begin with ownerField.
bool ForEachOwnedRow(CZLRecordset& rs, const char* ownerField, long ownerID,
                     const std::function<bool(CZLRecordset&)>& visit);

// The same for an owner named by the first two fields of the current index
// (a record and a parameter set, for instance).
bool ForEachOwnedRow(CZLRecordset& rs, const char* ownerField, long ownerID, const char* subField,
                     long subID, const std::function<bool(CZLRecordset&)>& visit);

// ---- one row write --------------------------------------------------------------

// Starts an Edit of the current row, or an AddNew, and cancels it on
// destruction unless Update was reached: a failed write never leaves an
// edit buffer behind for the next operation.
class CRowWrite {
 public:
  enum EMode { kEdit, kAddNew };
  CRowWrite(CZLRecordset& rs, EMode mode);
  ~CRowWrite();
  CRowWrite(const CRowWrite&) = delete;
  CRowWrite& operator=(const CRowWrite&) = delete;

  // Sets a field; a VT_NULL or VT_EMPTY value writes NULL.
  void Set(const char* field, const COleVariant& value);
  // Sets a long-binary field to the caller's block (NULL when it holds no
  // bytes) without copying it: the block stays locked, and must stay as it
  // is, until this object is gone.  For large values (a file).
  void SetBinary(const char* field, const CLongBinary& binary);
  void Update();

 private:
  CZLRecordset& m_rs;
  std::vector<std::unique_ptr<CBlockView>> m_blocks;
};

// ---- merge by ID ----------------------------------------------------------------

enum class ERowReuse { kDropUnclaimed, kReuseUnclaimed };

// The first half of a merge: walks the owner's rows in index order.  A row
// whose idField equals a non-zero *ids[i] stays.  With kReuseUnclaimed any
// other row goes, while some remain, to the next object whose ID is 0 (in
// the order of ids): its ID becomes the row's and the row stays.  Every
// other row is deleted, beforeDelete(rs) (if given) running first with rs on
// it.  The caller then writes every object, those still at 0 as new rows.
// In its own transaction.
void MergeRowsByID(CZLRecordset& rs, const char* ownerField, long ownerID, const char* idField,
                   const std::vector<long*>& ids, ERowReuse reuse,
                   const std::function<void(CZLRecordset&)>& beforeDelete = nullptr);

// ---- overwrite in place ---------------------------------------------------------

// Rewrites the owner's rows from count objects: the i-th row in index order
// is edited with write(i, row), objects beyond the rows are added (the
// owner field already set) with write(i, row), rows beyond the objects are
// deleted.  write fills fields through row.Set and must not call Update.
// In its own transaction.
void OverwriteInPlace(CZLRecordset& rs, const char* ownerField, long ownerID, size_t count,
                      const std::function<void(size_t, CRowWrite&)>& write);

// The same for an owner named by two fields (both set on added rows).
void OverwriteInPlace(CZLRecordset& rs, const char* ownerField, long ownerID, const char* subField,
                      long subID, size_t count,
                      const std::function<void(size_t, CRowWrite&)>& write);

// ---- per-set upsert -------------------------------------------------------------

// Edits the row whose current-index key equals keys (1 to 3 values), or
// adds one with keyFields set to keys when there is none; fill(row) sets
// the other fields.  True when a row was added.  One row: no transaction.
bool UpsertRow(CZLRecordset& rs, const std::vector<const char*>& keyFields,
               std::vector<COleVariant> keys, const std::function<void(CRowWrite&)>& fill);

// Field names with the values a row should hold.
typedef std::vector<std::pair<const char*, COleVariant>> ZLFieldValues;

// True when some field of the current row does not hold its value (numbers
// compared by value whatever their width; NULL equals only NULL).
bool RowDiffers(CZLRecordset& rs, const ZLFieldValues& values);

// As UpsertRow with the values to set, except that a row that already holds
// every value is left unwritten.  True when a row was written.
bool UpsertChangedRow(CZLRecordset& rs, const std::vector<const char*>& keyFields,
                      std::vector<COleVariant> keys, const ZLFieldValues& values);

// Deletes the row whose current-index key equals keys; false when there is
// none.
bool DeleteRowByKey(CZLRecordset& rs, std::vector<COleVariant> keys);

// ---- chains ---------------------------------------------------------------------

// Counts the links one walk follows.  A walk over distinct rows follows
// fewer links than the table has rows, so a walk that follows more has run
// into a cycle.  The rows are counted only once a walk is longer than real
// chains are, so ordinary walks stay one seek per step.
class CWalkBound {
 public:
  explicit CWalkBound(CZLRecordset& rs) : m_rs(rs) {}
  CWalkBound(const CWalkBound&) = delete;
  CWalkBound& operator=(const CWalkBound&) = delete;

  // Records one more link followed; false when that is more than the rows
  // of the table allow.
  bool Step() {
    ++m_steps;
    if (m_steps <= kUncountedSteps) return true;
    if (m_rows < 0) m_rows = m_rs.GetRecordCount();
    return m_steps <= m_rows;
  }

 private:
  static constexpr long kUncountedSteps = 64;
  CZLRecordset& m_rs;
  long m_steps = 0;
  long m_rows = -1;
};

// Follows linkField from the existing row start for as long as it names an
// existing row (current index on idField), leaving the last row reached in
// last.  A NULL or 0 link, or one naming no row, ends the walk normally.
// Returns 0, 11 when start itself does not exist, 9 for a cycle, or the
// record routines' codes.
int FollowChain(ZLHandleRecord& record, CZLRecordset& rs, const char* idField,
                const char* linkField, long start, long& last);

// Links row id between prevID and nextID (0: none): its PREV and NEXT are
// set, and so are NEXT of prevID and PREV of nextID.  The current index must
// be on idField.  11 when one of the rows does not exist (nothing written).
// In its own transaction.
int ChainInsert(CZLRecordset& rs, const char* idField, long id, long prevID, long nextID);

// Takes row id out of its chain: its neighbours are linked to each other
// and its own PREV and NEXT become NULL.  Links naming no row are treated as
// none.  11 when id does not exist.  In its own transaction.
int ChainUnlink(CZLRecordset& rs, const char* idField, long id);

}  // namespace zl

#endif  // ZLDBCTRL70_CONTENT_ROW_PATTERNS_H_
