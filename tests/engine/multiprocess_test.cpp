// Several processes on one database file.  The children are the test
// program run again (support/child_process.h): they start with nothing
// open, print "ready" when they hold what the test needs and end when it
// lets them go; an engine error ends a child with a failing status.
#include <unistd.h>

#include <memory>

#include "engine_fixture.h"
#include "support/child_process.h"

namespace enginetest {
namespace {

void Add(CDaoRecordset& rs, const char* name, int32_t num) {
  AddRow(rs, {{"NAME", COleVariant(name)}, {"NUM", Long(num)}});
}

// True when rs holds a row named `name`, which then is current.
bool HasRow(CDaoRecordset& rs, const char* name) {
  rs.SetCurrentIndex("NAME_INDEX");
  COleVariant key(name);
  return rs.Seek("=", &key) != FALSE;
}

// A database and a recordset on table T; the members close in reverse order.
struct COpenTable {
  explicit COpenTable(const std::string& path, BOOL exclusive = FALSE) : rs(&db) {
    db.Open(path.c_str(), exclusive);
    rs.Open(dbOpenTable, "T");
  }
  CDaoDatabase db;
  CDaoRecordset rs;
};

// args: path, "exclusive" or "shared", and a row to add ("" for none).
// Holds the file open until released.
ZL_CHILD_ACTION(HoldTable) {
  auto t = std::make_unique<COpenTable>(args.at(0), args.at(1) == "exclusive");
  if (!args.at(2).empty()) Add(t->rs, args.at(2).c_str(), 1);
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return 0;
}

// args: path, "1" when the parent's row "parent" (NUM 7) must be seen.
// Adds "child" (NUM 8) in a transaction, signals, and commits when released.
ZL_CHILD_ACTION(AddInTransaction) {
  COpenTable t(args.at(0));
  if (args.at(1) == "1" && (!HasRow(t.rs, "parent") || t.rs.GetFieldValue("NUM").lVal != 7))
    return 2;
  CDaoWorkspace::GetDefault()->BeginTrans();
  Add(t.rs, "child", 8);
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  CDaoWorkspace::GetDefault()->CommitTrans();
  return 0;
}

// args: path, tag, a file to wait for.  Forty transactions, each reading
// before it writes: were the write lock taken only at the first write, two
// such writers would hold read snapshots and deadlock (reported as busy at
// once).  Both start once the file exists, so that they overlap.
ZL_CHILD_ACTION(ReadThenWriteRounds) {
  COpenTable t(args.at(0));
  t.rs.SetCurrentIndex("NAME_INDEX");
  zltest::ChildSignalReady();
  for (int wait = 0; !std::filesystem::exists(args.at(2)); ++wait) {
    if (wait == 10000) return 3;
    usleep(1000);
  }
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  for (int i = 0; i < 40; ++i) {
    ws->BeginTrans();
    const long before = t.rs.GetRecordCount();
    COleVariant key("");
    t.rs.Seek(">=", &key);
    usleep(300);  // let the other side's transaction overlap
    Add(t.rs, (args.at(1) + std::to_string(i)).c_str(), i);
    if (t.rs.GetRecordCount() != before + 1) return 2;  // nobody else wrote meanwhile
    ws->CommitTrans();
  }
  return 0;
}

// args: path, "add" or "edit".  Adds the row "written", or edits its NUM.
ZL_CHILD_ACTION(WriteOnce) {
  COpenTable t(args.at(0));
  if (args.at(1) == "add") {
    Add(t.rs, "written", 1);
    return 0;
  }
  if (!HasRow(t.rs, "written")) return 2;
  t.rs.Edit();
  t.rs.SetFieldValue("NUM", Long(2));
  t.rs.Update();
  return 0;
}

class MultiProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.Ok());
    m_path = m_dir.File("shared.db");
    m_copy = m_dir.File("copy.db");
    m_savedTimeout = CDaoWorkspace::GetBusyTimeout();
    CDaoDatabase db;
    db.Create(m_path.c_str());
    CreateTable(db, "T",
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"NAME", dbText, 50, 0, false},
                 {"NUM", dbLong, 4, 0, false}},
                {{"ID_INDEX", {"ID"}, true}, {"NAME_INDEX", {"NAME"}, false}});
    db.Close();
  }
  void TearDown() override { CDaoWorkspace::SetBusyTimeout(m_savedTimeout); }
  std::unique_ptr<zltest::CChildProcess> Start(const char* action, const zltest::ChildArgs& args) {
    auto child = std::make_unique<zltest::CChildProcess>(action, args);
    EXPECT_EQ(child->ReadLine(), "ready") << action;
    return child;
  }
  CScratchDir m_dir;
  std::string m_path;
  std::string m_copy;
  int m_savedTimeout = 0;
};

TEST_F(MultiProcessTest, CommittedRowIsSeenByTheOtherProcess) {
  COpenTable t(m_path);
  Add(t.rs, "parent", 7);
  auto child = Start("AddInTransaction", {m_path, "1"});
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_FALSE(HasRow(t.rs, "child")) << "an uncommitted row of another process is visible";
  EXPECT_EQ(t.rs.GetRecordCount(), 1);
  ASSERT_EQ(child->Finish(), 0);
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(t.rs.GetRecordCount(), 2);
  ASSERT_TRUE(HasRow(t.rs, "child"));
  EXPECT_EQ(t.rs.GetFieldValue("NUM").lVal, 8);
  t.rs.MoveNext();  // index order: "parent" follows "child"
  EXPECT_STREQ(t.rs.GetFieldValue("NAME").GetStringValue(), "parent");
}

TEST_F(MultiProcessTest, ExclusiveOpenIsRefusedWhileAnotherProcessHasTheFileOpen) {
  auto child = Start("HoldTable", {m_path, "shared", ""});
  CDaoDatabase db;
  for (BOOL readOnly : {FALSE, TRUE}) {  // an exclusive read-only open is still exclusive
    EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE, readOnly); }), kDaoFileInUse);
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str()); }), 0) << "shared opens are fine meanwhile";
  db.Close();
  EXPECT_EQ(child->Finish(), 0);
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE); }), 0);
  EXPECT_TRUE(db.IsOpen());
}

TEST_F(MultiProcessTest, EveryOpenIsRefusedWhileAnotherProcessHoldsTheFileExclusively) {
  auto child = Start("HoldTable", {m_path, "exclusive", "held"});
  CDaoDatabase db;
  for (int mode = 0; mode < 4; ++mode) {
    EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), mode & 1, mode >> 1); }), kDaoOpenedExclusively)
        << "mode " << mode;
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoOpenedExclusively);
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::CompactDatabase(m_path.c_str(), m_copy.c_str()); }),
            kDaoOpenedExclusively);
  EXPECT_FALSE(std::filesystem::exists(m_copy));
  EXPECT_EQ(child->Finish(), 0);
  COpenTable t(m_path);
  EXPECT_TRUE(HasRow(t.rs, "held")) << "the exclusive holder's row was committed";
}

TEST_F(MultiProcessTest, RepairIsRefusedAndCompactionWorksWhileAnotherProcessReads) {
  auto child = Start("HoldTable", {m_path, "shared", "kept"});
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoOpenedExclusively);
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::CompactDatabase(m_path.c_str(), m_copy.c_str()); }), 0);
  EXPECT_EQ(child->Finish(), 0);
  COpenTable t(m_copy);
  EXPECT_EQ(t.rs.GetRecordCount(), 1);
  EXPECT_TRUE(HasRow(t.rs, "kept"));
}

TEST_F(MultiProcessTest, TwoWritersInTransactionsNeverDeadlock) {
  const std::string go = m_dir.File("go");
  auto a = Start("ReadThenWriteRounds", {m_path, "A", go});
  auto b = Start("ReadThenWriteRounds", {m_path, "B", go});
  m_dir.Write("go", "");
  EXPECT_EQ(a->Finish(), 0) << "writer A";
  EXPECT_EQ(b->Finish(), 0) << "writer B";
  COpenTable t(m_path);
  EXPECT_EQ(t.rs.GetRecordCount(), 80);
  for (const char* tag : {"A", "B"})
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(HasRow(t.rs, (tag + std::to_string(i)).c_str()));
}

TEST_F(MultiProcessTest, BusyFileIsReportedAsLockedAfterABoundedWait) {
  COpenTable t(m_path);
  auto child = Start("AddInTransaction", {m_path, "0"});
  CDaoWorkspace::SetBusyTimeout(200);
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  EXPECT_EQ(ErrorOf([&] { ws->BeginTrans(); }), kDaoLockedByUser);
  EXPECT_EQ(ws->GetTransactionDepth(), 0) << "a refused BeginTrans opens no transaction";
  t.rs.AddNew();
  t.rs.SetFieldValue("NAME", "parent");
  EXPECT_EQ(ErrorOf([&] { t.rs.Update(); }), kDaoLockedByUser);
  EXPECT_EQ(t.rs.GetEditMode(), dbEditAdd) << "a refused Update keeps its buffer";
  ASSERT_EQ(child->Finish(), 0);
  EXPECT_EQ(ErrorOf([&] { t.rs.Update(); }), 0) << "the buffer is written once the lock is free";
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(t.rs.GetRecordCount(), 2);
  EXPECT_TRUE(HasRow(t.rs, "parent") && HasRow(t.rs, "child"));
  ASSERT_EQ(ErrorOf([&] { ws->BeginTrans(); }), 0);
  ws->CommitTrans();
}

TEST_F(MultiProcessTest, DateLastUpdatedMovesWhenAnotherProcessWrites) {
  CDaoDatabase db;
  db.Open(m_path.c_str());
  CDaoTableDef td(&db);
  td.Open("T");
  const COleDateTime created = td.GetDateCreated();
  COleDateTime last = td.GetDateLastUpdated();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_TRUE(td.GetDateLastUpdated() == last) << "nothing was written, yet the date moved";
  for (const char* write : {"add", "edit"}) {  // an edit alone changes the date too
    ASSERT_EQ(zltest::RunChild("WriteOnce", {m_path, write}), 0) << write;
    CDaoWorkspace::Idle(dbRefreshCache);
    const COleDateTime now = td.GetDateLastUpdated();
    EXPECT_TRUE(now > last) << write << ": " << last.Format().GetString() << " then "
                            << now.Format().GetString();
    last = now;
  }
  EXPECT_TRUE(td.GetDateCreated() == created);
}

}  // namespace
}  // namespace enginetest
