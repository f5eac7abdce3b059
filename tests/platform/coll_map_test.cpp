#include "zldbctrl70/platform/coll_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

typedef CMap<WORD, WORD, CString, LPCSTR> CLangMap;

std::vector<std::string> WalkKeys(const CMapStringToString& map) {
  std::vector<std::string> keys;
  CString key, value;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, key, value);
    keys.push_back(key.GetString());
  }
  return keys;
}

TEST(MapTest, LanguageMapStoresReplacesAndRemoves) {
  CLangMap map;
  map.SetAt(1033, "Title");
  map.SetAt(1031, "Titel");
  map[1036] = "Titre";
  map.SetAt(1033, "Heading");
  EXPECT_EQ(map.GetCount(), 3);
  CString text = "untouched";
  ASSERT_TRUE(map.Lookup(1033, text));
  EXPECT_EQ(text, "Heading");
  EXPECT_FALSE(map.Lookup(1040, text));
  EXPECT_EQ(text, "Heading");  // a miss leaves the output alone
  EXPECT_TRUE(map.RemoveKey(1031));
  EXPECT_FALSE(map.RemoveKey(1031));
  EXPECT_FALSE(map.Lookup(1031, text));
  EXPECT_EQ(map.GetCount(), 2);
  EXPECT_TRUE(map[2000].IsEmpty());  // operator[] adds an empty entry
  EXPECT_EQ(map.GetCount(), 3);
}

TEST(MapTest, StringKeysMatchWhateverFormTheyComeIn) {
  CMap<CString, LPCSTR, int, int> byPointer;
  CMap<CString, const CString&, int, int> byString;
  byPointer.SetAt("Key", 1);
  byString.SetAt(CString("Key"), 2);
  int value = 0;
  EXPECT_TRUE(byPointer.Lookup(CString("Key"), value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(byString.Lookup("Key", value));
  EXPECT_EQ(value, 2);
  EXPECT_FALSE(byPointer.Lookup("key", value));  // keys keep their case
  byPointer.SetAt(nullptr, 5);                   // null is the empty key
  EXPECT_TRUE(byPointer.Lookup("", value));
  EXPECT_EQ(value, 5);
}

TEST(MapTest, ManyKeysStayFindableAndTheTableGrows) {
  CMapStringToString map;
  map.InitHashTable(17);
  const int n = 50000;
  for (int i = 0; i < n; ++i) {
    CString k;
    k.Format("key%d", i);
    map.SetAt(k, k + "!");
  }
  EXPECT_EQ(map.GetCount(), n);
  // The table follows the count, so chains stay short.
  EXPECT_GE(map.GetHashTableSize(), static_cast<UINT>(n));
  for (int i = 0; i < n; i += 7) {
    CString k, v;
    k.Format("key%d", i);
    ASSERT_TRUE(map.Lookup(k, v)) << i;
    EXPECT_EQ(v, k + "!");
  }
  CMap<DWORD, DWORD, DWORD, DWORD> sequential;
  for (DWORD i = 0; i < 100000; i += 16) sequential[i] = i;  // keys sharing low bits
  DWORD out = 0;
  EXPECT_TRUE(sequential.Lookup(99984, out));
  EXPECT_EQ(out, 99984u);
}

TEST(MapTest, RemovingTheCurrentEntryDuringAWalkIsSafe) {
  CMapStringToString map;
  for (int i = 0; i < 100; ++i) {
    CString k;
    k.Format("%d", i);
    map.SetAt(k, "v");
  }
  std::set<std::string> seen;
  CString key, value;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, key, value);
    EXPECT_TRUE(seen.insert(key.GetString()).second) << "visited twice: " << key.GetString();
    if (atoi(key) % 2 == 0) {
      EXPECT_TRUE(map.RemoveKey(key));
    }
  }
  EXPECT_EQ(seen.size(), 100u);
  EXPECT_EQ(map.GetCount(), 50);
  // A second walk sees exactly the survivors.
  std::vector<std::string> left = WalkKeys(map);
  ASSERT_EQ(left.size(), 50u);
  for (const std::string& k : left) EXPECT_EQ(atoi(k.c_str()) % 2, 1) << k;
}

TEST(MapTest, WalksInInsertionOrderIncludingEntriesAddedOnTheWay) {
  CMapStringToString map;
  for (const char* k : {"x", "b", "m"}) map.SetAt(k, "");
  map.RemoveKey("b");
  map.SetAt("b", "");
  EXPECT_EQ(WalkKeys(map), (std::vector<std::string>{"x", "m", "b"}));

  CString key, value;
  int visited = 0;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr; ++visited) {
    map.GetNextAssoc(pos, key, value);
    if (key == "x") {
      for (int i = 0; i < 100; ++i) {  // forces the table to grow mid-walk
        CString k;
        k.Format("new%d", i);
        map.SetAt(k, "");
      }
    }
  }
  EXPECT_EQ(visited, 103);
}

TEST(MapTest, RandomOperationsMatchAModel) {
  std::mt19937 rng(99);
  CMap<int, int, int, int> map;
  std::unordered_map<int, int> model;
  for (int step = 0; step < 20000; ++step) {
    const int key = static_cast<int>(rng() % 500) - 250;
    switch (rng() % 4) {
      case 0:
      case 1:
        map.SetAt(key, step);
        model[key] = step;
        break;
      case 2:
        ASSERT_EQ(map.RemoveKey(key) != FALSE, model.erase(key) == 1);
        break;
      default: {
        int v = -1;
        const bool found = map.Lookup(key, v) != FALSE;
        ASSERT_EQ(found, model.count(key) == 1);
        if (found) {
          ASSERT_EQ(v, model[key]);
        }
      }
    }
    ASSERT_EQ(map.GetCount(), static_cast<int>(model.size()));
    if (step % 5000 == 0) map.InitHashTable(3);  // rebuilding keeps every entry
  }
  std::map<int, int> walked;
  int k = 0, v = 0;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, k, v);
    walked[k] = v;
  }
  const std::map<int, int> expected(model.begin(), model.end());
  EXPECT_EQ(walked, expected);
  map.RemoveAll();
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(MapTest, CopiesAreDeepForStrings) {
  CLangMap a;
  a.SetAt(1033, "one");
  CLangMap b(a);
  b.SetAt(1033, "changed");
  b.SetAt(7, "seven");
  CString text;
  ASSERT_TRUE(a.Lookup(1033, text));
  EXPECT_EQ(text, "one");
  EXPECT_EQ(a.GetCount(), 1);
  a = b;
  ASSERT_TRUE(a.Lookup(7, text));
  EXPECT_EQ(text, "seven");
  EXPECT_EQ(a.GetCount(), 2);
}

TEST(MapTest, ObjectMapsNeverDeleteTheirValues) {
  class CItem : public CObject {
   public:
    explicit CItem(int* p) : m_p(p) {}
    ~CItem() override { ++*m_p; }
    int* m_p;
  };
  int deaths = 0;
  CItem a(&deaths), b(&deaths);
  {
    CMapWordToOb words;
    CMapStringToOb names;
    words.SetAt(1, &a);
    names.SetAt("b", &b);
    CObject* found = nullptr;
    EXPECT_TRUE(words.Lookup(1, found));
    EXPECT_EQ(found, &a);
    EXPECT_TRUE(names.Lookup("b", found));
    EXPECT_EQ(found, &b);
    words.RemoveKey(1);
    names.RemoveAll();
    words.SetAt(2, &b);
  }
  EXPECT_EQ(deaths, 0);
}

}  // namespace
