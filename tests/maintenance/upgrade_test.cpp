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

using zltest::ColumnValues;

// A new database with the per-language tables the old ones are given.
std::string ReferenceLayout(const CScratchDir& dir, bool withPackages) {
  const std::string path = dir.File(withPackages ? "ref-packages.zdb" : "ref.zdb");
  void* hDB = ZLCreateDatabase(path.c_str());
  EXPECT_NE(hDB, nullptr);
  EXPECT_EQ(ZLAddResourceTable(hDB, 0x409), 1);
  EXPECT_EQ(ZLAddCallTable(hDB, "Spice", 0), 1);
  EXPECT_EQ(ZLAddMacroTable(hDB, "Spice", 0), 1);
  EXPECT_EQ(ZLAddAccessTable(hDB, "Spice"), 1);
  if (withPackages) {
    EXPECT_EQ(ZLAddPackageTable(hDB, "VHDLA"), 1);
  }
  ZLCloseDatabase(hDB);
  return zltest::DescribeLayout(path);
}

long Long(const COleVariant& value) { return value.vt == VT_NULL ? -1 : value.lVal; }

std::vector<long> Longs(const std::string& path, const char* table, const char* field) {
  std::vector<long> values;
  for (const COleVariant& value : ColumnValues(path, table, field)) values.push_back(Long(value));
  return values;
}

std::string Text(const COleVariant& value) {
  return value.vt == VT_BSTR ? V_BSTRT(&value) : "<null>";
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
  ASSERT_NE(old, nullptr) << ZLGetLastError();
  void* hDB = ZLConvertDatabase(old);
  ASSERT_NE(hDB, nullptr) << "last error " << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), 0);
  ZLDBVersion version;
  ZLDBStructVersion structure;
  ASSERT_EQ(ZLGetDatabaseVersion(hDB, version, structure), 1);
  EXPECT_EQ(version, 22);
  EXPECT_EQ(structure, 5);
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
  if (v < 7) {
    EXPECT_STREQ(package.m_strPackageText, "package ieee_ext is end;");
    EXPECT_STREQ(package.m_strPackageBodyText, "package body ieee_ext is end;");
  }
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  static const CScratchDir refDir;
  static const std::string plain = ReferenceLayout(refDir, false);
  static const std::string packages = ReferenceLayout(refDir, true);
  EXPECT_EQ(zltest::DescribeLayout(path), v < 7 ? packages : plain);

  // Folder names are given from the last record down to the second.
  const std::vector<COleVariant> names = ColumnValues(path, "MAIN", "DEFNAME");
  ASSERT_EQ(names.size(), 5u);
  EXPECT_EQ(Text(names[0]), "");
  if (v < 7) {
    EXPECT_EQ(Text(names[1]).rfind("Folder_", 0), 0u);
    EXPECT_EQ(Text(names[1]).substr(Text(names[1]).size() - 2), "_1");
  } else {
    EXPECT_EQ(Text(names[1]), "<null>");
  }
  EXPECT_EQ(Text(names[2]), "Amplifiers");
  EXPECT_EQ(Longs(path, "MAIN", "WIZTYPE"),
            (v < 1 ? std::vector<long>{-1, -1, -1, -1, -1} : std::vector<long>{-1, -1, -1, 7, 7}));
  EXPECT_EQ(Text(ColumnValues(path, "MAIN", "AUTHOR")[3]), "jens");
  EXPECT_EQ(Text(ColumnValues(path, "NODE_NC", "UNIT")[0]), v < 2 ? "<null>" : "V");
  EXPECT_EQ(Text(ColumnValues(path, "KEYWORD_00000409", "KEYWORD")[0]), "opamp");
  EXPECT_EQ(Longs(path, "FILES", "LANGID"), (std::vector<long>{1031, -1}));
  EXPECT_EQ(Longs(path, "FILES", "ACCESS"), (std::vector<long>{-1, 5}));
  EXPECT_EQ(Longs(path, "KEYWORDID_00000409", "PARAM_ID"), std::vector<long>{0});
  EXPECT_EQ(Longs(path, "KEYWORDID_00000409", "KEYWORD_ID"), std::vector<long>{1});
  // The first macro of a model becomes its default where none was.
  std::string defaults;
  for (const COleVariant& value : ColumnValues(path, "MACRO_Spice", "DEFAULT"))
    defaults += value.vt == VT_NULL ? 'n' : value.boolVal != 0 ? 'T' : 'F';
  EXPECT_EQ(defaults, v < 7 ? "TnT" : v < 15 ? "TFT" : "FFT");
  // Packages in their old order, chained.
  EXPECT_EQ(Longs(path, "PACKAGE", "PREV"),
            (v < 7 ? std::vector<long>{-1, 1} : std::vector<long>{}));
  EXPECT_EQ(Longs(path, "PACKAGE", "NEXT"),
            (v < 7 ? std::vector<long>{2, -1} : std::vector<long>{}));
  // A tolerance per node of type 0x4 or 0x10, numbered per record.
  EXPECT_EQ(Longs(path, "TOLERANCE", "NODE_ID"),
            (v < 16 ? std::vector<long>{1, 3} : std::vector<long>{}));
  EXPECT_EQ(Longs(path, "TOLERANCE", "INDEX"),
            (v < 16 ? std::vector<long>{0, 1} : std::vector<long>{}));
}

INSTANTIATE_TEST_SUITE_P(EveryOlderVersion, UpgradeTest, ::testing::Range(0, 22));

class UpgradePreconditionsTest : public ::testing::Test {
 protected:
  CScratchDir m_dir;
  std::string m_path = m_dir.File("db.zdb");
};

TEST_F(UpgradePreconditionsTest, CodesInOrder) {
  EXPECT_EQ(ZLConvertDatabase(reinterpret_cast<void*>(0x1234)), nullptr);
  EXPECT_EQ(ZLGetLastError(), 7);

  // A current database comes back unchanged, with nothing written.
  void* hDB = ZLCreateDatabase(m_path.c_str());
  ASSERT_NE(hDB, nullptr);
  const std::string before = zltest::FileContents(m_path);
  EXPECT_EQ(ZLConvertDatabase(hDB), hDB);
  EXPECT_EQ(ZLGetLastError(), 0);
  EXPECT_EQ(zltest::FileContents(m_path), before);
  // A newer structure is refused before anything else.
  ASSERT_EQ(
      ZLSetDatabaseVersion(hDB, static_cast<ZLDBVersion>(3), static_cast<ZLDBStructVersion>(6)), 1);
  EXPECT_EQ(ZLConvertDatabase(hDB), nullptr);
  EXPECT_EQ(ZLGetLastError(), 13);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  // Read-only: the same handle and 2, the file untouched.
  zltest::WriteOldDatabase(m_dir.File("old.zdb"), 9);
  const std::string oldBefore = zltest::FileContents(m_dir.File("old.zdb"));
  void* readOnly = ZLOpenDatabase(m_dir.File("old.zdb").c_str(), eOpenReadOnly);
  ASSERT_NE(readOnly, nullptr);
  EXPECT_EQ(ZLConvertDatabase(readOnly), readOnly);
  EXPECT_EQ(ZLGetLastError(), 2);
  ZLCloseDatabase(readOnly);
  EXPECT_EQ(zltest::FileContents(m_dir.File("old.zdb")), oldBefore);
}

TEST_F(UpgradePreconditionsTest, SharedHandleIsKeptAndNotCompacted) {
  zltest::WriteOldDatabase(m_path, 4);
  void* first = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  void* second = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_EQ(first, second);
  EXPECT_EQ(ZLConvertDatabase(first), first);
  EXPECT_EQ(ZLGetLastError(), 0);
  ZLDBVersion version;
  ZLDBStructVersion structure;
  ASSERT_EQ(ZLGetDatabaseVersion(second, version, structure), 1);
  EXPECT_EQ(version, 22);
  ZLCloseDatabase(first);
  ZLCloseDatabase(second);
}

}  // namespace
