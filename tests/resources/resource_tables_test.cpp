// Resource languages: their tables and registry rows, the text rules, the
// counter-suffix rule, export and import of all texts, and refreshing from
// another process.
#include "resources/resource_tables.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/dao_errors.h"
#include "engine/dao_tabledef.h"
#include "engine/faults.h"
#include "frame/language_maps.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

using zl::CHandleLock;
using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

ZL_CHILD_ACTION(AddGermanWithText) {
  void* other = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (other == nullptr || ZLAddResourceTable(other, 1031) != 1) return 1;
  int stored = 0;
  {
    CHandleLock lock(other);
    stored = zl::SetResourceText(lock.Record(), COleVariant(int32_t{1}), 1031,
                                 COleVariant("von nebenan"));
  }
  return ZLCloseDatabase(other) == 1 && stored == 0 ? 0 : 2;
}

class ResourceTest : public LibraryTest {
 protected:
  // RESINFO rows as "kind/language/table name", in table order.
  std::vector<std::string> Registry() {
    CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_RESINFO];
    std::vector<std::string> rows;
    if (rs.GetRecordCount() == 0) return rows;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
      const COleVariant name = rs.GetFieldValue("TABNAME");
      rows.push_back(std::to_string(rs.GetFieldValue("TABTYPE").bVal) + "/" +
                     std::to_string(rs.GetFieldValue("LANGID").lVal) + "/" + V_BSTRT(&name));
    }
    return rows;
  }
  // The table's row count, or -1 when there is no such table.
  long TableRows(const char* name) {
    CHandleLock lock(m_hDB);
    CDaoTableDef def(lock.Record().database);
    try {
      def.Open(name);
      return def.GetRecordCount();
    } catch (const CDaoException&) {
      return -1;
    }
  }
  // Adds a row with the given fields; the row's ID in idField.
  long AddRow(zl::ZLFixedTable table, const char* idField,
              std::initializer_list<std::pair<const char*, int32_t>> fields) {
    CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[table];
    rs.AddNew();
    for (const auto& [field, value] : fields) rs.SetFieldValue(field, COleVariant(value));
    rs.Update();
    rs.SetBookmark(rs.GetLastModifiedBookmark());
    return rs.GetFieldValue(idField).lVal;
  }
  int SetText(int32_t resID, WORD language, const COleVariant& text) {
    CHandleLock lock(m_hDB);
    return zl::SetResourceText(lock.Record(), COleVariant(resID), language, text);
  }
  // The stored text, or "#" and the failure code.
  std::string Text(int32_t resID, WORD language) {
    CHandleLock lock(m_hDB);
    COleVariant value;
    const int code = zl::GetResourceText(lock.Record(), COleVariant(resID), language, value);
    return code == ZLE_OK ? V_BSTRT(&value) : "#" + std::to_string(code);
  }
};

TEST_F(ResourceTest, AddingALanguageCreatesAndRegistersFiveTablesOnce) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 0x0409), 1);
  EXPECT_EQ(ZLGetLastError(), 0);
  const std::vector<std::string> expected = {"0/1033/STRINGTAB_00000409", "3/1033/SYMBOLS_00000409",
                                             "1/1033/KEYWORD_00000409", "2/1033/KEYWORDID_00000409",
                                             "4/1033/UNIT_00000409"};
  EXPECT_EQ(Registry(), expected);
  for (const std::string& row : expected) EXPECT_EQ(TableRows(row.substr(7).c_str()), 0) << row;
  // A second add changes nothing and says so.
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 0x0409), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_LANGUAGE_EXISTS);
  EXPECT_EQ(Registry(), expected);

  CArray<WORD, WORD> languages;  // listing appends
  languages.Add(7);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1031), 1);
  ASSERT_EQ(ZLGetAvailableResourceLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 3);
  EXPECT_EQ(languages[0], 7);
  EXPECT_EQ(std::set<WORD>({languages[1], languages[2]}), std::set<WORD>({1033, 1031}));
}

TEST_F(ResourceTest, RemovingDropsTablesAndRowsAndMissingGivesTwenty) {
  EXPECT_EQ(FailCode(ZLRemoveResourceTable(m_hDB, 1033)), ZLE_NO_LANGUAGE);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1031), 1);
  ASSERT_EQ(ZLRemoveResourceTable(m_hDB, 1033), 1);
  EXPECT_EQ(TableRows("STRINGTAB_00000409"), -1);
  EXPECT_EQ(TableRows("KEYWORDID_00000409"), -1);
  const std::vector<std::string> registry = Registry();
  EXPECT_EQ(registry.size(), 5u);
  for (const std::string& row : registry) EXPECT_EQ(row.substr(1, 6), "/1031/") << row;
  EXPECT_EQ(Text(1, 1033), "#20");
  // The language can come back.
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  EXPECT_EQ(ZLGetLastError(), 0);
  EXPECT_EQ(Registry().size(), 10u);
}

TEST_F(ResourceTest, TakenTableNameGetsACounterSuffix) {
  {
    CHandleLock lock(m_hDB);
    CZLTableDef squatter(lock.Record().database);
    squatter.Create("STRINGTAB_00000409");
    squatter.CreateFieldEx("X", dbLong, 4, dbUpdatableField, FALSE);
    squatter.Append();
  }
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 0x0409), 1);
  EXPECT_EQ(Registry().front(), "0/1033/STRINGTAB_00000409_1");
  ASSERT_EQ(SetText(5, 0x0409, COleVariant("suffixed")), 0);
  EXPECT_EQ(Text(5, 0x0409), "suffixed");
  EXPECT_EQ(TableRows("STRINGTAB_00000409_1"), 1);
  EXPECT_EQ(TableRows("STRINGTAB_00000409"), 0);
}

TEST_F(ResourceTest, TextRules) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  EXPECT_EQ(Text(42, 1033), "#27");
  EXPECT_EQ(Text(42, 1040), "#20");
  EXPECT_EQ(SetText(42, 1040, COleVariant("x")), ZLE_NO_LANGUAGE);
  ASSERT_EQ(SetText(42, 1033, COleVariant("first")), 0);
  ASSERT_EQ(SetText(42, 1033, COleVariant("second")), 0);
  EXPECT_EQ(Text(42, 1033), "second");
  ASSERT_EQ(SetText(43, 1033, COleVariant("")), 0);
  EXPECT_EQ(Text(43, 1033), "");
  COleVariant null;  // a NULL text reads as missing
  null.SetNull();
  ASSERT_EQ(SetText(44, 1033, null), 0);
  EXPECT_EQ(Text(44, 1033), "#27");
}

TEST_F(ResourceTest, NewResourceIDsAreNeverReused) {
  std::set<long> seen;
  {
    CHandleLock lock(m_hDB);
    for (int i = 0; i < 5; ++i) seen.insert(zl::NewResourceID(lock.Record()).lVal);
    CZLRecordset& counter = *lock.Record().recordsets[zl::ZLT_RESID];
    for (counter.MoveFirst(); !counter.IsEOF(); counter.MoveNext()) counter.Delete();
  }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen.count(0), 0u);
  CloseLibrary();
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(m_hDB, nullptr);
  CHandleLock lock(m_hDB);
  EXPECT_GT(zl::NewResourceID(lock.Record()).lVal, *seen.rbegin());
}

TEST_F(ResourceTest, ExportCollectsRecordParameterSetAndNodeTextsAndImportWritesThem) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  const char* texts[] = {"title", "info", "set title", "pin info", "hidden", "parameter info"};
  for (int32_t id = 1; id <= 6; ++id) ASSERT_EQ(SetText(id, 1033, COleVariant(texts[id - 1])), 0);
  const long visible = AddRow(zl::ZLT_MAIN, "MODEL_ID", {{"STATE", 0}, {"TITLE", 1}, {"INFO", 2}});
  AddRow(zl::ZLT_MAIN, "MODEL_ID", {{"STATE", 0x800}, {"TITLE", 5}});  // hidden records
  AddRow(zl::ZLT_MAIN, "MODEL_ID", {{"STATE", 0x400}, {"TITLE", 5}});
  AddRow(zl::ZLT_MAIN, "MODEL_ID", {{"STATE", 0}, {"TITLE", 99}});  // no text in this language
  const int32_t owner = static_cast<int32_t>(visible);
  AddRow(zl::ZLT_PARAMSET, "PARAM_ID", {{"MODEL_ID", owner}, {"TITLE", 3}});
  AddRow(zl::ZLT_NODE_C, "MODEL_ID", {{"MODEL_ID", owner}, {"INFO", 4}});
  AddRow(zl::ZLT_NODE_NC, "MODEL_ID", {{"MODEL_ID", owner}, {"INFO", 6}});

  CTypedPtrArray<CObArray, CZLResourceStringObject*> strings;
  strings.Add(new CZLResourceStringObject);  // emptied and deleted by the call
  ASSERT_EQ(ZLGetDBResourceStrings(m_hDB, 1033, strings, 0, 0), 1);
  std::vector<std::string> got;
  for (int i = 0; i < strings.GetSize(); ++i) {
    const CZLResourceStringObject* s = strings[i];
    EXPECT_EQ(s->m_lRecordID, visible);
    EXPECT_EQ(s->m_wLanguage, 1033);
    got.push_back(std::string(s->m_strColumnName) + ":" + std::string(s->m_strText) + ":" +
                  std::to_string(s->m_lResID) + ":" + std::to_string(s->m_lSubID != 0));
  }
  EXPECT_EQ(got,
            (std::vector<std::string>{"TITLE:title:1:0", "INFO:info:2:0", "TITLE:set title:3:1",
                                      "NODE_ID:pin info:4:1", "NODE_ID:parameter info:6:1"}));
  ASSERT_EQ(ZLGetDBResourceStrings(m_hDB, 1033, strings, 1, 0), 1);
  EXPECT_EQ(strings.GetSize(), 6);
  ASSERT_EQ(ZLGetDBResourceStrings(m_hDB, 1033, strings, 1, 1), 1);
  EXPECT_EQ(strings.GetSize(), 7);

  // Import writes every text under its resource ID, adding missing rows.
  strings[0]->m_strText = "changed";
  strings[1]->m_lResID = 77;
  strings[1]->m_strText = "new row";
  ASSERT_EQ(ZLSetDBResourceStrings(m_hDB, 1033, strings), 1);
  EXPECT_EQ(Text(1, 1033), "changed");
  EXPECT_EQ(Text(77, 1033), "new row");
  EXPECT_EQ(FailCode(ZLSetDBResourceStrings(m_hDB, 1040, strings)), ZLE_NO_LANGUAGE);
  EXPECT_EQ(FailCode(ZLGetDBResourceStrings(m_hDB, 1040, strings, 1, 1)), ZLE_NO_LANGUAGE);
  ZLFreeObjectArray(strings);
}

// Each write of the add fails in turn: afterwards the language exists
// completely or not at all, and the database still works.
TEST_F(ResourceTest, FailedAddLeavesNoHalfBuiltLanguage) {
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    {
      CFaultScope faults;
      CFaultInjector::FailNth(FaultKind::kWrite, n);
      const int result = ZLAddResourceTable(m_hDB, 1033);
      if (result == 1) {
        EXPECT_GT(n, CFaultInjector::Count(FaultKind::kWrite)) << "a failed write reported success";
        break;
      }
      EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
    }
    EXPECT_EQ(Registry().size(), 0u);
    EXPECT_EQ(TableRows("STRINGTAB_00000409"), -1);
    EXPECT_EQ(TableRows("UNIT_00000409"), -1);
    ASSERT_LT(n, 200);
  }
  EXPECT_EQ(Registry().size(), 5u);
}

TEST_F(ResourceTest, RefreshPicksUpAnotherProcessAndCostsNothingWhenUnchanged) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  EXPECT_EQ(Text(1, 1031), "#20");
  ASSERT_EQ(zltest::RunChild("AddGermanWithText", {m_path}), 0);
  EXPECT_EQ(Text(1, 1031), "von nebenan");

  // Nothing changed since: a refresh walks no registry (a table taken out
  // of the handle's maps stays out) and costs no more engine work than
  // reading the registry's date.
  CHandleLock lock(m_hDB);
  zl::ZLHandleRecord& record = lock.Record();
  ASSERT_EQ(zl::RefreshResourceTables(record), 0);
  const DATE stamp = record.resourceRegistryStamp;
  zl::ZLOpenTables<WORD, WORD>& units = record.languages->resource[zl::ZLR_UNIT];
  CZLRecordset* german = units.FindRecordset(1031);
  CZLTableDef* germanDef = nullptr;
  ASSERT_TRUE(german != nullptr && units.tableDefs.Lookup(1031, germanDef));
  units.recordsets.RemoveKey(1031);
  units.tableDefs.RemoveKey(1031);
  {
    CFaultScope faults;
    record.recordsets[zl::ZLT_RESINFO]->GetDateLastUpdated();
    const long dateCost = CFaultInjector::Count(FaultKind::kAllocation);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(zl::RefreshResourceTables(record), 0);
    EXPECT_LE(CFaultInjector::Count(FaultKind::kAllocation) - dateCost, 10 * dateCost);
  }
  EXPECT_EQ(units.FindRecordset(1031), nullptr);
  EXPECT_EQ(record.resourceRegistryStamp, stamp);
  units.recordsets[1031] = german;  // back to the maps, which own them
  units.tableDefs[1031] = germanDef;
}

}  // namespace
