// A model-library workload through the library's public interface against
// plain SQLite doing the same logical work on the same tables, in the same
// run, for two library sizes.
//
//   bench_model_library [N ...]      N defaults to 1000 and 10000
//
// For each N:
//   - create: N records, each with an English and a German title and the
//     links that put it into a tree of fan-out 10 (PARENT, and FIRSTCHILD of
//     its parent or NEXT of its previous sibling and its own PREV), every
//     call committing on its own as callers' calls do.  Plain SQLite does
//     the same inserts and updates as autocommit statements on an empty
//     library file of the same layout (it does not renew the layout stamp,
//     which the library does on each title and link write);
//   - title: every record's title by ID in random order, alternating the two
//     languages (the row's resource ID, then the text in the language's
//     string table);
//   - walk: the root search from the record with the smallest ID, then a
//     depth-first walk of the whole tree over FIRSTCHILD and NEXT.
// Each line gives the time per operation of both sides and their ratio
// (library / SQLite; 2.00 = takes twice as long).  The last block compares
// the per-operation times across N: look-ups are index seeks, so the times
// should stay flat as N grows tenfold.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr long kFanOut = 10;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_model_library: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what);
}

std::string TitleOf(long i, WORD language) {
  return (language == kEnglish ? "Model " : "Modell ") + std::to_string(i);
}

// The parent of the i-th record (0-based) in a tree of fan-out kFanOut;
// the 0th record is the root.
long ParentIndex(long i) { return (i - 1) / kFanOut; }

// ---- the library side ----

std::vector<long> CreateWithLibrary(void* hDB, long n) {
  std::vector<long> ids(n);
  std::vector<long> lastChild(n, 0);
  for (long i = 0; i < n; ++i) {
    COleVariant bookmark;
    Check(ZLCreateNewRecord(hDB, bookmark), "ZLCreateNewRecord");
    Check(ZLGetIDByBookmark(hDB, bookmark, ids[i]), "ZLGetIDByBookmark");
    Check(ZLSetTitleByID(hDB, ids[i], kEnglish, TitleOf(i, kEnglish).c_str(), 0), "title");
    Check(ZLSetTitleByID(hDB, ids[i], kGerman, TitleOf(i, kGerman).c_str(), 0), "title");
    if (i == 0) continue;
    const long parent = ParentIndex(i);
    Check(ZLSetParentByID(hDB, ids[i], ids[parent]), "ZLSetParentByID");
    if (lastChild[parent] == 0) {
      Check(ZLSetFirstChildByID(hDB, ids[parent], ids[i]), "ZLSetFirstChildByID");
    } else {
      Check(ZLSetNextByID(hDB, lastChild[parent], ids[i]), "ZLSetNextByID");
      Check(ZLSetPrevByID(hDB, ids[i], lastChild[parent]), "ZLSetPrevByID");
    }
    lastChild[parent] = ids[i];
  }
  return ids;
}

size_t ReadTitlesWithLibrary(void* hDB, const std::vector<long>& order) {
  size_t bytes = 0;
  CString title;
  for (size_t k = 0; k < order.size(); ++k) {
    Check(ZLGetTitleByID(hDB, order[k], k % 2 ? kGerman : kEnglish, title, 0), "ZLGetTitleByID");
    bytes += static_cast<size_t>(title.GetLength());
  }
  return bytes;
}

long WalkWithLibrary(void* hDB) {
  COleVariant bookmark;
  Check(ZLGetRootBookmark(hDB, bookmark), "ZLGetRootBookmark");
  long root = 0;
  Check(ZLGetIDByBookmark(hDB, bookmark, root), "ZLGetIDByBookmark");
  long visited = 0;
  std::vector<long> pending = {root};
  while (!pending.empty()) {
    const long id = pending.back();
    pending.pop_back();
    ++visited;
    long link = 0;
    if (ZLGetNextByID(hDB, id, link)) pending.push_back(link);
    if (ZLGetFirstChildByID(hDB, id, link)) pending.push_back(link);
  }
  return visited;
}

// ---- the plain SQLite side ----

class CSql {
 public:
  explicit CSql(const std::string& path) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) Die("open");
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
  }
  ~CSql() { sqlite3_close(m_db); }
  CSql(const CSql&) = delete;
  CSql& operator=(const CSql&) = delete;

  void Exec(const char* sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Die(sql);
  }
  sqlite3* Db() const { return m_db; }
  [[noreturn]] void Die(const char* what) const {
    std::fprintf(stderr, "sqlite: %s: %s\n", what, sqlite3_errmsg(m_db));
    std::exit(1);
  }

 private:
  sqlite3* m_db = nullptr;
};

// A prepared statement that is reset after every use.
class CStmt {
 public:
  CStmt(const CSql& sql, const std::string& text) : m_sql(sql) {
    if (sqlite3_prepare_v2(sql.Db(), text.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK) {
      sql.Die(text.c_str());
    }
  }
  ~CStmt() { sqlite3_finalize(m_stmt); }
  CStmt(const CStmt&) = delete;
  CStmt& operator=(const CStmt&) = delete;

  // Runs the statement with integer (and optionally one text) parameters;
  // returns the first column of the first row, or fallback when there is
  // no row or it is NULL.  A text result's length goes to textLength.
  long long Run(std::initializer_list<long long> ints, const std::string* text = nullptr,
                long long fallback = 0, size_t* textLength = nullptr) {
    int index = 1;
    for (long long v : ints) sqlite3_bind_int64(m_stmt, index++, v);
    if (text != nullptr) {
      sqlite3_bind_text(m_stmt, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
    }
    long long result = fallback;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW && sqlite3_column_type(m_stmt, 0) != SQLITE_NULL) {
      result = sqlite3_column_int64(m_stmt, 0);
      if (textLength != nullptr)
        *textLength += static_cast<size_t>(sqlite3_column_bytes(m_stmt, 0));
    } else if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      m_sql.Die("step");
    }
    sqlite3_reset(m_stmt);
    return result;
  }

 private:
  const CSql& m_sql;
  sqlite3_stmt* m_stmt = nullptr;
};

std::string StringTable(WORD language) {
  char name[32];
  std::snprintf(name, sizeof name, "\"STRINGTAB_%08x\"", language);
  return name;
}

void CreateWithSqlite(const std::string& path, long n) {
  CSql sql(path);
  CStmt addRecord(sql, "INSERT INTO \"MAIN\" DEFAULT VALUES");
  CStmt addResource(sql, "INSERT INTO \"RESID\" DEFAULT VALUES");
  CStmt setTitle(sql, "UPDATE \"MAIN\" SET \"TITLE\" = ?1 WHERE \"MODEL_ID\" = ?2");
  CStmt addEnglish(
      sql, "INSERT INTO " + StringTable(kEnglish) + " (\"RES_ID\", \"TEXT\") VALUES (?1, ?2)");
  CStmt addGerman(
      sql, "INSERT INTO " + StringTable(kGerman) + " (\"RES_ID\", \"TEXT\") VALUES (?1, ?2)");
  CStmt setParent(sql, "UPDATE \"MAIN\" SET \"PARENT\" = ?1 WHERE \"MODEL_ID\" = ?2");
  CStmt setFirstChild(sql, "UPDATE \"MAIN\" SET \"FIRSTCHILD\" = ?1 WHERE \"MODEL_ID\" = ?2");
  CStmt setNext(sql, "UPDATE \"MAIN\" SET \"NEXT\" = ?1 WHERE \"MODEL_ID\" = ?2");
  CStmt setPrev(sql, "UPDATE \"MAIN\" SET \"PREV\" = ?1 WHERE \"MODEL_ID\" = ?2");
  std::vector<long long> ids(n);
  std::vector<long long> lastChild(n, 0);
  for (long i = 0; i < n; ++i) {
    addRecord.Run({});
    ids[i] = sqlite3_last_insert_rowid(sql.Db());
    addResource.Run({});
    const long long resource = sqlite3_last_insert_rowid(sql.Db());
    setTitle.Run({resource, ids[i]});
    const std::string english = TitleOf(i, kEnglish);
    const std::string german = TitleOf(i, kGerman);
    addEnglish.Run({resource}, &english);
    addGerman.Run({resource}, &german);
    if (i == 0) continue;
    const long parent = ParentIndex(i);
    setParent.Run({ids[parent], ids[i]});
    if (lastChild[parent] == 0) {
      setFirstChild.Run({ids[i], ids[parent]});
    } else {
      setNext.Run({ids[i], lastChild[parent]});
      setPrev.Run({lastChild[parent], ids[i]});
    }
    lastChild[parent] = ids[i];
  }
}

size_t ReadTitlesWithSqlite(const CSql& sql, const std::vector<long>& order) {
  CStmt title(sql, "SELECT \"TITLE\" FROM \"MAIN\" WHERE \"MODEL_ID\" = ?1");
  CStmt english(sql, "SELECT \"TEXT\" FROM " + StringTable(kEnglish) + " WHERE \"RES_ID\" = ?1");
  CStmt german(sql, "SELECT \"TEXT\" FROM " + StringTable(kGerman) + " WHERE \"RES_ID\" = ?1");
  size_t bytes = 0;
  for (size_t k = 0; k < order.size(); ++k) {
    const long long resource = title.Run({order[k]});
    (k % 2 ? german : english).Run({resource}, nullptr, 0, &bytes);
  }
  return bytes;
}

long WalkWithSqlite(const CSql& sql) {
  CStmt first(sql, "SELECT \"MODEL_ID\" FROM \"MAIN\" ORDER BY \"MODEL_ID\" LIMIT 1");
  CStmt parentOf(sql, "SELECT \"PARENT\" FROM \"MAIN\" WHERE \"MODEL_ID\" = ?1");
  CStmt prevOf(sql, "SELECT \"PREV\" FROM \"MAIN\" WHERE \"MODEL_ID\" = ?1");
  CStmt nextOf(sql, "SELECT \"NEXT\" FROM \"MAIN\" WHERE \"MODEL_ID\" = ?1");
  CStmt childOf(sql, "SELECT \"FIRSTCHILD\" FROM \"MAIN\" WHERE \"MODEL_ID\" = ?1");
  long long root = first.Run({});
  for (long long up = parentOf.Run({root}); up != 0; up = parentOf.Run({root})) root = up;
  for (long long left = prevOf.Run({root}); left != 0; left = prevOf.Run({root})) root = left;
  long visited = 0;
  std::vector<long long> pending = {root};
  while (!pending.empty()) {
    const long long id = pending.back();
    pending.pop_back();
    ++visited;
    if (const long long next = nextOf.Run({id}); next != 0) pending.push_back(next);
    if (const long long child = childOf.Run({id}); child != 0) pending.push_back(child);
  }
  return visited;
}

// ---- measuring ----

struct Figures {
  long n;
  double create[2];  // seconds per record: library, SQLite
  double title[2];   // seconds per title look-up
  double walk[2];    // seconds per record walked
};

void PrintLine(const char* what, const double (&seconds)[2]) {
  std::printf("  %-26s %10.2f %10.2f %8.2f\n", what, seconds[0] * 1e6, seconds[1] * 1e6,
              seconds[0] / seconds[1]);
}

// An empty library with both languages, closed again.
std::string EmptyLibrary(const std::string& path) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase");
  Check(ZLAddResourceTable(hDB, kEnglish), "ZLAddResourceTable");
  Check(ZLAddResourceTable(hDB, kGerman), "ZLAddResourceTable");
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  return path;
}

Figures Measure(const std::filesystem::path& dir, long n) {
  Figures f{};
  f.n = n;
  const std::string libraryFile = EmptyLibrary((dir / ("lib" + std::to_string(n))).string());
  const std::string sqliteFile = EmptyLibrary((dir / ("sql" + std::to_string(n))).string());

  void* hDB = ZLOpenDatabase(libraryFile.c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr) Fail("ZLOpenDatabase");
  Clock::time_point start = Clock::now();
  const std::vector<long> ids = CreateWithLibrary(hDB, n);
  f.create[0] = SecondsSince(start) / n;
  start = Clock::now();
  CreateWithSqlite(sqliteFile, n);
  f.create[1] = SecondsSince(start) / n;

  // Both sides read the library's file, through its handle and through a
  // second connection.
  std::vector<long> order = ids;
  std::shuffle(order.begin(), order.end(), std::mt19937(12345));
  CSql sql(libraryFile);
  start = Clock::now();
  const size_t libraryBytes = ReadTitlesWithLibrary(hDB, order);
  f.title[0] = SecondsSince(start) / n;
  start = Clock::now();
  const size_t sqliteBytes = ReadTitlesWithSqlite(sql, order);
  f.title[1] = SecondsSince(start) / n;
  if (libraryBytes != sqliteBytes) {
    std::fprintf(stderr, "titles differ: %zu bytes vs %zu bytes\n", libraryBytes, sqliteBytes);
    std::exit(1);
  }

  start = Clock::now();
  const long walkedLibrary = WalkWithLibrary(hDB);
  f.walk[0] = SecondsSince(start) / n;
  start = Clock::now();
  const long walkedSqlite = WalkWithSqlite(sql);
  f.walk[1] = SecondsSince(start) / n;
  if (walkedLibrary != n || walkedSqlite != n) {
    std::fprintf(stderr, "walk reached %ld and %ld of %ld records\n", walkedLibrary, walkedSqlite,
                 n);
    std::exit(1);
  }
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");

  std::printf("N = %ld (microseconds per operation)\n", n);
  std::printf("  %-26s %10s %10s %8s\n", "", "library", "sqlite", "ratio");
  PrintLine("create record", f.create);
  PrintLine("title by ID", f.title);
  PrintLine("walk, per record", f.walk);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) {
    const long n = std::atol(argv[i]);
    if (n < 1) {
      std::fprintf(stderr, "usage: %s [N ...]\n", argv[0]);
      return 2;
    }
    sizes.push_back(n);
  }
  if (sizes.empty()) sizes = {1000, 10000};
#ifndef NDEBUG
  std::printf("(built without NDEBUG: figures are not representative)\n");
#endif
  std::string pattern = (std::filesystem::temp_directory_path() / "zlbench-XXXXXX").string();
  if (::mkdtemp(&pattern[0]) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir(pattern);
  std::vector<Figures> figures;
  for (long n : sizes) figures.push_back(Measure(dir, n));
  std::filesystem::remove_all(dir);

  if (figures.size() >= 2) {
    const Figures& a = figures.front();
    const Figures& b = figures.back();
    std::printf("growth from N = %ld to N = %ld (time per operation, 1.00 = flat)\n", a.n, b.n);
    std::printf("  %-26s %10s %10s\n", "", "library", "sqlite");
    auto growth = [](const char* what, const double(&x)[2], const double(&y)[2]) {
      std::printf("  %-26s %10.2f %10.2f\n", what, y[0] / x[0], y[1] / x[1]);
    };
    growth("create record", a.create, b.create);
    growth("title by ID", a.title, b.title);
    growth("walk, per record", a.walk, b.walk);
  }
  return 0;
}
