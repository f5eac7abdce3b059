// The field rules Update enforces and the conversions between variants and
// stored values.  That a refused Update keeps its buffer and writes nothing
// is checked against a model by the random-operations test.
#include <cstring>

#include "engine_fixture.h"

namespace enginetest {
namespace {

class FieldRulesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateTable(m_db, "RULES",
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"T", dbText, 5, dbUpdatableField, false},
                 {"TZ", dbText, 5, dbUpdatableField, true},
                 {"M", dbMemo, 0, dbUpdatableField, false},
                 {"B", dbByte, 1, dbUpdatableField, false},
                 {"I", dbInteger, 2, dbUpdatableField, false},
                 {"L", dbLong, 4, dbUpdatableField, false},
                 {"S", dbSingle, 4, dbUpdatableField, false},
                 {"D", dbDouble, 8, dbUpdatableField, false},
                 {"C", dbCurrency, 8, dbUpdatableField, false},
                 {"DT", dbDate, 8, dbUpdatableField, false},
                 {"F", dbBoolean, 1, dbUpdatableField, false},
                 {"BIN", dbLongBinary, 0, dbUpdatableField, false},
                 {"REQ", dbLong, 4, dbUpdatableField, false, true}},
                {});
    m_rs.Open(dbOpenTable, "RULES");
  }

  // Update of a new row with REQ filled and one more field set; the error.
  long AddWith(const char* field, const COleVariant& value) {
    return ErrorOf([&] {
      m_rs.AddNew();
      m_rs.SetFieldValue("REQ", Long(1));
      m_rs.SetFieldValue(field, value);
      try {
        m_rs.Update();
      } catch (...) {
        m_rs.CancelUpdate();
        throw;
      }
    });
  }
  // Adds a row with one field set and reads it back.
  COleVariant RoundTrip(const char* field, const COleVariant& value) {
    m_rs.SetBookmark(AddRow(m_rs, {{"REQ", Long(1)}, {field, value}}));
    return m_rs.GetFieldValue(field);
  }

  CDaoRecordset m_rs{&m_db};
};

// Text sizes count characters, not bytes; numbers must fit the field.
// Sizes of well-formed text and empty text are met by the random-operations
// test; here text that is not well-formed UTF-8, whose bytes outside a
// well-formed sequence count one each, and the other kinds of field.
TEST_F(FieldRulesTest, EachFieldRuleRefusesWithItsNumber) {
  const struct {
    const char* field;
    COleVariant value;
    long error;
  } cases[] = {{"T", COleVariant("x\xB0\xB0\xB0\xB0"), 0},
               {"T", COleVariant("x\xB0\xB0\xB0\xB0\xB0"), kDaoFieldTooSmall},
               {"T", COleVariant("\xB0\xB1\xB5\xB0\xB1\xB5"), kDaoFieldTooSmall},
               {"T", COleVariant("ab\xC3\xE2\x82"), 0},
               {"T", COleVariant("abc\xC3\xE2\x82"), kDaoFieldTooSmall},
               {"T", COleVariant("\xC0\x80\xED\xA0\x80\xF4\x90"), kDaoFieldTooSmall},
               {"T", COleVariant("\xF0\x9F\x98\x80\xF4\x8F\xBF\xBFxyz"), 0},
               {"M", COleVariant(""), kDaoZeroLength},
               {"B", Long(255), 0},
               {"B", Long(256), kDaoNumericOverflow},
               {"B", Long(-1), kDaoNumericOverflow},
               {"I", Long(-32768), 0},
               {"I", Long(32768), kDaoNumericOverflow},
               {"L", COleVariant(2147483647.0), 0},
               {"L", COleVariant(2147483648.0), kDaoNumericOverflow},
               {"L", COleVariant(-2147483649.0), kDaoNumericOverflow},
               {"S", COleVariant(1e300), kDaoNumericOverflow},
               {"REQ", Null(), kDaoFieldRequired}};
  long added = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + Text(c.value));
    EXPECT_EQ(AddWith(c.field, c.value), c.error);
    if (c.error == 0) ++added;
  }
  EXPECT_EQ(m_rs.GetRecordCount(), added) << "refused rows are not written";
  COleVariant empty = RoundTrip("TZ", COleVariant(""));
  EXPECT_EQ(empty.vt, VT_BSTR) << "an empty string reads back as a string, not NULL";
  EXPECT_EQ(empty.GetStringLength(), 0);
}

TEST_F(FieldRulesTest, ValuesThatCannotBeConvertedAreRefusedWhenSet) {
  m_rs.AddNew();  // text into a number and a counter: see the random-operations test
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("DT", COleVariant("not a date")); }),
            kDaoConversionError);
  COleVariant bytes;
  const BYTE raw[] = {1, 2};
  bytes.SetByteArray(raw, sizeof raw);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("D", bytes); }), kDaoConversionError);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("NOPE", Long(5)); }), kDaoItemNotFound);
  // Text that holds a number converts.
  m_rs.SetFieldValue("L", COleVariant(" 42 "));
  EXPECT_EQ(m_rs.GetFieldValue("L").lVal, 42);
  EXPECT_EQ(m_rs.GetFieldValue("T").vt, VT_NULL);
  EXPECT_EQ(m_rs.GetFieldValue("ID").vt, VT_NULL) << "counters are assigned by Update";
  m_rs.SetFieldValueNull("L");
  EXPECT_EQ(m_rs.GetFieldValue("L").vt, VT_NULL);
  m_rs.CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("L", Long(1)); }), kDaoUpdateWithoutEdit);
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoUpdateWithoutEdit);
  EXPECT_EQ(ErrorOf([&] { m_rs.CancelUpdate(); }), kDaoUpdateWithoutEdit);
}

TEST_F(FieldRulesTest, ValuesReadBackAsTheFieldsKindsAndExactly) {
  // Whole numbers compare as text; single and currency by value.
  const struct {
    const char* field;
    COleVariant value;
    VARTYPE vt;
    const char* text;
  } cases[] = {{"B", COleVariant(200.0), VT_UI1, "200"},
               {"I", COleVariant("-123"), VT_I2, "-123"},
               {"L", COleVariant(2.5), VT_I4, "2"},  // rounds half to even
               {"F", COleVariant(int16_t{2}), VT_BOOL, "true"},
               {"T", Null(), VT_NULL, "NULL"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    COleVariant v = RoundTrip(c.field, c.value);
    EXPECT_EQ(v.vt, c.vt);
    EXPECT_EQ(Text(v), c.text);
  }
  COleVariant s = RoundTrip("S", COleVariant(1.1));
  EXPECT_EQ(s.vt, VT_R4);
  EXPECT_EQ(s.fltVal, 1.1f);
  COleVariant c = RoundTrip("C", COleVariant(1.234567));
  EXPECT_EQ(c.vt, VT_R8);
  EXPECT_DOUBLE_EQ(c.dblVal, 1.2346);
  COleVariant m = RoundTrip("M", COleVariant(std::string(100000, 'x').c_str()));
  EXPECT_EQ(m.vt, VT_BSTR);
  EXPECT_EQ(m.GetStringLength(), 100000);
  // Dates and binary values come back exactly.
  const double when = 45123.123456789012;
  COleVariant date;
  date.vt = VT_DATE;
  date.date = when;
  COleVariant d = RoundTrip("DT", date);
  EXPECT_EQ(d.vt, VT_DATE);
  EXPECT_EQ(d.date, when);
  const BYTE raw[] = {0, 1, 0, 255, 0};
  COleVariant bytes;
  bytes.SetByteArray(raw, sizeof raw);
  COleVariant back = RoundTrip("BIN", bytes);
  ASSERT_TRUE(back.IsByteArray());
  ASSERT_EQ(back.GetByteArraySize(), sizeof raw);
  EXPECT_EQ(std::memcmp(back.GetByteArrayData(), raw, sizeof raw), 0);
}

// Bytes set without a copy: what was there at Update is what the file
// holds (the row keeps no pointer to them); a later set of the same field,
// either way, wins; only long-binary fields in an edit take them.
TEST_F(FieldRulesTest, BorrowedBytesAreWrittenAsTheyWereAtUpdate) {
  auto stored = [&](const COleVariant& bookmark) {
    m_rs.SetBookmark(bookmark);
    const COleVariant v = m_rs.GetFieldValue("BIN");
    return v.IsByteArray() ? std::string(reinterpret_cast<const char*>(v.GetByteArrayData()),
                                         v.GetByteArraySize())
                           : std::string("<not bytes>");
  };
  std::string buffer(100000, 'a');
  m_rs.AddNew();
  m_rs.SetFieldValue("REQ", Long(1));
  m_rs.SetFieldBytes("BIN", buffer.data(), buffer.size());
  EXPECT_EQ(m_rs.GetFieldValue("BIN").GetByteArraySize(), buffer.size());
  m_rs.Update();
  const COleVariant row = m_rs.GetLastModifiedBookmark();
  buffer.assign(buffer.size(), 'b');
  EXPECT_EQ(stored(row), std::string(100000, 'a'));

  const std::string other = "xyz";
  COleVariant otherValue;
  otherValue.SetByteArray(other.data(), other.size());
  m_rs.Edit();
  m_rs.SetFieldBytes("BIN", buffer.data(), buffer.size());
  m_rs.SetFieldValue("BIN", otherValue);
  m_rs.Update();
  EXPECT_EQ(stored(row), other);
  m_rs.Edit();
  m_rs.SetFieldValue("BIN", otherValue);
  m_rs.SetFieldBytes("BIN", buffer.data(), 5);
  m_rs.Update();
  EXPECT_EQ(stored(row), "bbbbb");

  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldBytes("BIN", buffer.data(), 1); }), kDaoUpdateWithoutEdit);
  m_rs.Edit();
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldBytes("T", buffer.data(), 1); }), kDaoConversionError);
  m_rs.CancelUpdate();
}

TEST_F(FieldRulesTest, TrueIsStoredAsMinusOneInTheFile) {
  SKIP_ON_SERVER();
  AddRow(m_rs, {{"REQ", Long(1)}, {"F", COleVariant(int32_t{5})}});
  AddRow(m_rs, {{"REQ", Long(2)}, {"F", COleVariant(0.0)}});
  m_rs.Close();
  m_db.Close();
  EXPECT_EQ(RawQuery(m_path, "SELECT \"F\" FROM \"RULES\" ORDER BY \"REQ\""), "-1,0");
  m_db.Open(m_path.c_str());
}

}  // namespace
}  // namespace enginetest
