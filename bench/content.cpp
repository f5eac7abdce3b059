// Model content through the library's public interface against plain SQLite
// doing the same logical work on the same tables, in the same run, for each
// library size.
//
//   bench_content [N ...]      N defaults to 1000 and 10000
//
// Every model gets 3 conservative and 5 non-conservative nodes, each with
// info texts in two languages and an access row in one simulator language
// (the non-conservative ones also a preferred unit), 3 keywords (two of them
// shared by every model) and one 4 KB file.
//   - write: per model one caller transaction holding the four writes
//     (ZLSetNodesCByID, ZLSetNodesNCByID, ZLSetKeywordsByID, ZLSetFilesByID);
//     plain SQLite: one transaction inserting the same rows with prepared
//     statements (a keyword text looked up before it is added);
//   - read: per model the four reads; plain SQLite: the node rows by model
//     with each node's texts, unit and access row by key, the keyword links
//     joined with their texts, the file row with its bytes.
// Each line gives microseconds per model and the library's ratio to plain
// SQLite (2.00 = takes twice as long); the last block compares the
// per-model times across N (1.00 = flat).
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench_main.h"
#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr const char* kSim = "Spice";
constexpr int kPins = 3;
constexpr int kParameters = 5;
constexpr size_t kFileBytes = 4096;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_content: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what);
}

// Microseconds per model for work over n models.
double Time(long n, const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / n;
}

std::string NodeName(bool parameter, int k) { return (parameter ? "p" : "n") + std::to_string(k); }
std::string InfoText(bool parameter, int k, WORD language) {
  return (language == kEnglish ? "Node " : "Knoten ") + NodeName(parameter, k);
}
std::string UniqueKeyword(long i) { return "model" + std::to_string(i); }
const std::string kFileData(kFileBytes, 'x');

// ---- the library ----

void FillNodes(CZLNodeArray& nodes, bool parameters) {
  for (int k = 0; k < (parameters ? kParameters : kPins); ++k) {
    auto* node = new CZLNodeObject;
    nodes.Add(node);
    node->m_strName = NodeName(parameters, k).c_str();
    node->m_strValue = "1.5";
    node->m_lIndex = k;
    node->m_mapInfo[kEnglish] = InfoText(parameters, k, kEnglish).c_str();
    node->m_mapInfo[kGerman] = InfoText(parameters, k, kGerman).c_str();
    node->m_mapAccess[kSim] = NodeName(parameters, k).c_str();
    if (parameters) {
      node->m_strUnit = "V";
      node->m_mapPreferUnit[kEnglish] = "mV";
    }
  }
}

void WriteWithLibrary(void* hDB, long id, long i) {
  CZLNodeArray pins, parameters;
  FillNodes(pins, false);
  FillNodes(parameters, true);
  CZLKeywordArray keywords;
  for (const std::string& text : {std::string("bench"), std::string("analog"), UniqueKeyword(i)}) {
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = text.c_str();
    keywords.Add(keyword);
  }
  CZLFileArray files;
  auto* file = new CZLFileObject;
  files.Add(file);
  file->m_strFileName = "model.lib";
  file->m_lbData.Assign(kFileData.data(), kFileData.size());
  Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
  Check(ZLSetNodesCByID(hDB, id, pins), "ZLSetNodesCByID");
  Check(ZLSetNodesNCByID(hDB, id, parameters, 0), "ZLSetNodesNCByID");
  Check(ZLSetKeywordsByID(hDB, id, kEnglish, keywords, 0), "ZLSetKeywordsByID");
  Check(ZLSetFilesByID(hDB, id, files), "ZLSetFilesByID");
  Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
  ZLFreeObjectArray(pins);
  ZLFreeObjectArray(parameters);
  ZLFreeObjectArray(keywords);
  ZLFreeObjectArray(files);
}

size_t ReadWithLibrary(void* hDB, long id) {
  size_t bytes = 0;
  for (bool parameters : {false, true}) {
    CZLNodeArray nodes;
    Check(parameters ? ZLGetNodesNCByID(hDB, id, nodes, 0) : ZLGetNodesCByID(hDB, id, nodes),
          "reading nodes");
    for (int k = 0; k < nodes.GetSize(); ++k) bytes += nodes[k]->m_strName.GetLength();
    ZLFreeObjectArray(nodes);
  }
  CZLKeywordArray keywords;
  Check(ZLGetKeywordsByID(hDB, id, kEnglish, keywords, 0), "ZLGetKeywordsByID");
  for (int k = 0; k < keywords.GetSize(); ++k) bytes += keywords[k]->m_strKeyword.GetLength();
  ZLFreeObjectArray(keywords);
  CZLFileArray files;
  Check(ZLGetFilesByID(hDB, id, files), "ZLGetFilesByID");
  for (int k = 0; k < files.GetSize(); ++k) bytes += files[k]->m_lbData.m_dwDataLength;
  ZLFreeObjectArray(files);
  return bytes;
}

// ---- plain SQLite ----

class CStmt {
 public:
  CStmt(sqlite3* db, const std::string& text) : m_db(db) {
    if (sqlite3_prepare_v2(db, text.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK) Die(text);
  }
  ~CStmt() { sqlite3_finalize(m_stmt); }
  CStmt(const CStmt&) = delete;
  CStmt& operator=(const CStmt&) = delete;

  CStmt& Int(int index, long long value) {
    sqlite3_bind_int64(m_stmt, index, value);
    return *this;
  }
  CStmt& Text(int index, const std::string& value) {
    sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  CStmt& Blob(int index, const std::string& value) {
    sqlite3_bind_blob(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    return *this;
  }
  // Steps through every row, adding the bytes of every column to bytes and
  // the first two columns of each row to rows; the first column of the
  // first row (0 when none).
  long long Run(size_t* bytes = nullptr,
                std::vector<std::pair<long long, long long>>* rows = nullptr) {
    long long first = 0;
    bool any = false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
      const long long value = sqlite3_column_int64(m_stmt, 0);
      if (!any) first = value;
      any = true;
      if (rows != nullptr) rows->emplace_back(value, sqlite3_column_int64(m_stmt, 1));
      for (int c = 0; bytes != nullptr && c < sqlite3_column_count(m_stmt); ++c) {
        if (sqlite3_column_type(m_stmt, c) == SQLITE_BLOB) sqlite3_column_blob(m_stmt, c);
        *bytes += static_cast<size_t>(sqlite3_column_bytes(m_stmt, c));
      }
    }
    if (rc != SQLITE_DONE) Die("step");
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    return first;
  }

 private:
  [[noreturn]] void Die(const std::string& what) const {
    std::fprintf(stderr, "sqlite: %s: %s\n", what.c_str(), sqlite3_errmsg(m_db));
    std::exit(1);
  }
  sqlite3* m_db;
  sqlite3_stmt* m_stmt = nullptr;
};

std::string PerLanguage(const char* prefix, WORD language) {
  char name[40];
  std::snprintf(name, sizeof name, "\"%s_%08x\"", prefix, language);
  return name;
}

// The same rows written and read by hand, on a file the library made.
class CPlain {
 public:
  explicit CPlain(const std::string& path) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) std::exit(1);
    sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                 nullptr);
    const std::string access = std::string("\"ACCESS_") + kSim + "\"";
    auto make = [&](const std::string& text) { return std::make_unique<CStmt>(m_db, text); };
    m_begin = make("BEGIN IMMEDIATE");
    m_commit = make("COMMIT");
    m_resid = make("INSERT INTO \"RESID\" DEFAULT VALUES");
    for (const char* table : {"NODE_C", "NODE_NC"}) {
      m_addNode.push_back(make(std::string("INSERT INTO \"") + table +
                               "\" (\"MODEL_ID\", \"INDEX\", \"NAME\", \"VALUE\", \"TYPE\", "
                               "\"EXTTYPE\", \"INFO\") VALUES (?1, ?2, ?3, '1.5', 0, 0, ?4)"));
      m_getNodes.push_back(make(std::string("SELECT \"NODE_ID\", \"INFO\", \"NAME\", \"VALUE\", "
                                            "\"TYPE\", \"EXTTYPE\" FROM \"") +
                                table + "\" WHERE \"MODEL_ID\" = ?1 ORDER BY \"MODEL_ID\""));
    }
    for (WORD language : {kEnglish, kGerman}) {
      m_addText.push_back(make("INSERT INTO " + PerLanguage("STRINGTAB", language) +
                               " (\"RES_ID\", \"TEXT\") VALUES (?1, ?2)"));
      m_getText.push_back(make("SELECT \"TEXT\" FROM " + PerLanguage("STRINGTAB", language) +
                               " WHERE \"RES_ID\" = ?1"));
    }
    m_addUnit = make("INSERT INTO " + PerLanguage("UNIT", kEnglish) +
                     " (\"NODE_ID\", \"NODE_TYPE\", \"UNIT\") VALUES (?1, -1, 'mV')");
    m_getUnit = make("SELECT \"UNIT\" FROM " + PerLanguage("UNIT", kEnglish) +
                     " WHERE \"NODE_ID\" = ?1 AND \"NODE_TYPE\" = ?2");
    m_addAccess = make("INSERT INTO " + access +
                       " (\"NODE_ID\", \"NODE_TYPE\", \"ACCESS\") VALUES (?1, ?2, ?3)");
    m_getAccess = make("SELECT \"ACCESS\", \"DEF_VALUE\" FROM " + access +
                       " WHERE \"NODE_ID\" = ?1 AND \"NODE_TYPE\" = ?2");
    m_findKeyword = make("SELECT \"KEYWORD_ID\" FROM " + PerLanguage("KEYWORD", kEnglish) +
                         " WHERE \"KEYWORD\" = ?1");
    m_addKeyword =
        make("INSERT INTO " + PerLanguage("KEYWORD", kEnglish) + " (\"KEYWORD\") VALUES (?1)");
    m_addLink = make("INSERT INTO " + PerLanguage("KEYWORDID", kEnglish) +
                     " (\"MODEL_ID\", \"PARAM_ID\", \"KEYWORD_ID\") VALUES (?1, 0, ?2)");
    m_getKeywords =
        make("SELECT k.\"KEYWORD_ID\", k.\"KEYWORD\" FROM " + PerLanguage("KEYWORDID", kEnglish) +
             " l JOIN " + PerLanguage("KEYWORD", kEnglish) +
             " k ON k.\"KEYWORD_ID\" = l.\"KEYWORD_ID\" WHERE l.\"MODEL_ID\" = ?1 "
             "AND l.\"PARAM_ID\" = 0");
    m_addFile = make(
        "INSERT INTO \"FILES\" (\"MODEL_ID\", \"FILE_NAME\", \"TYPE\", \"LANGID\", "
        "\"FILE_DATA\") VALUES (?1, 'model.lib', 0, 0, ?2)");
    m_getFiles = make(
        "SELECT \"FILE_ID\", \"FILE_NAME\", \"TYPE\", \"LANGID\", \"ACCESS\", \"FILE_DATA\" FROM "
        "\"FILES\" WHERE \"MODEL_ID\" = ?1");
  }
  ~CPlain() { sqlite3_close_v2(m_db); }  // closes once the statements are finalised
  CPlain(const CPlain&) = delete;
  CPlain& operator=(const CPlain&) = delete;

  void Write(long id, long i) {
    m_begin->Run();
    for (int parameter = 0; parameter < 2; ++parameter) {
      for (int k = 0; k < (parameter ? kParameters : kPins); ++k) {
        m_resid->Run();
        const long long info = sqlite3_last_insert_rowid(m_db);
        m_addNode[parameter]->Int(1, id).Int(2, k).Text(3, NodeName(parameter, k)).Int(4, info);
        m_addNode[parameter]->Run();
        const long long node = sqlite3_last_insert_rowid(m_db);
        for (size_t l = 0; l < 2; ++l) {
          m_addText[l]
              ->Int(1, info)
              .Text(2, InfoText(parameter, k, l == 0 ? kEnglish : kGerman))
              .Run();
        }
        if (parameter) m_addUnit->Int(1, node).Run();
        m_addAccess->Int(1, node).Int(2, parameter ? -1 : 0).Text(3, NodeName(parameter, k)).Run();
      }
    }
    for (const std::string& text :
         {std::string("bench"), std::string("analog"), UniqueKeyword(i)}) {
      long long keyword = m_findKeyword->Text(1, text).Run();
      if (keyword == 0) {
        m_addKeyword->Text(1, text).Run();
        keyword = sqlite3_last_insert_rowid(m_db);
      }
      m_addLink->Int(1, id).Int(2, keyword).Run();
    }
    m_addFile->Int(1, id).Blob(2, kFileData).Run();
    m_commit->Run();
  }

  size_t Read(long id) {
    size_t bytes = 0;
    m_begin->Run();  // one consistent state, as the library's reads see
    for (int parameter = 0; parameter < 2; ++parameter) {
      std::vector<std::pair<long long, long long>> nodes;  // node ID, info resource ID
      m_getNodes[parameter]->Int(1, id).Run(&bytes, &nodes);
      for (const auto& [node, info] : nodes) {
        for (auto& text : m_getText) text->Int(1, info).Run(&bytes);
        if (parameter) m_getUnit->Int(1, node).Int(2, -1).Run(&bytes);
        m_getAccess->Int(1, node).Int(2, parameter ? -1 : 0).Run(&bytes);
      }
    }
    m_getKeywords->Int(1, id).Run(&bytes);
    m_getFiles->Int(1, id).Run(&bytes);
    m_commit->Run();
    return bytes;
  }

 private:
  sqlite3* m_db = nullptr;
  std::unique_ptr<CStmt> m_begin, m_commit, m_resid, m_addUnit, m_getUnit, m_addAccess, m_getAccess,
      m_findKeyword, m_addKeyword, m_addLink, m_getKeywords, m_addFile, m_getFiles;
  std::vector<std::unique_ptr<CStmt>> m_addNode, m_getNodes, m_addText, m_getText;
};

struct Figures {
  long n = 0;
  double libraryWrite = 0, sqliteWrite = 0, libraryRead = 0, sqliteRead = 0;
};

// A library file with both languages, the access table and n empty records.
std::vector<long> MakeLibrary(const std::string& path, long n) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase");
  Check(ZLAddResourceTable(hDB, kEnglish), "ZLAddResourceTable");
  Check(ZLAddResourceTable(hDB, kGerman), "ZLAddResourceTable");
  Check(ZLAddAccessTable(hDB, kSim), "ZLAddAccessTable");
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
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  return ids;
}

Figures Measure(const std::filesystem::path& dir, long n) {
  Figures f;
  f.n = n;
  const std::string libraryFile = (dir / ("lib" + std::to_string(n))).string();
  const std::string sqliteFile = (dir / ("sql" + std::to_string(n))).string();
  const std::vector<long> ids = MakeLibrary(libraryFile, n);
  MakeLibrary(sqliteFile, n);

  void* hDB = ZLOpenDatabase(libraryFile.c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr) Fail("ZLOpenDatabase");
  f.libraryWrite = Time(n, [&] {
    for (long i = 0; i < n; ++i) WriteWithLibrary(hDB, ids[i], i);
  });
  size_t libraryBytes = 0, sqliteBytes = 0;
  f.libraryRead = Time(n, [&] {
    for (long i = 0; i < n; ++i) libraryBytes += ReadWithLibrary(hDB, ids[i]);
  });
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  {
    CPlain plain(sqliteFile);
    f.sqliteWrite = Time(n, [&] {
      for (long i = 0; i < n; ++i) plain.Write(ids[i], i);
    });
    f.sqliteRead = Time(n, [&] {
      for (long i = 0; i < n; ++i) sqliteBytes += plain.Read(ids[i]);
    });
  }
  std::printf("content, N = %ld models (%zu / %zu bytes read)\n", n, libraryBytes, sqliteBytes);
  std::printf("  %-20s %12s %12s %9s\n", "", "library us", "sqlite us", "ratio");
  std::printf("  %-20s %12.1f %12.1f %9.2f\n", "write, per model", f.libraryWrite, f.sqliteWrite,
              f.libraryWrite / f.sqliteWrite);
  std::printf("  %-20s %12.1f %12.1f %9.2f\n", "read, per model", f.libraryRead, f.sqliteRead,
              f.libraryRead / f.sqliteRead);
  std::fflush(stdout);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000}, sizes)) return 2;
  const zlbench::ScratchDir scratch;
  if (!scratch.Made()) return 1;
  const std::filesystem::path& dir = scratch.Path();
  std::vector<Figures> figures;
  for (long n : sizes) figures.push_back(Measure(dir, n));
  if (figures.size() >= 2) {
    const Figures& a = figures.front();
    const Figures& b = figures.back();
    std::printf("growth from N = %ld to N = %ld (time per model, 1.00 = flat)\n", a.n, b.n);
    std::printf("  %-20s %9s %9s\n", "", "library", "sqlite");
    std::printf("  %-20s %9.2f %9.2f\n", "write, per model", b.libraryWrite / a.libraryWrite,
                b.sqliteWrite / a.sqliteWrite);
    std::printf("  %-20s %9.2f %9.2f\n", "read, per model", b.libraryRead / a.libraryRead,
                b.sqliteRead / a.sqliteRead);
  }
  return 0;
}
