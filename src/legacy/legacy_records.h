// The record routines of the legacy interface: positioning the SDB
// recordset on a model by ID or bookmark, reading and writing one field of
// it, the stamps, and the single LASTLAYOUTCHANGE row.
//
// Every routine works on a pinned legacy record, returns a legacy code and
// lets engine exceptions propagate to the guard (a bookmark the engine
// refuses surfaces as 8 there).
#ifndef ZLDBCTRL70_LEGACY_LEGACY_RECORDS_H_
#define ZLDBCTRL70_LEGACY_LEGACY_RECORDS_H_

#include "legacy/legacy_handle.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/variant.h"

class CZLRecordset;

namespace zl::legacy {

// One row write that never leaves an edit buffer behind: Edit or AddNew on
// construction, CancelUpdate on destruction unless Update was reached.
class CLegacyRowWrite {
 public:
  enum EMode { kEdit, kAddNew };
  CLegacyRowWrite(CZLRecordset& rs, EMode mode);
  ~CLegacyRowWrite();
  CLegacyRowWrite(const CLegacyRowWrite&) = delete;
  CLegacyRowWrite& operator=(const CLegacyRowWrite&) = delete;
  // A VT_NULL or VT_EMPTY value writes NULL.
  void Set(const char* field, const COleVariant& value);
  void Update();

 private:
  CZLRecordset& m_rs;
  bool m_pending = true;
};

// A caller's long as a 32-bit variant: 0, or 8 when it does not fit.
int StoredLong(long value, COleVariant& stored);

// A model named by ID or by bookmark.
struct CLegacyRowRef {
  bool byID;
  long id;
  const COleVariant* bookmark;
  static CLegacyRowRef ID(long id) { return {true, id, nullptr}; }
  static CLegacyRowRef Bookmark(const COleVariant& bookmark) { return {false, 0, &bookmark}; }
};

// Makes the model the current row of SDB: 0, or 10 when no model has that
// ID.
int PositionModel(ZLLegacyRecord& record, const CLegacyRowRef& row);
// Reads one field of the model: 0, 10 no such model, 9 the field is null.
int ReadModelField(ZLLegacyRecord& record, const CLegacyRowRef& row, const char* field,
                   COleVariant& value);

// What a write renews besides its field.
enum class EStamp { kNone, kDate, kLayoutChange };

// Writes one field of the model, then what the stamp asks for (the model's
// DATE, or LASTLAYOUTCHANGE.DATE).  0 or 10.
int WriteModelField(ZLLegacyRecord& record, const CLegacyRowRef& row, const char* field,
                    const COleVariant& value, EStamp stamp);
// The model's ID: 0 or 10.
int ModelID(ZLLegacyRecord& record, const CLegacyRowRef& row, long& id);

// The layout version of LASTLAYOUTCHANGE (0 when null or missing).
int32_t ReadLayoutVersion(ZLLegacyRecord& record);
// A field of the LASTLAYOUTCHANGE row: 0, 10 no row, 9 null.
int ReadLayoutChangeRow(ZLLegacyRecord& record, const char* field, COleVariant& value);
// Writes a field of the LASTLAYOUTCHANGE row (adding the row when missing).
void WriteLayoutChangeRow(ZLLegacyRecord& record, const char* field, const COleVariant& value);
// Writes the current time into LASTLAYOUTCHANGE.DATE.
void StampLayoutChange(ZLLegacyRecord& record);

// Appends one new CBookmarkObject per row of the recordset, in the order of
// its current index.
void AppendAllBookmarks(CZLRecordset& rs, CObList& list);

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_RECORDS_H_
