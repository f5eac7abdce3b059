// Rollbacks of layouts and other databases, table dates and counters added
// later.  Nested levels, rows and positions a rollback removes, and counters
// of rows are checked against a model by the random-operations test.
#include <set>

#include "engine_fixture.h"

namespace enginetest {
namespace {

class TransactionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    MakeItems(m_db);
    m_rs.Open(dbOpenTable, "ITEMS");
  }
  static void MakeItems(CDaoDatabase& db) {
    CreateTable(db, "ITEMS",
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"NAME", dbText, 20, dbVariableField | dbUpdatableField, true}},
                {{"ID_INDEX", {"ID"}, true}});
  }
  COleVariant Add(CDaoRecordset& rs, const char* name) {
    return AddRow(rs, {{"NAME", COleVariant(name)}});
  }
  CDaoWorkspace& Ws() { return *m_db.m_pWorkspace; }
  static double LastUpdated(CDaoRecordset& rs) { return rs.GetDateLastUpdated().m_dt; }

  CDaoRecordset m_rs{&m_db};
};

// A second connection on the file (another process, as far as the engine
// can tell) for the reads without a transaction below.
class CRawConnection {
 public:
  explicit CRawConnection(const std::string& path) { sqlite3_open(path.c_str(), &m_db); }
  ~CRawConnection() { sqlite3_close(m_db); }
  CRawConnection(const CRawConnection&) = delete;
  CRawConnection& operator=(const CRawConnection&) = delete;
  int Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

 private:
  sqlite3* m_db = nullptr;
};

// A reading level without a transaction reads committed rows only, notes a
// commit that came between its begin and its reads, and turns into a
// transaction for a write.
TEST_F(TransactionTest, AReadingLevelWithoutATransactionNotesNewerStates) {
  SKIP_ON_SERVER();
  Add(m_rs, "one");
  m_rs.SetCurrentIndex("ID_INDEX");
  COleVariant first = Long(1);
  auto nameOfFirst = [&] {
    EXPECT_TRUE(m_rs.Seek("=", &first));
    return Text(m_rs.GetFieldValue("NAME"));
  };
  // An ordinary level first: it takes the look the next ones compare with.
  m_db.BeginFileTrans(FALSE);
  EXPECT_EQ(nameOfFirst(), "one");
  m_db.CommitFileTrans();
  CRawConnection other(m_path);
  struct Case {
    const char* what;
    const char* before;  // run by the other connection after the begin
    const char* after;   // run by it after the level ended
    const char* seen;
    BOOL newer;
  };
  const Case cases[] = {
      {"nothing happens", "", "", "one", FALSE},
      {"a write not yet committed", "BEGIN IMMEDIATE; UPDATE ITEMS SET NAME = 'two'", "ROLLBACK",
       "one", FALSE},
      {"a commit after the begin", "UPDATE ITEMS SET NAME = 'three'", "", "three", TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_db.BeginFileRead();
    ASSERT_EQ(other.Exec(c.before), SQLITE_OK);
    EXPECT_EQ(nameOfFirst(), c.seen);
    EXPECT_EQ(m_db.ReadSawNewerState(), c.newer);
    m_db.CommitFileTrans();
    ASSERT_EQ(other.Exec(c.after), SQLITE_OK);
  }
  // After a commit elsewhere the next level is an ordinary one and sees it.
  ASSERT_EQ(other.Exec("UPDATE ITEMS SET NAME = 'four'"), SQLITE_OK);
  m_db.BeginFileRead();
  EXPECT_EQ(nameOfFirst(), "four");
  EXPECT_FALSE(m_db.ReadSawNewerState());
  m_db.CommitFileTrans();
  // Writes inside one are committed or rolled back with it.
  for (BOOL commit : {FALSE, TRUE}) {
    m_db.BeginFileTrans(FALSE);
    m_db.CommitFileTrans();
    m_db.BeginFileRead();
    Add(m_rs, commit ? "kept" : "undone");
    if (commit) {
      m_db.CommitFileTrans();
    } else {
      m_db.RollbackFileTrans();
    }
  }
  EXPECT_EQ(RawQuery(m_path, "SELECT group_concat(NAME) FROM ITEMS ORDER BY ID"), "four,kept");
}

TEST_F(TransactionTest, LayoutChangesAndADeletedTableRollBack) {
  Add(m_rs, "a");
  Add(m_rs, "b");
  Ws().BeginTrans();
  CreateTable(m_db, "NEWTABLE", {{"X", dbLong, 4, dbUpdatableField, false}}, {});
  CDaoTableDef td(&m_db);
  td.Open("ITEMS");
  td.CreateField("EXTRA", dbLong, 4, dbUpdatableField);
  ASSERT_EQ(AddIndex(td, "NAME_INDEX", "NAME"), 0);
  m_rs.SetCurrentIndex("NAME_INDEX");
  Ws().Rollback();
  EXPECT_EQ(td.GetFieldCount(), 2);
  EXPECT_EQ(td.GetIndexCount(), 1);
  EXPECT_EQ(ErrorOf([&] { m_rs.GetFieldValue("EXTRA"); }), kDaoItemNotFound);
  EXPECT_EQ(m_rs.GetCurrentIndex(), CString("")) << "the index went with the rollback";
  CDaoTableDef gone(&m_db);
  EXPECT_EQ(ErrorOf([&] { gone.Open("NEWTABLE"); }), kDaoItemNotFound);
  // A deleted table comes back with its rows and its index.
  m_rs.Close();
  Ws().BeginTrans();
  m_db.DeleteTableDef("ITEMS");
  EXPECT_EQ(ErrorOf([&] { m_rs.Open(dbOpenTable, "ITEMS"); }), kDaoObjectNotFound);
  Ws().Rollback();
  m_rs.Open(dbOpenTable, "ITEMS");
  EXPECT_EQ(Walk(m_rs, "NAME"), (Strings{"a", "b"}));
  m_rs.SetCurrentIndex("ID_INDEX");
  COleVariant key = Long(2);
  EXPECT_TRUE(m_rs.Seek("=", &key));
}

TEST_F(TransactionTest, ATransactionCoversEveryOpenDatabase) {
  std::string otherPath = m_dir.File("other.db");
  CDaoDatabase other;
  other.Create(otherPath.c_str());
  MakeItems(other);
  CDaoRecordset otherRs(&other);
  otherRs.Open(dbOpenTable, "ITEMS");
  std::string thirdPath = m_dir.File("third.db");
  {
    CDaoDatabase third;
    third.Create(thirdPath.c_str());
    MakeItems(third);
  }
  Ws().BeginTrans();
  Add(m_rs, "here");
  Add(otherRs, "there");
  // A database opened inside the transaction takes part in it too.
  CDaoDatabase third;
  third.Open(thirdPath.c_str());
  CDaoRecordset thirdRs(&third);
  thirdRs.Open(dbOpenTable, "ITEMS");
  Add(thirdRs, "late");
  Ws().Rollback();
  EXPECT_EQ(m_rs.GetRecordCount(), 0);
  EXPECT_EQ(otherRs.GetRecordCount(), 0);
  EXPECT_EQ(thirdRs.GetRecordCount(), 0);
  Ws().BeginTrans();
  Add(m_rs, "here");
  Add(otherRs, "there");
  Ws().CommitTrans();
  EXPECT_EQ(m_rs.GetRecordCount(), 1);
  EXPECT_EQ(otherRs.GetRecordCount(), 1);
}

// When a table's date moves is checked against a model by the random-operations test.
// Here a table left out of KeepTableDatesOnlyFor and a table not written keep their dates
// while a named one's move; counters are kept for every table, across a reopen too, which
// keeps every table's dates again.
TEST_F(TransactionTest, OnlyTheNamedTablesDatesMoveAndEveryTableKeepsItsCounters) {
  for (const char* name : {"UNTOUCHED", "UNDATED"}) {
    CreateTable(m_db, name,
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"NAME", dbText, 20, dbVariableField | dbUpdatableField, true}},
                {});
  }
  m_db.KeepTableDatesOnlyFor({"items", "Untouched"});
  CDaoRecordset untouched(&m_db), undated(&m_db);
  untouched.Open(dbOpenTable, "UNTOUCHED");
  undated.Open(dbOpenTable, "UNDATED");
  const double untouchedBefore = LastUpdated(untouched), undatedBefore = LastUpdated(undated);
  double last = LastUpdated(m_rs);
  for (int i = 0; i < 20; ++i) {
    Add(m_rs, "dated");
    Add(undated, "undated");
    ASSERT_GT(LastUpdated(m_rs), last) << "commit " << i;
    last = LastUpdated(m_rs);
  }
  undated.MoveLast();
  undated.Edit();
  undated.SetFieldValue("NAME", COleVariant("edited"));
  undated.Update();
  EXPECT_EQ(LastUpdated(untouched), untouchedBefore);
  EXPECT_EQ(LastUpdated(undated), undatedBefore);
  {
    CDaoTableDef td(&m_db);
    td.Open("ITEMS");
    EXPECT_EQ(td.GetDateLastUpdated().m_dt, last);
    EXPECT_LE(td.GetDateCreated().m_dt, last);
  }
  // The highest counter is deleted; the stored sequence moves past it.
  const long highest = undated.GetFieldValue("ID").lVal;
  undated.Delete();
  undated.Close();
  untouched.Close();
  m_rs.Close();
  m_db.Close();
  m_db.Open(m_path.c_str());
  undated.Open(dbOpenTable, "UNDATED");
  const double before = LastUpdated(undated);
  undated.SetBookmark(AddRow(undated, {{"NAME", COleVariant("after")}}));
  EXPECT_EQ(undated.GetFieldValue("ID").lVal, highest + 1);
  EXPECT_GT(LastUpdated(undated), before);
}

TEST_F(TransactionTest, ACounterAddedToATableWithRowsNumbersThemInInsertionOrder) {
  CreateTable(m_db, "PLAIN", {{"NAME", dbText, 10, dbUpdatableField, false}}, {});
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "PLAIN");
  for (const char* n : {"x", "y", "z"}) AddRow(rs, {{"NAME", COleVariant(n)}});
  rs.Close();
  CDaoTableDef td(&m_db);
  td.Open("PLAIN");
  td.CreateField("NUM", dbLong, 4, dbAutoIncrField);
  EXPECT_EQ(ErrorOf([&] { td.CreateField("NUM2", dbLong, 4, dbAutoIncrField); }),
            kDaoInvalidArgument)
      << "one counter per table";
  rs.Open(dbOpenTable, "PLAIN");
  EXPECT_EQ(Walk(rs, "NUM"), (Strings{"1", "2", "3"}));
  rs.SetBookmark(AddRow(rs, {{"NAME", COleVariant("w")}}));
  EXPECT_EQ(rs.GetFieldValue("NUM").lVal, 4);
}

// Two connections to one library (two processes, as far as the engine can
// tell; on a file the one connection of the process) add rows in turn, in
// transactions, some rolled back, and change its layout: the numbers and
// layouts one kept from its last transaction must not survive the other's
// commits.
TEST_F(TransactionTest, ConnectionsAddingInTurnNeverReuseNumbersAndSeeLayouts) {
  std::string other = m_path;
  if (OnServer())
    other += (other.find('?') == std::string::npos ? "?" : "&") +
             std::string("application_name=zl_second");
  CDaoDatabase second;
  second.Open(other.c_str());
  CDaoRecordset rs2(&second);
  rs2.Open(dbOpenTable, "ITEMS");
  std::set<long> ids;
  int kept = 0;
  for (int i = 0; i < 12; ++i) {
    CDaoDatabase& db = i % 3 == 1 ? second : m_db;
    CDaoRecordset& rs = i % 3 == 1 ? rs2 : m_rs;
    db.BeginFileTrans(TRUE);
    rs.SetBookmark(Add(rs, ("row " + std::to_string(i)).c_str()));
    const long id = rs.GetFieldValue("ID").lVal;
    if (i % 4 == 3) {
      db.RollbackFileTrans();
      continue;
    }
    db.CommitFileTrans();
    EXPECT_TRUE(ids.insert(id).second) << "counter " << id << " given twice, row " << i;
    ++kept;
  }
  // A counter moved by an update is not handed out again.
  m_rs.SetBookmark(Add(m_rs, "moved"));
  const long moved = m_rs.GetFieldValue("ID").lVal + 1;
  m_db.Execute(
      ("UPDATE ITEMS SET ID = " + std::to_string(moved) + " WHERE NAME = 'moved'").c_str());
  m_rs.SetBookmark(Add(m_rs, "after the move"));
  EXPECT_GT(m_rs.GetFieldValue("ID").lVal, moved);
  kept += 2;
  std::vector<std::string> names = Walk(m_rs, "NAME");
  EXPECT_EQ(static_cast<int>(names.size()), kept);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
  // A field the other connection adds is seen after a refresh of the
  // layouts, and numbering goes on past both connections' rows.
  rs2.Close();
  {
    CDaoTableDef td(&second);
    td.Open("ITEMS");
    td.CreateField("EXTRA", dbLong, 4, dbUpdatableField);
  }
  rs2.Open(dbOpenTable, "ITEMS");
  rs2.SetBookmark(Add(rs2, "after the change"));
  const long last = rs2.GetFieldValue("ID").lVal;
  m_rs.Close();
  m_db.RefreshTableDefs();
  m_rs.Open(dbOpenTable, "ITEMS");
  m_rs.SetBookmark(AddRow(m_rs, {{"NAME", COleVariant("extra")}, {"EXTRA", Long(7)}}));
  EXPECT_GT(m_rs.GetFieldValue("ID").lVal, last);
  EXPECT_EQ(m_rs.GetFieldValue("EXTRA").lVal, 7);
  rs2.Close();
  second.Close();
}

}  // namespace
}  // namespace enginetest
