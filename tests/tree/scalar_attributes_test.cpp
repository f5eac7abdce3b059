// Scalar record attributes: the column and stamp of each setter, value
// conversions, NULL versus empty, byte blocks and the codes callers see.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/faults.h"
#include "tree/attribute_fixture.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;
using ScalarTest = AttributeFixture;

std::string BytesOf(const CLongBinary& b) {
  if (b.m_hData == nullptr) return "";
  std::string bytes(static_cast<const char*>(GlobalLock(b.m_hData)), b.m_dwDataLength);
  GlobalUnlock(b.m_hData);
  return bytes;
}

TEST_F(ScalarTest, EachSetterWritesItsOwnColumnAndOnlyStateStamps) {
  CLongBinary block;
  block.Assign("b", 1);
  const COleDateTime day(2000, 1, 1, 0, 0, 0);
  using Setter = std::function<int(void*, long, const COleVariant&)>;
  const struct {
    const char* field;
    Setter set;
  } setters[] = {
      {"DEFNAME", [](void* h, long id, auto&) { return ZLSetDefNameByID(h, id, "v"); }},
      {"STATE", [](void* h, long, auto& b) { return ZLSetStateByBookmark(h, b, 1, 0); }},
      {"TYPE", [](void* h, long id, auto&) { return ZLSetTypeByID(h, id, 1); }},
      {"LEVEL", [](void* h, long, auto& b) { return ZLSetLevelByBookmark(h, b, 1); }},
      {"CREATED_USER", [](void* h, long id, auto&) { return ZLSetCreatedUserByID(h, id, "u", 0); }},
      {"AUTHOR", [](void* h, long, auto& b) { return ZLSetModifiedUserByBookmark(h, b, "u", 0); }},
      {"CREATED_DATE",
       [&](void* h, long id, auto&) { return ZLSetCreatedDateByID(h, id, day, 0); }},
      {"DATE", [&](void* h, long, auto& b) { return ZLSetModifiedDateByBookmark(h, b, day, 0); }},
      {"USES", [](void* h, long, auto& b) { return ZLSetUsesByBookmark(h, b, "u"); }},
      {"SHEET", [&](void* h, long id, auto&) { return ZLSetSheetByID(h, id, block); }},
      {"UDTNAME", [](void* h, long, auto& b) { return ZLSetUDTNameByBookmark(h, b, "t"); }},
      {"WIZTYPE", [](void* h, long id, auto&) { return ZLSetWizTypeByID(h, id, 1); }},
      {"WIZARDDATA",
       [&](void* h, long, auto& b) { return ZLSetWizardDataByBookmark(h, b, block); }},
  };
  for (const auto& setter : setters) {
    SCOPED_TRACE(setter.field);
    COleVariant bookmark;
    const long id = NewRecord(&bookmark);
    AgeLayoutStamp();
    ASSERT_EQ(setter.set(m_hDB, id, bookmark), 1);
    EXPECT_EQ(ZLGetLastError(), 0);
    EXPECT_NE(RawMain(id, setter.field).vt, VT_NULL);
    EXPECT_EQ(LayoutStampRenewed(), std::string(setter.field) == "STATE");
  }
}

TEST_F(ScalarTest, ValuesComeBackAsWrittenAndUnstorableOnesAreRefused) {
  COleVariant mark;
  const long id = NewRecord(&mark);
  ASSERT_EQ(ZLSetStateByID(m_hDB, id, 0xFFFFFFFFul, 0), 1);
  EXPECT_EQ(RawMain(id, "STATE"), COleVariant(int32_t{-1}));
  unsigned long state = 0;
  ASSERT_EQ(ZLGetStateByBookmark(m_hDB, mark, state, 0), 1);
  EXPECT_EQ(state, 0xFFFFFFFFul);
  // Wider than the field's 32 bits: refused, not cut.
  EXPECT_EQ(FailCode(ZLSetTypeByID(m_hDB, id, 0x100000007ul)), ZLE_ENGINE);
  EXPECT_EQ(ZLSetWizTypeByID(m_hDB, id, -(1L << 31) - 1), 0);
  EXPECT_EQ(RawMain(id, "TYPE").vt, VT_NULL);
  ASSERT_EQ(ZLSetWizTypeByID(m_hDB, id, -5), 1);
  long wizType = 0;
  ASSERT_EQ(ZLGetWizTypeByBookmark(m_hDB, mark, wizType), 1);
  EXPECT_EQ(wizType, -5);

  for (DATE value : {-1.25, 45000.123456789}) {  // before 1899-12-30; sub-second
    ASSERT_EQ(ZLSetModifiedDateByID(m_hDB, id, COleDateTime(value), 0), 1);
    COleDateTime read;
    ASSERT_EQ(ZLGetModifiedDateByBookmark(m_hDB, mark, read, 0), 1);
    EXPECT_EQ(read.m_dt, value);
  }

  // Text sizes count characters: 50 fit, 51 do not, 50 two-byte ones do.
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, std::string(50, 'd').c_str()), 1);
  EXPECT_EQ(FailCode(ZLSetDefNameByBookmark(m_hDB, mark, std::string(51, 'x').c_str())),
            ZLE_ENGINE);
  EXPECT_EQ(ZLSetUDTNameByID(m_hDB, id, std::string(21, 'u').c_str()), 0);
  CString defName;
  ASSERT_EQ(ZLGetDefNameByID(m_hDB, id, defName), 1);
  EXPECT_EQ(defName.str(), std::string(50, 'd'));
  std::string umlauts;
  for (int i = 0; i < 50; ++i) umlauts += "\xC3\xA4";
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, umlauts.c_str()), 1);
}

TEST_F(ScalarTest, NeverWrittenIsTenButEmptyIsAText) {
  const long id = NewRecord();
  CString uses("keep");
  COleDateTime date(2020, 1, 2, 3, 4, 5);
  EXPECT_EQ(FailCode(ZLGetUsesByID(m_hDB, id, uses)), ZLE_NULL_VALUE);
  EXPECT_EQ(FailCode(ZLGetCreatedDateByID(m_hDB, id, date, 0)), ZLE_NULL_VALUE);
  EXPECT_STREQ(uses, "keep");
  EXPECT_EQ(date, COleDateTime(2020, 1, 2, 3, 4, 5));

  ASSERT_EQ(ZLSetUsesByID(m_hDB, id, ""), 1);
  ASSERT_EQ(ZLSetCreatedUserByID(m_hDB, id, nullptr, 0), 1);  // NULL text is stored empty
  EXPECT_EQ(RawMain(id, "USES"), COleVariant(""));
  ASSERT_EQ(ZLGetUsesByID(m_hDB, id, uses), 1);
  EXPECT_TRUE(uses.IsEmpty());
  uses = "keep";
  ASSERT_EQ(ZLGetCreatedUserByID(m_hDB, id, uses, 0), 1);
  EXPECT_TRUE(uses.IsEmpty());
}

TEST_F(ScalarTest, ByteBlocksAreHandedOverInFreshBlocksAndEmptiedOnNull) {
  COleVariant mark;
  const long id = NewRecord(&mark);
  const std::string bytes("\x00\x01\xFEsheet\x00", 9);
  CLongBinary in, out;
  in.Assign(bytes.data(), bytes.size());
  out.Assign("older and longer", 16);
  HGLOBAL old = out.m_hData;
  ASSERT_EQ(ZLSetSheetByID(m_hDB, id, in), 1);
  ASSERT_EQ(ZLGetSheetByBookmark(m_hDB, mark, out), 1);
  EXPECT_EQ(BytesOf(out), bytes);
  EXPECT_NE(out.m_hData, in.m_hData);
  EXPECT_EQ(GlobalSize(old), 0u);  // the caller's old block was freed

  // Emptied (an empty array, not NULL) and refilled.
  ASSERT_EQ(ZLSetSheetByBookmark(m_hDB, mark, CLongBinary()), 1);
  EXPECT_TRUE(RawMain(id, "SHEET").IsByteArray());
  ASSERT_EQ(ZLGetSheetByID(m_hDB, id, out), 1);
  EXPECT_EQ(out.m_dwDataLength, 0u);
  in.Assign("refilled", 8);
  ASSERT_EQ(ZLSetSheetByID(m_hDB, id, in), 1);
  ASSERT_EQ(ZLGetSheetByID(m_hDB, id, out), 1);
  EXPECT_EQ(BytesOf(out), "refilled");

  // A missing record leaves the caller's block; a NULL field frees it.
  old = out.m_hData;
  EXPECT_EQ(FailCode(ZLGetWizardDataByID(m_hDB, id + 1, out)), ZLE_NO_RECORD);
  EXPECT_EQ(out.m_hData, old);
  EXPECT_EQ(FailCode(ZLGetWizardDataByBookmark(m_hDB, mark, out)), ZLE_NULL_VALUE);
  EXPECT_EQ(out.m_hData, nullptr);
  EXPECT_EQ(out.m_dwDataLength, 0u);
  EXPECT_EQ(GlobalSize(old), 0u);
}

TEST_F(ScalarTest, CallersSeeSevenEightElevenNineAndSix) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetUsesByID(m_hDB, id, "kept"), 1);
  int garbage = 0;
  CString text("keep");
  for (void* handle : {static_cast<void*>(nullptr), ClosedHandle(), static_cast<void*>(&garbage)}) {
    EXPECT_EQ(FailCode(ZLGetUsesByID(handle, id, text)), ZLE_BAD_HANDLE);
    EXPECT_EQ(FailCode(ZLSetUsesByID(handle, id, "x")), ZLE_BAD_HANDLE);
  }
  for (const COleVariant& mark : {ForeignBookmark(), COleVariant("junk"), COleVariant()}) {
    EXPECT_EQ(FailCode(ZLGetUsesByBookmark(m_hDB, mark, text)), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(FailCode(ZLSetUsesByBookmark(m_hDB, mark, "x")), ZLE_BAD_BOOKMARK);
  }
  EXPECT_EQ(FailCode(ZLSetLevelByID(m_hDB, 0, 1)), ZLE_NO_RECORD);
  for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
    CFaultScope faults;
    CFaultInjector::FailNth(kind, 1);
    EXPECT_EQ(FailCode(ZLSetUsesByID(m_hDB, id, "lost")), ZLE_ENGINE);
  }
  // A fresh handle allocates statements on first use; the first fails.
  for (bool write : {false, true}) {
    Reopen();
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kAllocation, 1);
    EXPECT_EQ(FailCode(write ? ZLSetUsesByID(m_hDB, id, "lost") : ZLGetUsesByID(m_hDB, id, text)),
              ZLE_OUT_OF_MEMORY);
  }
  EXPECT_STREQ(text, "keep");
  EXPECT_EQ(RawMain(id, "USES"), COleVariant("kept"));
}

TEST_F(ScalarTest, StateStampsEvenWhenItsWriteFails) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetStateByID(m_hDB, id, 3, 0), 1);
  AgeLayoutStamp();
  EXPECT_EQ(FailCode(ZLSetStateByID(m_hDB, id + 1, 1, 0)), ZLE_NO_RECORD);
  EXPECT_TRUE(LayoutStampRenewed());
  AgeLayoutStamp();
  EXPECT_EQ(FailCode(ZLSetStateByBookmark(m_hDB, COleVariant("junk"), 1, 0)), ZLE_BAD_BOOKMARK);
  EXPECT_TRUE(LayoutStampRenewed());

  // The storage fails on the state itself, right after the stamp.
  long stampWrites = 0;
  {
    CFaultScope counting;
    zl::CHandleLock lock(m_hDB);
    zl::StampLayoutChange(lock.Record());
    stampWrites = CFaultInjector::Count(FaultKind::kWrite);
  }
  AgeLayoutStamp();
  CFaultScope faults;
  CFaultInjector::FailNth(FaultKind::kWrite, stampWrites + 1);
  EXPECT_EQ(FailCode(ZLSetStateByID(m_hDB, id, 4, 0)), ZLE_ENGINE);
  EXPECT_TRUE(LayoutStampRenewed());
  EXPECT_EQ(RawMain(id, "STATE"), COleVariant(int32_t{3}));
}

}  // namespace
