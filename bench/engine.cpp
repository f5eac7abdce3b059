// The storage engine against plain SQLite doing the same logical work with
// prepared statements, in the same run, on files with the same settings (WAL,
// synchronous=NORMAL).
//
//   bench_engine [rows]        rows defaults to 100000
//
// Measured on a table of `rows` rows with a counter, a Long, a Text(20) and
// a Double field and two indexes (the counter; the text):
//   - rows added inside one transaction, and with one commit per row (on a
//     second table of at most 2000 rows, because every commit writes the log);
//   - Seek "=" on the counter with random keys, reading three fields;
//   - MoveNext over the whole table in the order of the text index, reading
//     one field per row;
//   - Edit/Update of one field of rows found by random keys, in one
//     transaction.
// Each line prints both rates and the ratio of the engine's time to plain
// SQLite's (1.00 = as fast; 2.00 = takes twice as long).  The peak and
// current resident memory before and after the walk show whether walking a
// table costs memory in proportion to its size.
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_recordset.h"
#include "engine/dao_tabledef.h"
#include "engine/dao_types.h"
#include "engine/dao_workspace.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A value of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when unknown.
long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = strlen(key);
  while (std::getline(in, line)) {
    if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
      return atol(line.c_str() + n + 1);
  }
  return -1;
}

std::string NameOf(uint32_t r) {
  char buf[24];
  snprintf(buf, sizeof buf, "Name%07u", r);
  return buf;
}

// The same pseudo-random rows for both sides.
struct Source {
  explicit Source(long rows) {
    std::mt19937 rng(12345);
    names.reserve(rows);
    for (long i = 0; i < rows; ++i) names.push_back(NameOf(rng() % static_cast<uint32_t>(rows)));
  }
  std::vector<std::string> names;
};

std::vector<int32_t> RandomIds(long count, long rows, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<int32_t> ids;
  ids.reserve(count);
  for (long i = 0; i < count; ++i) ids.push_back(static_cast<int32_t>(1 + rng() % rows));
  return ids;
}

void Report(const char* what, const char* unit, long count, double engineSeconds,
            double sqliteSeconds) {
  printf("%-34s %12.0f %12.0f %8.2f   %s\n", what, count / engineSeconds, count / sqliteSeconds,
         engineSeconds / sqliteSeconds, unit);
}

// ---------------------------------------------------------------------------
// Plain SQLite.

class CSqlite {
 public:
  explicit CSqlite(const std::string& path) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) Fail("open");
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
  }
  ~CSqlite() { sqlite3_close_v2(m_db); }
  CSqlite(const CSqlite&) = delete;
  CSqlite& operator=(const CSqlite&) = delete;

  void Exec(const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
      fprintf(stderr, "sqlite: %s: %s\n", sql, err ? err : "?");
      sqlite3_free(err);
      exit(1);
    }
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK) Fail(sql);
    return stmt;
  }
  void Step(sqlite3_stmt* stmt, int expected) {
    if (sqlite3_step(stmt) != expected) Fail("step");
  }
  [[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "sqlite: %s: %s\n", what, sqlite3_errmsg(m_db));
    exit(1);
  }

 private:
  sqlite3* m_db = nullptr;
};

// RAII for a prepared statement.
class CStmt {
 public:
  CStmt(CSqlite& db, const char* sql) : m_stmt(db.Prepare(sql)) {}
  ~CStmt() { sqlite3_finalize(m_stmt); }
  CStmt(const CStmt&) = delete;
  CStmt& operator=(const CStmt&) = delete;
  sqlite3_stmt* get() const { return m_stmt; }

 private:
  sqlite3_stmt* m_stmt;
};

const char* const kCreateSql =
    "CREATE TABLE %s (\"ID\" INTEGER PRIMARY KEY, \"KEY\" INTEGER, \"NAME\" TEXT, \"VAL\" REAL);"
    "CREATE INDEX \"%s_NAME\" ON %s (\"NAME\" COLLATE NOCASE)";

void SqliteCreate(CSqlite& db, const char* table) {
  char sql[512];
  snprintf(sql, sizeof sql, kCreateSql, table, table, table);
  db.Exec(sql);
}

void SqliteInsert(CSqlite& db, const char* table, const Source& src, long rows, bool oneTx) {
  char sql[256];
  snprintf(sql, sizeof sql, "INSERT INTO %s (\"KEY\", \"NAME\", \"VAL\") VALUES (?, ?, ?)", table);
  CStmt insert(db, sql);
  if (oneTx) db.Exec("BEGIN IMMEDIATE");
  for (long i = 0; i < rows; ++i) {
    sqlite3_bind_int(insert.get(), 1, static_cast<int>(i));
    sqlite3_bind_text(insert.get(), 2, src.names[i].c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert.get(), 3, i * 0.5);
    db.Step(insert.get(), SQLITE_DONE);
    sqlite3_reset(insert.get());
  }
  if (oneTx) db.Exec("COMMIT");
}

// ---------------------------------------------------------------------------
// The engine.

void EngineCreate(CDaoDatabase& db, const char* table) {
  CDaoTableDef td(&db);
  td.Create(table);
  td.CreateField("ID", dbLong, 4, dbAutoIncrField);
  td.CreateField("KEY", dbLong, 4);
  td.CreateField("NAME", dbText, 20);
  td.CreateField("VAL", dbDouble, 8);
  CDaoIndexFieldInfo idField;
  idField.m_strName = "ID";
  CDaoIndexInfo idIndex;
  idIndex.m_strName = "ID_INDEX";
  idIndex.m_pFieldInfos = &idField;
  idIndex.m_nFields = 1;
  idIndex.m_bPrimary = TRUE;
  idIndex.m_bUnique = TRUE;
  td.CreateIndex(idIndex);
  CDaoIndexFieldInfo nameField;
  nameField.m_strName = "NAME";
  CDaoIndexInfo nameIndex;
  nameIndex.m_strName = "NAME_INDEX";
  nameIndex.m_pFieldInfos = &nameField;
  nameIndex.m_nFields = 1;
  td.CreateIndex(nameIndex);
  td.Append();
  td.Close();
}

void EngineInsert(CDaoDatabase& db, const char* table, const Source& src, long rows, bool oneTx) {
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, table);
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  if (oneTx) ws->BeginTrans();
  for (long i = 0; i < rows; ++i) {
    rs.AddNew();
    rs.SetFieldValue("KEY", COleVariant(static_cast<int32_t>(i)));
    rs.SetFieldValue("NAME", src.names[i].c_str());
    rs.SetFieldValue("VAL", COleVariant(i * 0.5));
    rs.Update();
  }
  if (oneTx) ws->CommitTrans();
  rs.Close();
}

int Run(long rows) {
  std::string pattern = (std::filesystem::temp_directory_path() / "zl_bench_XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    perror("mkdtemp");
    return 1;
  }
  const std::string folder = buffer.data();
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } cleanup{folder};

  const long perCommitRows = std::min(rows, 2000L);
  const long lookups = std::min(rows, 20000L);
  const Source src(rows);
  const std::vector<int32_t> seekIds = RandomIds(lookups, rows, 777);
  const std::vector<int32_t> editIds = RandomIds(lookups, rows, 888);

  printf("rows %ld, per-row commits %ld, lookups and edits %ld\n", rows, perCommitRows, lookups);
#ifndef NDEBUG
  printf("(built without NDEBUG: figures are not representative)\n");
#endif
  printf("%-34s %12s %12s %8s\n", "", "engine", "sqlite", "ratio");

  CSqlite lite(folder + "/plain.db");
  SqliteCreate(lite, "BENCH");
  SqliteCreate(lite, "BENCH_COMMIT");
  CDaoDatabase db;
  db.Create((folder + "/engine.db").c_str());
  EngineCreate(db, "BENCH");
  EngineCreate(db, "BENCH_COMMIT");

  // Adds.
  auto t = Clock::now();
  EngineInsert(db, "BENCH", src, rows, true);
  const double engineAdd = SecondsSince(t);
  t = Clock::now();
  SqliteInsert(lite, "BENCH", src, rows, true);
  const double sqliteAdd = SecondsSince(t);
  Report("add, one transaction", "rows/s", rows, engineAdd, sqliteAdd);

  t = Clock::now();
  EngineInsert(db, "BENCH_COMMIT", src, perCommitRows, false);
  const double engineCommit = SecondsSince(t);
  t = Clock::now();
  SqliteInsert(lite, "BENCH_COMMIT", src, perCommitRows, false);
  const double sqliteCommit = SecondsSince(t);
  Report("add, one commit per row", "rows/s", perCommitRows, engineCommit, sqliteCommit);

  // Seek "=" and three fields.
  double checkEngine = 0;
  double checkSqlite = 0;
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "BENCH");
  rs.SetCurrentIndex("ID_INDEX");
  t = Clock::now();
  for (int32_t id : seekIds) {
    COleVariant key(id);
    if (!rs.Seek("=", &key)) {
      fprintf(stderr, "engine: id %d not found\n", id);
      return 1;
    }
    const COleVariant k = rs.GetFieldValue("KEY");
    const COleVariant n = rs.GetFieldValue("NAME");
    const COleVariant v = rs.GetFieldValue("VAL");
    checkEngine += k.lVal + n.GetStringLength() + v.dblVal;
  }
  const double engineSeek = SecondsSince(t);
  {
    CStmt select(lite, "SELECT \"KEY\", \"NAME\", \"VAL\" FROM BENCH WHERE \"ID\" = ?");
    t = Clock::now();
    for (int32_t id : seekIds) {
      sqlite3_bind_int(select.get(), 1, id);
      lite.Step(select.get(), SQLITE_ROW);
      const int k = sqlite3_column_int(select.get(), 0);
      const std::string n(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 1)));
      const double v = sqlite3_column_double(select.get(), 2);
      checkSqlite += k + static_cast<double>(n.size()) + v;
      sqlite3_reset(select.get());
    }
  }
  const double sqliteSeek = SecondsSince(t);
  Report("seek \"=\" + read 3 fields", "seeks/s", lookups, engineSeek, sqliteSeek);

  // Walk in the order of the text index.
  const long hwmBefore = StatusKb("VmHWM");
  const long rssBefore = StatusKb("VmRSS");
  long walkedEngine = 0;
  long walkedSqlite = 0;
  rs.SetCurrentIndex("NAME_INDEX");
  t = Clock::now();
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    checkEngine += rs.GetFieldValue("KEY").lVal;
    ++walkedEngine;
  }
  const double engineWalk = SecondsSince(t);
  const long hwmAfter = StatusKb("VmHWM");
  const long rssAfter = StatusKb("VmRSS");
  {
    CStmt walk(lite, "SELECT \"KEY\" FROM BENCH ORDER BY \"NAME\" COLLATE NOCASE, \"ID\"");
    t = Clock::now();
    while (sqlite3_step(walk.get()) == SQLITE_ROW) {
      checkSqlite += sqlite3_column_int(walk.get(), 0);
      ++walkedSqlite;
    }
  }
  const double sqliteWalk = SecondsSince(t);
  if (walkedEngine != rows || walkedSqlite != rows) {
    fprintf(stderr, "walk: engine %ld rows, sqlite %ld rows, expected %ld\n", walkedEngine,
            walkedSqlite, rows);
    return 1;
  }
  Report("MoveNext over the text index", "rows/s", rows, engineWalk, sqliteWalk);

  // Edit/Update of one field.
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  rs.SetCurrentIndex("ID_INDEX");
  t = Clock::now();
  ws->BeginTrans();
  for (int32_t id : editIds) {
    COleVariant key(id);
    if (!rs.Seek("=", &key)) return 1;
    rs.Edit();
    rs.SetFieldValue("VAL", COleVariant(id * 2.0));
    rs.Update();
  }
  ws->CommitTrans();
  const double engineEdit = SecondsSince(t);
  {
    CStmt update(lite, "UPDATE BENCH SET \"VAL\" = ? WHERE \"ID\" = ?");
    t = Clock::now();
    lite.Exec("BEGIN IMMEDIATE");
    for (int32_t id : editIds) {
      sqlite3_bind_double(update.get(), 1, id * 2.0);
      sqlite3_bind_int(update.get(), 2, id);
      lite.Step(update.get(), SQLITE_DONE);
      sqlite3_reset(update.get());
    }
    lite.Exec("COMMIT");
  }
  const double sqliteEdit = SecondsSince(t);
  Report("seek + Edit/Update of one field", "rows/s", lookups, engineEdit, sqliteEdit);
  rs.Close();
  db.Close();

  printf("memory during the %ld-row walk: peak %ld kB -> %ld kB, resident %ld kB -> %ld kB\n", rows,
         hwmBefore, hwmAfter, rssBefore, rssAfter);
  if (checkEngine != checkSqlite) {
    fprintf(stderr, "the two sides read different values (%.1f vs %.1f)\n", checkEngine,
            checkSqlite);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = 100000;
  if (argc > 1) rows = atol(argv[1]);
  if (rows < 1 || rows > 100000000) {
    fprintf(stderr, "usage: %s [rows]\n", argv[0]);
    return 2;
  }
  try {
    return Run(rows);
  } catch (const CDaoException& e) {
    fprintf(stderr, "engine error %ld: %s\n", e.GetErrorNumber(), e.GetErrorMessage().GetString());
  } catch (const CException& e) {
    fprintf(stderr, "error: %s\n", e.GetErrorMessage().GetString());
  }
  return 1;
}
