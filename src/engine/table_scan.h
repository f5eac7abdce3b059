// Reading chosen integer columns of the rows of one table in a single pass
// of the storage, for searches that must look at a whole table: no
// recordset, no cursor position, no engine object per row.  Two optional
// filters narrow the rows:
//   - an integer column equal to a value (an index on it is used when one
//     exists);
//   - a text column whose value a caller's predicate accepts.  The predicate
//     runs inside the storage's scan and never sees NULL (such rows are left
//     out).  A prefix, compared without regard to ASCII case, lets the scan
//     skip rows through an index on the column; only its leading ASCII bytes
//     are used, so it may let through rows the predicate then refuses, never
//     the reverse.
// The scan sees what the database's current transaction sees (uncommitted
// writes of this process included).  Errors are thrown as the engine's
// exceptions: 3011 for an unknown table, 3265 for an unknown column, a
// frame failure for a closed database; an exception of the predicate ends
// the scan with an engine error (memory exhaustion as CMemoryException).
#ifndef ZLDBCTRL70_ENGINE_TABLE_SCAN_H_
#define ZLDBCTRL70_ENGINE_TABLE_SCAN_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDaoDatabase;

namespace zl::engine {

struct CTableScan {
  std::string table;
  std::vector<std::string> columns;  // read as 64-bit integers
  // Integer filter: rows whose keyColumn equals keyValue ("" for none).
  std::string keyColumn;
  int64_t keyValue = 0;
  // Text filter ("" for none): rows whose textColumn begins with prefix
  // (ASCII case ignored) and which accept takes.
  std::string textColumn;
  std::string prefix;
  std::function<bool(const char* text, size_t length)> accept;
};

// One row of a scan: the requested columns in order.
class CScanRow {
 public:
  bool IsNull(size_t column) const { return m_null[column]; }
  // 0 for NULL; text and real values are converted as the storage does.
  int64_t Integer(size_t column) const { return m_values[column]; }

 private:
  friend void ScanTable(CDaoDatabase&, const CTableScan&,
                        const std::function<void(const CScanRow&)>&);
  std::vector<int64_t> m_values;
  std::vector<bool> m_null;
};

// Calls row() for every row of the table that passes the filters, in the
// table's storage order.  Exceptions of row() propagate.
void ScanTable(CDaoDatabase& database, const CTableScan& scan,
               const std::function<void(const CScanRow&)>& row);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_TABLE_SCAN_H_
