// Compaction into a new file and repair of damaged files.
#include <sqlite3.h>

#include <fstream>
#include <sstream>

#include "engine_fixture.h"

namespace enginetest {
namespace {

const char kPassword[] = ";PWD=Tq8wLmZr3VbXe";

// Overwrites page `page` (1-based) of a closed database file with garbage.
void DamagePage(const std::string& path, long page) {
  long pageSize = std::stol(RawQuery(path, "PRAGMA page_size"));
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp((page - 1) * pageSize + 8);
  std::string garbage(static_cast<size_t>(pageSize - 16), '\xA5');
  f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

class MaintenanceTest : public EngineTest {
 protected:
  bool FileOnly() const override { return true; }
  void SetUp() override {
    EngineTest::SetUp();
    m_db.Close();
    std::filesystem::remove(m_path);
    m_db.Create(m_path.c_str(), (std::string(dbLangGeneral) + kPassword).c_str());
    CreateTable(m_db, "MAIN",
                {{"MODEL_ID", dbLong, 4, dbAutoIncrField, false},
                 {"DEFNAME", dbText, 50, dbVariableField | dbUpdatableField, true},
                 {"STATE", dbLong, 4, dbUpdatableField, false}},
                {{"MODEL_ID_INDEX", {"MODEL_ID"}, true}, {"DEFNAME_INDEX", {"DEFNAME"}, false}});
    CreateTable(m_db, "PLAIN", {{"TEXT", dbText, 20, dbUpdatableField, false}}, {});
    CDaoRecordset rs(&m_db);
    rs.Open(dbOpenTable, "MAIN");
    std::vector<COleVariant> rows;
    for (const char* n : {"zeta", "alpha", "mu", "beta", "omega"}) {
      rows.push_back(AddRow(rs, {{"DEFNAME", COleVariant(n)}, {"STATE", Long(1)}}));
    }
    for (int i : {4, 1}) {  // the highest counter first: it must not come back
      rs.SetBookmark(rows[i]);
      rs.Delete();
    }
    CDaoRecordset plain(&m_db);
    plain.Open(dbOpenTable, "PLAIN");
    for (const char* t : {"c", "a", "b"}) AddRow(plain, {{"TEXT", COleVariant(t)}});
    plain.MoveFirst();
    plain.MoveNext();
    plain.Delete();
    m_created = rs.GetDateCreated().m_dt;
    rs.Close();
    plain.Close();
    m_db.Close();
  }

  std::vector<std::string> WalkTable(CDaoDatabase& db, const char* table, const char* index,
                                     const char* field) {
    CDaoRecordset rs(&db);
    rs.Open(dbOpenTable, table);
    rs.SetCurrentIndex(index);
    return Walk(rs, field);
  }

  double m_created = 0;
};

TEST_F(MaintenanceTest, CompactionKeepsRowsOrderIndexesCountersDatesAndPasswords) {
  std::string target = m_dir.File("compacted.db");
  CDaoWorkspace::CompactDatabase(m_path.c_str(), target.c_str(), dbLangGeneral, dbVersion30,
                                 kPassword);
  CDaoDatabase db;
  EXPECT_EQ(ErrorOf([&] { db.Open(target.c_str()); }), kDaoBadPassword);
  db.Open(target.c_str(), FALSE, FALSE, kPassword);
  EXPECT_EQ(WalkTable(db, "MAIN", "", "DEFNAME"), (std::vector<std::string>{"zeta", "mu", "beta"}));
  EXPECT_EQ(WalkTable(db, "MAIN", "DEFNAME_INDEX", "DEFNAME"),
            (std::vector<std::string>{"beta", "mu", "zeta"}));
  EXPECT_EQ(WalkTable(db, "PLAIN", "", "TEXT"), (std::vector<std::string>{"c", "b"}));
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "MAIN");
  EXPECT_EQ(rs.GetDateCreated().m_dt, m_created);
  rs.SetBookmark(AddRow(rs, {{"DEFNAME", COleVariant("new")}}));
  EXPECT_EQ(rs.GetFieldValue("MODEL_ID").lVal, 6);
  CDaoRecordset plain(&db);
  plain.Open(dbOpenTable, "PLAIN");
  AddRow(plain, {{"TEXT", COleVariant("d")}});
  EXPECT_EQ(WalkTable(db, "PLAIN", "", "TEXT"), (std::vector<std::string>{"c", "b", "d"}));
  CDaoTableDef td(&db);
  td.Open("MAIN");
  EXPECT_EQ(td.GetIndexCount(), 2);
  EXPECT_EQ(RawQuery(target, "PRAGMA journal_mode"), "wal");
  // A password in the locale gives the copy a new one.
  target = m_dir.File("repassworded.db");
  CDaoWorkspace::CompactDatabase(m_path.c_str(), target.c_str(),
                                 (std::string(dbLangGeneral) + ";PWD=other").c_str(), 0, kPassword);
  CDaoDatabase copy;
  EXPECT_EQ(ErrorOf([&] { copy.Open(target.c_str(), FALSE, FALSE, kPassword); }), kDaoBadPassword);
  EXPECT_EQ(ErrorOf([&] { copy.Open(target.c_str(), FALSE, FALSE, ";PWD=other"); }), 0);
}

// Refused compactions leave an existing target as it was and create none.
TEST_F(MaintenanceTest, CompactionRefusalsLeaveNoFileBehind) {
  auto compact = [&](const std::string& from, const std::string& to, const char* password) {
    return ErrorOf([&] {
      if (password == nullptr) return CDaoWorkspace::CompactDatabase(from.c_str(), to.c_str());
      CDaoWorkspace::CompactDatabase(from.c_str(), to.c_str(), dbLangGeneral, 0, password);
    });
  };
  const std::string target = m_dir.Write("target.db", "keep me");
  EXPECT_EQ(compact(m_path, target, kPassword), kDaoDatabaseExists);
  EXPECT_EQ(CScratchDir::Read(target), "keep me");
  std::string fresh = m_dir.File("fresh.db");
  EXPECT_EQ(compact(m_path, fresh, nullptr), kDaoBadPassword);
  EXPECT_EQ(compact(m_dir.File("missing.db"), fresh, nullptr), kDaoFileNotFound);
  m_db.Open(m_path.c_str(), FALSE, FALSE, kPassword);
  EXPECT_EQ(compact(m_path, fresh, kPassword), kDaoFileInUse);
  EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST_F(MaintenanceTest, RepairRebuildsADamagedIndex) {
  long root = std::stol(
      RawQuery(m_path, "SELECT rootpage FROM sqlite_master WHERE name = 'MAIN.DEFNAME_INDEX'"));
  DamagePage(m_path, root);
  ASSERT_NE(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  CDaoWorkspace::RepairDatabase(m_path.c_str());
  EXPECT_EQ(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  CDaoDatabase db;
  db.Open(m_path.c_str(), FALSE, FALSE, kPassword);
  EXPECT_EQ(WalkTable(db, "MAIN", "DEFNAME_INDEX", "DEFNAME"),
            (std::vector<std::string>{"beta", "mu", "zeta"}));
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "MAIN");
  rs.SetBookmark(AddRow(rs, {{"DEFNAME", COleVariant("after")}}));
  EXPECT_EQ(rs.GetFieldValue("MODEL_ID").lVal, 6) << "counters survive the repair";
}

TEST_F(MaintenanceTest, RepairSalvagesTheReadableRowsOfADamagedTable) {
  m_db.Open(m_path.c_str(), FALSE, FALSE, kPassword);
  {
    CDaoRecordset rs(&m_db);
    rs.Open(dbOpenTable, "MAIN");
    m_db.m_pWorkspace->BeginTrans();
    for (int i = 0; i < 400; ++i) {
      AddRow(rs,
             {{"DEFNAME", COleVariant(("row" + std::to_string(i) + std::string(40, '.')).c_str())},
              {"STATE", Long(i)}});
    }
    m_db.m_pWorkspace->CommitTrans();
  }
  m_db.Close();
  std::string leaves = RawQuery(
      m_path,
      "SELECT pageno FROM dbstat WHERE name = 'MAIN' AND pagetype = 'leaf' ORDER BY pageno");
  if (leaves.rfind("error", 0) == 0) GTEST_SKIP() << "no dbstat table in this SQLite: " << leaves;
  std::vector<long> pages;
  std::stringstream list(leaves);
  for (std::string p; std::getline(list, p, ',');) pages.push_back(std::stol(p));
  ASSERT_GE(pages.size(), 4u);
  DamagePage(m_path, pages[pages.size() / 2]);
  CDaoWorkspace::RepairDatabase(m_path.c_str());
  EXPECT_EQ(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  CDaoDatabase db;
  db.Open(m_path.c_str(), FALSE, FALSE, kPassword);
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "MAIN");
  long count = rs.GetRecordCount();
  EXPECT_LT(count, 403);
  EXPECT_GT(count, 403 - 403 / static_cast<long>(pages.size()) * 2);
  // What survived is whole: every row still pairs its name with its state.
  rs.SetCurrentIndex("MODEL_ID_INDEX");
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    long state = rs.GetFieldValue("STATE").lVal;
    std::string name = Text(rs.GetFieldValue("DEFNAME"));
    if (name.rfind("row", 0) == 0) {
      EXPECT_EQ(name, "row" + std::to_string(state) + std::string(40, '.'));
    }
  }
  COleVariant key = Long(404);
  rs.Seek("<=", &key);
  long last = rs.GetFieldValue("MODEL_ID").lVal;
  rs.SetBookmark(AddRow(rs, {{"DEFNAME", COleVariant("after")}}));
  EXPECT_GT(rs.GetFieldValue("MODEL_ID").lVal, last);
}

TEST_F(MaintenanceTest, RepairKeepsTheRowsOfTablesWhoseDescriptionIsLost) {
  long root = std::stol(
      RawQuery(m_path, "SELECT rootpage FROM sqlite_master WHERE name = 'zl_engine_tables'"));
  DamagePage(m_path, root);
  CDaoWorkspace::RepairDatabase(m_path.c_str());
  EXPECT_EQ(RawQuery(m_path, "PRAGMA integrity_check"), "ok");
  CDaoDatabase db;
  db.Open(m_path.c_str(), FALSE, FALSE, kPassword);
  EXPECT_EQ(WalkTable(db, "MAIN", "", "DEFNAME"), (std::vector<std::string>{"zeta", "mu", "beta"}));
  EXPECT_EQ(WalkTable(db, "PLAIN", "", "TEXT"), (std::vector<std::string>{"c", "b"}));
  // The types come from the columns: numbers stay numbers.
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "MAIN");
  EXPECT_EQ(rs.GetFieldValue("STATE").vt, VT_I4);
  AddRow(rs, {{"DEFNAME", COleVariant("new")}});
  EXPECT_EQ(rs.GetRecordCount(), 4);
}

TEST_F(MaintenanceTest, RepairLeavesAHealthyFileUnchangedAndRefusesOthers) {
  std::string before = CScratchDir::Read(m_path);
  CDaoWorkspace::RepairDatabase(m_path.c_str());
  EXPECT_EQ(CScratchDir::Read(m_path), before);
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_dir.File("missing.db").c_str()); }),
            kDaoFileNotFound);
  const std::string text = m_dir.Write("text.db", std::string(200, 'x'));
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(text.c_str()); }), kDaoUnrecognizedFormat);
  m_db.Open(m_path.c_str(), FALSE, FALSE, kPassword);
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoFileInUse);
}

}  // namespace
}  // namespace enginetest
