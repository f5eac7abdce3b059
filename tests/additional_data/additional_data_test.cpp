// Additional data: columns of every type created, filled, read and deleted;
// descriptions; unique and duplicate indexes; names that hold SQL's special
// characters; refusals; schema changes that are all-or-nothing and leave
// the data table usable when they fail.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/faults.h"
#include "support/schema_sweep.h"

namespace {

std::unique_ptr<CZLAdditionalDataInfoObject> Info(const char* name, long type, long size = 0,
                                                  long index = 0, long duplicate = 0) {
  std::unique_ptr<CZLAdditionalDataInfoObject> object(new CZLAdditionalDataInfoObject(name));
  CZLAdditionalDataInfoObject& info = *object;
  info.m_lType = type;
  info.m_lSize = size;
  info.m_lIndex = index;
  info.m_lDuplicate = duplicate;
  info.m_strInfo = "about ";
  info.m_strInfo += name;
  info.m_lState = 5;
  return object;
}

class AdditionalDataTest : public SchemaSweepTest {
 protected:
  void SetUp() override {
    SchemaSweepTest::SetUp();
    m_id = NewRecord(&m_mark);
    m_other = NewRecord();
  }
  // The declared SQL type of a column of ADDITIONAL_DATA, read with SQLite
  // itself ("" when there is no such column).
  std::string DeclaredType(const std::string& column) {
    zl::CHandleLock lock(m_hDB);  // keeps the library off the file meanwhile
    sqlite3* db = nullptr;
    std::string type;
    if (sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info('ADDITIONAL_DATA')", -1, &st,
                         nullptr);
      while (sqlite3_step(st) == SQLITE_ROW) {
        if (column == reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) {
          type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        }
      }
      sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return type;
  }
  // The column's declared type on a file; on a server, whose columns have
  // the server's types, only whether the column exists.
  void ExpectDeclared(const std::string& column, const std::string& declared) {
    if (!testbackend::OnServer()) {
      EXPECT_EQ(DeclaredType(column), declared) << column;
      return;
    }
    zl::engine::CSqlConnection conn;
    conn.Open(m_path, {});
    zl::engine::CSqlQuery q(conn,
                            "SELECT 1 FROM pragma_table_info('ADDITIONAL_DATA') WHERE name = ?");
    q.BindText(1, column);
    EXPECT_EQ(q.Step(), !declared.empty()) << column;
  }
  int Set(long id, const char* name, const COleVariant& value) {
    COleVariant copy = value;
    return ZLSetAdditionalDataByID(m_hDB, id, name, copy);
  }
  COleVariant Get(long id, const char* name) {
    COleVariant value;
    EXPECT_EQ(ZLGetAdditionalDataByID(m_hDB, id, name, value), 1) << name;
    return value;
  }

  long m_id = 0, m_other = 0;
  COleVariant m_mark;
};

TEST_F(AdditionalDataTest, ColumnsOfEveryTypeAreCreatedFilledReadAndDeleted) {
  EXPECT_EQ(ZLIsAdditionalDataAvailable(m_hDB), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  COleDateTime when(2024, 5, 17, 12, 30, 0);
  const struct {
    const char* name;
    long type, size;
    COleVariant value;
    VARTYPE read;
    const char* declared;
  } cases[] = {
      {"Order number", 0, 80, COleVariant(CString("A-17")), VT_BSTR, "TEXT(80)"},
      {"Notes", 1, 0, COleVariant(CString(std::string(1000, 'n').c_str())), VT_BSTR, "MEMO_TEXT"},
      {"Approved", 2, 0, COleVariant(static_cast<int32_t>(1), VT_BOOL), VT_BOOL, "BOOLEAN_INT"},
      {"Grade", 3, 0, COleVariant(static_cast<BYTE>(200)), VT_UI1, "BYTE_INT"},
      {"Pins", 4, 0, COleVariant(static_cast<int16_t>(-300)), VT_I2, "SHORT_INT"},
      {"Stock", 5, 0, COleVariant(static_cast<int32_t>(123456)), VT_I4, "LONG_INT"},
      {"Weight", 6, 0, COleVariant(2.5f), VT_R4, "SINGLE_REAL"},
      {"Cost", 7, 0, COleVariant(0.125), VT_R8, "DOUBLE_REAL"},
      {"Released", 8, 0, COleVariant(when), VT_DATE, "DATE_REAL"},
      {"Drawing", 9, 0, COleVariant(CString("bytes")), VT_UI1 | VT_ARRAY, "LONGBINARY_BLOB"},
      {"Odd code", 42, 0, COleVariant(CString("forty chars at most")), VT_BSTR, "TEXT(40)"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info(c.name, c.type, c.size)), 1)
        << c.name << " " << ZLGetLastError();
    ExpectDeclared(c.name, c.declared);
  }
  EXPECT_EQ(ZLIsAdditionalDataAvailable(m_hDB), 1);
  for (const auto& c : cases) ASSERT_EQ(Set(m_id, c.name, c.value), 1) << c.name;
  for (const auto& c : cases) {
    const COleVariant value = Get(m_id, c.name);
    EXPECT_EQ(value.vt, c.read) << c.name;
    if (c.read != (VT_UI1 | VT_ARRAY)) {
      EXPECT_TRUE(value == c.value) << c.name;
    }
  }
  // A counter column numbers the rows that exist.
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("Counter", 10)), 1);
  ExpectDeclared("Counter", "COUNTER_INT");
  EXPECT_EQ(Get(m_id, "Counter").lVal, 1);
  ASSERT_EQ(ZLDeleteAdditionalDataInfo(m_hDB, "Counter"), 1);
  // The other record has no row; its first value adds one.
  COleVariant value;
  EXPECT_EQ(FailCode(ZLGetAdditionalDataByID(m_hDB, m_other, "Stock", value)), ZLE_NO_RECORD);
  ASSERT_EQ(Set(m_other, "Cost", COleVariant(1.0)), 1);
  EXPECT_EQ(Get(m_other, "Stock").vt, VT_NULL);
  // A value the column cannot hold.
  EXPECT_EQ(FailCode(Set(m_id, "Odd code", COleVariant(CString(std::string(41, 'x').c_str())))),
            ZLE_ENGINE);
  // Descriptions in name order, all seven fields.
  CZLAdditionalDataInfoArray infos;
  ASSERT_EQ(ZLGetAdditionalDataInfo(m_hDB, infos), 1);
  ASSERT_EQ(infos.GetSize(), static_cast<int>(std::size(cases)));
  EXPECT_EQ(infos[0]->m_strDataName.str(), "Approved");
  CZLAdditionalDataInfoObject order("order NUMBER");  // names are found without regard to case
  ASSERT_EQ(ZLGetAdditionalDataInfo(m_hDB, order), 1);
  EXPECT_EQ(order.m_strDataName.str(), "Order number");
  EXPECT_EQ(order.m_strInfo.str(), "about Order number");
  EXPECT_EQ(order.m_lType, 0);
  EXPECT_EQ(order.m_lSize, 80);
  EXPECT_EQ(order.m_lState, 5);
  // Deleting removes the column with its values and its description.
  for (const auto& c : cases) {
    ASSERT_EQ(ZLDeleteAdditionalDataInfo(m_hDB, CZLAdditionalDataInfoObject(c.name)), 1) << c.name;
    ExpectDeclared(c.name, "");
  }
  EXPECT_EQ(ZLIsAdditionalDataAvailable(m_hDB), 0);
  EXPECT_EQ(FailCode(ZLGetAdditionalDataByID(m_hDB, m_id, "Stock", value)), ZLE_NO_DATA_COLUMN);
  EXPECT_EQ(FailCode(ZLDeleteAdditionalDataInfo(m_hDB, "Stock")), ZLE_NO_DATA_COLUMN);
  ZLFreeObjectArray(infos);
}

TEST_F(AdditionalDataTest, UniqueIndexesRefuseRepeatsAndDuplicateIndexesAcceptThem) {
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("Serial", 5, 0, 1, 0)), 1);
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("Family", 0, 20, 1, 1)), 1);
  EXPECT_EQ(FailCode(ZLCreateAdditionalDataInfo(m_hDB, *Info("SERIAL", 0, 10))),
            ZLE_DATA_COLUMN_EXISTS);
  ASSERT_EQ(Set(m_id, "Serial", COleVariant(static_cast<int32_t>(7))), 1);
  ASSERT_EQ(Set(m_id, "Family", COleVariant(CString("opamp"))), 1);
  EXPECT_EQ(FailCode(Set(m_other, "Serial", COleVariant(static_cast<int32_t>(7)))), ZLE_DUPLICATE);
  EXPECT_EQ(Set(m_other, "Family", COleVariant(CString("OPAMP"))), 1);
  // The refused write added no row for the other record's serial.
  EXPECT_EQ(Get(m_other, "Serial").vt, VT_NULL);
  // Deleting an indexed column takes its index first.
  ASSERT_EQ(ZLDeleteAdditionalDataInfo(m_hDB, "Serial"), 1);
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("Serial", 5, 0, 1, 0)), 1);
  EXPECT_EQ(Set(m_other, "Serial", COleVariant(static_cast<int32_t>(7))), 1);
}

TEST_F(AdditionalDataTest, DescriptionsChangeOnlyInfoAndStateAndNothingWhenOneIsMissing) {
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("a", 5)), 1);
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("b", 5)), 1);
  CZLAdditionalDataInfoArray infos;
  infos.Add(Info("a", 0, 99).release());  // type and size are ignored
  infos[0]->m_strInfo = "new a";
  infos[0]->m_lState = 1;
  infos.Add(nullptr);
  infos.Add(Info("missing", 5).release());
  EXPECT_EQ(FailCode(ZLSetAdditionalDataInfo(m_hDB, infos)), ZLE_NO_DATA_COLUMN);
  CZLAdditionalDataInfoObject a("a");
  ASSERT_EQ(ZLGetAdditionalDataInfo(m_hDB, a), 1);
  EXPECT_EQ(a.m_strInfo.str(), "about a");  // nothing written
  delete infos[2];
  infos.SetSize(2);
  ASSERT_EQ(ZLSetAdditionalDataInfo(m_hDB, infos), 1);
  ASSERT_EQ(ZLGetAdditionalDataInfo(m_hDB, a), 1);
  EXPECT_EQ(a.m_strInfo.str(), "new a");
  EXPECT_EQ(a.m_lState, 1);
  EXPECT_EQ(a.m_lType, 5);
  EXPECT_EQ(a.m_lSize, 0);
  EXPECT_EQ(FailCode(ZLSetAdditionalDataInfo(m_hDB, CZLAdditionalDataInfoObject("c"))),
            ZLE_NO_DATA_COLUMN);
  ZLFreeObjectArray(infos);
}

TEST_F(AdditionalDataTest, NamesAreUsedExactlyAsGivenOrRefused) {
  // Names that would break pasted SQL are names like any other.
  for (const char* name :
       {"it's \"quoted\"", "a; DROP TABLE MAIN; --", "with  spaces ", "x\") VALUES(1);--"}) {
    ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info(name, 0, 30, 1)), 1) << name;
    ASSERT_EQ(Set(m_id, name, COleVariant(CString(name))), 1) << name;
    EXPECT_EQ(std::string(Get(m_id, name).GetStringValue()), name);
    ExpectDeclared(name, "TEXT(30)");
  }
  for (const char* name : {"it's \"quoted\"", "a; DROP TABLE MAIN; --"}) {
    ASSERT_EQ(ZLDeleteAdditionalDataInfo(m_hDB, name), 1) << name;
  }
  long id = 0;
  ASSERT_EQ(ZLGetIDByBookmark(m_hDB, m_mark, id), 1);  // MAIN is still there
  // Names the engine cannot use are refused and leave nothing behind.
  for (const char* name : {"[bracketed]", "", " leading", "dot.ted", "MODEL_ID"}) {
    EXPECT_EQ(FailCode(ZLCreateAdditionalDataInfo(m_hDB, *Info(name, 5))), ZLE_ENGINE) << name;
    CZLAdditionalDataInfoObject info(name);
    EXPECT_EQ(FailCode(ZLGetAdditionalDataInfo(m_hDB, info)), ZLE_NO_DATA_COLUMN);
  }
  // An index that would be named like an existing one fails the creation.
  EXPECT_EQ(FailCode(ZLCreateAdditionalDataInfo(m_hDB, *Info("MODEL_ID_INDEX", 5, 0, 1))),
            ZLE_ENGINE);
  ExpectDeclared("MODEL_ID_INDEX", "");
  // After every refusal the data table is open and usable.
  ASSERT_EQ(Set(m_other, "with  spaces ", COleVariant(CString("still"))), 1);
  COleVariant value;
  ASSERT_EQ(ZLGetAdditionalDataByBookmark(m_hDB, m_mark, "with  spaces ", value), 1);
  EXPECT_EQ(std::string(value.GetStringValue()), "with  spaces ");
}

TEST_F(AdditionalDataTest, SchemaChangesAreAllOrNothing) {
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("kept", 5)), 1);
  ASSERT_EQ(Set(m_id, "kept", COleVariant(static_cast<int32_t>(1))), 1);
  const auto added = Info("added", 0, 10, 1);
  ExpectAllOrNothing([&] { return ZLCreateAdditionalDataInfo(m_hDB, *added); },
                     [&] { ASSERT_EQ(ZLDeleteAdditionalDataInfo(m_hDB, "added"), 1); });
  ExpectAllOrNothing([&] { return ZLDeleteAdditionalDataInfo(m_hDB, "kept"); },
                     [&] {
                       ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("kept", 5)), 1);
                       ASSERT_EQ(Set(m_id, "kept", COleVariant(static_cast<int32_t>(1))), 1);
                     });
  ExpectAllOrNothing([&] { return Set(m_other, "kept", COleVariant(static_cast<int32_t>(2))); },
                     [&] { ASSERT_EQ(Set(m_other, "kept", COleVariant()), 1); });
}

// Without reopening the file between tries: every failing write of a
// column's creation leaves the open data table usable and the column
// absent, and the next try succeeds.
TEST_F(AdditionalDataTest, AFailedCreationLeavesTheDataTableOpenAndUsable) {
  using zl::engine::CFaultInjector;
  using zl::engine::FaultKind;
  ASSERT_EQ(ZLCreateAdditionalDataInfo(m_hDB, *Info("kept", 5)), 1);
  for (long n = 1;; ++n) {
    ASSERT_LT(n, 100);
    int result = 0;
    {
      zl::engine::CFaultScope faults;
      CFaultInjector::FailNth(FaultKind::kWrite, n);
      result = ZLCreateAdditionalDataInfo(m_hDB, *Info("added", 0, 10, 1));
    }
    if (result == 1) break;
    EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
    SCOPED_TRACE(n);
    ExpectDeclared("added", "");
    ASSERT_EQ(Set(m_id, "kept", COleVariant(static_cast<int32_t>(n))), 1) << n;
    EXPECT_EQ(Get(m_id, "kept").lVal, n);
  }
  ASSERT_EQ(Set(m_id, "added", COleVariant(CString("ok"))), 1);
  EXPECT_EQ(std::string(Get(m_id, "added").GetStringValue()), "ok");
}

}  // namespace
