#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>

#include "engine/faults.h"
#include "records/record_fixture.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

// Rows of a table, as plain SQL sees them (for tables the library does not
// read back, and to show what a deletion left).
long CountRows(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  long count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      count = sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return count;
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
  // Rows that belong to the record in every table, counted with plain SQL.
  long Owned(long id) {
    CloseLibrary();
    const std::string m = std::to_string(id);
    long rows = 0;
    for (const char* table :
         {"MAIN", "NODE_C", "NODE_NC", "FILES", "MACRO_SPICE", "CALL_SPICE", "KEYWORDID_00000409",
          "KEYWORDID_00000407", "SYMBOLS_00000407", "ADDITIONAL_DATA"}) {
      rows += CountRows(
          m_path, std::string("SELECT count(*) FROM \"") + table + "\" WHERE MODEL_ID = " + m);
    }
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
    EXPECT_NE(m_hDB, nullptr);
    return rows;
  }
  // Runs op with its nth write, then its nth commit, failing, for n = 1, 2,
  // ... until it succeeds: every failure must give 9 and leave the file's
  // bytes as they were.  restore makes op repeatable after its success.
  void SweepFaults(const std::function<int()>& op, const std::function<void()>& restore) {
    for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
      for (long n = 1;; ++n) {
        const std::string before = Image();
        CFaultScope faults;
        CFaultInjector::FailNth(kind, n);
        const int result = op();
        const bool hit = CFaultInjector::Count(kind) >= n;
        CFaultInjector::Reset();
        if (!hit) {
          ASSERT_EQ(result, 1) << "error " << ZLGetLastError();
          EXPECT_GT(n, 1) << "no fault of kind " << static_cast<int>(kind) << " was reached";
          restore();
          break;
        }
        EXPECT_EQ(FailCode(result), ZLE_ENGINE) << "fault " << static_cast<int>(kind) << "/" << n;
        EXPECT_TRUE(Image() == before) << "fault " << static_cast<int>(kind) << "/" << n;
        ASSERT_LT(n, 400);
      }
    }
  }
  long Count(const std::string& sql) {
    CloseLibrary();
    const long n = CountRows(m_path, sql);
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
    EXPECT_NE(m_hDB, nullptr);
    return n;
  }
};

TEST_F(DeleteTest, RemovesEverythingOfTheRecordAndNothingElse) {
  const long parent = NewRecord();
  const long id = NewRecord();
  const long other = NewRecord();
  Populate(m_hDB, id, "a");
  Populate(m_hDB, other, "b");
  ASSERT_EQ(ZLSetFirstChildByID(m_hDB, parent, id), 1);
  ASSERT_EQ(ZLSetParentByID(m_hDB, id, parent), 1);
  const std::string otherBefore = Describe(m_hDB, other);
  CloseLibrary();
  // Rows no writer of this library makes yet: additional data, a UDT_ID
  // row, a tolerance and a stress.
  const std::string m = std::to_string(id);
  Exec(m_path, "INSERT INTO ADDITIONAL_DATA (MODEL_ID) VALUES (" + m +
                   ");"
                   "INSERT INTO UDT_ID (UDT_ID, MODEL_ID) VALUES (9, " +
                   m +
                   ");"
                   "INSERT INTO TOLERANCE (MODEL_ID) VALUES (" +
                   m +
                   ");"
                   "INSERT INTO QUALITY (MODEL_ID) VALUES (" +
                   m + ");");
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(m_hDB, nullptr);
  ASSERT_GT(Owned(id), 10);
  const long texts = Count("SELECT count(*) FROM STRINGTAB_00000409") +
                     Count("SELECT count(*) FROM STRINGTAB_00000407");

  ASSERT_EQ(ZLDeleteRecordByID(m_hDB, id), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(Owned(id), 0);
  // Title (2), info (1), four node infos, a macro description.
  EXPECT_EQ(Count("SELECT count(*) FROM STRINGTAB_00000409") +
                Count("SELECT count(*) FROM STRINGTAB_00000407"),
            texts - 8);
  EXPECT_EQ(Count("SELECT count(*) FROM UDT_ID WHERE UDT_ID = 9 AND MODEL_ID IS NULL"), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM TOLERANCE WHERE MODEL_ID = " + m), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM QUALITY WHERE MODEL_ID = " + m), 1);
  EXPECT_EQ(Describe(m_hDB, other), otherBefore);
  // The parent still names the deleted record.
  long child = 0;
  EXPECT_EQ(ZLGetFirstChildByID(m_hDB, parent, child), 1);
  EXPECT_EQ(child, id);
  COleVariant bookmark;
  EXPECT_EQ(FailCode(ZLGetBookmarkByID(m_hDB, id, bookmark)), ZLE_NO_RECORD);
  // The keyword rows themselves are shared and stay.
  EXPECT_EQ(Count("SELECT count(*) FROM KEYWORD_00000409 WHERE KEYWORD = 'kw-a'"), 1);
}

TEST_F(DeleteTest, EmptyRecordsAndBookmarksAndUnknownRecords) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  const long kept = NewRecord();
  EXPECT_EQ(ZLDeleteRecordByBookmark(m_hDB, bookmark), 1);
  EXPECT_EQ(FailCode(ZLDeleteRecordByBookmark(m_hDB, bookmark)), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(FailCode(ZLDeleteRecordByID(m_hDB, id)), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLDeleteRecordByID(m_hDB, 1L << 40)), ZLE_NO_RECORD);
  // An unknown ID is refused before anything is written or committed.
  {
    CFaultScope faults;
    EXPECT_EQ(FailCode(ZLDeleteRecordByID(m_hDB, 999)), ZLE_NO_RECORD);
    EXPECT_EQ(CFaultInjector::Count(FaultKind::kWrite), 0);
    EXPECT_EQ(CFaultInjector::Count(FaultKind::kCommit), 0);
  }
  int garbage = 0;
  EXPECT_EQ(FailCode(ZLDeleteRecordByID(&garbage, kept)), ZLE_BAD_HANDLE);
  EXPECT_EQ(Count("SELECT count(*) FROM MAIN"), 1);
}

TEST_F(DeleteTest, AFailureAnywhereLeavesEverything) {
  const long id = NewRecord();
  Populate(m_hDB, id, "a");
  long target = id;
  SweepFaults([&] { return ZLDeleteRecordByID(m_hDB, target); },
              [&] {
                target = NewRecord();
                Populate(m_hDB, target, "b");
              });
}

// A record's user-defined rows carry the counter of its UDT_ID row, which
// here differs from its record ID; rows keyed by the record ID belong to
// another record and stay.
TEST_F(DeleteTest, UserDefinedRowsGoByTheirUdtId) {
  const long id = NewRecord();
  const long bare = NewRecord();
  const long nameless = NewRecord();
  ASSERT_EQ(ZLSetUDTNameByID(m_hDB, id, "MYDIR"), 1);
  CloseLibrary();
  const std::string m = std::to_string(id);
  const std::string other = std::to_string(nameless);
  Exec(m_path,
       "CREATE TABLE MYDIR (TABLE_NAME TEXT);"
       "INSERT INTO MYDIR VALUES ('DATA_A'), (''), ('DATA_B');"
       "CREATE TABLE DATA_A (UDT_ID INTEGER, V TEXT);"
       "CREATE INDEX \"DATA_A.UDT_ID_INDEX\" ON DATA_A (UDT_ID);"
       "CREATE TABLE DATA_B (UDT_ID INTEGER, V TEXT);"
       "INSERT INTO DATA_A VALUES (9, 'x'), (9, 'y'), (" +
           m +
           ", 'other'), (8, 'z');"
           "INSERT INTO DATA_B VALUES (" +
           m +
           ", 'other'), (9, 'x');"
           "INSERT INTO UDT_ID (UDT_ID, MODEL_ID) VALUES (9, " +
           m + "), (8, " + other + ");");
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
  EXPECT_EQ(Count("SELECT count(*) FROM DATA_A WHERE UDT_ID = 9"), 0);
  EXPECT_EQ(Count("SELECT count(*) FROM DATA_B WHERE UDT_ID = 9"), 0);
  EXPECT_EQ(Count("SELECT count(*) FROM DATA_A"), 2);
  EXPECT_EQ(Count("SELECT count(*) FROM DATA_B"), 1);
  EXPECT_EQ(Count("SELECT count(*) FROM UDT_ID"), 1);
  // Nothing left: the record has no user-defined data any more.
  EXPECT_EQ(ZLDeleteUDTRecordByID(m_hDB, id), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
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
  long NewOtherRecord() {
    COleVariant mark;
    long id = 0;
    EXPECT_EQ(ZLCreateNewRecord(m_other, mark), 1);
    EXPECT_EQ(ZLGetIDByBookmark(m_other, mark, id), 1);
    return id;
  }
  int Copy(void* hSrc, long src, void* hDest, long dest) {
    COleVariant from, to;
    EXPECT_EQ(ZLGetBookmarkByID(hSrc, src, from), 1);
    EXPECT_EQ(ZLGetBookmarkByID(hDest, dest, to), 1);
    return ZLCopyRecordByBookmark(hSrc, from, hDest, to);
  }
  // The bytes of the other library's closed file.
  std::string OtherImage() {
    EXPECT_EQ(ZLCloseDatabase(m_other), 1);
    const std::string bytes = CScratchDir::Read(m_otherPath);
    m_other = ZLOpenDatabase(m_otherPath.c_str(), eOpenReadWrite);
    EXPECT_NE(m_other, nullptr);
    return bytes;
  }
  std::vector<long> Links(void* hDB, long id) {
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
  const long b = NewRecord();
  const long source = NewRecord();
  Populate(m_hDB, source, "src");
  ASSERT_EQ(ZLSetParentByID(m_hDB, source, a), 1);
  ASSERT_EQ(ZLSetNextByID(m_hDB, source, b), 1);
  const std::string expected = Describe(m_hDB, source);
  ASSERT_NE(expected.find("wizard src-file1.wiz"), std::string::npos) << expected;

  const long folder = NewOtherRecord();
  const long dest = NewOtherRecord();
  ASSERT_EQ(ZLSetParentByID(m_other, dest, folder), 1);
  ASSERT_EQ(ZLSetFirstChildByID(m_other, folder, dest), 1);
  Populate(m_other, dest, "old");  // overwritten
  ASSERT_EQ(Copy(m_hDB, source, m_other, dest), 1) << ZLGetLastError();
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
  EXPECT_TRUE(nodes[0]->m_bWizFileSet);
  EXPECT_EQ(nodes[0]->m_lWizFileID, files[1]->m_lFileID);
  ZLFreeObjectArray(files);
  ZLFreeObjectArray(nodes);

  // A bare record copies as a bare record: the content of the old one goes
  // where the source has some, and nothing fails.
  const long bare = NewRecord();
  const long fresh = NewOtherRecord();
  ASSERT_EQ(Copy(m_hDB, bare, m_other, fresh), 1) << ZLGetLastError();
  EXPECT_EQ(Describe(m_other, fresh), Describe(m_hDB, bare));
}

TEST_F(CopyTest, WithinOneLibrary) {
  const long source = NewRecord();
  const long dest = NewRecord();
  Populate(m_hDB, source, "one");
  ASSERT_EQ(ZLSetPrevByID(m_hDB, dest, source), 1);
  const std::string expected = Describe(m_hDB, source);
  ASSERT_EQ(Copy(m_hDB, source, m_hDB, dest), 1) << ZLGetLastError();
  EXPECT_EQ(Describe(m_hDB, dest), expected);
  EXPECT_EQ(Describe(m_hDB, source), expected);
  EXPECT_EQ(Links(m_hDB, dest), (std::vector<long>{0, 0, source, 0}));
  // Node IDs are new; the copy's rows are its own.
  ASSERT_EQ(ZLDeleteRecordByID(m_hDB, source), 1);
  EXPECT_EQ(Describe(m_hDB, dest), expected);
}

TEST_F(CopyTest, MissingTablesInTheDestinationFailAndChangeNothing) {
  const long source = NewRecord();
  Populate(m_hDB, source, "x");
  ASSERT_EQ(ZLAddResourceTable(m_other, kEN), 1);
  ASSERT_EQ(ZLAddResourceTable(m_other, kDE), 1);
  const long dest = NewOtherRecord();
  const std::string before = OtherImage();
  EXPECT_EQ(FailCode(Copy(m_hDB, source, m_other, dest)), ZLE_NO_SIMTABLE_KIND);
  EXPECT_TRUE(OtherImage() == before);
  int garbage = 0;
  COleVariant from, to;
  ASSERT_EQ(ZLGetBookmarkByID(m_hDB, source, from), 1);
  ASSERT_EQ(ZLGetBookmarkByID(m_other, dest, to), 1);
  EXPECT_EQ(FailCode(ZLCopyRecordByBookmark(m_hDB, from, &garbage, to)), ZLE_BAD_HANDLE);
  EXPECT_EQ(FailCode(ZLCopyRecordByBookmark(&garbage, from, m_other, to)), ZLE_BAD_HANDLE);
  // A bookmark of the other handle is no bookmark of this one.
  EXPECT_EQ(FailCode(ZLCopyRecordByBookmark(m_hDB, to, m_other, to)), ZLE_BAD_BOOKMARK);
}

// Every write and commit of a copy into another library fails in turn: the
// destination's file stays byte for byte as it was, and so does the source's.
TEST_F(CopyTest, AFailureAnywhereLeavesTheDestinationAsItWas) {
  PrepareLibrary(m_other);
  const long source = NewRecord();
  Populate(m_hDB, source, "f");
  long dest = NewOtherRecord();
  for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
    for (long n = 1;; ++n) {
      const std::string before = OtherImage();
      const std::string sourceBefore = Image();
      COleVariant from, to;
      ASSERT_EQ(ZLGetBookmarkByID(m_hDB, source, from), 1);
      ASSERT_EQ(ZLGetBookmarkByID(m_other, dest, to), 1);
      CFaultScope faults;
      CFaultInjector::FailNth(kind, n);
      const int result = ZLCopyRecordByBookmark(m_hDB, from, m_other, to);
      const int code = FailCode(result);
      const bool hit = CFaultInjector::Count(kind) >= n;
      CFaultInjector::Reset();
      EXPECT_TRUE(Image() == sourceBefore) << "fault " << static_cast<int>(kind) << "/" << n;
      if (!hit) {
        ASSERT_EQ(result, 1) << ZLGetLastError();
        EXPECT_GT(n, kind == FaultKind::kWrite ? 5 : 1);
        dest = NewOtherRecord();
        break;
      }
      EXPECT_EQ(code, ZLE_ENGINE) << "fault " << static_cast<int>(kind) << "/" << n;
      EXPECT_TRUE(OtherImage() == before) << "fault " << static_cast<int>(kind) << "/" << n;
      ASSERT_LT(n, 400);
    }
  }
}

}  // namespace
