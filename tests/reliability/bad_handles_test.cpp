// Every export that takes a database handle, called with a null, a garbage,
// a closed and a foreign handle, returns 0 with last error 7 and touches no
// file.  The exports are taken from the library's exported symbols: one
// without an entry in the call table below fails here, so a new family adds
// its exports (one ZL_CALL line each).
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// A buffer argument points somewhere (a null one is refused before the
// handle is looked at, leaving the last error as it was); others keep their
// default value.
template <class T>
void PointBuffer(T&, unsigned char**) {}
void PointBuffer(unsigned char**& argument, unsigned char** buffer) { argument = buffer; }

// The export called with the handle and default values for the rest; a
// non-zero key goes to the last argument (the access key of the macro and
// package text getters, which is checked before the handle).
template <class... A>
std::pair<std::string, CHandleCall> Entry(const char* name, int (*fn)(void*, A...), long key = 0) {
  return {name + Arguments<int(void*, A...)>(), [fn, key](void* hDB) {
            std::tuple<std::decay_t<A>...> args{};
            if constexpr (sizeof...(A) > 0) {
              auto& last = std::get<sizeof...(A) - 1>(args);
              if constexpr (std::is_same_v<std::decay_t<decltype(last)>, long>) {
                if (key != 0) last = key;
              }
            }
            unsigned char* buffer = nullptr;
            std::apply([&](auto&... a) { (PointBuffer(a, &buffer), ...); }, args);
            const int result = std::apply([&](auto&... a) { return fn(hDB, a...); }, args);
            ::operator delete(buffer);
            return result;
          }};
}

// One line per export: ZL_CALL for a name without overloads, ZL_CALL_AS
// with the argument types after the handle for each overload, ZL_KEYED for
// the getters that take an access key.
#define ZL_CALL(name) Entry(#name, &name)
#define ZL_CALL_AS(name, ...) Entry<__VA_ARGS__>(#name, &name)
#define ZL_KEYED(key, name, ...) Entry<__VA_ARGS__>(#name, &name, key)

// Arguments other than the handle take their type's default value, except
// where a call checks an argument before the handle (an empty login is
// refused first, by contract).
std::map<std::string, CHandleCall> CallTable() {
  return {
      // Returns the handle to go on with: null is its failure.
      {"ZLConvertDatabase(void*)", [](void* hDB) { return ZLConvertDatabase(hDB) != nullptr; }},
      {"ZLCheckDatabaseLogin(void*, char const*)",
       [](void* hDB) { return ZLCheckDatabaseLogin(hDB, "login"); }},
      ZL_CALL(ZLAddAccessTable),
      ZL_CALL(ZLAddCallTable),
      ZL_CALL(ZLAddMacroTable),
      ZL_CALL(ZLAddPackageTable),
      ZL_CALL(ZLAddResourceTable),
      ZL_CALL(ZLBeginTransaction),
      ZL_CALL(ZLCloseDatabase),
      ZL_CALL(ZLCommitTransaction),
      ZL_CALL(ZLCopyPackageRecordByBookmark),
      ZL_CALL(ZLCreateNewRecord),
      ZL_CALL(ZLCreatePackageNewRecord),
      ZL_CALL(ZLDeleteMacroByBookmark),
      ZL_CALL(ZLDeleteMacroByID),
      ZL_CALL(ZLDeletePackageByBookmark),
      ZL_CALL(ZLDeletePackageByID),
      ZL_CALL(ZLDeletePackageRecordByBookmark),
      ZL_CALL(ZLDeletePackageRecordByID),
      ZL_CALL(ZLGetAllBookmarks),
      ZL_CALL(ZLGetMacrosBookmarkByDefName),
      ZL_CALL(ZLCopyRecordByBookmark),
      ZL_CALL(ZLCopyUDTRecordByBookmark),
      ZL_CALL(ZLDeleteRecordByBookmark),
      ZL_CALL(ZLDeleteRecordByID),
      ZL_CALL(ZLDeleteUDTRecordByBookmark),
      ZL_CALL(ZLDeleteUDTRecordByID),
      ZL_CALL(ZLGetAvailableAccessSimLanguages),
      ZL_CALL(ZLGetAvailableCallSimLanguages),
      ZL_CALL(ZLGetAvailableMacroSimLanguages),
      ZL_CALL(ZLGetAvailablePackageSimLanguages),
      ZL_CALL(ZLGetAvailableResourceLanguages),
      ZL_CALL(ZLGetBookmarkByID),
      ZL_CALL(ZLGetCallByBookmark),
      ZL_CALL(ZLGetCallByID),
      ZL_CALL(ZLGetCallsByBookmark),
      ZL_CALL(ZLGetCallsByID),
      ZL_CALL(ZLGetCompiledDefaultMacroByBookmark),
      ZL_CALL(ZLGetCompiledDefaultMacroByID),
      ZL_CALL(ZLGetCompiledInterfaceByBookmark),
      ZL_CALL(ZLGetCompiledInterfaceByID),
      ZL_CALL_AS(ZLGetCompiledMacroByBookmark, COleVariant const&, char const*, char const*, long&,
                 unsigned char**),
      ZL_CALL_AS(ZLGetCompiledMacroByBookmark, COleVariant const&, char const*, unsigned long,
                 long&, unsigned char**),
      ZL_CALL_AS(ZLGetCompiledMacroByID, long, char const*, char const*, long&, unsigned char**),
      ZL_CALL_AS(ZLGetCompiledMacroByID, long, char const*, unsigned long, long&, unsigned char**),
      ZL_CALL(ZLGetCompiledPackageBodyByBookmark),
      ZL_CALL(ZLGetCompiledPackageBodyByName),
      ZL_CALL(ZLGetCompiledPackageByBookmark),
      ZL_CALL(ZLGetCompiledPackageByName),
      ZL_CALL(ZLGetCreatedDateByBookmark),
      ZL_CALL(ZLGetCreatedDateByID),
      ZL_CALL(ZLGetCreatedUserByBookmark),
      ZL_CALL(ZLGetCreatedUserByID),
      ZL_CALL(ZLGetDBName),
      ZL_CALL(ZLGetDBResourceStrings),
      ZL_CALL(ZLGetDatabaseInfo),
      ZL_CALL(ZLGetDatabaseState),
      ZL_CALL(ZLGetDatabaseVersion),
      ZL_CALL(ZLGetDefNameByBookmark),
      ZL_CALL(ZLGetDefNameByID),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetDefaultMacroByBookmark, COleVariant const&, char const*,
               CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetDefaultMacroByBookmark, COleVariant const&, char const*,
               CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetDefaultMacroByBookmark, COleVariant const&, char const*,
               CZLMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetDefaultMacroByID, long, char const*, CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetDefaultMacroByID, long, char const*, CZLBinaryMacroObject&,
               long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetDefaultMacroByID, long, char const*, CZLMacroObject&, long),
      ZL_CALL(ZLGetFirstChildByBookmark),
      ZL_CALL(ZLGetFirstChildByID),
      ZL_CALL(ZLGetIDByBookmark),
      ZL_CALL_AS(ZLGetInfoByBookmark, COleVariant const&,
                 CMap<unsigned short, unsigned short, CString, char const*>&, long),
      ZL_CALL_AS(ZLGetInfoByBookmark, COleVariant const&, unsigned short, CString&, long),
      ZL_CALL_AS(ZLGetInfoByID, long, CMap<unsigned short, unsigned short, CString, char const*>&,
                 long),
      ZL_CALL_AS(ZLGetInfoByID, long, unsigned short, CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetInterfaceByBookmark, COleVariant const&, char const*, CString&,
               long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetInterfaceByBookmark, COleVariant const&, char const*,
               CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetInterfaceByBookmark, COleVariant const&, char const*,
               CZLMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetInterfaceByID, long, char const*, CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetInterfaceByID, long, char const*, CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetInterfaceByID, long, char const*, CZLMacroObject&, long),
      ZL_CALL(ZLGetLastLayoutChangeDate),
      ZL_CALL(ZLGetLevelByBookmark),
      ZL_CALL(ZLGetLevelByID),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByBookmark, COleVariant const&, char const*, char const*,
               CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByBookmark, COleVariant const&, char const*, char const*,
               CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByBookmark, COleVariant const&, char const*, char const*,
               CZLMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByBookmark, COleVariant const&, char const*,
               unsigned long, CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByBookmark, COleVariant const&, char const*,
               unsigned long, CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByBookmark, COleVariant const&, char const*,
               unsigned long, CZLMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByID, long, char const*, char const*, CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByID, long, char const*, char const*,
               CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByID, long, char const*, char const*, CZLMacroObject&,
               long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByID, long, char const*, unsigned long, CString&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByID, long, char const*, unsigned long,
               CZLBinaryMacroObject&, long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacroByID, long, char const*, unsigned long, CZLMacroObject&,
               long),
      ZL_KEYED(
          ZL_MACRO_ACCESS, ZLGetMacrosByBookmark, COleVariant const&,
          CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLBinaryMacroObject*>*>&,
          long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacrosByBookmark, COleVariant const&,
               CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLMacroObject*>*>&,
               long),
      ZL_KEYED(
          ZL_MACRO_ACCESS, ZLGetMacrosByID, long,
          CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLBinaryMacroObject*>*>&,
          long),
      ZL_KEYED(ZL_MACRO_ACCESS, ZLGetMacrosByID, long,
               CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLMacroObject*>*>&,
               long),
      ZL_CALL(ZLGetModifiedDateByBookmark),
      ZL_CALL(ZLGetModifiedDateByID),
      ZL_CALL(ZLGetModifiedUserByBookmark),
      ZL_CALL(ZLGetModifiedUserByID),
      ZL_CALL(ZLGetNextByBookmark),
      ZL_CALL(ZLGetNextByID),
      ZL_CALL(ZLGetPackageAllBookmarks),
      ZL_CALL(ZLGetPackageBookmarkByID),
      ZL_CALL(ZLGetPackageBookmarkByName),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByBookmark, COleVariant const&,
               CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*>&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByBookmark, COleVariant const&,
               CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*>&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByBookmark, COleVariant const&, char const*,
               CZLBinaryPackageObject&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByBookmark, COleVariant const&, char const*,
               CZLPackageObject&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByName, char const*,
               CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*>&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByName, char const*,
               CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*>&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByName, char const*, char const*,
               CZLBinaryPackageObject&, long),
      ZL_KEYED(ZL_PACKAGE_ACCESS, ZLGetPackageByName, char const*, char const*, CZLPackageObject&,
               long),
      ZL_CALL(ZLGetPackageCreatedDateByBookmark),
      ZL_CALL(ZLGetPackageCreatedDateByID),
      ZL_CALL(ZLGetPackageCreatedUserByBookmark),
      ZL_CALL(ZLGetPackageCreatedUserByID),
      ZL_CALL(ZLGetPackageIDByBookmark),
      ZL_CALL(ZLGetPackageLastChangeDate),
      ZL_CALL(ZLGetPackageModifiedDateByBookmark),
      ZL_CALL(ZLGetPackageModifiedDateByID),
      ZL_CALL(ZLGetPackageModifiedUserByBookmark),
      ZL_CALL(ZLGetPackageModifiedUserByID),
      ZL_CALL(ZLGetPackageNameByBookmark),
      ZL_CALL(ZLGetPackageNameByID),
      ZL_CALL(ZLGetPackageNextByBookmark),
      ZL_CALL(ZLGetPackageNextByID),
      ZL_CALL(ZLGetPackagePrevByBookmark),
      ZL_CALL(ZLGetPackagePrevByID),
      ZL_CALL(ZLGetPackageRootBookmark),
      ZL_CALL(ZLGetPackageStateByBookmark),
      ZL_CALL(ZLGetPackageStateByID),
      ZL_CALL(ZLGetParentByBookmark),
      ZL_CALL(ZLGetParentByID),
      ZL_CALL(ZLGetPathByBookmark),
      ZL_CALL(ZLGetPathByID),
      ZL_CALL(ZLGetPrevByBookmark),
      ZL_CALL(ZLGetPrevByID),
      ZL_CALL(ZLGetRootBookmark),
      ZL_CALL(ZLGetSheetByBookmark),
      ZL_CALL(ZLGetSheetByID),
      ZL_CALL(ZLGetStateByBookmark),
      ZL_CALL(ZLGetStateByID),
      ZL_CALL_AS(ZLGetTitleByBookmark, COleVariant const&,
                 CMap<unsigned short, unsigned short, CString, char const*>&, long),
      ZL_CALL_AS(ZLGetTitleByBookmark, COleVariant const&, unsigned short, CString&, long),
      ZL_CALL_AS(ZLGetTitleByID, long, CMap<unsigned short, unsigned short, CString, char const*>&,
                 long),
      ZL_CALL_AS(ZLGetTitleByID, long, unsigned short, CString&, long),
      ZL_CALL(ZLGetTypeByBookmark),
      ZL_CALL(ZLGetTypeByID),
      ZL_CALL(ZLGetUDTNameByBookmark),
      ZL_CALL(ZLGetUDTNameByID),
      ZL_CALL(ZLGetUserVersion),
      ZL_CALL(ZLGetUsesByBookmark),
      ZL_CALL(ZLGetUsesByID),
      ZL_CALL(ZLGetWizTypeByBookmark),
      ZL_CALL(ZLGetWizTypeByID),
      ZL_CALL(ZLGetWizardDataByBookmark),
      ZL_CALL(ZLGetWizardDataByID),
      ZL_CALL(ZLIsExclusiveCallTable),
      ZL_CALL(ZLIsExclusiveMacroTable),
      ZL_CALL(ZLRemoveAccessTable),
      ZL_CALL(ZLRemoveCallTable),
      ZL_CALL(ZLRemoveMacroTable),
      ZL_CALL(ZLRemovePackageTable),
      ZL_CALL(ZLRemoveResourceTable),
      ZL_CALL(ZLRollbackTransaction),
      ZL_CALL(ZLSetCallByBookmark),
      ZL_CALL(ZLSetCallByID),
      ZL_CALL(ZLSetCallsByBookmark),
      ZL_CALL(ZLSetCallsByID),
      ZL_CALL(ZLSetCreatedDateByBookmark),
      ZL_CALL(ZLSetCreatedDateByID),
      ZL_CALL(ZLSetCreatedUserByBookmark),
      ZL_CALL(ZLSetCreatedUserByID),
      ZL_CALL(ZLSetDBResourceStrings),
      ZL_CALL(ZLSetDatabaseInfo),
      ZL_CALL(ZLSetDatabaseLogin),
      ZL_CALL(ZLSetBusyTimeout),
      ZL_CALL(ZLSetDatabaseSnapShotMode),
      ZL_CALL(ZLSetDatabaseState),
      ZL_CALL(ZLSetDatabaseVersion),
      ZL_CALL(ZLSetDefNameByBookmark),
      ZL_CALL(ZLSetDefNameByID),
      ZL_CALL(ZLSetFirstChildByBookmark),
      ZL_CALL(ZLSetFirstChildByID),
      ZL_CALL_AS(ZLSetInfoByBookmark, COleVariant const&,
                 CMap<unsigned short, unsigned short, CString, char const*> const&, long),
      ZL_CALL_AS(ZLSetInfoByBookmark, COleVariant const&, unsigned short, char const*, long),
      ZL_CALL_AS(ZLSetInfoByID, long,
                 CMap<unsigned short, unsigned short, CString, char const*> const&, long),
      ZL_CALL_AS(ZLSetInfoByID, long, unsigned short, char const*, long),
      ZL_CALL(ZLSetLevelByBookmark),
      ZL_CALL(ZLSetLevelByID),
      ZL_CALL_AS(ZLSetMacroByBookmark, COleVariant const&, char const*,
                 CZLBinaryMacroObject const&),
      ZL_CALL_AS(ZLSetMacroByBookmark, COleVariant const&, char const*, CZLMacroObject const&),
      ZL_CALL_AS(ZLSetMacroByID, long, char const*, CZLBinaryMacroObject const&),
      ZL_CALL_AS(ZLSetMacroByID, long, char const*, CZLMacroObject const&),
      ZL_CALL_AS(ZLSetMacrosByBookmark, COleVariant const&,
                 CTypedPtrMap<CMapStringToOb, CString,
                              CTypedPtrArray<CObArray, CZLBinaryMacroObject*>*> const&),
      ZL_CALL_AS(
          ZLSetMacrosByBookmark, COleVariant const&,
          CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLMacroObject*>*> const&),
      ZL_CALL_AS(ZLSetMacrosByID, long,
                 CTypedPtrMap<CMapStringToOb, CString,
                              CTypedPtrArray<CObArray, CZLBinaryMacroObject*>*> const&),
      ZL_CALL_AS(
          ZLSetMacrosByID, long,
          CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLMacroObject*>*> const&),
      ZL_CALL(ZLSetModifiedDateByBookmark),
      ZL_CALL(ZLSetModifiedDateByID),
      ZL_CALL(ZLSetModifiedUserByBookmark),
      ZL_CALL(ZLSetModifiedUserByID),
      ZL_CALL(ZLSetNextByBookmark),
      ZL_CALL(ZLSetNextByID),
      ZL_CALL_AS(ZLSetPackageByBookmark, COleVariant const&,
                 CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*> const&),
      ZL_CALL_AS(ZLSetPackageByBookmark, COleVariant const&,
                 CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*> const&),
      ZL_CALL_AS(ZLSetPackageByBookmark, COleVariant const&, char const*,
                 CZLBinaryPackageObject const&),
      ZL_CALL_AS(ZLSetPackageByBookmark, COleVariant const&, char const*, CZLPackageObject const&),
      ZL_CALL_AS(ZLSetPackageByName, char const*,
                 CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*> const&),
      ZL_CALL_AS(ZLSetPackageByName, char const*,
                 CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*> const&),
      ZL_CALL_AS(ZLSetPackageByName, char const*, char const*, CZLBinaryPackageObject const&),
      ZL_CALL_AS(ZLSetPackageByName, char const*, char const*, CZLPackageObject const&),
      ZL_CALL(ZLSetPackageCreatedDateByBookmark),
      ZL_CALL(ZLSetPackageCreatedDateByID),
      ZL_CALL(ZLSetPackageCreatedUserByBookmark),
      ZL_CALL(ZLSetPackageCreatedUserByID),
      ZL_CALL(ZLSetPackageModifiedDateByBookmark),
      ZL_CALL(ZLSetPackageModifiedDateByID),
      ZL_CALL(ZLSetPackageModifiedUserByBookmark),
      ZL_CALL(ZLSetPackageModifiedUserByID),
      ZL_CALL(ZLSetPackageNameByBookmark),
      ZL_CALL(ZLSetPackageNameByID),
      ZL_CALL(ZLSetPackageNextByBookmark),
      ZL_CALL(ZLSetPackageNextByID),
      ZL_CALL(ZLSetPackagePrevByBookmark),
      ZL_CALL(ZLSetPackagePrevByID),
      ZL_CALL(ZLSetPackageStateByBookmark),
      ZL_CALL(ZLSetPackageStateByID),
      ZL_CALL(ZLSetParentByBookmark),
      ZL_CALL(ZLSetParentByID),
      ZL_CALL(ZLSetPrevByBookmark),
      ZL_CALL(ZLSetPrevByID),
      ZL_CALL(ZLSetSheetByBookmark),
      ZL_CALL(ZLSetSheetByID),
      ZL_CALL(ZLSetStateByBookmark),
      ZL_CALL(ZLSetStateByID),
      ZL_CALL_AS(ZLSetTitleByBookmark, COleVariant const&,
                 CMap<unsigned short, unsigned short, CString, char const*> const&, long),
      ZL_CALL_AS(ZLSetTitleByBookmark, COleVariant const&, unsigned short, char const*, long),
      ZL_CALL_AS(ZLSetTitleByID, long,
                 CMap<unsigned short, unsigned short, CString, char const*> const&, long),
      ZL_CALL_AS(ZLSetTitleByID, long, unsigned short, char const*, long),
      ZL_CALL(ZLSetTypeByBookmark),
      ZL_CALL(ZLSetTypeByID),
      ZL_CALL(ZLSetUDTNameByBookmark),
      ZL_CALL(ZLSetUDTNameByID),
      ZL_CALL(ZLSetUserVersion),
      ZL_CALL(ZLSetUsesByBookmark),
      ZL_CALL(ZLSetUsesByID),
      ZL_CALL(ZLSetWizTypeByBookmark),
      ZL_CALL(ZLSetWizTypeByID),
      ZL_CALL(ZLSetWizardDataByBookmark),
      ZL_CALL(ZLSetWizardDataByID),
      // Parameter sets, tolerances, stresses, additional data, profile strings.
      ZL_CALL(ZLCreateNewParamSet),
      ZL_CALL(ZLDeleteParamSetByParamID),
      ZL_CALL(ZLGetAllParamSetByBookmark),
      ZL_CALL(ZLGetAllParamSetByID),
      ZL_CALL(ZLGetFirstParamSetByBookmark),
      ZL_CALL(ZLGetFirstParamSetByID),
      ZL_CALL(ZLGetPrevParamSetByParamID),
      ZL_CALL(ZLGetNextParamSetByParamID),
      ZL_CALL(ZLSetPrevParamSetByParamID),
      ZL_CALL(ZLSetNextParamSetByParamID),
      ZL_CALL(ZLGetTolerancesByBookmark),
      ZL_CALL(ZLGetTolerancesByID),
      ZL_CALL(ZLSetTolerancesByBookmark),
      ZL_CALL(ZLSetTolerancesByID),
      ZL_CALL(ZLGetStressByBookmark),
      ZL_CALL(ZLGetStressByID),
      ZL_CALL(ZLSetStressByBookmark),
      ZL_CALL(ZLSetStressByID),
      ZL_CALL(ZLIsAdditionalDataAvailable),
      ZL_CALL_AS(ZLGetAdditionalDataInfo, CTypedPtrArray<CObArray, CZLAdditionalDataInfoObject*>&),
      ZL_CALL_AS(ZLGetAdditionalDataInfo, CZLAdditionalDataInfoObject&),
      ZL_CALL_AS(ZLSetAdditionalDataInfo,
                 CTypedPtrArray<CObArray, CZLAdditionalDataInfoObject*> const&),
      ZL_CALL_AS(ZLSetAdditionalDataInfo, CZLAdditionalDataInfoObject const&),
      ZL_CALL(ZLCreateAdditionalDataInfo),
      ZL_CALL(ZLDeleteAdditionalDataInfo),
      ZL_CALL(ZLGetAdditionalDataByBookmark),
      ZL_CALL(ZLGetAdditionalDataByID),
      ZL_CALL(ZLSetAdditionalDataByBookmark),
      ZL_CALL(ZLSetAdditionalDataByID),
      ZL_CALL(ZLGetProfileString),
      ZL_CALL(ZLGetProfileStrings),
      ZL_CALL(ZLSetProfileString),
      ZL_CALL(ZLDeleteProfileSection),
      ZL_CALL(ZLDeleteProfileKey),
      // Nodes, files, keywords and symbols.
      ZL_CALL(ZLGetDBKeywords),
      ZL_CALL(ZLGetFilesByBookmark),
      ZL_CALL(ZLGetFilesByID),
      ZL_CALL_AS(
          ZLGetKeywordsByBookmark, COleVariant const&,
          CTypedPtrMap<CMapWordToOb, unsigned short, CTypedPtrArray<CObArray, CZLKeywordObject*>*>&,
          long),
      ZL_CALL_AS(ZLGetKeywordsByBookmark, COleVariant const&, unsigned short,
                 CTypedPtrArray<CObArray, CZLKeywordObject*>&, long),
      ZL_CALL_AS(
          ZLGetKeywordsByID, long,
          CTypedPtrMap<CMapWordToOb, unsigned short, CTypedPtrArray<CObArray, CZLKeywordObject*>*>&,
          long),
      ZL_CALL_AS(ZLGetKeywordsByID, long, unsigned short,
                 CTypedPtrArray<CObArray, CZLKeywordObject*>&, long),
      ZL_CALL(ZLGetNodesCByBookmark),
      ZL_CALL(ZLGetNodesCByID),
      ZL_CALL(ZLGetNodesNCByBookmark),
      ZL_CALL(ZLGetNodesNCByID),
      ZL_CALL(ZLGetSymbolByBookmark),
      ZL_CALL(ZLGetSymbolByID),
      ZL_CALL(ZLGetSymbolsByBookmark),
      ZL_CALL(ZLGetSymbolsByID),
      ZL_CALL(ZLSetDBKeywords),
      ZL_CALL(ZLSetFilesByBookmark),
      ZL_CALL(ZLSetFilesByID),
      ZL_CALL_AS(ZLSetKeywordsByBookmark, COleVariant const&,
                 CTypedPtrMap<CMapWordToOb, unsigned short,
                              CTypedPtrArray<CObArray, CZLKeywordObject*>*> const&,
                 long),
      ZL_CALL_AS(ZLSetKeywordsByBookmark, COleVariant const&, unsigned short,
                 CTypedPtrArray<CObArray, CZLKeywordObject*> const&, long),
      ZL_CALL_AS(ZLSetKeywordsByID, long,
                 CTypedPtrMap<CMapWordToOb, unsigned short,
                              CTypedPtrArray<CObArray, CZLKeywordObject*>*> const&,
                 long),
      ZL_CALL_AS(ZLSetKeywordsByID, long, unsigned short,
                 CTypedPtrArray<CObArray, CZLKeywordObject*> const&, long),
      ZL_CALL(ZLSetNodesCByBookmark),
      ZL_CALL(ZLSetNodesCByID),
      ZL_CALL(ZLSetNodesNCByBookmark),
      ZL_CALL(ZLSetNodesNCByID),
      ZL_CALL(ZLSetSymbolByBookmark),
      ZL_CALL(ZLSetSymbolByID),
  };
}

// Exports that by contract never look at their handle: they return 1 and
// leave the last error as it was.
const char* const kIgnoresHandle[] = {
    "ZLSetDBKeywords(void*, unsigned short, CTypedPtrArray<CObArray, CZLKeywordObject*> const&)"};

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
    const bool ignores = std::find(std::begin(kIgnoresHandle), std::end(kIgnoresHandle), symbol) !=
                         std::end(kIgnoresHandle);
    for (size_t kind = 0; kind < m_handles.size(); ++kind) {
      SCOPED_TRACE(symbol + " with a " + kBadHandleNames[kind] + " handle");
      unsigned long state = 0;  // last error 0 before each call
      ASSERT_TRUE(ZLGetDatabaseState(m_hDB, state) == 1 && ZLGetLastError() == ZLE_OK);
      EXPECT_EQ(entry->second(m_handles[kind]), ignores ? 1 : 0);
      EXPECT_EQ(ZLGetLastError(), ignores ? ZLE_OK : ZLE_BAD_HANDLE);
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
