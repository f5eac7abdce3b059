// The engine's bookkeeping inside a database file, and the table layouts it
// describes.
//
// Every bookkeeping table's name begins with kReservedPrefix ("zl_engine_");
// no table created through the engine may use that prefix:
//   zl_engine_meta     key/value: file format, password check, date created
//   zl_engine_tables   one row per table: id (never reused), name, date
//                      created, date last updated, next row number, next
//                      counter value
//   zl_engine_fields   one row per field: engine type, size, attributes,
//                      zero-length and required rules
//   zl_engine_indexes  one row per index field: index name, SQLite index
//                      name, position, field, unique/primary/required
// A table's SQLite index for the engine index I of table T is named "T.I"
// (the dot cannot occur in engine names); every engine index has one except
// an index on the table's row number alone (the counter the table was
// created with), which the table's own order serves.  Files written earlier
// may still hold an SQLite index for that one; it is used and kept in step
// like any other (compaction drops it).
// Columns are declared with the engine type and size (declared_types.h);
// text and memo columns COLLATE NOCASE, so indexes on them ignore ASCII
// case.
//
// Tables, columns and indexes that another tool wrote with plain SQL have
// no bookkeeping: they are adopted from SQLite's schema (types from the
// declared types, the counter from an INTEGER PRIMARY KEY or a COUNTER_INT
// column, indexes from SQLite's index list) and Record fills their
// bookkeeping in.  Where bookkeeping exists, it wins over the declared
// types.
#ifndef ZLDBCTRL70_ENGINE_BOOKKEEPING_H_
#define ZLDBCTRL70_ENGINE_BOOKKEEPING_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zl::engine {

class CSqlConnection;

constexpr const char* kReservedPrefix = "zl_engine_";

struct CFieldDef {
  std::string name;
  short type = 0;
  long size = 0;
  long attributes = 0;
  bool allowZeroLength = false;
  bool required = false;
  bool recorded = true;  // false: adopted, not in the bookkeeping yet

  bool IsCounter() const;
  // Memo and long binary values are read only when asked for.
  bool IsLarge() const;
  bool IsText() const;
};

struct CIndexDef {
  std::string name;
  std::string sqlName;
  std::vector<int> fields;  // positions in CTableSchema::fields
  bool unique = false;
  bool primary = false;
  bool required = false;
  bool recorded = true;  // false: adopted, not in the bookkeeping yet
};

struct CTableSchema {
  int64_t id = 0;
  std::string name;
  std::vector<CFieldDef> fields;   // column order
  std::vector<CIndexDef> indexes;  // creation order
  int counter = -1;                // position of the counter field, or -1
  // Position of the field that is SQLite's row number (the counter a table
  // was created with, declared INTEGER PRIMARY KEY), or -1.  Its counter
  // values are the row numbers, and an index on it alone needs no SQLite
  // index: the table is ordered by it.
  int rowidAlias = -1;
  // False for a table adopted from SQLite's schema alone; its id is then
  // 0 until Record gives it one.
  bool recorded = true;

  // Whether the table, a field or an index lacks bookkeeping.
  bool NeedsRecording() const;
  int FindField(const std::string& fieldName) const;
  int FindIndex(const std::string& indexName) const;
  bool UsesField(int field) const;  // some index includes it
  bool IsRowidIndex(const CIndexDef& index) const;
};

// ASCII case-insensitive equality, as engine names compare.
bool NamesEqual(const std::string& a, const std::string& b);
// Whether a table, field or index name can be used: 1 to 64 bytes, no
// leading space, none of . ! ` [ ] and no control characters.
bool IsValidName(const std::string& name);
bool HasReservedPrefix(const std::string& name);
// "name" TYPE [COLLATE NOCASE] (or "name" INTEGER PRIMARY KEY)
std::string ColumnDecl(const CFieldDef& field, bool rowidAlias = false);
// CREATE TABLE statement for a table in the given schema ("main", ...).
std::string TableDdl(const std::string& schemaName, const CTableSchema& table);
// CREATE [UNIQUE] INDEX statement.
std::string IndexDdl(const std::string& schemaName, const CTableSchema& table,
                     const CIndexDef& index);
// Creates the SQLite index of an engine index (nothing for an index on the
// row number alone).
void CreateSqlIndex(CSqlConnection& conn, const std::string& schemaName, const CTableSchema& table,
                    const CIndexDef& index);
// The SQLite index name of an engine index.
std::string SqlIndexName(const std::string& table, const std::string& index);

class CBookkeeping {
 public:
  // Creates the bookkeeping tables in a new, empty file.
  static void CreateFresh(CSqlConnection& conn, const std::string& password, double now);
  // True when the file holds this engine's bookkeeping.
  static bool IsEngineFile(CSqlConnection& conn);
  // True when password opens the file (any password for a file without one).
  static bool CheckPassword(CSqlConnection& conn, const std::string& password);
  static void SetPassword(CSqlConnection& conn, const std::string& password);

  // (id, name) of every table in creation order.
  static std::vector<std::pair<int64_t, std::string>> ListTables(CSqlConnection& conn);
  // The layout of a table that has bookkeeping, or null when there is
  // none.  Columns and SQLite indexes the bookkeeping does not describe are
  // adopted.  Throws kDaoInvalidFieldType, naming table and column, for an
  // adopted column whose declared type names no engine type.
  static std::shared_ptr<CTableSchema> LoadTable(CSqlConnection& conn, const std::string& name);
  // salvage reads undescribed columns by their affinity instead of
  // refusing unknown declared types (for repairing a damaged file).
  static std::shared_ptr<CTableSchema> LoadTableById(CSqlConnection& conn, int64_t id,
                                                     bool salvage = false);
  static bool TableExists(CSqlConnection& conn, const std::string& name);
  // The layout of an SQLite table without bookkeeping, adopted from
  // SQLite's schema (recorded false, id 0); null when there is no such
  // table or its name is reserved.  Throws as LoadTable does.
  static std::shared_ptr<CTableSchema> AdoptTable(CSqlConnection& conn, const std::string& name);
  // Writes the missing bookkeeping of a table: its table row (with the id
  // preferredId when that is positive and free), then the rows of its
  // unrecorded fields and indexes.  The next row number and counter start
  // past the largest present.  The caller runs it inside a transaction.
  static void Record(CSqlConnection& conn, CTableSchema& table, int64_t preferredId, double now);
  // Names of the SQLite tables that have no bookkeeping.
  static std::vector<std::string> ListUnrecorded(CSqlConnection& conn);
  // The layout of an SQLite table read from the table alone (types from the
  // declared column types, unknown ones by their affinity; no indexes), for
  // salvaging tables whose description is lost; null when there is no such
  // table.
  static std::shared_ptr<CTableSchema> InferTable(CSqlConnection& conn, const std::string& name);
  // Names of the SQLite tables of the file other than the bookkeeping's.
  static std::vector<std::string> ListSqlTables(CSqlConnection& conn);

  // Layout changes; each keeps the SQLite table and the bookkeeping in step.
  // The caller runs them inside a transaction.  On a server a table or
  // field name, or an index's stored name "TABLE.INDEX", longer than 63
  // bytes is refused with 3125 before anything changes.
  static void CreateTable(CSqlConnection& conn, CTableSchema& table, double now);
  static void AddField(CSqlConnection& conn, CTableSchema& table, const CFieldDef& field);
  static void DropField(CSqlConnection& conn, CTableSchema& table, int field);
  static void AddIndex(CSqlConnection& conn, CTableSchema& table, CIndexDef index);
  static void DropIndex(CSqlConnection& conn, CTableSchema& table, int index);
  static void DropTable(CSqlConnection& conn, const CTableSchema& table);
  static void RenameTable(CSqlConnection& conn, CTableSchema& table, const std::string& newName);

  // Row numbers and counters: the stored next values; the next row number
  // is also past every row number the table holds (rows added by other
  // tools carry numbers the bookkeeping does not know).
  static void LoadSequences(CSqlConnection& conn, int64_t tableId, const std::string& tableName,
                            int64_t& nextRowId, int64_t& nextCounter);
  static void StoreSequences(CSqlConnection& conn, int64_t tableId, int64_t nextRowId,
                             int64_t nextCounter);
  // Moves the table's last-updated date to now, or just past its stored
  // value when now is not later.
  static void Touch(CSqlConnection& conn, int64_t tableId, double now);
  // Raises the stored next values to at least the given ones and, when
  // touch is set, moves the last-updated date as Touch does.  One statement.
  static void Flush(CSqlConnection& conn, int64_t tableId, int64_t nextRowId, int64_t nextCounter,
                    bool touch, double now);
  static void GetDates(CSqlConnection& conn, int64_t tableId, double& created, double& lastUpdated);
};

// The current local time as a date value (days since 30 Dec 1899), to the
// microsecond.
double CurrentDateValue();

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_BOOKKEEPING_H_
