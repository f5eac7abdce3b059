#include "zldbctrl70/platform/coll_array.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

std::vector<int> Contents(const CDWordArray& a) {
  std::vector<int> v;
  for (int i = 0; i < a.GetSize(); ++i) v.push_back(static_cast<int>(a[i]));
  return v;
}

TEST(ArrayTest, RandomOperationsMatchAVectorModel) {
  std::mt19937 rng(1234);
  CDWordArray a;
  std::vector<int> model;
  for (int step = 0; step < 5000; ++step) {
    const int op = static_cast<int>(rng() % 6);
    const int size = static_cast<int>(model.size());
    const DWORD value = rng() % 1000;
    if (op == 0 || size == 0) {
      EXPECT_EQ(a.Add(value), size);
      model.push_back(static_cast<int>(value));
    } else if (op == 1) {
      const int at = static_cast<int>(rng() % (size + 1));
      const int count = static_cast<int>(rng() % 3);
      a.InsertAt(at, value, count);
      model.insert(model.begin() + at, count, static_cast<int>(value));
    } else if (op == 2) {
      const int at = static_cast<int>(rng() % size);
      const int count = static_cast<int>(rng() % (size - at + 1));
      a.RemoveAt(at, count);
      model.erase(model.begin() + at, model.begin() + at + count);
    } else if (op == 3) {
      const int at = static_cast<int>(rng() % size);
      a.SetAt(at, value);
      model[at] = static_cast<int>(value);
    } else if (op == 4) {
      const int at = static_cast<int>(rng() % (size + 4));
      a.SetAtGrow(at, value);
      if (at >= size) model.resize(at + 1, 0);
      model[at] = static_cast<int>(value);
    } else {
      const int newSize = static_cast<int>(rng() % (size + 3));
      a.SetSize(newSize);
      model.resize(newSize, 0);
    }
    ASSERT_EQ(Contents(a), model) << "after step " << step;
  }
}

TEST(ArrayTest, AppendingOneByOneReallocatesLogarithmically) {
  // A fixed grow-by of 1 must not turn appends quadratic.
  CDWordArray a;
  a.SetSize(0, 1);
  std::set<const DWORD*> buffers;
  for (DWORD i = 0; i < 200000; ++i) {
    a.Add(i);
    buffers.insert(a.GetData());
  }
  EXPECT_LT(buffers.size(), 40u);
  EXPECT_EQ(a[199999], 199999u);
}

TEST(ArrayTest, BadIndexesThrowAndChangeNothing) {
  CDWordArray a;
  a.Add(7);
  a.Add(8);
  EXPECT_THROW(a.GetAt(2), std::out_of_range);
  EXPECT_THROW(a.GetAt(-1), std::out_of_range);
  EXPECT_THROW(a.SetAt(2, 1), std::out_of_range);
  EXPECT_THROW(a.RemoveAt(1, 2), std::out_of_range);
  EXPECT_THROW(a.RemoveAt(0, -1), std::out_of_range);
  EXPECT_THROW(a.SetSize(-1), std::out_of_range);
  EXPECT_THROW(a.InsertAt(-1, 3), std::out_of_range);
  EXPECT_EQ(Contents(a), (std::vector<int>{7, 8}));
  a.RemoveAt(2, 0);  // an empty range at the end is fine
  EXPECT_EQ(a.GetSize(), 2);
}

TEST(ArrayTest, AddingAnOwnElementSurvivesReallocation) {
  CStringArray a;
  a.Add(CString(std::string(100, 'q')));
  for (int i = 0; i < 200; ++i) a.Add(a[0]);
  a.InsertAt(0, a[a.GetUpperBound()], 5);
  for (int i = 0; i < a.GetSize(); ++i) ASSERT_EQ(a[i].GetLength(), 100) << i;
  a.Append(a);
  EXPECT_EQ(a.GetSize(), 2 * 206);
}

TEST(ArrayTest, CopiesAreIndependent) {
  CStringArray a;
  a.Add("one");
  a.Add("two");
  CStringArray b(a);
  b.SetAt(0, "uno");
  b.Add("tres");
  EXPECT_TRUE(a.GetSize() == 2 && a[0] == "one");
  a = b;
  EXPECT_TRUE(a.GetSize() == 3 && a[0] == "uno");
  // Inserting past the end grows with empty elements.
  a.InsertAt(4, CString("c"));
  EXPECT_TRUE(a.GetSize() == 5 && a[3].IsEmpty() && a[4] == "c" && a[2] == "tres");

  CArray<int, int> target, source;
  source.Add(2);
  source.Add(3);
  target.Add(1);
  target.InsertAt(1, &source);
  target.InsertAt(0, &target);  // inserting an array into itself
  ASSERT_EQ(target.GetSize(), 6);
  EXPECT_TRUE(target[0] == 1 && target[3] == 1 && target[5] == 3);
}

}  // namespace
