// Declared column types, index names in SQLite's schema, and the adoption
// of tables, columns and indexes that another tool wrote with plain SQL.
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "engine_fixture.h"

namespace enginetest {
namespace {

// SQLite's affinity rules for a declared type, in their documented order.
std::string AffinityOf(std::string declared) {
  for (char& c : declared) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  auto has = [&](const char* s) { return declared.find(s) != std::string::npos; };
  if (has("INT")) return "INTEGER";
  if (has("CHAR") || has("CLOB") || has("TEXT")) return "TEXT";
  if (has("BLOB") || declared.empty()) return "BLOB";
  if (has("REAL") || has("FLOA") || has("DOUB")) return "REAL";
  return "NUMERIC";
}

// Runs statements on a closed database file with plain SQLite.
void RawExec(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  char* message = nullptr;
  EXPECT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
      << (message != nullptr ? message : "");
  sqlite3_free(message);
  sqlite3_close(raw);
}

class DeclaredTypesTest : public EngineTest {
 protected:
  bool FileOnly() const override { return true; }
  std::string Raw(const std::string& sql) {
    m_db.Close();
    std::string out = RawQuery(m_path, sql);
    m_db.Open(m_path.c_str());
    return out;
  }
  void Exec(const std::string& sql) {
    m_db.Close();
    RawExec(m_path, sql);
    m_db.Open(m_path.c_str());
  }
  CDaoFieldInfo Field(const char* table, const char* field) {
    CDaoTableDef td(&m_db);
    td.Open(table);
    CDaoFieldInfo f;
    td.GetFieldInfo(field, f, AFX_DAO_ALL_INFO);
    return f;
  }
};

TEST_F(DeclaredTypesTest, EveryEngineTypeIsDeclaredWithItsNameAndKeepsItsAffinity) {
  struct Case {
    const char* field;
    short type;
    long size;
    long attributes;
    const char* declared;
    const char* affinity;  // the affinity the column always had
  };
  const Case cases[] = {
      {"ID", dbLong, 4, dbAutoIncrField, "INTEGER", "INTEGER"},
      {"B", dbBoolean, 1, dbUpdatableField, "BOOLEAN_INT", "INTEGER"},
      {"BY", dbByte, 1, dbUpdatableField, "BYTE_INT", "INTEGER"},
      {"SH", dbInteger, 2, dbUpdatableField, "SHORT_INT", "INTEGER"},
      {"LO", dbLong, 4, dbUpdatableField, "LONG_INT", "INTEGER"},
      {"CU", dbCurrency, 8, dbUpdatableField, "CURRENCY_REAL", "REAL"},
      {"SI", dbSingle, 4, dbUpdatableField, "SINGLE_REAL", "REAL"},
      {"DO", dbDouble, 8, dbUpdatableField, "DOUBLE_REAL", "REAL"},
      {"DA", dbDate, 8, dbUpdatableField, "DATE_REAL", "REAL"},
      {"TE", dbText, 50, dbVariableField | dbUpdatableField, "TEXT(50)", "TEXT"},
      {"TM", dbText, 0, dbVariableField | dbUpdatableField, "TEXT(255)", "TEXT"},
      {"ME", dbMemo, 0, dbVariableField | dbUpdatableField, "MEMO_TEXT", "TEXT"},
      {"LB", dbLongBinary, 0, dbUpdatableField, "LONGBINARY_BLOB", "BLOB"},
  };
  std::vector<FieldSpec> fields;
  for (const Case& c : cases) fields.push_back({c.field, c.type, c.size, c.attributes, false});
  CreateTable(m_db, "T", fields, {});
  // A counter added later is not the row number.
  CreateTable(m_db, "U", {{"X", dbLong, 4, dbUpdatableField, false}}, {});
  {
    CDaoTableDef td(&m_db);
    td.Open("U");
    td.CreateField("C2", dbLong, 4, dbAutoIncrField);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    std::string declared =
        Raw(std::string("SELECT type FROM pragma_table_info('T') WHERE name = '") + c.field + "'");
    EXPECT_EQ(declared, c.declared);
    EXPECT_EQ(AffinityOf(declared), c.affinity);
  }
  EXPECT_EQ(Raw("SELECT type FROM pragma_table_info('U') WHERE name = 'C2'"), "COUNTER_INT");
  EXPECT_EQ(AffinityOf("COUNTER_INT"), "INTEGER");
  EXPECT_EQ(Raw("SELECT pk FROM pragma_table_info('T') WHERE name = 'ID'"), "1");
  // The affinity shows in what SQLite stores for the same written values.
  Exec("INSERT INTO T(SH, DO, TE, LB) VALUES('12', '2.5', 12, '12')");
  EXPECT_EQ(Raw("SELECT typeof(SH), typeof(DO), typeof(TE), typeof(LB) FROM T"),
            "integer|real|text|text");
}

TEST_F(DeclaredTypesTest, IndexesStandInSqlitesSchemaUnderTheirOwnNames) {
  CreateTable(
      m_db, "MAIN",
      {{"MODEL_ID", dbLong, 4, dbAutoIncrField, false},
       {"DEFNAME", dbText, 50, dbVariableField | dbUpdatableField, true},
       {"STATE", dbLong, 4, dbUpdatableField, false}},
      {{"MODEL_ID_INDEX", {"MODEL_ID"}, true}, {"PAIR_INDEX", {"DEFNAME", "STATE"}, false}});
  // The index on the row number is the table's own order and has no SQLite
  // index of its own; the engine still reports it as declared.
  EXPECT_EQ(Raw("SELECT m.name, l.\"unique\", group_concat(i.name, '+') FROM sqlite_master m "
                "JOIN pragma_index_list('MAIN') l ON l.name = m.name JOIN "
                "pragma_index_info(m.name) i WHERE m.type = 'index' GROUP BY m.name "
                "ORDER BY m.name"),
            "MAIN.PAIR_INDEX|0|DEFNAME+STATE");
  {
    CDaoTableDef td(&m_db);
    td.Open("MAIN");
    ASSERT_EQ(td.GetIndexCount(), 2);
    CDaoIndexInfo info;
    td.GetIndexInfo("MODEL_ID_INDEX", info, AFX_DAO_ALL_INFO);
    EXPECT_EQ(info.m_nFields, 1);
    EXPECT_EQ(info.m_pFieldInfos[0].m_strName, CString("MODEL_ID"));
    EXPECT_TRUE(info.m_bUnique);
    td.DeleteIndex("PAIR_INDEX");
  }
  EXPECT_EQ(Raw("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name NOT LIKE "
                "'sqlite%'"),
            "0");
}

// Files written before the index on the row number went without an SQLite
// index hold one: it is read, kept in step with writes and dropped with the
// engine index; a compaction leaves it out.
TEST_F(DeclaredTypesTest, AnSqliteIndexOnTheRowNumberFromAnEarlierFileKeepsWorking) {
  CreateTable(m_db, "MAIN",
              {{"MODEL_ID", dbLong, 4, dbAutoIncrField, false},
               {"DEFNAME", dbText, 50, dbVariableField | dbUpdatableField, true}},
              {{"MODEL_ID_INDEX", {"MODEL_ID"}, true}});
  Exec("CREATE UNIQUE INDEX \"MAIN.MODEL_ID_INDEX\" ON MAIN(MODEL_ID)");
  {
    CDaoRecordset rs(&m_db);
    rs.Open(dbOpenTable, "MAIN");
    rs.SetCurrentIndex("MODEL_ID_INDEX");
    for (const char* name : {"a", "b", "c"}) AddRow(rs, {{"DEFNAME", COleVariant(name)}});
    COleVariant two = Long(2);
    ASSERT_TRUE(rs.Seek("=", &two));
    EXPECT_EQ(Text(rs.GetFieldValue("DEFNAME")), "b");
    EXPECT_EQ(Walk(rs, "DEFNAME"), (Strings{"a", "b", "c"}));
    rs.Close();
  }
  EXPECT_EQ(Raw("SELECT count(*) FROM \"MAIN\" INDEXED BY \"MAIN.MODEL_ID_INDEX\" WHERE "
                "MODEL_ID > 0"),
            "3");
  m_db.Close();
  std::string copy = m_dir.File("copy.db");
  CDaoWorkspace::CompactDatabase(m_path.c_str(), copy.c_str());
  EXPECT_EQ(RawQuery(copy,
                     "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name "
                     "NOT LIKE 'sqlite%'"),
            "0");
  EXPECT_EQ(RawQuery(copy, "SELECT name FROM zl_engine_indexes"), "MODEL_ID_INDEX");
  m_db.Open(m_path.c_str());
  {
    CDaoTableDef td(&m_db);
    td.Open("MAIN");
    td.DeleteIndex("MODEL_ID_INDEX");
  }
  EXPECT_EQ(Raw("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name NOT LIKE "
                "'sqlite%'"),
            "0");
}

class AdoptionTest : public DeclaredTypesTest {
 protected:
  void SetUp() override {
    DeclaredTypesTest::SetUp();
    CreateTable(m_db, "OLD",
                {{"OLD_ID", dbLong, 4, dbAutoIncrField, false},
                 {"NAME", dbText, 20, dbVariableField | dbUpdatableField, true}},
                {{"ID_INDEX", {"OLD_ID"}, true}});
    // Another tool adds a table, a column and an index with plain SQL.
    Exec(
        "CREATE TABLE NEWT (ITEM_ID INTEGER PRIMARY KEY, NAME TEXT(10) COLLATE NOCASE, "
        "FLAG BOOLEAN_INT, WHEN_ DATE_REAL, DATA LONGBINARY_BLOB, NOTE MEMO_TEXT, "
        "SMALL BYTE_INT);"
        "CREATE UNIQUE INDEX \"NEWT.ID_INDEX\" ON NEWT(ITEM_ID);"
        "CREATE UNIQUE INDEX \"NEWT.NAME_INDEX\" ON NEWT(NAME);"
        "CREATE INDEX BY_FLAG ON NEWT(FLAG, SMALL);"
        "INSERT INTO NEWT(ITEM_ID, NAME, FLAG) VALUES(5, 'five', -1), (9, 'nine', 0);"
        "ALTER TABLE OLD ADD COLUMN EXTRA SHORT_INT;"
        "CREATE INDEX \"OLD.EXTRA_INDEX\" ON OLD(EXTRA);");
  }
};

TEST_F(AdoptionTest, ATableWrittenByAnotherToolIsTakenFromSqlitesSchema) {
  struct Expected {
    const char* field;
    short type;
    long size;
    long attributes;
  };
  const Expected expected[] = {{"ITEM_ID", dbLong, 4, dbAutoIncrField},
                               {"NAME", dbText, 10, dbVariableField | dbUpdatableField},
                               {"FLAG", dbBoolean, 1, dbUpdatableField},
                               {"WHEN_", dbDate, 8, dbUpdatableField},
                               {"DATA", dbLongBinary, 0, dbUpdatableField},
                               {"NOTE", dbMemo, 0, dbVariableField | dbUpdatableField},
                               {"SMALL", dbByte, 1, dbUpdatableField}};
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.field);
    CDaoFieldInfo f = Field("NEWT", e.field);
    EXPECT_EQ(f.m_nType, e.type);
    EXPECT_EQ(f.m_lSize, e.size);
    EXPECT_EQ(f.m_lAttributes, e.attributes);
  }
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "NEWT");
  rs.SetCurrentIndex("NAME_INDEX");
  COleVariant nine("NINE");
  ASSERT_TRUE(rs.Seek("=", &nine));
  EXPECT_EQ(Text(rs.GetFieldValue("ITEM_ID")), "9");
  EXPECT_EQ(Text(rs.GetFieldValue("FLAG")), "false");
  rs.SetCurrentIndex("BY_FLAG");
  EXPECT_EQ(Walk(rs, "NAME"), (Strings{"five", "nine"})) << "true is -1";
  // The counter goes on past the largest present; the size is enforced.
  COleVariant added = AddRow(rs, {{"NAME", COleVariant("ten")}, {"FLAG", Long(1)}});
  rs.SetBookmark(added);
  EXPECT_EQ(Text(rs.GetFieldValue("ITEM_ID")), "10");
  EXPECT_EQ(ErrorOf([&] {
              AddRow(rs, {{"NAME", COleVariant("eleven char")}});
            }),
            kDaoFieldTooSmall);
  rs.CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { AddRow(rs, {{"NAME", COleVariant("TEN")}}); }), kDaoDuplicateKey);
  rs.CancelUpdate();
  rs.Close();
  // The bookkeeping is filled in, and wins from then on.
  EXPECT_EQ(Raw("SELECT count(*), max(next_rowid) FROM zl_engine_tables WHERE name = 'NEWT'"),
            "1|11");
  EXPECT_EQ(Raw("SELECT group_concat(n, ' ') FROM (SELECT f.name || ':' || type AS n FROM "
                "zl_engine_fields f JOIN zl_engine_tables t USING(table_id) WHERE t.name = "
                "'NEWT' ORDER BY f.rowid)"),
            "ITEM_ID:4 NAME:10 FLAG:1 WHEN_:8 DATA:11 NOTE:12 SMALL:2");
  Exec(
      "UPDATE zl_engine_fields SET size = 4 WHERE name = 'NAME' AND table_id = (SELECT "
      "table_id FROM zl_engine_tables WHERE name = 'NEWT')");
  EXPECT_EQ(Field("NEWT", "NAME").m_lSize, 4);
}

TEST_F(AdoptionTest, ColumnsAndIndexesAddedToATableWithBookkeepingAreAdopted) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "OLD");
  AddRow(rs, {{"NAME", COleVariant("b")}, {"EXTRA", Long(2)}});
  AddRow(rs, {{"NAME", COleVariant("a")}, {"EXTRA", Long(1)}});
  EXPECT_EQ(ErrorOf([&] {
              AddRow(rs, {{"EXTRA", Long(70000)}});
            }),
            kDaoNumericOverflow)
      << "a SHORT_INT column is a 16-bit Integer";
  rs.CancelUpdate();
  rs.SetCurrentIndex("EXTRA_INDEX");
  EXPECT_EQ(Walk(rs, "NAME"), (Strings{"a", "b"}));
  rs.Close();
  EXPECT_EQ(Field("OLD", "EXTRA").m_nType, dbInteger);
  EXPECT_EQ(Raw("SELECT count(*) FROM zl_engine_indexes WHERE name = 'EXTRA_INDEX'"), "1");
}

TEST_F(AdoptionTest, AListingAndACompactionIncludeAdoptedTables) {
  EXPECT_EQ(m_db.GetTableDefCount(), 2);
  CDaoTableDefInfo info;
  m_db.GetTableDefInfo(1, info);
  EXPECT_EQ(info.m_strName, CString("NEWT"));
  m_db.Close();
  std::string copy = m_dir.File("copy.db");
  CDaoWorkspace::CompactDatabase(m_path.c_str(), copy.c_str());
  EXPECT_EQ(RawQuery(copy, "SELECT group_concat(NAME) FROM NEWT ORDER BY ITEM_ID"), "five,nine");
  EXPECT_EQ(RawQuery(copy, "SELECT count(*) FROM sqlite_master WHERE name = 'NEWT.NAME_INDEX'"),
            "1");
  // The index on the counter is still there in the copy.
  {
    CDaoDatabase copied;
    copied.Open(copy.c_str());
    CDaoRecordset rs(&copied);
    rs.Open(dbOpenTable, "NEWT");
    rs.SetCurrentIndex("ID_INDEX");
    COleVariant nine = Long(9);
    ASSERT_TRUE(rs.Seek("=", &nine));
    EXPECT_EQ(Text(rs.GetFieldValue("NAME")), "nine");
    rs.Close();
    copied.Close();
  }
  m_db.Open(m_path.c_str());
}

TEST_F(AdoptionTest, AFileThisProcessCannotWriteIsReadWithoutBookkeeping) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  m_db.Close();
  ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
  m_db.Open(m_path.c_str(), FALSE, TRUE);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "NEWT");
  rs.SetCurrentIndex("ID_INDEX");
  EXPECT_EQ(Walk(rs, "NAME"), (Strings{"five", "nine"}));
  rs.Close();
  m_db.Close();
  EXPECT_EQ(RawQuery(m_path, "SELECT count(*) FROM zl_engine_tables WHERE name = 'NEWT'"), "0");
  ::chmod(m_path.c_str(), 0644);
  m_db.Open(m_path.c_str());
}

TEST_F(AdoptionTest, ReadingSessionsLeaveAWritableFileAsItIsUntilOneMayWrite) {
  m_db.Close();
  auto bytes = [&] {
    std::ifstream in(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string before = bytes();
  CDaoDatabase reader;
  reader.Open(m_path.c_str(), FALSE, TRUE);
  EXPECT_EQ(reader.GetTableDefCount(), 2);
  CDaoRecordset rs(&reader);
  rs.Open(dbOpenTable, "NEWT");
  rs.SetCurrentIndex("ID_INDEX");
  EXPECT_EQ(Walk(rs, "NAME"), (Strings{"five", "nine"}));
  EXPECT_EQ(RawQuery(m_path, "SELECT count(*) FROM zl_engine_tables WHERE name = 'NEWT'"), "0");
  rs.Close();
  reader.Close();
  EXPECT_TRUE(bytes() == before) << "a reading session changed the file";
  reader.Open(m_path.c_str(), FALSE, TRUE);
  rs.Open(dbOpenTable, "NEWT");
  rs.SetCurrentIndex("ID_INDEX");
  EXPECT_EQ(Walk(rs, "NAME"), (Strings{"five", "nine"}));
  // A session that may write records it, and the reader's open recordset
  // keeps working across the change of the table's id.
  m_db.Open(m_path.c_str());
  {
    CDaoRecordset writer(&m_db);
    writer.Open(dbOpenTable, "NEWT");
    AddRow(writer, {{"NAME", COleVariant("ten")}});
  }
  EXPECT_EQ(RawQuery(m_path, "SELECT count(*) FROM zl_engine_tables WHERE name = 'NEWT'"), "1");
  EXPECT_EQ(Walk(rs, "NAME"), (Strings{"five", "nine", "ten"}));
  rs.Close();
  reader.Close();
}

TEST_F(AdoptionTest, ADateAheadOfTheClockStillMovesOnEveryCommit) {
  // The clock was set back (or another tool wrote a later date): each
  // commit still moves the date past the stored one.
  Exec("UPDATE zl_engine_tables SET date_last_updated = 100000 WHERE name = 'OLD'");
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "OLD");
  double last = 100000;
  for (const char* name : {"a", "b"}) {
    AddRow(rs, {{"NAME", COleVariant(name)}});
    const double date = rs.GetDateLastUpdated().m_dt;
    EXPECT_GT(date, last) << name;
    EXPECT_LT(date, 100000.001) << name;
    last = date;
  }
}

TEST_F(DeclaredTypesTest, ADeclaredTypeThatNamesNoEngineTypeIsRefusedNamingTableAndColumn) {
  const char* bad[] = {"VARCHAR(10)", "TEXT(0)", "TEXT(256)", "BOOLEAN", "COUNTER"};
  for (const char* type : bad) {
    SCOPED_TRACE(type);
    Exec(std::string("DROP TABLE IF EXISTS ODD; CREATE TABLE ODD (GOOD LONG_INT, BAD ") + type +
         ")");
    CDaoRecordset rs(&m_db);
    try {
      rs.Open(dbOpenTable, "ODD");
      ADD_FAILURE() << "opened";
    } catch (const CDaoException& e) {
      EXPECT_EQ(e.GetErrorNumber(), kDaoInvalidFieldType);
      std::string message = e.GetErrorMessage().GetString();
      EXPECT_NE(message.find("ODD.BAD"), std::string::npos) << message;
    }
  }
  // A column added to a table with bookkeeping is refused alike.
  CreateTable(m_db, "KEPT", {{"K", dbLong, 4, dbUpdatableField, false}}, {});
  Exec("ALTER TABLE KEPT ADD COLUMN ODDITY NUMERIC");
  CDaoTableDef td(&m_db);
  EXPECT_EQ(ErrorOf([&] { td.Open("KEPT"); }), kDaoInvalidFieldType);
}

// A table as the engine wrote it before columns carried their engine types:
// plain SQLite types, and no SQLite index on the row number.
TEST_F(DeclaredTypesTest, TablesInTheEarlierFormatKeepWorking) {
  Exec(
      "CREATE TABLE PREV (P_ID INTEGER PRIMARY KEY, NAME TEXT COLLATE NOCASE, FLAG INTEGER, "
      "DAY REAL);"
      "INSERT INTO zl_engine_tables(name, date_created, date_last_updated, next_rowid, "
      "next_counter) VALUES('PREV', 1, 1, 4, 4);"
      "INSERT INTO zl_engine_fields SELECT table_id, column1, column2, column3, column4, "
      "column5, 0 FROM zl_engine_tables, (VALUES('P_ID', 4, 4, 16, 0), ('NAME', 10, 8, 34, 1), "
      "('FLAG', 1, 1, 32, 0), ('DAY', 8, 8, 32, 0)) WHERE name = 'PREV';"
      "INSERT INTO zl_engine_indexes SELECT table_id, 'ID_INDEX', 'PREV.ID_INDEX', 0, 'P_ID', "
      "1, 0, 0 FROM zl_engine_tables WHERE name = 'PREV';"
      "INSERT INTO PREV VALUES(1, 'one', -1, 2.5), (3, 'three', 0, 3.5);");
  EXPECT_EQ(Field("PREV", "NAME").m_lSize, 8) << "the bookkeeping wins over the declared type";
  EXPECT_EQ(Field("PREV", "FLAG").m_nType, dbBoolean);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "PREV");
  rs.SetCurrentIndex("ID_INDEX");
  COleVariant three = Long(3);
  ASSERT_TRUE(rs.Seek("=", &three));
  EXPECT_EQ(Text(rs.GetFieldValue("NAME")), "three");
  EXPECT_EQ(ErrorOf([&] { AddRow(rs, {{"NAME", COleVariant("too long!")}}); }), kDaoFieldTooSmall);
  rs.CancelUpdate();
  rs.SetBookmark(AddRow(rs, {{"NAME", COleVariant("four")}, {"FLAG", Long(5)}}));
  EXPECT_EQ(Text(rs.GetFieldValue("P_ID")), "4");
  EXPECT_EQ(Text(rs.GetFieldValue("FLAG")), "true");
  rs.Close();
  {
    CDaoTableDef td(&m_db);
    td.Open("PREV");
    td.DeleteIndex("ID_INDEX");  // it has no SQLite index to drop
    td.CreateField("MORE", dbText, 30, dbVariableField | dbUpdatableField);
  }
  EXPECT_EQ(Raw("SELECT type FROM pragma_table_info('PREV') WHERE name = 'MORE'"), "TEXT(30)");
  EXPECT_EQ(Raw("SELECT NAME || ':' || FLAG FROM PREV ORDER BY P_ID"), "one:-1,three:0,four:-1");
}

}  // namespace
}  // namespace enginetest
