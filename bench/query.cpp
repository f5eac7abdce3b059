// The model query against plain SQLite answering the same question on the
// same file, in the same run, for each library size.
//
//   bench_query [N ...]      N defaults to 1000, 10000 and 100000
//
// The library: N models, each with a definition name and an English and a
// German title; one model in 50 has "Low-Noise" in its English title.  The
// question: which records have a title, in any language, that matches
// "*low-noise*" ignoring case (wildcards on).  The programs:
//   - query: CZLQueryObject::DoQuery;
//   - by record: the candidate-by-candidate evaluation through exported
//     reads (every bookmark, its ID, its title map, the match), up to
//     N = 10,000;
//   - sqlite: one SELECT joining MAIN with the string tables, matching with
//     GLOB on upper-cased texts (the bench's texts are ASCII).
// Each line gives microseconds per model scanned and the ratios; the last
// block compares the per-model times across N (1.00 = flat).
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_main.h"
#include "platform/wildcard_match.h"
#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr long kHitEvery = 50;
constexpr long kByRecordLimit = 10000;
const char kPattern[] = "*low-noise*";

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_query: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what);
}

void Build(const std::string& path, long n) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase");
  Check(ZLAddResourceTable(hDB, kEnglish), "ZLAddResourceTable");
  Check(ZLAddResourceTable(hDB, kGerman), "ZLAddResourceTable");
  const long batch = 1000;
  for (long i = 0; i < n; ++i) {
    if (i % batch == 0) Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    COleVariant bookmark;
    long id = 0;
    Check(ZLCreateNewRecord(hDB, bookmark), "ZLCreateNewRecord");
    Check(ZLGetIDByBookmark(hDB, bookmark, id), "ZLGetIDByBookmark");
    Check(ZLSetDefNameByID(hDB, id, ("M" + std::to_string(i)).c_str()), "ZLSetDefNameByID");
    const std::string kind = i % kHitEvery == 7 ? "Low-Noise amplifier " : "Amplifier ";
    Check(ZLSetTitleByID(hDB, id, kEnglish, (kind + std::to_string(i)).c_str(), 0),
          "ZLSetTitleByID");
    Check(ZLSetTitleByID(hDB, id, kGerman, ("Verstaerker " + std::to_string(i)).c_str(), 0),
          "ZLSetTitleByID");
    if (i % batch == batch - 1 || i == n - 1)
      Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
  }
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  // Both programs then read the file itself, not a long write-ahead log.
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail("checkpoint");
  }
  sqlite3_close(db);
}

size_t WithQuery(void* hDB) {
  CZLQueryObject query;
  query.SetTitle(kPattern, 0);
  query.SetUseWildcardsFlag(1);
  query.SetIgnoreCaseFlag(1);
  Check(query.DoQuery(hDB), "DoQuery");
  return static_cast<size_t>(query.m_arrResults.GetSize());
}

size_t ByRecord(void* hDB) {
  CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
  Check(ZLGetAllBookmarks(hDB, bookmarks), "ZLGetAllBookmarks");
  CString pattern(kPattern);
  pattern.MakeUpper();
  size_t hits = 0;
  for (int i = static_cast<int>(bookmarks.GetSize()) - 1; i >= 0; --i) {
    long id = 0;
    Check(ZLGetIDByBookmark(hDB, *bookmarks[i], id), "ZLGetIDByBookmark");
    CMap<WORD, WORD, CString, LPCSTR> titles;
    if (ZLGetTitleByBookmark(hDB, *bookmarks[i], titles, 0) == 0) continue;
    bool hit = false;
    for (POSITION pos = titles.GetStartPosition(); pos != nullptr;) {
      WORD language = 0;
      CString text;
      titles.GetNextAssoc(pos, language, text);
      text.MakeUpper();
      hit = hit || zl::MatchWildcards(text.GetString(), pattern.GetString());
    }
    if (hit) ++hits;
  }
  ZLFreeBookmarkArray(bookmarks);
  return hits;
}

size_t WithSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    Fail("sqlite3_open_v2");
  }
  char en[32], de[32];
  std::snprintf(en, sizeof en, "STRINGTAB_%08x", kEnglish);
  std::snprintf(de, sizeof de, "STRINGTAB_%08x", kGerman);
  const std::string sql = std::string(
                              "SELECT m.\"MODEL_ID\" FROM \"MAIN\" m WHERE EXISTS (SELECT 1 "
                              "FROM \"") +
                          en +
                          "\" s WHERE s.\"RES_ID\" = m.\"TITLE\" AND "
                          "upper(s.\"TEXT\") GLOB ?1) OR EXISTS (SELECT 1 FROM \"" +
                          de +
                          "\" s WHERE s.\"RES_ID\" = m.\"TITLE\" AND upper(s.\"TEXT\") GLOB ?1) "
                          "ORDER BY m.\"MODEL_ID\" DESC";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) Fail("prepare");
  sqlite3_bind_text(stmt, 1, "*LOW-NOISE*", -1, SQLITE_STATIC);
  size_t hits = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) ++hits;
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return hits;
}

struct Figures {
  long n = 0;
  double query = 0, byRecord = 0, sqlite = 0;  // seconds per model
};

template <class Body>
double Best(long n, Body&& body, size_t& hits) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const Clock::time_point start = Clock::now();
    hits = body();
    best = std::min(best, SecondsSince(start));
  }
  return best / static_cast<double>(n);
}

Figures Measure(const std::filesystem::path& dir, long n) {
  Figures f;
  f.n = n;
  const std::string path = (dir / ("query" + std::to_string(n))).string();
  Build(path, n);
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  if (hDB == nullptr) Fail("ZLOpenDatabase");
  size_t queryHits = 0, recordHits = 0, sqliteHits = 0;
  f.query = Best(
      n, [&] { return WithQuery(hDB); }, queryHits);
  if (n <= kByRecordLimit)
    f.byRecord = Best(
        n, [&] { return ByRecord(hDB); }, recordHits);
  f.sqlite = Best(
      n, [&] { return WithSqlite(path); }, sqliteHits);
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  const size_t expected = static_cast<size_t>((n + kHitEvery - 8) / kHitEvery);
  if (queryHits != expected || sqliteHits != expected ||
      (n <= kByRecordLimit && recordHits != expected)) {
    std::fprintf(stderr, "bench_query: hits differ: query %zu, by record %zu, sqlite %zu, %zu\n",
                 queryHits, recordHits, sqliteHits, expected);
    std::exit(1);
  }
  std::printf("N = %ld (%zu hits), microseconds per model scanned\n", n, queryHits);
  std::printf("  %-12s %9s %9s %9s %12s %12s\n", "", "query", "by record", "sqlite", "query/sqlite",
              "record/sqlite");
  std::printf("  %-12s %9.3f %9.3f %9.3f %12.2f %12.2f\n", "title", f.query * 1e6, f.byRecord * 1e6,
              f.sqlite * 1e6, f.query / f.sqlite, f.byRecord > 0 ? f.byRecord / f.sqlite : 0.0);
  std::fflush(stdout);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000, 100000}, sizes)) return 2;
  const zlbench::ScratchDir scratch;
  if (!scratch.Made()) return 1;
  const std::filesystem::path& dir = scratch.Path();
  std::vector<Figures> figures;
  for (long n : sizes) figures.push_back(Measure(dir, n));
  if (figures.size() >= 2) {
    const Figures& a = figures.front();
    std::printf("growth from N = %ld (time per model, 1.00 = flat)\n", a.n);
    for (const Figures& b : figures) {
      std::printf("  N = %-8ld query %6.2f  sqlite %6.2f", b.n, b.query / a.query,
                  b.sqlite / a.sqlite);
      if (b.byRecord > 0) std::printf("  by record %6.2f", b.byRecord / a.byRecord);
      std::printf("\n");
    }
  }
  return 0;
}
