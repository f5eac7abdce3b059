#include "zldbctrl70/platform/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <utility>

#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/longbinary.h"

namespace {

COleVariant Text(const char* s) { return COleVariant(s); }
COleVariant I2(int16_t n) { return COleVariant(n); }
COleVariant I4(int32_t n) { return COleVariant(n); }
COleVariant Bool(bool b) { return COleVariant(static_cast<int16_t>(b), VT_BOOL); }
COleVariant Null() {
  COleVariant v;
  v.SetNull();
  return v;
}
COleVariant ByteArray(const char* bytes, UINT n) {
  COleVariant v;
  v.SetByteArray(bytes, n);
  return v;
}

// Converts and returns the result; the source is left alone.
COleVariant Converted(COleVariant v, VARTYPE to) {
  v.ChangeType(to);
  return v;
}

// A conversion that must fail must also leave the variant exactly as it was.
void ExpectRefused(const COleVariant& source, VARTYPE to) {
  COleVariant v(source);
  EXPECT_THROW(v.ChangeType(to), CTypeMismatchException) << "from " << source.vt << " to " << to;
  // Compared by bits, so that a NaN source counts as unchanged too.
  EXPECT_EQ(v.vt, source.vt) << "kind changed by a failed conversion to " << to;
  EXPECT_EQ(std::memcmp(&v.dblVal, &source.dblVal, sizeof(double)), 0) << to;
  EXPECT_STREQ(v.GetStringValue(), source.GetStringValue()) << to;
  EXPECT_EQ(v.GetByteArraySize(), source.GetByteArraySize()) << to;
}

TEST(VariantConstruct, BooleansAndIntegerWidths) {
  // Any non-zero value given for a boolean becomes -1.
  EXPECT_TRUE(COleVariant(static_cast<int16_t>(5), VT_BOOL).boolVal == VARIANT_TRUE &&
              COleVariant(static_cast<int32_t>(2), VT_BOOL).boolVal == VARIANT_TRUE &&
              COleVariant(0x100000000L, VT_BOOL).boolVal == VARIANT_TRUE);
  const COleVariant f(static_cast<int32_t>(0), VT_BOOL);
  EXPECT_TRUE(f.vt == VT_BOOL && f.boolVal == VARIANT_FALSE);
  EXPECT_TRUE(Bool(true) == COleVariant(static_cast<int32_t>(77), VT_BOOL));
  // A long keeps 32-bit patterns and refuses more.
  const COleVariant mask(0xFFFF0000L);
  EXPECT_TRUE(mask.vt == VT_I4 && static_cast<uint32_t>(mask.lVal) == 0xFFFF0000u);
  EXPECT_EQ(COleVariant(-5L).lVal, -5);
  for (long n : {0x100000000L, -0x80000001L}) EXPECT_THROW(COleVariant{n}, CTypeMismatchException);
  EXPECT_TRUE(COleVariant(static_cast<int32_t>(-2), VT_I2) == I2(-2));
  EXPECT_THROW(COleVariant(static_cast<int32_t>(70000), VT_I2), CTypeMismatchException);
}

TEST(VariantConstruct, StringsAndNull) {
  COleVariant v(static_cast<const char*>(nullptr));
  EXPECT_TRUE(v.vt == VT_BSTR && v.GetStringLength() == 0);
  EXPECT_STREQ(V_BSTRT(&v), "");
  v = "\xC3\xA4x";
  EXPECT_EQ(v.GetStringLength(), 3);
  v = v.GetStringValue();  // re-assigning from its own buffer keeps the text
  EXPECT_STREQ(V_BSTRT(&v), "\xC3\xA4x");
  // Text of a value that is not a string reads as empty.
  const COleVariant n = Null(), i = I4(3);
  EXPECT_EQ(n.vt, VT_NULL);
  EXPECT_TRUE(std::strcmp(V_BSTRT(&n), "") == 0 && std::strcmp(V_BSTRT(&i), "") == 0);
}

TEST(VariantCopy, CopiesAreDeepAndMovesEmptyTheSource) {
  COleVariant a(CString("original"));
  const COleVariant b(a);
  a = "changed";
  EXPECT_STREQ(V_BSTRT(&b), "original");
  const BYTE data[] = {1, 2, 3, 0, 5};
  COleVariant bytes, copy;
  bytes.SetByteArray(data, sizeof(data));
  copy = bytes;
  bytes.SetByteArray("zz", 2);
  ASSERT_EQ(copy.GetByteArraySize(), sizeof(data));
  EXPECT_EQ(std::memcmp(copy.GetByteArrayData(), data, sizeof(data)), 0);
  COleVariant moved(std::move(copy));
  EXPECT_TRUE(moved.IsByteArray());
  // NOLINTNEXTLINE: checking the moved-from state
  EXPECT_TRUE(copy.vt == VT_EMPTY && copy.GetByteArraySize() == 0u);
  moved.Clear();
  EXPECT_TRUE(moved.vt == VT_EMPTY && moved.GetByteArrayData() == nullptr);
}

TEST(VariantEquality, KindAndValueMustMatch) {
  COleVariant byHand;
  byHand.vt = VT_BSTR;  // classic code sets kinds directly
  EXPECT_STREQ(V_BSTRT(&byHand), "");
  const struct {
    COleVariant a, b;
    bool equal;
  } cases[] = {{I4(5), I4(5), true},
               {I4(5), I4(6), false},
               {I4(5), I2(5), false},
               {I4(5), COleVariant(5.0), false},
               {I4(5), Text("5"), false},
               {Null(), Null(), true},
               {COleVariant(), COleVariant(), true},
               {Null(), COleVariant(), false},
               {Text("Abc"), Text("Abc"), true},
               {Text("Abc"), Text("abc"), false},
               {COleVariant(CString("a\0b", 3)), Text("a"), false},
               {byHand, Text(""), true},
               {ByteArray("ab", 2), ByteArray("ab", 2), true},
               {ByteArray("ab", 2), ByteArray("ab", 1), false},
               {COleVariant(COleDateTime(2.5)), COleVariant(2.5), false}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].a == cases[i].b, cases[i].equal) << "row " << i;
    EXPECT_EQ(cases[i].a != cases[i].b, !cases[i].equal) << "row " << i;
  }
}

// Numbers to and from text, fractions rounding to the nearest even number,
// booleans both ways (true is -1), dates to and from text and numbers, empty
// giving zero or nothing, anything becoming null or empty.
TEST(VariantChangeType, Conversions) {
  const COleVariant date(COleDateTime(1900, 1, 1, 6, 0, 0));
  const struct {
    COleVariant from;
    VARTYPE to;
    COleVariant expected;
  } cases[] = {{I4(-123), VT_BSTR, Text("-123")},
               {COleVariant(0.1), VT_BSTR, Text("0.1")},
               {COleVariant(1.5f), VT_BSTR, Text("1.5")},
               {COleVariant(static_cast<BYTE>(200)), VT_BSTR, Text("200")},
               {Text(" 42 "), VT_I4, I4(42)},
               {Text("+7"), VT_I2, I2(7)},
               {Text("-2147483648"), VT_I4, I4(std::numeric_limits<int32_t>::min())},
               {Text("2.5e3"), VT_R8, COleVariant(2500.0)},
               {Text("1.5"), VT_I4, I4(2)},
               {Text("2.5"), VT_I4, I4(2)},
               {COleVariant(-2.6), VT_I2, I2(-3)},
               {COleVariant(254.5), VT_UI1, COleVariant(static_cast<BYTE>(254))},
               {COleVariant(COleDateTime(3.75)), VT_I4, I4(4)},
               {I4(7), VT_BOOL, Bool(true)},
               {COleVariant(0.25), VT_BOOL, Bool(true)},
               {I4(0), VT_BOOL, Bool(false)},
               {Text("TRUE"), VT_BOOL, Bool(true)},
               {Text("false"), VT_BOOL, Bool(false)},
               {Text("3"), VT_BOOL, Bool(true)},
               {Bool(true), VT_I4, I4(-1)},
               {Bool(true), VT_BSTR, Text("-1")},
               {Text("-1"), VT_BOOL, Bool(true)},
               {date, VT_BSTR, Text("1900-01-01 06:00:00")},
               {date, VT_R8, COleVariant(2.25)},
               {Text("1900-01-01 06:00:00"), VT_DATE, date},
               {I4(36526), VT_DATE, COleVariant(COleDateTime(36526.0))},
               {COleVariant(), VT_I4, I4(0)},
               {COleVariant(), VT_BSTR, Text("")},
               {Null(), VT_EMPTY, COleVariant()},
               {Text("x"), VT_NULL, Null()}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_TRUE(Converted(cases[i].from, cases[i].to) == cases[i].expected) << "row " << i;
  }
  // Text of a real reads back as the very same value.
  const double awkward = 0.1 + 0.2;
  const COleVariant r = Converted(Converted(COleVariant(awkward), VT_BSTR), VT_R8);
  EXPECT_EQ(std::memcmp(&r.dblVal, &awkward, sizeof(double)), 0);
}

TEST(VariantChangeType, RefusalsLeaveTheValueUnchanged) {
  for (VARTYPE to : {VT_I2, VT_I4, VT_R8, VT_BSTR, VT_BOOL, VT_DATE, VT_UI1}) {
    ExpectRefused(Null(), to);
  }
  for (const char* text : {"abc", "", "12abc", "0x10"}) ExpectRefused(Text(text), VT_I4);
  for (const char* text : {"inf", "nan", "1e400"}) ExpectRefused(Text(text), VT_R8);
  for (const char* text : {"2024-02-30", "12"}) ExpectRefused(Text(text), VT_DATE);
  ExpectRefused(Text("yes"), VT_BOOL);
  ExpectRefused(Text("1"), VT_UI1 | VT_ARRAY);
  ExpectRefused(I4(40000), VT_I2);
  for (int n : {256, -1}) ExpectRefused(I4(n), VT_UI1);
  for (double d : {3e9, std::nan("")}) ExpectRefused(COleVariant(d), VT_I4);
  ExpectRefused(COleVariant(1e40), VT_R4);
  ExpectRefused(COleVariant(1e7), VT_DATE);
  ExpectRefused(COleVariant(COleDateTime(1e7)), VT_BSTR);
  for (VARTYPE to : {VT_I4, VT_BSTR}) ExpectRefused(ByteArray("ab", 2), to);
}

TEST(VariantLongBinary, CopiesTheBlockBytes) {
  CLongBinary lb;
  lb.Assign("\x01\x02\x03\x04", 4);
  const COleVariant v(lb);
  EXPECT_TRUE(v == ByteArray("\x01\x02\x03\x04", 4));
  // A length that claims more than the block holds is cut to the block.
  lb.m_dwDataLength = 1000;
  EXPECT_EQ(COleVariant(lb).GetByteArraySize(), 4u);
  lb.m_dwDataLength = 4;
  const COleVariant e{CLongBinary()};
  EXPECT_TRUE(e.IsByteArray() && e.GetByteArraySize() == 0u);
}

}  // namespace
