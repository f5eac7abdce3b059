// The field rules Update enforces and the conversions between variants and
// stored values.
#include <sqlite3.h>

#include <cmath>
#include <cstring>

#include "engine_fixture.h"

namespace enginetest {
namespace {

class FieldRulesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CDaoTableDef td(&m_db);
    td.Create("RULES");
    auto field = [&](const char* name, short type, long size, bool zero, bool required) {
      CDaoFieldInfo info;
      info.m_strName = name;
      info.m_nType = type;
      info.m_lSize = size;
      info.m_lAttributes = dbUpdatableField;
      info.m_bAllowZeroLength = zero ? TRUE : FALSE;
      info.m_bRequired = required ? TRUE : FALSE;
      td.CreateField(info);
    };
    td.CreateField("ID", dbLong, 4, dbAutoIncrField);
    field("T", dbText, 5, false, false);
    field("TZ", dbText, 5, true, false);
    field("M", dbMemo, 0, false, false);
    field("B", dbByte, 1, false, false);
    field("I", dbInteger, 2, false, false);
    field("L", dbLong, 4, false, false);
    field("S", dbSingle, 4, false, false);
    field("D", dbDouble, 8, false, false);
    field("C", dbCurrency, 8, false, false);
    field("DT", dbDate, 8, false, false);
    field("F", dbBoolean, 1, false, false);
    field("BIN", dbLongBinary, 0, false, false);
    field("REQ", dbLong, 4, false, true);
    td.Append();
    m_rs.Open(dbOpenTable, "RULES");
  }
  void TearDown() override {
    m_rs.Close();
    EngineTest::TearDown();
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

TEST_F(FieldRulesTest, TextSizeCountsCharactersNotBytes) {
  EXPECT_EQ(AddWith("T", COleVariant("abcde")), 0);
  EXPECT_EQ(AddWith("T", COleVariant("abcdef")), kDaoFieldTooSmall);
  EXPECT_EQ(AddWith("T", COleVariant("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9")), 0);
  EXPECT_EQ(AddWith("T", COleVariant("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x")),
            kDaoFieldTooSmall);
  EXPECT_EQ(m_rs.GetRecordCount(), 2);
}

TEST_F(FieldRulesTest, ZeroLengthTextOnlyWhereAllowed) {
  EXPECT_EQ(AddWith("T", COleVariant("")), kDaoZeroLength);
  EXPECT_EQ(AddWith("M", COleVariant("")), kDaoZeroLength);
  COleVariant empty = RoundTrip("TZ", COleVariant(""));
  EXPECT_EQ(empty.vt, VT_BSTR) << "an empty string reads back as a string, not NULL";
  EXPECT_EQ(empty.GetStringLength(), 0);
}

TEST_F(FieldRulesTest, NumbersOutsideTheFieldRangeAreRefused) {
  EXPECT_EQ(AddWith("B", Long(255)), 0);
  EXPECT_EQ(AddWith("B", Long(256)), kDaoNumericOverflow);
  EXPECT_EQ(AddWith("B", Long(-1)), kDaoNumericOverflow);
  EXPECT_EQ(AddWith("I", Long(-32768)), 0);
  EXPECT_EQ(AddWith("I", Long(32768)), kDaoNumericOverflow);
  EXPECT_EQ(AddWith("L", COleVariant(2147483647.0)), 0);
  EXPECT_EQ(AddWith("L", COleVariant(2147483648.0)), kDaoNumericOverflow);
  EXPECT_EQ(AddWith("L", COleVariant(-2147483649.0)), kDaoNumericOverflow);
  EXPECT_EQ(AddWith("S", COleVariant(1e300)), kDaoNumericOverflow);
}

TEST_F(FieldRulesTest, RequiredFieldsRefuseNull) {
  m_rs.AddNew();
  m_rs.SetFieldValue("L", Long(1));
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoFieldRequired);
  m_rs.SetFieldValue("REQ", Long(3));
  m_rs.Update();
  EXPECT_EQ(m_rs.GetRecordCount(), 1);
}

TEST_F(FieldRulesTest, ValuesThatCannotBeConvertedAreRefusedWhenSet) {
  m_rs.AddNew();
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("L", COleVariant("abc")); }), kDaoConversionError);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("DT", COleVariant("not a date")); }),
            kDaoConversionError);
  COleVariant bytes;
  const BYTE raw[] = {1, 2};
  bytes.SetByteArray(raw, sizeof raw);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("D", bytes); }), kDaoConversionError);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("ID", Long(5)); }), kDaoCannotUpdateField);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("NOPE", Long(5)); }), kDaoItemNotFound);
  // Text that holds a number converts.
  m_rs.SetFieldValue("L", COleVariant(" 42 "));
  EXPECT_EQ(m_rs.GetFieldValue("L").lVal, 42);
  m_rs.CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { m_rs.SetFieldValue("L", Long(1)); }), kDaoUpdateWithoutEdit);
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoUpdateWithoutEdit);
  EXPECT_EQ(ErrorOf([&] { m_rs.CancelUpdate(); }), kDaoUpdateWithoutEdit);
}

TEST_F(FieldRulesTest, FailedUpdateKeepsTheBufferAndWritesNothing) {
  m_rs.AddNew();
  m_rs.SetFieldValue("REQ", Long(1));
  m_rs.SetFieldValue("T", "toolong");
  m_rs.SetFieldValue("L", Long(77));
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoFieldTooSmall);
  EXPECT_EQ(m_rs.GetEditMode(), dbEditAdd);
  EXPECT_EQ(m_rs.GetFieldValue("L").lVal, 77);
  EXPECT_EQ(m_rs.GetRecordCount(), 0);
  m_rs.SetFieldValue("T", "ok");
  m_rs.Update();
  m_rs.MoveFirst();
  EXPECT_EQ(Text(m_rs.GetFieldValue("T")), "ok");

  m_rs.Edit();
  m_rs.SetFieldValue("L", Long(5));
  m_rs.SetFieldValue("B", Long(999));
  EXPECT_EQ(ErrorOf([&] { m_rs.Update(); }), kDaoNumericOverflow);
  EXPECT_EQ(m_rs.GetEditMode(), dbEditInProgress);
  m_rs.CancelUpdate();
  EXPECT_EQ(m_rs.GetFieldValue("L").lVal, 77) << "the refused edit changed nothing";
}

TEST_F(FieldRulesTest, ValuesReadBackAsTheFieldsKinds) {
  COleVariant b = RoundTrip("B", COleVariant(200.0));
  EXPECT_EQ(b.vt, VT_UI1);
  EXPECT_EQ(b.bVal, 200);
  COleVariant i = RoundTrip("I", COleVariant("-123"));
  EXPECT_EQ(i.vt, VT_I2);
  EXPECT_EQ(i.iVal, -123);
  COleVariant l = RoundTrip("L", COleVariant(2.5));  // rounds half to even
  EXPECT_EQ(l.vt, VT_I4);
  EXPECT_EQ(l.lVal, 2);
  COleVariant s = RoundTrip("S", COleVariant(1.1));
  EXPECT_EQ(s.vt, VT_R4);
  EXPECT_EQ(s.fltVal, 1.1f);
  COleVariant c = RoundTrip("C", COleVariant(1.234567));
  EXPECT_EQ(c.vt, VT_R8);
  EXPECT_DOUBLE_EQ(c.dblVal, 1.2346);
  COleVariant f = RoundTrip("F", COleVariant(int16_t{2}));
  EXPECT_EQ(f.vt, VT_BOOL);
  EXPECT_EQ(f.boolVal, VARIANT_TRUE);
  COleVariant m = RoundTrip("M", COleVariant(std::string(100000, 'x').c_str()));
  EXPECT_EQ(m.vt, VT_BSTR);
  EXPECT_EQ(m.GetStringLength(), 100000);
  COleVariant n = RoundTrip("T", Null());
  EXPECT_EQ(n.vt, VT_NULL);
}

TEST_F(FieldRulesTest, DatesAndBinaryValuesRoundTripExactly) {
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

TEST_F(FieldRulesTest, TrueIsStoredAsMinusOneInTheFile) {
  AddRow(m_rs, {{"REQ", Long(1)}, {"F", COleVariant(int32_t{5})}});
  AddRow(m_rs, {{"REQ", Long(2)}, {"F", COleVariant(0.0)}});
  m_rs.Close();
  m_db.Close();
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(m_path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(
      sqlite3_prepare_v2(raw, "SELECT \"F\" FROM \"RULES\" ORDER BY \"REQ\"", -1, &stmt, nullptr),
      SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(stmt, 0), -1);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(stmt, 0), 0);
  sqlite3_finalize(stmt);
  sqlite3_close(raw);
  m_db.Open(m_path.c_str());
}

TEST_F(FieldRulesTest, TheAddNewBufferReadsBackWhatWasSet) {
  m_rs.AddNew();
  m_rs.SetFieldValue("L", Long(9));
  EXPECT_EQ(m_rs.GetFieldValue("L").lVal, 9);
  EXPECT_EQ(m_rs.GetFieldValue("T").vt, VT_NULL);
  EXPECT_EQ(m_rs.GetFieldValue("ID").vt, VT_NULL) << "counters are assigned by Update";
  m_rs.SetFieldValueNull("L");
  EXPECT_EQ(m_rs.GetFieldValue("L").vt, VT_NULL);
  m_rs.CancelUpdate();
}

}  // namespace
}  // namespace enginetest
