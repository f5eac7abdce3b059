// Creating a model-library database: the layout it builds, checked through
// the engine's own field and index information, and the failure paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_recordset.h"
#include "engine/dao_tabledef.h"
#include "engine/faults.h"
#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "schema/layout.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/errors.h"

namespace {

class CreateDatabaseTest : public ::testing::Test {
 protected:
  CScratchDir m_dir;
};

TEST_F(CreateDatabaseTest, NewDatabaseHasTheFullLayout) {
  const std::string path = m_dir.File("lib.zdb");
  void* hDB = ZLCreateDatabase(path.c_str());
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(ZLGetLastError(), 0);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  CDaoDatabase db;
  db.Open(path.c_str(), FALSE, TRUE, zl::kDatabaseConnect);
  EXPECT_EQ(db.GetTableDefCount(), zl::ZLT_FIXED_TABLE_COUNT);
  for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
    const zl::ZLTableLayout& layout = zl::FixedTableLayout(static_cast<zl::ZLFixedTable>(t));
    SCOPED_TRACE(layout.name);
    CDaoTableDef def(&db);
    def.Open(layout.name);
    ASSERT_EQ(def.GetFieldCount(), static_cast<short>(layout.fieldCount));
    for (short f = 0; f < def.GetFieldCount(); ++f) {
      CDaoFieldInfo info;
      def.GetFieldInfo(f, info, AFX_DAO_ALL_INFO);
      EXPECT_STREQ(info.m_strName, layout.fields[f].name);
      EXPECT_EQ(info.m_nType, layout.fields[f].type);
      if (info.m_nType == dbText) {
        EXPECT_EQ(info.m_lSize, layout.fields[f].size);
      }
      const bool counter = (info.m_lAttributes & dbAutoIncrField) != 0;
      EXPECT_EQ(counter, (layout.fields[f].attributes & dbAutoIncrField) != 0);
      const bool text = info.m_nType == dbText || info.m_nType == dbMemo;
      EXPECT_EQ(info.m_bAllowZeroLength != FALSE, text) << info.m_strName;
      EXPECT_FALSE(info.m_bRequired);
    }
    ASSERT_EQ(def.GetIndexCount(), static_cast<short>(layout.indexCount));
    for (short i = 0; i < def.GetIndexCount(); ++i) {
      CDaoIndexInfo info;
      def.GetIndexInfo(i, info, AFX_DAO_ALL_INFO);
      EXPECT_STREQ(info.m_strName, layout.indexes[i].name);
      EXPECT_EQ(info.m_bUnique != FALSE, layout.indexes[i].unique);
      ASSERT_EQ(info.m_nFields, layout.indexes[i].FieldCount());
      for (int k = 0; k < info.m_nFields; ++k) {
        EXPECT_STREQ(info.m_pFieldInfos[k].m_strName, layout.indexes[i].fields[k]);
      }
    }
    CDaoRecordset rs(&db);
    rs.Open(&def);
    EXPECT_EQ(rs.GetRecordCount(), t == zl::ZLT_DBINFO ? 1 : 0);
  }
}

TEST_F(CreateDatabaseTest, DbInfoRowHoldsOnlyTheVersion) {
  const std::string path = m_dir.File("lib.zdb");
  void* hDB = ZLCreateDatabase(path.c_str());
  ASSERT_NE(hDB, nullptr);
  ZLDBVersion version{};
  ZLDBStructVersion structure{};
  ASSERT_EQ(ZLGetDatabaseVersion(hDB, version, structure), 1);
  EXPECT_EQ(version, 22);
  EXPECT_EQ(structure, 5);
  CString name;
  ASSERT_EQ(ZLGetDBName(hDB, name), 1);
  EXPECT_EQ(std::string(name), std::filesystem::absolute(path).string());
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  CDaoDatabase db;
  db.Open(path.c_str(), FALSE, TRUE, zl::kDatabaseConnect);
  CDaoTableDef def(&db);
  def.Open("DBINFO");
  CDaoRecordset rs(&db);
  rs.Open(&def);
  rs.MoveFirst();
  COleVariant version_value = rs.GetFieldValue("VERSION");
  EXPECT_EQ(version_value.vt, VT_I4);
  EXPECT_EQ(version_value.lVal, 327702);
  for (const char* field : {"LASTLAYOUTCHANGE", "LASTVHDLPACKAGECHANGE", "STATE", "USER_VERSION",
                            "INFO", "LOGIN"}) {
    EXPECT_EQ(rs.GetFieldValue(field).vt, VT_NULL) << field;
  }
}

TEST_F(CreateDatabaseTest, LayoutRulesHoldInTheNewFile) {
  const std::string path = m_dir.File("lib.zdb");
  void* hDB = ZLCreateDatabase(path.c_str());
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  CDaoDatabase db;
  db.Open(path.c_str(), FALSE, FALSE, zl::kDatabaseConnect);
  CDaoTableDef mainDef(&db);
  mainDef.Open("MAIN");
  CDaoRecordset main(&db);
  main.Open(&mainDef);
  // Two records may share a definition name and state; the counter numbers them.
  for (int i = 0; i < 2; ++i) {
    main.AddNew();
    main.SetFieldValue("DEFNAME", COleVariant("R1"));
    main.SetFieldValue("STATE", COleVariant(int32_t{3}));
    main.SetFieldValue("UDTNAME", COleVariant(""));
    main.Update();
  }
  EXPECT_EQ(main.GetRecordCount(), 2);
  main.AddNew();
  main.SetFieldValue("UDTNAME", COleVariant(std::string(21, 'u').c_str()));
  try {
    main.Update();
    ADD_FAILURE() << "a 21-character UDTNAME was accepted";
  } catch (const CDaoException& e) {
    EXPECT_EQ(e.m_scode, DaoScode(kDaoFieldTooSmall));
  }
  main.CancelUpdate();

  CDaoTableDef packageDef(&db);
  packageDef.Open("PACKAGE");
  CDaoRecordset package(&db);
  package.Open(&packageDef);
  package.AddNew();
  package.SetFieldValue("PACKAGE_NAME", COleVariant("ieee"));
  package.Update();
  package.AddNew();
  package.SetFieldValue("PACKAGE_NAME", COleVariant("IEEE"));
  try {
    package.Update();
    ADD_FAILURE() << "a package name differing only in case was accepted";
  } catch (const CDaoException& e) {
    EXPECT_EQ(e.m_scode, DaoScode(kDaoDuplicateKey));
  }
}

TEST_F(CreateDatabaseTest, ExistingFileIsRefusedAndLeftUntouched) {
  const std::string path = m_dir.Write("taken.zdb", "not a database, but mine");
  EXPECT_EQ(ZLCreateDatabase(path.c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
  EXPECT_EQ(CScratchDir::Read(path), "not a database, but mine");
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST_F(CreateDatabaseTest, MissingFolderGivesCreateFailure) {
  EXPECT_EQ(ZLCreateDatabase(m_dir.File("no/such/folder/lib.zdb").c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_CREATE_FAILED);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST_F(CreateDatabaseTest, FailureWhileBuildingTablesLeavesNoFileAndNoHandle) {
  const std::string path = m_dir.File("half.zdb");
  {
    zl::engine::CFaultScope faults;
    // Fail a write well inside the table-building stage.
    zl::engine::CFaultInjector::FailNth(zl::engine::FaultKind::kWrite, 25);
    EXPECT_EQ(ZLCreateDatabase(path.c_str()), nullptr);
    EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
  // The name is free again for a creation that succeeds.
  void* hDB = ZLCreateDatabase(path.c_str());
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
}

TEST_F(CreateDatabaseTest, MemoryExhaustionWhileBuildingGivesSix) {
  const std::string path = m_dir.File("oom.zdb");
  {
    zl::engine::CFaultScope faults;
    zl::engine::CFaultInjector::FailNth(zl::engine::FaultKind::kAllocation, 40);
    EXPECT_EQ(ZLCreateDatabase(path.c_str()), nullptr);
    EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
  }
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST(ReservedNameTest, FixedNamesAndPatternPiecesAreRefused) {
  EXPECT_EQ(zl::IsTableNameAllowed("MAIN"), 0);
  EXPECT_EQ(zl::IsTableNameAllowed("UDT_ID"), 0);
  EXPECT_EQ(zl::IsTableNameAllowed("CALL_"), 0);
  EXPECT_EQ(zl::IsTableNameAllowed("UNIT"), 0);
  EXPECT_EQ(zl::IsTableNameAllowed("%08x"), 0);
  EXPECT_EQ(zl::IsTableNameAllowed(""), 0);
  EXPECT_EQ(zl::IsTableNameAllowed(nullptr), 0);
  EXPECT_EQ(zl::IsTableNameAllowed("main"), 1);
  EXPECT_EQ(zl::IsTableNameAllowed("MY_PROFILE"), 1);
  EXPECT_EQ(zl::IsTableNameAllowed("CALL_VHDLA"), 1);
}

}  // namespace
