#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/faults.h"
#include "records/record_fixture.h"
#include "support/test_backend.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

// Every row a query gives, its columns joined by '|', one line each, read
// with plain SQL (for what the library does not read back).
std::string Query(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const unsigned char* text = sqlite3_column_text(st, i);
        out += std::string(text != nullptr ? reinterpret_cast<const char*>(text) : "null") + "|";
      }
      out += "\n";
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

// Every table's definition and rows, without the engine's bookkeeping, the
// stamps (DBINFO), the resource-ID counter (RESID), the keyword rows (shared
// by records) and the MAIN rows of the records in skip ("1, 2").
std::string LibraryRows(const std::string& path, const std::string& skip) {
  std::string out =
      Query(path, "SELECT name, sql FROM sqlite_master WHERE name NOT GLOB '*zl_engine*'");
  const std::string tables =
      Query(path,
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name "
            "NOT LIKE 'zl%' AND name NOT IN ('DBINFO', 'RESID', 'sqlite_sequence') AND name "
            "NOT GLOB 'KEYWORD_0*' ORDER BY name");
  for (size_t at = 0, end; (end = tables.find("|\n", at)) != std::string::npos; at = end + 2) {
    const std::string table = tables.substr(at, end - at);
    const std::string where = table == "MAIN" ? " WHERE MODEL_ID NOT IN (" + skip + ")" : "";
    out += "[" + table + "]\n" + Query(path, "SELECT * FROM \"" + table + "\"" + where);
  }
  return out;
}

void Exec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "") << " in " << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

class DeleteTest : public RecordTest {
 protected:
  // The library's rows (see LibraryRows), the handle closed meanwhile.
  std::string Rows(const std::string& skip) {
    CloseLibrary();
    const std::string rows = LibraryRows(m_path, skip);
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
    EXPECT_NE(m_hDB, nullptr);
    return rows;
  }
  std::string Sql(const std::string& sql) {
    CloseLibrary();
    const std::string rows = Query(m_path, sql);
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
    EXPECT_NE(m_hDB, nullptr);
    return rows;
  }
};

// Deleting a populated record (its user-defined data first) gives back the
// library as it was before the record got its content, row for row in
// every table.
TEST_F(DeleteTest, RemovesEverythingOfTheRecordAndNothingElse) {
  SKIP_ON_SERVER() << ": checked with plain SQL on the file";
  const long parent = NewRecord();
  const long a = NewRecord();
  const long b = NewRecord();
  ASSERT_EQ(ZLSetFirstChildByID(m_hDB, parent, a), 1);
  ASSERT_EQ(ZLSetParentByID(m_hDB, a, parent), 1);
  const std::string both = std::to_string(a) + ", " + std::to_string(b);
  const std::string empty = Rows(both);
  Populate(m_hDB, b, "b");
  const std::string withB = Rows(std::to_string(a));
  Populate(m_hDB, a, "a");
  ASSERT_NE(Rows(std::to_string(a)), withB);

  // A deletion alone would leave the profile strings, detached (see below).
  ASSERT_EQ(ZLDeleteUDTRecordByID(m_hDB, a), 1) << ZLGetLastError();
  ASSERT_EQ(ZLDeleteRecordByID(m_hDB, a), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(Rows(std::to_string(a)), withB);
  // The parent still names the deleted record; the keyword rows stay.
  long child = 0;
  EXPECT_EQ(ZLGetFirstChildByID(m_hDB, parent, child), 1);
  EXPECT_EQ(child, a);
  COleVariant bookmark;
  EXPECT_EQ(FailCode(ZLGetBookmarkByID(m_hDB, a, bookmark)), ZLE_NO_RECORD);
  EXPECT_EQ(Sql("SELECT count(*) FROM KEYWORD_00000409 WHERE KEYWORD = 'kw-a'"), "1|\n");

  ASSERT_EQ(ZLDeleteUDTRecordByID(m_hDB, b), 1) << ZLGetLastError();
  ASSERT_EQ(ZLDeleteRecordByID(m_hDB, b), 1) << ZLGetLastError();
  // The profile catalogue and its section tables stay, emptied.
  std::string rest;
  std::istringstream lines(Rows(both));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("PROF", 0) != 0 && line.rfind("[PROF", 0) != 0) rest += line + "\n";
  }
  EXPECT_EQ(rest, empty);
}

TEST_F(DeleteTest, EmptyRecordsAndBookmarksAndUnknownRecords) {
  SKIP_ON_SERVER() << ": checked with plain SQL on the file";
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  const long kept = NewRecord();
  EXPECT_EQ(ZLDeleteRecordByBookmark(m_hDB, bookmark), 1);
  EXPECT_EQ(FailCode(ZLDeleteRecordByBookmark(m_hDB, bookmark)), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(FailCode(ZLDeleteRecordByID(m_hDB, id)), ZLE_NO_RECORD);
  // An unknown ID is refused before anything is written or committed.
  {
    CFaultScope faults;
    EXPECT_EQ(FailCode(ZLDeleteRecordByID(m_hDB, 999)), ZLE_NO_RECORD);
    EXPECT_EQ(CFaultInjector::Count(FaultKind::kWrite), 0);
    EXPECT_EQ(CFaultInjector::Count(FaultKind::kCommit), 0);
  }
  EXPECT_EQ(Sql("SELECT MODEL_ID FROM MAIN"), std::to_string(kept) + "|\n");
}

// A record's user-defined rows carry the counter of its UDT_ID row, which
// here differs from its record ID; rows keyed by the record ID belong to
// another record and stay.
TEST_F(DeleteTest, UserDefinedRowsGoByTheirUdtId) {
  SKIP_ON_SERVER() << ": checked with plain SQL on the file";
  const long id = NewRecord();
  const long bare = NewRecord();
  const long nameless = NewRecord();
  ASSERT_EQ(ZLSetUDTNameByID(m_hDB, id, "MYDIR"), 1);
  CloseLibrary();
  const std::string m = std::to_string(id);
  Exec(m_path,
       "CREATE TABLE MYDIR (TABLE_NAME TEXT);"
       "INSERT INTO MYDIR VALUES ('DATA_A'), (''), ('DATA_B'), ('NOKEY');"
       "CREATE TABLE DATA_A (UDT_ID INTEGER, V TEXT);"
       "CREATE INDEX \"DATA_A.UDT_ID_INDEX\" ON DATA_A (UDT_ID);"
       "CREATE TABLE DATA_B (UDT_ID INTEGER, V TEXT);"
       "CREATE TABLE NOKEY (V TEXT); INSERT INTO NOKEY VALUES ('kept');"
       "INSERT INTO DATA_A VALUES (9, 'x'), (9, 'y'), (" +
           m +
           ", 'other'), (8, 'z');"
           "INSERT INTO DATA_B VALUES (" +
           m +
           ", 'other'), (9, 'x');"
           "INSERT INTO UDT_ID (UDT_ID, MODEL_ID) VALUES (9, " +
           m + "), (8, " + std::to_string(nameless) + ");");
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(m_hDB, nullptr);

  EXPECT_EQ(ZLDeleteUDTRecordByID(m_hDB, bare), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLDeleteUDTRecordByID(m_hDB, nameless)), ZLE_NULL_VALUE);
  EXPECT_EQ(FailCode(ZLDeleteUDTRecordByID(m_hDB, 999)), ZLE_NO_RECORD);
  COleVariant bookmark;
  ASSERT_EQ(ZLGetBookmarkByID(m_hDB, id, bookmark), 1);
  ASSERT_EQ(ZLDeleteUDTRecordByBookmark(m_hDB, bookmark), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(Sql("SELECT UDT_ID, V FROM DATA_A"), m + "|other|\n8|z|\n");
  EXPECT_EQ(Sql("SELECT UDT_ID, V FROM DATA_B"), m + "|other|\n");
  EXPECT_EQ(Sql("SELECT UDT_ID FROM UDT_ID"), "8|\n");
  EXPECT_EQ(Sql("SELECT V FROM NOKEY"), "kept|\n");
  // Nothing left: the record has no user-defined data any more.
  EXPECT_EQ(ZLDeleteUDTRecordByID(m_hDB, id), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  // Deleting a record detaches its user-defined data and keeps the rows.
  ASSERT_EQ(ZLDeleteRecordByID(m_hDB, nameless), 1) << ZLGetLastError();
  EXPECT_EQ(Sql("SELECT UDT_ID, MODEL_ID IS NULL FROM UDT_ID"), "8|1|\n");
  EXPECT_EQ(Sql("SELECT UDT_ID, V FROM DATA_A"), m + "|other|\n8|z|\n");
}

class CopyTest : public RecordTest {
 protected:
  void SetUp() override {
    RecordTest::SetUp();
    m_otherPath = m_dir.File("other.zdb");
    m_other = ZLCreateDatabase(m_otherPath.c_str());
    ASSERT_NE(m_other, nullptr);
  }
  void TearDown() override {
    if (m_other != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_other), 1);
    }
    RecordTest::TearDown();
  }
  static long NewRecordIn(void* hDB) {
    COleVariant mark;
    long id = 0;
    EXPECT_EQ(ZLCreateNewRecord(hDB, mark), 1);
    EXPECT_EQ(ZLGetIDByBookmark(hDB, mark, id), 1);
    return id;
  }
  // Copies the record (udt: its user-defined data) by bookmarks.
  static int Copy(void* hSrc, long src, void* hDest, long dest, bool udt = false) {
    COleVariant from, to;
    EXPECT_EQ(ZLGetBookmarkByID(hSrc, src, from), 1);
    EXPECT_EQ(ZLGetBookmarkByID(hDest, dest, to), 1);
    return udt ? ZLCopyUDTRecordByBookmark(hSrc, from, hDest, to)
               : ZLCopyRecordByBookmark(hSrc, from, hDest, to);
  }
  // The record and its user-defined data.
  static int CopyAll(void* hSrc, long src, void* hDest, long dest) {
    const int copied = Copy(hSrc, src, hDest, dest);
    return copied == 1 ? Copy(hSrc, src, hDest, dest, true) : copied;
  }
  static std::vector<long> Links(void* hDB, long id) {
    std::vector<long> links(4, 0);
    ZLGetParentByID(hDB, id, links[0]);
    ZLGetFirstChildByID(hDB, id, links[1]);
    ZLGetPrevByID(hDB, id, links[2]);
    ZLGetNextByID(hDB, id, links[3]);
    return links;
  }

  std::string m_otherPath;
  void* m_other = nullptr;
};

TEST_F(CopyTest, IntoAnotherLibraryWithEveryKindOfContent) {
  PrepareLibrary(m_other);
  const long a = NewRecord();
  const long source = NewRecord();
  Populate(m_hDB, source, "src");
  ASSERT_EQ(ZLSetParentByID(m_hDB, source, a), 1);
  const std::string expected = Describe(m_hDB, source);
  for (const char* part : {"wizard src-file1.wiz", "set 2\n titles 1033=src/set2", "Sect: srcSect",
                           "tolerance par1 1 21 srcmin src/set1max", "ORDERNO: no-src"}) {
    ASSERT_NE(expected.find(part), std::string::npos) << part << " in\n" << expected;
  }

  const long folder = NewRecordIn(m_other);
  const long dest = NewRecordIn(m_other);
  ASSERT_EQ(ZLSetParentByID(m_other, dest, folder), 1);
  Populate(m_other, dest, "old");  // overwritten, sets and user data included
  ASSERT_EQ(CopyAll(m_hDB, source, m_other, dest), 1) << ZLGetLastError();
  EXPECT_EQ(Describe(m_other, dest), expected);
  EXPECT_EQ(Describe(m_hDB, source), expected);
  EXPECT_EQ(Links(m_other, dest), (std::vector<long>{folder, 0, 0, 0}));
  // The wizard reference names the destination's own file row.
  CZLFileArray files;
  CZLNodeArray nodes;
  ASSERT_EQ(ZLGetFilesByID(m_other, dest, files), 1);
  ASSERT_EQ(ZLGetNodesCByID(m_other, dest, nodes), 1);
  ASSERT_EQ(files.GetSize(), 2);
  ASSERT_GE(nodes.GetSize(), 1);
  EXPECT_EQ(nodes[0]->m_lWizFileID, files[1]->m_lFileID);
  ZLFreeObjectArray(files);
  ZLFreeObjectArray(nodes);

  // A bare record copies as a bare record and creates no set; its user
  // data copy succeeds with nothing to copy.
  const long bare = NewRecord();
  const long fresh = NewRecordIn(m_other);
  ASSERT_EQ(CopyAll(m_hDB, bare, m_other, fresh), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(Describe(m_other, fresh), Describe(m_hDB, bare));
}

TEST_F(CopyTest, WithinOneLibrary) {
  const long source = NewRecord();
  const long dest = NewRecord();
  Populate(m_hDB, source, "one");
  ASSERT_EQ(ZLSetPrevByID(m_hDB, dest, source), 1);
  const std::string expected = Describe(m_hDB, source);
  ASSERT_EQ(CopyAll(m_hDB, source, m_hDB, dest), 1) << ZLGetLastError();
  EXPECT_EQ(Describe(m_hDB, dest), expected);
  EXPECT_EQ(Links(m_hDB, dest), (std::vector<long>{0, 0, source, 0}));
  // A record copied onto itself stays as it is.
  ASSERT_EQ(CopyAll(m_hDB, source, m_hDB, source), 1) << ZLGetLastError();
  EXPECT_EQ(Describe(m_hDB, source), expected);
  // The copy's rows are its own: nodes, sets, limits and user rows.
  ASSERT_EQ(ZLDeleteRecordByID(m_hDB, source), 1);
  EXPECT_EQ(Describe(m_hDB, dest), expected);
}

// A damaged chain (a set whose NEXT names another record's set, a second
// chain) copies every set of the record once, links that leave it cut.
TEST_F(CopyTest, SetsOutsideTheChainAndForeignLinks) {
  const long source = NewRecord();
  const long other = NewRecord();
  long first = 0, loose = 0, foreign = 0;
  ASSERT_EQ(ZLCreateNewParamSet(m_hDB, source, first), 1);
  ASSERT_EQ(ZLCreateNewParamSet(m_hDB, source, loose), 1);
  ASSERT_EQ(ZLCreateNewParamSet(m_hDB, other, foreign), 1);
  ASSERT_EQ(ZLSetNextParamSetByParamID(m_hDB, first, foreign), 1);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(m_hDB, loose, loose), 1);
  const long dest = NewRecord();
  ASSERT_EQ(Copy(m_hDB, source, m_hDB, dest), 1) << ZLGetLastError();
  CArray<long, long> sets;
  ASSERT_EQ(ZLGetAllParamSetByID(m_hDB, dest, sets), 1);
  ASSERT_EQ(sets.GetSize(), 2);
  long next = -1, prev = -1;
  EXPECT_EQ(ZLGetNextParamSetByParamID(m_hDB, sets[0], next), 1);
  EXPECT_EQ(next, 0);
  EXPECT_EQ(ZLGetPrevParamSetByParamID(m_hDB, sets[1], prev), 1);
  EXPECT_EQ(prev, sets[1]);
  ASSERT_EQ(ZLGetAllParamSetByID(m_hDB, other, sets), 1);
  EXPECT_EQ(sets.GetSize(), 1);
}

// An additional-data column is copied only when the destination describes
// it with the same type and index, the same duplicate flag for an index
// and the same size for a text; a value a unique index refuses is left out.
TEST_F(CopyTest, AdditionalDataColumnsMatchedOrSkipped) {
  struct CColumn {
    long type, size, index, duplicate;
  };
  struct CCase {
    const char* name;
    CColumn source;
    CColumn dest;  // type -1: the destination has no such column
    bool copied;
  } const cases[] = {
      {"SAME", {0, 30, 1, 1}, {0, 30, 1, 1}, true},
      {"OTHERTYPE", {5, 0, 0, 0}, {7, 0, 0, 0}, false},
      {"OTHERSIZE", {0, 30, 0, 0}, {0, 31, 0, 0}, false},
      {"OTHERINDEX", {5, 0, 1, 1}, {5, 0, 0, 1}, false},
      {"UNIQUE", {5, 0, 1, 0}, {5, 0, 1, 1}, false},
      {"DUPUNUSED", {5, 0, 0, 0}, {5, 0, 0, 1}, true},
      {"MISSING", {5, 0, 0, 0}, {-1, 0, 0, 0}, false},
      {"TAKEN", {5, 0, 1, 0}, {5, 0, 1, 0}, false},
  };
  const long source = NewRecord();
  const long dest = NewRecordIn(m_other);
  const long holder = NewRecordIn(m_other);
  for (const CCase& c : cases) {
    auto create = [&](void* hDB, const CColumn& column) {
      CZLAdditionalDataInfoObject info(c.name);
      info.m_lType = column.type;
      info.m_lSize = column.size;
      info.m_lIndex = column.index;
      info.m_lDuplicate = column.duplicate;
      ASSERT_EQ(ZLCreateAdditionalDataInfo(hDB, info), 1) << c.name;
    };
    create(m_hDB, c.source);
    if (c.dest.type >= 0) create(m_other, c.dest);
    COleVariant value = c.source.type == 0 ? COleVariant("v") : COleVariant(int32_t{7});
    ASSERT_EQ(ZLSetAdditionalDataByID(m_hDB, source, c.name, value), 1) << c.name;
    // A record of the destination holds the value the unique index refuses.
    if (std::string(c.name) == "TAKEN") {
      ASSERT_EQ(ZLSetAdditionalDataByID(m_other, holder, c.name, value), 1);
    }
  }
  ASSERT_EQ(Copy(m_hDB, source, m_other, dest), 1) << ZLGetLastError();
  for (const CCase& c : cases) {
    COleVariant value;
    const int read = ZLGetAdditionalDataByID(m_other, dest, c.name, value);
    const bool copied = read == 1 && value.vt != VT_NULL;
    EXPECT_EQ(copied, c.copied) << c.name;
  }
}

// User-defined data whose tables the destination lacks (one without index)
// is copied with the tables; a source without UDT_ID row changes nothing,
// one without UDTNAME fails with 10.
TEST_F(CopyTest, UserDefinedTablesAcrossLibraries) {
  SKIP_ON_SERVER() << ": checked with plain SQL on the file";
  const long source = NewRecord();
  const long nameless = NewRecord();
  const long bare = NewRecord();
  ASSERT_EQ(ZLSetUDTNameByID(m_hDB, source, "MYDIR"), 1);
  CloseLibrary();
  Exec(m_path,
       "CREATE TABLE MYDIR (TABLE_NAME TEXT); INSERT INTO MYDIR VALUES ('PLAIN');"
       "CREATE TABLE PLAIN (UDT_ID INTEGER, V TEXT, W REAL);"
       "INSERT INTO PLAIN VALUES (4, 'mine', 1.5), (4, 'too', 2), (5, 'other', 3);"
       "INSERT INTO UDT_ID (UDT_ID, MODEL_ID) VALUES (4, " +
           std::to_string(source) + "), (5, " + std::to_string(nameless) + ");");
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(m_hDB, nullptr);
  const long dest = NewRecordIn(m_other);
  ASSERT_EQ(Copy(m_hDB, source, m_other, dest, true), 1) << ZLGetLastError();
  ASSERT_EQ(ZLCloseDatabase(m_other), 1);
  EXPECT_EQ(Query(m_otherPath, "SELECT UDT_ID, MODEL_ID FROM UDT_ID"),
            "1|" + std::to_string(dest) + "|\n");
  EXPECT_EQ(Query(m_otherPath, "SELECT * FROM PLAIN"), "1|mine|1.5|\n1|too|2.0|\n");
  EXPECT_EQ(Query(m_otherPath, "SELECT * FROM MYDIR"), "PLAIN|\n");
  EXPECT_EQ(Query(m_otherPath, "SELECT UDTNAME FROM MAIN"), "MYDIR|\n");
  m_other = ZLOpenDatabase(m_otherPath.c_str(), eOpenReadWrite);
  ASSERT_NE(m_other, nullptr);

  EXPECT_EQ(FailCode(Copy(m_hDB, nameless, m_other, dest, true)), ZLE_NULL_VALUE);
  EXPECT_EQ(Copy(m_hDB, bare, m_other, dest, true), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  ASSERT_EQ(ZLCloseDatabase(m_other), 1);
  m_other = nullptr;
  EXPECT_EQ(Query(m_otherPath, "SELECT count(*) FROM PLAIN"), "2|\n");
}

TEST_F(CopyTest, MissingTablesAndBadArgumentsChangeNothing) {
  const long source = NewRecord();
  Populate(m_hDB, source, "x");
  ASSERT_EQ(ZLAddResourceTable(m_other, kEN), 1);
  ASSERT_EQ(ZLAddResourceTable(m_other, kDE), 1);
  const long dest = NewRecordIn(m_other);
  ASSERT_EQ(ZLCloseDatabase(m_other), 1);
  const std::string before = CScratchDir::Read(m_otherPath);
  m_other = ZLOpenDatabase(m_otherPath.c_str(), eOpenReadWrite);
  EXPECT_EQ(FailCode(Copy(m_hDB, source, m_other, dest)), ZLE_NO_SIMTABLE_KIND);
  int garbage = 0;
  COleVariant from, to;
  ASSERT_EQ(ZLGetBookmarkByID(m_hDB, source, from), 1);
  ASSERT_EQ(ZLGetBookmarkByID(m_other, dest, to), 1);
  for (auto copy : {ZLCopyRecordByBookmark, ZLCopyUDTRecordByBookmark}) {
    EXPECT_EQ(FailCode(copy(m_hDB, from, &garbage, to)), ZLE_BAD_HANDLE);
    EXPECT_EQ(FailCode(copy(&garbage, from, m_other, to)), ZLE_BAD_HANDLE);
    // A bookmark of the other handle is no bookmark of this one.
    EXPECT_EQ(FailCode(copy(m_hDB, to, m_other, to)), ZLE_BAD_BOOKMARK);
  }
  ASSERT_EQ(ZLCloseDatabase(m_other), 1);
  m_other = nullptr;
  EXPECT_TRUE(CScratchDir::Read(m_otherPath) == before);
}

// Every write and every commit of deleting and copying a fully populated
// record fails in turn: the written file stays byte for byte as it was (a
// copy writes this fixture's file and reads the other's, or its own).
TEST_F(CopyTest, DeletionAndCopiesAreAllOrNothing) {
  PrepareLibrary(m_other);
  const long foreign = NewRecordIn(m_other);
  Populate(m_other, foreign, "f");
  long source = NewRecord();
  Populate(m_hDB, source, "s");
  long target = NewRecord();
  Populate(m_hDB, target, "t");
  long dest = NewRecord();
  Populate(m_hDB, dest, "d");
  const auto fresh = [&] {
    dest = NewRecord();
    Populate(m_hDB, dest, "d");
  };
  // Bookmarks of the reopened file, looked up before the faults are armed.
  COleVariant from, own, to;
  const auto marks = [&] {
    ASSERT_EQ(ZLGetBookmarkByID(m_other, foreign, from), 1);
    ASSERT_EQ(ZLGetBookmarkByID(m_hDB, source, own), 1);
    ASSERT_EQ(ZLGetBookmarkByID(m_hDB, dest, to), 1);
  };
  struct CCase {
    const char* name;
    std::function<int()> op;
    std::function<void()> restore;
  } const cases[] = {
      {"delete", [&] { return ZLDeleteRecordByID(m_hDB, target); },
       [&] {
         target = NewRecord();
         Populate(m_hDB, target, "t");
       }},
      {"copy from another library",
       [&] { return ZLCopyRecordByBookmark(m_other, from, m_hDB, to); }, fresh},
      {"copy user data from another library",
       [&] { return ZLCopyUDTRecordByBookmark(m_other, from, m_hDB, to); }, fresh},
      {"copy within the library", [&] { return ZLCopyRecordByBookmark(m_hDB, own, m_hDB, to); },
       fresh},
  };
  ASSERT_EQ(ZLCloseDatabase(m_other), 1);
  const std::string otherBefore = CScratchDir::Read(m_otherPath);
  m_other = ZLOpenDatabase(m_otherPath.c_str(), eOpenReadWrite);
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectAllOrNothing(c.op, c.restore, marks);
  }
  ASSERT_EQ(ZLCloseDatabase(m_other), 1);
  m_other = nullptr;
  EXPECT_TRUE(CScratchDir::Read(m_otherPath) == otherBefore);
}

}  // namespace
