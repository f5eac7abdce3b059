// The exported macro operations.  Each is one line over the templates
// below, which run the access check, the guard and the macro-row routines.
#include "zldbctrl70/macros.h"

#include <memory>
#include <new>

#include "content/row_patterns.h"
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/stored_text.h"
#include "frame/transaction.h"
#include "macros/macro_rows.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"

using namespace zl;

namespace {

ZLOutcome FromMacroCode(int code) {
  return code == kKeepLastError ? ZLOutcome{0, ZLE_OK, false} : ZLOutcome::FromCode(code);
}

// The access code is checked before anything else, the handle included.
int RefuseAccess(int code) {
  return RunUnguarded([&]() { return ZLOutcome::Fail(code); });
}

template <class Object>
int ReadSelected(ZLHandleRecord& record, const ZLRowRef& row, const char* language,
                 const ZLMacroSelection& selection, Object& macro) {
  macro.FreeObject();
  long id = 0;
  COleVariant level;
  int code =
      selection.kind == ZLMacroSelection::kLevel ? StoredNumber(selection.level, level) : ZLE_OK;
  if (code == ZLE_OK) code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
  CZLRecordset* rs = nullptr;
  if (code == ZLE_OK) code = FindSimTable(record, ZLS_MACRO, language, rs);
  if (code == ZLE_OK) code = SelectMacroRow(record, *rs, id, selection);
  if (code == ZLE_OK) code = ReadMacroRow(record, *rs, macro);
  return code;
}

template <class Object>
int GetMacro(void* hDB, const ZLRowRef& row, const char* language,
             const ZLMacroSelection& selection, Object& macro, long access) {
  if (access != kMacroAccessCode) return RefuseAccess(ZLE_MACRO_ACCESS_KEY);
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return FromMacroCode(ReadSelected(record, row, language, selection, macro));
  });
}

int GetMacroText(void* hDB, const ZLRowRef& row, const char* language,
                 const ZLMacroSelection& selection, CString& text, long access) {
  text.Empty();
  CZLMacroObject macro;
  const int result = GetMacro(hDB, row, language, selection, macro, access);
  if (result == 1) text = macro.m_strMacroText;
  return result;
}

int GetCompiled(void* hDB, const ZLRowRef& row, const char* language,
                const ZLMacroSelection& selection, long& length, unsigned char** buffer) {
  if (buffer == nullptr) return 0;
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    CZLMacroObject macro;
    const int code = ReadSelected(record, row, language, selection, macro);
    if (code != ZLE_OK) return FromMacroCode(code);
    CopyToNewBuffer(macro.m_lbCompiled, length, *buffer);
    return ZLOutcome::Ok();
  });
}

template <class Object>
using CMacroMapOf = CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, Object*>*>;

template <class Object>
int ReadAllLanguages(ZLHandleRecord& record, long id, CMacroMapOf<Object>& macros) {
  RefreshUnlessSnapshot(record);
  return ForEachSimLanguage(record, ZLS_MACRO, [&](const CString& language, CZLRecordset& rs) {
    auto* array = new CTypedPtrArray<CObArray, Object*>;
    macros[language] = array;
    return ReadMacroSet(record, rs, id, *array);
  });
}

template <class Object>
int GetMacros(void* hDB, const ZLRowRef& row, CMacroMapOf<Object>& macros, long access) {
  if (access != kMacroAccessCode) return RefuseAccess(ZLE_MACRO_ACCESS_KEY);
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeMacroMap(macros);
    int code = ZLE_OK;
    try {
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) code = ReadAllLanguages(record, id, macros);
    } catch (...) {
      ZLFreeMacroMap(macros);
      throw;
    }
    if (code != ZLE_OK) ZLFreeMacroMap(macros);
    return ZLOutcome::FromCode(code);
  });
}

template <class Object>
int SetMacro(void* hDB, const ZLRowRef& row, const char* language, const Object& macro) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    CZLRecordset* rs = nullptr;
    if (code == ZLE_OK) code = FindSimTable(record, ZLS_MACRO, language, rs);
    long macroID = macro.m_lMacroID;
    if (code == ZLE_OK) code = WriteMacroRow(record, *rs, id, macro, macroID);
    return ZLOutcome::FromCode(code);
  });
}

template <class Object>
int SetMacros(void* hDB, const ZLRowRef& row, const CMacroMapOf<Object>& macros) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CTransaction transaction;
    POSITION pos = macros.GetStartPosition();
    while (pos != nullptr) {
      CString language;
      CTypedPtrArray<CObArray, Object*>* array = nullptr;
      macros.GetNextAssoc(pos, language, array);
      CZLRecordset* rs = nullptr;
      code = FindSimTable(record, ZLS_MACRO, language, rs);
      if (code == ZLE_OK && array != nullptr) code = WriteMacroSet(record, *rs, id, *array);
      if (code != ZLE_OK) return ZLOutcome::Fail(code);
    }
    transaction.Commit();
    return ZLOutcome::Ok();
  });
}

int DeleteMacro(void* hDB, const ZLRowRef& row, const char* language, long macroID) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    CZLRecordset* rs = nullptr;
    if (code == ZLE_OK) code = FindSimTable(record, ZLS_MACRO, language, rs);
    if (code == ZLE_OK) code = DeleteMacroRow(record, *rs, id, macroID);
    return ZLOutcome::FromCode(code);
  });
}

ZLMacroSelection ByLevel(unsigned long level) { return {ZLMacroSelection::kLevel, level, nullptr}; }
ZLMacroSelection ByName(const char* name) { return {ZLMacroSelection::kDefName, 0, name}; }
const ZLMacroSelection kInterface = {ZLMacroSelection::kInterface, 0, nullptr};
const ZLMacroSelection kDefault = {ZLMacroSelection::kDefault, 0, nullptr};

}  // namespace

#define ZL_LEVEL(level) ByLevel(level)

// The object getters: by level, by name, interface and default, each in
// text and stored form, by ID and by bookmark.
#define ZL_DEFINE_MACRO_GETTERS(Object)                                                            \
  int ZLGetMacroByID(void* hDB, long lID, const char* lang, unsigned long level, Object& macro,    \
                     long access) {                                                                \
    return GetMacro(hDB, RecordByID(lID), lang, ZL_LEVEL(level), macro, access);                   \
  }                                                                                                \
  int ZLGetMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang,                     \
                           unsigned long level, Object& macro, long access) {                      \
    return GetMacro(hDB, RecordByBookmark(bm), lang, ZL_LEVEL(level), macro, access);              \
  }                                                                                                \
  int ZLGetMacroByID(void* hDB, long lID, const char* lang, const char* name, Object& macro,       \
                     long access) {                                                                \
    return GetMacro(hDB, RecordByID(lID), lang, ByName(name), macro, access);                      \
  }                                                                                                \
  int ZLGetMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang, const char* name,   \
                           Object& macro, long access) {                                           \
    return GetMacro(hDB, RecordByBookmark(bm), lang, ByName(name), macro, access);                 \
  }                                                                                                \
  int ZLGetInterfaceByID(void* hDB, long lID, const char* lang, Object& macro, long access) {      \
    return GetMacro(hDB, RecordByID(lID), lang, kInterface, macro, access);                        \
  }                                                                                                \
  int ZLGetInterfaceByBookmark(void* hDB, const COleVariant& bm, const char* lang, Object& macro,  \
                               long access) {                                                      \
    return GetMacro(hDB, RecordByBookmark(bm), lang, kInterface, macro, access);                   \
  }                                                                                                \
  int ZLGetDefaultMacroByID(void* hDB, long lID, const char* lang, Object& macro, long access) {   \
    return GetMacro(hDB, RecordByID(lID), lang, kDefault, macro, access);                          \
  }                                                                                                \
  int ZLGetDefaultMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang,              \
                                  Object& macro, long access) {                                    \
    return GetMacro(hDB, RecordByBookmark(bm), lang, kDefault, macro, access);                     \
  }                                                                                                \
  int ZLGetMacrosByID(void* hDB, long lID, CMacroMapOf<Object>& macros, long access) {             \
    return GetMacros(hDB, RecordByID(lID), macros, access);                                        \
  }                                                                                                \
  int ZLGetMacrosByBookmark(void* hDB, const COleVariant& bm, CMacroMapOf<Object>& macros,         \
                            long access) {                                                         \
    return GetMacros(hDB, RecordByBookmark(bm), macros, access);                                   \
  }                                                                                                \
  int ZLSetMacroByID(void* hDB, long lID, const char* lang, const Object& macro) {                 \
    return SetMacro(hDB, RecordByID(lID), lang, macro);                                            \
  }                                                                                                \
  int ZLSetMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang,                     \
                           const Object& macro) {                                                  \
    return SetMacro(hDB, RecordByBookmark(bm), lang, macro);                                       \
  }                                                                                                \
  int ZLSetMacrosByID(void* hDB, long lID, const CMacroMapOf<Object>& macros) {                    \
    return SetMacros(hDB, RecordByID(lID), macros);                                                \
  }                                                                                                \
  int ZLSetMacrosByBookmark(void* hDB, const COleVariant& bm, const CMacroMapOf<Object>& macros) { \
    return SetMacros(hDB, RecordByBookmark(bm), macros);                                           \
  }

ZL_DEFINE_MACRO_GETTERS(CZLMacroObject)
ZL_DEFINE_MACRO_GETTERS(CZLBinaryMacroObject)

// The text-only and compiled-code getters.
int ZLGetMacroByID(void* hDB, long lID, const char* lang, unsigned long level, CString& text,
                   long access) {
  return GetMacroText(hDB, RecordByID(lID), lang, ZL_LEVEL(level), text, access);
}
int ZLGetMacroByID(void* hDB, long lID, const char* lang, const char* name, CString& text,
                   long access) {
  return GetMacroText(hDB, RecordByID(lID), lang, ByName(name), text, access);
}
int ZLGetMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang, unsigned long level,
                         CString& text, long access) {
  return GetMacroText(hDB, RecordByBookmark(bm), lang, ZL_LEVEL(level), text, access);
}
int ZLGetMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang, const char* name,
                         CString& text, long access) {
  return GetMacroText(hDB, RecordByBookmark(bm), lang, ByName(name), text, access);
}
int ZLGetInterfaceByID(void* hDB, long lID, const char* lang, CString& text, long access) {
  return GetMacroText(hDB, RecordByID(lID), lang, kInterface, text, access);
}
int ZLGetInterfaceByBookmark(void* hDB, const COleVariant& bm, const char* lang, CString& text,
                             long access) {
  return GetMacroText(hDB, RecordByBookmark(bm), lang, kInterface, text, access);
}
int ZLGetDefaultMacroByID(void* hDB, long lID, const char* lang, CString& text, long access) {
  return GetMacroText(hDB, RecordByID(lID), lang, kDefault, text, access);
}
int ZLGetDefaultMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang, CString& text,
                                long access) {
  return GetMacroText(hDB, RecordByBookmark(bm), lang, kDefault, text, access);
}
int ZLGetCompiledMacroByID(void* hDB, long lID, const char* lang, unsigned long level, long& length,
                           unsigned char** buffer) {
  return GetCompiled(hDB, RecordByID(lID), lang, ZL_LEVEL(level), length, buffer);
}
int ZLGetCompiledMacroByID(void* hDB, long lID, const char* lang, const char* name, long& length,
                           unsigned char** buffer) {
  return GetCompiled(hDB, RecordByID(lID), lang, ByName(name), length, buffer);
}
int ZLGetCompiledMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang,
                                 unsigned long level, long& length, unsigned char** buffer) {
  return GetCompiled(hDB, RecordByBookmark(bm), lang, ZL_LEVEL(level), length, buffer);
}
int ZLGetCompiledMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang,
                                 const char* name, long& length, unsigned char** buffer) {
  return GetCompiled(hDB, RecordByBookmark(bm), lang, ByName(name), length, buffer);
}
int ZLGetCompiledInterfaceByID(void* hDB, long lID, const char* lang, long& length,
                               unsigned char** buffer) {
  return GetCompiled(hDB, RecordByID(lID), lang, kInterface, length, buffer);
}
int ZLGetCompiledInterfaceByBookmark(void* hDB, const COleVariant& bm, const char* lang,
                                     long& length, unsigned char** buffer) {
  return GetCompiled(hDB, RecordByBookmark(bm), lang, kInterface, length, buffer);
}
int ZLGetCompiledDefaultMacroByID(void* hDB, long lID, const char* lang, long& length,
                                  unsigned char** buffer) {
  return GetCompiled(hDB, RecordByID(lID), lang, kDefault, length, buffer);
}
int ZLGetCompiledDefaultMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang,
                                        long& length, unsigned char** buffer) {
  return GetCompiled(hDB, RecordByBookmark(bm), lang, kDefault, length, buffer);
}
int ZLDeleteMacroByID(void* hDB, long lID, const char* lang, long macroID) {
  return DeleteMacro(hDB, RecordByID(lID), lang, macroID);
}
int ZLDeleteMacroByBookmark(void* hDB, const COleVariant& bm, const char* lang, long macroID) {
  return DeleteMacro(hDB, RecordByBookmark(bm), lang, macroID);
}
