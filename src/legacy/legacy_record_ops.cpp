// Models as a whole: IDs and bookmarks, creation, deletion, the path.
#include "legacy/legacy_guard.h"
#include "legacy/legacy_lists.h"
#include "legacy/legacy_query.h"
#include "legacy/legacy_records.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/legacy.h"

using namespace zl::legacy;

namespace zl::legacy {
namespace {

int DeleteModel(ZLLegacyRecord& record, const CLegacyRowRef& row) {
  long id = 0;
  const int code = ModelID(record, row, id);
  if (code != LZLE_OK) return code;
  for (EListKind kind : {kParams, kConnects, kOutput, kFiles, kKeywords}) {
    DeleteList(record, kind, id);
  }
  PositionModel(record, CLegacyRowRef::ID(id));
  record.Recordset(LT_SDB).Delete();
  StampLayoutChange(record);
  return LZLE_OK;
}

}  // namespace

int ModelPath(ZLLegacyRecord& record, const CLegacyRowRef& row, CString& path) {
  COleVariant folder;
  int code = ReadModelField(record, row, "FLDR", folder);
  if (code == LZLE_NULL_VALUE) folder = COleVariant("");
  if (code != LZLE_OK && code != LZLE_NULL_VALUE) return code;
  const std::string key = folder.GetStringValue();
  const size_t lastComma = key.rfind(',');
  if (key.size() < 2 || lastComma == std::string::npos || lastComma == 0) {
    path = "\\\\";
    return LZLE_OK;
  }
  // Each prefix of the key up to a comma names one folder record, whose
  // title is the next element of the path.
  std::string built;
  std::string prefix;
  size_t start = 0;
  while (start < lastComma) {
    size_t comma = key.find(',', start);
    if (comma == std::string::npos || comma > lastComma) comma = lastComma;
    if (!prefix.empty()) prefix += ',';
    prefix += key.substr(start, comma - start);
    CString title;
    code = FolderTitle(record, prefix.c_str(), title);
    if (code != LZLE_OK) return code;
    built += built.empty() ? "\\\\" : "\\";
    built += static_cast<const char*>(title);
    start = comma + 1;
  }
  path = built.c_str();
  return LZLE_OK;
}

}  // namespace zl::legacy

int GetIDByBookmark(void* hDB, COleVariant bookmark, long& lID) {
  return RunLegacyRead(hDB, [&](ZLLegacyRecord& record) {
    return ModelID(record, CLegacyRowRef::Bookmark(bookmark), lID);
  });
}

int GetBookmarkByID(void* hDB, long lID, COleVariant& bookmark) {
  return RunLegacyRead(hDB, [&](ZLLegacyRecord& record) {
    const int code = PositionModel(record, CLegacyRowRef::ID(lID));
    if (code == LZLE_OK) bookmark = record.Recordset(LT_SDB).GetBookmark();
    return code;
  });
}

int CreateNewRecord(void* hDB, COleVariant& bookmark) {
  return RunLegacyWrite(hDB, [&](ZLLegacyRecord& record) {
    CZLRecordset& sdb = record.Recordset(LT_SDB);
    CLegacyRowWrite row(sdb, CLegacyRowWrite::kAddNew);
    row.Set("DATE", COleVariant(COleDateTime::GetCurrentTime()));
    row.Update();
    bookmark = sdb.GetLastModifiedBookmark();
    return static_cast<int>(LZLE_OK);
  });
}

int DeleteRecordByBookmark(void* hDB, COleVariant bookmark) {
  return RunLegacyWrite(hDB, [&](ZLLegacyRecord& record) {
    return DeleteModel(record, CLegacyRowRef::Bookmark(bookmark));
  });
}

int DeleteRecordByID(void* hDB, long lID) {
  return RunLegacyWrite(
      hDB, [&](ZLLegacyRecord& record) { return DeleteModel(record, CLegacyRowRef::ID(lID)); });
}

int GetPathByID(void* hDB, long lID, CString& path) {
  return RunLegacyRead(
      hDB, [&](ZLLegacyRecord& record) { return ModelPath(record, CLegacyRowRef::ID(lID), path); });
}

int GetPathByBookmark(void* hDB, COleVariant bookmark, CString& path) {
  return RunLegacyRead(hDB, [&](ZLLegacyRecord& record) {
    return ModelPath(record, CLegacyRowRef::Bookmark(bookmark), path);
  });
}
