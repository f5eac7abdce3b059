#include "maintenance/tree_rows.h"

#include <algorithm>
#include <cstdint>

#include "engine/table_scan.h"

namespace zl {
namespace {

int32_t LinkValue(const engine::CScanRow& row, size_t column) {
  const int64_t value = row.Integer(column);
  return value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : 0;
}

}  // namespace

std::vector<ZLTreeRow> ReadTreeRows(ZLHandleRecord& record) {
  engine::CTableScan scan;
  scan.table = "MAIN";
  scan.columns = {"MODEL_ID", "TYPE", "PARENT", "FIRSTCHILD", "PREV", "NEXT"};
  std::vector<ZLTreeRow> rows;
  engine::ScanTable(*record.database, scan, [&](const engine::CScanRow& row) {
    rows.push_back({LinkValue(row, 0), LinkValue(row, 1), LinkValue(row, 2), LinkValue(row, 3),
                    LinkValue(row, 4), LinkValue(row, 5)});
  });
  std::sort(rows.begin(), rows.end(),
            [](const ZLTreeRow& a, const ZLTreeRow& b) { return a.m_lID < b.m_lID; });
  return rows;
}

}  // namespace zl
