// A model-library workload through the library's public interface against
// two plain-SQLite programs doing the same logical work on the same tables,
// in the same run, for each library size.
//
//   bench_model_library [N ...]      N defaults to 1000 and 10000
//   scripts/pg-test-server.sh ./build/bench/bench_model_library [N ...]
//                                    the same, and first the library's
//                                    workload on a server against a file
//
// The workload: a root, 20 folders under it, and N models spread over the
// folders, each with a definition name, an English and a German title, an
// English information text, creating and modifying user and date, state,
// type and the links that chain it into its folder (PARENT, FIRSTCHILD of
// the folder or NEXT of the previous sibling, and its own PREV).  Then:
//   - walk: a depth-first walk of the whole tree over FIRSTCHILD and NEXT,
//     reading each record's English title, definition name and date;
//   - title: 1,000 title look-ups by ID in random order, alternating the two
//     languages;
//   - rewrite: a new English title for every tenth model.
// The programs:
//   - library: one exported call per step, each committing on its own;
//   - library, caller transaction: the same calls with each model (and each
//     rewrite) inside ZLBeginTransaction/ZLCommitTransaction;
//   - pattern: plain SQLite issuing the statements and commits the exported
//     calls' steps prescribe when each step commits on its own: a seek, then
//     one autocommitted statement per stored value, the layout stamp as a
//     commit of its own, a title as resource ID, text and stamp;
//   - hand-written: plain SQLite with prepared statements, one transaction
//     per model (one insert with every field), joins for reads.
// Each line gives microseconds per operation and the library's ratios to
// both baselines (2.00 = takes twice as long); "open and close" compares an
// open of the library with a plain-SQLite open that reads the root's row;
// "walk, memory" is how far the peak resident memory rose during the walk
// (library, hand-written).  The last block compares the per-operation times
// across N (1.00 = flat).  The simulator-language block runs for N up to
// 10,000.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_main.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/pg_seam.h"
#include "frame/stored_text.h"
#include "zldbctrl70.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ZL_BENCH_CALLGRIND 1
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr long kFolders = 20;
constexpr long kLookups = 1000;
constexpr long kRewriteEvery = 10;
// Reads per caller transaction in the reading phases that use them.
constexpr long kReadsPerTransaction = 10;

// Resident memory in kilobytes: the peak since the last ResetPeak (VmHWM) or
// now (VmRSS); 0 when /proc does not tell.
long MemoryKB(const char* key) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  long kb = 0;
  const size_t length = std::strlen(key);
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, key, length) == 0) kb = std::atol(line + length);
  }
  std::fclose(status);
  return kb;
}

// Makes the peak resident memory start again from what is resident now.
void ResetPeak() {
  FILE* refs = std::fopen("/proc/self/clear_refs", "w");
  if (refs == nullptr) return;
  std::fputs("5", refs);
  std::fclose(refs);
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_model_library: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

// Exported calls made through Check (round trips per call on the server).
long g_calls = 0;

void Check(int result, const char* what) {
  ++g_calls;
  if (result == 0) Fail(what);
}

std::string TitleOf(long i, WORD language) {
  return (language == kEnglish ? "Model " : "Modell ") + std::to_string(i);
}

// The tree as indexes: 0 is the root, 1..kFolders the folders, then the
// models; each record's parent index.
long ParentIndex(long i) { return i == 0 ? -1 : i <= kFolders ? 0 : 1 + (i - 1) % kFolders; }
bool IsModel(long i) { return i > kFolders; }

const COleDateTime kDate(2024, 5, 6, 7, 8, 9);

// ---- the library ----

// Creates the tree; with callerTransactions each record is one transaction.
std::vector<long> CreateWithLibrary(void* hDB, long records, bool callerTransactions) {
  std::vector<long> ids(records);
  std::vector<long> lastChild(records, 0);
  for (long i = 0; i < records; ++i) {
    if (callerTransactions) Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    COleVariant bookmark;
    Check(ZLCreateNewRecord(hDB, bookmark), "ZLCreateNewRecord");
    Check(ZLGetIDByBookmark(hDB, bookmark, ids[i]), "ZLGetIDByBookmark");
    const long id = ids[i];
    Check(ZLSetTitleByID(hDB, id, kEnglish, TitleOf(i, kEnglish).c_str(), 0), "title");
    Check(ZLSetTitleByID(hDB, id, kGerman, TitleOf(i, kGerman).c_str(), 0), "title");
    if (IsModel(i)) {
      Check(ZLSetDefNameByID(hDB, id, ("M" + std::to_string(i)).c_str()), "defname");
      Check(ZLSetInfoByID(hDB, id, kEnglish, "A model of the library.", 0), "info");
      Check(ZLSetCreatedUserByID(hDB, id, "bench", 0), "created user");
      Check(ZLSetModifiedUserByID(hDB, id, "bench", 0), "modified user");
      Check(ZLSetCreatedDateByID(hDB, id, kDate, 0), "created date");
      Check(ZLSetModifiedDateByID(hDB, id, kDate, 0), "modified date");
      Check(ZLSetStateByID(hDB, id, 1, 0), "state");
      Check(ZLSetTypeByID(hDB, id, 2), "type");
    }
    if (i > 0) {
      const long parent = ParentIndex(i);
      Check(ZLSetParentByID(hDB, id, ids[parent]), "ZLSetParentByID");
      if (lastChild[parent] == 0) {
        Check(ZLSetFirstChildByID(hDB, ids[parent], id), "ZLSetFirstChildByID");
      } else {
        Check(ZLSetNextByID(hDB, lastChild[parent], id), "ZLSetNextByID");
        Check(ZLSetPrevByID(hDB, id, lastChild[parent]), "ZLSetPrevByID");
      }
      lastChild[parent] = id;
    }
    if (callerTransactions) Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
  }
  return ids;
}

// The walk: visited records, and the bytes of titles and names read.
struct Walked {
  long records = 0;
  size_t bytes = 0;
};

// With readsPerTransaction > 0 the records are visited in caller
// transactions of that many records each.
Walked WalkWithLibrary(void* hDB, long readsPerTransaction = 0) {
  COleVariant bookmark;
  Check(ZLGetRootBookmark(hDB, bookmark), "ZLGetRootBookmark");
  long root = 0;
  Check(ZLGetIDByBookmark(hDB, bookmark, root), "ZLGetIDByBookmark");
  Walked walked;
  std::vector<long> pending = {root};
  CString text;
  COleDateTime date;
  while (!pending.empty()) {
    const long id = pending.back();
    pending.pop_back();
    if (readsPerTransaction > 0 && walked.records % readsPerTransaction == 0) {
      if (walked.records > 0) Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
      Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    }
    ++walked.records;
    if (ZLGetTitleByID(hDB, id, kEnglish, text, 0)) walked.bytes += text.GetLength();
    if (ZLGetDefNameByID(hDB, id, text)) walked.bytes += text.GetLength();
    if (ZLGetModifiedDateByID(hDB, id, date, 0)) walked.bytes += 8;
    long link = 0;
    if (ZLGetNextByID(hDB, id, link)) pending.push_back(link);
    if (ZLGetFirstChildByID(hDB, id, link)) pending.push_back(link);
  }
  if (readsPerTransaction > 0) Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
  return walked;
}

size_t ReadTitlesWithLibrary(void* hDB, const std::vector<long>& order,
                             long readsPerTransaction = 0) {
  size_t bytes = 0;
  CString title;
  const size_t batch = static_cast<size_t>(readsPerTransaction);
  for (size_t k = 0; k < order.size(); ++k) {
    if (batch > 0 && k % batch == 0) Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    Check(ZLGetTitleByID(hDB, order[k], k % 2 ? kGerman : kEnglish, title, 0), "ZLGetTitleByID");
    bytes += static_cast<size_t>(title.GetLength());
    if (batch > 0 && (k + 1 == order.size() || (k + 1) % batch == 0)) {
      Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
    }
  }
  return bytes;
}

void RewriteWithLibrary(void* hDB, const std::vector<long>& ids, bool callerTransactions) {
  for (size_t i = kFolders + 1; i < ids.size(); i += kRewriteEvery) {
    if (callerTransactions) Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    Check(ZLSetTitleByID(hDB, ids[i], kEnglish, "Rewritten", 0), "rewrite");
    if (callerTransactions) Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
  }
}

// ---- plain SQLite ----

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
  long long LastId() const { return sqlite3_last_insert_rowid(m_db); }
  [[noreturn]] void Die(const char* what) const {
    std::fprintf(stderr, "sqlite: %s: %s\n", what, sqlite3_errmsg(m_db));
    std::exit(1);
  }

 private:
  sqlite3* m_db = nullptr;
};

// One bound value: an integer, a real or a text.
struct CArg {
  CArg(long long v) : kind(0), i(v) {}            // NOLINT: implicit on purpose
  CArg(int v) : kind(0), i(v) {}                  // NOLINT
  CArg(long v) : kind(0), i(v) {}                 // NOLINT
  CArg(double v) : kind(1), d(v) {}               // NOLINT
  CArg(const std::string& v) : kind(2), t(&v) {}  // NOLINT
  int kind;
  long long i = 0;
  double d = 0;
  const std::string* t = nullptr;
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

  // Binds args, steps once and returns the first column of the row (0 when
  // there is none or it is NULL; the second column goes to second); the
  // bytes of every column of the row are added to bytes.
  long long Run(std::initializer_list<CArg> args = {}, size_t* bytes = nullptr,
                long long* second = nullptr) {
    int index = 1;
    for (const CArg& a : args) {
      if (a.kind == 0) sqlite3_bind_int64(m_stmt, index, a.i);
      if (a.kind == 1) sqlite3_bind_double(m_stmt, index, a.d);
      if (a.kind == 2) {
        sqlite3_bind_text(m_stmt, index, a.t->data(), static_cast<int>(a.t->size()), SQLITE_STATIC);
      }
      ++index;
    }
    long long result = 0;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
      if (sqlite3_column_type(m_stmt, 0) != SQLITE_NULL) result = sqlite3_column_int64(m_stmt, 0);
      if (second != nullptr) *second = sqlite3_column_int64(m_stmt, 1);
      for (int c = 0; bytes != nullptr && c < sqlite3_column_count(m_stmt); ++c) {
        *bytes += static_cast<size_t>(sqlite3_column_bytes(m_stmt, c));
      }
    } else if (rc != SQLITE_DONE) {
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

std::string SetMain(const char* field) {
  return std::string("UPDATE \"MAIN\" SET \"") + field + "\" = ?1 WHERE \"MODEL_ID\" = ?2";
}
std::string GetMain(const char* field) {
  return std::string("SELECT \"") + field + "\" FROM \"MAIN\" WHERE \"MODEL_ID\" = ?1";
}

const double kDateValue = kDate.m_dt;

// The pattern: every step as its own statement and commit.
class CPattern {
 public:
  explicit CPattern(const std::string& path)
      : m_sql(path),
        m_seek(m_sql, GetMain("MODEL_ID")),
        m_stamp(m_sql, "UPDATE \"DBINFO\" SET \"LASTLAYOUTCHANGE\" = ?1"),
        m_addRecord(m_sql, "INSERT INTO \"MAIN\" DEFAULT VALUES"),
        m_addResource(m_sql, "INSERT INTO \"RESID\" DEFAULT VALUES"),
        m_title(m_sql, GetMain("TITLE")),
        m_info(m_sql, GetMain("INFO")) {
    for (WORD language : {kEnglish, kGerman}) {
      const std::string table = StringTable(language);
      m_findText.emplace_back(
          new CStmt(m_sql, "SELECT \"RES_ID\" FROM " + table + " WHERE \"RES_ID\" = ?1"));
      m_addText.emplace_back(
          new CStmt(m_sql, "INSERT INTO " + table + " (\"RES_ID\", \"TEXT\") VALUES (?1, ?2)"));
      m_setText.emplace_back(
          new CStmt(m_sql, "UPDATE " + table + " SET \"TEXT\" = ?2 WHERE \"RES_ID\" = ?1"));
      m_getText.emplace_back(
          new CStmt(m_sql, "SELECT \"TEXT\" FROM " + table + " WHERE \"RES_ID\" = ?1"));
    }
    for (const char* field : {"DEFNAME", "CREATED_USER", "AUTHOR", "CREATED_DATE", "DATE", "STATE",
                              "TYPE", "PARENT", "FIRSTCHILD", "NEXT", "PREV", "TITLE", "INFO"}) {
      m_set.emplace_back(new CStmt(m_sql, SetMain(field)));
      m_get.emplace_back(new CStmt(m_sql, GetMain(field)));
    }
  }
  CSql& Sql() { return m_sql; }

  enum Field {
    kDefName,
    kCreatedUser,
    kAuthor,
    kCreatedDate,
    kDate,
    kState,
    kType,
    kParent,
    kFirstChild,
    kNext,
    kPrev,
    kTitle,
    kInfo
  };

  // A setter: seek, then write (each statement commits on its own).
  void Set(long long id, Field field, CArg value) {
    m_seek.Run({id});
    m_set[field]->Run({value, id});
  }
  long long Get(long long id, Field field, size_t* bytes = nullptr) {
    return m_get[field]->Run({id}, bytes);
  }
  void Stamp() { m_stamp.Run({CArg(kDateValue)}); }
  long long AddRecord() {
    m_addRecord.Run();
    const long long id = m_sql.LastId();
    Stamp();
    return id;
  }
  // A language-dependent text: the row's resource ID (a new one when it has
  // none), the text stored or replaced, then the stamp.
  void SetText(long long id, Field field, WORD language, const std::string& text) {
    m_seek.Run({id});
    long long resource = Get(id, field);
    if (resource == 0) {
      m_addResource.Run();
      resource = m_sql.LastId();
      m_set[field]->Run({resource, id});
    }
    const size_t l = language == kEnglish ? 0 : 1;
    if (m_findText[l]->Run({resource}) != 0) {
      m_setText[l]->Run({resource, text});
    } else {
      m_addText[l]->Run({resource, text});
    }
    Stamp();
  }
  void GetText(long long id, Field field, WORD language, size_t* bytes) {
    const long long resource = Get(id, field);
    m_getText[language == kEnglish ? 0 : 1]->Run({resource}, bytes);
  }

 private:
  CSql m_sql;
  CStmt m_seek, m_stamp, m_addRecord, m_addResource, m_title, m_info;
  std::vector<std::unique_ptr<CStmt>> m_findText, m_addText, m_setText, m_getText, m_set, m_get;
};

std::vector<long long> CreateWithPattern(CPattern& p, long records) {
  std::vector<long long> ids(records);
  std::vector<long long> lastChild(records, 0);
  for (long i = 0; i < records; ++i) {
    const long long id = ids[i] = p.AddRecord();
    p.SetText(id, CPattern::kTitle, kEnglish, TitleOf(i, kEnglish));
    p.SetText(id, CPattern::kTitle, kGerman, TitleOf(i, kGerman));
    if (IsModel(i)) {
      p.Set(id, CPattern::kDefName, "M" + std::to_string(i));
      p.SetText(id, CPattern::kInfo, kEnglish, "A model of the library.");
      const std::string user = "bench";
      p.Set(id, CPattern::kCreatedUser, user);
      p.Set(id, CPattern::kAuthor, user);
      p.Set(id, CPattern::kCreatedDate, kDateValue);
      p.Set(id, CPattern::kDate, kDateValue);
      p.Stamp();
      p.Set(id, CPattern::kState, 1);
      p.Set(id, CPattern::kType, 2);
    }
    if (i > 0) {
      const long parent = ParentIndex(i);
      p.Set(id, CPattern::kParent, ids[parent]);
      if (lastChild[parent] == 0) {
        p.Set(ids[parent], CPattern::kFirstChild, id);
      } else {
        p.Set(lastChild[parent], CPattern::kNext, id);
        p.Set(id, CPattern::kPrev, lastChild[parent]);
      }
      lastChild[parent] = id;
    }
  }
  return ids;
}

Walked WalkWithPattern(CPattern& p) {
  CStmt first(p.Sql(), "SELECT \"MODEL_ID\" FROM \"MAIN\" ORDER BY \"MODEL_ID\" LIMIT 1");
  long long root = first.Run();
  for (long long up = p.Get(root, CPattern::kParent); up != 0;
       up = p.Get(root, CPattern::kParent)) {
    root = up;
  }
  Walked walked;
  std::vector<long long> pending = {root};
  while (!pending.empty()) {
    const long long id = pending.back();
    pending.pop_back();
    ++walked.records;
    p.GetText(id, CPattern::kTitle, kEnglish, &walked.bytes);
    p.Get(id, CPattern::kDefName, &walked.bytes);
    size_t date = 0;
    p.Get(id, CPattern::kDate, &date);
    if (date != 0) walked.bytes += 8;
    if (const long long next = p.Get(id, CPattern::kNext); next != 0) pending.push_back(next);
    if (const long long child = p.Get(id, CPattern::kFirstChild); child != 0) {
      pending.push_back(child);
    }
  }
  return walked;
}

// The hand-written program.
class CHandWritten {
 public:
  explicit CHandWritten(const std::string& path)
      : m_sql(path),
        m_begin(m_sql, "BEGIN IMMEDIATE"),
        m_commit(m_sql, "COMMIT"),
        m_addResource(m_sql, "INSERT INTO \"RESID\" DEFAULT VALUES"),
        m_addEnglish(m_sql, "INSERT INTO " + StringTable(kEnglish) +
                                " (\"RES_ID\", \"TEXT\") VALUES (?1, ?2)"),
        m_addGerman(m_sql, "INSERT INTO " + StringTable(kGerman) +
                               " (\"RES_ID\", \"TEXT\") VALUES (?1, ?2)"),
        m_addRecord(m_sql,
                    "INSERT INTO \"MAIN\" (\"TITLE\", \"DEFNAME\", \"INFO\", \"CREATED_USER\", "
                    "\"AUTHOR\", \"CREATED_DATE\", \"DATE\", \"STATE\", \"TYPE\", \"PARENT\", "
                    "\"PREV\") VALUES (?1, ?2, ?3, ?4, ?4, ?5, ?5, ?6, ?7, ?8, ?9)"),
        m_setFirstChild(m_sql, SetMain("FIRSTCHILD")),
        m_setNext(m_sql, SetMain("NEXT")),
        m_stamp(m_sql, "UPDATE \"DBINFO\" SET \"LASTLAYOUTCHANGE\" = ?1"),
        m_root(m_sql,
               "SELECT \"MODEL_ID\" FROM \"MAIN\" WHERE coalesce(\"PARENT\", 0) = 0 ORDER BY "
               "\"MODEL_ID\" "
               "LIMIT 1"),
        m_row(m_sql,
              "SELECT m.\"NEXT\", m.\"FIRSTCHILD\", m.\"DEFNAME\", m.\"DATE\", s.\"TEXT\" "
              "FROM \"MAIN\" m LEFT JOIN " +
                  StringTable(kEnglish) +
                  " s ON s.\"RES_ID\" = m.\"TITLE\" WHERE m.\"MODEL_ID\" = ?1"),
        m_rewrite(m_sql, "UPDATE " + StringTable(kEnglish) +
                             " SET \"TEXT\" = ?2 WHERE \"RES_ID\" = (SELECT \"TITLE\" FROM "
                             "\"MAIN\" WHERE \"MODEL_ID\" = ?1)") {
    for (WORD language : {kEnglish, kGerman}) {
      m_title.emplace_back(new CStmt(m_sql, "SELECT s.\"TEXT\" FROM \"MAIN\" m JOIN " +
                                                StringTable(language) +
                                                " s ON s.\"RES_ID\" = m.\"TITLE\" WHERE "
                                                "m.\"MODEL_ID\" = ?1"));
    }
  }

  std::vector<long long> Create(long records) {
    std::vector<long long> ids(records);
    std::vector<long long> lastChild(records, 0);
    for (long i = 0; i < records; ++i) {
      m_begin.Run();
      m_addResource.Run();
      const long long title = m_sql.LastId();
      m_addEnglish.Run({title, TitleOf(i, kEnglish)});
      m_addGerman.Run({title, TitleOf(i, kGerman)});
      const long parent = ParentIndex(i);
      const long long parentID = i > 0 ? ids[parent] : 0;
      const long long prev = i > 0 ? lastChild[parent] : 0;
      if (IsModel(i)) {
        m_addResource.Run();
        const long long info = m_sql.LastId();
        m_addEnglish.Run({info, std::string("A model of the library.")});
        m_addRecord.Run({title, "M" + std::to_string(i), info, std::string("bench"), kDateValue, 1,
                         2, parentID, prev});
      } else {
        m_addRecord.Run({title, std::string(), 0, std::string(), 0.0, 0, 0, parentID, prev});
      }
      const long long id = ids[i] = m_sql.LastId();
      if (i > 0) {
        if (prev == 0) {
          m_setFirstChild.Run({id, parentID});
        } else {
          m_setNext.Run({id, prev});
        }
        lastChild[parent] = id;
      }
      m_stamp.Run({CArg(kDateValue)});
      m_commit.Run();
    }
    return ids;
  }

  Walked Walk() {
    Walked walked;
    std::vector<long long> pending = {m_root.Run()};
    while (!pending.empty()) {
      const long long id = pending.back();
      pending.pop_back();
      ++walked.records;
      long long child = 0;
      const long long next = m_row.Run({id}, &walked.bytes, &child);
      if (next != 0) pending.push_back(next);
      if (child != 0) pending.push_back(child);
    }
    return walked;
  }

  size_t Titles(const std::vector<long>& order) {
    size_t bytes = 0;
    for (size_t k = 0; k < order.size(); ++k) m_title[k % 2]->Run({order[k]}, &bytes);
    return bytes;
  }

  void Rewrite(const std::vector<long long>& ids) {
    for (size_t i = kFolders + 1; i < ids.size(); i += kRewriteEvery) {
      m_begin.Run();
      m_rewrite.Run({ids[i], std::string("Rewritten")});
      m_stamp.Run({CArg(kDateValue)});
      m_commit.Run();
    }
  }

 private:
  CSql m_sql;
  CStmt m_begin, m_commit, m_addResource, m_addEnglish, m_addGerman, m_addRecord, m_setFirstChild,
      m_setNext, m_stamp, m_root, m_row, m_rewrite;
  std::vector<std::unique_ptr<CStmt>> m_title;
};

// ---- measuring ----

// Seconds per operation of the four programs (a missing one is 0).
struct Phase {
  double library = 0, transaction = 0, pattern = 0, hand = 0;
};

struct Figures {
  long n = 0;
  Phase create, walk, title, rewrite;
  double open = 0;      // seconds per open and close of the library
  double openHand = 0;  // the same for plain SQLite, reading the root's row
  // Peak resident memory during the walk above what was resident before
  // it, in kilobytes, for the library and the hand-written program.
  long walkMemory = 0, handWalkMemory = 0;
  long residentBefore = 0;
};

// Runs body and returns how far the peak resident memory rose above what
// was resident before, in kilobytes.
template <class Body>
long PeakGrowth(Body&& body) {
  ResetPeak();
  const long before = MemoryKB("VmRSS:");
  body();
  const long peak = MemoryKB("VmHWM:");
  return peak > before ? peak - before : 0;
}

void PrintPhase(const char* what, const Phase& p) {
  auto us = [](double s) { return s * 1e6; };
  std::printf("  %-20s %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f", what, us(p.library), us(p.transaction),
              us(p.pattern), us(p.hand), p.library / p.pattern, p.library / p.hand);
  if (p.transaction > 0) std::printf(" %9.2f", p.transaction / p.hand);
  std::printf("\n");
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

void Expect(bool same, const char* what) {
  if (!same) {
    std::fprintf(stderr, "bench_model_library: the programs disagree on %s\n", what);
    std::exit(1);
  }
}

// Copies every file's write-ahead log into the file, so that each phase
// starts with an empty log and no program pays for a checkpoint that an
// earlier phase's writes made due.
void Settle(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    CSql sql(file);
    sql.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
}

// Times one phase.  Run under valgrind --tool=callgrind, each phase is also
// dumped as a profile of its own named by label (callgrind.out.PID.K with
// "Client Request: label"), whose instruction count does not depend on the
// machine's load.
template <class Body>
double Time(const char* label, long count, Body&& body) {
#ifdef ZL_BENCH_CALLGRIND
  CALLGRIND_ZERO_STATS;
#endif
  const Clock::time_point start = Clock::now();
  body();
  const double seconds = SecondsSince(start) / static_cast<double>(count);
#ifdef ZL_BENCH_CALLGRIND
  CALLGRIND_DUMP_STATS_AT(label);
#else
  (void)label;
#endif
  return seconds;
}

Figures Measure(const std::filesystem::path& dir, long n) {
  Figures f;
  f.n = n;
  const long records = n + kFolders + 1;
  const long rewrites = (records - kFolders - 1 + kRewriteEvery - 1) / kRewriteEvery;
  auto file = [&](const char* name) {
    return EmptyLibrary((dir / (name + std::to_string(n))).string());
  };
  const std::vector<std::string> files = {file("lib"), file("txn"), file("pattern"), file("hand")};
  const std::string& libraryFile = files[0];
  const std::string& transactionFile = files[1];
  CPattern pattern(files[2]);
  CHandWritten hand(files[3]);

  void* hDB = ZLOpenDatabase(libraryFile.c_str(), eOpenReadWriteNoLogin);
  void* hTxn = ZLOpenDatabase(transactionFile.c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr || hTxn == nullptr) Fail("ZLOpenDatabase");
  std::vector<long> ids;
  std::vector<long long> patternIds, handIds;
  f.create.library =
      Time("create.library", records, [&] { ids = CreateWithLibrary(hDB, records, false); });
  f.create.transaction =
      Time("create.transaction", records, [&] { CreateWithLibrary(hTxn, records, true); });
  f.create.pattern =
      Time("create.pattern", records, [&] { patternIds = CreateWithPattern(pattern, records); });
  f.create.hand = Time("create.hand", records, [&] { handIds = hand.Create(records); });

  Settle(files);
  Walked walked[3];
  f.residentBefore = MemoryKB("VmRSS:");
  f.walkMemory = PeakGrowth([&] {
    f.walk.library = Time("walk.library", records, [&] { walked[0] = WalkWithLibrary(hDB); });
  });
  f.walk.pattern = Time("walk.pattern", records, [&] { walked[1] = WalkWithPattern(pattern); });
  f.handWalkMemory = PeakGrowth(
      [&] { f.walk.hand = Time("walk.hand", records, [&] { walked[2] = hand.Walk(); }); });
  Expect(walked[0].records == records && walked[1].records == records &&
             walked[2].records == records && walked[0].bytes == walked[1].bytes,
         "the walk");

  // The same random records (by position) for every program.
  std::mt19937 random(12345);
  std::vector<long> positions;
  for (long k = 0; k < kLookups; ++k) positions.push_back(random() % records);
  std::vector<long> order, patternOrder, handOrder;
  for (long pos : positions) {
    order.push_back(ids[pos]);
    patternOrder.push_back(static_cast<long>(patternIds[pos]));
    handOrder.push_back(static_cast<long>(handIds[pos]));
  }
  Settle(files);
  size_t bytes[3] = {};
  f.title.library =
      Time("title.library", kLookups, [&] { bytes[0] = ReadTitlesWithLibrary(hDB, order); });
  f.title.pattern = Time("title.pattern", kLookups, [&] {
    for (size_t k = 0; k < patternOrder.size(); ++k) {
      pattern.GetText(patternOrder[k], CPattern::kTitle, k % 2 ? kGerman : kEnglish, &bytes[1]);
    }
  });
  f.title.hand = Time("title.hand", kLookups, [&] { bytes[2] = hand.Titles(handOrder); });
  Expect(bytes[0] == bytes[1] && bytes[1] == bytes[2], "the titles");

  Settle(files);
  f.rewrite.library =
      Time("rewrite.library", rewrites, [&] { RewriteWithLibrary(hDB, ids, false); });
  Settle(files);
  f.rewrite.transaction =
      Time("rewrite.transaction", rewrites, [&] { RewriteWithLibrary(hDB, ids, true); });
  f.rewrite.pattern = Time("rewrite.pattern", rewrites, [&] {
    for (size_t i = kFolders + 1; i < patternIds.size(); i += kRewriteEvery) {
      pattern.SetText(patternIds[i], CPattern::kTitle, kEnglish, "Rewritten");
    }
  });
  f.rewrite.hand = Time("rewrite.hand", rewrites, [&] { hand.Rewrite(handIds); });
  Check(ZLCloseDatabase(hTxn), "ZLCloseDatabase");
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");

  constexpr int kOpens = 20;
  f.open = Time("open", kOpens, [&] {
    for (int k = 0; k < kOpens; ++k) {
      void* h = ZLOpenDatabase(libraryFile.c_str(), eOpenReadWriteNoLogin);
      if (h == nullptr) Fail("ZLOpenDatabase");
      Check(ZLCloseDatabase(h), "ZLCloseDatabase");
    }
  });
  f.openHand = Time("open.hand", kOpens, [&] {
    for (int k = 0; k < kOpens; ++k) {
      CSql sql(files[3]);
      CStmt root(sql, "SELECT \"MODEL_ID\" FROM \"MAIN\" ORDER BY \"MODEL_ID\" LIMIT 1");
      if (root.Run() == 0) sql.Die("root");
    }
  });

  std::printf("N = %ld models (microseconds per operation; ratios of the library's time)\n", n);
  std::printf("  %-20s %9s %9s %9s %9s %9s %9s %9s\n", "", "library", "lib+txn", "pattern", "hand",
              "lib/pat", "lib/hand", "txn/hand");
  PrintPhase("create, per record", f.create);
  PrintPhase("walk, per record", f.walk);
  PrintPhase("title by ID", f.title);
  PrintPhase("title rewrite", f.rewrite);
  std::printf("  %-20s %9.2f %9s %9s %9.2f %9s %9.2f\n", "open and close", f.open * 1e6, "", "",
              f.openHand * 1e6, "", f.open / f.openHand);
  std::printf("  %-20s %9ld %9s %9s %9ld  (KB of peak resident memory above the %ld KB before)\n",
              "walk, memory", f.walkMemory, "", "", f.handWalkMemory, f.residentBefore);
  return f;
}

// ---- simulator-language content ----
//
// Every model gets a 2 KB macro (stored compressed) and a call line in two
// simulator languages; then each model's macros and call lines are read
// back.  The library writes each model in a caller transaction (one commit
// per model); plain SQLite does the same logical work on the same tables in
// one transaction per model: a resource ID for the macro's description,
// the packed text and option blocks (the same codec), the macro row and the
// call row per language; reading selects the rows by model, unpacks and
// checks the option block's length prefix.

const char* const kSimLanguages[] = {"Spice", "VHDLA"};

std::string MacroText(long i) {
  std::string text;
  while (text.size() < 2048) text += ".subckt amp" + std::to_string(i) + " in out vdd gnd\n";
  text.resize(2048);
  return text;
}

struct SimFigures {
  long n = 0;
  double libraryWrite = 0, sqliteWrite = 0, libraryRead = 0, sqliteRead = 0;
};

SimFigures MeasureSimLanguage(const std::filesystem::path& dir, long n) {
  SimFigures f;
  f.n = n;
  auto make = [&](const char* name) {
    const std::string path = (dir / (name + std::to_string(n))).string();
    void* h = ZLCreateDatabase(path.c_str());
    if (h == nullptr) Fail("ZLCreateDatabase");
    for (const char* language : kSimLanguages) {
      Check(ZLAddMacroTable(h, language, 0), "ZLAddMacroTable");
      Check(ZLAddCallTable(h, language, 0), "ZLAddCallTable");
    }
    return std::make_pair(path, h);
  };
  auto [libraryFile, hDB] = make("simlib");
  auto [sqliteFile, hPlain] = make("simsql");
  Check(ZLCloseDatabase(hPlain), "ZLCloseDatabase");
  std::vector<long> ids;
  Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
  for (long i = 0; i < n; ++i) {
    COleVariant mark;
    long id = 0;
    Check(ZLCreateNewRecord(hDB, mark), "ZLCreateNewRecord");
    Check(ZLGetIDByBookmark(hDB, mark, id), "ZLGetIDByBookmark");
    ids.push_back(id);
  }
  Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");

  f.libraryWrite = Time("sim.libraryWrite", n, [&] {
    for (long i = 0; i < n; ++i) {
      CZLMacroObject macro;
      macro.m_strMacroText = MacroText(i).c_str();
      macro.m_strFlexOption = "-O2";
      macro.m_lState = 0x8000;
      macro.m_dwLevel = 1;
      CZLCallObject call;
      call.m_strCallKey = "netlist";
      call.m_strCallText = ("X" + std::to_string(i) + " in out amp").c_str();
      call.m_dwLevel = 1;
      Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
      for (const char* language : kSimLanguages) {
        Check(ZLSetMacroByID(hDB, ids[i], language, macro), "ZLSetMacroByID");
        Check(ZLSetCallByID(hDB, ids[i], language, call), "ZLSetCallByID");
      }
      Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
    }
  });
  size_t libraryBytes = 0, sqliteBytes = 0;
  f.libraryRead = Time("sim.libraryRead", n, [&] {
    for (long i = 0; i < n; ++i) {
      for (const char* language : kSimLanguages) {
        CZLMacroObject macro;
        CZLCallObject call;
        Check(ZLGetMacroByID(hDB, ids[i], language, 1ul, macro, ZL_MACRO_ACCESS), "ZLGetMacroByID");
        Check(ZLGetCallByID(hDB, ids[i], language, "NETLIST", 1ul, call), "ZLGetCallByID");
        libraryBytes += macro.m_strMacroText.GetLength() + call.m_strCallText.GetLength();
      }
    }
  });
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");

  CSql sql(sqliteFile);
  CStmt begin(sql, "BEGIN IMMEDIATE"), commit(sql, "COMMIT");
  CStmt resid(sql, "INSERT INTO \"RESID\" DEFAULT VALUES");
  // Statements with blobs, which CStmt does not bind.
  using CRaw = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;
  auto prepare = [&](const std::string& text) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(sql.Db(), text.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      sql.Die(text.c_str());
    }
    return CRaw(stmt, sqlite3_finalize);
  };
  std::vector<CRaw> addMacro, getMacro;
  std::vector<std::unique_ptr<CStmt>> addCall, getCall;
  for (const char* language : kSimLanguages) {
    const std::string lang = language;
    addMacro.push_back(prepare("INSERT INTO \"MACRO_" + lang +
                               "\" (\"MODEL_ID\", \"MACROTEXT\", \"STATE\", \"LEVEL\", "
                               "\"ENABLED\", \"FLEXOPTION\", \"DESCRIPTION\", \"DEFNAME\", "
                               "\"DEFAULT\") VALUES (?1, ?2, 32768, 1, -1, ?3, ?4, '', 0)"));
    getMacro.push_back(prepare("SELECT \"MACROTEXT\", \"FLEXOPTION\" FROM \"MACRO_" + lang +
                               "\" WHERE \"MODEL_ID\" = ?1 AND (\"LEVEL\" & 1) = 1 "
                               "ORDER BY \"MACRO_ID\" LIMIT 1"));
    addCall.emplace_back(new CStmt(sql, "INSERT INTO \"CALL_" + lang +
                                            "\" (\"MODEL_ID\", \"CALL_KEY\", \"CALL\", \"LEVEL\") "
                                            "VALUES (?1, ?2, ?3, ?4)"));
    getCall.emplace_back(new CStmt(sql, "SELECT \"CALL\" FROM \"CALL_" + lang +
                                            "\" WHERE \"MODEL_ID\" = ?1 AND \"CALL_KEY\" = ?2 "
                                            "COLLATE NOCASE AND (\"LEVEL\" & 1) = 1 "
                                            "ORDER BY \"CALL_ID\" LIMIT 1"));
  }
  auto bindBlob = [](sqlite3_stmt* stmt, int index, const COleVariant& block) {
    sqlite3_bind_blob(stmt, index, block.GetByteArrayData(),
                      static_cast<int>(block.GetByteArraySize()), SQLITE_TRANSIENT);
  };
  f.sqliteWrite = Time("sim.sqliteWrite", n, [&] {
    const std::string key = "netlist";
    for (long i = 0; i < n; ++i) {
      const std::string text = MacroText(i), call = "X" + std::to_string(i) + " in out amp";
      begin.Run();
      for (size_t l = 0; l < addMacro.size(); ++l) {
        resid.Run();
        const long long resourceID = sql.LastId();
        std::string option(4, '\0');
        for (int b = 0; b < 4; ++b) option[b] = static_cast<char>((text.size() >> (8 * b)) & 0xFF);
        option += "-O2";
        sqlite3_stmt* add = addMacro[l].get();
        sqlite3_bind_int64(add, 1, ids[i]);
        bindBlob(add, 2, zl::StoreTextBlock(text.data(), text.size(), true));
        bindBlob(add, 3, zl::StoreTextBlock(option.data(), option.size(), true));
        sqlite3_bind_int64(add, 4, resourceID);
        if (sqlite3_step(add) != SQLITE_DONE) sql.Die("macro insert");
        sqlite3_reset(add);
        addCall[l]->Run({ids[i], key, call, 1L});
      }
      commit.Run();
    }
  });
  f.sqliteRead = Time("sim.sqliteRead", n, [&] {
    const std::string key = "NETLIST";
    for (long i = 0; i < n; ++i) {
      for (size_t l = 0; l < getMacro.size(); ++l) {
        sqlite3_stmt* get = getMacro[l].get();
        sqlite3_bind_int64(get, 1, ids[i]);
        if (sqlite3_step(get) != SQLITE_ROW) sql.Die("macro select");
        COleVariant text, option;
        text.SetByteArray(sqlite3_column_blob(get, 0),
                          static_cast<size_t>(sqlite3_column_bytes(get, 0)));
        option.SetByteArray(sqlite3_column_blob(get, 1),
                            static_cast<size_t>(sqlite3_column_bytes(get, 1)));
        sqlite3_reset(get);
        std::string body, options;
        if (zl::LoadTextBlock(text, true, body) != 0 ||
            zl::LoadBlockBytes(option, true, options) != 0 || options.size() < 4) {
          sql.Die("unpack");
        }
        size_t callBytes = 0;
        getCall[l]->Run({ids[i], key}, &callBytes);
        sqliteBytes += body.size() + callBytes;
      }
    }
  });
  Expect(libraryBytes == sqliteBytes, "the macro and call texts");

  std::printf("N = %ld models: macros and call lines in two simulator languages\n", n);
  std::printf("  %-20s %9s %9s %9s\n", "", "library", "sqlite", "lib/sql");
  std::printf("  %-20s %9.2f %9.2f %9.2f\n", "write, per model", f.libraryWrite * 1e6,
              f.sqliteWrite * 1e6, f.libraryWrite / f.sqliteWrite);
  std::printf("  %-20s %9.2f %9.2f %9.2f\n", "read, per model", f.libraryRead * 1e6,
              f.sqliteRead * 1e6, f.libraryRead / f.sqliteRead);
  return f;
}

// ---- a library on a PostgreSQL server ----
//
// With ZL_PG_URI set (scripts/pg-test-server.sh bench/...), the library's
// workload also runs on a library in that server database, against the same
// on a file in the same run, with and without caller transactions; each
// line gives microseconds per operation, the server's ratio to the file and
// the requests sent to the server per exported call.  ZL_BENCH_SERVER_ONLY=1
// skips the plain-SQLite programs.

struct ServerPhase {
  double file = 0, server = 0;
  double trips = 0;  // server requests per exported call
};

struct ServerFigures {
  long n = 0;
  ServerPhase create, createTxn, walk, walkTxn, title, titleTxn, rewrite, rewriteTxn;
};

// An empty library on the server (any library there is removed first).
std::string EmptyServerLibrary(const std::string& uri) {
  try {
    CDaoDatabase::DeleteServerLibrary(uri.c_str());
  } catch (const CDaoException&) {
    Fail("removing the server library");
  }
  return EmptyLibrary(uri);
}

// Times body on the file library and on the server library; calls is the
// number of exported calls body makes (for the server's requests per call).
template <class Body>
ServerPhase Compare(const char* label, long count, long calls, void* hFile, void* hServer,
                    Body&& body) {
  ServerPhase phase;
  phase.file = Time(label, count, [&] { body(hFile); });
  const uint64_t trips = zl::engine::ServerRoundTrips();
  phase.server = Time(label, count, [&] { body(hServer); });
  phase.trips =
      static_cast<double>(zl::engine::ServerRoundTrips() - trips) / static_cast<double>(calls);
  return phase;
}

ServerFigures MeasureServer(const std::filesystem::path& dir, long n, const std::string& uri) {
  ServerFigures f;
  f.n = n;
  const long records = n + kFolders + 1;
  const std::string file = EmptyLibrary((dir / ("server-file" + std::to_string(n))).string());
  const std::string fileTxn = EmptyLibrary((dir / ("server-txn" + std::to_string(n))).string());
  void* hFile = ZLOpenDatabase(file.c_str(), eOpenReadWriteNoLogin);
  void* hServer = ZLOpenDatabase(EmptyServerLibrary(uri).c_str(), eOpenReadWriteNoLogin);
  if (hFile == nullptr || hServer == nullptr) Fail("ZLOpenDatabase");
  // Exported calls of one pass (the same on either side).
  const auto callsOf = [&](auto&& body) {
    const long before = g_calls;
    body();
    return g_calls - before;
  };
  std::vector<long> ids;
  long calls = 0;
  f.create = Compare("server.create", records, 1, hFile, hServer, [&](void* h) {
    calls = callsOf([&] { ids = CreateWithLibrary(h, records, false); });
  });
  f.create.trips *= 1.0 / static_cast<double>(calls);
  // Five calls per record: title, name, date and the two links.
  f.walk = Compare("server.walk", records, records * 5, hFile, hServer,
                   [&](void* h) { WalkWithLibrary(h); });
  // The same in caller transactions (their begins and commits count as
  // calls).
  const long readTxns = (records + kReadsPerTransaction - 1) / kReadsPerTransaction;
  f.walkTxn = Compare("server.walk.txn", records, records * 5 + readTxns * 2, hFile, hServer,
                      [&](void* h) { WalkWithLibrary(h, kReadsPerTransaction); });
  std::mt19937 random(12345);
  std::vector<long> order;
  for (long k = 0; k < kLookups; ++k) order.push_back(ids[random() % records]);
  f.title = Compare("server.title", kLookups, kLookups, hFile, hServer,
                    [&](void* h) { ReadTitlesWithLibrary(h, order); });
  const long lookupTxns = (kLookups + kReadsPerTransaction - 1) / kReadsPerTransaction;
  f.titleTxn = Compare("server.title.txn", kLookups, kLookups + lookupTxns * 2, hFile, hServer,
                       [&](void* h) { ReadTitlesWithLibrary(h, order, kReadsPerTransaction); });
  const long rewrites = (records - kFolders - 1 + kRewriteEvery - 1) / kRewriteEvery;
  f.rewrite = Compare("server.rewrite", rewrites, rewrites, hFile, hServer,
                      [&](void* h) { RewriteWithLibrary(h, ids, false); });
  f.rewriteTxn = Compare("server.rewrite.txn", rewrites, rewrites * 3, hFile, hServer,
                         [&](void* h) { RewriteWithLibrary(h, ids, true); });
  Check(ZLCloseDatabase(hServer), "ZLCloseDatabase");
  Check(ZLCloseDatabase(hFile), "ZLCloseDatabase");

  hFile = ZLOpenDatabase(fileTxn.c_str(), eOpenReadWriteNoLogin);
  hServer = ZLOpenDatabase(EmptyServerLibrary(uri).c_str(), eOpenReadWriteNoLogin);
  if (hFile == nullptr || hServer == nullptr) Fail("ZLOpenDatabase");
  f.createTxn = Compare("server.create.txn", records, 1, hFile, hServer, [&](void* h) {
    calls = callsOf([&] { CreateWithLibrary(h, records, true); });
  });
  f.createTxn.trips *= 1.0 / static_cast<double>(calls);
  Check(ZLCloseDatabase(hServer), "ZLCloseDatabase");
  Check(ZLCloseDatabase(hFile), "ZLCloseDatabase");

  std::printf("N = %ld models, file and PostgreSQL server (microseconds per operation)\n", n);
  std::printf("  %-26s %10s %10s %12s %14s\n", "", "file", "server", "server/file",
              "requests/call");
  const auto print = [](const char* what, const ServerPhase& p) {
    std::printf("  %-26s %10.1f %10.1f %12.2f %14.2f\n", what, p.file * 1e6, p.server * 1e6,
                p.server / p.file, p.trips);
  };
  print("create, per record", f.create);
  print("create, txn per record", f.createTxn);
  print("walk, per record", f.walk);
  print("walk, txn per 10 records", f.walkTxn);
  print("title by ID", f.title);
  print("title by ID, txn per 10", f.titleTxn);
  print("title rewrite", f.rewrite);
  print("title rewrite, txn each", f.rewriteTxn);
  return f;
}

void PrintServerGrowth(const ServerFigures& a, const ServerFigures& b) {
  std::printf("server, growth from N = %ld to N = %ld (time per operation, 1.00 = flat)\n", a.n,
              b.n);
  const auto growth = [](const char* what, const ServerPhase& x, const ServerPhase& y) {
    std::printf("  %-26s %10.2f %10.2f\n", what, y.file / x.file, y.server / x.server);
  };
  growth("create, per record", a.create, b.create);
  growth("create, txn per record", a.createTxn, b.createTxn);
  growth("walk, per record", a.walk, b.walk);
  growth("walk, txn per 10 records", a.walkTxn, b.walkTxn);
  growth("title by ID", a.title, b.title);
  growth("title by ID, txn per 10", a.titleTxn, b.titleTxn);
  growth("title rewrite", a.rewrite, b.rewrite);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000}, sizes)) return 2;
  const zlbench::ScratchDir scratch;
  if (!scratch.Made()) return 1;
  const std::filesystem::path& dir = scratch.Path();
  const char* uri = std::getenv("ZL_PG_URI");
  if (uri != nullptr && *uri != '\0') {
    std::vector<ServerFigures> server;
    for (long n : sizes) server.push_back(MeasureServer(dir, n, uri));
    if (server.size() >= 2) PrintServerGrowth(server.front(), server.back());
    const char* only = std::getenv("ZL_BENCH_SERVER_ONLY");
    if (only != nullptr && std::string(only) == "1") return 0;
  }
  std::vector<Figures> figures;
  for (long n : sizes) figures.push_back(Measure(dir, n));
  std::vector<SimFigures> simFigures;
  // The simulator-language content at the sizes up to 10,000 models (2 KB
  // macros for 100,000 models would only measure the disk).
  for (long n : sizes) {
    if (n <= 10000) simFigures.push_back(MeasureSimLanguage(dir, n));
  }
  if (simFigures.size() >= 2) {
    const SimFigures& a = simFigures.front();
    const SimFigures& b = simFigures.back();
    std::printf("macros and calls, growth from N = %ld to N = %ld (1.00 = flat)\n", a.n, b.n);
    std::printf("  %-20s %9.2f %9.2f\n", "write, per model", b.libraryWrite / a.libraryWrite,
                b.sqliteWrite / a.sqliteWrite);
    std::printf("  %-20s %9.2f %9.2f\n", "read, per model", b.libraryRead / a.libraryRead,
                b.sqliteRead / a.sqliteRead);
  }

  if (figures.size() >= 2) {
    const Figures& a = figures.front();
    const Figures& b = figures.back();
    std::printf("growth from N = %ld to N = %ld (time per operation, 1.00 = flat)\n", a.n, b.n);
    std::printf("  %-20s %9s %9s %9s %9s\n", "", "library", "lib+txn", "pattern", "hand");
    auto growth = [](const char* what, const Phase& x, const Phase& y) {
      auto g = [](double from, double to) { return from > 0 ? to / from : 0.0; };
      std::printf("  %-20s %9.2f %9.2f %9.2f %9.2f\n", what, g(x.library, y.library),
                  g(x.transaction, y.transaction), g(x.pattern, y.pattern), g(x.hand, y.hand));
    };
    growth("create, per record", a.create, b.create);
    growth("walk, per record", a.walk, b.walk);
    growth("title by ID", a.title, b.title);
    growth("title rewrite", a.rewrite, b.rewrite);
    std::printf("  %-20s %9.2f %9s %9s %9.2f\n", "open and close", b.open / a.open, "", "",
                b.openHand / a.openHand);
    std::printf("  %-20s %9ld %9s %9s %9ld  (KB of walk memory at N = %ld, against %ld and %ld)\n",
                "walk, memory", b.walkMemory, "", "", b.handWalkMemory, b.n, a.walkMemory,
                a.handWalkMemory);
  }
  return 0;
}
