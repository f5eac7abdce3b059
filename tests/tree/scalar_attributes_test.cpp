// Scalar record attributes: the column each operation reaches, the value
// conversions (texts, NULL versus empty, numbers wider than the field,
// exact dates, byte blocks handed over and taken back), the parameter-set
// argument, the layout stamp and the codes callers see.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/faults.h"
#include "tree/attribute_fixture.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

using ScalarTest = AttributeFixture;

// The four operations of an attribute, adapted to one shape per value kind
// (a parameter-set argument, where the attribute has one, is 0).
template <class Out, class In>
struct Ops {
  const char* field;
  std::function<int(void*, long, Out&)> getByID;
  std::function<int(void*, const COleVariant&, Out&)> getByBookmark;
  std::function<int(void*, long, In)> setByID;
  std::function<int(void*, const COleVariant&, In)> setByBookmark;
};

#define OPS_PLAIN(Name, field) \
  { field, ZLGet##Name##ByID, ZLGet##Name##ByBookmark, ZLSet##Name##ByID, ZLSet##Name##ByBookmark }
#define OPS_PARAM(Name, field, Out, In)                                                          \
  {                                                                                              \
    field, [](void* h, long id, Out& v) { return ZLGet##Name##ByID(h, id, v, 0); },              \
        [](void* h, const COleVariant& b, Out& v) { return ZLGet##Name##ByBookmark(h, b, v, 0); }, \
        [](void* h, long id, In v) { return ZLSet##Name##ByID(h, id, v, 0); },                   \
        [](void* h, const COleVariant& b, In v) { return ZLSet##Name##ByBookmark(h, b, v, 0); }  \
  }

using TextOps = Ops<CString, const char*>;
using UnsignedOps = Ops<unsigned long, unsigned long>;
using DateOps = Ops<COleDateTime, const COleDateTime&>;
using BinaryOps = Ops<CLongBinary, const CLongBinary&>;

const TextOps kTexts[] = {
    OPS_PLAIN(DefName, "DEFNAME"),
    OPS_PARAM(CreatedUser, "CREATED_USER", CString, const char*),
    OPS_PARAM(ModifiedUser, "AUTHOR", CString, const char*),
    OPS_PLAIN(Uses, "USES"),
    OPS_PLAIN(UDTName, "UDTNAME"),
};
const UnsignedOps kUnsigned[] = {
    OPS_PARAM(State, "STATE", unsigned long, unsigned long),
    OPS_PLAIN(Type, "TYPE"),
    OPS_PLAIN(Level, "LEVEL"),
};
const DateOps kDates[] = {
    OPS_PARAM(CreatedDate, "CREATED_DATE", COleDateTime, const COleDateTime&),
    OPS_PARAM(ModifiedDate, "DATE", COleDateTime, const COleDateTime&),
};
const BinaryOps kBinaries[] = {
    OPS_PLAIN(Sheet, "SHEET"),
    OPS_PLAIN(WizardData, "WIZARDDATA"),
};

std::string BytesOf(const CLongBinary& binary) {
  if (binary.m_hData == nullptr) return "";
  const char* p = static_cast<const char*>(GlobalLock(binary.m_hData));
  std::string bytes(p, binary.m_dwDataLength);
  GlobalUnlock(binary.m_hData);
  return bytes;
}

// ---- each operation reaches its own column, by ID and by bookmark ----

TEST_F(ScalarTest, TextsRoundTripThroughTheirOwnColumns) {
  for (const TextOps& ops : kTexts) {
    SCOPED_TRACE(ops.field);
    COleVariant bookmark;
    const long id = NewRecord(&bookmark);
    ASSERT_EQ(ops.setByID(m_hDB, id, "by id"), 1);
    EXPECT_EQ(ZLGetLastError(), 0);
    const COleVariant stored = RawMain(id, ops.field);
    ASSERT_EQ(stored.vt, VT_BSTR);
    EXPECT_STREQ(V_BSTRT(&stored), "by id");
    CString value;
    ASSERT_EQ(ops.getByBookmark(m_hDB, bookmark, value), 1);
    EXPECT_STREQ(value, "by id");

    ASSERT_EQ(ops.setByBookmark(m_hDB, bookmark, "by mark"), 1);
    ASSERT_EQ(ops.getByID(m_hDB, id, value), 1);
    EXPECT_STREQ(value, "by mark");
  }
}

TEST_F(ScalarTest, UnsignedNumbersKeepAllThirtyTwoBits) {
  for (const UnsignedOps& ops : kUnsigned) {
    SCOPED_TRACE(ops.field);
    COleVariant bookmark;
    const long id = NewRecord(&bookmark);
    ASSERT_EQ(ops.setByID(m_hDB, id, 0xFFFFFFFFul), 1);
    EXPECT_EQ(RawMain(id, ops.field), COleVariant(int32_t{-1}));
    unsigned long value = 0;
    ASSERT_EQ(ops.getByBookmark(m_hDB, bookmark, value), 1);
    EXPECT_EQ(value, 0xFFFFFFFFul);

    ASSERT_EQ(ops.setByBookmark(m_hDB, bookmark, 0x80000001ul), 1);
    ASSERT_EQ(ops.getByID(m_hDB, id, value), 1);
    EXPECT_EQ(value, 0x80000001ul);
  }
}

TEST_F(ScalarTest, NumbersTheFieldCannotHoldAreRefusedNotCut) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  ASSERT_EQ(ZLSetTypeByID(m_hDB, id, 7), 1);
  EXPECT_EQ(ZLSetTypeByID(m_hDB, id, 0x100000007ul), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(RawMain(id, "TYPE"), COleVariant(int32_t{7}));

  ASSERT_EQ(ZLSetWizTypeByID(m_hDB, id, -5), 1);
  long wizType = 0;
  ASSERT_EQ(ZLGetWizTypeByBookmark(m_hDB, bookmark, wizType), 1);
  EXPECT_EQ(wizType, -5);
  EXPECT_EQ(ZLSetWizTypeByBookmark(m_hDB, bookmark, 1L << 40), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(ZLSetWizTypeByID(m_hDB, id, -(1L << 31) - 1), 0);
  EXPECT_EQ(RawMain(id, "WIZTYPE"), COleVariant(int32_t{-5}));
}

TEST_F(ScalarTest, DatesKeepTheirExactValue) {
  // Before 1899-12-30 the integral part counts back and the fraction
  // forward; a fraction of a second must survive too.
  const DATE values[] = {-1.25, 45000.123456789, 2958465.5};
  for (const DateOps& ops : kDates) {
    SCOPED_TRACE(ops.field);
    COleVariant bookmark;
    const long id = NewRecord(&bookmark);
    for (DATE value : values) {
      ASSERT_EQ(ops.setByBookmark(m_hDB, bookmark, COleDateTime(value)), 1);
      const COleVariant stored = RawMain(id, ops.field);
      ASSERT_EQ(stored.vt, VT_DATE);
      EXPECT_EQ(stored.date, value);
      COleDateTime read;
      ASSERT_EQ(ops.getByID(m_hDB, id, read), 1);
      EXPECT_EQ(read.m_dt, value);
      EXPECT_EQ(read.GetStatus(), COleDateTime::valid);
    }
  }
}

// ---- NULL versus empty ----

TEST_F(ScalarTest, NeverWrittenFieldsFailWithTenAndLeaveTheCallersValue) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  for (const TextOps& ops : kTexts) {
    SCOPED_TRACE(ops.field);
    CString value("keep");
    EXPECT_EQ(ops.getByID(m_hDB, id, value), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
    EXPECT_STREQ(value, "keep");
  }
  unsigned long state = 42;
  EXPECT_EQ(ZLGetStateByBookmark(m_hDB, bookmark, state, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  EXPECT_EQ(state, 42u);
  COleDateTime date(2020, 1, 2, 3, 4, 5);
  EXPECT_EQ(ZLGetCreatedDateByID(m_hDB, id, date, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  EXPECT_EQ(date, COleDateTime(2020, 1, 2, 3, 4, 5));
}

TEST_F(ScalarTest, EmptyAndNullTextsAreStoredAsEmptyNotAsNull) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetUsesByID(m_hDB, id, ""), 1);
  EXPECT_EQ(RawMain(id, "USES"), COleVariant(""));
  CString uses("stale");
  ASSERT_EQ(ZLGetUsesByID(m_hDB, id, uses), 1);
  EXPECT_TRUE(uses.IsEmpty());

  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, "R1"), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, nullptr), 1);
  CString defName("stale");
  ASSERT_EQ(ZLGetDefNameByID(m_hDB, id, defName), 1);
  EXPECT_TRUE(defName.IsEmpty());
}

TEST_F(ScalarTest, TextsLongerThanTheirFieldAreRefusedAndTheOldValueStays) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, std::string(50, 'd').c_str()), 1);
  EXPECT_EQ(ZLSetDefNameByID(m_hDB, id, std::string(51, 'x').c_str()), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(RawMain(id, "DEFNAME"), COleVariant(std::string(50, 'd').c_str()));

  // Sizes count characters, not bytes.
  std::string umlauts;
  for (int i = 0; i < 50; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(ZLSetDefNameByID(m_hDB, id, umlauts.c_str()), 1);

  EXPECT_EQ(ZLSetUDTNameByID(m_hDB, id, std::string(21, 'u').c_str()), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(ZLSetUsesByID(m_hDB, id, std::string(251, 's').c_str()), 0);
  EXPECT_EQ(ZLSetCreatedUserByID(m_hDB, id, std::string(256, 'c').c_str(), 0), 0);
  EXPECT_EQ(ZLSetCreatedUserByID(m_hDB, id, std::string(255, 'c').c_str(), 0), 1);
}

// ---- byte blocks ----

class ByteBlockTest : public AttributeFixture {
 protected:
  static void Fill(CLongBinary& binary, const std::string& bytes) {
    binary.Assign(bytes.data(), bytes.size());
  }
};

TEST_F(ByteBlockTest, ReadingReplacesTheCallersBlockWithANewOne) {
  for (const BinaryOps& ops : kBinaries) {
    SCOPED_TRACE(ops.field);
    COleVariant bookmark;
    const long id = NewRecord(&bookmark);
    const std::string bytes("\x00\x01\xFEsheet\x00", 9);
    CLongBinary in;
    Fill(in, bytes);
    ASSERT_EQ(ops.setByID(m_hDB, id, in), 1);
    const COleVariant stored = RawMain(id, ops.field);
    ASSERT_TRUE(stored.IsByteArray());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored.GetByteArrayData()),
                          stored.GetByteArraySize()),
              bytes);

    CLongBinary out;
    Fill(out, "an older and longer block");
    const HGLOBAL old = out.m_hData;
    ASSERT_EQ(ops.getByBookmark(m_hDB, bookmark, out), 1);
    EXPECT_NE(out.m_hData, old);
    EXPECT_EQ(GlobalSize(old), 0u);  // the caller's old block was freed
    EXPECT_EQ(out.m_dwDataLength, bytes.size());
    EXPECT_GE(GlobalSize(out.m_hData), bytes.size());
    EXPECT_EQ(BytesOf(out), bytes);
    EXPECT_NE(out.m_hData, in.m_hData);
  }
}

TEST_F(ByteBlockTest, EmptiedAndRefilled) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  CLongBinary value;
  Fill(value, "first");
  ASSERT_EQ(ZLSetSheetByBookmark(m_hDB, bookmark, value), 1);

  // An empty block is stored as an empty byte array, not as NULL.
  CLongBinary empty;
  ASSERT_EQ(ZLSetSheetByID(m_hDB, id, empty), 1);
  EXPECT_TRUE(RawMain(id, "SHEET").IsByteArray());
  CLongBinary out;
  Fill(out, "old");
  ASSERT_EQ(ZLGetSheetByID(m_hDB, id, out), 1);
  EXPECT_EQ(out.m_dwDataLength, 0u);

  Fill(value, "second, longer than the first");
  ASSERT_EQ(ZLSetSheetByID(m_hDB, id, value), 1);
  ASSERT_EQ(ZLGetSheetByBookmark(m_hDB, bookmark, out), 1);
  EXPECT_EQ(BytesOf(out), "second, longer than the first");
}

TEST_F(ByteBlockTest, ANullFieldEmptiesTheCallersBlockAndFailsWithTen) {
  const long id = NewRecord();
  CLongBinary out;
  Fill(out, "caller's");
  const HGLOBAL old = out.m_hData;
  EXPECT_EQ(ZLGetWizardDataByID(m_hDB, id, out), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  EXPECT_EQ(out.m_hData, nullptr);
  EXPECT_EQ(out.m_dwDataLength, 0u);
  EXPECT_EQ(GlobalSize(old), 0u);  // freed, not leaked
}

TEST_F(ByteBlockTest, AMissingRecordLeavesTheCallersBlockAlone) {
  CLongBinary out;
  Fill(out, "caller's");
  const HGLOBAL old = out.m_hData;
  EXPECT_EQ(ZLGetSheetByID(m_hDB, 987654, out), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(out.m_hData, old);
  EXPECT_EQ(BytesOf(out), "caller's");
}

// ---- the parameter-set argument ----

using ParamSetArgumentTest = AttributeFixture;

TEST_F(ParamSetArgumentTest, ANonZeroIDReadsThePARAMSETRowWhateverTheRecord) {
  const long owner = NewRecord();
  const long other = NewRecord();
  const long paramSet = NewParamSet(owner);
  SetRaw(zl::ZLT_PARAMSET, paramSet, "STATE", COleVariant(int32_t{5}));
  SetRaw(zl::ZLT_MAIN, other, "STATE", COleVariant(int32_t{77}));

  for (long recordID : {owner, other, 0L, 123456L}) {
    unsigned long state = 0;
    ASSERT_EQ(ZLGetStateByID(m_hDB, recordID, state, paramSet), 1) << recordID;
    EXPECT_EQ(state, 5u);
  }
  // The bookmark is ignored too, even one this handle never gave out.
  unsigned long state = 0;
  ASSERT_EQ(ZLGetStateByBookmark(m_hDB, ForeignBookmark(), state, paramSet), 1);
  EXPECT_EQ(state, 5u);
  // 0 selects the record's own row again.
  ASSERT_EQ(ZLGetStateByID(m_hDB, other, state, 0), 1);
  EXPECT_EQ(state, 77u);
}

TEST_F(ParamSetArgumentTest, SettersWriteTheParameterSetAndLeaveTheRecordAlone) {
  COleVariant bookmark;
  const long record = NewRecord(&bookmark);
  const long paramSet = NewParamSet(record);
  const COleDateTime when(2011, 3, 4, 5, 6, 7);
  ASSERT_EQ(ZLSetCreatedUserByID(m_hDB, record, "ps creator", paramSet), 1);
  ASSERT_EQ(ZLSetModifiedUserByBookmark(m_hDB, bookmark, "ps author", paramSet), 1);
  ASSERT_EQ(ZLSetCreatedDateByBookmark(m_hDB, bookmark, when, paramSet), 1);
  ASSERT_EQ(ZLSetModifiedDateByID(m_hDB, record, when, paramSet), 1);
  ASSERT_EQ(ZLSetStateByBookmark(m_hDB, bookmark, 9, paramSet), 1);

  EXPECT_EQ(Raw(zl::ZLT_PARAMSET, paramSet, "CREATED_USER"), COleVariant("ps creator"));
  EXPECT_EQ(Raw(zl::ZLT_PARAMSET, paramSet, "AUTHOR"), COleVariant("ps author"));
  EXPECT_EQ(Raw(zl::ZLT_PARAMSET, paramSet, "CREATED_DATE"), COleVariant(when));
  EXPECT_EQ(Raw(zl::ZLT_PARAMSET, paramSet, "DATE"), COleVariant(when));
  EXPECT_EQ(Raw(zl::ZLT_PARAMSET, paramSet, "STATE"), COleVariant(int32_t{9}));
  for (const char* field : {"CREATED_USER", "AUTHOR", "CREATED_DATE", "DATE", "STATE"}) {
    EXPECT_EQ(RawMain(record, field).vt, VT_NULL) << field;
  }

  CString user;
  ASSERT_EQ(ZLGetModifiedUserByID(m_hDB, 0, user, paramSet), 1);
  EXPECT_STREQ(user, "ps author");
  EXPECT_EQ(ZLGetModifiedUserByID(m_hDB, record, user, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
}

TEST_F(ParamSetArgumentTest, AMissingParameterSetIsElevenEvenForAGoodRecord) {
  const long record = NewRecord();
  ASSERT_EQ(ZLSetStateByID(m_hDB, record, 1, 0), 1);
  unsigned long state = 0;
  EXPECT_EQ(ZLGetStateByID(m_hDB, record, state, 4242), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLSetCreatedUserByID(m_hDB, record, "x", 4242), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(RawMain(record, "CREATED_USER").vt, VT_NULL);
}

// ---- the codes callers see ----

using AttributeCodeTest = AttributeFixture;

TEST_F(AttributeCodeTest, BadAndClosedHandlesGiveSeven) {
  const long id = NewRecord();
  void* closed = ClosedHandle();
  int garbage = 0;
  for (void* handle : {static_cast<void*>(nullptr), closed, static_cast<void*>(&garbage)}) {
    CString text("keep");
    EXPECT_EQ(ZLGetDefNameByID(handle, id, text), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(ZLSetUsesByID(handle, id, "x"), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    unsigned long state = 3;
    EXPECT_EQ(ZLGetStateByBookmark(handle, COleVariant(), state, 0), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    CLongBinary sheet;
    EXPECT_EQ(ZLSetSheetByID(handle, id, sheet), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  }
  EXPECT_EQ(RawMain(id, "USES").vt, VT_NULL);
}

TEST_F(AttributeCodeTest, BookmarksThatAreNotThisHandlesGiveEight) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, "mine"), 1);
  const COleVariant foreign = ForeignBookmark();
  COleVariant bytes;
  bytes.SetByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  for (const COleVariant& bookmark :
       {foreign, COleVariant("junk"), COleVariant(), COleVariant(static_cast<int32_t>(id)), bytes}) {
    CString text("keep");
    EXPECT_EQ(ZLGetDefNameByBookmark(m_hDB, bookmark, text), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(ZLSetDefNameByBookmark(m_hDB, bookmark, "theirs"), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  }
  EXPECT_EQ(RawMain(id, "DEFNAME"), COleVariant("mine"));
}

TEST_F(AttributeCodeTest, MissingRecordsGiveEleven) {
  NewRecord();
  CString text;
  EXPECT_EQ(ZLGetUDTNameByID(m_hDB, 0, text), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLSetLevelByID(m_hDB, 555, 1), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(RowCount(zl::ZLT_MAIN), 1);
}

TEST_F(AttributeCodeTest, StorageFailuresGiveNineAndChangeNothing) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, "before"), 1);
  for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
    CFaultScope faults;
    CFaultInjector::FailNth(kind, 1);
    EXPECT_EQ(ZLSetDefNameByID(m_hDB, id, "after"), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  }
  EXPECT_EQ(RawMain(id, "DEFNAME"), COleVariant("before"));
  CString defName;
  ASSERT_EQ(ZLGetDefNameByID(m_hDB, id, defName), 1);
  EXPECT_STREQ(defName, "before");
}

TEST_F(AttributeCodeTest, MemoryExhaustionGivesSix) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetUsesByID(m_hDB, id, "kept"), 1);
  // A fresh handle allocates its statements on first use: the first
  // allocation of the getter, then of the setter, fails.
  CloseLibrary();
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(m_hDB, nullptr);
  {
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kAllocation, 1);
    CString uses("caller");
    EXPECT_EQ(ZLGetUsesByID(m_hDB, id, uses), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
    EXPECT_STREQ(uses, "caller");
  }
  CloseLibrary();
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(m_hDB, nullptr);
  {
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kAllocation, 1);
    EXPECT_EQ(ZLSetUsesByID(m_hDB, id, "lost"), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
  }
  CString uses;
  ASSERT_EQ(ZLGetUsesByID(m_hDB, id, uses), 1);
  EXPECT_STREQ(uses, "kept");
}

// ---- the layout change stamp ----

using ScalarStampTest = AttributeFixture;

TEST_F(ScalarStampTest, NoScalarSetterButStateRenewsTheStamp) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  AgeLayoutStamp();
  CLongBinary block;
  block.Assign("b", 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, "n"), 1);
  ASSERT_EQ(ZLSetTypeByID(m_hDB, id, 1), 1);
  ASSERT_EQ(ZLSetTypeByBookmark(m_hDB, bookmark, 2), 1);
  ASSERT_EQ(ZLSetLevelByID(m_hDB, id, 1), 1);
  ASSERT_EQ(ZLSetCreatedUserByID(m_hDB, id, "u", 0), 1);
  ASSERT_EQ(ZLSetModifiedUserByID(m_hDB, id, "u", 0), 1);
  ASSERT_EQ(ZLSetCreatedDateByID(m_hDB, id, COleDateTime(2000, 1, 1, 0, 0, 0), 0), 1);
  ASSERT_EQ(ZLSetModifiedDateByID(m_hDB, id, COleDateTime(2000, 1, 1, 0, 0, 0), 0), 1);
  ASSERT_EQ(ZLSetUsesByID(m_hDB, id, "u"), 1);
  ASSERT_EQ(ZLSetSheetByID(m_hDB, id, block), 1);
  ASSERT_EQ(ZLSetUDTNameByID(m_hDB, id, "t"), 1);
  ASSERT_EQ(ZLSetWizTypeByID(m_hDB, id, 1), 1);
  ASSERT_EQ(ZLSetWizardDataByID(m_hDB, id, block), 1);
  EXPECT_FALSE(LayoutStampRenewed());

  ASSERT_EQ(ZLSetStateByBookmark(m_hDB, bookmark, 1, 0), 1);
  EXPECT_TRUE(LayoutStampRenewed());
}

TEST_F(ScalarStampTest, StateStampsEvenWhenItsWriteFails) {
  EXPECT_EQ(ZLSetStateByID(m_hDB, 4711, 1, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_TRUE(LayoutStampRenewed());

  AgeLayoutStamp();
  EXPECT_EQ(ZLSetStateByBookmark(m_hDB, COleVariant("junk"), 1, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  EXPECT_TRUE(LayoutStampRenewed());

  AgeLayoutStamp();
  EXPECT_EQ(ZLSetStateByID(m_hDB, 1, 1, 4242), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_TRUE(LayoutStampRenewed());
}

TEST_F(ScalarStampTest, StateStampStandsWhenTheStorageFailsOnTheStateItself) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetStateByID(m_hDB, id, 3, 0), 1);
  // How many writes the stamp alone takes, so that the next one (the
  // state's) can be made to fail.
  long stampWrites = 0;
  {
    CFaultScope counting;
    zl::CHandleLock lock(m_hDB);
    zl::StampLayoutChange(lock.Record());
    stampWrites = CFaultInjector::Count(FaultKind::kWrite);
  }
  ASSERT_GT(stampWrites, 0);
  AgeLayoutStamp();
  {
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kWrite, stampWrites + 1);
    EXPECT_EQ(ZLSetStateByID(m_hDB, id, 4, 0), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  }
  EXPECT_TRUE(LayoutStampRenewed());
  EXPECT_EQ(RawMain(id, "STATE"), COleVariant(int32_t{3}));
}

}  // namespace
