// ZLRepairDatabase on real files: the tree it leaves, the file it leaves
// alone when it cannot work, and nothing left behind in any case.
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

// The names in a folder, sorted.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// One value of a plain SQLite query on a closed file.
std::string RawQuery(const std::string& path, const char* sql, bool readOnly = true) {
  sqlite3* db = nullptr;
  std::string out = "error";
  if (sqlite3_open_v2(path.c_str(), &db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                      nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      out = text != nullptr ? reinterpret_cast<const char*>(text) : "";
      sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return out;
}

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

class RepairTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
    // 1(2,3(4)),5: folders 1 and 3.
    struct {
      long type, parent, first, prev, next;
    } rows[] = {
        {1, 0, 2, 0, 5}, {0, 1, 0, 0, 3}, {1, 1, 4, 2, 0}, {0, 3, 0, 0, 0}, {0, 0, 0, 1, 0}};
    for (const auto& row : rows) {
      const long id = NewRecord();
      ASSERT_EQ(ZLSetTypeByID(m_hDB, id, static_cast<unsigned long>(row.type)), 1);
      SetLinks(id, row.parent, row.first, row.prev, row.next);
      ASSERT_EQ(ZLSetTitleByID(m_hDB, id, 1033, ("title " + std::to_string(id)).c_str(), 0), 1);
    }
  }

  void SetLinks(long id, long parent, long first, long prev, long next) {
    ASSERT_EQ(ZLSetParentByID(m_hDB, id, parent), 1);
    ASSERT_EQ(ZLSetFirstChildByID(m_hDB, id, first), 1);
    ASSERT_EQ(ZLSetPrevByID(m_hDB, id, prev), 1);
    ASSERT_EQ(ZLSetNextByID(m_hDB, id, next), 1);
  }

  // The tree of a closed file as "1(2,3(4)),5", read through the links
  // from the root; "!" marks a record met twice.
  std::string Tree() {
    void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
    EXPECT_NE(hDB, nullptr);
    COleVariant root;
    long id = 0;
    std::string out;
    if (ZLGetRootBookmark(hDB, root) == 1 && ZLGetIDByBookmark(hDB, root, id) == 1) {
      std::map<long, int> seen;
      Chain(hDB, id, out, seen);
    }
    ZLCloseDatabase(hDB);
    return out;
  }
  void Chain(void* hDB, long id, std::string& out, std::map<long, int>& seen) {
    for (bool first = true; id != 0; first = false) {
      out += (first ? "" : ",") + std::to_string(id);
      if (seen[id]++ > 0) {
        out += "!";
        return;
      }
      long child = 0;
      if (ZLGetFirstChildByID(hDB, id, child) == 1) {
        out += "(";
        Chain(hDB, child, out, seen);
        out += ")";
      }
      if (ZLGetNextByID(hDB, id, id) != 1) id = 0;
    }
  }

  std::string m_folder = m_dir.Path();
};

struct DamageCase {
  const char* name;
  // Records added after the healthy five: type, parent, first, prev, next.
  std::vector<std::vector<long>> added;
  const char* tree;
  long reattached;
  long cycles;
};

class RepairDamageTest : public RepairTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(RepairDamageTest, RebuildsTheTree) {
  for (const std::vector<long>& row : GetParam().added) {
    const long id = NewRecord();
    ASSERT_EQ(ZLSetTypeByID(m_hDB, id, static_cast<unsigned long>(row[0])), 1);
    SetLinks(id, row[1], row[2], row[3], row[4]);
  }
  CloseLibrary();
  ZLRepairSummary summary{};
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str(), summary), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(Tree(), GetParam().tree);
  EXPECT_EQ(summary.m_lRecords, 5 + static_cast<long>(GetParam().added.size()));
  EXPECT_EQ(summary.m_lReattached, GetParam().reattached);
  EXPECT_EQ(summary.m_lCyclesBroken, GetParam().cycles);
  EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"lib.zdb"}) << "temporary files left";
  // Titles and the rest of the records came through.
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  CString title;
  EXPECT_EQ(ZLGetTitleByID(hDB, 3, 1033, title, 0), 1);
  EXPECT_STREQ(title, "title 3");
  ZLCloseDatabase(hDB);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RepairDamageTest,
    ::testing::Values(
        DamageCase{"Healthy", {}, "1(2,3(4)),5", 0, 0},
        // 6 names folder 3 and model 4 as its neighbour, but 4's NEXT does
        // not lead to it.
        DamageCase{"NeighboursDoNotPointToIt", {{0, 3, 0, 4, 0}}, "1(2,3(4,6)),5", 1, 0},
        // 7 and 8 wait for 6, whose parent does not exist.
        DamageCase{"TwoPasses",
                   {{1, 99, 0, 0, 0}, {0, 6, 0, 0, 0}, {0, 6, 0, 0, 0}},
                   "1(2,3(4)),5,6(8,7)",
                   3,
                   0},
        DamageCase{"ParentCycle", {{1, 7, 0, 0, 0}, {1, 6, 0, 0, 0}}, "1(2,3(4)),5,7(6)", 2, 1}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST_F(RepairTest, HealthyTreeIsLeftWithItsLinksAndStamp) {
  COleDateTime before;
  ASSERT_EQ(ZLGetLastLayoutChangeDate(m_hDB, before), 1);
  CloseLibrary();
  ZLRepairSummary summary{};
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str(), summary), 1);
  EXPECT_EQ(summary.m_lReached, 5);
  EXPECT_EQ(summary.m_lLinksRewritten, 0);
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  COleDateTime after;
  EXPECT_EQ(ZLGetLastLayoutChangeDate(hDB, after), 1);
  EXPECT_EQ(after.m_dt, before.m_dt) << "nothing in the tree changed";
  ZLCloseDatabase(hDB);
}

TEST_F(RepairTest, BrokenLinksAreRewrittenAndStamped) {
  ASSERT_EQ(ZLSetNextByID(m_hDB, 2, 0), 1);  // 3 and its folder fall out of reach
  CloseLibrary();
  ASSERT_EQ(RawQuery(m_path, "UPDATE DBINFO SET LASTLAYOUTCHANGE = 2.0 RETURNING 1", false), "1");
  ZLRepairSummary summary{};
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str(), summary), 1);
  EXPECT_EQ(Tree(), "1(2,3(4)),5");
  EXPECT_EQ(summary.m_lReattached, 2);
  EXPECT_EQ(summary.m_lLinksRewritten, 1) << "only 2's NEXT: 3 still names 2 as PREV";
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  COleDateTime after;
  EXPECT_EQ(ZLGetLastLayoutChangeDate(hDB, after), 1);
  EXPECT_GT(after.m_dt, 2.0);
  ZLCloseDatabase(hDB);
}

TEST_F(RepairTest, FileInUseGives32AndIsLeftAlone) {
  CloseLibrary();
  const std::string bytes = Bytes(m_path);
  {
    zltest::CChildProcess child("HoldOpen", {m_path});
    ASSERT_EQ(child.ReadLine(), "ready");
    EXPECT_EQ(ZLRepairDatabase(m_path.c_str()), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_TABLE_LOCKED);
    EXPECT_EQ(child.Finish(), 0);
  }
  EXPECT_EQ(Bytes(m_path), bytes);
  // Open in this process: the same.
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(ZLRepairDatabase(m_path.c_str()), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_TABLE_LOCKED);
  ZLCloseDatabase(hDB);
  EXPECT_EQ(Bytes(m_path), bytes);
  EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"lib.zdb"});
}

TEST_F(RepairTest, FilesItCannotRepairAreLeftAsTheyWere) {
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
  EXPECT_EQ(ZLRepairDatabase(nullptr), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NOT_WRITABLE);
  EXPECT_EQ(Entries(m_folder), (std::vector<std::string>{"lib.zdb", "notes.txt", "readonly.zdb"}));
}

TEST_F(RepairTest, DamagedFileIsSalvaged) {
  CloseLibrary();
  const long pageSize = std::stol(RawQuery(m_path, "PRAGMA page_size"));
  const long page = std::stol(RawQuery(
      m_path, "SELECT rootpage FROM sqlite_master WHERE type = 'index' AND tbl_name = 'MAIN'"));
  {
    std::fstream f(m_path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp((page - 1) * pageSize + 8);
    const std::string garbage(static_cast<size_t>(pageSize - 16), '\xA5');
    f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  ASSERT_NE(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str()), 1) << ZLGetLastError();
  EXPECT_EQ(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Tree(), "1(2,3(4)),5");
}

TEST_F(RepairTest, CommitsStillInTheLogAreKept) {
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
