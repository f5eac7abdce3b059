// One transaction per exported operation, caller transactions, consistent
// reads and snapshot mode, checked through commits counted at the engine's
// seam and through second processes.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "engine/dao_tabledef.h"
#include "engine/dao_workspace.h"
#include "engine/faults.h"
#include "support/child_process.h"
#include "support/test_backend.h"
#include "tree/attribute_fixture.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;
using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;

void* OpenLibrary(const std::string& path) {
  return ZLOpenDatabase(path.c_str(), eOpenReadWriteNoLogin);
}

std::string DefName(void* hDB, long id) {
  CString name;
  return ZLGetDefNameByID(hDB, id, name) == 1 ? std::string(name)
                                              : "<" + std::to_string(ZLGetLastError()) + ">";
}

// Rewrites both titles of record 1 in one call, over and over, for a while.
ZL_CHILD_ACTION(RewriteTitles) {
  void* hDB = OpenLibrary(args.at(0));
  if (hDB == nullptr) return 1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  zltest::ChildSignalReady();
  for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
    const CString text = std::to_string(round).c_str();
    CTextMap texts;
    texts[kEnglish] = text;
    texts[kGerman] = text;
    if (ZLSetTitleByID(hDB, 1, texts, 0) != 1) return 2;
  }
  return ZLCloseDatabase(hDB) == 1 ? 0 : 3;
}

// Changes record 1 and adds a record (another process's commit).
ZL_CHILD_ACTION(ChangeRecord) {
  void* hDB = OpenLibrary(args.at(0));
  COleVariant mark;
  const bool ok = hDB != nullptr && ZLSetDefNameByID(hDB, 1, args.at(1).c_str()) == 1 &&
                  ZLCreateNewRecord(hDB, mark) == 1;
  return ok && ZLCloseDatabase(hDB) == 1 ? 0 : 1;
}

class TransactionTest : public AttributeFixture {
 protected:
  void SetUp() override {
    AttributeFixture::SetUp();
    ASSERT_EQ(ZLAddResourceTable(m_hDB, kEnglish), 1);
    ASSERT_EQ(ZLAddResourceTable(m_hDB, kGerman), 1);
    m_id = NewRecord();
    ASSERT_EQ(m_id, 1);
    ASSERT_EQ(ZLSetDefNameByID(m_hDB, m_id, "before"), 1);
  }
  // Commits made by call().
  long CommitsOf(const std::function<int()>& call, int* result = nullptr) {
    CFaultScope counting;
    const int r = call();
    if (result != nullptr) *result = r;
    return CFaultInjector::Count(FaultKind::kCommit);
  }
  long m_id = 0;
};

// Each writing export commits once, whatever it writes (row, stamp, texts,
// registry); reads commit nothing; inside a caller transaction nothing
// commits until the caller does.
TEST_F(TransactionTest, EachExportCommitsOnce) {
  COleVariant mark;
  CString text;
  CTextMap texts;
  texts[kEnglish] = "title";
  texts[kGerman] = "Titel";
  unsigned long state = 1;
  CTypedPtrArray<CObArray, CZLResourceStringObject*> strings;
  strings.Add(new CZLResourceStringObject);
  strings[0]->m_lResID = 5;
  strings[0]->m_strText = "five";
  CZLMacroObject macro;
  macro.m_dwLevel = 1;
  macro.m_strDefName = "m";
  CZLCallObject call;
  call.m_strCallKey = "c";
  COleVariant package;
  CZLPackageObject object;
  const std::vector<std::pair<const char*, std::function<int()>>> writes = {
      {"create record", [&] { return ZLCreateNewRecord(m_hDB, mark); }},
      {"scalar", [&] { return ZLSetDefNameByID(m_hDB, m_id, "name"); }},
      {"scalar with stamp", [&] { return ZLSetStateByID(m_hDB, m_id, 2, 0); }},
      {"link", [&] { return ZLSetParentByID(m_hDB, m_id, 2); }},
      {"one title", [&] { return ZLSetTitleByID(m_hDB, m_id, kEnglish, "t", 0); }},
      {"all titles", [&] { return ZLSetTitleByID(m_hDB, m_id, texts, 0); }},
      {"database state", [&] { return ZLSetDatabaseState(m_hDB, state); }},
      {"resource strings", [&] { return ZLSetDBResourceStrings(m_hDB, kEnglish, strings); }},
      {"language tables", [&] { return ZLAddResourceTable(m_hDB, 1036); }},
      {"simulator table", [&] { return ZLAddCallTable(m_hDB, "SPICE", 0); }},
      {"macro table", [&] { return ZLAddMacroTable(m_hDB, "SPICE", 0); }},
      {"package table", [&] { return ZLAddPackageTable(m_hDB, "SPICE"); }},
      {"macro", [&] { return ZLSetMacroByID(m_hDB, m_id, "SPICE", macro); }},
      {"call", [&] { return ZLSetCallByID(m_hDB, m_id, "SPICE", call); }},
      {"package record", [&] { return ZLCreatePackageNewRecord(m_hDB, package); }},
      {"package attribute", [&] { return ZLSetPackageNameByBookmark(m_hDB, package, "pkg"); }},
      {"package object", [&] { return ZLSetPackageByName(m_hDB, "pkg", "SPICE", object); }},
  };
  for (const auto& write : writes) {
    int result = 0;
    EXPECT_EQ(CommitsOf(write.second, &result), 1) << write.first;
    EXPECT_EQ(result, 1) << write.first << " " << ZLGetLastError();
  }
  ZLFreeObjectArray(strings);
  const std::vector<std::pair<const char*, std::function<int()>>> reads = {
      {"scalar", [&] { return ZLGetDefNameByID(m_hDB, m_id, text); }},
      {"all titles", [&] { return ZLGetTitleByID(m_hDB, m_id, texts, 0); }},
      {"missing record", [&] { return ZLGetDefNameByID(m_hDB, 99, text); }},
      {"failed write", [&] { return ZLSetDefNameByID(m_hDB, 99, "x"); }},
  };
  for (const auto& read : reads) EXPECT_EQ(CommitsOf(read.second), 0) << read.first;

  EXPECT_EQ(CommitsOf([&] {
              int ok = ZLBeginTransaction(m_hDB);
              for (int i = 0; i < 5; ++i) {
                ok &= ZLCreateNewRecord(m_hDB, mark) & ZLSetTitleByID(m_hDB, m_id, texts, 0);
              }
              EXPECT_EQ(CFaultInjector::Count(FaultKind::kCommit), 0);
              return ok & ZLCommitTransaction(m_hDB);
            }),
            1);
}

// Other handles and processes learn of new language tables from the
// registries' last-updated dates, so those move with every write to them;
// no other table's date is written (it would cost every commit a page).
TEST_F(TransactionTest, OnlyTheRegistriesDatesMove) {
  auto dateOf = [&](const char* table) {
    zl::CHandleLock lock(m_hDB);
    CDaoTableDef definition(Record(lock).database);
    definition.Open(table);
    return definition.GetDateLastUpdated().m_dt;
  };
  const double main = dateOf("MAIN"), resinfo = dateOf("RESINFO");
  const double simtabinfo = dateOf("SIMTABINFO");
  COleVariant mark;
  ASSERT_EQ(ZLCreateNewRecord(m_hDB, mark), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, m_id, "after"), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, m_id, kEnglish, "title", 0), 1);
  EXPECT_EQ(dateOf("MAIN"), main);
  EXPECT_EQ(dateOf("RESINFO"), resinfo);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1036), 1);
  EXPECT_GT(dateOf("RESINFO"), resinfo);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "SPICE", 0), 1);
  EXPECT_GT(dateOf("SIMTABINFO"), simtabinfo);
}

// Commit, rollback, a failing operation inside, nesting and the codes of
// misuse, on one handle.
TEST_F(TransactionTest, CallerTransactionsNestAndUndoExactly) {
  EXPECT_TRUE(FailCode(ZLCommitTransaction(m_hDB)) == ZLE_NO_TRANSACTION &&
              FailCode(ZLRollbackTransaction(m_hDB)) == ZLE_NO_TRANSACTION);
  const long rows = RowCount(zl::ZLT_MAIN);

  ASSERT_EQ(ZLBeginTransaction(m_hDB), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, m_id, "outer"), 1);
  // A failing operation is undone alone; the transaction stays open.
  EXPECT_EQ(FailCode(ZLSetTitleByID(m_hDB, m_id, 1040, "no table", 0)), ZLE_NO_LANGUAGE);
  EXPECT_EQ(FailCode(ZLSetDefNameByID(m_hDB, 99, "x")), ZLE_NO_RECORD);
  ASSERT_EQ(ZLBeginTransaction(m_hDB), 1);
  const long inner = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, m_id, "inner"), 1);
  EXPECT_EQ(DefName(m_hDB, m_id), "inner");
  ASSERT_EQ(ZLRollbackTransaction(m_hDB), 1);  // the inner level only
  EXPECT_EQ(DefName(m_hDB, m_id), "outer");
  COleVariant mark;
  EXPECT_EQ(FailCode(ZLGetBookmarkByID(m_hDB, inner, mark)), ZLE_NO_RECORD);
  ASSERT_EQ(ZLBeginTransaction(m_hDB), 1);
  ASSERT_EQ(ZLSetUsesByID(m_hDB, m_id, "kept"), 1);
  ASSERT_EQ(ZLCommitTransaction(m_hDB), 1);  // into the outer level
  ASSERT_EQ(ZLCommitTransaction(m_hDB), 1);
  EXPECT_EQ(FailCode(ZLCommitTransaction(m_hDB)), ZLE_NO_TRANSACTION);
  Reopen();
  CString uses;
  EXPECT_TRUE(DefName(m_hDB, m_id) == "outer" && ZLGetUsesByID(m_hDB, m_id, uses) == 1 &&
              uses == "kept");

  // A rolled-back transaction leaves nothing, language tables included.
  ASSERT_EQ(ZLSetTitleByID(m_hDB, m_id, kEnglish, "title", 0), 1);
  ASSERT_EQ(ZLBeginTransaction(m_hDB), 1);
  NewRecords(3);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1036), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, m_id, 1036, "titre", 0), 1);
  ASSERT_EQ(ZLRollbackTransaction(m_hDB), 1);
  CArray<WORD, WORD> languages;
  ASSERT_EQ(ZLGetAvailableResourceLanguages(m_hDB, languages), 1);
  EXPECT_TRUE(RowCount(zl::ZLT_MAIN) == rows && languages.GetSize() == 2);
  CString title;
  EXPECT_EQ(FailCode(ZLGetTitleByID(m_hDB, m_id, 1036, title, 0)), ZLE_NO_LANGUAGE);
}

// The transaction belongs to the shared handle: giving back one reference
// keeps it, closing the last rolls it back.
TEST_F(TransactionTest, CloseRollsBackOnlyWithTheLastReference) {
  Reopen();
  void* shared = OpenLibrary(m_path);
  ASSERT_EQ(shared, OpenLibrary(m_path));  // a third reference
  ASSERT_EQ(ZLCloseDatabase(shared), 1);
  ASSERT_EQ(shared, m_hDB);
  ASSERT_EQ(ZLBeginTransaction(shared), 1);
  ASSERT_EQ(ZLSetDefNameByID(shared, m_id, "committed"), 1);
  ASSERT_EQ(ZLCloseDatabase(shared), 1);
  ASSERT_EQ(ZLCommitTransaction(m_hDB), 1);
  ASSERT_EQ(ZLBeginTransaction(m_hDB), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, m_id, "dropped"), 1);
  Reopen();
  EXPECT_EQ(DefName(m_hDB, m_id), "committed");
}

// Another process rewrites both titles in one call: every read of all
// titles sees one of its commits, never half of one.
TEST_F(TransactionTest, ReadsSeeOneCommitOrTheOther) {
  CTextMap texts;
  texts[kEnglish] = "start";
  texts[kGerman] = "start";
  ASSERT_EQ(ZLSetTitleByID(m_hDB, m_id, texts, 0), 1);
  zltest::CChildProcess writer("RewriteTitles", {m_path});
  ASSERT_EQ(writer.ReadLine(), "ready");
  int reads = 0, mixed = 0, changes = 0;
  CString last;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < end) {
    ASSERT_EQ(ZLGetTitleByID(m_hDB, m_id, texts, 0), 1);
    ++reads;
    if (texts[kEnglish] != texts[kGerman]) ++mixed;
    if (texts[kEnglish] != last) ++changes;
    last = texts[kEnglish];
  }
  EXPECT_EQ(writer.Finish(), 0);
  EXPECT_EQ(mixed, 0) << "of " << reads;
  EXPECT_GT(changes, 1) << "the reads never overlapped the writes";
}

// Reads between calls cost no transaction while nobody else commits; a
// write under way elsewhere stays unseen and its commit is seen by the very
// next read, also of a row the handle already stands on.
TEST_F(TransactionTest, ReadsSeeCommitsOfOtherConnectionsOnly) {
  SKIP_ON_SERVER() << ": another connection through SQLite";
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
  auto exec = [&](const char* sql) { return sqlite3_exec(other, sql, nullptr, nullptr, nullptr); };
  EXPECT_EQ(DefName(m_hDB, m_id), "before");
  ASSERT_EQ(exec("BEGIN IMMEDIATE; UPDATE MAIN SET DEFNAME = 'other' WHERE MODEL_ID = 1"),
            SQLITE_OK);
  EXPECT_EQ(DefName(m_hDB, m_id), "before");
  CDaoWorkspace::SetBusyTimeout(100);
  EXPECT_EQ(FailCode(ZLSetDefNameByID(m_hDB, m_id, "mine")), ZLE_LOCKED);
  CDaoWorkspace::SetBusyTimeout(5000);
  ASSERT_EQ(exec("COMMIT"), SQLITE_OK);
  EXPECT_EQ(DefName(m_hDB, m_id), "other");
  for (const char* name : {"third", "fourth"}) {
    const std::string sql = std::string("UPDATE MAIN SET DEFNAME = '") + name + "'";
    ASSERT_EQ(exec(sql.c_str()), SQLITE_OK);
    EXPECT_EQ(DefName(m_hDB, m_id), name);
    EXPECT_EQ(DefName(m_hDB, m_id), name);
  }
  sqlite3_close(other);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, m_id, "mine"), 1);
  EXPECT_EQ(DefName(m_hDB, m_id), "mine");
}

// Snapshot mode holds one picture until switched off; a write through the
// handle ends it and the next call takes a new one.
TEST_F(TransactionTest, SnapshotModeHoldsOnePicture) {
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 1), 1);
  ASSERT_EQ(zltest::RunChild("ChangeRecord", {m_path, "elsewhere"}), 0);
  COleVariant mark;
  EXPECT_TRUE(DefName(m_hDB, m_id) == "before" &&
              FailCode(ZLGetBookmarkByID(m_hDB, 2, mark)) == ZLE_NO_RECORD);
  ASSERT_EQ(ZLSetUsesByID(m_hDB, m_id, "own"), 1);  // sees the latest state
  EXPECT_TRUE(DefName(m_hDB, m_id) == "elsewhere" && ZLGetBookmarkByID(m_hDB, 2, mark) == 1);
  ASSERT_EQ(zltest::RunChild("ChangeRecord", {m_path, "later"}), 0);
  EXPECT_EQ(DefName(m_hDB, m_id), "elsewhere");
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 0), 1);
  EXPECT_EQ(DefName(m_hDB, m_id), "later");
}

}  // namespace
