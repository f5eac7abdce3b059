// The legacy layout as created, opening, sharing and closing, and the
// separation of legacy, current and table handles.
#include <sys/stat.h>

#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_tabledef.h"
#include "legacy_fixture.h"
#include "support/file_contents.h"

namespace {

struct CExpectedField {
  const char* table;
  const char* name;
  short type;
  long size;
  long attributes;
  bool zeroLength;
};

// The flat layout field by field, in creation order.
const CExpectedField kExpectedFields[] = {
    {"SDB", "ID", dbLong, 4, 16, false},
    {"SDB", "NAME", dbText, 50, 34, true},
    {"SDB", "TYPE", dbText, 8, 34, true},
    {"SDB", "FLDR", dbText, 100, 34, true},
    {"SDB", "TITLE", dbText, 100, 34, true},
    {"SDB", "SRC", dbText, 15, 34, true},
    {"SDB", "DATE", dbDate, 8, 32, false},
    {"SDB", "LEVEL", dbInteger, 2, 32, false},
    {"SDB", "USES", dbText, 250, 34, true},
    {"SDB", "INFO", dbText, 255, 34, true},
    {"SDB", "CALL", dbMemo, 0, 32, true},
    {"SDB", "LIB", dbLongBinary, 0, 32, false},
    {"SDB", "SYMBOL", dbMemo, 0, 32, true},
    {"SDB", "SCH", dbLongBinary, 0, 32, false},
    {"SDB", "LIB_STATE", dbLong, 4, 32, false},
    {"SDB", "SYMBOL_LEVEL", dbLong, 4, 32, false},
    {"SDB", "SDB_STATE", dbLong, 4, 32, false},
    {"SDB", "WIZTYPE", dbByte, 1, 32, false},
    {"SDB", "UDTNAME", dbText, 20, 32, false},
#define LZL_COPA_FIELDS(table)                                                           \
  {table, "ID", dbLong, 4, 32, false}, {table, "TYPE", dbLong, 4, 32, false},            \
      {table, "EXTTYPE", dbLong, 4, 32, false}, {table, "VALUE", dbText, 255, 34, true}, \
      {table, "NAME", dbText, 30, 34, true}, {                                           \
    table, "INFO", dbText, 50, 34, true                                                  \
  }
#define LZL_RESID_FIELDS(table)                              \
  {table, "TYPE_TO_TRESID", dbInteger, 2, 32, false},        \
      {table, "EYTTYPE_TO_TRESID", dbInteger, 2, 32, false}, \
      {table, "VALUE_TO_TRESID", dbInteger, 2, 32, false},   \
      {table, "NAME_TO_TRESID", dbInteger, 2, 32, false}, {  \
    table, "INFO_TO_TRESID", dbInteger, 2, 32, false         \
  }
    LZL_COPA_FIELDS("PARAMS"),
    LZL_RESID_FIELDS("PARAMS"),
    LZL_COPA_FIELDS("CONNECT"),
    LZL_RESID_FIELDS("CONNECT"),
    LZL_COPA_FIELDS("OUTPUT"),
#undef LZL_COPA_FIELDS
#undef LZL_RESID_FIELDS
    {"FILES", "ID", dbLong, 4, 32, false},
    {"FILES", "FILE", dbText, 255, 34, true},
    {"FILES", "TYPE", dbByte, 1, 32, false},
    {"FILES", "ACCESS", dbLong, 4, 32, false},
    {"KEYWORDS", "KEYWID", dbLong, 4, 16, false},
    {"KEYWORDS", "KEYW", dbText, 30, 34, true},
    {"KEYWORDSID", "KEYWID", dbLong, 4, 32, false},
    {"KEYWORDSID", "ID", dbLong, 4, 32, false},
    {"LASTLAYOUTCHANGE", "DATE", dbDate, 8, 32, false},
    {"LASTLAYOUTCHANGE", "VERSION", dbLong, 4, 32, false},
};

struct CExpectedIndex {
  const char* table;
  const char* name;
  const char* field;
  bool unique;
};
const CExpectedIndex kExpectedIndexes[] = {
    {"SDB", "ID_INDEX", "ID", true},          {"SDB", "SDB_STATE_INDEX", "SDB_STATE", false},
    {"PARAMS", "ID_INDEX", "ID", false},      {"CONNECT", "ID_INDEX", "ID", false},
    {"OUTPUT", "ID_INDEX", "ID", false},      {"FILES", "ID_INDEX", "ID", false},
    {"KEYWORDS", "KEYW_INDEX", "KEYW", true}, {"KEYWORDS", "KEYWID_INDEX", "KEYWID", true},
    {"KEYWORDSID", "ID_INDEX", "ID", false},  {"KEYWORDSID", "KEYWID_INDEX", "KEYWID", false},
};

const char* const kTables[] = {"SDB",   "PARAMS",   "CONNECT",    "OUTPUT",
                               "FILES", "KEYWORDS", "KEYWORDSID", "LASTLAYOUTCHANGE"};

TEST_F(LegacyTest, CreatesExactlyTheFlatLayout) {
  ASSERT_EQ(CloseZLDatabase(m_hDB), 1);
  m_hDB = nullptr;
  CDaoDatabase database;
  database.Open(m_path.c_str(), FALSE, TRUE, "");
  ASSERT_EQ(database.GetTableDefCount(), static_cast<short>(std::size(kTables)));
  size_t expectedField = 0, expectedIndex = 0;
  for (short t = 0; t < database.GetTableDefCount(); ++t) {
    CDaoTableDefInfo tableInfo;
    database.GetTableDefInfo(t, tableInfo);
    SCOPED_TRACE(static_cast<const char*>(tableInfo.m_strName));
    EXPECT_STREQ(tableInfo.m_strName, kTables[t]);
    CDaoTableDef tableDef(&database);
    tableDef.Open(tableInfo.m_strName);
    for (short f = 0; f < tableDef.GetFieldCount(); ++f, ++expectedField) {
      ASSERT_LT(expectedField, std::size(kExpectedFields));
      const CExpectedField& want = kExpectedFields[expectedField];
      CDaoFieldInfo field;
      tableDef.GetFieldInfo(f, field, AFX_DAO_ALL_INFO);
      SCOPED_TRACE(static_cast<const char*>(field.m_strName));
      EXPECT_STREQ(want.table, kTables[t]);
      EXPECT_STREQ(field.m_strName, want.name);
      EXPECT_EQ(field.m_nType, want.type);
      if (want.type == dbText) {
        EXPECT_EQ(field.m_lSize, want.size);
      }
      EXPECT_EQ(field.m_lAttributes, want.attributes);
      EXPECT_EQ(field.m_bAllowZeroLength != 0, want.zeroLength);
    }
    for (short i = 0; i < tableDef.GetIndexCount(); ++i, ++expectedIndex) {
      ASSERT_LT(expectedIndex, std::size(kExpectedIndexes));
      const CExpectedIndex& want = kExpectedIndexes[expectedIndex];
      CDaoIndexInfo index;
      tableDef.GetIndexInfo(i, index, AFX_DAO_ALL_INFO);
      EXPECT_STREQ(want.table, kTables[t]);
      EXPECT_STREQ(index.m_strName, want.name);
      ASSERT_EQ(index.m_nFields, 1);
      EXPECT_STREQ(index.m_pFieldInfos[0].m_strName, want.field);
      EXPECT_EQ(index.m_bUnique != 0, want.unique);
      EXPECT_FALSE(index.m_bPrimary);
    }
  }
  EXPECT_EQ(expectedField, std::size(kExpectedFields));
  EXPECT_EQ(expectedIndex, std::size(kExpectedIndexes));
}

TEST_F(LegacyTest, OpenSharesByPathAndModeAndCountsReferences) {
  void* again = OpenZLDatabase(m_path.c_str(), FALSE);
  EXPECT_EQ(again, m_hDB);
  void* readOnly = OpenZLDatabase(m_path.c_str(), TRUE);
  ASSERT_NE(readOnly, nullptr);
  EXPECT_NE(readOnly, m_hDB);
  COleVariant bookmark;
  EXPECT_EQ(FailCode(CreateNewRecord(readOnly, bookmark)), LZLE_ENGINE);
  EXPECT_EQ(CloseZLDatabase(readOnly), 1);
  EXPECT_EQ(CloseZLDatabase(again), 1);  // one reference remains
  EXPECT_EQ(CreateNewRecord(m_hDB, bookmark), 1);
  EXPECT_EQ(CloseZLDatabase(m_hDB), 1);
  EXPECT_EQ(CloseZLDatabase(m_hDB), 0);  // gone now
  EXPECT_EQ(GetLastZLDBError(), LZLE_BAD_HANDLE);
  m_hDB = nullptr;
}

TEST_F(LegacyTest, OpenAndCreateFailuresGiveTheirCodes) {
  const std::string current = m_dir.File("current.zdb");
  void* hCurrent = ZLCreateDatabase(current.c_str());
  ASSERT_NE(hCurrent, nullptr);
  ASSERT_EQ(ZLCloseDatabase(hCurrent), 1);
  const std::string readOnlyFile = m_dir.File("readonly.sdb");
  void* made = CreateZLDatabase(readOnlyFile.c_str());
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(CloseZLDatabase(made), 1);
  ASSERT_EQ(::chmod(readOnlyFile.c_str(), 0444), 0);
  const bool runsAsRoot = ::geteuid() == 0;

  struct CCase {
    const char* what;
    std::string path;
    BOOL readOnly;
    int code;
  };
  const std::vector<CCase> cases = {
      {"missing file", m_dir.File("missing.sdb"), TRUE, LZLE_FILE_NOT_FOUND},
      {"null path", "", TRUE, LZLE_FILE_NOT_FOUND},
      {"current-layout file", current, FALSE, LZLE_ENGINE},
      {"read-only file opened for writing", readOnlyFile, FALSE, LZLE_NOT_WRITABLE},
  };
  for (const CCase& c : cases) {
    if (runsAsRoot && c.code == LZLE_NOT_WRITABLE) continue;
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OpenZLDatabase(c.path.empty() ? nullptr : c.path.c_str(), c.readOnly), nullptr);
    EXPECT_EQ(GetLastZLDBError(), c.code);
  }
  void* readOnly = OpenZLDatabase(readOnlyFile.c_str(), TRUE);
  EXPECT_NE(readOnly, nullptr);
  EXPECT_EQ(CloseZLDatabase(readOnly), 1);

  // Creating over an existing file changes nothing.
  const std::string before = zltest::FileContents(current);
  EXPECT_EQ(CreateZLDatabase(current.c_str()), nullptr);
  EXPECT_EQ(GetLastZLDBError(), LZLE_ENGINE);
  EXPECT_EQ(zltest::FileContents(current), before);
}

TEST_F(LegacyTest, TableHandleOutlivingItsDatabaseIsRefusedThenClosed) {
  CUDTFieldInfoArray fields;
  CUDTFieldInfo field("VALUE", UDT_TEXT, 10);
  fields.Add(&field);
  void* hTable = CreateUserDefinedTable(m_hDB, "DATA", fields);
  fields.RemoveAll();
  ASSERT_NE(hTable, nullptr);
  ASSERT_EQ(CloseZLDatabase(m_hDB), 1);
  m_hDB = nullptr;
  CObList list;
  EXPECT_EQ(FailCode(UDTGetAllBookmarks(hTable, list)), LZLE_BAD_HANDLE);
  EXPECT_EQ(CloseUserDefinedTable(hTable), 1);
  EXPECT_EQ(FailCode(CloseUserDefinedTable(hTable)), LZLE_BAD_TABLE_HANDLE);
}

}  // namespace
