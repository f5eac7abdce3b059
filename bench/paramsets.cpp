// Parameter sets through the library's public interface against plain
// SQLite doing the same logical work on the same kind of tables, in the
// same run, for each library size.
//
//   bench_paramsets [N ...]      N defaults to 1000 and 10000
//
// Every model has 8 non-conservative nodes, 2 tolerances and 5 parameter
// sets chained through PREV/NEXT; every set gives each node a value and
// each tolerance its own limits.  Measured per model:
//   - read: the sets in chain order (first set, then NEXT links) and, for
//     each set, the 8 node values and the 2 tolerances with the set's
//     values;
//   - write: new values of one set (the third) for the 8 nodes and the 2
//     tolerances, one caller transaction per model.
// The baseline is plain SQLite with prepared statements on tables with the
// same columns and indexes: the chain read by ID, the values by (node, set)
// and (tolerance, set), one transaction per model for the write.  Each line
// gives microseconds per model and the ratio library / SQLite; the last
// block compares the times across N (1.00 = flat).
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kNodes = 8;
constexpr int kTolerances = 2;
constexpr int kSets = 5;
constexpr int kWrittenSet = 2;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what, int code) {
  std::fprintf(stderr, "bench_paramsets: %s failed (%d)\n", what, code);
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what, ZLGetLastError());
}

std::string ValueOf(long model, int set, int node, int round) {
  return std::to_string(model % 97 + set) + "." + std::to_string(node + round) + "k";
}

// ---- the library ----

struct CModel {
  long id = 0;
  std::vector<long> sets, nodes, tolerances;
};

std::vector<CModel> BuildWithLibrary(void* hDB, long models) {
  std::vector<CModel> out(models);
  for (long m = 0; m < models; ++m) {
    Check(ZLBeginTransaction(hDB), "begin");
    COleVariant bookmark;
    Check(ZLCreateNewRecord(hDB, bookmark), "ZLCreateNewRecord");
    Check(ZLGetIDByBookmark(hDB, bookmark, out[m].id), "ZLGetIDByBookmark");
    const long id = out[m].id;
    CZLNodeArray nodes;
    for (int n = 0; n < kNodes; ++n) {
      auto* node = new CZLNodeObject;
      node->m_strName = ("P" + std::to_string(n)).c_str();
      node->m_strValue = "1";
      node->m_lIndex = n;
      nodes.Add(node);
    }
    Check(ZLSetNodesNCByID(hDB, id, nodes, 0), "ZLSetNodesNCByID");
    CZLToleranceArray tolerances;
    for (int t = 0; t < kTolerances; ++t) {
      auto* tolerance = new CZLToleranceObject;
      tolerance->m_lNodeID = nodes[t]->m_lNodeID;
      tolerance->m_strTolerance = "5%";
      tolerances.Add(tolerance);
    }
    Check(ZLSetTolerancesByID(hDB, id, tolerances, 0), "ZLSetTolerancesByID");
    for (int n = 0; n < kNodes; ++n) out[m].nodes.push_back(nodes[n]->m_lNodeID);
    for (int t = 0; t < kTolerances; ++t)
      out[m].tolerances.push_back(tolerances[t]->m_lToleranceID);
    long prev = 0;
    for (int s = 0; s < kSets; ++s) {
      long set = 0;
      Check(ZLCreateNewParamSet(hDB, id, set), "ZLCreateNewParamSet");
      if (prev != 0) {
        Check(ZLSetNextParamSetByParamID(hDB, prev, set), "ZLSetNextParamSetByParamID");
        Check(ZLSetPrevParamSetByParamID(hDB, set, prev), "ZLSetPrevParamSetByParamID");
      }
      for (int n = 0; n < kNodes; ++n) nodes[n]->m_strValue = ValueOf(m, s, n, 0).c_str();
      Check(ZLSetNodesNCByID(hDB, id, nodes, set), "set values");
      for (int t = 0; t < kTolerances; ++t) tolerances[t]->m_strTolerance = "1%";
      Check(ZLSetTolerancesByID(hDB, id, tolerances, set), "set tolerances");
      out[m].sets.push_back(set);
      prev = set;
    }
    Check(ZLCommitTransaction(hDB), "commit");
    ZLFreeObjectArray(nodes);
    ZLFreeObjectArray(tolerances);
  }
  return out;
}

// Reads every set of every model; returns the bytes of values read.
long ReadWithLibrary(void* hDB, const std::vector<CModel>& models) {
  long bytes = 0;
  CZLNodeArray nodes;
  CZLToleranceArray tolerances;
  for (const CModel& model : models) {
    long set = 0;
    Check(ZLGetFirstParamSetByID(hDB, model.id, set), "ZLGetFirstParamSetByID");
    for (int steps = 0; set != 0 && steps <= kSets; ++steps) {
      Check(ZLGetNodesNCByID(hDB, model.id, nodes, set), "ZLGetNodesNCByID");
      for (int n = 0; n < nodes.GetSize(); ++n) bytes += nodes[n]->m_strValue.GetLength();
      Check(ZLGetTolerancesByID(hDB, model.id, tolerances, set), "ZLGetTolerancesByID");
      for (int t = 0; t < tolerances.GetSize(); ++t) {
        bytes += tolerances[t]->m_strTolerance.GetLength();
      }
      Check(ZLGetNextParamSetByParamID(hDB, set, set), "ZLGetNextParamSetByParamID");
    }
  }
  ZLFreeObjectArray(nodes);
  ZLFreeObjectArray(tolerances);
  return bytes;
}

// The caller knows its nodes and tolerances (as after reading the model
// once); the set's values are written for them.
void WriteWithLibrary(void* hDB, const std::vector<CModel>& models, int round) {
  CZLNodeArray nodes;
  CZLToleranceArray tolerances;
  for (int n = 0; n < kNodes; ++n) nodes.Add(new CZLNodeObject);
  for (int t = 0; t < kTolerances; ++t) tolerances.Add(new CZLToleranceObject);
  for (size_t m = 0; m < models.size(); ++m) {
    const CModel& model = models[m];
    const long set = model.sets[kWrittenSet];
    Check(ZLBeginTransaction(hDB), "begin");
    for (int n = 0; n < kNodes; ++n) {
      nodes[n]->m_lNodeID = model.nodes[n];
      nodes[n]->m_strValue = ValueOf(static_cast<long>(m), kWrittenSet, n, round).c_str();
    }
    Check(ZLSetNodesNCByID(hDB, model.id, nodes, set), "set values");
    for (int t = 0; t < kTolerances; ++t) {
      tolerances[t]->m_lToleranceID = model.tolerances[t];
      tolerances[t]->m_strTolerance = (std::to_string(round) + "%").c_str();
    }
    Check(ZLSetTolerancesByID(hDB, model.id, tolerances, set), "set tolerances");
    Check(ZLCommitTransaction(hDB), "commit");
  }
  ZLFreeObjectArray(nodes);
  ZLFreeObjectArray(tolerances);
}

// ---- plain SQLite ----

class CSql {
 public:
  explicit CSql(const std::string& path) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) Fail("sqlite3_open", 0);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
  }
  ~CSql() {
    for (sqlite3_stmt* st : m_statements) sqlite3_finalize(st);
    sqlite3_close(m_db);
  }
  CSql(const CSql&) = delete;
  CSql& operator=(const CSql&) = delete;
  void Exec(const char* sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(m_db));
      Fail("sqlite3_exec", 0);
    }
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK) Fail(sql, 0);
    m_statements.push_back(st);
    return st;
  }
  long long LastID() { return sqlite3_last_insert_rowid(m_db); }

 private:
  sqlite3* m_db = nullptr;
  std::vector<sqlite3_stmt*> m_statements;
};

void Bind(sqlite3_stmt* st, int i, long long v) { sqlite3_bind_int64(st, i, v); }
void Bind(sqlite3_stmt* st, int i, const std::string& v) {
  sqlite3_bind_text(st, i, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}
void Run(sqlite3_stmt* st) {
  if (sqlite3_step(st) != SQLITE_DONE) Fail("step", 0);
  sqlite3_reset(st);
}

struct CSqlModel {
  long long id = 0;
  std::vector<long long> nodes, tolerances, sets;
};

std::vector<CSqlModel> BuildWithSql(CSql& sql, long models) {
  sql.Exec(
      "CREATE TABLE MAIN(MODEL_ID INTEGER PRIMARY KEY, DEFNAME TEXT);"
      "CREATE TABLE NODE_NC(NODE_ID INTEGER PRIMARY KEY, MODEL_ID INTEGER, \"INDEX\" INTEGER,"
      " NAME TEXT, VALUE TEXT);"
      "CREATE INDEX NODE_NC_MODEL ON NODE_NC(MODEL_ID);"
      "CREATE TABLE PARAMSET(PARAM_ID INTEGER PRIMARY KEY, MODEL_ID INTEGER, PREV INTEGER,"
      " NEXT INTEGER);"
      "CREATE INDEX PARAMSET_MODEL ON PARAMSET(MODEL_ID);"
      "CREATE TABLE PARAMVALUE(VALUE_ID INTEGER PRIMARY KEY, NODE_ID INTEGER, PARAM_ID INTEGER,"
      " NODE_TYPE INTEGER, VALUE TEXT, TYPE INTEGER);"
      "CREATE INDEX PARAMVALUE_KEY ON PARAMVALUE(NODE_ID, PARAM_ID, NODE_TYPE);"
      "CREATE TABLE TOLERANCE(TOLERANCE_ID INTEGER PRIMARY KEY, MODEL_ID INTEGER, NODE_ID INTEGER,"
      " TOLERANCE TEXT, STATE INTEGER);"
      "CREATE INDEX TOLERANCE_MODEL ON TOLERANCE(MODEL_ID);"
      "CREATE TABLE TOLERANCE_VALUE(TOLERANCE_ID INTEGER, PARAM_ID INTEGER, TOLERANCE TEXT,"
      " STATE INTEGER);"
      "CREATE INDEX TOLERANCE_VALUE_KEY ON TOLERANCE_VALUE(TOLERANCE_ID, PARAM_ID);");
  sqlite3_stmt* model = sql.Prepare("INSERT INTO MAIN(DEFNAME) VALUES('m')");
  sqlite3_stmt* node = sql.Prepare(
      "INSERT INTO NODE_NC(MODEL_ID, \"INDEX\", NAME, VALUE) "
      "VALUES(?, ?, ?, '1')");
  sqlite3_stmt* tolerance = sql.Prepare(
      "INSERT INTO TOLERANCE(MODEL_ID, NODE_ID, TOLERANCE, "
      "STATE) VALUES(?, ?, '5%', 0)");
  sqlite3_stmt* set = sql.Prepare("INSERT INTO PARAMSET(MODEL_ID, PREV) VALUES(?, ?)");
  sqlite3_stmt* link = sql.Prepare("UPDATE PARAMSET SET NEXT = ? WHERE PARAM_ID = ?");
  sqlite3_stmt* value = sql.Prepare(
      "INSERT INTO PARAMVALUE(NODE_ID, PARAM_ID, NODE_TYPE, VALUE, "
      "TYPE) VALUES(?, ?, 1, ?, 0)");
  sqlite3_stmt* limit = sql.Prepare("INSERT INTO TOLERANCE_VALUE VALUES(?, ?, '1%', 0)");
  std::vector<CSqlModel> out(models);
  for (long m = 0; m < models; ++m) {
    CSqlModel& r = out[m];
    sql.Exec("BEGIN");
    Run(model);
    r.id = sql.LastID();
    for (int n = 0; n < kNodes; ++n) {
      Bind(node, 1, r.id);
      Bind(node, 2, n);
      Bind(node, 3, "P" + std::to_string(n));
      Run(node);
      r.nodes.push_back(sql.LastID());
    }
    for (int t = 0; t < kTolerances; ++t) {
      Bind(tolerance, 1, r.id);
      Bind(tolerance, 2, r.nodes[t]);
      Run(tolerance);
      r.tolerances.push_back(sql.LastID());
    }
    for (int s = 0; s < kSets; ++s) {
      Bind(set, 1, r.id);
      if (s == 0) {
        sqlite3_bind_null(set, 2);
      } else {
        Bind(set, 2, r.sets.back());
      }
      Run(set);
      const long long id = sql.LastID();
      if (s > 0) {
        Bind(link, 1, id);
        Bind(link, 2, r.sets.back());
        Run(link);
      }
      r.sets.push_back(id);
      for (int n = 0; n < kNodes; ++n) {
        Bind(value, 1, r.nodes[n]);
        Bind(value, 2, id);
        Bind(value, 3, ValueOf(m, s, n, 0));
        Run(value);
      }
      for (long long t : r.tolerances) {
        Bind(limit, 1, t);
        Bind(limit, 2, id);
        Run(limit);
      }
    }
    sql.Exec("COMMIT");
  }
  return out;
}

struct CSqlStatements {
  sqlite3_stmt* first;
  sqlite3_stmt* next;
  sqlite3_stmt* nodes;
  sqlite3_stmt* value;
  sqlite3_stmt* tolerances;
  sqlite3_stmt* limit;
  sqlite3_stmt* updateValue;
  sqlite3_stmt* updateLimit;
};

CSqlStatements PrepareAll(CSql& sql) {
  return {sql.Prepare("SELECT PARAM_ID FROM PARAMSET WHERE MODEL_ID = ? AND PREV IS NULL "
                      "ORDER BY PARAM_ID LIMIT 1"),
          sql.Prepare("SELECT NEXT FROM PARAMSET WHERE PARAM_ID = ?"),
          sql.Prepare("SELECT NODE_ID, NAME, VALUE FROM NODE_NC WHERE MODEL_ID = ?"),
          sql.Prepare("SELECT VALUE, TYPE FROM PARAMVALUE WHERE NODE_ID = ? AND PARAM_ID = ? "
                      "AND NODE_TYPE = 1"),
          sql.Prepare("SELECT TOLERANCE_ID, NODE_ID, TOLERANCE FROM TOLERANCE WHERE MODEL_ID = ?"),
          sql.Prepare("SELECT TOLERANCE, STATE FROM TOLERANCE_VALUE WHERE TOLERANCE_ID = ? AND "
                      "PARAM_ID = ?"),
          sql.Prepare("UPDATE PARAMVALUE SET VALUE = ? WHERE NODE_ID = ? AND PARAM_ID = ? AND "
                      "NODE_TYPE = 1"),
          sql.Prepare("UPDATE TOLERANCE_VALUE SET TOLERANCE = ? WHERE TOLERANCE_ID = ? AND "
                      "PARAM_ID = ?")};
}

long ReadWithSql(CSql& sql, const CSqlStatements& st, const std::vector<CSqlModel>& models) {
  long bytes = 0;
  for (const CSqlModel& model : models) {
    sql.Exec("BEGIN");
    Bind(st.first, 1, model.id);
    long long set = sqlite3_step(st.first) == SQLITE_ROW ? sqlite3_column_int64(st.first, 0) : 0;
    sqlite3_reset(st.first);
    for (int steps = 0; set != 0 && steps <= kSets; ++steps) {
      Bind(st.nodes, 1, model.id);
      std::vector<long long> nodes;
      while (sqlite3_step(st.nodes) == SQLITE_ROW)
        nodes.push_back(sqlite3_column_int64(st.nodes, 0));
      sqlite3_reset(st.nodes);
      for (long long node : nodes) {
        Bind(st.value, 1, node);
        Bind(st.value, 2, set);
        if (sqlite3_step(st.value) == SQLITE_ROW) bytes += sqlite3_column_bytes(st.value, 0);
        sqlite3_reset(st.value);
      }
      Bind(st.tolerances, 1, model.id);
      std::vector<long long> tolerances;
      while (sqlite3_step(st.tolerances) == SQLITE_ROW) {
        tolerances.push_back(sqlite3_column_int64(st.tolerances, 0));
      }
      sqlite3_reset(st.tolerances);
      for (long long t : tolerances) {
        Bind(st.limit, 1, t);
        Bind(st.limit, 2, set);
        if (sqlite3_step(st.limit) == SQLITE_ROW) bytes += sqlite3_column_bytes(st.limit, 0);
        sqlite3_reset(st.limit);
      }
      Bind(st.next, 1, set);
      set = sqlite3_step(st.next) == SQLITE_ROW ? sqlite3_column_int64(st.next, 0) : 0;
      sqlite3_reset(st.next);
    }
    sql.Exec("COMMIT");
  }
  return bytes;
}

void WriteWithSql(CSql& sql, const CSqlStatements& st, const std::vector<CSqlModel>& models,
                  int round) {
  for (size_t m = 0; m < models.size(); ++m) {
    const CSqlModel& model = models[m];
    const long long set = model.sets[kWrittenSet];
    sql.Exec("BEGIN IMMEDIATE");
    for (int n = 0; n < kNodes; ++n) {
      Bind(st.updateValue, 1, ValueOf(static_cast<long>(m), kWrittenSet, n, round));
      Bind(st.updateValue, 2, model.nodes[n]);
      Bind(st.updateValue, 3, set);
      Run(st.updateValue);
    }
    for (long long t : model.tolerances) {
      Bind(st.updateLimit, 1, std::to_string(round) + "%");
      Bind(st.updateLimit, 2, t);
      Bind(st.updateLimit, 3, set);
      Run(st.updateLimit);
    }
    sql.Exec("COMMIT");
  }
}

struct CTimes {
  long models;
  double libraryRead, sqlRead, libraryWrite, sqlWrite;  // microseconds per model
};

CTimes RunSize(const std::string& dir, long models) {
  CTimes times{models, 0, 0, 0, 0};
  const std::string libraryPath = dir + "/lib" + std::to_string(models) + ".zdb";
  const std::string sqlPath = dir + "/sql" + std::to_string(models) + ".db";
  void* hDB = ZLCreateDatabase(libraryPath.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase", ZLGetLastError());
  const std::vector<CModel> library = BuildWithLibrary(hDB, models);
  CSql sql(sqlPath);
  const std::vector<CSqlModel> plain = BuildWithSql(sql, models);
  const CSqlStatements statements = PrepareAll(sql);
  const double perModel = 1e6 / static_cast<double>(models);
  // Each measurement twice, keeping the faster, so a stray pause of the
  // machine does not decide a ratio.
  for (int round = 1; round <= 2; ++round) {
    Clock::time_point start = Clock::now();
    const long libraryBytes = ReadWithLibrary(hDB, library);
    const double libraryRead = SecondsSince(start) * perModel;
    start = Clock::now();
    const long sqlBytes = ReadWithSql(sql, statements, plain);
    const double sqlRead = SecondsSince(start) * perModel;
    if (libraryBytes != sqlBytes) Fail("reading the same values", static_cast<int>(libraryBytes));
    start = Clock::now();
    WriteWithLibrary(hDB, library, round);
    const double libraryWrite = SecondsSince(start) * perModel;
    start = Clock::now();
    WriteWithSql(sql, statements, plain, round);
    const double sqlWrite = SecondsSince(start) * perModel;
    if (round == 1 || libraryRead < times.libraryRead) times.libraryRead = libraryRead;
    if (round == 1 || sqlRead < times.sqlRead) times.sqlRead = sqlRead;
    if (round == 1 || libraryWrite < times.libraryWrite) times.libraryWrite = libraryWrite;
    if (round == 1 || sqlWrite < times.sqlWrite) times.sqlWrite = sqlWrite;
  }
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("bench_paramsets." + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(dir);
  std::vector<CTimes> all;
  std::printf("%d sets x %d nodes and %d tolerances per model; microseconds per model\n", kSets,
              kNodes, kTolerances);
  std::printf("%8s  %-24s %10s %10s %8s\n", "N", "operation", "library", "sqlite", "ratio");
  for (long n : sizes) {
    const CTimes t = RunSize(dir, n);
    all.push_back(t);
    std::printf("%8ld  %-24s %10.1f %10.1f %8.2f\n", n, "read all sets + values", t.libraryRead,
                t.sqlRead, t.libraryRead / t.sqlRead);
    std::printf("%8ld  %-24s %10.1f %10.1f %8.2f\n", n, "write one set", t.libraryWrite, t.sqlWrite,
                t.libraryWrite / t.sqlWrite);
  }
  if (all.size() > 1) {
    std::printf("flatness (per-model time at N / at %ld):\n", all.front().models);
    for (const CTimes& t : all) {
      std::printf("%8ld  read %.2f  write %.2f\n", t.models, t.libraryRead / all[0].libraryRead,
                  t.libraryWrite / all[0].libraryWrite);
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
