#include "zldbctrl70/platform/coll_typed.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

class CItem : public CObject {
 public:
  explicit CItem(int id, int* pDeaths = nullptr) : m_id(id), m_pDeaths(pDeaths) {}
  ~CItem() override {
    if (m_pDeaths != nullptr) ++*m_pDeaths;
  }
  int m_id;

 private:
  int* m_pDeaths;
};

typedef CTypedPtrArray<CObArray, CItem*> CItemArray;

// What the library's free routines do with a base-class reference: delete
// every non-null element from the last down, then empty the array.
void FreeAll(CObArray& array) {
  for (int i = array.GetSize() - 1; i >= 0; --i) delete array[i];
  array.SetSize(0);
}

TEST(ObjectContainersTest, RemovingAndDestroyingNeverDeletesTheObjects) {
  int deaths = 0;
  CItem a(1, &deaths), b(2, &deaths);
  {
    CObArray array;
    for (CObject* p : std::initializer_list<CObject*>{&a, &b}) array.Add(p);
    array.RemoveAt(0);
    array.SetSize(0);
    array.Add(&a);
    array.RemoveAll();
    array.Add(&b);
    CObList list;
    for (CObject* p : std::initializer_list<CObject*>{&a, &b, nullptr}) list.AddTail(p);
    EXPECT_EQ(list.Find(&b), list.FindIndex(1));
    EXPECT_EQ(list.Find(static_cast<CObject*>(nullptr)), list.GetTailPosition());
    EXPECT_EQ(list.RemoveHead(), &a);
    CMapWordToOb words;
    CMapStringToOb names;
    words.SetAt(1, &a);
    names.SetAt("b", &b);
    CObject* found = nullptr;
    EXPECT_TRUE(words.Lookup(1, found) && found == &a);
    EXPECT_TRUE(names.Lookup("b", found) && found == &b);
    words.RemoveKey(1);
    names.RemoveAll();
    words.SetAt(2, &b);
  }
  EXPECT_EQ(deaths, 0);
}

TEST(TypedArrayTest, GivesTypedPointersAndPassesAsItsBase) {
  int deaths = 0;
  CItemArray items;
  items.Add(new CItem(1, &deaths));
  items.Add(nullptr);
  items.InsertAt(0, new CItem(0, &deaths));
  items.SetAtGrow(4, new CItem(4, &deaths));
  ASSERT_EQ(items.GetSize(), 5);
  EXPECT_TRUE(items[0]->m_id == 0 && items.GetAt(1)->m_id == 1 && items[2] == nullptr &&
              items[3] == nullptr && items[4]->m_id == 4);
  items.ElementAt(2) = new CItem(2, &deaths);  // writes through the typed reference
  EXPECT_TRUE(items.ElementAt(2)->m_id == 2 && items[2]->m_id == 2);
  FreeAll(items);
  EXPECT_TRUE(deaths == 4 && items.GetSize() == 0);

  // Over void pointers too.
  int x = 1;
  CTypedPtrArray<CPtrArray, int*> ptrs;
  ptrs.Add(&x);
  EXPECT_EQ(*ptrs.GetAt(0), 1);
}

TEST(TypedListTest, TypedWalkAndRemoval) {
  CTypedPtrList<CObList, CItem*> list;
  CItem a(1), b(2), c(3);
  list.AddTail(&b);
  list.AddHead(&a);
  list.InsertAfter(list.Find(&b), &c);
  int ids = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
    ids = ids * 10 + list.GetNext(pos)->m_id;
  EXPECT_EQ(ids, 123);
  EXPECT_EQ(list.RemoveTail()->m_id, 3);
  EXPECT_EQ(list.GetHead()->m_id + list.GetTail()->m_id * 10, 21);
}

TEST(TypedMapTest, LanguageToArrayAndNameToObject) {
  // The shape of the keyword map: language ID to a heap array of objects.
  int deaths = 0;
  CTypedPtrMap<CMapWordToOb, WORD, CItemArray*> byLanguage;
  byLanguage.SetAt(1033, new CItemArray);
  byLanguage[1033]->Add(new CItem(10, &deaths));
  byLanguage[1031] = new CItemArray;
  CItemArray* found = nullptr;
  ASSERT_TRUE(byLanguage.Lookup(1031, found) && found->GetSize() == 0);
  ASSERT_TRUE(byLanguage.Lookup(1033, found) && found->GetAt(0)->m_id == 10);
  EXPECT_FALSE(byLanguage.Lookup(9, found));
  WORD lang = 0;
  int seen = 0;
  for (POSITION pos = byLanguage.GetStartPosition(); pos != nullptr; ++seen) {
    byLanguage.GetNextAssoc(pos, lang, found);
    FreeAll(*found);
    delete found;
  }
  byLanguage.RemoveAll();
  EXPECT_TRUE(seen == 2 && deaths == 1);

  CTypedPtrMap<CMapStringToOb, CString, CItem*> byName;
  CItem a(1), b(2);
  byName.SetAt("alpha", &a);
  byName["beta"] = &b;
  EXPECT_EQ(byName["alpha"]->m_id, 1);
  EXPECT_TRUE(byName.RemoveKey("alpha"));
  CString name;
  CItem* value = nullptr;
  POSITION pos = byName.GetStartPosition();
  byName.GetNextAssoc(pos, name, value);
  EXPECT_TRUE(name == "beta" && value == &b && pos == nullptr);
}

}  // namespace
