// The schema layer on its own: the fixed tables built on a bare engine
// database (no handle) from their layouts, then opened again.
#include "schema/fixed_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/close_quietly.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "platform/scratch_dir.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace {

// One definition and recordset slot per fixed table, closed and deleted on
// every way out.
struct CTableSlots {
  CZLTableDef* tableDefs[zl::ZLT_FIXED_TABLE_COUNT] = {};
  CZLRecordset* recordsets[zl::ZLT_FIXED_TABLE_COUNT] = {};
  ~CTableSlots() { Release(); }
  void Release() {
    for (auto*& recordset : recordsets) zl::CloseAndDelete(recordset);
    for (auto*& tableDef : tableDefs) zl::CloseAndDelete(tableDef);
  }
};

// Every table has its layout's fields and indexes and its recordset sits on
// the layout's current index.
void ExpectLayouts(CTableSlots& slots) {
  for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
    const zl::ZLTableLayout& layout = zl::FixedTableLayout(static_cast<zl::ZLFixedTable>(t));
    ASSERT_NE(slots.tableDefs[t], nullptr) << layout.name;
    ASSERT_NE(slots.recordsets[t], nullptr) << layout.name;
    EXPECT_EQ(static_cast<size_t>(slots.tableDefs[t]->GetFieldCount()), layout.fieldCount)
        << layout.name;
    EXPECT_EQ(static_cast<size_t>(slots.tableDefs[t]->GetIndexCount()), layout.indexCount)
        << layout.name;
    const std::string expected = layout.currentIndex == nullptr ? "" : layout.currentIndex;
    EXPECT_EQ(std::string(slots.recordsets[t]->GetCurrentIndex()), expected) << layout.name;
  }
}

TEST(FixedTablesTest, BuiltOnABareDatabaseAndOpenedAgain) {
  CScratchDir dir;
  const std::string path = dir.File("tables.zdb");
  CDaoDatabase database;
  database.Create(path.c_str());
  {
    CTableSlots built;
    for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
      const auto table = static_cast<zl::ZLFixedTable>(t);
      zl::BuildFixedTable(database, table, built.tableDefs[t], built.recordsets[t]);
    }
    ExpectLayouts(built);
  }
  CTableSlots opened;
  for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
    const auto table = static_cast<zl::ZLFixedTable>(t);
    zl::OpenFixedTable(database, table, opened.tableDefs[t], opened.recordsets[t]);
  }
  ExpectLayouts(opened);
  // A second build of a table that exists fails and still hands over what it
  // allocated, for the caller to release.
  CTableSlots again;
  EXPECT_THROW(zl::BuildFixedTable(database, zl::ZLT_MAIN, again.tableDefs[zl::ZLT_MAIN],
                                   again.recordsets[zl::ZLT_MAIN]),
               CDaoException);
  EXPECT_NE(again.tableDefs[zl::ZLT_MAIN], nullptr);
  opened.Release();
  database.Close();
}

}  // namespace
