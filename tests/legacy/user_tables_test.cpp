// User-defined tables: every field type created, described, filled, read,
// updated and deleted; names and field lists refused before the file is
// touched; failures rolled back.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/faults.h"
#include "legacy_fixture.h"
#include "support/file_contents.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

struct CTypeCase {
  const char* field;
  int type;
  long size;          // given at creation
  long reportedSize;  // described
  COleVariant value;  // written and read back
  VARTYPE readKind;
};

std::vector<CTypeCase> TypeCases() {
  COleVariant bytes;
  const unsigned char data[] = {0, 1, 2, 255};
  bytes.SetByteArray(data, sizeof data);
  return {
      {"TEXT_F", UDT_TEXT, 12, 12, COleVariant("twelve chars"), VT_BSTR},
      {"MEMO_F", UDT_MEMO, 0, 0, COleVariant(std::string(3000, 'm').c_str()), VT_BSTR},
      {"YESNO_F", UDT_YESNO, 0, 1, COleVariant(static_cast<int32_t>(1)), VT_BOOL},
      {"BYTE_F", UDT_BYTE, 0, 1, COleVariant(static_cast<BYTE>(254)), VT_UI1},
      {"INT_F", UDT_INTEGER, 0, 2, COleVariant(static_cast<int16_t>(-300)), VT_I2},
      {"LONG_F", UDT_LONG, 0, 4, COleVariant(static_cast<int32_t>(-70000)), VT_I4},
      {"SINGLE_F", UDT_SINGLE, 0, 4, COleVariant(1.5f), VT_R4},
      {"DOUBLE_F", UDT_DOUBLE, 0, 8, COleVariant(2.25), VT_R8},
      {"DATE_F", UDT_DATE, 0, 8, COleVariant(COleDateTime(2001, 2, 3, 4, 5, 6)), VT_DATE},
      {"BINARY_F", UDT_LONGBINARY, 0, 0, bytes, VT_UI1 | VT_ARRAY},
      {"OTHER_F", 77, 0, 40, COleVariant("other"), VT_BSTR},  // unknown code: text of 40
  };
}

CUDTFieldInfoArray* NewFieldList(const std::vector<CUDTFieldInfo*>& fields) {
  auto* list = new CUDTFieldInfoArray;
  for (CUDTFieldInfo* field : fields) list->Add(field);
  return list;
}

void FreeFieldList(CUDTFieldInfoArray& list) {
  for (int i = 0; i < list.GetSize(); ++i) delete list[i];
  list.RemoveAll();
}

class UserTableTest : public LegacyTest {
 protected:
  // A table with a counter and one field per type case.
  void* CreateAllTypes(const char* name) {
    CUDTFieldInfoArray fields;
    fields.Add(new CUDTFieldInfo("ID", UDT_AUTONUMBER, 0));
    for (const CTypeCase& c : TypeCases()) fields.Add(new CUDTFieldInfo(c.field, c.type, c.size));
    void* table = CreateUserDefinedTable(m_hDB, name, fields);
    FreeFieldList(fields);
    return table;
  }
};

TEST_F(UserTableTest, EveryFieldTypeIsCreatedDescribedFilledReadUpdatedAndDeleted) {
  void* table = CreateAllTypes("ALL_TYPES");
  ASSERT_NE(table, nullptr) << GetLastZLDBError();
  const std::vector<CTypeCase> cases = TypeCases();

  CUDTFieldInfoArray described;
  ASSERT_EQ(UDTGetFieldInfos(table, described), 1);
  ASSERT_EQ(described.GetSize(), static_cast<int>(cases.size()) + 1);
  EXPECT_EQ(described[0]->m_nType, UDT_AUTONUMBER);
  EXPECT_EQ(described[0]->m_lSize, 4);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].field);
    const CUDTFieldInfo& field = *described[static_cast<int>(i) + 1];
    EXPECT_STREQ(field.m_strName, cases[i].field);
    EXPECT_EQ(field.m_nType, cases[i].type == 77 ? UDT_TEXT : cases[i].type);
    EXPECT_EQ(field.m_lSize, cases[i].reportedSize);
  }
  FreeFieldList(described);

  // A row with every value, read back field by field and as a whole.
  CUDTFieldInfoArray values;
  for (const CTypeCase& c : cases) {
    auto* value = new CUDTFieldInfo(c.field, c.type, 0);
    value->m_varValue = c.value;
    values.Add(value);
  }
  COleVariant first, second;
  ASSERT_EQ(UDTCreateNewRecord(table, first, &values), 1);
  ASSERT_EQ(UDTCreateNewRecord(table, second, nullptr), 1);
  FreeFieldList(values);
  for (const CTypeCase& c : cases) {
    SCOPED_TRACE(c.field);
    COleVariant read;
    ASSERT_EQ(UDTGetFieldValueByBookmark(table, first, c.field, read), 1);
    EXPECT_EQ(read.vt, c.readKind);
    if (c.type == UDT_YESNO) {
      EXPECT_NE(read.boolVal, 0);
    } else {
      EXPECT_TRUE(read == c.value);
    }
    ASSERT_EQ(UDTGetFieldValueByBookmark(table, second, c.field, read), 1);
    EXPECT_EQ(read.vt, VT_NULL);
  }
  CUDTFieldInfoArray row;
  ASSERT_EQ(UDTGetFieldValues(table, first, row), 1);
  ASSERT_EQ(row.GetSize(), static_cast<int>(cases.size()) + 1);
  EXPECT_EQ(row[0]->m_varValue.lVal, 1);  // the counter
  EXPECT_TRUE(row[6]->m_varValue == cases[5].value);
  FreeFieldList(row);

  // Updates by name and by object; an unknown name in the object form is
  // no field and changes nothing.
  EXPECT_EQ(UDTSetFieldValueByBookmark(table, second, "TEXT_F", COleVariant("new")), 1);
  CUDTFieldInfo update("LONG_F", UDT_LONG, 0);
  update.m_varValue = COleVariant(static_cast<int32_t>(42));
  EXPECT_EQ(UDTSetFieldValueByBookmark(table, second, update), 1);
  CUDTFieldInfo unknown("NO_SUCH", 123, 9);
  EXPECT_EQ(UDTSetFieldValueByBookmark(table, second, unknown), 1);
  EXPECT_EQ(UDTGetFieldInfo(table, unknown), 1);
  EXPECT_EQ(unknown.m_nType, 123);
  EXPECT_EQ(unknown.m_lSize, 9);
  CUDTFieldInfo read("LONG_F", UDT_TEXT, 0);
  ASSERT_EQ(UDTGetFieldValueByBookmark(table, second, read), 1);
  EXPECT_EQ(read.m_varValue.lVal, 42);
  EXPECT_EQ(read.m_nType, UDT_LONG);
  EXPECT_EQ(UDTSetFieldValueByBookmark(table, second, "TEXT_F", COleVariant("far too long text")),
            0);
  EXPECT_EQ(GetLastZLDBError(), LZLE_ENGINE);
  EXPECT_EQ(FailCode(UDTSetFieldValueByBookmark(table, second, "NO_SUCH", COleVariant("x"))),
            LZLE_ENGINE);

  // Reopened, the table holds both rows; deleting one leaves the other.
  ASSERT_EQ(CloseUserDefinedTable(table), 1);
  table = OpenUserDefinedTable(m_hDB, "ALL_TYPES");
  ASSERT_NE(table, nullptr);
  CObList bookmarks;
  ASSERT_EQ(UDTGetAllBookmarks(table, bookmarks), 1);
  ASSERT_EQ(bookmarks.GetCount(), 2);
  ASSERT_EQ(UDTDeleteRecordByBookmark(
                table, static_cast<CBookmarkObject*>(bookmarks.GetHead())->m_varBookmark),
            1);
  FreeObjectList(bookmarks);
  ASSERT_EQ(UDTGetAllBookmarks(table, bookmarks), 1);
  ASSERT_EQ(bookmarks.GetCount(), 1);
  COleVariant text;
  ASSERT_EQ(
      UDTGetFieldValueByBookmark(
          table, static_cast<CBookmarkObject*>(bookmarks.GetHead())->m_varBookmark, "TEXT_F", text),
      1);
  EXPECT_STREQ(text.GetStringValue(), "new");
  FreeObjectList(bookmarks);
  EXPECT_EQ(CloseUserDefinedTable(table), 1);
}

TEST_F(UserTableTest, UnusableTablesAndFieldListsAreRefusedBeforeTheFileIsTouched) {
  struct CCase {
    const char* what;
    const char* table;
    std::vector<CUDTFieldInfo*> fields;
    int code;
  };
  auto f = [](const std::string& name, int type = UDT_LONG, long size = 0) {
    return new CUDTFieldInfo(name.c_str(), type, size);
  };
  const std::vector<CCase> cases = {
      {"quote in table name", "A\"; DROP TABLE SDB; --", {f("X")}, LZLE_OK},
      {"bracket in table name", "A]B", {f("X")}, LZLE_BAD_NAME},
      {"dot in table name", "main.SDB", {f("X")}, LZLE_BAD_NAME},
      {"empty table name", "", {f("X")}, LZLE_BAD_NAME},
      {"null table name", nullptr, {f("X")}, LZLE_BAD_NAME},
      {"reserved prefix", "zl_engine_tables", {f("X")}, LZLE_BAD_NAME},
      {"control character in field", "T1", {f("A\nB")}, LZLE_BAD_NAME},
      {"backtick in field", "T1", {f("A`B")}, LZLE_BAD_NAME},
      {"long field name", "T1", {f(std::string(65, 'F'))}, LZLE_BAD_NAME},
      {"field twice", "T1", {f("A"), f("A", UDT_TEXT, 5)}, LZLE_DUPLICATE_FIELD},
      {"field twice in other case", "T1", {f("Ab"), f("aB", UDT_TEXT, 5)}, LZLE_DUPLICATE_FIELD},
      {"no field", "T1", {}, LZLE_BAD_FIELD},
      {"text too long", "T1", {f("A", UDT_TEXT, 256)}, LZLE_BAD_FIELD},
      {"negative text size", "T1", {f("A", UDT_TEXT, -1)}, LZLE_BAD_FIELD},
      {"existing table", "SDB", {f("X")}, LZLE_ENGINE},
      {"two counters", "T1", {f("A", UDT_AUTONUMBER), f("B", UDT_AUTONUMBER)}, LZLE_ENGINE},
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string before = zltest::FileContents(m_path);
    std::unique_ptr<CUDTFieldInfoArray> fields(NewFieldList(c.fields));
    void* table = CreateUserDefinedTable(m_hDB, c.table, *fields);
    FreeFieldList(*fields);
    EXPECT_EQ(GetLastZLDBError(), c.code);
    if (c.code != LZLE_OK) {
      EXPECT_EQ(table, nullptr);
      EXPECT_EQ(zltest::FileContents(m_path), before);
      continue;
    }
    // A name with quotes is an identifier, never SQL: the table exists under
    // exactly that name and SDB is untouched.
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(CloseUserDefinedTable(table), 1);
    void* reopened = OpenUserDefinedTable(m_hDB, c.table);
    EXPECT_NE(reopened, nullptr);
    EXPECT_EQ(CloseUserDefinedTable(reopened), 1);
    long version = 0;
    EXPECT_EQ(GetDatabaseVersion(m_hDB, &version), 1);
  }
  EXPECT_EQ(OpenUserDefinedTable(m_hDB, "NO_SUCH_TABLE"), nullptr);
  EXPECT_EQ(GetLastZLDBError(), LZLE_ENGINE);
  EXPECT_EQ(OpenUserDefinedTable(m_hDB, "A[1]"), nullptr);
  EXPECT_EQ(GetLastZLDBError(), LZLE_BAD_NAME);
}

// A failure at any write or allocation of a table's creation, or of a new
// row with its values, leaves the file as it was and no handle behind.
TEST_F(UserTableTest, FailuresAtEveryFaultPointAreRolledBack) {
  struct CWriter {
    const char* what;
    std::function<int(void* table)> write;
  };
  void* existing = CreateAllTypes("EXISTING");
  ASSERT_NE(existing, nullptr);
  int tablesMade = 0;
  const std::vector<CWriter> writers = {
      {"create table",
       [&](void*) {
         // A new name each time the creation succeeds.
         void* table = CreateAllTypes(("NEW_" + std::to_string(tablesMade)).c_str());
         if (table == nullptr) return 0;
         ++tablesMade;
         EXPECT_EQ(CloseUserDefinedTable(table), 1);
         return 1;
       }},
      {"new row with values",
       [&](void* table) {
         CUDTFieldInfoArray values;
         for (const CTypeCase& c : TypeCases()) {
           auto* value = new CUDTFieldInfo(c.field, c.type, 0);
           value->m_varValue = c.value;
           values.Add(value);
         }
         COleVariant bookmark;
         const int result = UDTCreateNewRecord(table, bookmark, &values);
         FreeFieldList(values);
         return result;
       }},
      {"legacy side list",
       [&](void*) {
         CObList params;
         params.AddTail(new CCoPaObject("R", "1k", "", 0));
         params.AddTail(new CCoPaObject("TC", "0", "", 0));
         const int result = SetParamsByID(m_hDB, 1, params);
         FreeObjectList(params);
         return result;
       }},
  };
  COleVariant model;
  ASSERT_EQ(CreateNewRecord(m_hDB, model), 1);
  for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit, FaultKind::kAllocation}) {
    for (const CWriter& writer : writers) {
      SCOPED_TRACE(std::string(writer.what) + " fault kind " +
                   std::to_string(static_cast<int>(kind)));
      int n = 1;
      for (;; ++n) {
        ASSERT_LT(n, 500) << "the writer never got past its faults";
        const std::string before = zltest::FileContents(m_path);
        int result = 0;
        {
          CFaultScope faults;
          CFaultInjector::FailNth(kind, n);
          result = writer.write(existing);
        }
        if (result == 1) break;
        EXPECT_EQ(GetLastZLDBError(),
                  kind == FaultKind::kAllocation ? LZLE_OUT_OF_MEMORY : LZLE_ENGINE);
        EXPECT_EQ(zltest::FileContents(m_path), before) << "fault " << n;
        if (HasFailure()) return;
      }
      if (kind == FaultKind::kWrite) {
        EXPECT_GT(n, 1) << "no fault point was met";
      }
    }
  }
  EXPECT_EQ(CloseUserDefinedTable(existing), 1);
}

}  // namespace
