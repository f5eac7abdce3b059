#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/value_objects.h"

namespace {

// Objects that record the order in which they are destroyed.
std::vector<int> g_destroyed;

template <class BASE>
class CTracked : public BASE {
 public:
  explicit CTracked(int id) : m_id(id) {}
  ~CTracked() override { g_destroyed.push_back(m_id); }
  int m_id;
};

class FreeRoutines : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed.clear(); }

  // A new object holding a block, so that its destruction shows in GlobalSize.
  template <class T>
  T* WithBlock(CLongBinary T::*member) {
    T* pObject = new T;
    (pObject->*member).Assign("data", 4);
    m_blocks.push_back((pObject->*member).m_hData);
    return pObject;
  }

  void TearDown() override {
    for (HGLOBAL block : m_blocks)
      EXPECT_EQ(GlobalSize(block), 0u) << "a block outlived its object";
  }

  std::vector<HGLOBAL> m_blocks;
};

TEST_F(FreeRoutines, ArraysFromLastToFirstListsFromTheHeadSkippingNulls) {
  CObArray array;
  for (int id : {1, 0, 2, 3, 0}) array.Add(id != 0 ? new CTracked<CObject>(id) : nullptr);
  ZLFreeObjectArray(array);
  EXPECT_EQ(g_destroyed, (std::vector<int>{3, 2, 1}));
  ZLFreeObjectArray(array);  // an emptied array is freed again harmlessly
  EXPECT_EQ(array.GetSize(), 0);

  CObList list;
  for (int id : {4, 0, 5}) list.AddTail(id != 0 ? new CTracked<CObject>(id) : nullptr);
  ZLFreeObjectList(list);
  EXPECT_EQ(g_destroyed, (std::vector<int>{3, 2, 1, 4, 5}));
  EXPECT_EQ(list.GetCount(), 0);

  CZLBookmarkArray bookmarks;  // the leak checker sees the variants
  for (COleVariant* v :
       {new COleVariant(static_cast<int32_t>(7)), static_cast<COleVariant*>(nullptr),
        new COleVariant(std::string(300, 'b').c_str())})
    bookmarks.Add(v);
  ZLFreeBookmarkArray(bookmarks);
  EXPECT_EQ(bookmarks.GetSize(), 0);
}

TEST_F(FreeRoutines, KeywordMapFreesEveryLanguage) {
  CZLKeywordMap map;
  auto* english = new CZLKeywordArray;
  for (int id : {1, 0, 2}) english->Add(id != 0 ? new CTracked<CZLKeywordObject>(id) : nullptr);
  map.SetAt(1033, english);
  auto* german = new CZLKeywordArray;
  german->Add(new CTracked<CZLKeywordObject>(3));
  map.SetAt(1031, german);
  map.SetAt(1036, nullptr);  // a language without an array is skipped
  ZLFreeKeywordMap(map);
  EXPECT_EQ(map.GetCount(), 0);
  ASSERT_EQ(g_destroyed.size(), 3u);
  // Within one array, from the last keyword to the first.
  EXPECT_LT(std::find(g_destroyed.begin(), g_destroyed.end(), 2),
            std::find(g_destroyed.begin(), g_destroyed.end(), 1));
}

TEST_F(FreeRoutines, MacroCallAndPackageMapsFreeEverything) {
  CZLMacroMap macros;
  auto* vhdl = new CZLMacroArray;
  vhdl->Add(WithBlock(&CZLMacroObject::m_lbCompiled));
  vhdl->Add(nullptr);
  macros.SetAt("VHDLA", vhdl);
  auto* spice = new CZLMacroArray;
  spice->Add(WithBlock(&CZLMacroObject::m_lbCompiled));
  macros.SetAt("SPICE", spice);
  ZLFreeMacroMap(macros);

  CZLBinaryMacroMap binaryMacros;
  auto* stored = new CZLBinaryMacroArray;
  stored->Add(WithBlock(&CZLBinaryMacroObject::m_lbMacroText));
  binaryMacros.SetAt("VHDLA", stored);
  ZLFreeMacroMap(binaryMacros);

  CZLCallMap calls;
  auto* lines = new CZLCallArray;
  lines->Add(new CZLCallObject);
  lines->Add(nullptr);
  calls.SetAt("VHDLA", lines);
  calls.SetAt("SPICE", nullptr);
  ZLFreeCallMap(calls);

  CZLPackageMap packages;
  packages.SetAt("ieee", WithBlock(&CZLPackageObject::m_lbPackageBinary));
  packages.SetAt("empty", nullptr);
  packages.SetAt("std", WithBlock(&CZLPackageObject::m_lbPackageBodyBinary));
  ZLFreePackageMap(packages);

  CZLBinaryPackageMap binaryPackages;
  binaryPackages.SetAt("ieee", WithBlock(&CZLBinaryPackageObject::m_lbPackageText));
  ZLFreePackageMap(binaryPackages);
  // Every map is left empty; the blocks' release is checked on tear-down.
  EXPECT_EQ(macros.GetCount() + binaryMacros.GetCount() + calls.GetCount() + packages.GetCount() +
                binaryPackages.GetCount(),
            0);
}

}  // namespace
