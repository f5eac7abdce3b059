// Every export that takes a database handle, called with a null, a garbage,
// a closed and a foreign handle, returns 0 with last error 7 and touches no
// file.  The exports are taken from the library's exported symbols: one
// without an entry in the call table below fails here, so a new family adds
// its exports (one ZL_CALL line each).
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <typeinfo>

#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "support/exported_symbols.h"
#include "support/file_contents.h"
#include "zldbctrl70.h"

namespace {

using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;
using CHandleCall = std::function<int(void* hDB)>;

// The demangled argument list of a function type, as abi/exports.txt has it.
template <class F>
std::string Arguments() {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(typeid(F).name(), nullptr, nullptr, &status), std::free);
  const std::string text = status == 0 ? name.get() : "";
  const size_t paren = text.find('(');
  return paren == std::string::npos ? text : text.substr(paren);
}

// The export called with the handle and default values for the rest.
template <class... A>
std::pair<std::string, CHandleCall> Entry(const char* name, int (*fn)(void*, A...)) {
  return {name + Arguments<int(void*, A...)>(), [fn](void* hDB) {
            std::tuple<std::decay_t<A>...> args{};
            return std::apply([&](auto&... a) { return fn(hDB, a...); }, args);
          }};
}

#define ZL_CALL(name) Entry(#name, &name)
#define ZL_CALL_AS(name, ...) Entry<__VA_ARGS__>(#name, &name)

// Arguments other than the handle take their type's default value, except
// where a call checks an argument before the handle (an empty login is
// refused first, by contract).
std::map<std::string, CHandleCall> CallTable() {
  return {
      {"ZLCheckDatabaseLogin(void*, char const*)",
       [](void* hDB) { return ZLCheckDatabaseLogin(hDB, "login"); }},
      // database and properties
      ZL_CALL(ZLCloseDatabase),
      ZL_CALL(ZLGetDBName),
      ZL_CALL(ZLSetDatabaseSnapShotMode),
      ZL_CALL(ZLBeginTransaction),
      ZL_CALL(ZLCommitTransaction),
      ZL_CALL(ZLRollbackTransaction),
      ZL_CALL(ZLGetDatabaseVersion),
      ZL_CALL(ZLSetDatabaseVersion),
      ZL_CALL(ZLGetDatabaseState),
      ZL_CALL(ZLSetDatabaseState),
      ZL_CALL(ZLGetUserVersion),
      ZL_CALL(ZLSetUserVersion),
      ZL_CALL(ZLGetDatabaseInfo),
      ZL_CALL(ZLSetDatabaseInfo),
      ZL_CALL(ZLGetLastLayoutChangeDate),
      ZL_CALL(ZLGetPackageLastChangeDate),
      ZL_CALL(ZLSetDatabaseLogin),
      // records, bookmarks and the tree
      ZL_CALL(ZLGetBookmarkByID),
      ZL_CALL(ZLGetIDByBookmark),
      ZL_CALL(ZLGetAllBookmarks),
      ZL_CALL(ZLCreateNewRecord),
      ZL_CALL(ZLGetRootBookmark),
      ZL_CALL(ZLGetPathByID),
      ZL_CALL(ZLGetPathByBookmark),
      ZL_CALL(ZLGetParentByID),
      ZL_CALL(ZLGetFirstChildByID),
      ZL_CALL(ZLGetPrevByID),
      ZL_CALL(ZLGetNextByID),
      ZL_CALL(ZLGetParentByBookmark),
      ZL_CALL(ZLGetFirstChildByBookmark),
      ZL_CALL(ZLGetPrevByBookmark),
      ZL_CALL(ZLGetNextByBookmark),
      ZL_CALL(ZLSetParentByID),
      ZL_CALL(ZLSetFirstChildByID),
      ZL_CALL(ZLSetPrevByID),
      ZL_CALL(ZLSetNextByID),
      ZL_CALL(ZLSetParentByBookmark),
      ZL_CALL(ZLSetFirstChildByBookmark),
      ZL_CALL(ZLSetPrevByBookmark),
      ZL_CALL(ZLSetNextByBookmark),
      // scalar attributes
      ZL_CALL(ZLGetDefNameByID),
      ZL_CALL(ZLGetDefNameByBookmark),
      ZL_CALL(ZLSetDefNameByID),
      ZL_CALL(ZLSetDefNameByBookmark),
      ZL_CALL(ZLGetTypeByID),
      ZL_CALL(ZLGetTypeByBookmark),
      ZL_CALL(ZLSetTypeByID),
      ZL_CALL(ZLSetTypeByBookmark),
      ZL_CALL(ZLGetLevelByID),
      ZL_CALL(ZLGetLevelByBookmark),
      ZL_CALL(ZLSetLevelByID),
      ZL_CALL(ZLSetLevelByBookmark),
      ZL_CALL(ZLGetUsesByID),
      ZL_CALL(ZLGetUsesByBookmark),
      ZL_CALL(ZLSetUsesByID),
      ZL_CALL(ZLSetUsesByBookmark),
      ZL_CALL(ZLGetSheetByID),
      ZL_CALL(ZLGetSheetByBookmark),
      ZL_CALL(ZLSetSheetByID),
      ZL_CALL(ZLSetSheetByBookmark),
      ZL_CALL(ZLGetUDTNameByID),
      ZL_CALL(ZLGetUDTNameByBookmark),
      ZL_CALL(ZLSetUDTNameByID),
      ZL_CALL(ZLSetUDTNameByBookmark),
      ZL_CALL(ZLGetWizTypeByID),
      ZL_CALL(ZLGetWizTypeByBookmark),
      ZL_CALL(ZLSetWizTypeByID),
      ZL_CALL(ZLSetWizTypeByBookmark),
      ZL_CALL(ZLGetWizardDataByID),
      ZL_CALL(ZLGetWizardDataByBookmark),
      ZL_CALL(ZLSetWizardDataByID),
      ZL_CALL(ZLSetWizardDataByBookmark),
      ZL_CALL(ZLGetStateByID),
      ZL_CALL(ZLGetStateByBookmark),
      ZL_CALL(ZLSetStateByID),
      ZL_CALL(ZLSetStateByBookmark),
      ZL_CALL(ZLGetCreatedUserByID),
      ZL_CALL(ZLGetCreatedUserByBookmark),
      ZL_CALL(ZLSetCreatedUserByID),
      ZL_CALL(ZLSetCreatedUserByBookmark),
      ZL_CALL(ZLGetModifiedUserByID),
      ZL_CALL(ZLGetModifiedUserByBookmark),
      ZL_CALL(ZLSetModifiedUserByID),
      ZL_CALL(ZLSetModifiedUserByBookmark),
      ZL_CALL(ZLGetCreatedDateByID),
      ZL_CALL(ZLGetCreatedDateByBookmark),
      ZL_CALL(ZLSetCreatedDateByID),
      ZL_CALL(ZLSetCreatedDateByBookmark),
      ZL_CALL(ZLGetModifiedDateByID),
      ZL_CALL(ZLGetModifiedDateByBookmark),
      ZL_CALL(ZLSetModifiedDateByID),
      ZL_CALL(ZLSetModifiedDateByBookmark),
      // titles and information texts: one language, and every language
      ZL_CALL_AS(ZLGetTitleByID, long, WORD, CString&, long),
      ZL_CALL_AS(ZLGetTitleByID, long, CTextMap&, long),
      ZL_CALL_AS(ZLGetTitleByBookmark, const COleVariant&, WORD, CString&, long),
      ZL_CALL_AS(ZLGetTitleByBookmark, const COleVariant&, CTextMap&, long),
      ZL_CALL_AS(ZLSetTitleByID, long, WORD, const char*, long),
      ZL_CALL_AS(ZLSetTitleByID, long, const CTextMap&, long),
      ZL_CALL_AS(ZLSetTitleByBookmark, const COleVariant&, WORD, const char*, long),
      ZL_CALL_AS(ZLSetTitleByBookmark, const COleVariant&, const CTextMap&, long),
      ZL_CALL_AS(ZLGetInfoByID, long, WORD, CString&, long),
      ZL_CALL_AS(ZLGetInfoByID, long, CTextMap&, long),
      ZL_CALL_AS(ZLGetInfoByBookmark, const COleVariant&, WORD, CString&, long),
      ZL_CALL_AS(ZLGetInfoByBookmark, const COleVariant&, CTextMap&, long),
      ZL_CALL_AS(ZLSetInfoByID, long, WORD, const char*, long),
      ZL_CALL_AS(ZLSetInfoByID, long, const CTextMap&, long),
      ZL_CALL_AS(ZLSetInfoByBookmark, const COleVariant&, WORD, const char*, long),
      ZL_CALL_AS(ZLSetInfoByBookmark, const COleVariant&, const CTextMap&, long),
      // resource and simulator-language tables
      ZL_CALL(ZLAddResourceTable),
      ZL_CALL(ZLRemoveResourceTable),
      ZL_CALL(ZLGetAvailableResourceLanguages),
      ZL_CALL(ZLGetDBResourceStrings),
      ZL_CALL(ZLSetDBResourceStrings),
      ZL_CALL(ZLAddCallTable),
      ZL_CALL(ZLAddMacroTable),
      ZL_CALL(ZLAddAccessTable),
      ZL_CALL(ZLAddPackageTable),
      ZL_CALL(ZLRemoveCallTable),
      ZL_CALL(ZLRemoveMacroTable),
      ZL_CALL(ZLRemoveAccessTable),
      ZL_CALL(ZLRemovePackageTable),
      ZL_CALL(ZLIsExclusiveCallTable),
      ZL_CALL(ZLIsExclusiveMacroTable),
      ZL_CALL(ZLGetAvailableCallSimLanguages),
      ZL_CALL(ZLGetAvailableMacroSimLanguages),
      ZL_CALL(ZLGetAvailableAccessSimLanguages),
      ZL_CALL(ZLGetAvailablePackageSimLanguages),
  };
}

// The kinds of bad handle: each is made (and released) by the fixture.
enum class BadHandle { kNull, kGarbage, kClosed, kForeignBlock, kSmallBlock };
const char* const kBadHandleNames[] = {"null", "garbage", "closed", "foreign block", "small block"};

class BadHandleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hDB = ZLCreateDatabase(m_path.c_str());
    ASSERT_NE(m_hDB, nullptr);
    ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
    COleVariant bookmark;
    ASSERT_EQ(ZLCreateNewRecord(m_hDB, bookmark), 1);
    void* closed = ZLCreateDatabase(m_dir.File("closed.zdb").c_str());
    ASSERT_EQ(ZLCloseDatabase(closed), 1);
    // A block exactly the size of a handle record, and one too small, that
    // were never handles.
    m_foreign = GlobalAlloc(GHND, sizeof(zl::ZLHandleRecord));
    std::memset(GlobalLock(m_foreign), 0x5A, sizeof(zl::ZLHandleRecord));
    GlobalUnlock(m_foreign);
    m_small = GlobalAlloc(GHND, 8);
    m_handles = {nullptr, reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A5A5A5AULL)),
                 closed, m_foreign, m_small};
  }
  void TearDown() override {
    GlobalFree(m_foreign);
    GlobalFree(m_small);
    if (m_hDB != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_hDB), 1);
    }
  }

  CScratchDir m_dir;
  std::string m_path = m_dir.File("lib.zdb");
  void* m_hDB = nullptr;
  HGLOBAL m_foreign = nullptr;
  HGLOBAL m_small = nullptr;
  std::vector<void*> m_handles;
};

TEST_F(BadHandleTest, EveryExportRefusesEveryBadHandleWithSevenAndTouchesNothing) {
  const std::map<std::string, CHandleCall> table = CallTable();
  const std::string before = zltest::FileContents(m_path);
  int walked = 0;
  for (const std::string& symbol : zltest::ExportedSymbols()) {
    if (!zltest::TakesHandle(symbol)) continue;
    const auto entry = table.find(symbol);
    if (entry == table.end()) {
      ADD_FAILURE() << symbol << " takes a handle but has no entry in the bad-handle call table";
      continue;
    }
    ++walked;
    for (size_t kind = 0; kind < m_handles.size(); ++kind) {
      SCOPED_TRACE(symbol + " with a " + kBadHandleNames[kind] + " handle");
      CString name;
      ASSERT_EQ(ZLGetDBName(m_hDB, name), 1);  // last error 0 before each call
      EXPECT_EQ(entry->second(m_handles[kind]), 0);
      EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    }
  }
  // Every entry names an export (a renamed export leaves no dead row).
  EXPECT_EQ(walked, static_cast<int>(table.size()));
  EXPECT_EQ(zltest::FileContents(m_path), before);
  // The good handle and the foreign blocks are untouched.
  CString name;
  EXPECT_EQ(ZLGetDBName(m_hDB, name), 1);
  EXPECT_EQ(GlobalSize(m_small), 8u);
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(m_foreign));
  EXPECT_EQ(bytes[0], 0x5A);
  EXPECT_EQ(bytes[sizeof(zl::ZLHandleRecord) - 1], 0x5A);
  GlobalUnlock(m_foreign);
}

}  // namespace
