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

TEST_F(ScalarTest, EachSetterWritesItsOwnColumnAndOnlyStateStamps) {
  CLongBinary block;
  block.Assign("b", 1);
  const COleDateTime day(2000, 1, 1, 0, 0, 0);
  const std::pair<const char*, std::function<int(void*, long, const COleVariant&)>> setters[] = {
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
  for (const auto& [field, set] : setters) {
    SCOPED_TRACE(field);
    COleVariant bookmark;
    const long id = NewRecord(&bookmark);
    AgeLayoutStamp();
    ASSERT_EQ(set(m_hDB, id, bookmark), 1);
    EXPECT_EQ(ZLGetLastError(), 0);
    EXPECT_NE(RawMain(id, field).vt, VT_NULL);
    EXPECT_EQ(LayoutStampRenewed(), std::string(field) == "STATE");
  }
}

TEST_F(ScalarTest, ValuesComeBackAsWrittenUnstorableOnesAreRefusedAndEmptyIsNotNull) {
  COleVariant mark;
  const long id = NewRecord(&mark);
  ASSERT_EQ(ZLSetStateByID(m_hDB, id, 0xFFFFFFFFul, 0), 1);
  EXPECT_EQ(RawMain(id, "STATE"), COleVariant(int32_t{-1}));
  unsigned long state = 0;
  EXPECT_TRUE(ZLGetStateByBookmark(m_hDB, mark, state, 0) == 1 && state == 0xFFFFFFFFul);
  // Numbers wider than 32 bits are refused by the walk over every export
  // in tests/api.
  ASSERT_EQ(ZLSetWizTypeByID(m_hDB, id, -5), 1);
  long wizType = 0;
  EXPECT_TRUE(ZLGetWizTypeByBookmark(m_hDB, mark, wizType) == 1 && wizType == -5);

  for (DATE value : {-1.25, 45000.123456789}) {  // before 1899-12-30; sub-second
    ASSERT_EQ(ZLSetModifiedDateByID(m_hDB, id, COleDateTime(value), 0), 1);
    COleDateTime read;
    EXPECT_TRUE(ZLGetModifiedDateByBookmark(m_hDB, mark, read, 0) == 1 && read.m_dt == value);
  }

  // Text sizes count characters: 50 fit, 51 do not, 50 two-byte ones do.
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, std::string(50, 'd').c_str()), 1);
  EXPECT_EQ(FailCode(ZLSetDefNameByBookmark(m_hDB, mark, std::string(51, 'x').c_str())),
            ZLE_ENGINE);
  EXPECT_EQ(ZLSetUDTNameByID(m_hDB, id, std::string(21, 'u').c_str()), 0);
  CString defName;
  EXPECT_TRUE(ZLGetDefNameByID(m_hDB, id, defName) == 1 && defName.str() == std::string(50, 'd'));
  std::string umlauts;
  for (int i = 0; i < 50; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(ZLSetDefNameByID(m_hDB, id, umlauts.c_str()), 1);

  // Never written is a NULL value; empty is a text.
  CString uses("keep");
  COleDateTime date(2020, 1, 2, 3, 4, 5);
  EXPECT_EQ(FailCode(ZLGetUsesByID(m_hDB, id, uses)), ZLE_NULL_VALUE);
  EXPECT_EQ(FailCode(ZLGetCreatedDateByID(m_hDB, id, date, 0)), ZLE_NULL_VALUE);
  EXPECT_TRUE(uses == "keep" && date == COleDateTime(2020, 1, 2, 3, 4, 5));

  // A null text pointer is stored empty.
  ASSERT_TRUE(ZLSetUsesByID(m_hDB, id, "") == 1 &&
              ZLSetCreatedUserByID(m_hDB, id, nullptr, 0) == 1);
  EXPECT_EQ(RawMain(id, "USES"), COleVariant(""));
  EXPECT_TRUE(ZLGetUsesByID(m_hDB, id, uses) == 1 && uses.IsEmpty());
  uses = "keep";
  EXPECT_TRUE(ZLGetCreatedUserByID(m_hDB, id, uses, 0) == 1 && uses.IsEmpty());
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
  ASSERT_TRUE(out.m_hData != nullptr && out.m_hData != in.m_hData);
  EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(out.m_hData)), out.m_dwDataLength),
            bytes);
  GlobalUnlock(out.m_hData);
  EXPECT_EQ(GlobalSize(old), 0u);  // the caller's old block was freed

  // Emptied: an empty array, not NULL.
  ASSERT_EQ(ZLSetSheetByBookmark(m_hDB, mark, CLongBinary()), 1);
  EXPECT_TRUE(RawMain(id, "SHEET").IsByteArray());
  EXPECT_TRUE(ZLGetSheetByID(m_hDB, id, out) == 1 && out.m_dwDataLength == 0);

  // A missing record leaves the caller's block; a NULL field frees it.
  old = out.m_hData;
  EXPECT_TRUE(FailCode(ZLGetWizardDataByID(m_hDB, id + 1, out)) == ZLE_NO_RECORD &&
              out.m_hData == old);
  EXPECT_EQ(FailCode(ZLGetWizardDataByBookmark(m_hDB, mark, out)), ZLE_NULL_VALUE);
  EXPECT_TRUE(out.m_hData == nullptr && out.m_dwDataLength == 0 && GlobalSize(old) == 0);
}

TEST_F(ScalarTest, CallersSeeEightElevenNineAndSix) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetUsesByID(m_hDB, id, "kept"), 1);
  CString text("keep");
  for (const COleVariant& mark : {ForeignBookmark(), COleVariant("junk"), COleVariant()}) {
    EXPECT_EQ(FailCode(ZLGetUsesByBookmark(m_hDB, mark, text)), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(FailCode(ZLSetUsesByBookmark(m_hDB, mark, "x")), ZLE_BAD_BOOKMARK);
  }
  EXPECT_EQ(FailCode(ZLSetLevelByID(m_hDB, 0, 1)), ZLE_NO_RECORD);
  // A fresh handle allocates statements on first use; the first fails.
  for (bool write : {false, true}) {
    Reopen();
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kAllocation, 1);
    EXPECT_EQ(FailCode(write ? ZLSetUsesByID(m_hDB, id, "lost") : ZLGetUsesByID(m_hDB, id, text)),
              ZLE_OUT_OF_MEMORY);
  }
  EXPECT_TRUE(text == "keep" && RawMain(id, "USES") == COleVariant("kept"));
}

// A refused state write leaves no stamp.
TEST_F(ScalarTest, RefusedStateWriteLeavesNoStamp) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetStateByID(m_hDB, id, 3, 0), 1);
  AgeLayoutStamp();
  EXPECT_EQ(FailCode(ZLSetStateByID(m_hDB, id + 1, 1, 0)), ZLE_NO_RECORD);
  EXPECT_FALSE(LayoutStampRenewed());
  EXPECT_EQ(FailCode(ZLSetStateByBookmark(m_hDB, COleVariant("junk"), 1, 0)), ZLE_BAD_BOOKMARK);
  EXPECT_FALSE(LayoutStampRenewed());
}

}  // namespace
