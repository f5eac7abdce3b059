// ZLCheckDatabase: one damaged library per kind of fault it reports, each
// found and named; a sound library gives none; nothing is changed (a
// damaged file, repaired after the check).
#include <set>

#include "maintenance/tree_fixture.h"

namespace {

using zltest::RawQuery;

class CCollectedReport : public CZLCheckReport {
 public:
  void Fault(const char* kind, long recordID, const char* text) override {
    m_faults.insert(std::string(kind) + ":" + std::to_string(recordID));
    m_texts += std::string(text) + "\n";
  }
  void Progress(const char* stage, long done, long total) override {
    m_stages.insert(stage);
    m_progressInRange = m_progressInRange && done >= 0 && done <= total;
  }
  std::set<std::string> m_faults;  // "kind:recordID"
  std::string m_texts;
  std::set<std::string> m_stages;
  bool m_progressInRange = true;
};

struct FaultCase {
  const char* name;
  // Links to set through the library (record, field, value), then plain
  // SQL run on the closed file.
  std::vector<std::tuple<long, const char*, long>> links;
  std::vector<const char*> sql;
  std::set<std::string> faults;
  const char* text;  // a part of one fault's text
};

class CheckTest : public TreeLibraryTest, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void SetLink(long id, const char* field, long value) {
    const std::string name = field;
    const int result = name == "PARENT"       ? ZLSetParentByID(m_hDB, id, value)
                       : name == "FIRSTCHILD" ? ZLSetFirstChildByID(m_hDB, id, value)
                       : name == "PREV"       ? ZLSetPrevByID(m_hDB, id, value)
                                              : ZLSetNextByID(m_hDB, id, value);
    ASSERT_EQ(result, 1) << name;
  }
};

TEST_P(CheckTest, FindsTheFault) {
  const FaultCase& c = GetParam();
  // On a server library, the faults the library itself can be made to write.
  const bool server = testbackend::OnServer();
  if (server && !c.sql.empty()) GTEST_SKIP() << "damage written to the file with plain SQL";
  for (const auto& [id, field, value] : c.links) SetLink(id, field, value);
  CloseLibrary();
  for (const char* sql : c.sql) ASSERT_NE(RawQuery(m_path, sql, false), "error") << sql;
  const std::string before = server ? "" : zltest::Bytes(m_path);
  CCollectedReport report;
  ASSERT_EQ(ZLCheckDatabase(m_path.c_str(), report), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(report.m_faults, c.faults) << report.m_texts;
  EXPECT_NE(report.m_texts.find(c.text), std::string::npos) << report.m_texts;
  EXPECT_EQ(report.m_stages, (std::set<std::string>{"storage", "tree", "content", "registries"}));
  EXPECT_TRUE(report.m_progressInRange);
  if (!server) {
    EXPECT_EQ(zltest::Bytes(m_path), before) << "the check changed the file";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckTest,
    ::testing::Values(
        FaultCase{"Sound", {}, {}, {}, ""},
        // 3 and its child 4 fall out of the chain below 1.
        FaultCase{"Unreached", {{2, "NEXT", 0}}, {}, {"tree:3", "tree:4"}, "not reached"},
        FaultCase{"ReachedTwice", {{5, "FIRSTCHILD", 4}}, {}, {"tree:4"}, "second time"},
        FaultCase{"DanglingLink", {{5, "NEXT", 999}}, {}, {"links:5"}, "NEXT 999"},
        FaultCase{"ParentDisagrees", {{4, "PARENT", 1}}, {}, {"links:4"}, "PARENT 1"},
        FaultCase{"PrevDisagrees", {{3, "PREV", 0}}, {}, {"links:3"}, "PREV 0"},
        FaultCase{"RowsOfAMissingRecord",
                  {},
                  {"INSERT INTO NODE_NC (MODEL_ID) VALUES (777) RETURNING 1",
                   "INSERT INTO NODE_NC (MODEL_ID) VALUES (777) RETURNING 1"},
                  {"content:777"},
                  "NODE_NC has 2 rows of record 777"},
        FaultCase{"RegistryNamesAMissingTable",
                  {},
                  {"INSERT INTO RESINFO (LANGID, TABNAME, TABTYPE) VALUES (1031, "
                   "'STRINGTAB_00000407', 0) RETURNING 1"},
                  {"registry:0"},
                  "STRINGTAB_00000407, which does not exist"},
        FaultCase{"LanguageTableNotRegistered",
                  {},
                  {"DELETE FROM RESINFO WHERE TABNAME = 'UNIT_00000409' RETURNING 1"},
                  {"registry:0"},
                  "UNIT_00000409 is a language table no registry names"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// A damaged page: the check reports it, the repair salvages the file.
TEST_F(TreeLibraryTest, ADamagedFileIsReportedAndSalvaged) {
  SKIP_ON_SERVER();
  CloseLibrary();
  zltest::DamagePage(m_path, std::stol(RawQuery(m_path,
                                                "SELECT rootpage FROM sqlite_master WHERE type = "
                                                "'index' AND tbl_name = 'MAIN'")));
  CCollectedReport report;
  ASSERT_EQ(ZLCheckDatabase(m_path.c_str(), report), 1) << ZLGetLastError() << report.m_texts;
  EXPECT_EQ(report.m_faults.count("storage:0"), 1u) << report.m_texts;
  ASSERT_EQ(ZLRepairDatabase(m_path.c_str()), 1) << ZLGetLastError();
  EXPECT_EQ(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Tree(), "1(2,3(4)),5");
}

TEST_F(TreeLibraryTest, CheckFailsOnlyWhenItCannotLook) {
  CCollectedReport report;
  EXPECT_EQ(FailCode(ZLCheckDatabase(m_dir.File("missing.zdb").c_str(), report)),
            ZLE_FILE_NOT_FOUND);
  // Open elsewhere in this process: checked all the same.
  EXPECT_EQ(ZLCheckDatabase(m_path.c_str(), report), 1);
  const std::string text = m_dir.File("notes.txt");
  std::ofstream(text) << "not a database\n";
  EXPECT_EQ(ZLCheckDatabase(text.c_str(), report), 1);
  EXPECT_EQ(report.m_faults, std::set<std::string>{"storage:0"}) << report.m_texts;
}

}  // namespace
