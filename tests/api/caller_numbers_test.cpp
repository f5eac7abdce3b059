// Every exported operation that takes a long or unsigned long must neither
// cut it to the 32 bits of the column or key it reaches nor write anything
// for a number that does not fit: an ID gives 11, a value 9.  The operations
// are taken from the library's exported symbols, so an export with such an
// argument (or a value object, whose fields are such numbers) fails here
// until its cases are added to the table below.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <type_traits>
#include <vector>

#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70.h"

namespace {

using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;

// One way of feeding an unfit number to an export: the argument it goes
// to, the code expected and the result the export returns with it.
struct CNumberCase {
  const char* argument;
  bool isUnsigned;  // an unsigned long: bits above 32 are refused
  int code;         // 11 for an ID, 9 for a value
  std::function<int(void* hDB, const COleVariant& bookmark, long number)> call;
  int result = 0;
};
// Exports without input numbers (they only hand numbers out) have an
// entry with no cases.
using CNumberTable = std::map<std::string, std::vector<CNumberCase>>;

constexpr long k2To32 = 4294967296L;
// Numbers whose low 32 bits name record 1 or 2, and the ends of the range.
const std::vector<long> kSignedMisfits = {k2To32 + 1, k2To32 + 2,  LONG_MAX,
                                          LONG_MIN,   2147483648L, -2147483649L};
const std::vector<long> kUnsignedMisfits = {k2To32 + 1, k2To32, -1L /* ULONG_MAX */};

template <class T>
T& Sample() {
  static T value{};
  return value;
}
template <>
const char*& Sample<const char*>() {
  static const char* value = "x";
  return value;
}
template <>
long& Sample<long>() {
  static long value = 1;
  return value;
}

template <class T>
struct TypeName;
#define ZL_TYPE_NAME(T, text)                  \
  template <>                                  \
  struct TypeName<T> {                         \
    static constexpr const char* value = text; \
  };
ZL_TYPE_NAME(CString, "CString")
ZL_TYPE_NAME(unsigned long, "unsigned long")
ZL_TYPE_NAME(long, "long")
ZL_TYPE_NAME(COleDateTime, "COleDateTime")
ZL_TYPE_NAME(CLongBinary, "CLongBinary")
ZL_TYPE_NAME(const char*, "char const*")
ZL_TYPE_NAME(CTextMap, "CMap<unsigned short, unsigned short, CString, char const*>")
#undef ZL_TYPE_NAME

template <class T>
std::string InName() {
  using Plain = std::remove_cv_t<std::remove_reference_t<T>>;
  std::string name = TypeName<Plain>::value;
  return std::is_reference_v<T> ? name + " const&" : name;
}

template <class T>
constexpr bool kIsNumber = std::is_same_v<T, long> || std::is_same_v<T, unsigned long>;

template <class In>
std::vector<CNumberCase> ValueCases(std::function<int(void*, const COleVariant&, In)> set) {
  if constexpr (kIsNumber<In>) {
    return {
        {"value", std::is_same_v<In, unsigned long>, ZLE_ENGINE,
         [set](void* h, const COleVariant& b, long n) { return set(h, b, static_cast<In>(n)); }}};
  } else {
    return {};
  }
}

// The four operations of an attribute without the parameter-set argument.
template <class Out, class In>
void AddAttribute(CNumberTable& table, const std::string& name, int (*getByID)(void*, long, Out&),
                  int (*getByBookmark)(void*, const COleVariant&, Out&),
                  int (*setByID)(void*, long, In),
                  int (*setByBookmark)(void*, const COleVariant&, In)) {
  const std::string out = std::string(TypeName<Out>::value) + "&";
  table["ZLGet" + name + "ByID(void*, long, " + out + ")"] = {
      {"lID", false, ZLE_NO_RECORD,
       [getByID](void* h, const COleVariant&, long n) { return getByID(h, n, Sample<Out>()); }}};
  if (kIsNumber<Out>) table["ZLGet" + name + "ByBookmark(void*, COleVariant const&, " + out + ")"];
  auto& setID = table["ZLSet" + name + "ByID(void*, long, " + InName<In>() + ")"];
  setID.push_back({"lID", false, ZLE_NO_RECORD, [setByID](void* h, const COleVariant&, long n) {
                     return setByID(h, n, Sample<std::decay_t<In>>());
                   }});
  for (const auto& c :
       ValueCases<In>([setByID](void*h, const COleVariant&, In v) { return setByID(h, 1, v); })) {
    setID.push_back(c);
  }
  if (kIsNumber<In>) {
    table["ZLSet" + name + "ByBookmark(void*, COleVariant const&, " + InName<In>() + ")"] =
        ValueCases<In>([setByBookmark](void* h, const COleVariant& b, In v) {
          return setByBookmark(h, b, v);
        });
  }
  (void)getByBookmark;
}

using CIdCall = std::function<int(void*, long id, long paramSetID)>;
using CBookmarkCall = std::function<int(void*, const COleVariant&, long paramSetID)>;

// The four operations of an attribute that parameter sets share (lang: the
// language argument of a one-language text).  setValue writes a value to
// record 1 (no bookmark) or to the bookmark's record.
template <class Out, class In>
void AddParamSetAttribute(CNumberTable& table, const std::string& name, const std::string& lang,
                          CIdCall getByID, CBookmarkCall getByBookmark, CIdCall setByID,
                          CBookmarkCall setByBookmark,
                          std::function<int(void*, const COleVariant*, In)> setValue) {
  const std::string out = lang + TypeName<Out>::value + "&, long)";
  const std::string in = lang + InName<In>() + ", long)";
  auto byID = [](const char* argument, CIdCall call, bool idIsBad) {
    return CNumberCase{argument, false, ZLE_NO_RECORD,
                       [call, idIsBad](void* h, const COleVariant&, long n) {
                         return idIsBad ? call(h, n, 0) : call(h, 1, n);
                       }};
  };
  auto byBookmark = [](CBookmarkCall call) {
    return CNumberCase{"lParamID", false, ZLE_NO_RECORD,
                       [call](void* h, const COleVariant& b, long n) { return call(h, b, n); }};
  };
  table["ZLGet" + name + "ByID(void*, long, " + out] = {byID("lID", getByID, true),
                                                        byID("lParamID", getByID, false)};
  table["ZLGet" + name + "ByBookmark(void*, COleVariant const&, " + out] = {
      byBookmark(getByBookmark)};
  auto& setID = table["ZLSet" + name + "ByID(void*, long, " + in];
  setID = {byID("lID", setByID, true), byID("lParamID", setByID, false)};
  auto& setBookmark = table["ZLSet" + name + "ByBookmark(void*, COleVariant const&, " + in];
  setBookmark = {byBookmark(setByBookmark)};
  for (const auto& c : ValueCases<In>(
           [setValue](void*h, const COleVariant&, In v) { return setValue(h, nullptr, v); })) {
    setID.push_back(c);
  }
  for (const auto& c : ValueCases<In>(
           [setValue](void*h, const COleVariant&b, In v) { return setValue(h, &b, v); })) {
    setBookmark.push_back(c);
  }
}

CNumberTable BuildTable() {
  CNumberTable t;
#define ZL_ATTRIBUTE(Name)                                                              \
  AddAttribute(t, #Name, ZLGet##Name##ByID, ZLGet##Name##ByBookmark, ZLSet##Name##ByID, \
               ZLSet##Name##ByBookmark)
  ZL_ATTRIBUTE(DefName);
  ZL_ATTRIBUTE(Type);
  ZL_ATTRIBUTE(Level);
  ZL_ATTRIBUTE(Uses);
  ZL_ATTRIBUTE(Sheet);
  ZL_ATTRIBUTE(UDTName);
  ZL_ATTRIBUTE(WizType);
  ZL_ATTRIBUTE(WizardData);
  // The tree links have the shape of a signed attribute.
  ZL_ATTRIBUTE(Parent);
  ZL_ATTRIBUTE(FirstChild);
  ZL_ATTRIBUTE(Prev);
  ZL_ATTRIBUTE(Next);
#undef ZL_ATTRIBUTE
#define ZL_PARAMSET_ATTRIBUTE(Name, Lang, LangName, Out, In)                                       \
  AddParamSetAttribute<Out, In>(                                                                   \
      t, #Name, LangName,                                                                          \
      [](void* h, long id, long s) { return ZLGet##Name##ByID(h, id, Lang Sample<Out>(), s); },    \
      [](void* h, const COleVariant& b, long s) {                                                  \
        return ZLGet##Name##ByBookmark(h, b, Lang Sample<Out>(), s);                               \
      },                                                                                           \
      [](void* h, long id, long s) {                                                               \
        return ZLSet##Name##ByID(h, id, Lang Sample<std::decay_t<In>>(), s);                       \
      },                                                                                           \
      [](void* h, const COleVariant& b, long s) {                                                  \
        return ZLSet##Name##ByBookmark(h, b, Lang Sample<std::decay_t<In>>(), s);                  \
      },                                                                                           \
      [](void* h, const COleVariant* b, In v) {                                                    \
        return b ? ZLSet##Name##ByBookmark(h, *b, Lang v, 0) : ZLSet##Name##ByID(h, 1, Lang v, 0); \
      })
#define ZL_NO_LANGUAGE
#define ZL_LANGUAGE 1033,
  ZL_PARAMSET_ATTRIBUTE(State, ZL_NO_LANGUAGE, "", unsigned long, unsigned long);
  ZL_PARAMSET_ATTRIBUTE(CreatedUser, ZL_NO_LANGUAGE, "", CString, const char*);
  ZL_PARAMSET_ATTRIBUTE(ModifiedUser, ZL_NO_LANGUAGE, "", CString, const char*);
  ZL_PARAMSET_ATTRIBUTE(CreatedDate, ZL_NO_LANGUAGE, "", COleDateTime, const COleDateTime&);
  ZL_PARAMSET_ATTRIBUTE(ModifiedDate, ZL_NO_LANGUAGE, "", COleDateTime, const COleDateTime&);
  ZL_PARAMSET_ATTRIBUTE(Title, ZL_LANGUAGE, "unsigned short, ", CString, const char*);
  ZL_PARAMSET_ATTRIBUTE(Info, ZL_LANGUAGE, "unsigned short, ", CString, const char*);
  ZL_PARAMSET_ATTRIBUTE(Title, ZL_NO_LANGUAGE, "", CTextMap, const CTextMap&);
  ZL_PARAMSET_ATTRIBUTE(Info, ZL_NO_LANGUAGE, "", CTextMap, const CTextMap&);
#undef ZL_LANGUAGE
#undef ZL_NO_LANGUAGE
#undef ZL_PARAMSET_ATTRIBUTE
  t["ZLGetBookmarkByID(void*, long, COleVariant&)"] = {
      {"lID", false, ZLE_NO_RECORD, [](void* h, const COleVariant&, long n) {
         COleVariant bookmark;
         return ZLGetBookmarkByID(h, n, bookmark);
       }}};
  t["ZLGetIDByBookmark(void*, COleVariant const&, long&)"];
  // A path of a missing record is empty and succeeds with 11.
  t["ZLGetPathByID(void*, long, unsigned short, CString&)"] = {
      {"lID", false, ZLE_NO_RECORD,
       [](void* h, const COleVariant&, long n) {
         CString path;
         return ZLGetPathByID(h, n, 1033, path) + (path.IsEmpty() ? 0 : 10);
       },
       1}};
  t["ZLGetDatabaseState(void*, unsigned long&)"];
  t["ZLSetDatabaseState(void*, unsigned long&)"] = {
      {"state", true, ZLE_ENGINE, [](void* h, const COleVariant&, long n) {
         unsigned long state = static_cast<unsigned long>(n);
         return ZLSetDatabaseState(h, state);
       }}};
  t["ZLGetDBResourceStrings(void*, unsigned short, CTypedPtrArray<CObArray, "
    "CZLResourceStringObject*>&, int, int)"];
  // Only the resource ID reaches a key when texts are imported; the list's
  // good first entry must not be written either.
  t["ZLSetDBResourceStrings(void*, unsigned short, CTypedPtrArray<CObArray, "
    "CZLResourceStringObject*> const&)"] = {
      {"m_lResID", false, ZLE_ENGINE, [](void* h, const COleVariant&, long n) {
         CZLResourceStringObject good, bad;
         good.m_lResID = 1;
         good.m_strText = "changed";
         bad.m_lResID = n;
         bad.m_strText = "misfit";
         CTypedPtrArray<CObArray, CZLResourceStringObject*> strings;
         strings.Add(&good);
         strings.Add(&bad);
         return ZLSetDBResourceStrings(h, 1033, strings);
       }}};
  return t;
}

// The exported symbols, demangled, one per line.
std::vector<std::string> ExportedSymbols() {
  std::vector<std::string> symbols;
  std::ifstream list(ZL_SOURCE_DIR "/abi/exports.txt");
  for (std::string line; std::getline(list, line);) symbols.push_back(line);
  return symbols;
}

// Exports of the database interface whose arguments carry a long, an
// unsigned long or a value object.  The ZLFree routines only free objects.
bool TakesNumbers(const std::string& symbol) {
  static const std::regex pattern(R"(^ZL\w*\(.*(\blong\b|CZL).*\)$)");
  return symbol.rfind("ZLFree", 0) != 0 && std::regex_match(symbol, pattern);
}

// Everything the file holds, table by table, read through a connection of
// its own: a failed call must leave it byte for byte.
std::string Contents(const std::string& path) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "unreadable";
  }
  std::vector<std::string> tables;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", -1, &st,
                     nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  }
  sqlite3_finalize(st);
  for (const std::string& table : tables) {
    out += "[" + table + "]";
    sqlite3_prepare_v2(db, ("SELECT * FROM \"" + table + "\" ORDER BY rowid").c_str(), -1, &st,
                       nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const char* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
        out += std::to_string(sqlite3_column_type(st, i)) + ":" +
               std::string(bytes ? bytes : "", sqlite3_column_bytes(st, i)) + "|";
      }
      out += "\n";
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

class CallerNumbersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.File("lib.zdb");
    m_hDB = ZLCreateDatabase(m_path.c_str());
    ASSERT_NE(m_hDB, nullptr);
    ZLAddResourceTable(m_hDB, 1033);
    // Record 1, with texts, and parameter set 1: what a cut number names.
    long id = 0;
    ASSERT_EQ(ZLCreateNewRecord(m_hDB, m_bookmark), 1);
    ASSERT_EQ(ZLGetIDByBookmark(m_hDB, m_bookmark, id), 1);
    ASSERT_EQ(id, 1);
    ASSERT_EQ(ZLSetTitleByID(m_hDB, 1, 1033, "one", 0), 1);
    ASSERT_EQ(ZLSetInfoByID(m_hDB, 1, 1033, "info", 0), 1);
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& sets = *lock.Record().recordsets[zl::ZLT_PARAMSET];
    sets.AddNew();
    sets.SetFieldValue("MODEL_ID", COleVariant(static_cast<int32_t>(1)));
    sets.Update();
    sets.SetBookmark(sets.GetLastModifiedBookmark());
    ASSERT_EQ(sets.GetFieldValue("PARAM_ID").lVal, 1);
  }
  void TearDown() override { EXPECT_EQ(ZLCloseDatabase(m_hDB), 1); }

  CScratchDir m_dir;
  std::string m_path;
  void* m_hDB = nullptr;
  COleVariant m_bookmark;
};

TEST_F(CallerNumbersTest, EveryExportRefusesNumbersBeyond32BitsAndWritesNothing) {
  const CNumberTable table = BuildTable();
  const std::vector<std::string> symbols = ExportedSymbols();
  ASSERT_FALSE(symbols.empty());
  const std::string before = Contents(m_path);
  int walked = 0;
  for (const std::string& symbol : symbols) {
    if (!TakesNumbers(symbol)) continue;
    const auto entry = table.find(symbol);
    if (entry == table.end()) {
      ADD_FAILURE() << symbol << " takes a long, unsigned long or value object but has no cases";
      continue;
    }
    ++walked;
    for (const CNumberCase& c : entry->second) {
      const auto& misfits = c.isUnsigned ? kUnsignedMisfits : kSignedMisfits;
      for (long number : misfits) {
        SCOPED_TRACE(symbol + " " + c.argument + "=" + std::to_string(number));
        EXPECT_EQ(c.call(m_hDB, m_bookmark, number), c.result);
        EXPECT_EQ(ZLGetLastError(), c.code);
        EXPECT_EQ(Contents(m_path), before);
      }
    }
  }
  // The walk saw at least the families that exist today.
  EXPECT_GE(walked, 80);
}

// The limits themselves still fit: a 32-bit mask and the largest ID.
TEST_F(CallerNumbersTest, NumbersThatFitAreStoredAsGiven) {
  unsigned long state = 0xFFFFFFFFul;
  ASSERT_EQ(ZLSetDatabaseState(m_hDB, state), 1);
  state = 0;
  ASSERT_EQ(ZLGetDatabaseState(m_hDB, state), 1);
  EXPECT_EQ(state, 0xFFFFFFFFul);
  long link = 0;
  ASSERT_EQ(ZLSetParentByID(m_hDB, 1, 2147483647L), 1);
  ASSERT_EQ(ZLGetParentByID(m_hDB, 1, link), 1);
  EXPECT_EQ(link, 2147483647L);
  ASSERT_EQ(ZLSetNextByID(m_hDB, 1, -2147483648L), 1);
  ASSERT_EQ(ZLGetNextByID(m_hDB, 1, link), 1);
  EXPECT_EQ(link, -2147483648L);
}

}  // namespace
