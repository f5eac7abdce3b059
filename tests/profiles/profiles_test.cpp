// Profile strings: tables, rows and columns created on demand and cleaned
// up exactly when they empty; reserved and unsafe names; every write
// all-or-nothing, schema changes included.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/dao_database.h"
#include "engine/dao_tabledef.h"
#include "support/schema_sweep.h"

namespace {

class ProfileTest : public SchemaSweepTest {
 protected:
  void SetUp() override {
    SchemaSweepTest::SetUp();
    m_id = NewRecord();
    m_other = NewRecord();
  }
  int Put(long id, const char* section, const char* key, const char* value,
          const char* catalog = "Prefs") {
    return ZLSetProfileString(m_hDB, id, catalog, section, key, CString(value));
  }
  std::string Value(long id, const char* section, const char* key) {
    CString value;
    if (ZLGetProfileString(m_hDB, id, "ignored", section, key, value) != 1) {
      return "error " + std::to_string(ZLGetLastError());
    }
    return value.str();
  }
  // The tables of the file that are not fixed tables, each with its
  // columns: "name(col,col)".
  std::set<std::string> UserTables() {
    zl::CHandleLock lock(m_hDB);
    CDaoDatabase& db = *lock.Record().database;
    db.RefreshTableDefs();
    std::set<std::string> tables;
    for (short i = 0; i < db.GetTableDefCount(); ++i) {
      CDaoTableDefInfo info;
      db.GetTableDefInfo(i, info);
      bool fixed = false;
      for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
        fixed =
            fixed || info.m_strName == zl::FixedTableLayout(static_cast<zl::ZLFixedTable>(t)).name;
      }
      if (fixed) continue;
      CDaoTableDef def(&db);
      def.Open(info.m_strName);
      std::string entry = info.m_strName.str() + "(";
      for (short f = 0; f < def.GetFieldCount(); ++f) {
        CDaoFieldInfo field;
        def.GetFieldInfo(f, field);
        entry += (f > 0 ? "," : "") + field.m_strName.str();
      }
      tables.insert(entry + ")");
    }
    return tables;
  }
  std::string UdtName(long id) {
    CString name;
    return ZLGetUDTNameByID(m_hDB, id, name) == 1 ? name.str()
                                                  : "error " + std::to_string(ZLGetLastError());
  }

  long m_id = 0, m_other = 0;
};

TEST_F(ProfileTest, TheFirstValueCreatesEverythingAndReadsBack) {
  EXPECT_EQ(Value(m_id, "Sim", "Step"), "error 11");  // no user-defined data yet
  ASSERT_EQ(Put(m_id, "Sim", "Step", "1ns"), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(UdtName(m_id), "Prefs");
  EXPECT_EQ(UserTables(), (std::set<std::string>{"Prefs(TABLE_NAME)", "PrefsSim(UDT_ID,Step)"}));
  EXPECT_EQ(Value(m_id, "Sim", "Step"), "1ns");
  // A second key adds a column; the same key for another record a row.
  ASSERT_EQ(Put(m_id, "Sim", "Stop", "1ms"), 1);
  ASSERT_EQ(Put(m_other, "Sim", "Step", "2ns"), 1);
  ASSERT_EQ(Put(m_id, "Sim", "Step", "3ns"), 1);
  EXPECT_EQ(UserTables(),
            (std::set<std::string>{"Prefs(TABLE_NAME)", "PrefsSim(UDT_ID,Step,Stop)"}));
  EXPECT_EQ(Value(m_id, "Sim", "Step"), "3ns");
  EXPECT_EQ(Value(m_other, "Sim", "Step"), "2ns");
  EXPECT_EQ(Value(m_other, "Sim", "Stop"), "error 10");  // a NULL value
  EXPECT_EQ(Value(m_id, "Sim", "Missing"), "error 10");
  EXPECT_EQ(Value(m_id, "Other", "Step"), "error 11");
  // A record keeps its catalogue once it has one.
  ASSERT_EQ(Put(m_id, "View", "Zoom", "2", "Elsewhere"), 1);
  EXPECT_EQ(UdtName(m_id), "Prefs");
  EXPECT_EQ(Value(m_id, "View", "Zoom"), "2");
  EXPECT_EQ(UserTables().count("PrefsView(UDT_ID,Zoom)"), 1u);
  // An empty value is a value.
  ASSERT_EQ(Put(m_id, "View", "Zoom", ""), 1);
  EXPECT_EQ(Value(m_id, "View", "Zoom"), "");
  EXPECT_EQ(FailCode(Put(m_id + 100, "Sim", "Step", "x")), ZLE_NO_RECORD);
}

TEST_F(ProfileTest, DeletingKeysAndSectionsCleansUpWhatEmpties) {
  ASSERT_EQ(Put(m_id, "Sim", "Step", "1"), 1);
  ASSERT_EQ(Put(m_id, "Sim", "Stop", "2"), 1);
  ASSERT_EQ(Put(m_other, "Sim", "Step", "3"), 1);
  ASSERT_EQ(Put(m_id, "View", "Zoom", "4"), 1);
  // Another record still holds a Step value: the column stays.
  ASSERT_EQ(ZLDeleteProfileKey(m_hDB, m_id, nullptr, "Sim", "Step"), 1) << ZLGetLastError();
  EXPECT_EQ(Value(m_id, "Sim", "Step"), "error 10");
  EXPECT_EQ(Value(m_id, "Sim", "Stop"), "2");
  EXPECT_EQ(UserTables().count("PrefsSim(UDT_ID,Step,Stop)"), 1u);
  // No row holds a Stop value any more: the column goes; the record's row
  // holds nothing any more and goes too.
  ASSERT_EQ(ZLDeleteProfileKey(m_hDB, m_id, nullptr, "Sim", "Stop"), 1);
  EXPECT_EQ(UserTables().count("PrefsSim(UDT_ID,Step)"), 1u);
  EXPECT_EQ(Value(m_id, "Sim", "Step"), "error 11");
  EXPECT_EQ(FailCode(ZLDeleteProfileKey(m_hDB, m_id, nullptr, "Sim", "Step")), ZLE_NO_RECORD);
  // The last row of a section takes the section table and its entry.
  ASSERT_EQ(ZLDeleteProfileSection(m_hDB, m_other, nullptr, "Sim"), 1);
  EXPECT_EQ(UserTables(), (std::set<std::string>{"Prefs(TABLE_NAME)", "PrefsView(UDT_ID,Zoom)"}));
  EXPECT_EQ(UdtName(m_other), "Prefs");  // the catalogue still lists View
  // The only key of the last section takes the row, the table, the entry,
  // the catalogue and the record's catalogue name.
  ASSERT_EQ(ZLDeleteProfileKey(m_hDB, m_id, nullptr, "View", "Zoom"), 1);
  EXPECT_EQ(UserTables(), std::set<std::string>{});
  EXPECT_EQ(UdtName(m_id), "error 10");
  EXPECT_EQ(FailCode(ZLDeleteProfileSection(m_hDB, m_id, nullptr, "View")), ZLE_NULL_VALUE);
  // It all comes back on demand.
  ASSERT_EQ(Put(m_id, "View", "Zoom", "5"), 1);
  EXPECT_EQ(Value(m_id, "View", "Zoom"), "5");
}

// "section/key=value" for every value the list gives, in its order.  The
// arrays start with a stale entry, which the list must drop.
std::string Listed(void* hDB, long id) {
  CStringArray sections, keys, values;
  for (CStringArray* array : {&sections, &keys, &values}) array->Add("stale");
  if (ZLGetProfileStrings(hDB, id, sections, keys, values) != 1) {
    return "error " + std::to_string(ZLGetLastError()) + " " + std::to_string(sections.GetSize());
  }
  std::string out;
  for (int i = 0; i < sections.GetSize(); ++i) {
    out += sections[i].str() + "/" + keys[i].str() + "=" + values[i].str() + ";";
  }
  return out;
}

TEST_F(ProfileTest, TheListGivesTheRecordsValuesBySectionAndKeyInByteOrder) {
  EXPECT_EQ(Listed(m_hDB, m_id), "");  // no user-defined data
  ASSERT_EQ(Put(m_id, "alpha", "Step", "1"), 1);
  ASSERT_EQ(Put(m_id, "Zeta", "b", ""), 1);
  ASSERT_EQ(Put(m_id, "Zeta", "A", "\xE9t\xE9"), 1);
  // Another record's value makes a key column this record has no value in,
  // and a row of its own.
  ASSERT_EQ(Put(m_other, "alpha", "Extra", "x"), 1);
  ASSERT_EQ(Put(m_other, "Zeta", "b", "y"), 1);
  EXPECT_EQ(Listed(m_hDB, m_id), "Zeta/A=\xE9t\xE9;Zeta/b=;alpha/Step=1;");
  EXPECT_EQ(Listed(m_hDB, m_other), "Zeta/b=y;alpha/Extra=x;");
  ASSERT_EQ(ZLDeleteProfileSection(m_hDB, m_id, nullptr, "Zeta"), 1);
  EXPECT_EQ(Listed(m_hDB, m_id), "alpha/Step=1;");
  EXPECT_EQ(Listed(m_hDB, m_id + 100), "error 11 0");
}

TEST_F(ProfileTest, ReservedCatalogNamesAreRefusedWithSeven) {
  for (const char* name : {"MAIN", "UDT_ID", "ADDITIONAL_DATA", "MACRO", "STRINGTAB_%0", "_%s",
                           "KEYWORDID", "x", ""}) {
    EXPECT_EQ(FailCode(Put(m_id, "S", "K", "v", name)), ZLE_BAD_HANDLE) << name;
  }
  EXPECT_EQ(UserTables(), std::set<std::string>{});
  EXPECT_EQ(UdtName(m_id), "error 10");
  // Names formed from a pattern, or fixed names in other case, are not parts
  // of the patterns.
  for (const char* name : {"MACRO_VHDLA", "Main2"}) {
    EXPECT_EQ(Put(m_id, "S", "K", "v", name), 1) << name;
    ASSERT_EQ(ZLDeleteProfileKey(m_hDB, m_id, nullptr, "S", "K"), 1);
  }
}

TEST_F(ProfileTest, UnsafeNamesAreNamesOrRefusedAndNeverRun) {
  const struct {
    const char* catalog;
    const char* section;
    const char* key;
  } names[] = {
      {"P'q\"", "S; DROP TABLE MAIN", "k\"); --"},
      {"With space", " sec tion", "key with spaces"},
  };
  for (const auto& n : names) {
    ASSERT_EQ(Put(m_id, n.section, n.key, "v", n.catalog), 1) << n.key << " " << ZLGetLastError();
    EXPECT_EQ(Value(m_id, n.section, n.key), "v");
    ASSERT_EQ(ZLDeleteProfileKey(m_hDB, m_id, nullptr, n.section, n.key), 1);
  }
  EXPECT_EQ(UserTables(), std::set<std::string>{});
  // Names the engine cannot use fail and leave nothing behind.
  for (const char* key : {"[k]", "k.k", ""}) {
    EXPECT_EQ(FailCode(Put(m_id, "S", key, "v")), ZLE_ENGINE) << key;
  }
  EXPECT_EQ(FailCode(Put(m_id, "S]", "k", "v")), ZLE_ENGINE);
  EXPECT_EQ(FailCode(Put(m_id, "S", "k", "v", "TooLongForTheColumn21")), ZLE_ENGINE);
  EXPECT_EQ(UserTables(), std::set<std::string>{});
  EXPECT_EQ(UdtName(m_id), "error 10");
  // A catalogue and section that spell a fixed table are not taken for a
  // profile table.
  EXPECT_EQ(FailCode(Put(m_id, "INFO", "k", "v", "SIMTAB")), ZLE_ENGINE);
  EXPECT_EQ(UserTables(), std::set<std::string>{});
  COleVariant bookmark;
  EXPECT_EQ(ZLGetBookmarkByID(m_hDB, m_id, bookmark), 1);
}

TEST_F(ProfileTest, WritesAreAllOrNothing) {
  ExpectAllOrNothing([&] { return Put(m_id, "Sim", "Step", "1ns"); },
                     [&] {
                       // The next try is a first value again: a new record.
                       m_id = NewRecord();
                     });
  ASSERT_EQ(Put(m_id, "Sim", "Step", "1ns"), 1);
  ExpectAllOrNothing(
      [&] { return Put(m_id, "Sim", "Stop", "1ms"); },
      [&] { ASSERT_EQ(ZLDeleteProfileKey(m_hDB, m_id, nullptr, "Sim", "Stop"), 1); });
  ExpectAllOrNothing([&] { return ZLDeleteProfileKey(m_hDB, m_id, nullptr, "Sim", "Step"); },
                     [&] { ASSERT_EQ(Put(m_id, "Sim", "Step", "1ns"), 1); });
  ExpectAllOrNothing([&] { return ZLDeleteProfileSection(m_hDB, m_id, nullptr, "Sim"); },
                     [&] { ASSERT_EQ(Put(m_id, "Sim", "Step", "1ns"), 1); });
}

}  // namespace
