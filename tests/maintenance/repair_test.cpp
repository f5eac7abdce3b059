// ZLRepairDatabase on real files: the tree it leaves, the file it leaves
// alone when it cannot work, and nothing left behind in any case.
#include <sys/stat.h>

#include "maintenance/tree_fixture.h"
#include "support/child_process.h"

namespace {

using zltest::Bytes;
using zltest::Entries;
using zltest::RawQuery;

class RepairTest : public TreeLibraryTest {};

ZL_CHILD_ACTION(HoldOpen) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWrite);
  if (hDB == nullptr) return 1;
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return ZLCloseDatabase(hDB) == 1 ? 0 : 2;
}

// Commits a definition name and waits to be killed, leaving its commit in
// the write-ahead log.
ZL_CHILD_ACTION(CommitAndWait) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWrite);
  if (hDB == nullptr || ZLSetDefNameByID(hDB, 4, "COMMITTED") != 1) return 1;
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return 0;
}

struct DamageCase {
  const char* name;
  long cutNext;  // a record whose NEXT is cleared, 0 for none
  // Records added after the healthy five: type, parent, first, prev, next.
  std::vector<std::vector<long>> added;
  const char* tree;
  long reattached, cycles, relinked;
};

class RepairDamageTest : public RepairTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(RepairDamageTest, RebuildsTheTree) {
  const DamageCase& c = GetParam();
  for (const std::vector<long>& row : c.added) {
    const long id = NewRecord();
    ASSERT_EQ(ZLSetTypeByID(m_hDB, id, static_cast<unsigned long>(row[0])), 1);
    SetLinks(id, row[1], row[2], row[3], row[4]);
  }
  if (c.cutNext != 0) {
    ASSERT_EQ(ZLSetNextByID(m_hDB, c.cutNext, 0), 1);
  }
  CloseLibrary();
  // A server library is repaired in place: no copies, and its stamp is not
  // set back with plain SQL here.
  const bool server = testbackend::OnServer();
  if (!server) {
    ASSERT_EQ(RawQuery(m_path, "UPDATE DBINFO SET LASTLAYOUTCHANGE = 2.0 RETURNING 1", false), "1");
  }
  ZLRepairSummary summary{};
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str(), summary), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(Tree(), c.tree);
  EXPECT_EQ(summary.m_lRecords, 5 + static_cast<long>(c.added.size()));
  EXPECT_EQ(summary.m_lReattached, c.reattached);
  EXPECT_EQ(summary.m_lCyclesBroken, c.cycles);
  EXPECT_EQ(summary.m_lLinksRewritten, c.relinked);
  if (!server) {
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"lib.zdb"}) << "temporary files left";
  }
  // The layout stamp moves only when links were written; titles came along.
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  COleDateTime stamp;
  EXPECT_EQ(ZLGetLastLayoutChangeDate(hDB, stamp), 1);
  if (!server) {
    EXPECT_EQ(stamp.m_dt > 2.0, c.relinked > 0) << stamp.m_dt;
  }
  CString title;
  EXPECT_EQ(ZLGetTitleByID(hDB, 3, 1033, title, 0), 1);
  EXPECT_STREQ(title, "title 3");
  ZLCloseDatabase(hDB);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RepairDamageTest,
    ::testing::Values(
        DamageCase{"Healthy", 0, {}, "1(2,3(4)),5", 0, 0, 0},
        // 2's NEXT is cut: 3 and its child fall out of reach; only 2's NEXT
        // changes (3 still names 2 as PREV).
        DamageCase{"ChainCut", 2, {}, "1(2,3(4)),5", 2, 0, 1},
        // 6 names folder 3 and model 4 as its neighbour, but 4's NEXT does
        // not lead to it.
        DamageCase{"NeighboursDoNotPointToIt", 0, {{0, 3, 0, 4, 0}}, "1(2,3(4,6)),5", 1, 0, 1},
        // 7 and 8 wait for 6, whose parent does not exist.
        DamageCase{"TwoPasses",
                   0,
                   {{1, 99, 0, 0, 0}, {0, 6, 0, 0, 0}, {0, 6, 0, 0, 0}},
                   "1(2,3(4)),5,6(8,7)",
                   3,
                   0,
                   4},
        DamageCase{
            "ParentCycle", 0, {{1, 7, 0, 0, 0}, {1, 6, 0, 0, 0}}, "1(2,3(4)),5,7(6)", 2, 1, 2}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST_F(RepairTest, FileInUseGives32AndIsLeftAlone) {
  CloseLibrary();
  const std::string bytes = Bytes(m_path);
  {
    zltest::CChildProcess child("HoldOpen", {m_path});
    ASSERT_EQ(child.ReadLine(), "ready");
    EXPECT_EQ(FailCode(ZLRepairDatabase(m_path.c_str())), ZLE_TABLE_LOCKED);
    EXPECT_EQ(child.Finish(), 0);
  }
  EXPECT_EQ(Bytes(m_path), bytes);
  // Open in this process: the same.
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(FailCode(ZLRepairDatabase(m_path.c_str())), ZLE_TABLE_LOCKED);
  ZLCloseDatabase(hDB);
  EXPECT_EQ(Bytes(m_path), bytes);
  if (!testbackend::OnServer()) {
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"lib.zdb"});
  }
}

TEST_F(RepairTest, FilesItCannotRepairAreLeftAsTheyWere) {
  SKIP_ON_SERVER();
  CloseLibrary();
  const std::string text = m_dir.File("notes.txt");
  std::ofstream(text) << "not a database\n";
  const std::string readOnly = m_dir.File("readonly.zdb");
  std::filesystem::copy_file(m_path, readOnly);
  ::chmod(readOnly.c_str(), 0444);
  const struct {
    std::string path;
    int code;
  } cases[] = {{m_dir.File("missing.zdb"), ZLE_NOT_WRITABLE},
               {readOnly, ZLE_NOT_WRITABLE},
               {m_folder, ZLE_NOT_WRITABLE},
               {text, ZLE_OPEN_FAILED}};
  for (const auto& c : cases) {
    const std::string before = Bytes(c.path);
    EXPECT_EQ(ZLRepairDatabase(c.path.c_str()), 0) << c.path;
    EXPECT_EQ(ZLGetLastError(), c.code) << c.path;
    EXPECT_EQ(Bytes(c.path), before) << c.path;
  }
  EXPECT_EQ(FailCode(ZLRepairDatabase(nullptr)), ZLE_NOT_WRITABLE);
  EXPECT_EQ(Entries(m_folder), (std::vector<std::string>{"lib.zdb", "notes.txt", "readonly.zdb"}));
}

TEST_F(RepairTest, CommitsStillInTheLogAreKept) {
  SKIP_ON_SERVER();
  CloseLibrary();
  {
    zltest::CChildProcess child("CommitAndWait", {m_path});
    ASSERT_EQ(child.ReadLine(), "ready");
    child.Kill();
  }
  struct stat st {};
  ASSERT_EQ(::stat((m_path + "-wal").c_str(), &st), 0);
  ASSERT_GT(st.st_size, 0) << "the commit is only in the log";
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str()), 1) << ZLGetLastError();
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  CString name;
  EXPECT_EQ(ZLGetDefNameByID(hDB, 4, name), 1);
  EXPECT_STREQ(name, "COMMITTED");
  ZLCloseDatabase(hDB);
  EXPECT_EQ(Tree(), "1(2,3(4)),5");
}

}  // namespace
