#include "legacy/legacy_query.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/table_scan.h"
#include "legacy/legacy_guard.h"
#include "legacy/legacy_lists.h"
#include "legacy/legacy_records.h"
#include "platform/wildcard_match.h"
#include "schema/zl_recordset.h"

namespace zl::legacy {
namespace {

CString FieldText(CZLRecordset& rs, const char* field) {
  const COleVariant v = rs.GetFieldValue(field);
  return v.vt == VT_BSTR ? CString(v.GetStringValue()) : CString();
}

// Name, title and keyword: exact, or by the wildcard rules, optionally
// without regard to case.
bool TextMatches(CString text, CString wanted, DWORD criteria) {
  if ((criteria & LZLQ_IGNORE_CASE) != 0) {
    text.MakeUpper();
    wanted.MakeUpper();
  }
  if ((criteria & LZLQ_WILDCARDS) != 0) {
    return MatchWildcards(static_cast<const char*>(text), static_cast<const char*>(wanted));
  }
  return std::strcmp(text, wanted) == 0;
}

// IDs of the rows of a table whose text column the predicate accepts.
std::vector<int64_t> IDsWhere(CDaoDatabase& database, const char* table, const char* idColumn,
                              const char* textColumn,
                              std::function<bool(const char*, size_t)> accept) {
  engine::CTableScan scan;
  scan.table = table;
  scan.columns = {idColumn};
  scan.textColumn = textColumn;
  scan.accept = std::move(accept);
  std::vector<int64_t> ids;
  engine::ScanTable(database, scan,
                    [&](const engine::CScanRow& row) { ids.push_back(row.Integer(0)); });
  return ids;
}

// Every model in the order of SDB_STATE_INDEX (state, then insertion).
std::vector<int64_t> AllModels(CDaoDatabase& database) {
  engine::CTableScan scan;
  scan.table = "SDB";
  scan.columns = {"SDB_STATE", "ID"};
  std::vector<std::pair<int64_t, int64_t>> rows;
  engine::ScanTable(database, scan, [&](const engine::CScanRow& row) {
    rows.emplace_back(row.IsNull(0) ? INT64_MIN : row.Integer(0), row.Integer(1));
  });
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<int64_t> ids;
  ids.reserve(rows.size());
  for (const auto& row : rows) ids.push_back(row.second);
  return ids;
}

// Models linked to a keyword that matches.
std::vector<int64_t> ModelsWithKeyword(ZLLegacyRecord& record, const CCompQueryObject& query) {
  const std::vector<int64_t> keywordIDs =
      IDsWhere(*record.database, "KEYWORDS", "KEYWID", "KEYW", [&](const char* text, size_t n) {
        return TextMatches(CString(text, static_cast<int>(n)), query.m_strKeyword,
                           query.m_dwCriteria);
      });
  std::vector<int64_t> models;
  CZLRecordset& links = record.Recordset(LT_KEYWORDSID);
  CIndexSwitch byKeyword(links, "KEYWID_INDEX");
  for (int64_t keywordID : keywordIDs) {
    COleVariant key(static_cast<int32_t>(keywordID));
    if (!links.Seek("=", &key)) continue;
    do {
      const COleVariant model = links.GetFieldValue("ID");
      if (model.vt == VT_I4 &&
          std::find(models.begin(), models.end(), model.lVal) == models.end()) {
        models.push_back(model.lVal);
      }
    } while (links.SeekNext("KEYWID", &key));
  }
  return models;
}

int CountRows(ZLLegacyRecord& record, EListKind kind, long id) {
  CObList rows;
  ReadList(record, kind, id, rows);
  const int count = rows.GetCount();
  FreeObjectList(rows);
  return count;
}

// Whether the current SDB row (model id) meets every criterion set.
bool Meets(ZLLegacyRecord& record, long id, const CCompQueryObject& query, bool withExtras) {
  CZLRecordset& sdb = record.Recordset(LT_SDB);
  const DWORD c = query.m_dwCriteria;
  if ((c & LZLQ_NAME) != 0) {
    const bool folder = std::strcmp(FieldText(sdb, "TYPE"), "Folder") == 0;
    if (!TextMatches(FieldText(sdb, folder ? "TITLE" : "NAME"), query.m_strName, c)) return false;
  }
  if ((c & LZLQ_TYPE) != 0 && std::strcmp(FieldText(sdb, "TYPE"), query.m_strType) != 0) {
    return false;
  }
  if ((c & LZLQ_TITLE) != 0 && !TextMatches(FieldText(sdb, "TITLE"), query.m_strTitle, c)) {
    return false;
  }
  if ((c & LZLQ_LEVEL) != 0) {
    const COleVariant level = sdb.GetFieldValue("LEVEL");
    if (level.vt != VT_I2 || level.iVal != query.m_nLevel) return false;
  }
  if ((c & (LZLQ_FIRST_DATE | LZLQ_LAST_DATE)) != 0) {
    const COleVariant date = sdb.GetFieldValue("DATE");
    if (date.vt != VT_DATE) return false;
    if ((c & LZLQ_FIRST_DATE) != 0 && date.date < query.m_dtFirst.m_dt) return false;
    if ((c & LZLQ_LAST_DATE) != 0 && date.date > query.m_dtLast.m_dt) return false;
  }
  if ((c & LZLQ_FOLDER) != 0 && std::strcmp(FieldText(sdb, "FLDR"), query.m_strFolder) != 0) {
    return false;
  }
  if (withExtras) {
    const auto& extras = static_cast<const CCompQueryObject2&>(query);
    if ((c & LZLQ_UDTNAME) != 0 &&
        std::strcmp(FieldText(sdb, "UDTNAME"), extras.m_strUDTName) != 0) {
      return false;
    }
    if ((c & LZLQ_WIZTYPE) != 0) {
      const COleVariant wizType = sdb.GetFieldValue("WIZTYPE");
      if (wizType.vt != VT_UI1 || wizType.bVal != extras.m_nWizType) return false;
    }
  }
  const DWORD counts = LZLQ_CONNECTS | LZLQ_PARAMS | LZLQ_CONNECTS_AND_PARAMS;
  if ((c & counts) != 0) {
    const int connects = CountRows(record, kConnects, id);
    const int params = CountRows(record, kParams, id);
    if ((c & LZLQ_CONNECTS) != 0 && connects != query.m_nConnects) return false;
    if ((c & LZLQ_PARAMS) != 0 && params != query.m_nParams) return false;
    if ((c & LZLQ_CONNECTS_AND_PARAMS) != 0 && connects + params != query.m_nConnectsAndParams) {
      return false;
    }
  }
  if ((c & LZLQ_PATH) != 0) {
    CString path;
    if (ModelPath(record, CLegacyRowRef::ID(id), path) != LZLE_OK) return false;
    if (std::strcmp(path, query.m_strPath) != 0) return false;
  }
  return true;
}

}  // namespace

int FolderTitle(ZLLegacyRecord& record, const char* key, CString& title) {
  const std::vector<int64_t> ids =
      IDsWhere(*record.database, "SDB", "ID", "FLDR", [&](const char* text, size_t n) {
        return std::strlen(key) == n && std::memcmp(text, key, n) == 0;
      });
  CZLRecordset& sdb = record.Recordset(LT_SDB);
  bool found = false;
  for (int64_t id : ids) {
    COleVariant idKey(static_cast<int32_t>(id));
    if (!sdb.Seek("=", &idKey)) continue;
    const bool folder = std::strcmp(FieldText(sdb, "TYPE"), "Folder") == 0;
    if (!found || folder) title = FieldText(sdb, "TITLE");
    found = true;
    if (folder) break;
  }
  return found ? LZLE_OK : LZLE_NO_RECORD;
}

int RunCompQuery(ZLLegacyRecord& record, CCompQueryObject& query, bool withExtras) {
  FreeObjectList(query.m_listResults);
  query.m_arrayIDs.RemoveAll();
  const std::vector<int64_t> candidates = (query.m_dwCriteria & LZLQ_KEYWORD) != 0
                                              ? ModelsWithKeyword(record, query)
                                              : AllModels(*record.database);
  CZLRecordset& sdb = record.Recordset(LT_SDB);
  const bool returnIDs = (query.m_dwCriteria & LZLQ_RETURN_IDS) != 0;
  const bool keepBookmarks = !returnIDs || (query.m_dwCriteria & LZLQ_KEEP_BOOKMARKS) != 0;
  for (int64_t id : candidates) {
    COleVariant key(static_cast<int32_t>(id));
    if (!sdb.Seek("=", &key) || !Meets(record, static_cast<long>(id), query, withExtras)) continue;
    if (returnIDs) query.m_arrayIDs.Add(static_cast<DWORD>(id));
    if (keepBookmarks) {
      sdb.Seek("=", &key);  // the path test may have moved the recordset
      auto* hit = new CBookmarkObject;
      query.m_listResults.AddTail(hit);
      hit->m_varBookmark = sdb.GetBookmark();
    }
  }
  return LZLE_OK;
}

}  // namespace zl::legacy

CCompQueryObject::CCompQueryObject()
    : m_dwCriteria(0), m_nLevel(0), m_nConnects(0), m_nParams(0), m_nConnectsAndParams(0) {}

CCompQueryObject::~CCompQueryObject() { FreeObjectList(m_listResults); }

void CCompQueryObject::SetName(const char* lpszName) {
  m_strName = lpszName;
  m_dwCriteria |= LZLQ_NAME;
}
void CCompQueryObject::SetType(const char* lpszType) {
  m_strType = lpszType;
  m_dwCriteria |= LZLQ_TYPE;
}
void CCompQueryObject::SetTitle(const char* lpszTitle) {
  m_strTitle = lpszTitle;
  m_dwCriteria |= LZLQ_TITLE;
}
void CCompQueryObject::SetKeyword(const char* lpszKeyword) {
  m_strKeyword = lpszKeyword;
  m_dwCriteria |= LZLQ_KEYWORD;
}
void CCompQueryObject::SetFolder(const char* lpszFolder) {
  m_strFolder = lpszFolder;
  m_dwCriteria |= LZLQ_FOLDER;
}
void CCompQueryObject::SetPath(const char* lpszPath) {
  m_strPath = lpszPath;
  m_dwCriteria |= LZLQ_PATH;
}
void CCompQueryObject::SetLevel(int nLevel) {
  m_nLevel = nLevel;
  m_dwCriteria |= LZLQ_LEVEL;
}
void CCompQueryObject::SetNumberOfConnects(int nCount) {
  m_nConnects = nCount;
  m_dwCriteria |= LZLQ_CONNECTS;
}
void CCompQueryObject::SetNumberOfParams(int nCount) {
  m_nParams = nCount;
  m_dwCriteria |= LZLQ_PARAMS;
}
void CCompQueryObject::SetNumberOfConnectsAndParams(int nCount) {
  m_nConnectsAndParams = nCount;
  m_dwCriteria |= LZLQ_CONNECTS_AND_PARAMS;
}
void CCompQueryObject::SetFirstDate(const COleDateTime& date) {
  m_dtFirst = date;
  m_dwCriteria |= LZLQ_FIRST_DATE;
}
void CCompQueryObject::SetLastDate(const COleDateTime& date) {
  m_dtLast = date;
  m_dwCriteria |= LZLQ_LAST_DATE;
}
void CCompQueryObject::SetUseWildcardsFlag(int bOn) {
  m_dwCriteria = bOn != 0 ? (m_dwCriteria | LZLQ_WILDCARDS) : (m_dwCriteria & ~LZLQ_WILDCARDS);
}
void CCompQueryObject::SetIgnoreCaseFlag(int bOn) {
  m_dwCriteria = bOn != 0 ? (m_dwCriteria | LZLQ_IGNORE_CASE) : (m_dwCriteria & ~LZLQ_IGNORE_CASE);
}
void CCompQueryObject::SetResultType(DWORD dwType) { m_dwCriteria |= dwType; }
void CCompQueryObject::Reset() {
  FreeObjectList(m_listResults);
  m_arrayIDs.RemoveAll();
  m_dwCriteria = 0;
}

CCompQueryObject2::CCompQueryObject2() : m_nWizType(0) {}
void CCompQueryObject2::SetUDTName(const char* lpszName) {
  m_strUDTName = lpszName;
  m_dwCriteria |= LZLQ_UDTNAME;
}
void CCompQueryObject2::SetWizType(BYTE nWizType) {
  m_nWizType = nWizType;
  m_dwCriteria |= LZLQ_WIZTYPE;
}

int CompQuery(void* hDB, CCompQueryObject* pQuery) {
  return zl::legacy::RunLegacyRead(hDB, [&](zl::legacy::ZLLegacyRecord& record) {
    if (pQuery == nullptr) return static_cast<int>(LZLE_ENGINE);
    return zl::legacy::RunCompQuery(record, *pQuery, false);
  });
}

int CompQuery2(void* hDB, CCompQueryObject2* pQuery) {
  return zl::legacy::RunLegacyRead(hDB, [&](zl::legacy::ZLLegacyRecord& record) {
    if (pQuery == nullptr) return static_cast<int>(LZLE_ENGINE);
    return zl::legacy::RunCompQuery(record, *pQuery, true);
  });
}
