// Simulator-language tables: adding, removing, the exclusive flags, listing,
// and the package change stamp.
#include "simlang/simtable_registry.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/dao_errors.h"
#include "engine/dao_tabledef.h"
#include "frame/dbinfo.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
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
  // The registry's rows as "SIM_ID/TABNAME/TABTYPE/EXCLUSIVE", in table order.
  std::vector<std::string> Registry() {
    CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_SIMTABINFO];
    std::vector<std::string> rows;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
      const COleVariant simID = rs.GetFieldValue("SIM_ID"), name = rs.GetFieldValue("TABNAME");
      const COleVariant flag = rs.GetFieldValue("EXCLUSIVE");
      const char* exclusive = flag.vt != VT_BOOL ? "?" : flag.boolVal ? "yes" : "no";
      rows.push_back(std::string(V_BSTRT(&simID)) + "/" + V_BSTRT(&name) + "/" +
                     std::to_string(rs.GetFieldValue("TABTYPE").bVal) + "/" + exclusive);
    }
    return rows;
  }
  // Sets the package stamp to an old date, so that a renewal shows; that date.
  COleDateTime AgePackageDate() {
    const COleVariant old(COleDateTime(2001, 2, 3, 4, 5, 6));
    CHandleLock lock(m_hDB);
    zl::WriteDbInfoField(lock.Record(), "LASTVHDLPACKAGECHANGE", &old);
    return COleDateTime(old);
  }
  COleDateTime PackageDate() {
    COleDateTime date;
    EXPECT_EQ(ZLGetPackageLastChangeDate(m_hDB, date), 1);
    return date;
  }
};

TEST_F(SimTableTest, EachKindIsCreatedAndRegisteredOncePerCaseSensitiveLanguage) {
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 1), 1);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 0), 1);
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "Spice"), 1);
  ASSERT_EQ(ZLAddPackageTable(m_hDB, "Spice"), 1);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "spice", 1), 1);  // table names ignore case: suffixed
  EXPECT_EQ(Registry(),
            (std::vector<std::string>{"Spice/MACRO_Spice/1/yes", "Spice/CALL_Spice/0/no",
                                      "Spice/ACCESS_Spice/2/yes", "Spice/PACKAGE_Spice/3/yes",
                                      "spice/CALL_spice_1/0/yes"}));
  {
    CHandleLock lock(m_hDB);
    CDaoTableDef def(lock.Record().database);
    def.Open("MACRO_Spice");
    EXPECT_EQ(def.GetFieldCount(), 11);
    EXPECT_EQ(def.GetIndexCount(), 2);
  }
  EXPECT_EQ(FailCode(ZLAddCallTable(m_hDB, "Spice", 1)), ZLE_SIMTABLE_EXISTS);
  EXPECT_EQ(FailCode(ZLAddPackageTable(m_hDB, "Spice")), ZLE_SIMTABLE_EXISTS);
  EXPECT_EQ(Registry().size(), 5u);

  int exclusive = 7;
  ASSERT_EQ(ZLIsExclusiveCallTable(m_hDB, "Spice", exclusive), 1);
  EXPECT_EQ(exclusive, 0);
  ASSERT_EQ(ZLIsExclusiveCallTable(m_hDB, "spice", exclusive), 1);
  EXPECT_EQ(exclusive, 1);
  exclusive = 0;
  ASSERT_EQ(ZLIsExclusiveMacroTable(m_hDB, "Spice", exclusive), 1);
  EXPECT_EQ(exclusive, 1);
  // Access and package tables have no flag to ask for.
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "VHDLA"), 1);
  EXPECT_EQ(FailCode(ZLIsExclusiveCallTable(m_hDB, "VHDLA", exclusive)), ZLE_NO_SIMTABLE_KIND);

  EXPECT_EQ(Languages(ZLGetAvailableCallSimLanguages), (std::set<std::string>{"Spice", "spice"}));
  CStringArray languages;  // listing appends to what the array holds
  languages.Add("kept");
  ASSERT_EQ(ZLGetAvailableAccessSimLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 3);
  EXPECT_EQ(languages[0], "kept");
}

// A table needs a language name: an empty or null one is refused for every
// kind and nothing is created or registered.
TEST_F(SimTableTest, AnEmptyLanguageNameIsRefused) {
  for (const char* name : {"", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(FailCode(ZLAddCallTable(m_hDB, name, 0)), ZLE_IN_USE_OR_EXISTS);
    EXPECT_EQ(FailCode(ZLAddMacroTable(m_hDB, name, 1)), ZLE_IN_USE_OR_EXISTS);
    EXPECT_EQ(FailCode(ZLAddAccessTable(m_hDB, name)), ZLE_IN_USE_OR_EXISTS);
    EXPECT_EQ(FailCode(ZLAddPackageTable(m_hDB, name)), ZLE_IN_USE_OR_EXISTS);
  }
  for (auto list : {ZLGetAvailableCallSimLanguages, ZLGetAvailableMacroSimLanguages,
                    ZLGetAvailableAccessSimLanguages, ZLGetAvailablePackageSimLanguages}) {
    EXPECT_TRUE(Languages(list).empty());
  }
  CHandleLock lock(m_hDB);
  EXPECT_THROW(CDaoTableDef(lock.Record().database).Open("CALL_"), CDaoException);
}

TEST_F(SimTableTest, RemovingForgetsTheLanguageAndMissingGivesTwenty) {
  EXPECT_EQ(FailCode(ZLRemoveMacroTable(m_hDB, "Spice")), ZLE_NO_LANGUAGE);
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 1), 1);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 1), 1);
  ASSERT_EQ(ZLRemoveMacroTable(m_hDB, "Spice"), 1);
  int exclusive = 0;
  EXPECT_EQ(FailCode(ZLIsExclusiveMacroTable(m_hDB, "Spice", exclusive)), ZLE_NO_SIMTABLE_KIND);
  EXPECT_TRUE(Languages(ZLGetAvailableMacroSimLanguages).empty());
  EXPECT_EQ(Languages(ZLGetAvailableCallSimLanguages), (std::set<std::string>{"Spice"}));
  EXPECT_EQ(Registry(), (std::vector<std::string>{"Spice/CALL_Spice/0/yes"}));
  {
    CHandleLock lock(m_hDB);
    EXPECT_THROW(CDaoTableDef(lock.Record().database).Open("MACRO_Spice"), CDaoException);
  }
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 0), 1);  // and the kind can come back
}

TEST_F(SimTableTest, OnlyPackageTablesStampThePackageDate) {
  const COleDateTime old = AgePackageDate();
  ASSERT_EQ(ZLAddCallTable(m_hDB, "X", 0), 1);
  ASSERT_EQ(ZLAddMacroTable(m_hDB, "X", 0), 1);
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "X"), 1);
  ASSERT_EQ(ZLRemoveCallTable(m_hDB, "X"), 1);
  EXPECT_EQ(PackageDate(), old);
  ASSERT_EQ(ZLAddPackageTable(m_hDB, "X"), 1);
  EXPECT_GT(PackageDate(), old);
  AgePackageDate();
  ASSERT_EQ(ZLRemovePackageTable(m_hDB, "X"), 1);
  EXPECT_GT(PackageDate(), old);
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
