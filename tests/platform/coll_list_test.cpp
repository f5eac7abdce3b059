#include "zldbctrl70/platform/coll_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// The list walked forwards, joined; the backward walk and the count must
// agree with it, so a broken back link shows.
std::string Walk(const CStringList& list) {
  std::string forward, backward;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) forward += list.GetNext(pos).str();
  for (POSITION pos = list.GetTailPosition(); pos != nullptr;) backward += list.GetPrev(pos).str();
  EXPECT_EQ(std::string(forward.rbegin(), forward.rend()), backward);
  EXPECT_EQ(static_cast<size_t>(list.GetCount()), forward.size());
  return forward;
}

TEST(ListTest, EditsKeepBothLinksAndWalks) {
  CStringList list;
  for (const char* s : {"b", "c", "d"}) list.AddTail(s);
  list.AddHead("a");
  const POSITION c = list.Find("c");
  list.InsertBefore(c, "x");
  list.InsertAfter(c, "y");
  list.InsertBefore(nullptr, "<");
  list.InsertAfter(nullptr, ">");
  list.InsertAfter(list.GetTailPosition(), "b");
  EXPECT_EQ(Walk(list), "<abxcyd>b");
  // Find by value from a position, and by index.
  const POSITION first = list.Find("b");
  const POSITION second = list.Find("b", first);
  EXPECT_TRUE(first != nullptr && second != nullptr && first != second);
  EXPECT_TRUE(list.Find("b", second) == nullptr && list.FindIndex(8) == second &&
              list.FindIndex(9) == nullptr && list.FindIndex(-1) == nullptr);
  list.SetAt(second, "!");
  // Removing the element just visited keeps the walk going.
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    const POSITION current = pos;
    const CString value = list.GetNext(pos);
    if (value == "x" || value == "y" || value == "<") list.RemoveAt(current);
  }
  EXPECT_EQ(Walk(list), "abcd>!");
  // Whole lists keep their order; a list appended to itself doubles once;
  // copies are independent.
  CStringList copy(list);
  copy.RemoveHead();
  list.AddTail(&list);
  EXPECT_EQ(Walk(list), "abcd>!abcd>!");
  EXPECT_EQ(Walk(copy), "bcd>!");
  list.AddHead(&copy);
  EXPECT_EQ(Walk(list), "bcd>!abcd>!abcd>!");
  list = copy;
  EXPECT_EQ(Walk(list), "bcd>!");
  // Draining from both ends; an empty list refuses and stays usable.
  std::string order;
  for (bool head : {true, false, false, true, true})
    order += (head ? list.RemoveHead() : list.RemoveTail()).str();
  EXPECT_EQ(order, "b!>cd");
  EXPECT_TRUE(list.IsEmpty() && list.GetHeadPosition() == nullptr &&
              list.GetTailPosition() == nullptr);
  EXPECT_THROW(list.RemoveHead(), std::out_of_range);
  EXPECT_THROW(list.GetTail(), std::out_of_range);
  POSITION none = nullptr;
  EXPECT_THROW(list.GetNext(none), std::out_of_range);
  list.AddTail("z");
  EXPECT_EQ(Walk(list), "z");
}

}  // namespace
