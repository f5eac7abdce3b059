// CDaoTableDef: the definition of one table.
//
// A definition is either new (Create: fields and indexes are collected in
// memory until Append writes the table) or open on an existing table (Open,
// or after Append: CreateField, CreateIndex, DeleteField and DeleteIndex then
// change the table at once, inside the workspace transaction when one is
// open, so that a rollback undoes them).  Field and index names compare
// without regard to case.
#ifndef ZLDBCTRL70_ENGINE_DAO_TABLEDEF_H_
#define ZLDBCTRL70_ENGINE_DAO_TABLEDEF_H_

#include <cstdint>
#include <memory>

#include "engine/dao_fieldinfo.h"
#include "engine/dao_types.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

class CDaoDatabase;

namespace zl::engine {
class CSession;
struct CTableSchema;
}  // namespace zl::engine

class CDaoTableDef : public CObject {
 public:
  // pDatabase must be open when the definition is created or opened and
  // must outlive this object (closing it closes this definition).
  explicit CDaoTableDef(CDaoDatabase* pDatabase);
  ~CDaoTableDef() override;
  CDaoTableDef(const CDaoTableDef&) = delete;
  CDaoTableDef& operator=(const CDaoTableDef&) = delete;

  CDaoDatabase* m_pDatabase;

  // Starts a new definition named lpszName (3125 for a name the engine
  // cannot use: empty, longer than 64, leading space, one of . ! ` [ ] or a
  // control character, or the reserved prefix).  lAttributes, lpszSrcTable
  // and lpszConnect are accepted and ignored.
  void Create(LPCSTR lpszName, long lAttributes = 0, LPCSTR lpszSrcTable = nullptr,
              LPCSTR lpszConnect = nullptr);
  // Opens the definition of an existing table (3265 when there is none).
  void Open(LPCSTR lpszName);
  // Writes a new definition as a table: 3010 when a table of that name
  // exists (compared without regard to case; the definition stays new, so
  // it can be renamed with SetName and appended again), 3001 when it has no
  // field.  Afterwards the definition is open on the new table.
  void Append();
  void Close();
  BOOL IsOpen() const;
  // TRUE once the definition names an existing table (Open or Append).
  BOOL IsAppended() const { return m_bAppended; }

  CString GetName() const;
  // Renames a new definition, or the table of an open one (3010 when the
  // new name is taken, 3125 when it cannot be used).
  void SetName(LPCSTR lpszName);

  // Adds a field.  nType is one of dbBoolean ... dbMemo (3001 otherwise);
  // lSize counts characters for dbText (0 means 255; above 255: 3001) and is
  // ignored for other types.  Text and memo fields allow zero-length values
  // only when m_bAllowZeroLength is set (the four-argument form does not
  // set it).  A table has at most one counter (dbAutoIncrField) field, a
  // Long (3001 otherwise).  A counter defined before Append becomes the
  // table's SQLite row number (INTEGER PRIMARY KEY), so seeks on an index of
  // it alone are row look-ups; a counter added to a table with rows numbers
  // them 1, 2, ... in insertion order.  3191 when a field of that name
  // exists.
  void CreateField(LPCSTR lpszName, short nType, long lSize, long lAttributes = 0);
  void CreateField(CDaoFieldInfo& fieldinfo);
  // Removes a field and its values.  3265 no such field, 3280 the field is
  // part of an index (delete the index first), 3219 the counter the table
  // was appended with (it is the row number), 3001 the table's last field.
  void DeleteField(LPCSTR lpszName);
  void DeleteField(int nIndex);

  // Adds an index over 1 to 10 existing fields (3265 unknown field).  Text
  // fields compare without regard to case (ASCII letters).  A unique index
  // refuses to be created over rows that hold duplicates (3022).  3284 when
  // an index of that name exists; 3001 for descending fields, IgnoreNulls,
  // or an index over a long binary field.
  void CreateIndex(CDaoIndexInfo& indexinfo);
  void DeleteIndex(LPCSTR lpszName);  // 3015 no such index
  void DeleteIndex(int nIndex);

  short GetFieldCount();
  // Fields in table order (3265 index out of range or name not found).
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetFieldInfo(LPCSTR lpszName, CDaoFieldInfo& fieldinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  short GetIndexCount();
  // Indexes in creation order; the engine allocates m_pFieldInfos.
  void GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetIndexInfo(LPCSTR lpszName, CDaoIndexInfo& indexinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);

  // Dates kept by the engine for the table (local time).  The creation date
  // is a whole second; the last-updated date starts there, changes with
  // every committed write to the table (rows or layout) and strictly
  // increases, also for commits within the same millisecond.
  COleDateTime GetDateCreated();
  COleDateTime GetDateLastUpdated();
  long GetRecordCount();
  BOOL CanUpdate();
  long GetAttributes() const { return 0; }

  // Engine internals.
  int64_t GetTableId() const { return m_tableId; }
  void OnDatabaseClosed();

 private:
  zl::engine::CSession& Session() const;
  // The layout: the pending one of a new definition, the file's otherwise.
  std::shared_ptr<const zl::engine::CTableSchema> Layout() const;
  void Unregister();

  bool m_bOpen = false;
  bool m_bAppended = false;
  int64_t m_tableId = 0;
  CString m_strName;
  zl::engine::CSession* m_session = nullptr;            // set while open
  std::shared_ptr<zl::engine::CTableSchema> m_pending;  // new definitions only
};

#endif  // ZLDBCTRL70_ENGINE_DAO_TABLEDEF_H_
