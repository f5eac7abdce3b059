#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/value_objects.h"

namespace {

// Objects that record the order in which they are destroyed.
std::vector<int> g_destroyed;

class CTrackedObject : public CObject {
 public:
  explicit CTrackedObject(int id) : m_id(id) {}
  ~CTrackedObject() override { g_destroyed.push_back(m_id); }
  int m_id;
};

class CTrackedKeyword : public CZLKeywordObject {
 public:
  explicit CTrackedKeyword(int id) : m_id(id) {}
  ~CTrackedKeyword() override { g_destroyed.push_back(m_id); }
  int m_id;
};

class FreeRoutines : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed.clear(); }

  // A new object holding a block, so its destruction shows in GlobalSize.
  template <class T>
  T* WithBlock(CLongBinary T::*member) {
    T* pObject = new T;
    (pObject->*member).Assign("data", 4);
    m_blocks.push_back((pObject->*member).m_hData);
    return pObject;
  }

  void ExpectAllBlocksFreed() const {
    for (HGLOBAL block : m_blocks) EXPECT_EQ(GlobalSize(block), 0u);
  }

  std::vector<HGLOBAL> m_blocks;
};

TEST_F(FreeRoutines, ObjectArrayDeletesFromLastToFirstSkippingNulls) {
  CObArray array;
  array.Add(new CTrackedObject(1));
  array.Add(nullptr);
  array.Add(new CTrackedObject(2));
  array.Add(new CTrackedObject(3));
  array.Add(nullptr);
  ZLFreeObjectArray(array);
  EXPECT_EQ(g_destroyed, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(array.GetSize(), 0);
  ZLFreeObjectArray(array);  // an empty array stays empty
  EXPECT_EQ(array.GetSize(), 0);
}

TEST_F(FreeRoutines, ObjectListDeletesFromTheHeadSkippingNulls) {
  CObList list;
  list.AddTail(new CTrackedObject(1));
  list.AddTail(static_cast<CObject*>(nullptr));
  list.AddTail(new CTrackedObject(2));
  ZLFreeObjectList(list);
  EXPECT_EQ(g_destroyed, (std::vector<int>{1, 2}));
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(FreeRoutines, BookmarkArrayDeletesEveryVariant) {
  CZLBookmarkArray bookmarks;
  bookmarks.Add(new COleVariant(static_cast<int32_t>(7)));
  bookmarks.Add(nullptr);
  bookmarks.Add(new COleVariant(std::string(300, 'b').c_str()));
  ZLFreeBookmarkArray(bookmarks);
  EXPECT_EQ(bookmarks.GetSize(), 0);  // the leak checker sees the variants
}

TEST_F(FreeRoutines, KeywordMapFreesEveryLanguage) {
  CZLKeywordMap map;
  auto* english = new CZLKeywordArray;
  english->Add(new CTrackedKeyword(1));
  english->Add(nullptr);
  english->Add(new CTrackedKeyword(2));
  map.SetAt(1033, english);
  auto* german = new CZLKeywordArray;
  german->Add(new CTrackedKeyword(3));
  map.SetAt(1031, german);
  map.SetAt(1036, nullptr);  // a language without an array is skipped
  ZLFreeKeywordMap(map);
  EXPECT_EQ(map.GetCount(), 0);
  ASSERT_EQ(g_destroyed.size(), 3u);
  // Within one array, from the last keyword to the first.
  const auto one = std::find(g_destroyed.begin(), g_destroyed.end(), 1);
  const auto two = std::find(g_destroyed.begin(), g_destroyed.end(), 2);
  EXPECT_LT(two, one);
}

TEST_F(FreeRoutines, MacroAndCallMapsFreeTheirArrays) {
  CZLMacroMap macros;
  auto* vhdl = new CZLMacroArray;
  vhdl->Add(WithBlock(&CZLMacroObject::m_lbCompiled));
  vhdl->Add(nullptr);
  macros.SetAt("VHDLA", vhdl);
  auto* spice = new CZLMacroArray;
  spice->Add(WithBlock(&CZLMacroObject::m_lbCompiled));
  macros.SetAt("SPICE", spice);
  ZLFreeMacroMap(macros);
  EXPECT_EQ(macros.GetCount(), 0);

  CZLBinaryMacroMap binaryMacros;
  auto* stored = new CZLBinaryMacroArray;
  stored->Add(WithBlock(&CZLBinaryMacroObject::m_lbMacroText));
  binaryMacros.SetAt("VHDLA", stored);
  ZLFreeMacroMap(binaryMacros);
  EXPECT_EQ(binaryMacros.GetCount(), 0);
  ExpectAllBlocksFreed();

  CZLCallMap calls;
  auto* lines = new CZLCallArray;
  lines->Add(new CZLCallObject);
  lines->Add(nullptr);
  calls.SetAt("VHDLA", lines);
  calls.SetAt("SPICE", nullptr);
  ZLFreeCallMap(calls);
  EXPECT_EQ(calls.GetCount(), 0);
}

TEST_F(FreeRoutines, PackageMapsDeleteEveryPackage) {
  CZLPackageMap packages;
  packages.SetAt("ieee", WithBlock(&CZLPackageObject::m_lbPackageBinary));
  packages.SetAt("empty", nullptr);
  packages.SetAt("std", WithBlock(&CZLPackageObject::m_lbPackageBodyBinary));
  ZLFreePackageMap(packages);
  EXPECT_EQ(packages.GetCount(), 0);

  CZLBinaryPackageMap binaryPackages;
  binaryPackages.SetAt("ieee", WithBlock(&CZLBinaryPackageObject::m_lbPackageText));
  ZLFreePackageMap(binaryPackages);
  EXPECT_EQ(binaryPackages.GetCount(), 0);
  ExpectAllBlocksFreed();
}

}  // namespace
