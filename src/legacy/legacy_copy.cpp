// Copying a model between legacy databases (or within one), and the
// conversion of a database of an earlier layout version into a new file of
// the current one.
#include <cstring>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_recordset.h"
#include "engine/dao_tabledef.h"
#include "legacy/legacy_database.h"
#include "legacy/legacy_guard.h"
#include "legacy/legacy_layout.h"
#include "legacy/legacy_lists.h"
#include "legacy/legacy_records.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/legacy.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl::legacy {
namespace {

// The model fields a copy carries, in the order they are copied.  The
// library text goes with its state word, so a compressed block stays one
// (the codec gives the same block for the same text).  UDTNAME and WIZTYPE
// go too: a copy must not lose its user-defined table or wizard.
const char* const kCopiedFields[] = {
    "NAME",  "FLDR",         "SYMBOL", "CALL", "TYPE",      "SDB_STATE",
    "TITLE", "LEVEL",        "USES",   "INFO", "LIB_STATE", "LIB",
    "SCH",   "SYMBOL_LEVEL", "DATE",   "SRC",  "UDTNAME",   "WIZTYPE",
};

bool HasField(ZLLegacyRecord& record, const char* name) {
  const short count = record.tableDefs[LT_SDB]->GetFieldCount();
  for (short i = 0; i < count; ++i) {
    CDaoFieldInfo field;
    record.tableDefs[LT_SDB]->GetFieldInfo(i, field);
    if (field.m_strName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

}  // namespace

int CopyModel(ZLLegacyRecord& source, const CLegacyRowRef& from, ZLLegacyRecord& dest,
              const CLegacyRowRef& to) {
  long sourceID = 0, destID = 0;
  int code = ModelID(source, from, sourceID);
  if (code == LZLE_OK) code = ModelID(dest, to, destID);
  if (code != LZLE_OK) return code;
  // A database of an earlier layout may lack some of the fields.
  for (const char* field : kCopiedFields) {
    if (!HasField(source, field)) continue;
    PositionModel(source, CLegacyRowRef::ID(sourceID));
    const COleVariant value = source.Recordset(LT_SDB).GetFieldValue(field);
    code = WriteModelField(dest, CLegacyRowRef::ID(destID), field, value, EStamp::kNone);
    if (code != LZLE_OK) return code;
  }
  for (EListKind kind : {kParams, kConnects, kOutput, kFiles, kKeywords}) {
    CObList rows;
    code = ReadList(source, kind, sourceID, rows);
    if (code == LZLE_OK) code = WriteList(dest, kind, destID, rows);
    FreeObjectList(rows);
    if (code != LZLE_OK) return code;
  }
  return LZLE_OK;
}

namespace {

// Whether a model's outputs hold an entry with both type bits 0x4 and 0x8.
bool HasDynamicOutput(ZLLegacyRecord& record, long id) {
  CObList outputs;
  ReadList(record, kOutput, id, outputs);
  bool found = false;
  for (POSITION pos = outputs.GetHeadPosition(); pos != nullptr && !found;) {
    found = (static_cast<CCoPaObject*>(outputs.GetNext(pos))->m_dwType & 0xC) == 0xC;
  }
  FreeObjectList(outputs);
  return found;
}

// Copies every model of source into dest, giving macro models without a
// dynamic output the default one.
int CopyAllModels(ZLLegacyRecord& source, ZLLegacyRecord& dest) {
  CObList bookmarks;
  AppendAllBookmarks(source.Recordset(LT_SDB), bookmarks);
  int code = LZLE_OK;
  for (POSITION pos = bookmarks.GetHeadPosition(); pos != nullptr && code == LZLE_OK;) {
    const COleVariant& from = static_cast<CBookmarkObject*>(bookmarks.GetNext(pos))->m_varBookmark;
    CZLRecordset& sdb = dest.Recordset(LT_SDB);
    {
      CLegacyRowWrite add(sdb, CLegacyRowWrite::kAddNew);
      add.Update();
    }
    const COleVariant to = sdb.GetLastModifiedBookmark();
    code = CopyModel(source, CLegacyRowRef::Bookmark(from), dest, CLegacyRowRef::Bookmark(to));
    long id = 0;
    COleVariant type;
    if (code == LZLE_OK) code = ModelID(dest, CLegacyRowRef::Bookmark(to), id);
    if (code != LZLE_OK) break;
    if (ReadModelField(dest, CLegacyRowRef::ID(id), "TYPE", type) == LZLE_OK &&
        std::strcmp(type.GetStringValue(), "MAC") == 0 && !HasDynamicOutput(dest, id)) {
      CObList outputs;
      ReadList(dest, kOutput, id, outputs);
      outputs.AddTail(new CCoPaObject("dyn", "%s", "1,0", 12));
      code = WriteList(dest, kOutput, id, outputs);
      FreeObjectList(outputs);
    }
  }
  FreeObjectList(bookmarks);
  return code;
}

bool IsLayoutTable(const CString& name) {
  for (int table = 0; table < LT_TABLE_COUNT; ++table) {
    if (name.CompareNoCase(LegacyTableLayout(static_cast<ELegacyTable>(table)).name) == 0) {
      return true;
    }
  }
  return false;
}

// Copies the rows of one table in table order.  A counter keeps its values:
// the gaps deleted rows left are filled with placeholder rows, which are
// deleted again once every row is in, so rows that refer to one another by
// counter still do.
void CopyRows(CDaoDatabase& source, CDaoTableDef& to, const CString& name) {
  CDaoRecordset from(&source);
  from.Open(dbOpenTable, name, dbReadOnly);
  CDaoRecordset into(to.m_pDatabase);
  into.Open(&to);
  const short fieldCount = from.GetFieldCount();
  short counter = -1;
  for (short i = 0; i < fieldCount; ++i) {
    CDaoFieldInfo field;
    from.GetFieldInfo(i, field);
    if ((field.m_lAttributes & dbAutoIncrField) != 0) counter = i;
  }
  std::vector<COleVariant> placeholders;
  long next = 1;  // the counter a new table gives its next row
  if (from.GetRecordCount() == 0) return;
  for (from.MoveFirst(); !from.IsEOF(); from.MoveNext()) {
    if (counter >= 0) {
      const long value = from.GetFieldValue(counter).lVal;
      for (; next < value; ++next) {
        into.AddNew();
        into.Update();
        placeholders.push_back(into.GetLastModifiedBookmark());
      }
      next = value + 1;
    }
    into.AddNew();
    for (short i = 0; i < fieldCount; ++i) {
      if (i != counter) into.SetFieldValue(i, from.GetFieldValue(i));
    }
    into.Update();
  }
  for (const COleVariant& bookmark : placeholders) {
    into.SetBookmark(bookmark);
    into.Delete();
  }
}

// The callers' own tables (those outside the legacy layout, such as the
// user-defined tables) go into the new file with their fields, rows and
// indexes, so a conversion loses none of them.
void CopyCallerTables(CDaoDatabase& source, CDaoDatabase& dest) {
  const short tableCount = source.GetTableDefCount();
  for (short t = 0; t < tableCount; ++t) {
    CDaoTableDefInfo info;
    source.GetTableDefInfo(t, info);
    if (IsLayoutTable(info.m_strName)) continue;
    CDaoTableDef from(&source);
    from.Open(info.m_strName);
    CDaoTableDef to(&dest);
    to.Create(info.m_strName);
    for (short i = 0; i < from.GetFieldCount(); ++i) {
      CDaoFieldInfo field;
      from.GetFieldInfo(i, field, AFX_DAO_ALL_INFO);
      to.CreateField(field);
    }
    to.Append();
    CopyRows(source, to, info.m_strName);
    // Indexes last: the rows go in without them being kept up row by row.
    for (short i = 0; i < from.GetIndexCount(); ++i) {
      CDaoIndexInfo index;
      from.GetIndexInfo(i, index, AFX_DAO_ALL_INFO);
      to.CreateIndex(index);
    }
  }
}

}  // namespace

void* ConvertLegacy(void* hDB, int& code) {
  char path[kLegacyPathChars];
  BOOL readOnly = FALSE;
  {
    CLegacyLock lock(hDB);
    if (!lock.IsValid()) {
      code = LZLE_BAD_HANDLE;
      return nullptr;
    }
    const ZLLegacyRecord& record = lock.Record();
    code = LZLE_OK;
    if (record.layoutVersion >= LZL_DATABASE_VERSION || record.readOnly ||
        record.referenceCount != 1) {
      return hDB;  // nothing to convert, or not ours alone to replace
    }
    std::strcpy(path, record.path);
    readOnly = record.readOnly;
  }
  char folder[kLegacyPathChars];
  char temp[kLegacyPathChars];
  const DWORD length = GetTempPath(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder || GetTempFileName(folder, "ZLC", 0, temp) == 0) {
    code = LZLE_NO_TEMP_FILE;
    return nullptr;
  }
  DeleteFile(temp);  // the engine creates the file itself
  void* converted = CreateLegacyDatabase(temp, code);
  if (converted == nullptr) return nullptr;
  {
    CLegacyLock source(hDB);
    CLegacyLock dest(converted);
    CLegacyTransaction reading(*source.Record().database, ELegacyAccess::kRead);
    CLegacyTransaction writing(*dest.Record().database, ELegacyAccess::kWrite);
    try {
      code = CopyAllModels(source.Record(), dest.Record());
      if (code == LZLE_OK) CopyCallerTables(*source.Record().database, *dest.Record().database);
      if (code == LZLE_OK) writing.End(true);
    } catch (...) {
      code = LegacyCodeForCurrentException();
    }
  }
  ReleaseLegacyHandle(converted);
  if (code != LZLE_OK) {
    DeleteFile(temp);
    return nullptr;
  }
  // The original stays open until its copy is complete; then the converted
  // file takes its place and is opened as the original was.
  ReleaseLegacyHandle(hDB);
  const BOOL copied = CopyFile(temp, path, FALSE);
  DeleteFile(temp);
  if (!copied) {
    code = LZLE_NO_TEMP_FILE;
    return nullptr;
  }
  return OpenLegacyDatabase(path, readOnly, code);
}

}  // namespace zl::legacy

int CopyRecordByBookmark(void* hSource, COleVariant sourceBookmark, void* hDest,
                         COleVariant destBookmark) {
  using namespace zl::legacy;
  std::lock_guard<std::recursive_mutex> oneCallAtATime(zl::OperationMutex());
  int code = LZLE_BAD_HANDLE;
  try {
    CLegacyLock dest(hDest);
    CLegacyLock source(hSource);
    if (dest.IsValid() && source.IsValid()) {
      // The destination's writes commit once; the source is read in one view.
      CLegacyTransaction writing(*dest.Record().database, ELegacyAccess::kWrite);
      CLegacyTransaction reading(*source.Record().database, ELegacyAccess::kRead);
      code = CopyModel(source.Record(), CLegacyRowRef::Bookmark(sourceBookmark), dest.Record(),
                       CLegacyRowRef::Bookmark(destBookmark));
      reading.End(true);
      writing.End(code == LZLE_OK);
    }
  } catch (...) {
    code = LegacyCodeForCurrentException();
  }
  SetLegacyLastError(code);
  return code == LZLE_OK ? 1 : 0;
}

void* ConvertZLDatabase(void* hDB) {
  return zl::legacy::RunLegacyCreating(
      [&](int& code) { return zl::legacy::ConvertLegacy(hDB, code); });
}
