// What opening a database and snapshot mode do with the registered
// language tables: an open finds every registered table, snapshot mode
// skips the refresh until it is switched off.
#include <gtest/gtest.h>

#include <string>

#include "frame/handle_record.h"
#include "frame/language_maps.h"
#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

using zl::CHandleLock;
using OpenTest = LibraryTest;

ZL_CHILD_ACTION(AddMacroTable) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr) return 1;
  const int ok = ZLAddMacroTable(hDB, args.at(1).c_str(), 0);
  ZLCloseDatabase(hDB);
  return ok == 1 ? 0 : 2;
}

TEST_F(OpenTest, SnapshotModeSkipsTheRefreshUntilSwitchedOff) {
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 1), 1);
  ASSERT_EQ(zltest::RunChild("AddMacroTable", {m_path, "Spice"}), 0);
  CStringArray languages;
  ASSERT_EQ(ZLGetAvailableMacroSimLanguages(m_hDB, languages), 1);
  EXPECT_EQ(languages.GetSize(), 0);
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 0), 1);
  ASSERT_EQ(ZLGetAvailableMacroSimLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 1);
  EXPECT_EQ(languages[0], "Spice");
  // Switching it on takes one fresh picture.
  ASSERT_EQ(zltest::RunChild("AddMacroTable", {m_path, "Saber"}), 0);
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 1), 1);
  languages.RemoveAll();
  ASSERT_EQ(ZLGetAvailableMacroSimLanguages(m_hDB, languages), 1);
  EXPECT_EQ(languages.GetSize(), 2);
}

TEST_F(OpenTest, OpenFindsRegisteredLanguageTables) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 1), 1);
  CloseLibrary();
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  {
    CHandleLock lock(hDB);
    const zl::ZLLanguageMaps& maps = *lock.Record().languages;
    for (int kind = 0; kind < zl::ZLR_KIND_COUNT; ++kind) {
      EXPECT_EQ(maps.resource[kind].recordsets.GetCount(), 1) << kind;
    }
    EXPECT_EQ(maps.simulator[zl::ZLS_CALL].recordsets.GetCount(), 1);
    BOOL exclusive = FALSE;
    EXPECT_TRUE(maps.exclusive[zl::ZLS_CALL].Lookup("Spice", exclusive));
    EXPECT_TRUE(exclusive);
  }
  int exclusive = 0;
  ASSERT_EQ(ZLIsExclusiveCallTable(hDB, "Spice", exclusive), 1);
  EXPECT_EQ(exclusive, 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
}

}  // namespace
