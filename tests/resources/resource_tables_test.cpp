// Resource languages: their tables and registry rows, the text rules, the
// counter-suffix rule, export and import of all texts, and refreshing from
// another process.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/dao_errors.h"
#include "engine/dao_tabledef.h"
#include "engine/faults.h"
#include "frame/language_maps.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

using zl::CHandleLock;

ZL_CHILD_ACTION(AddGermanWithText) {
  void* other = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (other == nullptr || ZLAddResourceTable(other, 1031) != 1) return 1;
  {
    CHandleLock lock(other);
    if (zl::SetResourceText(lock.Record(), COleVariant(int32_t{1}), 1031,
                            COleVariant("von nebenan")) != 0) {
      return 2;
    }
  }
  return ZLCloseDatabase(other) == 1 ? 0 : 3;
}

// RESINFO rows as (kind, language, table name), in table order.
struct RegistryRow {
  int kind;
  int language;
  std::string name;
  bool operator==(const RegistryRow& o) const {
    return kind == o.kind && language == o.language && name == o.name;
  }
};

class ResourceTest : public LibraryTest {
 protected:
  std::vector<RegistryRow> Registry() {
    CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_RESINFO];
    std::vector<RegistryRow> rows;
    if (rs.GetRecordCount() == 0) return rows;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
      const COleVariant name = rs.GetFieldValue("TABNAME");
      rows.push_back({rs.GetFieldValue("TABTYPE").bVal, rs.GetFieldValue("LANGID").lVal,
                      V_BSTRT(&name)});
    }
    return rows;
  }
  bool TableExists(const char* name) {
    CHandleLock lock(m_hDB);
    CDaoTableDef def(lock.Record().database);
    try {
      def.Open(name);
      return true;
    } catch (const CDaoException&) {
      return false;
    }
  }
  // Writes a record row with the given state and resource IDs through the
  // engine (the record writers come later) and returns its ID.
  long AddRecord(int32_t state, int32_t title, int32_t info) {
    CHandleLock lock(m_hDB);
    CZLRecordset& main = *lock.Record().recordsets[zl::ZLT_MAIN];
    main.AddNew();
    main.SetFieldValue("STATE", COleVariant(state));
    if (title != 0) main.SetFieldValue("TITLE", COleVariant(title));
    if (info != 0) main.SetFieldValue("INFO", COleVariant(info));
    main.Update();
    main.SetBookmark(main.GetLastModifiedBookmark());
    return main.GetFieldValue("MODEL_ID").lVal;
  }
  void AddSubRow(zl::ZLFixedTable table, long recordID, int32_t title, int32_t info) {
    CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[table];
    rs.AddNew();
    rs.SetFieldValue("MODEL_ID", COleVariant(static_cast<int32_t>(recordID)));
    if (title != 0) rs.SetFieldValue("TITLE", COleVariant(title));
    if (info != 0) rs.SetFieldValue("INFO", COleVariant(info));
    rs.Update();
  }
  int SetText(int32_t resID, WORD language, const char* text) {
    CHandleLock lock(m_hDB);
    return zl::SetResourceText(lock.Record(), COleVariant(resID), language, COleVariant(text));
  }
  int GetText(int32_t resID, WORD language, std::string& text) {
    CHandleLock lock(m_hDB);
    COleVariant value;
    const int code = zl::GetResourceText(lock.Record(), COleVariant(resID), language, value);
    if (code == ZLE_OK) text = V_BSTRT(&value);
    return code;
  }
};

TEST_F(ResourceTest, AddingALanguageCreatesAndRegistersFiveTables) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 0x0409), 1);
  EXPECT_EQ(ZLGetLastError(), 0);
  const std::vector<RegistryRow> expected = {
      {0, 0x409, "STRINGTAB_00000409"}, {3, 0x409, "SYMBOLS_00000409"},
      {1, 0x409, "KEYWORD_00000409"},   {2, 0x409, "KEYWORDID_00000409"},
      {4, 0x409, "UNIT_00000409"}};
  EXPECT_EQ(Registry(), expected);
  for (const RegistryRow& row : expected) EXPECT_TRUE(TableExists(row.name.c_str())) << row.name;

  // A second add changes nothing and says so.
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 0x0409), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_LANGUAGE_EXISTS);
  EXPECT_EQ(Registry().size(), 5u);

  CArray<WORD, WORD> languages;
  languages.Add(7);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1031), 1);
  ASSERT_EQ(ZLGetAvailableResourceLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 3);
  EXPECT_EQ(languages[0], 7);
  EXPECT_EQ(std::set<WORD>({languages[1], languages[2]}), std::set<WORD>({1033, 1031}));
}

TEST_F(ResourceTest, RemovingDropsTablesAndRowsAndMissingGivesTwenty) {
  EXPECT_EQ(ZLRemoveResourceTable(m_hDB, 1033), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1031), 1);
  ASSERT_EQ(ZLRemoveResourceTable(m_hDB, 1033), 1);
  EXPECT_FALSE(TableExists("STRINGTAB_00000409"));
  EXPECT_FALSE(TableExists("KEYWORDID_00000409"));
  for (const RegistryRow& row : Registry()) EXPECT_EQ(row.language, 1031);
  EXPECT_EQ(Registry().size(), 5u);
  std::string text;
  EXPECT_EQ(GetText(1, 1033, text), ZLE_NO_LANGUAGE);
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
  EXPECT_EQ(Registry().front(), (RegistryRow{0, 0x409, "STRINGTAB_00000409_1"}));
  ASSERT_EQ(SetText(5, 0x0409, "suffixed"), 0);
  std::string text;
  ASSERT_EQ(GetText(5, 0x0409, text), 0);
  EXPECT_EQ(text, "suffixed");
  CHandleLock lock(m_hDB);
  CZLTableDef def(lock.Record().database);
  def.Open("STRINGTAB_00000409_1");
  EXPECT_EQ(def.GetRecordCount(), 1);
}

TEST_F(ResourceTest, TextRules) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  std::string text;
  EXPECT_EQ(GetText(42, 1033, text), ZLE_NO_RESOURCE_TEXT);
  EXPECT_EQ(GetText(42, 1040, text), ZLE_NO_LANGUAGE);
  EXPECT_EQ(SetText(42, 1040, "x"), ZLE_NO_LANGUAGE);
  ASSERT_EQ(SetText(42, 1033, "first"), 0);
  ASSERT_EQ(SetText(42, 1033, "second"), 0);
  ASSERT_EQ(GetText(42, 1033, text), 0);
  EXPECT_EQ(text, "second");
  ASSERT_EQ(SetText(43, 1033, ""), 0);
  ASSERT_EQ(GetText(43, 1033, text), 0);
  EXPECT_EQ(text, "");
  {
    // A NULL text reads as missing.
    CHandleLock lock(m_hDB);
    COleVariant null;
    null.SetNull();
    ASSERT_EQ(zl::SetResourceText(lock.Record(), COleVariant(int32_t{44}), 1033, null), 0);
  }
  EXPECT_EQ(GetText(44, 1033, text), ZLE_NO_RESOURCE_TEXT);
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
  const long next = zl::NewResourceID(lock.Record()).lVal;
  EXPECT_GT(next, *seen.rbegin());
}

TEST_F(ResourceTest, ExportCollectsRecordParameterSetAndNodeTexts) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  ASSERT_EQ(SetText(1, 1033, "title"), 0);
  ASSERT_EQ(SetText(2, 1033, "info"), 0);
  ASSERT_EQ(SetText(3, 1033, "set title"), 0);
  ASSERT_EQ(SetText(4, 1033, "pin info"), 0);
  ASSERT_EQ(SetText(5, 1033, "hidden"), 0);
  ASSERT_EQ(SetText(6, 1033, "parameter info"), 0);
  const long visible = AddRecord(0, 1, 2);
  const long hidden800 = AddRecord(0x800, 5, 0);
  const long hidden400 = AddRecord(0x400, 5, 0);
  AddRecord(0, 99, 0);  // a title with no text in this language
  AddSubRow(zl::ZLT_PARAMSET, visible, 3, 0);
  {
    CHandleLock lock(m_hDB);
    for (auto table : {zl::ZLT_NODE_C, zl::ZLT_NODE_NC}) {
      CZLRecordset& nodes = *lock.Record().recordsets[table];
      nodes.AddNew();
      nodes.SetFieldValue("MODEL_ID", COleVariant(static_cast<int32_t>(visible)));
      nodes.SetFieldValue("INFO", COleVariant(int32_t{table == zl::ZLT_NODE_C ? 4 : 6}));
      nodes.Update();
    }
  }
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
  EXPECT_EQ(got, (std::vector<std::string>{"TITLE:title:1:0", "INFO:info:2:0",
                                           "TITLE:set title:3:1", "NODE_ID:pin info:4:1",
                                           "NODE_ID:parameter info:6:1"}));
  ASSERT_EQ(ZLGetDBResourceStrings(m_hDB, 1033, strings, 1, 0), 1);
  EXPECT_EQ(strings.GetSize(), 6);
  ASSERT_EQ(ZLGetDBResourceStrings(m_hDB, 1033, strings, 1, 1), 1);
  EXPECT_EQ(strings.GetSize(), 7);
  (void)hidden800;
  (void)hidden400;

  // Import writes every text under its resource ID, adding missing rows.
  strings[0]->m_strText = "changed";
  strings[1]->m_lResID = 77;
  strings[1]->m_strText = "new row";
  ASSERT_EQ(ZLSetDBResourceStrings(m_hDB, 1033, strings), 1);
  std::string text;
  ASSERT_EQ(GetText(1, 1033, text), 0);
  EXPECT_EQ(text, "changed");
  ASSERT_EQ(GetText(77, 1033, text), 0);
  EXPECT_EQ(text, "new row");
  EXPECT_EQ(ZLSetDBResourceStrings(m_hDB, 1040, strings), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
  EXPECT_EQ(ZLGetDBResourceStrings(m_hDB, 1040, strings, 1, 1), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
  ZLFreeObjectArray(strings);
}

TEST_F(ResourceTest, FailedAddLeavesNoHalfBuiltLanguage) {
  // Fail each write of the add in turn: afterwards the language either
  // exists completely or not at all, and the database still works.
  for (int n = 1;; ++n) {
    long writes = 0;
    {
      zl::engine::CFaultScope faults;
      zl::engine::CFaultInjector::FailNth(zl::engine::FaultKind::kWrite, n);
      const int result = ZLAddResourceTable(m_hDB, 1033);
      writes = zl::engine::CFaultInjector::Count(zl::engine::FaultKind::kWrite);
      if (result == 1) {
        EXPECT_GT(n, writes) << "a failed write was reported as success";
        break;
      }
      EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
    }
    SCOPED_TRACE(n);
    const std::vector<RegistryRow> registry = Registry();
    EXPECT_TRUE(registry.empty()) << registry.size() << " registry rows left";
    EXPECT_FALSE(TableExists("STRINGTAB_00000409"));
    EXPECT_FALSE(TableExists("UNIT_00000409"));
    ASSERT_LT(n, 200);
  }
  EXPECT_EQ(Registry().size(), 5u);
}

TEST_F(ResourceTest, RefreshPicksUpAnotherProcessAndCostsNothingWhenUnchanged) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  std::string text;
  EXPECT_EQ(GetText(1, 1031, text), ZLE_NO_LANGUAGE);
  ASSERT_EQ(zltest::RunChild("AddGermanWithText", {m_path}), 0);
  ASSERT_EQ(GetText(1, 1031, text), 0);
  EXPECT_EQ(text, "von nebenan");

  // Nothing changed since: a refresh costs no more engine work than reading
  // the registry's date once.
  CHandleLock lock(m_hDB);
  zl::ZLHandleRecord& record = lock.Record();
  ASSERT_EQ(zl::RefreshResourceTables(record), 0);
  const DATE stamp = record.resourceRegistryStamp;
  zl::engine::CFaultScope faults;
  record.recordsets[zl::ZLT_RESINFO]->GetDateLastUpdated();
  const long dateCost = zl::engine::CFaultInjector::Count(zl::engine::FaultKind::kAllocation);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(zl::RefreshResourceTables(record), 0);
  const long quietCost =
      zl::engine::CFaultInjector::Count(zl::engine::FaultKind::kAllocation) - dateCost;
  EXPECT_LE(quietCost, 10 * dateCost);
  EXPECT_EQ(record.resourceRegistryStamp, stamp);
}

}  // namespace
