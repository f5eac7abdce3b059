// Every legacy export, called with handles that are not of its kind (null,
// garbage, a closed legacy handle, a current database handle, a table handle
// or a database handle where the other is expected, a small block), fails
// with its kind's "bad handle" code and touches no file; the current
// interface refuses legacy handles with its own.  The exports are
// taken from abi/exports.txt: a legacy export without an entry below fails
// here.
#include <cxxabi.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <typeinfo>

#include "legacy/legacy_attribute_list.h"
#include "legacy_fixture.h"
#include "support/exported_symbols.h"
#include "support/file_contents.h"

namespace {

using CCall = std::function<int(void* handle)>;

template <class F>
std::string Arguments() {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(typeid(F).name(), nullptr, nullptr, &status), std::free);
  const std::string text = status == 0 ? name.get() : "";
  const size_t paren = text.find('(');
  return paren == std::string::npos ? text : text.substr(paren);
}

// The export called with the handle and default values for the rest; a
// handle result counts as 1.  Library-text getters get the right access
// code, so that the handle is what fails.
template <class R, class... A>
std::pair<std::string, CCall> Entry(const std::string& name, R (*fn)(void*, A...)) {
  return {name + Arguments<R(void*, A...)>(), [fn, name](void* handle) {
            std::tuple<std::decay_t<A>...> args{};
            if constexpr (sizeof...(A) == 3) {
              if constexpr (std::is_same_v<std::decay_t<std::tuple_element_t<2, std::tuple<A...>>>,
                                           long>) {
                if (name.rfind("GetLib", 0) == 0) std::get<2>(args) = LZL_LIB_ACCESS;
              }
            }
            const R result = std::apply([&](auto&... a) { return fn(handle, a...); }, args);
            if constexpr (std::is_pointer_v<R>) {
              return result != nullptr ? 1 : 0;
            } else {
              return static_cast<int>(result);
            }
          }};
}

#define LZL_ENTRY(name) Entry(#name, &name)
#define LZL_ENTRY_AS(name, R, ...) Entry(#name, static_cast<R (*)(void*, __VA_ARGS__)>(&name))
#define LZL_FOUR(Attr)                                                                      \
  LZL_ENTRY(Get##Attr##ByID), LZL_ENTRY(Get##Attr##ByBookmark), LZL_ENTRY(Set##Attr##ByID), \
      LZL_ENTRY(Set##Attr##ByBookmark),
#define LZL_SCALAR(Attr, field, Kind, stamp) LZL_FOUR(Attr)
#define LZL_LIB(Attr, field, stateField) LZL_FOUR(Attr)
#define LZL_LIST(Attr, kind) LZL_FOUR(Attr)

std::map<std::string, CCall> CallTable() {
  return {
      LZL_SCALAR_ATTRIBUTES(LZL_SCALAR) LZL_LIB_ATTRIBUTES(LZL_LIB) LZL_LIST_ATTRIBUTES(LZL_LIST)
          LZL_ENTRY(CloseZLDatabase),
      LZL_ENTRY(GetDatabaseVersion),
      LZL_ENTRY(SetDatabaseVersion),
      LZL_ENTRY(GetLastLayoutChangeDate),
      LZL_ENTRY(GetAllBookmarks),
      LZL_ENTRY(GetIDByBookmark),
      LZL_ENTRY(GetBookmarkByID),
      LZL_ENTRY(CreateNewRecord),
      LZL_ENTRY(DeleteRecordByBookmark),
      LZL_ENTRY(DeleteRecordByID),
      LZL_ENTRY(CopyRecordByBookmark),
      LZL_ENTRY(ConvertZLDatabase),
      LZL_ENTRY(GetPathByID),
      LZL_ENTRY(GetPathByBookmark),
      LZL_ENTRY(CompQuery),
      LZL_ENTRY(CompQuery2),
      LZL_ENTRY(CreateUserDefinedTable),
      LZL_ENTRY(OpenUserDefinedTable),
      LZL_ENTRY(CloseUserDefinedTable),
      LZL_ENTRY(UDTGetAllBookmarks),
      LZL_ENTRY(UDTGetFieldInfo),
      LZL_ENTRY(UDTGetFieldInfos),
      LZL_ENTRY_AS(UDTGetFieldValueByBookmark, int, COleVariant, const char*, COleVariant&),
      LZL_ENTRY_AS(UDTGetFieldValueByBookmark, int, COleVariant, CUDTFieldInfo&),
      LZL_ENTRY_AS(UDTSetFieldValueByBookmark, int, COleVariant, const char*, const COleVariant&),
      LZL_ENTRY_AS(UDTSetFieldValueByBookmark, int, COleVariant, const CUDTFieldInfo&),
      LZL_ENTRY(UDTGetFieldValues),
      LZL_ENTRY(UDTCreateNewRecord),
      LZL_ENTRY(UDTDeleteRecordByBookmark),
  };
}

// A legacy export: a free function whose first argument is a handle, outside
// the current interface's ZL prefix and the platform's memory functions.
bool IsLegacyExport(const std::string& symbol) {
  return symbol.find("::") == std::string::npos && symbol.rfind("ZL", 0) != 0 &&
         symbol.rfind("Global", 0) != 0 && symbol.find("(void*") != std::string::npos;
}

// The functions of a table handle; the rest take a database handle.
bool TakesTableHandle(const std::string& symbol) {
  return symbol.rfind("UDT", 0) == 0 || symbol.rfind("CloseUserDefinedTable", 0) == 0;
}

TEST_F(LegacyTest, EveryLegacyExportRefusesHandlesOfAnotherKind) {
  COleVariant bookmark;
  ASSERT_EQ(CreateNewRecord(m_hDB, bookmark), 1);
  void* closed = CreateZLDatabase(m_dir.File("closed.sdb").c_str());
  ASSERT_EQ(CloseZLDatabase(closed), 1);
  void* hCurrent = ZLCreateDatabase(m_dir.File("current.zdb").c_str());
  ASSERT_NE(hCurrent, nullptr);
  CUDTFieldInfoArray fields;
  CUDTFieldInfo field("VALUE", UDT_LONG, 0);
  fields.Add(&field);
  void* hTable = CreateUserDefinedTable(m_hDB, "DATA", fields);
  fields.RemoveAll();
  ASSERT_NE(hTable, nullptr);
  HGLOBAL small = GlobalAlloc(GHND, 8);
  void* garbage = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A5A5A5AULL));
  const std::string before = zltest::FileContents(m_path);
  const std::string currentBefore = zltest::FileContents(m_dir.File("current.zdb"));

  const std::map<std::string, CCall> table = CallTable();
  size_t walked = 0;
  for (const std::string& symbol : zltest::ExportedSymbols()) {
    if (!IsLegacyExport(symbol)) continue;
    const auto entry = table.find(symbol);
    if (entry == table.end()) {
      ADD_FAILURE() << symbol << " has no entry in the legacy call table";
      continue;
    }
    ++walked;
    const bool tableFunction = TakesTableHandle(symbol);
    const int code = tableFunction ? LZLE_BAD_TABLE_HANDLE : LZLE_BAD_HANDLE;
    void* otherKind = tableFunction ? m_hDB : hTable;
    for (void* handle : {static_cast<void*>(nullptr), garbage, closed, hCurrent, otherKind,
                         static_cast<void*>(small)}) {
      SCOPED_TRACE(symbol);
      EXPECT_EQ(FailCode(entry->second(handle)), code);
    }
  }
  EXPECT_EQ(walked, table.size());
  // The current interface refuses both legacy kinds with its own code and
  // leaves the legacy last error alone.
  CObList list;
  EXPECT_EQ(UDTGetAllBookmarks(m_hDB, list), 0);
  for (void* foreign : {m_hDB, hTable}) {
    EXPECT_EQ(ZLCreateNewRecord(foreign, bookmark), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    EXPECT_EQ(ZLCloseDatabase(foreign), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  }
  EXPECT_EQ(GetLastZLDBError(), LZLE_BAD_TABLE_HANDLE);
  EXPECT_EQ(zltest::FileContents(m_path), before);
  EXPECT_EQ(zltest::FileContents(m_dir.File("current.zdb")), currentBefore);
  GlobalFree(small);
  EXPECT_EQ(CloseUserDefinedTable(hTable), 1);
  EXPECT_EQ(ZLCloseDatabase(hCurrent), 1);
}

}  // namespace
