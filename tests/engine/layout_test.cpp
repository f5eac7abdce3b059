// Table definitions changed at run time, and the UPDATE statements Execute
// runs.
#include "engine_fixture.h"

namespace enginetest {
namespace {

class LayoutTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateTable(m_db, "FILES",
                {{"FILE_ID", dbLong, 4, dbAutoIncrField, false},
                 {"TYPE", dbByte, 1, dbUpdatableField, false},
                 {"ACCESS", dbLong, 4, dbUpdatableField, false},
                 {"NAME", dbText, 0, dbVariableField | dbUpdatableField, true}},
                {{"ID_INDEX", {"FILE_ID"}, true}, {"NAME_INDEX", {"NAME"}, true}});
    m_rs.Open(dbOpenTable, "FILES");
    AddFile(10, 1033, "one");
    AddFile(2, 7, "two");
    AddFile(10, 1031, "three");
  }
  void AddFile(int type, int access, const char* name) {
    AddRow(m_rs, {{"TYPE", Long(type)}, {"ACCESS", Long(access)}, {"NAME", COleVariant(name)}});
  }
  std::vector<std::string> Column(const char* field) {
    m_rs.SetCurrentIndex("ID_INDEX");
    return Walk(m_rs, field);
  }

  CDaoRecordset m_rs{&m_db};
};

TEST_F(LayoutTest, FieldsAndIndexesAreDescribedAsCreated) {
  CDaoTableDef td(&m_db);
  td.Open("files");
  EXPECT_EQ(td.GetName(), CString("FILES"));
  ASSERT_EQ(td.GetFieldCount(), 4);
  CDaoFieldInfo f;
  td.GetFieldInfo(3, f, AFX_DAO_ALL_INFO);
  EXPECT_EQ(f.m_strName, CString("NAME"));
  EXPECT_EQ(f.m_nType, dbText);
  EXPECT_EQ(f.m_lSize, 255) << "size 0 means the largest text";
  EXPECT_EQ(f.m_lAttributes, dbVariableField | dbUpdatableField);
  EXPECT_TRUE(f.m_bAllowZeroLength);
  td.GetFieldInfo("FILE_ID", f);
  EXPECT_EQ(f.m_lAttributes, dbAutoIncrField);
  td.GetFieldInfo("TYPE", f);
  EXPECT_EQ(f.m_nType, dbByte);
  EXPECT_FALSE(f.m_bAllowZeroLength) << "only text and memo fields allow zero length";
  EXPECT_EQ(ErrorOf([&] { td.GetFieldInfo(4, f); }), kDaoItemNotFound);
  ASSERT_EQ(td.GetIndexCount(), 2);
  CDaoIndexInfo ix;
  td.GetIndexInfo(1, ix);
  EXPECT_EQ(ix.m_strName, CString("NAME_INDEX"));
  ASSERT_EQ(ix.m_nFields, 1);
  EXPECT_EQ(ix.m_pFieldInfos[0].m_strName, CString("NAME"));
  EXPECT_TRUE(ix.m_bUnique);
  td.GetIndexInfo("ID_INDEX", ix);  // the array of the earlier call is freed
  EXPECT_EQ(ix.m_pFieldInfos[0].m_strName, CString("FILE_ID"));
  EXPECT_EQ(m_rs.GetFieldCount(), 4);
  EXPECT_EQ(td.GetRecordCount(), 3);
}

// Table names compare without case when a definition is appended or an
// appended table is renamed; open recordsets follow a rename.
TEST_F(LayoutTest, AppendingAndRenamingRefuseATakenName) {
  CDaoTableDef td(&m_db);
  td.Create("files");
  td.CreateField("X", dbLong, 4, dbUpdatableField);
  EXPECT_EQ(ErrorOf([&] { td.Append(); }), kDaoTableExists);
  EXPECT_FALSE(td.IsAppended());
  td.SetName("TAKEN");
  td.Append();
  EXPECT_TRUE(td.IsAppended());
  CDaoRecordset appended(&m_db);
  appended.Open(&td);
  EXPECT_EQ(appended.GetName(), CString("TAKEN"));
  CDaoTableDef empty(&m_db);
  empty.Create("NOFIELDS");
  EXPECT_EQ(ErrorOf([&] { empty.Append(); }), kDaoInvalidArgument);
  CDaoTableDef files(&m_db);
  files.Open("FILES");
  EXPECT_EQ(ErrorOf([&] { files.SetName("taken"); }), kDaoTableExists);
  files.SetName("RENAMED");
  EXPECT_EQ(files.GetName(), CString("RENAMED"));
  EXPECT_EQ(m_rs.GetName(), CString("RENAMED"));
  CDaoRecordset rs(&m_db);
  EXPECT_EQ(ErrorOf([&] { rs.Open(dbOpenTable, "FILES"); }), kDaoObjectNotFound);
  rs.Open(dbOpenTable, "RENAMED");
  rs.SetCurrentIndex("NAME_INDEX");
  COleVariant key("TWO");
  ASSERT_TRUE(rs.Seek("=", &key));
  EXPECT_EQ(rs.GetFieldValue("ACCESS").lVal, 7);
}

TEST_F(LayoutTest, DefinitionMistakesAreRefusedWithTheirNumbers) {
  CDaoTableDef td(&m_db);
  td.Open("FILES");
  EXPECT_EQ(ErrorOf([&] { td.CreateField("name", dbLong, 4, 0); }), kDaoFieldDefinedTwice);
  EXPECT_EQ(ErrorOf([&] { td.CreateField("BAD", 99, 4, 0); }), kDaoInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { td.CreateField("BIG", dbText, 300, 0); }), kDaoInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { td.CreateField("A!B", dbLong, 4, 0); }), kDaoInvalidName);
  EXPECT_EQ(ErrorOf([&] { td.DeleteField("NAME"); }), kDaoFieldInIndex);
  EXPECT_EQ(ErrorOf([&] { td.DeleteField("NOPE"); }), kDaoItemNotFound);
  EXPECT_EQ(ErrorOf([&] { td.DeleteIndex("NOPE"); }), kDaoNotAnIndex);
  EXPECT_EQ(AddIndex(td, "NAME_INDEX", "NAME"), kDaoIndexExists);
  EXPECT_EQ(AddIndex(td, "OTHER", "MISSING"), kDaoItemNotFound);
  EXPECT_EQ(AddIndex(td, "OTHER", "NAME", false,
                     [](CDaoIndexInfo&, CDaoIndexFieldInfo& f) { f.m_bDescending = TRUE; }),
            kDaoInvalidArgument);
  EXPECT_EQ(AddIndex(td, "OTHER", "NAME", false,
                     [](CDaoIndexInfo& ix, CDaoIndexFieldInfo&) { ix.m_bIgnoreNulls = TRUE; }),
            kDaoInvalidArgument);
  EXPECT_EQ(td.GetIndexCount(), 2);
  td.DeleteIndex("NAME_INDEX");
  td.DeleteField("NAME");
  EXPECT_EQ(td.GetFieldCount(), 3);
  EXPECT_EQ(ErrorOf([&] { m_db.DeleteTableDef("FILES"); }), kDaoTableInUse);
  EXPECT_EQ(ErrorOf([&] { m_db.DeleteTableDef("NOPE"); }), kDaoItemNotFound);
  m_rs.Close();
  m_db.DeleteTableDef("FILES");
  EXPECT_EQ(ErrorOf([&] { td.GetFieldCount(); }), kDaoObjectNotFound);
}

// A server keeps identifiers of at most 63 bytes (an index is stored as
// "TABLE.INDEX"), so longer ones are refused there before anything
// changes, instead of being cut short and meeting another name; a file
// takes every name of up to 64 bytes.
TEST_F(LayoutTest, NamesLongerThanAServerIdentifierAreRefusedThere) {
  const std::string n63(63, 'S'), n64(64, 'T');
  const std::string index57(57, 'I'), index58(58, 'J');  // after "FILES.": 63 and 64 bytes
  CDaoTableDef files(&m_db);
  files.Open("FILES");
  auto layout = [&] {
    return std::to_string(m_db.GetTableDefCount()) + "/" + std::to_string(files.GetFieldCount()) +
           "/" + std::to_string(files.GetIndexCount()) + "/" + files.GetName().GetString();
  };
  const std::vector<FieldSpec> oneField = {{"X", dbLong, 4, dbUpdatableField, false}};
  struct Case {
    const char* what;
    std::function<long()> change;
    bool fitsServer;
  };
  const std::vector<Case> cases = {
      {"table of 63 bytes",
       [&] { return ErrorOf([&] { CreateTable(m_db, n63.c_str(), oneField, {}); }); }, true},
      {"table of 64 bytes",
       [&] { return ErrorOf([&] { CreateTable(m_db, n64.c_str(), oneField, {}); }); }, false},
      {"new table with an index of 64 stored bytes",
       [&] {
         return ErrorOf([&] {
           CreateTable(m_db, "SHORT", oneField, {{index58.c_str(), {"X"}, false}});
         });
       },
       false},
      {"field of 63 bytes",
       [&] { return ErrorOf([&] { files.CreateField(n63.c_str(), dbLong, 4, 0); }); }, true},
      {"field of 64 bytes",
       [&] { return ErrorOf([&] { files.CreateField(n64.c_str(), dbLong, 4, 0); }); }, false},
      {"index of 63 stored bytes", [&] { return AddIndex(files, index57.c_str(), "TYPE"); }, true},
      {"index of 64 stored bytes", [&] { return AddIndex(files, index58.c_str(), "TYPE"); }, false},
      {"rename that leaves an index too long",
       [&] { return ErrorOf([&] { files.SetName(std::string(52, 'R').c_str()); }); }, false},
  };
  for (const Case& c : cases) {
    const std::string before = layout();
    const bool refused = OnServer() && !c.fitsServer;
    EXPECT_EQ(c.change(), refused ? long{kDaoInvalidName} : 0L) << c.what;
    if (refused) {
      EXPECT_EQ(layout(), before) << c.what;
    }
  }
  // What was taken reads back under its whole name.
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, n63.c_str());
  AddRow(rs, {{"X", Long(7)}});
  m_rs.Close();
  m_rs.Open(dbOpenTable, OnServer() ? "FILES" : std::string(52, 'R').c_str());
  m_rs.SetCurrentIndex(index57.c_str());
  EXPECT_EQ(Walk(m_rs, "TYPE"), (Strings{"2", "10", "10"}));
}

// A unique index is not built over rows it would refuse (text folded); a
// required index refuses rows without its field.  Unique indexes on rows
// written later are checked against a model by the random-operations test.
TEST_F(LayoutTest, IndexesAddedToATableWithRowsHoldTheirRules) {
  CDaoTableDef td(&m_db);
  td.Open("FILES");
  td.DeleteIndex("NAME_INDEX");
  AddFile(2, 7, "ONE");
  EXPECT_EQ(AddIndex(td, "NAME_INDEX", "NAME", true), kDaoDuplicateKey);
  EXPECT_EQ(td.GetIndexCount(), 1);
  ASSERT_EQ(AddIndex(td, "NAME_INDEX", "NAME"), 0);
  m_rs.SetCurrentIndex("NAME_INDEX");
  COleVariant key("One");
  ASSERT_TRUE(m_rs.Seek("=", &key));
  ASSERT_EQ(AddIndex(td, "ACCESS_INDEX", "ACCESS", false,
                     [](CDaoIndexInfo& ix, CDaoIndexFieldInfo&) { ix.m_bRequired = TRUE; }),
            0);
  m_rs.AddNew();
  m_rs.SetFieldValue("NAME", "no access");
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoFieldRequiredInIndex);
  m_rs.CancelUpdate();
  EXPECT_EQ(m_rs.GetRecordCount(), 4);
}

TEST_F(LayoutTest, FieldsAddedToATableWithRowsStartNull) {
  CDaoTableDef td(&m_db);
  td.Open("FILES");
  td.CreateField("LANGID", dbLong, 4, dbUpdatableField);
  td.CreateField("NOTE", dbMemo, 0, dbVariableField | dbUpdatableField);
  EXPECT_EQ(Column("LANGID"), (Strings{"NULL", "NULL", "NULL"}));
  m_rs.MoveFirst();
  m_rs.Edit();
  m_rs.SetFieldValue("LANGID", Long(1033));
  m_rs.SetFieldValue("NOTE", "memo");
  m_rs.Update();
  EXPECT_EQ(Text(m_rs.GetFieldValue("NOTE")), "memo");
  td.DeleteField("NOTE");
  EXPECT_EQ(ErrorOf([&] { m_rs.GetFieldValue("NOTE"); }), kDaoItemNotFound);
  EXPECT_EQ(Column("LANGID"), (Strings{"1033", "NULL", "NULL"}));
}

TEST_F(LayoutTest, AnEditInProgressFollowsItsFieldsThroughALayoutChange) {
  m_rs.SetCurrentIndex("NAME_INDEX");
  m_rs.AddNew();
  m_rs.SetFieldValue("NAME", "kept");
  m_rs.SetFieldValue("TYPE", Long(4));
  CDaoTableDef td(&m_db);
  td.Open("FILES");
  td.DeleteField("ACCESS");  // NAME moves one place forward
  m_rs.Update();
  COleVariant key("kept");
  ASSERT_TRUE(m_rs.Seek("=", &key));
  EXPECT_EQ(m_rs.GetFieldValue("TYPE").bVal, 4);
  m_rs.Edit();
  m_rs.SetFieldValue("NAME", "renamed");
  td.DeleteField("TYPE");
  m_rs.Update();
  key = COleVariant("renamed");
  EXPECT_TRUE(m_rs.Seek("=", &key));
  m_rs.AddNew();
  m_rs.SetFieldValue("NAME", "lost");
  td.DeleteIndex("NAME_INDEX");
  td.DeleteField("NAME");
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoItemNotFound);
  m_rs.CancelUpdate();
  // The counter a table was created with is its row number and stays.
  td.DeleteIndex("ID_INDEX");
  EXPECT_EQ(ErrorOf([&] { td.DeleteField("FILE_ID"); }), kDaoOperationInvalid);
  EXPECT_EQ(m_rs.GetRecordCount(), 4);
}

TEST_F(LayoutTest, ExecuteRunsTheUpgradesUpdateStatements) {
  CDaoTableDef td(&m_db);
  td.Open("FILES");
  td.CreateField("LANGID", dbLong, 4, dbUpdatableField);
  const double before = m_rs.GetDateLastUpdated().m_dt;
  // Field names that are SQL words are written bare, as the upgrade does.
  m_db.Execute("UPDATE FILES SET LANGID=ACCESS, ACCESS = NULL  WHERE TYPE = 10", dbFailOnError);
  EXPECT_EQ(m_db.GetRecordsAffected(), 2);
  EXPECT_EQ(Column("LANGID"), (Strings{"1033", "NULL", "1031"}));
  EXPECT_EQ(Column("ACCESS"), (Strings{"NULL", "7", "NULL"}));
  EXPECT_GT(m_rs.GetDateLastUpdated().m_dt, before);
  m_db.Execute("UPDATE [FILES] SET [LANGID] = 0;");
  EXPECT_EQ(Column("LANGID"), (Strings{"0", "0", "0"}));
  m_db.Execute("UPDATE FILES SET NAME = NAME & '-x' WHERE (TYPE <> 10 OR ACCESS IS NOT NULL)");
  EXPECT_EQ(Column("NAME"), (Strings{"one", "two-x", "three"}));
}

// A refused statement changes no row, not even the rows before the one that broke a rule.
TEST_F(LayoutTest, ExecuteRefusesWhatItCannotRunAndChangesNothing) {
  CDaoTableDef td(&m_db);
  td.Open("FILES");
  // The retyping procedure: copy into a narrower "temp" field.
  td.CreateField("temp", dbText, 4, dbVariableField | dbUpdatableField);
  const std::pair<const char*, long> refused[] = {
      {"UPDATE FILES SET temp=NAME", kDaoFieldTooSmall},
      {"UPDATE FILES SET TYPE = 300", kDaoNumericOverflow},
      {"UPDATE FILES SET NAME = 'same'", kDaoDuplicateKey},
      {"UPDATE FILES SET ACCESS = 'abc'", kDaoConversionError},
      {"DELETE FROM FILES", kDaoInvalidSql},
      {"UPDATE NOPE SET X = 1", kDaoInputTableNotFound},
      {"UPDATE FILES SET NOPE = 1", kDaoTooFewParameters},
      {"UPDATE FILES SET TYPE = NOPE", kDaoTooFewParameters},
      {"UPDATE FILES SET TYPE =", kDaoUpdateSyntax},
      {"UPDATE FILES SET TYPE = (1", kDaoUpdateSyntax},
      {"UPDATE FILES SET TYPE = 1 WHERE", kDaoUpdateSyntax},
      {"UPDATE FILES SET NAME = 'x", kDaoUpdateSyntax},
      {"UPDATE FILES SET TYPE = 1; DROP TABLE FILES", kDaoUpdateSyntax}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.first);
    EXPECT_EQ(ErrorOf([&] { m_db.Execute(r.first); }), r.second);
  }
  EXPECT_EQ(Column("temp"), (Strings{"NULL", "NULL", "NULL"}));
  EXPECT_EQ(Column("NAME"), (Strings{"one", "two", "three"}));
  EXPECT_EQ(Column("TYPE"), (Strings{"10", "2", "10"}));
  m_db.Execute("UPDATE FILES SET temp = TYPE");
  EXPECT_EQ(Column("temp"), (Strings{"10", "2", "10"}));
}

}  // namespace
}  // namespace enginetest
