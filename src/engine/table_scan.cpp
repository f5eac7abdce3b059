#include "engine/table_scan.h"

#include "engine/bookkeeping.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/engine_guard.h"
#include "engine/session.h"

namespace zl::engine {
namespace {

// The quoted column of the table's layout named name (3265 when none).
std::string Column(const CTableSchema& table, const std::string& name) {
  const int field = table.FindField(name);
  if (field < 0) ThrowDaoError(kDaoItemNotFound, name.c_str());
  return QuoteName(table.fields[field].name);
}

// The ASCII bytes the prefix starts with, folded as the text columns'
// collation folds them (A-Z to a-z).
std::string FoldedAsciiPrefix(const std::string& prefix) {
  std::string folded;
  for (char c : prefix) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') break;
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  // The upper bound is the prefix with its last byte raised; a last byte
  // that cannot be raised within ASCII gives up the range.
  while (!folded.empty() && folded.back() == '\x7f') folded.pop_back();
  return folded;
}

}  // namespace

void ScanTable(CDaoDatabase& database, const CTableScan& scan,
               const std::function<void(const CScanRow&)>& row) {
  CSession* session = database.GetSession();
  if (session == nullptr) ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  Guarded(FailureContext::kRead, [&] {
    auto table = HasReservedPrefix(scan.table) ? nullptr : session->File().FindTable(scan.table);
    if (table == nullptr) ThrowDaoError(kDaoObjectNotFound, scan.table.c_str());
    std::string sql = "SELECT ";
    for (size_t i = 0; i < scan.columns.size(); ++i) {
      sql += (i == 0 ? "" : ", ") + Column(*table, scan.columns[i]);
    }
    if (scan.columns.empty()) sql += "1";
    sql += " FROM " + QuoteName(table->name) + " WHERE 1";
    int parameter = 0;
    const bool byKey = !scan.keyColumn.empty();
    if (byKey)
      sql += " AND " + Column(*table, scan.keyColumn) + " = ?" + std::to_string(++parameter);
    const bool byText = !scan.textColumn.empty();
    const std::string prefix = byText ? FoldedAsciiPrefix(scan.prefix) : std::string();
    std::string upper = prefix;
    if (!upper.empty()) upper.back() = static_cast<char>(upper.back() + 1);
    if (byText) {
      // The text columns compare without regard to ASCII case (their
      // declared collation), so the range holds every row that begins with
      // the prefix in any case, and an index on the column serves it.
      const std::string text = Column(*table, scan.textColumn);
      if (!prefix.empty()) {
        sql += " AND " + text + " >= ?" + std::to_string(parameter + 1) + " AND " + text + " < ?" +
               std::to_string(parameter + 2);
        parameter += 2;
      }
      sql += " AND zl_accept(" + text + ", ?" + std::to_string(++parameter) + ")";
    }
    CTextPredicate accept = [&](const char* text, size_t length) {
      return scan.accept ? scan.accept(text, length) : true;
    };
    CSqlQuery query(session->File().Conn(), sql);
    int bound = 0;
    if (byKey) query.BindInt(++bound, scan.keyValue);
    if (byText) {
      if (!prefix.empty()) {
        query.BindText(++bound, prefix);
        query.BindText(++bound, upper);
      }
      query.BindTextPredicate(++bound, &accept);
    }
    CScanRow values;
    values.m_values.resize(scan.columns.size());
    values.m_null.resize(scan.columns.size());
    while (query.Step()) {
      for (size_t i = 0; i < scan.columns.size(); ++i) {
        const bool isNull = query.ColumnIsNull(static_cast<int>(i));
        values.m_null[i] = isNull;
        values.m_values[i] = isNull ? 0 : query.ColumnInt(static_cast<int>(i));
      }
      row(values);
    }
  });
}

}  // namespace zl::engine
