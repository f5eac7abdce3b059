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

// Whether the n bytes of block h from offset on all equal value.
bool BytesAre(HGLOBAL h, size_t offset, size_t n, unsigned char value) {
  const unsigned char* p = static_cast<const unsigned char*>(GlobalLock(h));
  bool same = p != nullptr;
  for (size_t i = offset; same && i < offset + n; ++i) same = p[i] == value;
  GlobalUnlock(h);
  return same;
}

void Fill(HGLOBAL h, unsigned char value, size_t n) {
  std::memset(GlobalLock(h), value, n);
  GlobalUnlock(h);
}

TEST(GlobalMemHandles, GarbageNullAndFreedHandlesAreUnknown) {
  int onStack = 0;
  std::vector<char> heap(64);
  for (HGLOBAL h : {static_cast<HGLOBAL>(nullptr), reinterpret_cast<HGLOBAL>(0x1234),
                    static_cast<HGLOBAL>(&onStack), static_cast<HGLOBAL>(heap.data())}) {
    ExpectUnknown(h);
  }
  // A pointer into a live block is not its handle either.
  HGLOBAL h = GlobalAlloc(GHND, 32);
  ExpectUnknown(GlobalLock(h));
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  // A freed handle stays dead, and its value is never issued again.
  ExpectUnknown(h);
  std::set<HGLOBAL> seen{h};
  for (int i = 0; i < 2000; ++i) {
    HGLOBAL next = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(seen.insert(next).second) << "handle value issued twice";
    GlobalFree(next);
  }
  ExpectUnknown(h);
}

TEST(GlobalMemHandles, LocksAreCountedAndEmptyBlocksLive) {
  HGLOBAL h = GlobalAlloc(GHND, 8);
  void* a = GlobalLock(h);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GlobalLock(h), a);
  // Two locks need two unlocks; one unlock too many does no harm.
  const BOOL unlocks[] = {GlobalUnlock(h), GlobalUnlock(h), GlobalUnlock(h)};
  EXPECT_TRUE(unlocks[0] == TRUE && unlocks[1] == FALSE && unlocks[2] == FALSE);
  EXPECT_EQ(GlobalLock(h), a);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);

  h = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(GlobalSize(h) == 0u && GlobalLock(h) != nullptr);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalReAlloc(h, 4, GMEM_ZEROINIT), h);
  EXPECT_TRUE(GlobalSize(h) == 4u && BytesAre(h, 0, 4, 0));
  EXPECT_EQ(GlobalFree(h), nullptr);
  // Impossible sizes fail and leave the block as it was.
  EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), nullptr);
  h = GlobalAlloc(GHND, 4);
  std::memcpy(GlobalLock(h), "abc", 4);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalReAlloc(h, SIZE_MAX, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(h), 4u);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(h)), "abc");
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(GlobalMemContents, ZeroInitOnAllocationAndGrowth) {
  for (UINT flags : {static_cast<UINT>(GMEM_ZEROINIT), static_cast<UINT>(GHND)}) {
    HGLOBAL h = GlobalAlloc(flags, 4096);
    ASSERT_EQ(GlobalSize(h), 4096u);
    EXPECT_TRUE(BytesAre(h, 0, 4096, 0)) << flags;
    GlobalFree(h);
  }
  // Growth asked to zero keeps the contents and zeroes the rest; shrinking
  // keeps the front.
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 100);
  Fill(h, 0xAB, 100);
  ASSERT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
  EXPECT_EQ(GlobalSize(h), static_cast<size_t>(1 << 20));
  EXPECT_TRUE(BytesAre(h, 0, 100, 0xAB) && BytesAre(h, 100, (1 << 20) - 100, 0));
  ASSERT_EQ(GlobalReAlloc(h, 10, GMEM_MOVEABLE), h);
  EXPECT_TRUE(GlobalSize(h) == 10u && BytesAre(h, 0, 10, 0xAB));
  GlobalFree(h);
  // A block made zeroed stays zeroed on growth, even over bytes that held
  // data before a shrink.
  h = GlobalAlloc(GHND, 16);
  Fill(h, 0x11, 16);
  ASSERT_EQ(GlobalReAlloc(h, 8, GMEM_MOVEABLE), h);
  ASSERT_EQ(GlobalReAlloc(h, 64, GMEM_MOVEABLE), h);
  EXPECT_TRUE(BytesAre(h, 0, 8, 0x11) && BytesAre(h, 8, 56, 0));
  GlobalFree(h);
}

TEST(GlobalMemThreads, ConcurrentUseKeepsHandlesApart) {
  std::vector<HGLOBAL> made[2];
  auto work = [](std::vector<HGLOBAL>* out, unsigned char fill) {
    for (int i = 0; i < 3000; ++i) {
      HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 32);
      Fill(h, fill, 32);
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
      EXPECT_TRUE(BytesAre(h, 0, 32, t == 0 ? 0x11 : 0x22));
      GlobalFree(h);
    }
  }
}

TEST(LongBinary, AssignCopiesAndReleaseFrees) {
  HGLOBAL old = nullptr;
  {
    CLongBinary lb;
    EXPECT_TRUE(lb.m_hData == nullptr && lb.m_dwDataLength == 0u);
    lb.Assign("payload", 7);
    ASSERT_NE(lb.m_hData, nullptr);
    EXPECT_TRUE(lb.m_dwDataLength == 7u && GlobalSize(lb.m_hData) == 7u);
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
  EXPECT_TRUE(BytesAre(empty.m_hData, 0, 3, 0));
  empty.Release();
  EXPECT_TRUE(empty.m_hData == nullptr && empty.m_dwDataLength == 0u);
}

TEST(LongBinary, CopiesAreIndependentAndBounded) {
  CLongBinary source, copy;
  source.Assign("0123456789", 10);
  copy.Assign(source);
  ASSERT_NE(copy.m_hData, source.m_hData);
  EXPECT_EQ(copy.m_dwDataLength, 10u);
  Fill(source.m_hData, 'x', 10);
  source.Release();
  EXPECT_EQ(std::memcmp(GlobalLock(copy.m_hData), "0123456789", 10), 0);
  GlobalUnlock(copy.m_hData);
  copy.Assign(copy);
  EXPECT_TRUE(copy.m_dwDataLength == 10u && GlobalSize(copy.m_hData) == 10u);
  copy.Assign(source);  // copying an empty object leaves no block behind
  EXPECT_TRUE(copy.m_hData == nullptr && copy.m_dwDataLength == 0u);
  // A length claiming more than the block holds, or a dead handle, is
  // never read past.
  source.Assign("abcd", 4);
  source.m_dwDataLength = 4096;
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
