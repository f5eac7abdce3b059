#include "engine/bookkeeping.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>
#include <random>

#include "engine/dao_errors.h"
#include "engine/dao_types.h"
#include "engine/declared_types.h"
#include "engine/sqlite_seam.h"

namespace zl::engine {

namespace {

const char kFormatKey[] = "format";
const char kFormatValue[] = "zldbctrl70-engine-1";

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Salted, iterated FNV-1a: the file is plain SQLite and readable anyway, so
// the password is an access check, not a secret keeper; the hash only keeps
// the text itself out of the file.
std::string HashPassword(const std::string& salt, const std::string& password) {
  uint64_t h = 1469598103934665603ull;
  std::string input = salt + '\x1f' + password;
  for (int round = 0; round < 1000; ++round) {
    for (unsigned char c : input) {
      h ^= c;
      h *= 1099511628211ull;
    }
    h ^= static_cast<uint64_t>(round);
  }
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (int i = 60; i >= 0; i -= 4) out += kHex[(h >> i) & 15];
  return out;
}

std::string NewSalt() {
  std::random_device rd;
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 16; ++i) out += kHex[rd() & 15];
  return out;
}

void PutMeta(CSqlConnection& conn, const std::string& key, const CSqlValue& value) {
  CSqlQuery q(conn, "INSERT OR REPLACE INTO zl_engine_meta(key, value) VALUES(?, ?)");
  q.BindText(1, key).Bind(2, value).Run();
}

CSqlValue GetMeta(CSqlConnection& conn, const std::string& key) {
  CSqlQuery q(conn, "SELECT value FROM zl_engine_meta WHERE key = ?");
  q.BindText(1, key);
  return q.Step() ? q.Column(0) : CSqlValue::Null();
}

void InsertFieldRow(CSqlConnection& conn, int64_t tableId, const CFieldDef& f) {
  CSqlQuery q(conn,
              "INSERT INTO zl_engine_fields(table_id, name, type, size, attributes, "
              "allow_zero_length, required) VALUES(?, ?, ?, ?, ?, ?, ?)");
  q.BindInt(1, tableId).BindText(2, f.name).BindInt(3, f.type).BindInt(4, f.size);
  q.BindInt(5, f.attributes).BindInt(6, f.allowZeroLength ? 1 : 0).BindInt(7, f.required ? 1 : 0);
  q.Run();
}

void InsertIndexRows(CSqlConnection& conn, const CTableSchema& table, const CIndexDef& index) {
  for (size_t i = 0; i < index.fields.size(); ++i) {
    CSqlQuery q(conn,
                "INSERT INTO zl_engine_indexes(table_id, name, sql_name, position, field, "
                "is_unique, is_primary, is_required) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    q.BindInt(1, table.id).BindText(2, index.name).BindText(3, index.sqlName);
    q.BindInt(4, static_cast<int64_t>(i)).BindText(5, table.fields[index.fields[i]].name);
    q.BindInt(6, index.unique ? 1 : 0).BindInt(7, index.primary ? 1 : 0);
    q.BindInt(8, index.required ? 1 : 0);
    q.Run();
  }
}

// How columns without bookkeeping are read: adopted (their declared type
// must name an engine type) or, when a damaged file is salvaged, guessed
// from their affinity.
enum class Undescribed { kAdopt, kGuess };

CFieldDef AdoptField(const std::string& table, const std::string& name, const std::string& declared,
                     bool rowNumber, Undescribed mode) {
  if (mode == Undescribed::kGuess) return FieldByAffinity(name, declared);
  CFieldDef f;
  f.name = name;
  if (rowNumber) {
    // The row number of a table written by another tool is its counter.
    f.type = dbLong;
    f.size = 4;
    f.attributes = dbAutoIncrField;
  } else if (!FieldFromDeclaredType(declared, f)) {
    ThrowDaoError(kDaoInvalidFieldType,
                  (table + "." + name + " declared '" + declared + "'").c_str());
  }
  f.recorded = false;
  return f;
}

// A server cuts identifiers longer than this to their first 63 bytes
// without a word, so two long names could meet in one table or index:
// there such names are refused.  A file keeps them whole.
constexpr size_t kServerIdentifierBytes = 63;

// Refuses name (3125) when the identifier it is stored under does not fit
// the connection's server.
void RequireStorable(CSqlConnection& conn, const std::string& identifier, const std::string& name) {
  if (conn.Server() != nullptr && identifier.size() > kServerIdentifierBytes) {
    ThrowDaoError(kDaoInvalidName, name.c_str());
  }
}

void RequireStorableIndexes(CSqlConnection& conn, const std::string& table,
                            const std::vector<CIndexDef>& indexes) {
  for (const CIndexDef& index : indexes) {
    RequireStorable(conn, SqlIndexName(table, index.name), index.name);
  }
}

// The engine name of an SQLite index of table: "T.I" is I, any other name
// stands for itself; "" when it cannot be an engine name.
std::string EngineIndexName(const std::string& table, const std::string& sqlName) {
  std::string name = sqlName;
  if (sqlName.size() > table.size() + 1 && sqlName[table.size()] == '.' &&
      NamesEqual(sqlName.substr(0, table.size()), table)) {
    name = sqlName.substr(table.size() + 1);
  }
  return IsValidName(name) ? name : std::string();
}

// The SQLite indexes of a table made by CREATE INDEX on columns, in
// creation order (for AdoptIndexes), bound to the table's name.
const char kIndexListSql[] =
    "SELECT m.name, l.\"unique\" FROM sqlite_master AS m JOIN pragma_index_list(?1) "
    "AS l ON l.name = m.name WHERE m.type = 'index' AND l.origin = 'c' AND "
    "l.partial = 0 ORDER BY m.rowid";

// Adds the SQLite indexes of the table that the bookkeeping does not
// describe: those made by CREATE INDEX on plain columns, in creation order.
// list is a query of kIndexListSql.
void AdoptIndexes(CSqlConnection& conn, CTableSchema& table, CSqlQuery& list) {
  struct Found {
    std::string sqlName;
    bool unique;
  };
  std::vector<Found> found;
  while (list.Step()) found.push_back({list.ColumnText(0), list.ColumnInt(1) != 0});
  for (const Found& f : found) {
    bool known = false;
    for (const CIndexDef& index : table.indexes)
      known = known || NamesEqual(index.sqlName, f.sqlName);
    std::string name = EngineIndexName(table.name, f.sqlName);
    if (known || name.empty() || table.FindIndex(name) >= 0) continue;
    CIndexDef index;
    index.name = name;
    index.sqlName = f.sqlName;
    index.unique = f.unique;
    index.recorded = false;
    CSqlQuery q(conn, "SELECT name FROM pragma_index_info(?) ORDER BY seqno");
    q.BindText(1, f.sqlName);
    bool plain = true;
    while (q.Step()) {
      int field = q.ColumnIsNull(0) ? -1 : table.FindField(q.ColumnText(0));
      if (field < 0) plain = false;
      index.fields.push_back(field);
    }
    if (plain && !index.fields.empty() && index.fields.size() <= 10) table.indexes.push_back(index);
  }
}

// A table's layout from its bookkeeping (useBookkeeping: the table with id,
// or with id 0 the one recorded under name, nullptr when none is) and the
// SQLite schema.  Every statement goes out at once (one request on a
// server); those after the first are only stepped once it found the table.
std::shared_ptr<CTableSchema> LoadBody(CSqlConnection& conn, int64_t id, const std::string& name,
                                       bool useBookkeeping, Undescribed mode) {
  const bool byName = useBookkeeping && id == 0;
  const std::string key =
      byName ? "(SELECT table_id FROM zl_engine_tables WHERE name = ?1)" : std::string("?1");
  const auto bindKey = [&](CSqlQuery& q) {
    if (byName) {
      q.BindText(1, name);
    } else {
      q.BindInt(1, id);
    }
  };
  std::optional<CSqlQuery> recorded, fields, indexes, indexList;
  std::vector<CSqlQuery*> all;
  if (byName) {
    recorded.emplace(conn, "SELECT table_id, name FROM zl_engine_tables WHERE name = ?");
    recorded->BindText(1, name);
    all.push_back(&*recorded);
  }
  if (useBookkeeping) {
    fields.emplace(conn,
                   "SELECT name, type, size, attributes, allow_zero_length, required "
                   "FROM zl_engine_fields WHERE table_id = " +
                       key);
    bindKey(*fields);
    all.push_back(&*fields);
  }
  // The SQLite schema finds a table by any case of its name, as the
  // bookkeeping does.
  CSqlQuery columnList(conn, "SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid");
  columnList.BindText(1, name);
  all.push_back(&columnList);
  if (useBookkeeping) {
    indexes.emplace(conn,
                    "SELECT name, sql_name, field, is_unique, is_primary, is_required "
                    "FROM zl_engine_indexes WHERE table_id = " +
                        key + " ORDER BY rowid");
    bindKey(*indexes);
    all.push_back(&*indexes);
  }
  if (mode == Undescribed::kAdopt) {
    indexList.emplace(conn, kIndexListSql);
    indexList->BindText(1, name);
    all.push_back(&*indexList);
  }
  CSqlQuery::RunTogether(all);

  auto table = std::make_shared<CTableSchema>();
  table->id = id;
  table->name = name;
  if (byName) {
    if (!recorded->Step()) return nullptr;
    table->id = recorded->ColumnInt(0);
    table->name = recorded->ColumnText(1);
  }
  std::vector<CFieldDef> described;
  if (useBookkeeping) {
    CSqlQuery& q = *fields;
    while (q.Step()) {
      CFieldDef f;
      f.name = q.ColumnText(0);
      f.type = static_cast<short>(q.ColumnInt(1));
      f.size = static_cast<long>(q.ColumnInt(2));
      f.attributes = static_cast<long>(q.ColumnInt(3));
      f.allowZeroLength = q.ColumnInt(4) != 0;
      f.required = q.ColumnInt(5) != 0;
      described.push_back(f);
    }
  }
  struct Column {
    std::string name;
    std::string declared;
    bool primaryKey;
  };
  std::vector<Column> columns;
  while (columnList.Step()) {
    columns.push_back(
        {columnList.ColumnText(0), columnList.ColumnText(1), columnList.ColumnInt(2) > 0});
  }
  if (columns.empty()) return nullptr;  // the SQLite table is gone
  int primaryKeys = 0;
  int primaryInteger = -1;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!columns[i].primaryKey) continue;
    ++primaryKeys;
    if (NamesEqual(columns[i].declared, "INTEGER")) primaryInteger = static_cast<int>(i);
  }
  if (primaryKeys == 1) table->rowidAlias = primaryInteger;
  for (size_t i = 0; i < columns.size(); ++i) {
    const CFieldDef* known = nullptr;
    for (const CFieldDef& f : described) {
      if (NamesEqual(f.name, columns[i].name)) known = &f;
    }
    const bool rowNumber = static_cast<int>(i) == table->rowidAlias;
    table->fields.push_back(known != nullptr ? *known
                                             : AdoptField(table->name, columns[i].name,
                                                          columns[i].declared, rowNumber, mode));
    table->fields.back().name = columns[i].name;
    if (table->fields.back().IsCounter() && table->counter < 0) {
      table->counter = static_cast<int>(i);
    }
  }
  if (useBookkeeping) {
    CSqlQuery& q = *indexes;
    while (q.Step()) {
      std::string indexName = q.ColumnText(0);
      int pos = table->FindIndex(indexName);
      if (pos < 0) {
        CIndexDef index;
        index.name = indexName;
        index.sqlName = q.ColumnText(1);
        index.unique = q.ColumnInt(3) != 0;
        index.primary = q.ColumnInt(4) != 0;
        index.required = q.ColumnInt(5) != 0;
        table->indexes.push_back(index);
        pos = static_cast<int>(table->indexes.size()) - 1;
      }
      int field = table->FindField(q.ColumnText(2));
      if (field >= 0) table->indexes[pos].fields.push_back(field);
    }
  }
  if (mode == Undescribed::kAdopt) AdoptIndexes(conn, *table, *indexList);
  return table;
}

}  // namespace

// ---- names and layouts ----

bool CFieldDef::IsCounter() const { return (attributes & dbAutoIncrField) != 0; }

bool CFieldDef::IsLarge() const { return type == dbMemo || type == dbLongBinary; }

bool CFieldDef::IsText() const { return type == dbText || type == dbMemo; }

int CTableSchema::FindField(const std::string& fieldName) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (NamesEqual(fields[i].name, fieldName)) return static_cast<int>(i);
  }
  return -1;
}

int CTableSchema::FindIndex(const std::string& indexName) const {
  for (size_t i = 0; i < indexes.size(); ++i) {
    if (NamesEqual(indexes[i].name, indexName)) return static_cast<int>(i);
  }
  return -1;
}

bool CTableSchema::UsesField(int field) const {
  for (const CIndexDef& index : indexes) {
    for (int f : index.fields) {
      if (f == field) return true;
    }
  }
  return false;
}

bool CTableSchema::NeedsRecording() const {
  if (!recorded) return true;
  for (const CFieldDef& f : fields) {
    if (!f.recorded) return true;
  }
  for (const CIndexDef& index : indexes) {
    if (!index.recorded) return true;
  }
  return false;
}

bool CTableSchema::IsRowidIndex(const CIndexDef& index) const {
  return rowidAlias >= 0 && index.fields.size() == 1 && index.fields[0] == rowidAlias;
}

bool NamesEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

bool HasReservedPrefix(const std::string& name) {
  std::string prefix = kReservedPrefix;
  return name.size() >= prefix.size() && NamesEqual(name.substr(0, prefix.size()), prefix);
}

bool IsValidName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name[0] == ' ') return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') {
      return false;
    }
  }
  return true;
}

std::string ColumnDecl(const CFieldDef& field, bool rowidAlias) {
  if (rowidAlias) return QuoteName(field.name) + " INTEGER PRIMARY KEY";
  std::string decl = QuoteName(field.name) + " " + DeclaredType(field);
  if (field.IsText()) decl += " COLLATE NOCASE";
  return decl;
}

std::string TableDdl(const std::string& schemaName, const CTableSchema& table) {
  std::string sql = "CREATE TABLE " + QuoteName(schemaName) + "." + QuoteName(table.name) + " (";
  for (size_t i = 0; i < table.fields.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += ColumnDecl(table.fields[i], static_cast<int>(i) == table.rowidAlias);
  }
  return sql + ")";
}

std::string IndexDdl(const std::string& schemaName, const CTableSchema& table,
                     const CIndexDef& index) {
  std::string sql = index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
  sql += QuoteName(schemaName) + "." + QuoteName(index.sqlName) + " ON " + QuoteName(table.name) +
         " (";
  for (size_t i = 0; i < index.fields.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += QuoteName(table.fields[index.fields[i]].name);
  }
  return sql + ")";
}

void CreateSqlIndex(CSqlConnection& conn, const std::string& schemaName, const CTableSchema& table,
                    const CIndexDef& index) {
  // An index on the row number alone is the table's own order: an SQLite
  // copy of it would only cost every insert a second b-tree and the file its
  // pages.  The bookkeeping still describes it.  An index without
  // bookkeeping (a copied table another tool wrote) is described by its
  // SQLite index alone and keeps it.
  if (index.recorded && table.IsRowidIndex(index)) return;
  std::string ddl = IndexDdl(schemaName, table, index);
  if (!ddl.empty()) conn.Exec(ddl);
}

std::string SqlIndexName(const std::string& table, const std::string& index) {
  return table + "." + index;
}

double CurrentDateValue() {
  using namespace std::chrono;
  auto now = system_clock::now();
  auto micros = duration_cast<microseconds>(now.time_since_epoch()).count();
  std::time_t secs = static_cast<std::time_t>(micros / 1000000);
  long long fraction = micros % 1000000;
  if (fraction < 0) {
    fraction += 1000000;
    --secs;
  }
  std::tm local{};
  localtime_r(&secs, &local);
  // Days from civil date (proleptic Gregorian), relative to 30 Dec 1899.
  auto daysFromCivil = [](long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe);
  };
  long long days = daysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                 static_cast<unsigned>(local.tm_mday)) -
                   daysFromCivil(1899, 12, 30);
  double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                   static_cast<double>(fraction) / 1e6;
  return static_cast<double>(days) + seconds / 86400.0;
}

// ---- bookkeeping ----

void CBookkeeping::CreateFresh(CSqlConnection& conn, const std::string& password, double now) {
  conn.Exec(
      "CREATE TABLE zl_engine_meta (key TEXT PRIMARY KEY, value);"
      "CREATE TABLE zl_engine_tables (table_id INTEGER PRIMARY KEY AUTOINCREMENT, "
      "name TEXT NOT NULL UNIQUE COLLATE NOCASE, date_created REAL, date_last_updated REAL, "
      "next_rowid INTEGER NOT NULL DEFAULT 1, next_counter INTEGER NOT NULL DEFAULT 1);"
      "CREATE TABLE zl_engine_fields (table_id INTEGER NOT NULL, name TEXT NOT NULL COLLATE "
      "NOCASE, type INTEGER, size INTEGER, attributes INTEGER, allow_zero_length INTEGER, "
      "required INTEGER, PRIMARY KEY (table_id, name));"
      "CREATE TABLE zl_engine_indexes (table_id INTEGER NOT NULL, name TEXT NOT NULL COLLATE "
      "NOCASE, sql_name TEXT NOT NULL, position INTEGER NOT NULL, field TEXT NOT NULL, "
      "is_unique INTEGER, is_primary INTEGER, is_required INTEGER, "
      "UNIQUE (table_id, name, position));");
  PutMeta(conn, kFormatKey, CSqlValue::Text(kFormatValue));
  PutMeta(conn, "date_created", CSqlValue::Real(now));
  SetPassword(conn, password);
}

bool CBookkeeping::IsEngineFile(CSqlConnection& conn) {
  {
    CSqlQuery q(conn,
                "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                "('zl_engine_meta', 'zl_engine_tables', 'zl_engine_fields', "
                "'zl_engine_indexes')");
    if (!q.Step() || q.ColumnInt(0) != 4) return false;
  }
  CSqlValue format = GetMeta(conn, kFormatKey);
  return format.GetKind() == CSqlValue::kText && format.AsBytes() == kFormatValue;
}

bool CBookkeeping::CheckPassword(CSqlConnection& conn, const std::string& password) {
  CSqlValue hash = GetMeta(conn, "password_hash");
  if (hash.IsNull()) return true;
  CSqlValue salt = GetMeta(conn, "password_salt");
  return HashPassword(salt.AsBytes(), password) == hash.AsBytes();
}

void CBookkeeping::SetPassword(CSqlConnection& conn, const std::string& password) {
  if (password.empty()) {
    CSqlQuery q(conn, "DELETE FROM zl_engine_meta WHERE key IN ('password_hash', 'password_salt')");
    q.Run();
    return;
  }
  std::string salt = NewSalt();
  PutMeta(conn, "password_salt", CSqlValue::Text(salt));
  PutMeta(conn, "password_hash", CSqlValue::Text(HashPassword(salt, password)));
}

std::vector<std::pair<int64_t, std::string>> CBookkeeping::ListTables(CSqlConnection& conn) {
  std::vector<std::pair<int64_t, std::string>> result;
  CSqlQuery q(conn, "SELECT table_id, name FROM zl_engine_tables ORDER BY table_id");
  while (q.Step()) result.emplace_back(q.ColumnInt(0), q.ColumnText(1));
  return result;
}

std::shared_ptr<CTableSchema> CBookkeeping::LoadTable(CSqlConnection& conn,
                                                      const std::string& name) {
  return LoadBody(conn, 0, name, true, Undescribed::kAdopt);
}

std::shared_ptr<CTableSchema> CBookkeeping::LoadTableById(CSqlConnection& conn, int64_t id,
                                                          bool salvage) {
  std::string stored;
  {
    CSqlQuery q(conn, "SELECT name FROM zl_engine_tables WHERE table_id = ?");
    q.BindInt(1, id);
    if (!q.Step()) return nullptr;
    stored = q.ColumnText(0);
  }
  return LoadBody(conn, id, stored, true, salvage ? Undescribed::kGuess : Undescribed::kAdopt);
}

std::shared_ptr<CTableSchema> CBookkeeping::InferTable(CSqlConnection& conn,
                                                       const std::string& name) {
  return LoadBody(conn, 0, name, false, Undescribed::kGuess);
}

std::shared_ptr<CTableSchema> CBookkeeping::AdoptTable(CSqlConnection& conn,
                                                       const std::string& name) {
  std::string stored;
  {
    CSqlQuery q(conn,
                "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE "
                "AND name NOT LIKE 'sqlite^_%' ESCAPE '^'");
    q.BindText(1, name);
    if (!q.Step()) return nullptr;
    stored = q.ColumnText(0);
  }
  if (HasReservedPrefix(stored) || !IsValidName(stored)) return nullptr;
  std::shared_ptr<CTableSchema> table = LoadBody(conn, 0, stored, false, Undescribed::kAdopt);
  if (table != nullptr) table->recorded = false;
  return table;
}

void CBookkeeping::Record(CSqlConnection& conn, CTableSchema& table, int64_t preferredId,
                          double now) {
  if (!table.recorded) {
    bool free = false;
    if (preferredId > 0) {
      CSqlQuery q(conn, "SELECT 1 FROM zl_engine_tables WHERE table_id = ?");
      q.BindInt(1, preferredId);
      free = !q.Step();
    }
    now = std::floor(now * 86400.0 + 1e-6) / 86400.0;
    std::string t = QuoteName(table.name);
    // Row numbers and counters go on past the largest present.
    std::string nextCounter = table.counter >= 0 ? "(SELECT ifnull(max(" +
                                                       QuoteName(table.fields[table.counter].name) +
                                                       "), 0) + 1 FROM " + t + ")"
                                                 : std::string("1");
    CSqlQuery q(conn,
                "INSERT INTO zl_engine_tables(table_id, name, date_created, date_last_updated, "
                "next_rowid, next_counter) VALUES(?, ?, ?, ?, (SELECT ifnull(max(rowid), 0) + 1 "
                "FROM " +
                    t + "), " + nextCounter + ")");
    if (free) {
      q.BindInt(1, preferredId);
    } else {
      q.BindNull(1);
    }
    q.BindText(2, table.name).BindReal(3, now).BindReal(4, now).Run();
    table.id = free ? preferredId : conn.LastInsertRowId();
    table.recorded = true;
  }
  for (CFieldDef& f : table.fields) {
    if (f.recorded) continue;
    InsertFieldRow(conn, table.id, f);
    f.recorded = true;
  }
  for (CIndexDef& index : table.indexes) {
    if (index.recorded) continue;
    InsertIndexRows(conn, table, index);
    index.recorded = true;
  }
}

std::vector<std::string> CBookkeeping::ListUnrecorded(CSqlConnection& conn) {
  std::vector<std::string> names;
  CSqlQuery q(conn,
              "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite^_%' "
              "ESCAPE '^' AND name COLLATE NOCASE NOT IN (SELECT name FROM zl_engine_tables) "
              "ORDER BY rowid");
  while (q.Step()) {
    std::string name = q.ColumnText(0);
    if (!HasReservedPrefix(name) && IsValidName(name)) names.push_back(name);
  }
  return names;
}

std::vector<std::string> CBookkeeping::ListSqlTables(CSqlConnection& conn) {
  std::vector<std::string> names;
  CSqlQuery q(conn,
              "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite^_%' "
              "ESCAPE '^' ORDER BY rowid");
  while (q.Step()) {
    std::string name = q.ColumnText(0);
    if (!HasReservedPrefix(name)) names.push_back(name);
  }
  return names;
}

bool CBookkeeping::TableExists(CSqlConnection& conn, const std::string& name) {
  CSqlQuery q(conn,
              "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND "
              "name = ? COLLATE NOCASE");
  q.BindText(1, name);
  return q.Step();
}

void CBookkeeping::CreateTable(CSqlConnection& conn, CTableSchema& table, double now) {
  RequireStorable(conn, table.name, table.name);
  for (const CFieldDef& f : table.fields) RequireStorable(conn, f.name, f.name);
  RequireStorableIndexes(conn, table.name, table.indexes);
  // A table's creation date is kept to the second, as dates handed to
  // callers usually are; the last-updated date moves on in finer steps.
  now = std::floor(now * 86400.0 + 1e-6) / 86400.0;
  {
    CSqlQuery q(conn,
                "INSERT INTO zl_engine_tables(name, date_created, date_last_updated) "
                "VALUES(?, ?, ?)");
    q.BindText(1, table.name).BindReal(2, now).BindReal(3, now).Run();
  }
  table.id = conn.LastInsertRowId();
  // The counter a table is created with becomes its row number: seeks on
  // it are row look-ups, and insertion order is counter order.
  table.rowidAlias = table.counter;
  conn.Exec(TableDdl("main", table));
  for (const CFieldDef& f : table.fields) InsertFieldRow(conn, table.id, f);
  for (CIndexDef& index : table.indexes) {
    index.sqlName = SqlIndexName(table.name, index.name);
    CreateSqlIndex(conn, "main", table, index);
    InsertIndexRows(conn, table, index);
  }
}

void CBookkeeping::AddField(CSqlConnection& conn, CTableSchema& table, const CFieldDef& field) {
  RequireStorable(conn, field.name, field.name);
  conn.Exec("ALTER TABLE " + QuoteName(table.name) + " ADD COLUMN " + ColumnDecl(field));
  InsertFieldRow(conn, table.id, field);
  table.fields.push_back(field);
  if (field.IsCounter()) {
    table.counter = static_cast<int>(table.fields.size()) - 1;
    // Rows that exist get 1, 2, ... in insertion order.
    std::string t = QuoteName(table.name);
    conn.Exec("UPDATE " + t + " SET " + QuoteName(field.name) +
              " = r.n FROM (SELECT rowid AS id, row_number() OVER (ORDER BY rowid) AS n FROM " + t +
              ") AS r WHERE " + t + ".rowid = r.id");
    CSqlQuery q(conn,
                "UPDATE zl_engine_tables SET next_counter = max(next_counter, (SELECT "
                "count(*) FROM " +
                    t + ") + 1) WHERE table_id = ?");
    q.BindInt(1, table.id).Run();
  }
}

void CBookkeeping::DropField(CSqlConnection& conn, CTableSchema& table, int field) {
  std::string name = table.fields[field].name;
  conn.Exec("ALTER TABLE " + QuoteName(table.name) + " DROP COLUMN " + QuoteName(name));
  {
    CSqlQuery q(conn, "DELETE FROM zl_engine_fields WHERE table_id = ? AND name = ?");
    q.BindInt(1, table.id).BindText(2, name).Run();
  }
  table.fields.erase(table.fields.begin() + field);
  if (table.rowidAlias > field) --table.rowidAlias;
  table.counter = -1;
  for (size_t i = 0; i < table.fields.size(); ++i) {
    if (table.fields[i].IsCounter() && table.counter < 0) table.counter = static_cast<int>(i);
  }
  for (CIndexDef& index : table.indexes) {
    for (int& f : index.fields) {
      if (f > field) --f;
    }
  }
}

void CBookkeeping::AddIndex(CSqlConnection& conn, CTableSchema& table, CIndexDef index) {
  RequireStorableIndexes(conn, table.name, {index});
  index.sqlName = SqlIndexName(table.name, index.name);
  CreateSqlIndex(conn, "main", table, index);
  InsertIndexRows(conn, table, index);
  table.indexes.push_back(index);
}

void CBookkeeping::DropIndex(CSqlConnection& conn, CTableSchema& table, int index) {
  // Files of an earlier format have no SQLite index on the row number.
  conn.Exec("DROP INDEX IF EXISTS " + QuoteName(table.indexes[index].sqlName));
  CSqlQuery q(conn, "DELETE FROM zl_engine_indexes WHERE table_id = ? AND name = ?");
  q.BindInt(1, table.id).BindText(2, table.indexes[index].name).Run();
  table.indexes.erase(table.indexes.begin() + index);
}

void CBookkeeping::DropTable(CSqlConnection& conn, const CTableSchema& table) {
  conn.Exec("DROP TABLE " + QuoteName(table.name));
  for (const char* sql : {"DELETE FROM zl_engine_fields WHERE table_id = ?",
                          "DELETE FROM zl_engine_indexes WHERE table_id = ?",
                          "DELETE FROM zl_engine_tables WHERE table_id = ?"}) {
    CSqlQuery q(conn, sql);
    q.BindInt(1, table.id).Run();
  }
}

void CBookkeeping::RenameTable(CSqlConnection& conn, CTableSchema& table,
                               const std::string& newName) {
  RequireStorable(conn, newName, newName);
  RequireStorableIndexes(conn, newName, table.indexes);
  for (const CIndexDef& index : table.indexes) {
    conn.Exec("DROP INDEX IF EXISTS " + QuoteName(index.sqlName));
  }
  conn.Exec("ALTER TABLE " + QuoteName(table.name) + " RENAME TO " + QuoteName(newName));
  table.name = newName;
  {
    CSqlQuery q(conn, "UPDATE zl_engine_tables SET name = ? WHERE table_id = ?");
    q.BindText(1, newName).BindInt(2, table.id).Run();
  }
  for (CIndexDef& index : table.indexes) {
    index.sqlName = SqlIndexName(table.name, index.name);
    CreateSqlIndex(conn, "main", table, index);
    CSqlQuery q(conn, "UPDATE zl_engine_indexes SET sql_name = ? WHERE table_id = ? AND name = ?");
    q.BindText(1, index.sqlName).BindInt(2, table.id).BindText(3, index.name).Run();
  }
}

void CBookkeeping::LoadSequences(CSqlConnection& conn, int64_t tableId,
                                 const std::string& tableName, int64_t& nextRowId,
                                 int64_t& nextCounter) {
  // One read (one round trip on a server) for the three.
  CSqlQuery q(conn,
              "SELECT (SELECT next_rowid FROM zl_engine_tables WHERE table_id = ?1), "
              "(SELECT next_counter FROM zl_engine_tables WHERE table_id = ?1), "
              "(SELECT max(rowid) FROM " +
                  QuoteName(tableName) + ")");
  q.BindInt(1, tableId);
  nextRowId = 1;
  nextCounter = 1;
  if (!q.Step()) return;
  if (!q.ColumnIsNull(0)) nextRowId = q.ColumnInt(0);
  if (!q.ColumnIsNull(1)) nextCounter = q.ColumnInt(1);
  if (!q.ColumnIsNull(2)) nextRowId = std::max(nextRowId, q.ColumnInt(2) + 1);
}

void CBookkeeping::StoreSequences(CSqlConnection& conn, int64_t tableId, int64_t nextRowId,
                                  int64_t nextCounter) {
  CSqlQuery q(conn,
              "UPDATE zl_engine_tables SET next_rowid = ?, next_counter = ? WHERE table_id = ?");
  q.BindInt(1, nextRowId).BindInt(2, nextCounter).BindInt(3, tableId).Run();
}

void CBookkeeping::Touch(CSqlConnection& conn, int64_t tableId, double now) {
  double last = 0;
  {
    CSqlQuery q(conn, "SELECT date_last_updated FROM zl_engine_tables WHERE table_id = ?");
    q.BindInt(1, tableId);
    if (!q.Step()) return;
    last = q.ColumnReal(0);
  }
  double stamp = now > last ? now : std::nextafter(last, HUGE_VAL);
  CSqlQuery q(conn, "UPDATE zl_engine_tables SET date_last_updated = ? WHERE table_id = ?");
  q.BindReal(1, stamp).BindInt(2, tableId).Run();
}

void CBookkeeping::Flush(CSqlConnection& conn, int64_t tableId, int64_t nextRowId,
                         int64_t nextCounter, bool touch, double now) {
  // 1e-10 days (under 9 microseconds) is far above the resolution of a date
  // value in this era, so the date strictly increases even when the clock
  // has not moved since the last commit.
  CSqlQuery q(conn,
              "UPDATE zl_engine_tables SET next_rowid = max(next_rowid, ?1), "
              "next_counter = max(next_counter, ?2), date_last_updated = CASE WHEN ?3 = 0 "
              "THEN date_last_updated WHEN ?4 > date_last_updated THEN ?4 ELSE "
              "date_last_updated + 1e-10 END WHERE table_id = ?5");
  q.BindInt(1, nextRowId).BindInt(2, nextCounter).BindInt(3, touch ? 1 : 0).BindReal(4, now);
  // Nothing reads its result: on a server it goes with the commit.
  q.BindInt(5, tableId).RunWithNextRequest();
}

void CBookkeeping::GetDates(CSqlConnection& conn, int64_t tableId, double& created,
                            double& lastUpdated) {
  CSqlQuery q(conn,
              "SELECT date_created, date_last_updated FROM zl_engine_tables WHERE table_id = ?");
  q.BindInt(1, tableId);
  created = 0;
  lastUpdated = 0;
  if (q.Step()) {
    created = q.ColumnReal(0);
    lastUpdated = q.ColumnReal(1);
  }
}

}  // namespace zl::engine
