#include "zldbctrl70/platform/coll_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* s : {"b", "c", "d"}) m_list.AddTail(s);
    m_list.AddHead("a");
  }
  // The list walked forwards and backwards, joined by '|'; both walks must
  // agree, so a broken back link shows.
  static std::string Walk(const CStringList& list) {
    std::string forward, backward;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) forward += list.GetNext(pos).str();
    for (POSITION pos = list.GetTailPosition(); pos != nullptr;)
      backward += list.GetPrev(pos).str();
    EXPECT_EQ(std::string(forward.rbegin(), forward.rend()), backward);
    EXPECT_EQ(static_cast<size_t>(list.GetCount()), forward.size());
    return forward;
  }
  CStringList m_list;
};

TEST_F(ListTest, RemovingTheElementJustVisitedKeepsTheWalk) {
  for (POSITION pos = m_list.GetHeadPosition(); pos != nullptr;) {
    const POSITION current = pos;
    const CString value = m_list.GetNext(pos);
    if (value == "b" || value == "d") m_list.RemoveAt(current);
  }
  EXPECT_EQ(Walk(m_list), "ac");
}

TEST_F(ListTest, InsertsAroundPositions) {
  const POSITION c = m_list.Find("c");
  ASSERT_NE(c, nullptr);
  m_list.InsertBefore(c, "x");
  m_list.InsertAfter(c, "y");
  m_list.InsertBefore(nullptr, "<");
  m_list.InsertAfter(nullptr, ">");
  m_list.InsertAfter(m_list.GetTailPosition(), "!");
  EXPECT_EQ(Walk(m_list), "<abxcyd>!");
}

TEST_F(ListTest, FindsByValueAndIndex) {
  EXPECT_TRUE(m_list.GetHead() == "a" && m_list.GetTail() == "d");
  m_list.AddTail("b");
  const POSITION first = m_list.Find("b");
  const POSITION second = m_list.Find("b", first);
  ASSERT_TRUE(first != nullptr && second != nullptr && first != second);
  EXPECT_TRUE(m_list.Find("b", second) == nullptr && m_list.Find("zz") == nullptr);
  EXPECT_TRUE(m_list.FindIndex(1) == first && m_list.FindIndex(4) == second);
  EXPECT_TRUE(m_list.FindIndex(5) == nullptr && m_list.FindIndex(-1) == nullptr);
  m_list.SetAt(second, "e");
  EXPECT_EQ(Walk(m_list), "abcde");
}

TEST_F(ListTest, HeadAndTailRemovalDrainsTheList) {
  std::string order;
  for (bool head : {true, false, false, true})
    order += (head ? m_list.RemoveHead() : m_list.RemoveTail()).str();
  EXPECT_EQ(order, "adcb");
  EXPECT_TRUE(m_list.IsEmpty() && m_list.GetHeadPosition() == nullptr &&
              m_list.GetTailPosition() == nullptr);
  EXPECT_THROW(m_list.RemoveHead(), std::out_of_range);
  EXPECT_THROW(m_list.GetTail(), std::out_of_range);
  POSITION none = nullptr;
  EXPECT_THROW(m_list.GetNext(none), std::out_of_range);
  m_list.AddTail("z");  // still usable afterwards
  EXPECT_EQ(Walk(m_list), "z");
}

TEST_F(ListTest, AddingWholeListsKeepsTheirOrder) {
  CStringList other;
  other.AddTail("1");
  other.AddTail("2");
  m_list.AddHead(&other);
  m_list.AddTail(&other);
  EXPECT_EQ(Walk(m_list), "12abcd12");
  m_list.AddTail(&m_list);  // a list appended to itself doubles once
  EXPECT_EQ(Walk(m_list), "12abcd1212abcd12");
  EXPECT_EQ(Walk(other), "12");
}

TEST_F(ListTest, CopiesAreIndependent) {
  EXPECT_EQ(Walk(m_list), "abcd");
  CStringList copy(m_list);
  copy.RemoveHead();
  copy.AddTail("e");
  EXPECT_EQ(Walk(m_list), "abcd");
  EXPECT_EQ(Walk(copy), "bcde");
  m_list = copy;
  EXPECT_EQ(Walk(m_list), "bcde");
}

}  // namespace
