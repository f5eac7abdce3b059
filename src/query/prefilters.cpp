#include "query/prefilters.h"

#include <algorithm>

#include "engine/table_scan.h"
#include "resources/language_texts.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"

namespace zl {
namespace {

using engine::CScanRow;
using engine::CTableScan;
using engine::ScanTable;

std::string FixedName(ZLFixedTable table) { return FixedTableLayout(table).name; }

// A scan of one text column that the criterion filters.
CTableScan TextScan(std::string table, std::vector<std::string> columns, const char* textColumn,
                    const CTextCriterion& criterion) {
  CTableScan scan;
  scan.table = std::move(table);
  scan.columns = std::move(columns);
  scan.textColumn = textColumn;
  scan.prefix = criterion.Prefix();
  scan.accept = [&criterion](const char* text, size_t length) {
    return criterion.Matches(std::string_view(text, length));
  };
  return scan;
}

// Calls visit(language, rs) for the table of kind of the language, or of every
// language when it is 0.
template <class Visit>
void ForLanguageTables(ZLHandleRecord& record, int kind, WORD language, Visit&& visit) {
  if (language != 0) {
    CZLRecordset* rs = FindResourceTable(record, kind, language);
    if (rs != nullptr) visit(language, *rs);
    return;
  }
  ForEachResourceTable(record, kind, [&](WORD tableLanguage, CZLRecordset& rs) {
    visit(tableLanguage, rs);
    return ZLE_OK;
  });
}

// Keyword links hit through more keywords than this are found by one scan
// of the link table rather than one index look-up per keyword.
constexpr size_t kKeywordSeeks = 32;

}  // namespace

void CollectCandidates(ZLHandleRecord& record, std::vector<ZLQueryCandidate>& candidates) {
  std::vector<ZLQueryCandidate> records;
  CTableScan main;
  main.table = FixedName(ZLT_MAIN);
  main.columns = {"MODEL_ID", "TITLE"};
  ScanTable(*record.database, main, [&](const CScanRow& row) {
    records.push_back({static_cast<long>(row.Integer(0)), 0, row.Integer(1)});
  });
  std::vector<ZLQueryCandidate> sets;
  if (record.Recordset(ZLT_PARAMSET) != nullptr) {
    CTableScan paramSets;
    paramSets.table = FixedName(ZLT_PARAMSET);
    paramSets.columns = {"MODEL_ID", "PARAM_ID", "TITLE"};
    ScanTable(*record.database, paramSets, [&](const CScanRow& row) {
      if (row.IsNull(0) || row.Integer(1) == 0) return;
      sets.push_back(
          {static_cast<long>(row.Integer(0)), static_cast<long>(row.Integer(1)), row.Integer(2)});
    });
  }
  auto descending = [](const ZLQueryCandidate& a, const ZLQueryCandidate& b) {
    return a.recordID != b.recordID ? a.recordID > b.recordID : a.paramSetID > b.paramSetID;
  };
  std::sort(records.begin(), records.end(), descending);
  std::sort(sets.begin(), sets.end(), descending);
  candidates.clear();
  candidates.reserve(records.size() + sets.size());
  auto set = sets.begin();
  for (const ZLQueryCandidate& r : records) {
    // Sets of records that do not exist are never reached.
    while (set != sets.end() && set->recordID > r.recordID) ++set;
    candidates.push_back(r);
    for (; set != sets.end() && set->recordID == r.recordID; ++set) candidates.push_back(*set);
  }
}

std::unordered_set<int64_t> RecordsByName(ZLHandleRecord& record, const CTextCriterion& criterion) {
  std::unordered_set<int64_t> ids;
  ScanTable(*record.database, TextScan(FixedName(ZLT_MAIN), {"MODEL_ID"}, "DEFNAME", criterion),
            [&](const CScanRow& row) { ids.insert(row.Integer(0)); });
  return ids;
}

std::unordered_set<int64_t> TextsMatching(ZLHandleRecord& record, const CTextCriterion& criterion,
                                          WORD language) {
  std::unordered_set<int64_t> ids;
  ForLanguageTables(record, ZLR_STRINGTAB, language, [&](WORD, CZLRecordset& rs) {
    ScanTable(*record.database, TextScan(rs.GetName().str(), {"RES_ID"}, "TEXT", criterion),
              [&](const CScanRow& row) {
                if (!row.IsNull(0)) ids.insert(row.Integer(0));
              });
  });
  return ids;
}

std::unordered_set<uint64_t> KeywordOwners(ZLHandleRecord& record, const CTextCriterion& criterion,
                                           WORD language) {
  std::unordered_set<uint64_t> owners;
  ForLanguageTables(record, ZLR_KEYWORD, language, [&](WORD wordsLanguage, CZLRecordset& words) {
    std::unordered_set<int64_t> keywordIDs;
    ScanTable(*record.database,
              TextScan(words.GetName().str(), {"KEYWORD_ID"}, "KEYWORD", criterion),
              [&](const CScanRow& row) { keywordIDs.insert(row.Integer(0)); });
    if (keywordIDs.empty()) return;
    CZLRecordset* links = FindResourceTable(record, ZLR_KEYWORDID, wordsLanguage);
    if (links == nullptr) return;
    auto enter = [&](const CScanRow& row) {
      owners.insert(OwnerKey(static_cast<long>(row.Integer(0)), static_cast<long>(row.Integer(1))));
    };
    CTableScan scan;
    scan.table = links->GetName().str();
    scan.columns = {"MODEL_ID", "PARAM_ID", "KEYWORD_ID"};
    if (keywordIDs.size() <= kKeywordSeeks) {
      scan.keyColumn = "KEYWORD_ID";
      for (int64_t id : keywordIDs) {
        scan.keyValue = id;
        ScanTable(*record.database, scan, enter);
      }
    } else {
      ScanTable(*record.database, scan, [&](const CScanRow& row) {
        if (keywordIDs.count(row.Integer(2)) != 0) enter(row);
      });
    }
  });
  return owners;
}

}  // namespace zl
