// Injected storage and memory failures: every failed operation leaves the
// file exactly as it was.
#include "engine_fixture.h"
#include "support/file_contents.h"

namespace enginetest {
namespace {

using zl::engine::CFaultInjector;
using zl::engine::FaultError;
using zl::engine::FaultKind;
using zltest::FileContents;  // every row of every table, as committed

class FaultTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateTable(m_db, "MAIN",
                {{"MODEL_ID", dbLong, 4, dbAutoIncrField, false},
                 {"DEFNAME", dbText, 50, dbVariableField | dbUpdatableField, true},
                 {"STATE", dbLong, 4, dbUpdatableField, false}},
                {{"MODEL_ID_INDEX", {"MODEL_ID"}, true}, {"DEFNAME_INDEX", {"DEFNAME"}, true}});
    m_rs.Open(dbOpenTable, "MAIN");
    AddRow(m_rs, {{"DEFNAME", COleVariant("first")}, {"STATE", Long(1)}});
    AddRow(m_rs, {{"DEFNAME", COleVariant("second")}, {"STATE", Long(2)}});
    m_rs.SetCurrentIndex("MODEL_ID_INDEX");
  }
  // Fails the 1st, 2nd, ... write of op until op gets through; each failure
  // must raise expected and leave the file as it was.  The number of
  // failures seen.
  int SweepWrites(const std::function<void()>& op, const std::function<void()>& afterFailure = {},
                  FaultError error = FaultError::kDiskError) {
    const long expected = error == FaultError::kDiskFull ? kDaoDiskFull : kDaoDiskError;
    for (int n = 1; n < 50; ++n) {
      const std::string before = FileContents(m_path);
      CFaultInjector::FailNth(FaultKind::kWrite, n, error);
      const long got = ErrorOf(op);
      CFaultInjector::Reset();
      if (got == 0) return n - 1;
      EXPECT_EQ(got, expected) << "write " << n;
      EXPECT_EQ(FileContents(m_path), before) << "write " << n;
      if (afterFailure) afterFailure();
    }
    ADD_FAILURE() << "the operation never got through";
    return 0;
  }

  CDaoRecordset m_rs{&m_db};
};

TEST_F(FaultTest, AFailedAddLeavesTheFileAndKeepsTheBuffer) {
  int failures = SweepWrites(
      [&] {
        if (m_rs.GetEditMode() == dbEditNone) {
          m_rs.AddNew();
          m_rs.SetFieldValue("DEFNAME", "third");
        }
        m_rs.Update();
      },
      [&] { EXPECT_EQ(m_rs.GetEditMode(), dbEditAdd); });
  EXPECT_GE(failures, 2) << "the row and the bookkeeping are both written";
  EXPECT_EQ(Walk(m_rs, "DEFNAME"), (Strings{"first", "second", "third"}));
  // Numbers handed to the failed attempts are not handed out again.
  m_rs.MoveLast();
  const long id = m_rs.GetFieldValue("MODEL_ID").lVal;
  EXPECT_GE(id, 3);
  EXPECT_LE(id, 3 + failures);
}

TEST_F(FaultTest, FailedEditsDeletesAndLayoutChangesLeaveTheFile) {
  m_rs.MoveFirst();
  SweepWrites(
      [&] {
        m_rs.MoveFirst();
        m_rs.Edit();
        m_rs.SetFieldValue("STATE", Long(10));
        m_rs.Update();
      },
      nullptr, FaultError::kDiskFull);
  EXPECT_EQ(m_rs.GetFieldValue("STATE").lVal, 10);
  SweepWrites([&] {
    m_rs.MoveFirst();
    m_rs.Delete();
  });
  EXPECT_EQ(m_rs.GetRecordCount(), 1);
  SweepWrites([&] { m_db.Execute("UPDATE MAIN SET STATE = STATE + 1"); });
  EXPECT_EQ(Walk(m_rs, "STATE"), (Strings{"3"}));
  CDaoTableDef td(&m_db);
  td.Open("MAIN");
  EXPECT_GE(SweepWrites([&] { td.CreateField("EXTRA", dbText, 10, dbUpdatableField); }), 2);
  EXPECT_EQ(td.GetFieldCount(), 4);
  SweepWrites([&] {
    CDaoTableDef fresh(&m_db);
    fresh.Create("FRESH");
    fresh.CreateField("ID", dbLong, 4, dbAutoIncrField);
    fresh.Append();
  });
  EXPECT_EQ(m_db.GetTableDefCount(), 2);
  m_rs.Close();
  SweepWrites([&] { m_db.DeleteTableDef("FRESH"); });
  EXPECT_EQ(m_db.GetTableDefCount(), 1);
}

TEST_F(FaultTest, AFailedCommitOutsideATransactionWritesNothing) {
  const std::string before = FileContents(m_path);
  CFaultInjector::FailNth(FaultKind::kCommit, 1);
  EXPECT_EQ(ErrorOf([&] { AddRow(m_rs, {{"DEFNAME", COleVariant("lost")}}); }), kDaoDiskError);
  EXPECT_EQ(FileContents(m_path), before);
  EXPECT_EQ(m_rs.GetRecordCount(), 2);
  m_rs.CancelUpdate();
  AddRow(m_rs, {{"DEFNAME", COleVariant("kept")}});
  EXPECT_EQ(m_rs.GetRecordCount(), 3);
}

TEST_F(FaultTest, AFailedCommitLeavesTheTransactionForTheCallersRollback) {
  const std::string before = FileContents(m_path);
  CDaoWorkspace& ws = *m_db.m_pWorkspace;
  ws.BeginTrans();
  AddRow(m_rs, {{"DEFNAME", COleVariant("inside")}});
  ws.BeginTrans();
  m_rs.MoveFirst();
  m_rs.Delete();
  ws.CommitTrans();
  CFaultInjector::FailNth(FaultKind::kCommit, 1);
  EXPECT_EQ(ErrorOf([&] { ws.CommitTrans(); }), kDaoDiskError);
  EXPECT_EQ(ws.GetTransactionDepth(), 1);
  EXPECT_EQ(FileContents(m_path), before);
  ws.Rollback();
  EXPECT_EQ(FileContents(m_path), before);
  EXPECT_EQ(Walk(m_rs, "DEFNAME"), (Strings{"first", "second"}));
}

TEST_F(FaultTest, AFailedStepInsideATransactionChangesNothingOfItsOwn) {
  const std::string before = FileContents(m_path);
  CDaoWorkspace& ws = *m_db.m_pWorkspace;
  ws.BeginTrans();
  AddRow(m_rs, {{"DEFNAME", COleVariant("kept")}});
  CFaultInjector::FailNth(FaultKind::kWrite, 1);
  m_rs.MoveFirst();
  m_rs.Edit();
  m_rs.SetFieldValue("DEFNAME", "changed");
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoDiskError);
  m_rs.CancelUpdate();
  EXPECT_EQ(ws.GetTransactionDepth(), 1);
  EXPECT_EQ(Walk(m_rs, "DEFNAME"), (Strings{"first", "second", "kept"}));
  ws.Rollback();
  EXPECT_EQ(FileContents(m_path), before);
}

TEST_F(FaultTest, ExhaustedMemoryIsReportedAndLeavesTheObjectsUsable) {
  m_rs.Close();
  int failures = 0;
  for (int n = 1; n < 40; ++n) {
    CDaoRecordset rs(&m_db);
    CFaultInjector::FailNth(FaultKind::kAllocation, n);
    const long got = ErrorOf([&] {
      rs.Open(dbOpenTable, "MAIN");
      rs.SetCurrentIndex("DEFNAME_INDEX");
      COleVariant key("second");
      rs.Seek("=", &key);
      rs.GetBookmark();
      CDaoIndexInfo info;
      rs.GetIndexInfo(0, info);
    });
    CFaultInjector::Reset();
    if (got == 0) break;
    ++failures;
    EXPECT_EQ(got, -6) << "allocation " << n;
  }
  EXPECT_GE(failures, 3);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "MAIN");
  EXPECT_EQ(Walk(rs, "DEFNAME"), (Strings{"first", "second"}));
}

// Switching indexes while memory is exhausted: a switch that fails leaves
// the index as it was, and a switch back that fails (a destructor's, which
// cannot report it) takes effect before the next operation, which fails
// rather than seek through the wrong index while it cannot.  Each index's
// statements are prepared here for the first time, so the switches meet an
// allocation point.
TEST_F(FaultTest, IndexSwitchesThatMeetExhaustedMemoryNeverLeaveTheWrongIndex) {
  CreateTable(
      m_db, "PAIRS",
      {{"A", dbLong, 4, dbUpdatableField, false}, {"B", dbLong, 4, dbUpdatableField, false}},
      {{"A_INDEX", {"A"}, false}, {"B_INDEX", {"B"}, false}});
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "PAIRS");
  AddRow(rs, {{"A", Long(1)}, {"B", Long(20)}});
  AddRow(rs, {{"A", Long(2)}, {"B", Long(10)}});
  rs.SetCurrentIndex("A_INDEX");
  CFaultInjector::FailNth(FaultKind::kAllocation, 1);
  EXPECT_EQ(ErrorOf([&] { rs.SetCurrentIndex("B_INDEX"); }), -6);
  CFaultInjector::Reset();
  EXPECT_STREQ(rs.GetCurrentIndex(), "A_INDEX");

  CFaultInjector::FailNth(FaultKind::kAllocation, 1);
  rs.RestoreCurrentIndex(CString("B_INDEX"));
  EXPECT_STREQ(rs.GetCurrentIndex(), "B_INDEX");
  CFaultInjector::FailNth(FaultKind::kAllocation, 1);
  EXPECT_EQ(ErrorOf([&] { rs.MoveFirst(); }), -6);  // still cannot be set
  CFaultInjector::Reset();
  COleVariant key = Long(10);
  ASSERT_TRUE(rs.Seek("=", &key));  // on B, where A has no 10
  EXPECT_EQ(rs.GetFieldValue("A").lVal, 2);
}

}  // namespace
}  // namespace enginetest
