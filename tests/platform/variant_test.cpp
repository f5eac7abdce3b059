#include "zldbctrl70/platform/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/longbinary.h"

namespace {

COleVariant Text(const char* s) { return COleVariant(s); }

// Converts and returns the result; the source is left alone.
COleVariant Converted(COleVariant v, VARTYPE to) {
  v.ChangeType(to);
  return v;
}

// The text a conversion to VT_BSTR gives.
std::string AsText(const COleVariant& v) { return Converted(v, VT_BSTR).GetStringValue(); }

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

TEST(VariantBoolean, AnyNonZeroValueIsMinusOne) {
  EXPECT_EQ(COleVariant(static_cast<int16_t>(5), VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(COleVariant(static_cast<int32_t>(2), VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(COleVariant(0x100000000L, VT_BOOL).boolVal, VARIANT_TRUE);
  COleVariant f(static_cast<int32_t>(0), VT_BOOL);
  EXPECT_EQ(f.vt, VT_BOOL);
  EXPECT_EQ(f.boolVal, VARIANT_FALSE);
  // Two trues made from different numbers are the same value.
  EXPECT_TRUE(COleVariant(static_cast<int16_t>(1), VT_BOOL) ==
              COleVariant(static_cast<int32_t>(77), VT_BOOL));
}

TEST(VariantConstruct, LongKeepsThirtyTwoBitPatternsAndRefusesMore) {
  COleVariant mask(0xFFFF0000L);
  EXPECT_EQ(mask.vt, VT_I4);
  EXPECT_EQ(static_cast<uint32_t>(mask.lVal), 0xFFFF0000u);
  EXPECT_EQ(COleVariant(-5L).lVal, -5);
  EXPECT_THROW(COleVariant(0x100000000L), CTypeMismatchException);
  EXPECT_THROW(COleVariant(-0x80000001L), CTypeMismatchException);
  COleVariant small(static_cast<int32_t>(-2), VT_I2);
  EXPECT_EQ(small.vt, VT_I2);
  EXPECT_EQ(small.iVal, -2);
  EXPECT_THROW(COleVariant(static_cast<int32_t>(70000), VT_I2), CTypeMismatchException);
}

TEST(VariantConstruct, StringsAndNull) {
  COleVariant v(static_cast<const char*>(nullptr));
  EXPECT_EQ(v.vt, VT_BSTR);
  EXPECT_STREQ(V_BSTRT(&v), "");
  EXPECT_EQ(v.GetStringLength(), 0);
  v = "\xC3\xA4x";
  EXPECT_EQ(v.GetStringLength(), 3);
  // Re-assigning a variant from its own buffer keeps the text.
  v = v.GetStringValue();
  EXPECT_STREQ(V_BSTRT(&v), "\xC3\xA4x");
  COleVariant n;
  n.SetNull();
  EXPECT_EQ(n.vt, VT_NULL);
  EXPECT_STREQ(V_BSTRT(&n), "");
  COleVariant i(static_cast<int32_t>(3));
  EXPECT_STREQ(V_BSTRT(&i), "");
}

TEST(VariantCopy, CopiesAreDeepAndMovesEmptyTheSource) {
  COleVariant a(CString("original"));
  COleVariant b(a);
  a = "changed";
  EXPECT_STREQ(V_BSTRT(&b), "original");
  COleVariant bytes;
  const BYTE data[] = {1, 2, 3, 0, 5};
  bytes.SetByteArray(data, sizeof(data));
  COleVariant copy;
  copy = bytes;
  bytes.SetByteArray("zz", 2);
  ASSERT_EQ(copy.GetByteArraySize(), sizeof(data));
  EXPECT_EQ(std::memcmp(copy.GetByteArrayData(), data, sizeof(data)), 0);
  COleVariant moved(std::move(copy));
  EXPECT_TRUE(moved.IsByteArray());
  EXPECT_EQ(copy.vt, VT_EMPTY);  // NOLINT: checking the moved-from state
  EXPECT_EQ(copy.GetByteArraySize(), 0u);
  moved.Clear();
  EXPECT_EQ(moved.vt, VT_EMPTY);
  EXPECT_EQ(moved.GetByteArrayData(), nullptr);
}

TEST(VariantEquality, KindAndValueMustMatch) {
  EXPECT_TRUE(COleVariant(static_cast<int32_t>(5)) == COleVariant(static_cast<int32_t>(5)));
  EXPECT_FALSE(COleVariant(static_cast<int32_t>(5)) == COleVariant(static_cast<int32_t>(6)));
  EXPECT_FALSE(COleVariant(static_cast<int32_t>(5)) == COleVariant(static_cast<int16_t>(5)));
  EXPECT_FALSE(COleVariant(static_cast<int32_t>(5)) == COleVariant(5.0));
  EXPECT_FALSE(COleVariant(static_cast<int32_t>(5)) == Text("5"));
  COleVariant n1, n2, empty;
  n1.SetNull();
  n2.SetNull();
  EXPECT_TRUE(n1 == n2);
  EXPECT_TRUE(empty == COleVariant());
  EXPECT_FALSE(n1 == empty);
  EXPECT_TRUE(Text("Abc") == Text("Abc"));
  EXPECT_TRUE(Text("Abc") != Text("abc"));
  EXPECT_FALSE(COleVariant(CString("a\0b", 3)) == Text("a"));
  COleVariant byHand;
  byHand.vt = VT_BSTR;  // classic code sets kinds directly
  EXPECT_TRUE(byHand == Text(""));
  EXPECT_STREQ(V_BSTRT(&byHand), "");
  COleVariant a1, a2;
  a1.SetByteArray("ab", 2);
  a2.SetByteArray("ab", 2);
  EXPECT_TRUE(a1 == a2);
  a2.SetByteArray("ab", 1);
  EXPECT_FALSE(a1 == a2);
  EXPECT_FALSE(COleVariant(COleDateTime(2.5)) == COleVariant(2.5));
}

TEST(VariantChangeType, NumbersToAndFromText) {
  EXPECT_EQ(AsText(COleVariant(static_cast<int32_t>(-123))), "-123");
  EXPECT_EQ(AsText(COleVariant(0.1)), "0.1");
  EXPECT_EQ(AsText(COleVariant(1.5f)), "1.5");
  EXPECT_EQ(AsText(COleVariant(static_cast<BYTE>(200))), "200");
  EXPECT_EQ(Converted(Text(" 42 "), VT_I4).lVal, 42);
  EXPECT_EQ(Converted(Text("+7"), VT_I2).iVal, 7);
  EXPECT_EQ(Converted(Text("-2147483648"), VT_I4).lVal, std::numeric_limits<int32_t>::min());
  EXPECT_DOUBLE_EQ(Converted(Text("2.5e3"), VT_R8).dblVal, 2500.0);
  // Text of a real reads back as the very same value.
  double awkward = 0.1 + 0.2;
  COleVariant r = Converted(Converted(COleVariant(awkward), VT_BSTR), VT_R8);
  EXPECT_EQ(std::memcmp(&r.dblVal, &awkward, sizeof(double)), 0);
}

TEST(VariantChangeType, FractionsRoundToNearestEven) {
  EXPECT_EQ(Converted(Text("1.5"), VT_I4).lVal, 2);
  EXPECT_EQ(Converted(Text("2.5"), VT_I4).lVal, 2);
  EXPECT_EQ(Converted(COleVariant(-2.6), VT_I2).iVal, -3);
  EXPECT_EQ(Converted(COleVariant(254.5), VT_UI1).bVal, 254);
  EXPECT_EQ(Converted(COleVariant(COleDateTime(3.75)), VT_I4).lVal, 4);
}

TEST(VariantChangeType, BooleansBothWays) {
  EXPECT_EQ(Converted(COleVariant(static_cast<int32_t>(7)), VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(Converted(COleVariant(0.25), VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(Converted(COleVariant(static_cast<int32_t>(0)), VT_BOOL).boolVal, VARIANT_FALSE);
  EXPECT_EQ(Converted(Text("TRUE"), VT_BOOL).boolVal, VARIANT_TRUE);
  EXPECT_EQ(Converted(Text("false"), VT_BOOL).boolVal, VARIANT_FALSE);
  EXPECT_EQ(Converted(Text("3"), VT_BOOL).boolVal, VARIANT_TRUE);
  COleVariant t(static_cast<int16_t>(1), VT_BOOL);
  EXPECT_EQ(Converted(t, VT_I4).lVal, -1);
  EXPECT_EQ(AsText(t), "-1");
  EXPECT_EQ(Converted(Converted(t, VT_BSTR), VT_BOOL).boolVal, VARIANT_TRUE);
}

TEST(VariantChangeType, DatesToAndFromTextAndNumbers) {
  COleVariant d(COleDateTime(1900, 1, 1, 6, 0, 0));
  EXPECT_EQ(AsText(d), "1900-01-01 06:00:00");
  EXPECT_DOUBLE_EQ(Converted(d, VT_R8).dblVal, 2.25);
  COleVariant back = Converted(Text("1900-01-01 06:00:00"), VT_DATE);
  EXPECT_EQ(back.vt, VT_DATE);
  EXPECT_DOUBLE_EQ(back.date, 2.25);
  EXPECT_DOUBLE_EQ(Converted(COleVariant(static_cast<int32_t>(36526)), VT_DATE).date, 36526.0);
}

TEST(VariantChangeType, EmptyGivesZeroAndNullGivesNothing) {
  EXPECT_EQ(Converted(COleVariant(), VT_I4).lVal, 0);
  EXPECT_EQ(AsText(COleVariant()), "");
  COleVariant n;
  n.SetNull();
  for (VARTYPE to : {VT_I2, VT_I4, VT_R8, VT_BSTR, VT_BOOL, VT_DATE, VT_UI1}) ExpectRefused(n, to);
  EXPECT_EQ(Converted(n, VT_EMPTY).vt, VT_EMPTY);
  EXPECT_EQ(Converted(Text("x"), VT_NULL).vt, VT_NULL);
}

TEST(VariantChangeType, RefusalsLeaveTheValueUnchanged) {
  ExpectRefused(Text("abc"), VT_I4);
  ExpectRefused(Text(""), VT_I4);
  ExpectRefused(Text("12abc"), VT_I4);
  ExpectRefused(Text("0x10"), VT_I4);
  ExpectRefused(Text("inf"), VT_R8);
  ExpectRefused(Text("nan"), VT_R8);
  ExpectRefused(Text("1e400"), VT_R8);
  ExpectRefused(Text("yes"), VT_BOOL);
  ExpectRefused(Text("2024-02-30"), VT_DATE);
  ExpectRefused(Text("12"), VT_DATE);
  ExpectRefused(COleVariant(static_cast<int32_t>(40000)), VT_I2);
  ExpectRefused(COleVariant(static_cast<int32_t>(256)), VT_UI1);
  ExpectRefused(COleVariant(static_cast<int32_t>(-1)), VT_UI1);
  ExpectRefused(COleVariant(3e9), VT_I4);
  ExpectRefused(COleVariant(1e40), VT_R4);
  ExpectRefused(COleVariant(std::nan("")), VT_I4);
  ExpectRefused(COleVariant(1e7), VT_DATE);
  ExpectRefused(COleVariant(COleDateTime(1e7)), VT_BSTR);
  COleVariant bytes;
  bytes.SetByteArray("ab", 2);
  ExpectRefused(bytes, VT_I4);
  ExpectRefused(bytes, VT_BSTR);
  ExpectRefused(Text("1"), VT_UI1 | VT_ARRAY);
}

TEST(VariantLongBinary, CopiesTheBlockBytes) {
  CLongBinary lb;
  lb.Assign("\x01\x02\x03\x04", 4);
  COleVariant v(lb);
  ASSERT_TRUE(v.IsByteArray());
  ASSERT_EQ(v.GetByteArraySize(), 4u);
  EXPECT_EQ(std::memcmp(v.GetByteArrayData(), "\x01\x02\x03\x04", 4), 0);
  // A length that claims more than the block holds is cut to the block.
  lb.m_dwDataLength = 1000;
  EXPECT_EQ(COleVariant(lb).GetByteArraySize(), 4u);
  lb.m_dwDataLength = 4;
  CLongBinary none;
  COleVariant e(none);
  EXPECT_TRUE(e.IsByteArray());
  EXPECT_EQ(e.GetByteArraySize(), 0u);
}

}  // namespace
