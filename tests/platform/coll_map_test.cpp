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
    keys.push_back(key.str());
  }
  return keys;
}

// Storing, replacing and removing are checked against a model below; here
// what the model does not see: a miss leaves the output alone, operator[]
// adds an empty entry, and copies are deep.
TEST(MapTest, MissesKeepTheOutputAndCopiesAreDeep) {
  CLangMap map;
  map.SetAt(1033, "Title");
  map[1031] = "Titel";
  CString text = "untouched";
  EXPECT_FALSE(map.Lookup(1040, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_TRUE(map[2000].IsEmpty());
  EXPECT_EQ(map.GetCount(), 3);
  CLangMap copy(map);
  copy.SetAt(1033, "changed");
  EXPECT_TRUE(copy.RemoveKey(1031));
  EXPECT_TRUE(map.Lookup(1033, text) && text == "Title" && map.GetCount() == 3);
  map = copy;
  EXPECT_FALSE(map.Lookup(1031, text));
  EXPECT_TRUE(map.Lookup(1033, text) && text == "changed" && map.GetCount() == 2);
}

TEST(MapTest, StringKeysMatchWhateverFormTheyComeIn) {
  CMap<CString, LPCSTR, int, int> byPointer;
  CMap<CString, const CString&, int, int> byString;
  byPointer.SetAt("Key", 1);
  byString.SetAt(CString("Key"), 2);
  int value = 0;
  EXPECT_TRUE(byPointer.Lookup(CString("Key"), value) && value == 1);
  EXPECT_TRUE(byString.Lookup("Key", value) && value == 2);
  EXPECT_FALSE(byPointer.Lookup("key", value));  // keys keep their case
  byPointer.SetAt(nullptr, 5);                   // null is the empty key
  EXPECT_TRUE(byPointer.Lookup("", value) && value == 5);
}

TEST(MapTest, RemovingTheCurrentEntryDuringAWalkIsSafe) {
  CMapStringToString map;
  map.InitHashTable(17);
  CString key, value;
  for (int i = 0; i < 1000; ++i) {
    key.Format("%d", i);
    map.SetAt(key, key + "!");
  }
  // The table follows the count, so chains stay short.
  EXPECT_GE(map.GetHashTableSize(), 1000u);
  for (int i = 100; i < 1000; ++i) {
    key.Format("%d", i);
    ASSERT_TRUE(map.RemoveKey(key));
  }
  std::set<std::string> seen;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, key, value);
    EXPECT_TRUE(seen.insert(key.str()).second) << "visited twice: " << key.str();
    EXPECT_TRUE(atoi(key) % 2 == 1 || map.RemoveKey(key));
  }
  EXPECT_EQ(seen.size(), 100u);
  EXPECT_EQ(map.GetCount(), 50);
  // A second walk sees exactly the survivors, still with their values.
  const std::vector<std::string> left = WalkKeys(map);
  ASSERT_EQ(left.size(), 50u);
  for (const std::string& k : left) {
    EXPECT_EQ(atoi(k.c_str()) % 2, 1) << k;
    EXPECT_TRUE(map.Lookup(k.c_str(), value) && value == CString(k.c_str()) + "!") << k;
  }
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
    if (key != "x") continue;
    for (int i = 0; i < 100; ++i) {  // forces the table to grow mid-walk
      value.Format("new%d", i);
      map.SetAt(value, "");
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
    const unsigned op = rng() % 4;
    if (op < 2) {
      map.SetAt(key, step);
      model[key] = step;
    } else if (op == 2) {
      ASSERT_EQ(map.RemoveKey(key) != FALSE, model.erase(key) == 1);
    } else {
      int v = -1;
      ASSERT_EQ(map.Lookup(key, v) != FALSE, model.count(key) == 1);
      ASSERT_EQ(v, model.count(key) == 1 ? model[key] : -1);
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
  EXPECT_EQ(walked, (std::map<int, int>(model.begin(), model.end())));
  map.RemoveAll();
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_EQ(map.GetStartPosition(), nullptr);
}

}  // namespace
