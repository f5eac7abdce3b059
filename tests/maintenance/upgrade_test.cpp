// The upgrade of every older layout: each version 0 ... 21, written as that
// version wrote it, comes out with the layout of a new database and its
// data migrated as each step says; the preconditions and the compaction's
// new handle.
#include <gtest/gtest.h>

#include <string>

#include "maintenance/old_layouts.h"
#include "platform/scratch_dir.h"
#include "support/file_contents.h"
#include "zldbctrl70.h"

namespace {

using zltest::Column;

// A new database with the per-language tables the old ones are given.
std::string ReferenceLayout(const CScratchDir& dir, bool withPackages) {
  const std::string path = dir.File(withPackages ? "ref-packages.zdb" : "ref.zdb");
  void* hDB = ZLCreateDatabase(path.c_str());
  EXPECT_TRUE(ZLAddResourceTable(hDB, 0x409) && ZLAddCallTable(hDB, "Spice", 0) &&
              ZLAddMacroTable(hDB, "Spice", 0) && ZLAddAccessTable(hDB, "Spice") &&
              (!withPackages || ZLAddPackageTable(hDB, "VHDLA")));
  ZLCloseDatabase(hDB);
  return zltest::DescribeLayout(path);
}

class UpgradeTest : public ::testing::TestWithParam<int> {
 protected:
  CScratchDir m_dir;
};

TEST_P(UpgradeTest, ReachesTheCurrentLayoutWithMigratedData) {
  const int v = GetParam();
  const std::string path = m_dir.File("old.zdb");
  zltest::WriteOldDatabase(path, v);
  void* old = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
  void* hDB = ZLConvertDatabase(old);
  ASSERT_NE(hDB, nullptr) << "last error " << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), 0);
  EXPECT_EQ(zltest::VersionOf(path), 22);
  // Below 18 the file was compacted and opened again: the old handle went.
  CString name;
  EXPECT_EQ(ZLGetDBName(old, name), v < 18 ? 0 : 1);
  EXPECT_EQ(hDB != old, v < 18);
  CZLMacroObject macro;
  ASSERT_EQ(ZLGetMacroByID(hDB, 4, "Spice", 1, macro, ZL_MACRO_ACCESS), 1);
  EXPECT_STREQ(macro.m_strMacroText, "* LM741\n.subckt LM741 1 2 3");
  // Rewritten macros are stored packed, so their stored form reads too.
  CZLBinaryMacroObject stored;
  EXPECT_EQ(ZLGetMacroByID(hDB, 4, "Spice", 1, stored, ZL_MACRO_ACCESS), v < 3 ? 1 : 0);
  CZLPackageObject package;
  EXPECT_EQ(ZLGetPackageByName(hDB, "ieee_ext", "VHDLA", package, ZL_PACKAGE_ACCESS), v < 7);
  EXPECT_STREQ(package.m_strPackageBodyText, v < 7 ? "package body ieee_ext is end;" : "");
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  static const CScratchDir refDir;
  static const std::string plain = ReferenceLayout(refDir, false);
  static const std::string packages = ReferenceLayout(refDir, true);
  EXPECT_EQ(zltest::DescribeLayout(path), v < 7 ? packages : plain);

  // Folder names go from the last record down to the second.
  const std::string names = Column(path, "MAIN", "DEFNAME");
  EXPECT_EQ(names.substr(0, 8), v < 7 ? ",Folder_" : ",null,Am");
  EXPECT_NE(names.find(v < 7 ? "_1,Amplifiers,LM741,TL072" : "Amplifiers,LM741,TL072"),
            std::string::npos);
  EXPECT_EQ(Column(path, "MAIN", "WIZTYPE"),
            v < 1 ? "null,null,null,null,null" : "null,null,null,7,7");
  EXPECT_EQ(Column(path, "MAIN", "AUTHOR"), "jens,null,null,jens,jens");
  EXPECT_EQ(Column(path, "NODE_NC", "UNIT"), v < 2 ? "null,null,null,null" : "V,V,V,null");
  EXPECT_EQ(Column(path, "KEYWORD_00000409", "KEYWORD"), "opamp");
  EXPECT_EQ(Column(path, "FILES", "LANGID") + ";" + Column(path, "FILES", "ACCESS"),
            "1031,null;null,5");
  EXPECT_EQ(Column(path, "KEYWORDID_00000409", "KEYWORD_ID") + ";" +
                Column(path, "KEYWORDID_00000409", "PARAM_ID"),
            "1;0");
  // The first macro of a model becomes its default where none was.
  EXPECT_EQ(Column(path, "MACRO_Spice", "DEFAULT"), v < 7    ? "-1,null,-1"
                                                    : v < 15 ? "-1,0,-1"
                                                             : "0,0,-1");
  EXPECT_EQ(Column(path, "PACKAGE", "PACKAGE_NAME") + ";" + Column(path, "PACKAGE", "PREV") + ";" +
                Column(path, "PACKAGE", "NEXT"),
            v < 7 ? "ieee_ext,mathx;null,1;2,null" : ";;");
  // A tolerance per node of type 0x4 or 0x10, numbered per record.
  EXPECT_EQ(Column(path, "TOLERANCE", "NODE_ID") + ";" + Column(path, "TOLERANCE", "INDEX"),
            v < 16 ? "1,3;0,1" : ";");
}

INSTANTIATE_TEST_SUITE_P(EveryOlderVersion, UpgradeTest, ::testing::Range(0, 22));

TEST(UpgradePreconditionsTest, CodesInOrderAndASharedHandleKept) {
  CScratchDir dir;
  const std::string path = dir.File("db.zdb"), old = dir.File("old.zdb");
  EXPECT_EQ(ZLConvertDatabase(reinterpret_cast<void*>(0x1234)), nullptr);
  EXPECT_EQ(ZLGetLastError(), 7);
  // A current database comes back unchanged, with nothing written.
  void* hDB = ZLCreateDatabase(path.c_str());
  const std::string before = zltest::FileContents(path);
  EXPECT_EQ(ZLConvertDatabase(hDB), hDB);
  EXPECT_EQ(ZLGetLastError(), 0);
  EXPECT_EQ(zltest::FileContents(path), before);
  // A newer structure is refused before anything else.
  ASSERT_EQ(ZLSetDatabaseVersion(hDB, ZLDBVersion(3), ZLDBStructVersion(6)), 1);
  EXPECT_EQ(ZLConvertDatabase(hDB), nullptr);
  EXPECT_EQ(ZLGetLastError(), 13);
  ZLCloseDatabase(hDB);
  // Read-only: the same handle and 2, the file untouched.
  zltest::WriteOldDatabase(old, 9);
  const std::string oldBefore = zltest::FileContents(old);
  void* readOnly = ZLOpenDatabase(old.c_str(), eOpenReadOnly);
  EXPECT_EQ(ZLConvertDatabase(readOnly), readOnly);
  EXPECT_EQ(ZLGetLastError(), 2);
  ZLCloseDatabase(readOnly);
  EXPECT_EQ(zltest::FileContents(old), oldBefore);
  // A handle others share is upgraded in place, not compacted.
  void* first = ZLOpenDatabase(old.c_str(), eOpenReadWrite);
  void* second = ZLOpenDatabase(old.c_str(), eOpenReadWrite);
  EXPECT_EQ(ZLConvertDatabase(first), second);
  EXPECT_EQ(ZLGetLastError(), 0);
  ZLCloseDatabase(first);
  ZLCloseDatabase(second);
  EXPECT_EQ(zltest::VersionOf(old), 22);
}

}  // namespace
