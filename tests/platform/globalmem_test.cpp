#include "zldbctrl70/platform/globalmem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "zldbctrl70/platform/longbinary.h"

namespace {

// Every function must treat h as "no block", softly.
void ExpectUnknown(HGLOBAL h) {
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalUnlock(h), FALSE);
  EXPECT_EQ(GlobalReAlloc(h, 64, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalFree(h), h);
}

bool AllBytesAre(const void* p, size_t n, unsigned char value) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) {
    if (b[i] != value) return false;
  }
  return true;
}

TEST(GlobalMemHandles, GarbageAndNullAreUnknown) {
  int onStack = 0;
  ExpectUnknown(nullptr);
  ExpectUnknown(reinterpret_cast<HGLOBAL>(0x1234));
  ExpectUnknown(&onStack);
  std::vector<char> heap(64);
  ExpectUnknown(heap.data());
  // A pointer into a live block is not its handle either.
  HGLOBAL h = GlobalAlloc(GHND, 32);
  void* p = GlobalLock(h);
  ExpectUnknown(p);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemHandles, FreedHandlesStayDeadAndAreNotReissued) {
  HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GlobalFree(first), nullptr);
  ExpectUnknown(first);
  std::set<HGLOBAL> seen{first};
  for (int i = 0; i < 2000; ++i) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(seen.insert(h).second) << "handle value issued twice";
    GlobalFree(h);
  }
  ExpectUnknown(first);
}

TEST(GlobalMemHandles, LocksAreCounted) {
  HGLOBAL h = GlobalAlloc(GHND, 8);
  void* a = GlobalLock(h);
  void* b = GlobalLock(h);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(GlobalUnlock(h), TRUE);
  EXPECT_EQ(GlobalUnlock(h), FALSE);
  EXPECT_EQ(GlobalUnlock(h), FALSE);  // one unlock too many does no harm
  EXPECT_EQ(GlobalLock(h), a);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemHandles, ZeroSizedBlocksAreLive) {
  HGLOBAL h = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_NE(GlobalLock(h), nullptr);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalReAlloc(h, 4, GMEM_ZEROINIT), h);
  EXPECT_EQ(GlobalSize(h), 4u);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemContents, ZeroInitOnAllocation) {
  for (UINT flags : {static_cast<UINT>(GMEM_ZEROINIT), static_cast<UINT>(GHND)}) {
    HGLOBAL h = GlobalAlloc(flags, 4096);
    ASSERT_EQ(GlobalSize(h), 4096u);
    EXPECT_TRUE(AllBytesAre(GlobalLock(h), 4096, 0));
    GlobalUnlock(h);
    GlobalFree(h);
  }
}

TEST(GlobalMemContents, ReAllocKeepsContentsAndZeroesGrowth) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 100);
  std::memset(GlobalLock(h), 0xAB, 100);
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
  EXPECT_EQ(GlobalSize(h), static_cast<size_t>(1 << 20));
  unsigned char* p = static_cast<unsigned char*>(GlobalLock(h));
  EXPECT_TRUE(AllBytesAre(p, 100, 0xAB));
  EXPECT_TRUE(AllBytesAre(p + 100, (1 << 20) - 100, 0));
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 10, GMEM_MOVEABLE), h);
  EXPECT_EQ(GlobalSize(h), 10u);
  EXPECT_TRUE(AllBytesAre(GlobalLock(h), 10, 0xAB));
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(GlobalMemContents, BlocksMadeZeroedStayZeroedOnGrowth) {
  HGLOBAL h = GlobalAlloc(GHND, 16);
  std::memset(GlobalLock(h), 0x11, 16);
  GlobalUnlock(h);
  // Shrink first so the bytes beyond 8 held data once; growth must not
  // bring them back.
  ASSERT_EQ(GlobalReAlloc(h, 8, GMEM_MOVEABLE), h);
  ASSERT_EQ(GlobalReAlloc(h, 64, GMEM_MOVEABLE), h);
  unsigned char* p = static_cast<unsigned char*>(GlobalLock(h));
  EXPECT_TRUE(AllBytesAre(p, 8, 0x11));
  EXPECT_TRUE(AllBytesAre(p + 8, 56, 0));
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(GlobalMemContents, ImpossibleSizesFailAndLeaveTheBlock) {
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), nullptr);
  HGLOBAL h = GlobalAlloc(GHND, 4);
  std::memcpy(GlobalLock(h), "abc", 4);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalReAlloc(h, SIZE_MAX, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(h), 4u);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(h)), "abc");
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(GlobalMemThreads, ConcurrentUseKeepsHandlesApart) {
  constexpr int kPerThread = 3000;
  std::vector<HGLOBAL> made[2];
  auto work = [](std::vector<HGLOBAL>* out, unsigned char fill) {
    for (int i = 0; i < kPerThread; ++i) {
      HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 32);
      std::memset(GlobalLock(h), fill, 32);
      GlobalUnlock(h);
      out->push_back(h);
      if (i % 2 == 1) {
        GlobalFree(out->front());
        out->erase(out->begin());
      }
    }
  };
  std::thread a(work, &made[0], 0x11);
  std::thread b(work, &made[1], 0x22);
  a.join();
  b.join();
  std::set<HGLOBAL> all;
  for (int t = 0; t < 2; ++t) {
    for (HGLOBAL h : made[t]) {
      EXPECT_TRUE(all.insert(h).second);
      EXPECT_TRUE(AllBytesAre(GlobalLock(h), 32, t == 0 ? 0x11 : 0x22));
      GlobalUnlock(h);
      GlobalFree(h);
    }
  }
}

TEST(LongBinary, AssignCopiesAndReleaseFrees) {
  HGLOBAL old = nullptr;
  {
    CLongBinary lb;
    EXPECT_EQ(lb.m_hData, nullptr);
    EXPECT_EQ(lb.m_dwDataLength, 0u);
    lb.Assign("payload", 7);
    ASSERT_NE(lb.m_hData, nullptr);
    EXPECT_EQ(lb.m_dwDataLength, 7u);
    EXPECT_EQ(GlobalSize(lb.m_hData), 7u);
    EXPECT_EQ(std::memcmp(GlobalLock(lb.m_hData), "payload", 7), 0);
    GlobalUnlock(lb.m_hData);
    old = lb.m_hData;
    lb.Assign("x", 1);
    EXPECT_EQ(GlobalSize(old), 0u);  // the earlier block was freed
    old = lb.m_hData;
  }
  EXPECT_EQ(GlobalSize(old), 0u);  // and the destructor frees the last one
  CLongBinary empty;
  empty.Assign("abc", 0);
  EXPECT_EQ(empty.m_hData, nullptr);
  empty.Assign(nullptr, 3);
  EXPECT_TRUE(AllBytesAre(GlobalLock(empty.m_hData), 3, 0));
  GlobalUnlock(empty.m_hData);
  empty.Release();
  EXPECT_EQ(empty.m_hData, nullptr);
  EXPECT_EQ(empty.m_dwDataLength, 0u);
}

TEST(LongBinary, CopiesAreIndependent) {
  CLongBinary source;
  source.Assign("0123456789", 10);
  CLongBinary copy;
  copy.Assign(source);
  ASSERT_NE(copy.m_hData, source.m_hData);
  EXPECT_EQ(copy.m_dwDataLength, 10u);
  std::memset(GlobalLock(source.m_hData), 'x', 10);
  GlobalUnlock(source.m_hData);
  source.Release();
  EXPECT_EQ(std::memcmp(GlobalLock(copy.m_hData), "0123456789", 10), 0);
  GlobalUnlock(copy.m_hData);
  copy.Assign(copy);
  EXPECT_EQ(copy.m_dwDataLength, 10u);
  EXPECT_EQ(GlobalSize(copy.m_hData), 10u);
  // Copying an empty object leaves no block behind.
  copy.Assign(source);
  EXPECT_EQ(copy.m_hData, nullptr);
  EXPECT_EQ(copy.m_dwDataLength, 0u);
}

TEST(LongBinary, CopyNeverReadsPastTheSourceBlock) {
  CLongBinary source;
  source.Assign("abcd", 4);
  source.m_dwDataLength = 4096;
  CLongBinary copy;
  copy.Assign(source);
  EXPECT_EQ(copy.m_dwDataLength, 4u);
  source.m_dwDataLength = 4;
  CLongBinary stale;
  stale.m_hData = reinterpret_cast<HGLOBAL>(0x1234);
  stale.m_dwDataLength = 50;
  copy.Assign(stale);
  EXPECT_EQ(copy.m_hData, nullptr);
  stale.m_hData = nullptr;
}

}  // namespace
