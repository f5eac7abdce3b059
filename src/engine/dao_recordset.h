// CDaoRecordset: a table-type recordset, a cursor over one table in the
// order of its current index.
//
// Order.  With a current index, rows follow that index's fields (ascending;
// NULL before every value; text without regard to ASCII case), ties in
// insertion order.  Without one, rows follow insertion order.  Every move
// and seek is an index look-up in the file; the recordset remembers its
// position as the key values and identity of the current row, never as an
// open statement, so it sees rows other processes commit and never holds a
// read snapshot between calls.  Forward walks read a few rows ahead; what
// was read ahead, and the values of the current row, are dropped by any
// write through this process to the table and by Idle(dbRefreshCache) when
// another process has committed since.
//
// Positions.  After Open and after SetCurrentIndex the first row is current
// (IsBOF and IsEOF are both TRUE for an empty table; once rows exist, added
// through any recordset or process, IsEOF turns FALSE and the cursor stands
// before the first row).  MoveNext past the
// last row gives IsEOF, MovePrev before the first IsBOF; moving further, or
// MoveNext/MovePrev with no position (after a failed Seek), raises 3021.
// MoveFirst/MoveLast on an empty table raise 3021 and leave IsBOF and IsEOF
// TRUE.  A successful Seek makes the found row current; a failed one leaves
// no current row (IsBOF and IsEOF FALSE).  Any move, seek or SetBookmark
// discards an AddNew/Edit in progress.
//
// Writes.  AddNew + Update adds a row; the row that was current before
// AddNew stays current (GetLastModifiedBookmark + SetBookmark reach the new
// one).  Edit + Update changes the current row, which stays current in its
// new place in the index order.  Delete removes the current row; there is
// then no current row (reads raise 3021) until a move, and MoveNext goes to
// the row that followed it, MovePrev to the one before it.  Update checks
// every value against its field's rules and writes nothing when one fails,
// keeping the AddNew/Edit buffer for another Update or CancelUpdate:
//   3163 text longer than the field's size (counted in characters),
//   3315 zero-length text where the field does not allow it,
//   3314 NULL in a required field, 3058 NULL in a required or primary index,
//   3349 a number outside the range of a Byte, Integer or Long field,
//   3022 a duplicate value in a unique index.
// Values are converted to the field's type when set (3421 when impossible,
// e.g. "abc" into a Long; 3164 for a counter field; 3265 unknown field):
// any non-zero number written to a Boolean field is stored as -1.  Counter
// fields are assigned on Update of an AddNew, start at 1, only grow and are
// never reused while the file lives (deletes, compaction and reopening
// included).  Outside a workspace transaction each Update and Delete
// commits on its own.  A write fails with 3027 on a read-only database or
// recordset and with 3260 when another process holds the write lock beyond
// the busy timeout.
//
// Bookmarks are byte-array variants naming the database object, the table
// and the row.  They stay valid while the CDaoDatabase stays open, also
// across closing and reopening recordsets of the same table; SetBookmark
// refuses a bookmark of another database object or another table, or one
// that is not a bookmark at all, with 3159, and one of a deleted row with
// 3167, leaving the position unchanged.
#ifndef ZLDBCTRL70_ENGINE_DAO_RECORDSET_H_
#define ZLDBCTRL70_ENGINE_DAO_RECORDSET_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/dao_fieldinfo.h"
#include "engine/dao_types.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

class CDaoDatabase;
class CDaoTableDef;

namespace zl::engine {
class CCursor;
}

class CDaoRecordset : public CObject {
 public:
  // pDatabase must be open when the recordset is opened and must outlive
  // this object (closing the database closes the recordset).
  explicit CDaoRecordset(CDaoDatabase* pDatabase = nullptr);
  ~CDaoRecordset() override;
  CDaoRecordset(const CDaoRecordset&) = delete;
  CDaoRecordset& operator=(const CDaoRecordset&) = delete;

  CDaoDatabase* m_pDatabase;

  // Opens a table-type recordset on the table of an open (appended) table
  // definition, or on the table named by lpszSQL.  nOpenType must be
  // dbOpenTable (3001 otherwise); nOptions may hold dbReadOnly, other bits
  // are ignored.  3265/3011 when the table does not exist.
  void Open(CDaoTableDef* pTableDef, int nOpenType = dbOpenTable, int nOptions = 0);
  void Open(int nOpenType, LPCSTR lpszSQL, int nOptions = 0);
  // Discards an edit in progress and closes; closing a closed recordset does
  // nothing.
  void Close();
  BOOL IsOpen() const;
  BOOL CanUpdate() const;
  BOOL CanBookmark() const { return TRUE; }
  BOOL CanTransact() const { return TRUE; }
  CString GetName() const;

  // Current index by name (3015 when the table has no such index); an empty
  // name selects insertion order.  Moves to the first row.
  void SetCurrentIndex(LPCSTR lpszIndex);
  // "" when no index is set.
  CString GetCurrentIndex() const;
  // Sets the current index back to one the recordset had before; never
  // throws.  When that fails (memory exhausted, the table gone) the index
  // is set before the next operation on the recordset, which fails with
  // the error if it still cannot be set: a recordset never goes on seeking
  // through an index its user did not choose.
  void RestoreCurrentIndex(CString&& index) noexcept;

  // Seeks on the current index (3019 without one) with 1 up to the number
  // of index fields key values (3001 otherwise); fewer keys match on the
  // leading fields.  lpszComparison is "=", ">=", ">", "<=" or "<" (3001
  // otherwise): "=", ">=" and ">" find the first matching row in index
  // order, "<=" and "<" the last.  Keys are converted to the fields' types
  // (3464 when impossible); a NULL key stands for NULL, which sorts first.
  // Returns TRUE and makes the row current, or FALSE (no current row).
  BOOL Seek(LPCSTR lpszComparison, COleVariant* pKey1, COleVariant* pKey2 = nullptr,
            COleVariant* pKey3 = nullptr);
  BOOL Seek(LPCSTR lpszComparison, COleVariant* pKeyArray, WORD nKeys);

  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrev();
  // Moves lRows rows forward (negative: back) from the current row.
  void Move(long lRows);
  BOOL IsBOF() const;
  BOOL IsEOF() const;
  // TRUE right after Delete, until the next move.
  BOOL IsDeleted() const;

  // Bookmark of the current row (3021 when there is none).
  COleVariant GetBookmark();
  void SetBookmark(COleVariant varBookmark);
  // Bookmark of the row this recordset last added or changed (3021 when it
  // has not written one).
  COleVariant GetLastModifiedBookmark();

  void AddNew();
  // Starts changing the current row (3021 when there is none).
  void Edit();
  // Writes the AddNew/Edit buffer (3020 when none is in progress).
  void Update();
  // Drops the buffer (3020 when none is in progress).
  void CancelUpdate();
  // Deletes the current row (3021 when there is none).
  void Delete();
  // dbEditNone, dbEditInProgress or dbEditAdd.
  short GetEditMode() const;

  // Value of a field of the current row, or of the buffer during AddNew or
  // Edit.  Kinds: VT_BOOL, VT_UI1, VT_I2, VT_I4, VT_R4, VT_R8 (Double and
  // Currency), VT_DATE, VT_BSTR (Text, Memo), VT_UI1|VT_ARRAY (Long binary),
  // VT_NULL for NULL.  3265 unknown field, 3021 no current row.
  COleVariant GetFieldValue(LPCSTR lpszName);
  void GetFieldValue(LPCSTR lpszName, COleVariant& varValue);
  COleVariant GetFieldValue(int nIndex);
  void GetFieldValue(int nIndex, COleVariant& varValue);
  // Sets a field in the AddNew/Edit buffer (3020 when none is in progress).
  void SetFieldValue(LPCSTR lpszName, const COleVariant& varValue);
  void SetFieldValue(int nIndex, const COleVariant& varValue);
  void SetFieldValue(LPCSTR lpszName, LPCSTR lpszValue);
  void SetFieldValue(int nIndex, LPCSTR lpszValue);
  void SetFieldValueNull(LPCSTR lpszName);
  void SetFieldValueNull(int nIndex);
  // Sets a long-binary field to nBytes bytes at pData, not copied: they
  // must stay as they are until Update (or CancelUpdate).  For large values.
  void SetFieldBytes(LPCSTR lpszName, const void* pData, size_t nBytes);

  // Rows in the table now.
  long GetRecordCount();
  COleDateTime GetDateCreated();
  COleDateTime GetDateLastUpdated();

  short GetFieldCount();
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetFieldInfo(LPCSTR lpszName, CDaoFieldInfo& fieldinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  short GetIndexCount();
  void GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetIndexInfo(LPCSTR lpszName, CDaoIndexInfo& indexinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);

  // Engine internals.
  void OnDatabaseClosed();

 private:
  zl::engine::CCursor& Cursor() const;
  std::unique_ptr<zl::engine::CCursor> m_cursor;
  // An index RestoreCurrentIndex could not set yet (see there).
  mutable CString m_strPendingIndex;
  mutable bool m_bIndexPending = false;
};

#endif  // ZLDBCTRL70_ENGINE_DAO_RECORDSET_H_
