// CCursor: the working part of a table-type recordset (see dao_recordset.h
// for the behaviour).  It keeps its position as the current row's index key
// values and row number, and finds every other row with index look-ups
// (CIndexWalk); it never keeps a statement open between calls.
#ifndef ZLDBCTRL70_ENGINE_CURSOR_H_
#define ZLDBCTRL70_ENGINE_CURSOR_H_

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/bookkeeping.h"
#include "engine/sqlite_seam.h"
#include "zldbctrl70/platform/variant.h"

namespace zl::engine {

class CSession;
class CEngineFile;

// One row as read: its row number and the values of the fields read so far.
struct CRow {
  int64_t rowid = 0;
  std::vector<CSqlValue> values;
  std::vector<bool> loaded;
};

class CCursor {
 public:
  CCursor(CSession& session, int64_t tableId, bool readOnly);
  CCursor(const CCursor&) = delete;
  CCursor& operator=(const CCursor&) = delete;

  int64_t TableId() const { return m_tableId; }
  std::string TableName();
  const CTableSchema& Table();
  bool CanUpdate() const;

  void SetCurrentIndex(const std::string& name);
  std::string GetCurrentIndex() const { return m_indexName; }
  bool Seek(const std::string& comparison, const COleVariant* keys, int count);

  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrev();
  bool IsBOF() const;
  bool IsEOF() const;
  bool IsDeleted() const { return m_state == State::kDeleted; }

  COleVariant GetBookmark();
  void SetBookmark(const COleVariant& bookmark);
  COleVariant GetLastModifiedBookmark();

  void AddNew();
  void Edit();
  void Update();
  void CancelUpdate();
  void Delete();
  short GetEditMode() const { return m_editMode; }

  COleVariant GetFieldValue(int field);
  void SetFieldValue(int field, const COleVariant& value);
  // Sets a long-binary field to the size bytes at data without copying
  // them: they must stay as they are until Update or the end of the edit.
  // For large values (a file), which a copy would hold twice more while the
  // row is written.
  void SetFieldBytes(int field, const void* data, size_t size);
  int FieldIndex(const std::string& name);

  long GetRecordCount();
  double GetDateCreated();
  double GetDateLastUpdated();

 private:
  enum class State { kEmpty, kBOF, kEOF, kRow, kDeleted, kNone };
  // Leaves kEmpty for kBOF when the table has rows by now.
  void RecheckEmpty() const;

  void RequireWritable() const;
  void RefreshLayout();
  void ResolveIndex();
  // Rebuilds m_fetch from the index and m_wanted, and forgets the SQL that
  // used the old list.
  void ResolveFetch();
  // The columns that order rows: the index fields, then the row number.
  std::vector<int> WalkFields() const;
  std::vector<std::string> WalkColumns() const;
  std::string SelectList() const;
  CRow ReadRow(const CSqlQuery& q) const;
  // Rows in the current order after (forward) or before a bound on the
  // leading walk columns; the bound row itself only when inclusive.
  struct CTierSql {
    std::string sql;
    std::vector<int> binds;  // which bound values, in parameter order
  };
  const std::vector<CTierSql>& Tiers(const std::vector<CSqlValue>& bound, bool forward,
                                     bool inclusive, bool equalOnly);
  void Fetch(const std::vector<CSqlValue>& bound, bool forward, bool inclusive, bool equalOnly,
             size_t limit, std::vector<CRow>& out);
  bool LoadRow(int64_t rowid, CRow& row);
  void SetCurrent(CRow row);
  void ClearAhead();
  bool CacheValid() const;
  void EnsureRow();
  void DiscardEdit();
  void PositionFirst(bool throwWhenEmpty);
  std::vector<CSqlValue> KeyOf(const CRow& row) const;
  std::vector<CSqlValue> PositionBound() const;
  COleVariant MakeBookmark(int64_t rowid) const;

  CSession& m_session;
  CEngineFile& m_file;
  int64_t m_tableId;
  bool m_readOnly;
  std::shared_ptr<const CTableSchema> m_table;
  uint64_t m_schemaEpoch = 0;
  std::string m_indexName;
  int m_index = -1;
  // Fields read with every row: the current index's fields and those asked
  // for since the layout was last loaded (large ones only when indexed).
  // A field asked for the first time is read on its own and joins the set,
  // so that look-ups read the columns their callers use and no others.
  std::vector<int> m_fetch;
  std::vector<bool> m_wanted;  // by field position
  // SQL texts made once per layout and index: index walks by bound shape,
  // inserts and updates by the set of fields written.
  std::unordered_map<uint64_t, std::vector<CTierSql>> m_tierCache;
  std::string m_loadRowSql;  // built on first use, like the tiers
  std::map<std::vector<int>, std::string> m_insertSql;
  std::map<std::vector<int>, std::string> m_updateSql;

  mutable State m_state = State::kEmpty;
  std::vector<CSqlValue> m_key;  // index values of the position row
  int64_t m_rowid = 0;
  CRow m_row;
  bool m_rowValid = false;
  uint64_t m_rowGeneration = 0;
  // The table's last-updated date as last read, valid while both
  // generations stay as they were then (a refresh that saw no other
  // process's commit costs no look-up).
  double m_dateLastUpdated = 0;
  uint64_t m_dateExternalGeneration = 0;
  uint64_t m_dateTableGeneration = 0;
  uint64_t m_rowExternal = 0;
  std::deque<CRow> m_ahead;
  uint64_t m_aheadGeneration = 0;
  uint64_t m_aheadExternal = 0;
  size_t m_batch = 4;

  short m_editMode = 0;
  std::map<int, CSqlValue> m_changes;
  std::map<int, std::string_view> m_borrowed;  // SetFieldBytes values, not copied
  int64_t m_editRowid = 0;
  bool m_hasLastModified = false;
  int64_t m_lastModified = 0;
};

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_CURSOR_H_
