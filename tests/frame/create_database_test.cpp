// Creating a model-library database: the layout it builds, checked through
// the engine's own field and index information, and the failure paths.
#include <gtest/gtest.h>

#include <filesystem>
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

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

class CreateDatabaseTest : public ::testing::Test {
 protected:
  // Creates lib.zdb, checks what the handle reports and closes it again.
  void CreateAndClose() {
    void* hDB = ZLCreateDatabase(m_path.c_str());
    ASSERT_NE(hDB, nullptr);
    EXPECT_EQ(ZLGetLastError(), 0);
    ZLDBVersion version{};
    ZLDBStructVersion structure{};
    ASSERT_EQ(ZLGetDatabaseVersion(hDB, version, structure), 1);
    EXPECT_EQ(version, 22);
    EXPECT_EQ(structure, 5);
    // The library's own versions are those it creates, packed structure
    // over database version.
    EXPECT_TRUE(GetZLDBCtrlDBVersion() == version && GetZLDBCtrlStructVersion() == structure);
    EXPECT_EQ(GetZLDBCtrlVersion(), (5 << 16) + 22);
    CString name;
    ASSERT_EQ(ZLGetDBName(hDB, name), 1);
    EXPECT_EQ(std::string(name), std::filesystem::absolute(m_path).string());
    ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  }
  // Update() of the recordset's pending row must fail: its code.
  static SCODE UpdateFailure(CDaoRecordset& rs) {
    try {
      rs.Update();
    } catch (const CDaoException& e) {
      rs.CancelUpdate();
      return e.m_scode;
    }
    return 0;
  }

  CScratchDir m_dir;
  const std::string m_path = m_dir.File("lib.zdb");
};

TEST_F(CreateDatabaseTest, NewDatabaseHasTheFullLayoutAndOnlyTheVersionRow) {
  CreateAndClose();
  CDaoDatabase db;
  db.Open(m_path.c_str(), FALSE, TRUE, zl::kDatabaseConnect);
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
    if (t != zl::ZLT_DBINFO) continue;
    rs.MoveFirst();
    const COleVariant version = rs.GetFieldValue("VERSION");
    EXPECT_EQ(version.vt, VT_I4);
    EXPECT_EQ(version.lVal, 327702);
    for (const char* field :
         {"LASTLAYOUTCHANGE", "LASTVHDLPACKAGECHANGE", "STATE", "USER_VERSION", "INFO", "LOGIN"}) {
      EXPECT_EQ(rs.GetFieldValue(field).vt, VT_NULL) << field;
    }
  }
}

TEST_F(CreateDatabaseTest, LayoutRulesHoldInTheNewFile) {
  CreateAndClose();
  CDaoDatabase db;
  db.Open(m_path.c_str(), FALSE, FALSE, zl::kDatabaseConnect);
  CDaoTableDef mainDef(&db), packageDef(&db);
  mainDef.Open("MAIN");
  packageDef.Open("PACKAGE");
  CDaoRecordset main(&db), package(&db);
  main.Open(&mainDef);
  package.Open(&packageDef);
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
  EXPECT_EQ(UpdateFailure(main), DaoScode(kDaoFieldTooSmall));
  // Package names are unique without regard to case.
  package.AddNew();
  package.SetFieldValue("PACKAGE_NAME", COleVariant("ieee"));
  package.Update();
  package.AddNew();
  package.SetFieldValue("PACKAGE_NAME", COleVariant("IEEE"));
  EXPECT_EQ(UpdateFailure(package), DaoScode(kDaoDuplicateKey));
}

TEST_F(CreateDatabaseTest, ExistingFilesAreRefusedAndLeftUntouched) {
  const std::string taken = m_dir.Write("taken.zdb", "not a database, but mine");
  EXPECT_EQ(ZLCreateDatabase(taken.c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
  EXPECT_EQ(CScratchDir::Read(taken), "not a database, but mine");
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);

  // A model library, open while the second creation is tried.
  void* hDB = ZLCreateDatabase(m_path.c_str());
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLSetDatabaseInfo(hDB, "original"), 1);
  EXPECT_EQ(ZLCreateDatabase(m_path.c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
  EXPECT_EQ(zl::OpenHandleListHead(), hDB);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  CString info;
  ASSERT_EQ(ZLGetDatabaseInfo(hDB, info), 1);
  EXPECT_EQ(info, "original");
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
}

TEST_F(CreateDatabaseTest, FailuresLeaveNoFileAndNoHandle) {
  EXPECT_EQ(ZLCreateDatabase(m_dir.File("no/such/folder/lib.zdb").c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_CREATE_FAILED);
  // A write well inside the table-building stage fails, then an allocation.
  const struct {
    FaultKind kind;
    long nth;
    int code;
  } faults[] = {{FaultKind::kWrite, 25, ZLE_IN_USE_OR_EXISTS},
                {FaultKind::kAllocation, 40, ZLE_OUT_OF_MEMORY}};
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.code);
    {
      CFaultScope scope;
      CFaultInjector::FailNth(fault.kind, fault.nth);
      EXPECT_EQ(ZLCreateDatabase(m_path.c_str()), nullptr);
      EXPECT_EQ(ZLGetLastError(), fault.code);
    }
    EXPECT_FALSE(std::filesystem::exists(m_path));
    EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
  }
  CreateAndClose();  // the name is free again
}

TEST(ReservedNameTest, FixedNamesAndPatternPiecesAreRefused) {
  for (const char* name :
       {"MAIN", "UDT_ID", "CALL_", "UNIT", "%08x", "", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(zl::IsTableNameAllowed(name), 0) << (name ? name : "null");
  }
  for (const char* name : {"main", "MY_PROFILE", "CALL_VHDLA"}) {
    EXPECT_EQ(zl::IsTableNameAllowed(name), 1) << name;
  }
}

}  // namespace
