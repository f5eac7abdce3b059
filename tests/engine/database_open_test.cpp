// Creating and opening database files: refusals with their error numbers,
// passwords, read-only use, and the file as other SQLite tools see it.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "engine_fixture.h"
#include "support/child_process.h"

namespace enginetest {
namespace {

class DatabaseOpenTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(m_dir.Path().empty()); }
  CScratchDir m_dir;
};

TEST_F(DatabaseOpenTest, MissingFilesFoldersAndForeignFilesAreRefusedAndKept) {
  m_dir.Write("text.db", std::string(4096, 'x'));
  m_dir.Write("empty.db", "");
  // An SQLite file without the engine's bookkeeping.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(m_dir.File("foreign.db").c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(raw, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(raw);
  const std::pair<std::string, long> cases[] = {{m_dir.File("missing.db"), kDaoFileNotFound},
                                                {m_dir.File("no/such/folder.db"), kDaoInvalidPath},
                                                {m_dir.Path(), kDaoInvalidPath},
                                                {m_dir.File("text.db"), kDaoUnrecognizedFormat},
                                                {m_dir.File("empty.db"), kDaoUnrecognizedFormat},
                                                {m_dir.File("foreign.db"), kDaoUnrecognizedFormat}};
  CDaoDatabase db;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(ErrorOf([&] { db.Open(c.first.c_str()); }), c.second);
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(ErrorOf([&] { db.Create(m_dir.File("no/such/folder.db").c_str()); }), kDaoInvalidPath);
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("no")));
  // Creating over any existing file, ours or not, fails and leaves it as it was.
  db.Create(m_dir.File("real.db").c_str());
  db.Close();
  for (const char* name : {"text.db", "empty.db", "real.db"}) {
    const std::string before = CScratchDir::Read(m_dir.File(name));
    EXPECT_EQ(ErrorOf([&] { db.Create(m_dir.File(name).c_str()); }), kDaoDatabaseExists) << name;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(CScratchDir::Read(m_dir.File(name)), before) << name;
  }
}

TEST_F(DatabaseOpenTest, APasswordGivenAtCreationIsNeededToOpen) {
  std::string path = m_dir.File("locked.db");
  CDaoDatabase db;
  db.Create(path.c_str(), ";LANGID=0x0409;CP=1252;COUNTRY=0;PWD=Tq8wLmZr3VbXe", dbVersion30);
  db.Close();
  for (const char* wrong : {"", ";PWD=wrong", ";PWD=tq8wlmzr3vbxe"}) {  // compared exactly
    EXPECT_EQ(ErrorOf([&] { db.Open(path.c_str(), FALSE, FALSE, wrong); }), kDaoBadPassword)
        << wrong;
  }
  EXPECT_EQ(ErrorOf([&] { db.Open(path.c_str(), FALSE, TRUE, ";PWD=Tq8wLmZr3VbXe"); }), 0);
  // A second object on the same open file is checked too.
  CDaoDatabase second;
  EXPECT_EQ(ErrorOf([&] { second.Open(path.c_str(), FALSE, FALSE, ";PWD=nope"); }),
            kDaoBadPassword);
  db.Close();
  // A database without a password ignores one given.
  std::string open = m_dir.File("open.db");
  db.Create(open.c_str());
  db.Close();
  EXPECT_EQ(ErrorOf([&] { db.Open(open.c_str(), FALSE, FALSE, ";PWD=anything"); }), 0);
  // The text itself is not in the file.
  EXPECT_EQ(CScratchDir::Read(path).find("Tq8wLmZr3VbXe"), std::string::npos);
}

class OpenDatabaseTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateTable(m_db, "T",
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"INDEX", dbLong, 4, dbUpdatableField, false},
                 {"LIMIT", dbText, 20, dbVariableField | dbUpdatableField, true},
                 {"DEFAULT", dbBoolean, 1, dbUpdatableField, false}},
                {{"INDEX", {"INDEX"}, false}});
    CDaoRecordset rs(&m_db);
    rs.Open(dbOpenTable, "T");
    AddRow(rs, {{"INDEX", Long(7)}, {"LIMIT", COleVariant("seven")}, {"DEFAULT", Long(1)}});
    AddRow(rs, {{"INDEX", Long(3)}, {"LIMIT", COleVariant("three")}});
  }
};

TEST_F(OpenDatabaseTest, AReadOnlyDatabaseRefusesEveryWrite) {
  m_db.Close();
  CDaoDatabase ro;
  ro.Open(m_path.c_str(), FALSE, TRUE);
  EXPECT_FALSE(ro.CanUpdate());
  CDaoRecordset rs(&ro);
  rs.Open(dbOpenTable, "T");
  EXPECT_FALSE(rs.CanUpdate());
  EXPECT_EQ(Walk(rs, "LIMIT"), (Strings{"seven", "three"}));
  EXPECT_EQ(ErrorOf([&] { rs.AddNew(); }), kDaoReadOnly);
  rs.MoveFirst();
  EXPECT_EQ(ErrorOf([&] { rs.Edit(); }), kDaoReadOnly);
  EXPECT_EQ(ErrorOf([&] { rs.Delete(); }), kDaoReadOnly);
  EXPECT_EQ(ErrorOf([&] { ro.Execute("UPDATE T SET [INDEX] = 1"); }), kDaoReadOnly);
  EXPECT_EQ(ErrorOf([&] { ro.DeleteTableDef("T"); }), kDaoReadOnly);
  CDaoTableDef td(&ro);
  td.Open("T");
  EXPECT_EQ(ErrorOf([&] { td.CreateField("X", dbLong, 4, 0); }), kDaoReadOnly);
  CDaoTableDef fresh(&ro);
  fresh.Create("NEW");
  fresh.CreateField("X", dbLong, 4, 0);
  EXPECT_EQ(ErrorOf([&] { fresh.Append(); }), kDaoReadOnly);
  // A recordset opened read-only on a writable database.
  m_db.Open(m_path.c_str());
  CDaoRecordset rors(&m_db);
  rors.Open(dbOpenTable, "T", dbReadOnly);
  EXPECT_EQ(ErrorOf([&] { rors.AddNew(); }), kDaoReadOnly);
  EXPECT_EQ(rors.GetRecordCount(), 2);
}

// Runs as an unprivileged user against a file it may only read; the exit
// status tells which step failed.
ZL_CHILD_ACTION(ReadOnlyFileAsAnotherUser) {
  if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 90;
  const char* path = args.at(0).c_str();
  const bool folderWritable = args.at(1) == "1";
  CDaoDatabase db;
  if (ErrorOf([&] { db.Open(path); }) != kDaoCannotOpenFile) return 10;
  long shared = ErrorOf([&] { db.Open(path, FALSE, TRUE); });
  if (folderWritable ? shared != 0 : shared != kDaoCannotOpenFile) return 11;
  if (!folderWritable && ErrorOf([&] { db.Open(path, TRUE, TRUE); }) != 0) return 12;
  if (!db.IsOpen() || db.CanUpdate()) return 13;
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  rs.SetCurrentIndex("INDEX");
  if (rs.GetFieldValue("LIMIT") != COleVariant("three")) return 14;
  if (ErrorOf([&] { rs.AddNew(); }) != kDaoReadOnly) return 15;
  return 0;
}

TEST_F(OpenDatabaseTest, AFileThatCannotBeWrittenOpensReadOnly) {
  SKIP_ON_SERVER();
  m_db.Close();
  ASSERT_FALSE(std::filesystem::exists(m_path + "-wal"));
  ASSERT_EQ(chmod(m_path.c_str(), 0444), 0);
  // In a folder the reader cannot write, only an exclusive open can read
  // without the shared WAL index; in a writable one a shared open works.
  ASSERT_EQ(chmod(m_dir.Path().c_str(), 0755), 0);
  EXPECT_EQ(zltest::RunChild("ReadOnlyFileAsAnotherUser", {m_path, "0"}), 0);
  ASSERT_EQ(chmod(m_dir.Path().c_str(), 0777), 0);
  EXPECT_EQ(zltest::RunChild("ReadOnlyFileAsAnotherUser", {m_path, "1"}), 0);
  ASSERT_EQ(chmod(m_dir.Path().c_str(), 0700), 0);
  ASSERT_EQ(chmod(m_path.c_str(), 0644), 0);
}

TEST_F(OpenDatabaseTest, TheSqliteShellReadsTheLibrarysTablesAndColumns) {
  SKIP_ON_SERVER();
  m_db.Close();
  std::string command = "sqlite3 -readonly '" + m_path +
                        "' 'SELECT \"INDEX\", \"LIMIT\", \"DEFAULT\" FROM \"T\" ORDER BY \"ID\"' "
                        "2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ASSERT_EQ(pclose(pipe), 0) << output;
  EXPECT_EQ(output, "7|seven|-1\n3|three|\n");
  // Another tool adds a row; the engine reads it and keeps numbering after it.
  command = "sqlite3 '" + m_path +
            "' \"INSERT INTO T(\\\"INDEX\\\", \\\"LIMIT\\\") VALUES(5, 'shell')\" 2>&1";
  ASSERT_EQ(system(command.c_str()), 0);
  m_db.Open(m_path.c_str());
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "T");
  rs.SetCurrentIndex("INDEX");
  EXPECT_EQ(Walk(rs, "LIMIT"), (Strings{"three", "shell", "seven"}));
  rs.SetBookmark(AddRow(rs, {{"INDEX", Long(1)}}));
  EXPECT_EQ(rs.GetFieldValue("ID").lVal, 4);
}

// Sets LIMIT of the row whose INDEX is args[1] to args[2].
ZL_CHILD_ACTION(ChangeLimit) {
  CDaoDatabase db;
  db.Open(args.at(0).c_str());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  rs.SetCurrentIndex("INDEX");
  COleVariant key(static_cast<int32_t>(std::stol(args.at(1))));
  if (!rs.Seek("=", &key)) return 1;
  rs.Edit();
  rs.SetFieldValue("LIMIT", args.at(2).c_str());
  rs.Update();
  return 0;
}

TEST_F(OpenDatabaseTest, ARefreshShowsWhatAnotherProcessCommitted) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "T");
  rs.SetCurrentIndex("INDEX");
  COleVariant key = Long(7);
  ASSERT_TRUE(rs.Seek("=", &key));
  EXPECT_EQ(Text(rs.GetFieldValue("LIMIT")), "seven");
  ASSERT_EQ(zltest::RunChild("ChangeLimit", {m_path, "7", "SEVEN"}), 0);
  // The current row's values are kept until a refresh or a move ...
  EXPECT_EQ(Text(rs.GetFieldValue("LIMIT")), "seven");
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(Text(rs.GetFieldValue("LIMIT")), "SEVEN");
  // ... and every seek reads the file as last committed.
  ASSERT_EQ(zltest::RunChild("ChangeLimit", {m_path, "3", "THREE"}), 0);
  key = Long(3);
  ASSERT_TRUE(rs.Seek("=", &key));
  EXPECT_EQ(Text(rs.GetFieldValue("LIMIT")), "THREE");
}

TEST_F(OpenDatabaseTest, TwoObjectsOnOneFileShareItsRowsButNotTheirRights) {
  CDaoDatabase reader;
  reader.Open(m_path.c_str(), FALSE, TRUE);
  CDaoRecordset writerRs(&m_db);
  writerRs.Open(dbOpenTable, "T");
  CDaoRecordset readerRs(&reader);
  readerRs.Open(dbOpenTable, "T");
  AddRow(writerRs, {{"LIMIT", COleVariant("new")}});
  EXPECT_EQ(readerRs.GetRecordCount(), 3);
  EXPECT_EQ(ErrorOf([&] { readerRs.AddNew(); }), kDaoReadOnly);
  CDaoDatabase exclusive;
  EXPECT_EQ(ErrorOf([&] { exclusive.Open(m_path.c_str(), TRUE); }), kDaoFileInUse);
  reader.Close();
  m_db.Close();
  exclusive.Open(m_path.c_str(), TRUE);
  CDaoDatabase late;
  EXPECT_EQ(ErrorOf([&] { late.Open(m_path.c_str()); }), kDaoOpenedExclusively);
}

TEST_F(OpenDatabaseTest, ClosingADatabaseClosesWhatWasOpenedOnIt) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "T");
  CDaoTableDef td(&m_db);
  td.Open("T");
  m_db.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_FALSE(td.IsOpen());
  EXPECT_EQ(ErrorOf([&] { rs.MoveFirst(); }), -AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { td.GetFieldCount(); }), -AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { m_db.Execute("UPDATE T SET ID = 1"); }), -AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  // Reopening makes them usable again.
  m_db.Open(m_path.c_str());
  rs.Open(dbOpenTable, "T");
  EXPECT_EQ(rs.GetRecordCount(), 2);
}

TEST_F(OpenDatabaseTest, TheListOfTablesAndTheReservedPrefix) {
  CreateTable(m_db, "SECOND", {{"X", dbLong, 4, dbUpdatableField, false}}, {});
  EXPECT_EQ(m_db.GetTableDefCount(), 2);
  CDaoTableDefInfo info;
  m_db.GetTableDefInfo(0, info, AFX_DAO_ALL_INFO);
  EXPECT_EQ(info.m_strName, CString("T"));
  EXPECT_EQ(info.m_lRecordCount, 2);
  m_db.GetTableDefInfo("second", info);
  EXPECT_EQ(info.m_strName, CString("SECOND"));
  EXPECT_EQ(ErrorOf([&] { m_db.GetTableDefInfo(2, info); }), kDaoItemNotFound);
  CDaoTableDef td(&m_db);
  EXPECT_EQ(ErrorOf([&] { td.Create("zl_engine_mine"); }), kDaoInvalidName);
  EXPECT_EQ(ErrorOf([&] { td.Create("A.B"); }), kDaoInvalidName);
  EXPECT_EQ(ErrorOf([&] { td.Open("zl_engine_tables"); }), kDaoItemNotFound);
  CDaoRecordset rs(&m_db);
  EXPECT_EQ(ErrorOf([&] { rs.Open(dbOpenTable, "ZL_ENGINE_TABLES"); }), kDaoObjectNotFound);
  EXPECT_EQ(ErrorOf([&] { rs.Open(dbOpenDynaset, "T"); }), kDaoInvalidArgument);
}

}  // namespace
}  // namespace enginetest
