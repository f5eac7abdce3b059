// Simulator-language tables: adding, removing, the exclusive flags, listing,
// and the package change stamp.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "engine/dao_errors.h"
#include "engine/dao_tabledef.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "simlang/simtable_registry.h"
#include "support/library_fixture.h"

namespace {

using zl::CHandleLock;

class SimTableTest : public LibraryTest {
 protected:
  std::set<std::string> Languages(int (*list)(void*, CStringArray&)) {
    CStringArray languages;
    EXPECT_EQ(list(m_hDB, languages), 1);
    std::set<std::string> out;
    for (int i = 0; i < languages.GetSize(); ++i) out.insert(languages[i].GetString());
    return out;
  }
  int RegistryRows() {
    CHandleLock lock(m_hDB);
    return lock.Record().recordsets[zl::ZLT_SIMTABINFO]->GetRecordCount();
  }
};

TEST_F(SimTableTest, MacroTableIsCreatedAndRegistered) {
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 1), 1);
  int exclusive = 0;
  ASSERT_EQ(ZLIsExclusiveMacroTable(m_hDB, "Spice", exclusive), 1);
  EXPECT_EQ(exclusive, 1);
  CHandleLock lock(m_hDB);
  CDaoTableDef def(lock.Record().database);
  def.Open("MACRO_Spice");
  EXPECT_EQ(def.GetFieldCount(), 11);
  EXPECT_EQ(def.GetIndexCount(), 2);
  CZLRecordset& registry = *lock.Record().recordsets[zl::ZLT_SIMTABINFO];
  registry.MoveFirst();
  const COleVariant simID = registry.GetFieldValue("SIM_ID");
  const COleVariant tableName = registry.GetFieldValue("TABNAME");
  EXPECT_STREQ(V_BSTRT(&simID), "Spice");
  EXPECT_STREQ(V_BSTRT(&tableName), "MACRO_Spice");
  EXPECT_EQ(registry.GetFieldValue("TABTYPE").bVal, 1);
  const COleVariant flag = registry.GetFieldValue("EXCLUSIVE");
  EXPECT_EQ(flag.vt, VT_BOOL);
  EXPECT_EQ(flag.boolVal, VARIANT_TRUE);
}

TEST_F(SimTableTest, OneTableOfEachKindPerCaseSensitiveLanguage) {
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 0), 1);
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 0), 1);
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "Spice"), 1);
  ASSERT_EQ(ZLAddPackageTable(m_hDB, "Spice"), 1);
  EXPECT_EQ(ZLAddCallTable(m_hDB, "Spice", 1), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_SIMTABLE_EXISTS);
  EXPECT_EQ(ZLAddPackageTable(m_hDB, "Spice"), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_SIMTABLE_EXISTS);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "spice", 1), 1);
  EXPECT_EQ(Languages(ZLGetAvailableCallSimLanguages), (std::set<std::string>{"Spice", "spice"}));
  int exclusive = 7;
  ASSERT_EQ(ZLIsExclusiveCallTable(m_hDB, "Spice", exclusive), 1);
  EXPECT_EQ(exclusive, 0);
  ASSERT_EQ(ZLIsExclusiveCallTable(m_hDB, "spice", exclusive), 1);
  EXPECT_EQ(exclusive, 1);
  EXPECT_EQ(RegistryRows(), 5);
}

TEST_F(SimTableTest, AccessAndPackageTablesAreExclusiveWithoutAFlag) {
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "VHDLA"), 1);
  int exclusive = 0;
  EXPECT_EQ(ZLIsExclusiveCallTable(m_hDB, "VHDLA", exclusive), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_SIMTABLE_KIND);
  CHandleLock lock(m_hDB);
  CZLRecordset& registry = *lock.Record().recordsets[zl::ZLT_SIMTABINFO];
  registry.MoveFirst();
  EXPECT_EQ(registry.GetFieldValue("EXCLUSIVE").boolVal, VARIANT_TRUE);
}

TEST_F(SimTableTest, RemovingForgetsTheLanguage) {
  EXPECT_EQ(ZLRemoveMacroTable(m_hDB, "Spice"), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 1), 1);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 1), 1);
  ASSERT_EQ(ZLRemoveMacroTable(m_hDB, "Spice"), 1);
  int exclusive = 0;
  EXPECT_EQ(ZLIsExclusiveMacroTable(m_hDB, "Spice", exclusive), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_SIMTABLE_KIND);
  EXPECT_TRUE(Languages(ZLGetAvailableMacroSimLanguages).empty());
  EXPECT_EQ(Languages(ZLGetAvailableCallSimLanguages), (std::set<std::string>{"Spice"}));
  EXPECT_EQ(RegistryRows(), 1);
  {
    CHandleLock lock(m_hDB);
    CDaoTableDef def(lock.Record().database);
    EXPECT_THROW(def.Open("MACRO_Spice"), CDaoException);
  }
  // And the kind can be added again.
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 0), 1);
}

TEST_F(SimTableTest, ListingAppendsToWhatTheArrayHolds) {
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "A"), 1);
  CStringArray languages;
  languages.Add("kept");
  ASSERT_EQ(ZLGetAvailableAccessSimLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 2);
  EXPECT_EQ(languages[0], "kept");
  EXPECT_EQ(languages[1], "A");
}

TEST_F(SimTableTest, OnlyPackageTablesStampThePackageDate) {
  COleDateTime before, after;
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, before), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ASSERT_EQ(ZLAddCallTable(m_hDB, "X", 0), 1);
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "X", 0), 1);
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "X"), 1);
  ASSERT_EQ(ZLRemoveCallTable(m_hDB, "X"), 1);
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, after), 1);
  EXPECT_EQ(after, before);
  ASSERT_EQ(ZLAddPackageTable(m_hDB, "X"), 1);
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, after), 1);
  EXPECT_GT(after, before);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const COleDateTime added = after;
  ASSERT_EQ(ZLRemovePackageTable(m_hDB, "X"), 1);
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, after), 1);
  EXPECT_GT(after, added);
}

TEST_F(SimTableTest, TakenNameGetsACounterSuffixAndReopensByRegistry) {
  {
    CHandleLock lock(m_hDB);
    CZLTableDef squatter(lock.Record().database);
    squatter.Create("CALL_Spice");
    squatter.CreateFieldEx("X", dbLong, 4, dbUpdatableField, FALSE);
    squatter.Append();
  }
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 1), 1);
  CloseLibrary();
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(m_hDB, nullptr);
  CHandleLock lock(m_hDB);
  CZLRecordset* calls = zl::FindSimulatorTable(lock.Record(), zl::ZLS_CALL, "Spice");
  ASSERT_NE(calls, nullptr);
  EXPECT_EQ(std::string(calls->GetName()), "CALL_Spice_1");
}

}  // namespace
