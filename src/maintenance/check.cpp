// ZLCheckDatabase: the storage engine's integrity check, then the library's
// own checks of the tree, the content tables and the table registries.
// Nothing is changed; whole tables are only scanned, never held: memory
// grows with the number of records (their IDs and links), not with the
// content.
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/table_scan.h"
#include "frame/database_name.h"
#include "frame/guard.h"
#include "frame/open_database.h"
#include "maintenance/tree_check.h"
#include "maintenance/tree_rows.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/platform/runtime_io.h"
#include "zldbctrl70/repair.h"

namespace zl {
namespace {

// Destroys a handle on every way out.
class CCheckedHandle {
 public:
  explicit CCheckedHandle(HANDLE handle) : m_handle(handle) {}
  ~CCheckedHandle() { DestroyHandle(m_handle); }
  CCheckedHandle(const CCheckedHandle&) = delete;
  CCheckedHandle& operator=(const CCheckedHandle&) = delete;
  HANDLE Get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

const char* TreeKind(ZLTreeFault::EKind kind) {
  return kind == ZLTreeFault::kUnreached || kind == ZLTreeFault::kReachedTwice ? "tree" : "links";
}

// Runs one stage of the check; an engine failure while reading (damage the
// storage check has reported, mostly) becomes a storage fault and the check
// goes on with the next stage.
template <class Stage>
void RunStage(const char* what, CZLCheckReport& report, Stage&& stage) {
  try {
    stage();
  } catch (const CDaoException& e) {
    const std::string text =
        std::string("reading ") + what + " failed: " + e.GetErrorMessage().GetString();
    report.Fault("storage", 0, text.c_str());
  }
}

void CheckStorage(CDaoDatabase& database, CZLCheckReport& report) {
  report.Progress("storage", 0, 1);
  RunStage("the file", report, [&] {
    for (const std::string& problem : database.CheckIntegrity()) {
      report.Fault("storage", 0, problem.c_str());
    }
  });
  report.Progress("storage", 1, 1);
}

// The names of the file's tables, upper-cased.
std::vector<std::string> TableNames(CDaoDatabase& database) {
  std::vector<std::string> names;
  const short count = database.GetTableDefCount();
  for (short i = 0; i < count; ++i) {
    CDaoTableDefInfo info;
    database.GetTableDefInfo(i, info);
    names.push_back(Upper(info.m_strName.GetString()));
  }
  return names;
}

// Rows of tables with a MODEL_ID column whose record does not exist, one
// fault per table and missing record.
void CheckContent(ZLHandleRecord& record, const std::vector<std::string>& tables,
                  const CTreeRowIndex& records, CZLCheckReport& report) {
  for (size_t t = 0; t < tables.size(); ++t) {
    report.Progress("content", static_cast<long>(t), static_cast<long>(tables.size()));
    if (tables[t] == "MAIN") continue;
    engine::CTableScan scan;
    scan.table = tables[t];
    scan.columns = {"MODEL_ID"};
    std::map<int32_t, long> missing;  // record ID -> rows
    try {
      engine::ScanTable(*record.database, scan, [&](const engine::CScanRow& row) {
        if (row.IsNull(0)) return;
        const int64_t id = row.Integer(0);
        if (id < INT32_MIN || id > INT32_MAX ||
            records.Find(static_cast<int32_t>(id)) == CTreeRowIndex::kNone) {
          ++missing[static_cast<int32_t>(id)];
        }
      });
    } catch (const CDaoException& e) {
      if (e.m_scode == DaoScode(kDaoItemNotFound)) continue;  // no MODEL_ID column
      throw;
    }
    for (const auto& [id, rows] : missing) {
      const std::string text = tables[t] + " has " + std::to_string(rows) +
                               (rows == 1 ? " row" : " rows") + " of record " + std::to_string(id) +
                               ", which does not exist";
      report.Fault("content", id, text.c_str());
    }
  }
  report.Progress("content", static_cast<long>(tables.size()), static_cast<long>(tables.size()));
}

// Whether name is formed as a resource-language table name: a kind's
// prefix, eight hexadecimal digits and perhaps "_" and a number.
bool IsResourceTableName(const std::string& name) {
  for (int kind = 0; kind < kResourceTableKinds; ++kind) {
    const std::string format = ResourceTableLayout(kind).nameFormat;
    const std::string prefix = Upper(format.substr(0, format.find('%')));
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < prefix.size() + 8) continue;
    size_t i = prefix.size();
    bool hex = true;
    for (size_t k = 0; k < 8; ++k)
      hex = hex && std::isxdigit(static_cast<unsigned char>(name[i + k]));
    i += 8;
    if (!hex) continue;
    if (i == name.size()) return true;
    if (name[i] != '_' || i + 1 == name.size()) continue;
    bool digits = true;
    for (++i; i < name.size(); ++i)
      digits = digits && std::isdigit(static_cast<unsigned char>(name[i]));
    if (digits) return true;
  }
  return false;
}

// Registry rows must name tables that exist, and every resource-language
// table must be registered.  (Simulator-language names cannot be told
// from user-defined tables, so only their registry rows are checked.)
void CheckRegistries(ZLHandleRecord& record, const std::vector<std::string>& tables,
                     CZLCheckReport& report) {
  report.Progress("registries", 0, 2);
  const std::set<std::string> existing(tables.begin(), tables.end());
  std::set<std::string> registered;
  int step = 0;
  for (ZLFixedTable registry : {ZLT_RESINFO, ZLT_SIMTABINFO}) {
    const char* registryName = FixedTableLayout(registry).name;
    CZLRecordset* rows = record.recordsets[registry];
    if (rows != nullptr && rows->GetRecordCount() > 0) {
      for (rows->MoveFirst(); !rows->IsEOF(); rows->MoveNext()) {
        const COleVariant name = rows->GetFieldValue("TABNAME");
        if (name.vt != VT_BSTR && name.vt != VT_BSTR + 0) continue;
        const std::string table = Upper(name.GetStringValue());
        registered.insert(table);
        if (existing.count(table) == 0) {
          const std::string text = std::string(registryName) + " names table " +
                                   name.GetStringValue() + ", which does not exist";
          report.Fault("registry", 0, text.c_str());
        }
      }
    }
    report.Progress("registries", ++step, 2);
  }
  for (const std::string& table : tables) {
    if (IsResourceTableName(table) && registered.count(table) == 0) {
      const std::string text = "table " + table + " is a language table no registry names";
      report.Fault("registry", 0, text.c_str());
    }
  }
}

int CheckDatabaseFile(const char* path, CZLCheckReport& report) {
  ZLDatabaseName name;
  if (path == nullptr || !ResolveDatabaseName(path, name) ||
      (!name.m_bServer && _access(name.m_szName, 0) != 0)) {
    return ZLE_FILE_NOT_FOUND;
  }
  const char* fullPath = name.m_szName;
  ZLHandleOutcome opened = ZLHandleOutcome::Fail(ZLE_OPEN_FAILED);
  try {
    opened = OpenDatabase(fullPath, eOpenReadOnly, nullptr);
  } catch (const CDaoException&) {
    // Damage met while opening: reported below.
  }
  if (opened.handle == nullptr) {
    // A server library that cannot be opened is not damage to report.
    if (name.m_bServer || opened.code == ZLE_IN_USE_OR_EXISTS || opened.code == ZLE_OUT_OF_MEMORY) {
      return opened.code;
    }
    const std::string text = std::string("the file does not open as a model library: ") +
                             ZLGetErrorText(opened.code) + " (" + std::to_string(opened.code) + ")";
    report.Fault("storage", 0, text.c_str());
    // What the storage itself says about the file, when it opens at all.
    try {
      CDaoDatabase database;
      database.Open(fullPath, FALSE, TRUE, kDatabaseConnect);
      CheckStorage(database, report);
    } catch (const CDaoException&) {
    }
    return ZLE_OK;
  }
  CCheckedHandle handle(opened.handle);
  CHandleLock lock(handle.Get());
  if (!lock.IsValid()) return ZLE_OPEN_FAILED;
  ZLHandleRecord& record = lock.Record();
  // One committed state of the file for every check.
  COperationScope view(record, EAccess::kRead);
  if (view.BeginCode() != ZLE_OK) return view.BeginCode();
  CheckStorage(*record.database, report);
  report.Progress("tree", 0, 1);
  std::vector<ZLTreeRow> rows;
  RunStage("the tree", report, [&] {
    rows = ReadTreeRows(record);
    CheckTreeLinks(rows, [&](const ZLTreeFault& fault) {
      report.Fault(TreeKind(fault.m_eKind), fault.m_lID, fault.m_strText.c_str());
    });
  });
  report.Progress("tree", 1, 1);
  std::vector<std::string> tables;
  RunStage("the list of tables", report, [&] { tables = TableNames(*record.database); });
  const CTreeRowIndex records(rows);
  RunStage("the content tables", report, [&] { CheckContent(record, tables, records, report); });
  RunStage("the registries", report, [&] { CheckRegistries(record, tables, report); });
  // The view ends with the scope: nothing was written, and a damaged file
  // may refuse to end it cleanly.
  return ZLE_OK;
}

}  // namespace
}  // namespace zl

int ZLCheckDatabase(const char* path, CZLCheckReport& report) {
  return zl::RunUnguarded([&] {
    return zl::ZLOutcome::FromCode(zl::CatchEngineErrors(
        [&] { return zl::CheckDatabaseFile(path, report); }, ZLE_OPEN_FAILED));
  });
}
