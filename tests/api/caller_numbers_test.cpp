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

// ---- simulator-language families ----------------------------------------------
//
// Record 1 has a macro and a call line in VHDLA, and package 1 (named "x")
// an object there: what a cut macro, call or object ID names.

// The bookmark of package 1.
COleVariant& PackageMark() {
  static COleVariant mark;
  return mark;
}

using CSimCall = std::function<int(void*, const COleVariant&, long)>;

CNumberCase Signed(const char* argument, int code, CSimCall call) {
  return {argument, false, code, std::move(call)};
}
CNumberCase Unsigned(const char* argument, int code,
                     std::function<int(void*, const COleVariant&, unsigned long)> call) {
  return {argument, true, code, [call](void* h, const COleVariant& b, long n) {
            return call(h, b, static_cast<unsigned long>(n));
          }};
}

template <class Object>
struct CObjectName;
template <>
struct CObjectName<CZLMacroObject> {
  static constexpr const char* value = "CZLMacroObject";
};
template <>
struct CObjectName<CZLBinaryMacroObject> {
  static constexpr const char* value = "CZLBinaryMacroObject";
};
template <>
struct CObjectName<CString> {
  static constexpr const char* value = "CString";
};
template <>
struct CObjectName<CZLPackageObject> {
  static constexpr const char* value = "CZLPackageObject";
};
template <>
struct CObjectName<CZLBinaryPackageObject> {
  static constexpr const char* value = "CZLBinaryPackageObject";
};

// The getters of one macro form (object or text).
template <class Out>
void AddMacroGetters(CNumberTable& t) {
  const std::string out = std::string(CObjectName<Out>::value) + "&, long)";
  const std::string id = "(void*, long, char const*, ";
  const std::string bm = "(void*, COleVariant const&, char const*, ";
  constexpr long kAccess = ZL_MACRO_ACCESS;
  auto access = [](CSimCall call) { return Signed("lAccess", ZLE_MACRO_ACCESS_KEY, call); };
  auto lID = [](CSimCall call) { return Signed("lID", ZLE_NO_RECORD, call); };
  t["ZLGetMacroByID" + id + "unsigned long, " + out] = {
      lID([](void* h, const COleVariant&, long n) {
        return ZLGetMacroByID(h, n, "VHDLA", 1ul, Sample<Out>(), kAccess);
      }),
      Unsigned("dwLevel", ZLE_ENGINE,
               [](void* h, const COleVariant&, unsigned long v) {
                 return ZLGetMacroByID(h, 1, "VHDLA", v, Sample<Out>(), kAccess);
               }),
      access([](void* h, const COleVariant&, long n) {
        return ZLGetMacroByID(h, 1, "VHDLA", 1ul, Sample<Out>(), n);
      })};
  t["ZLGetMacroByBookmark" + bm + "unsigned long, " + out] = {
      Unsigned("dwLevel", ZLE_ENGINE,
               [](void* h, const COleVariant& b, unsigned long v) {
                 return ZLGetMacroByBookmark(h, b, "VHDLA", v, Sample<Out>(), kAccess);
               }),
      access([](void* h, const COleVariant& b, long n) {
        return ZLGetMacroByBookmark(h, b, "VHDLA", 1ul, Sample<Out>(), n);
      })};
  t["ZLGetMacroByID" + id + "char const*, " + out] = {
      lID([](void* h, const COleVariant&, long n) {
        return ZLGetMacroByID(h, n, "VHDLA", "x", Sample<Out>(), kAccess);
      }),
      access([](void* h, const COleVariant&, long n) {
        return ZLGetMacroByID(h, 1, "VHDLA", "x", Sample<Out>(), n);
      })};
  t["ZLGetMacroByBookmark" + bm + "char const*, " + out] = {
      access([](void* h, const COleVariant& b, long n) {
        return ZLGetMacroByBookmark(h, b, "VHDLA", "x", Sample<Out>(), n);
      })};
  t["ZLGetInterfaceByID" + id + out] = {
      lID([](void* h, const COleVariant&, long n) {
        return ZLGetInterfaceByID(h, n, "VHDLA", Sample<Out>(), kAccess);
      }),
      access([](void* h, const COleVariant&, long n) {
        return ZLGetInterfaceByID(h, 1, "VHDLA", Sample<Out>(), n);
      })};
  t["ZLGetInterfaceByBookmark" + bm + out] = {access([](void* h, const COleVariant& b, long n) {
    return ZLGetInterfaceByBookmark(h, b, "VHDLA", Sample<Out>(), n);
  })};
  t["ZLGetDefaultMacroByID" + id + out] = {
      lID([](void* h, const COleVariant&, long n) {
        return ZLGetDefaultMacroByID(h, n, "VHDLA", Sample<Out>(), kAccess);
      }),
      access([](void* h, const COleVariant&, long n) {
        return ZLGetDefaultMacroByID(h, 1, "VHDLA", Sample<Out>(), n);
      })};
  t["ZLGetDefaultMacroByBookmark" + bm + out] = {access([](void* h, const COleVariant& b, long n) {
    return ZLGetDefaultMacroByBookmark(h, b, "VHDLA", Sample<Out>(), n);
  })};
}

// The map getter, the setters and the map setter of one object form.
template <class Object>
void AddMacroWriters(CNumberTable& t) {
  using CArrayOf = CTypedPtrArray<CObArray, Object*>;
  using CMapOf = CTypedPtrMap<CMapStringToOb, CString, CArrayOf*>;
  const std::string name = CObjectName<Object>::value;
  const std::string map =
      "CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, " + name + "*>*>";
  constexpr long kAccess = ZL_MACRO_ACCESS;
  t["ZLGetMacrosByID(void*, long, " + map + "&, long)"] = {
      Signed("lID", ZLE_NO_RECORD,
             [](void* h, const COleVariant&, long n) {
               CMapOf macros;
               return ZLGetMacrosByID(h, n, macros, kAccess);
             }),
      Signed("lAccess", ZLE_MACRO_ACCESS_KEY, [](void* h, const COleVariant&, long n) {
        CMapOf macros;
        return ZLGetMacrosByID(h, 1, macros, n);
      })};
  t["ZLGetMacrosByBookmark(void*, COleVariant const&, " + map + "&, long)"] = {
      Signed("lAccess", ZLE_MACRO_ACCESS_KEY, [](void* h, const COleVariant& b, long n) {
        CMapOf macros;
        return ZLGetMacrosByBookmark(h, b, macros, n);
      })};
  // Writes one object through a single or a map setter, by ID or bookmark.
  auto write = [](bool useMap, bool byBookmark, long id, long macroID, long state) {
    return [=](void* h, const COleVariant& b, long n) {
      Object object;
      object.m_dwLevel = 1;
      object.m_lMacroID = macroID == -1 ? n : macroID;
      object.m_lState = state == -1 ? n : state;
      if (!useMap) {
        return byBookmark ? ZLSetMacroByBookmark(h, b, "VHDLA", object)
                          : ZLSetMacroByID(h, id == -1 ? n : id, "VHDLA", object);
      }
      CArrayOf array;
      array.Add(&object);
      CMapOf macros;
      macros["VHDLA"] = &array;
      return byBookmark ? ZLSetMacrosByBookmark(h, b, macros)
                        : ZLSetMacrosByID(h, id == -1 ? n : id, macros);
    };
  };
  for (bool useMap : {false, true}) {
    const std::string single = "char const*, " + name + " const&)";
    const std::string tail = useMap ? map + " const&)" : single;
    const std::string op = useMap ? "ZLSetMacros" : "ZLSetMacro";
    t[op + "ByID(void*, long, " + tail] = {
        Signed("lID", ZLE_NO_RECORD, write(useMap, false, -1, 0, 0)),
        Signed("m_lMacroID", ZLE_NO_MACRO, write(useMap, false, 1, -1, 0)),
        Signed("m_lState", ZLE_ENGINE, write(useMap, false, 1, 0, -1))};
    t[op + "ByBookmark(void*, COleVariant const&, " + tail] = {
        Signed("m_lMacroID", ZLE_NO_MACRO, write(useMap, true, 1, -1, 0)),
        Signed("m_lState", ZLE_ENGINE, write(useMap, true, 1, 0, -1))};
  }
}

template <class Object>
void AddPackageObjects(CNumberTable& t) {
  using CMapOf = CTypedPtrMap<CMapStringToOb, CString, Object*>;
  const std::string name = CObjectName<Object>::value;
  const std::string map = "CTypedPtrMap<CMapStringToOb, CString, " + name + "*>";
  auto access = [](CSimCall call) { return Signed("lAccess", ZLE_PACKAGE_ACCESS_KEY, call); };
  t["ZLGetPackageByName(void*, char const*, char const*, " + name + "&, long)"] = {
      access([](void* h, const COleVariant&, long n) {
        Object object;
        return ZLGetPackageByName(h, "x", "VHDLA", object, n);
      })};
  t["ZLGetPackageByBookmark(void*, COleVariant const&, char const*, " + name + "&, long)"] = {
      access([](void* h, const COleVariant&, long n) {
        Object object;
        return ZLGetPackageByBookmark(h, PackageMark(), "VHDLA", object, n);
      })};
  t["ZLGetPackageByName(void*, char const*, " + map + "&, long)"] = {
      access([](void* h, const COleVariant&, long n) {
        CMapOf objects;
        return ZLGetPackageByName(h, "x", objects, n);
      })};
  t["ZLGetPackageByBookmark(void*, COleVariant const&, " + map + "&, long)"] = {
      access([](void* h, const COleVariant&, long n) {
        CMapOf objects;
        return ZLGetPackageByBookmark(h, PackageMark(), objects, n);
      })};
  auto write = [](bool useMap, bool byBookmark, long objectID, long state) {
    return [=](void* h, const COleVariant&, long n) {
      Object object;
      object.m_lPackageObjID = objectID == -1 ? n : objectID;
      object.m_lState = state == -1 ? n : state;
      if (!useMap) {
        return byBookmark ? ZLSetPackageByBookmark(h, PackageMark(), "VHDLA", object)
                          : ZLSetPackageByName(h, "x", "VHDLA", object);
      }
      CMapOf objects;
      objects["VHDLA"] = &object;
      const int result = byBookmark ? ZLSetPackageByBookmark(h, PackageMark(), objects)
                                    : ZLSetPackageByName(h, "x", objects);
      objects.RemoveAll();
      return result;
    };
  };
  for (bool byBookmark : {false, true}) {
    const std::string head = byBookmark ? "ZLSetPackageByBookmark(void*, COleVariant const&, "
                                        : "ZLSetPackageByName(void*, char const*, ";
    for (bool useMap : {false, true}) {
      const std::string tail = useMap ? map + " const&)" : "char const*, " + name + " const&)";
      t[head + tail] = {Signed("m_lPackageObjID", ZLE_NO_MACRO, write(useMap, byBookmark, -1, 0)),
                        Signed("m_lState", ZLE_ENGINE, write(useMap, byBookmark, 0, -1))};
    }
  }
}

// A package attribute: the ID forms take an ID, the setters of numbers a
// value that must fit.
template <class Out, class In>
void AddPackageAttribute(CNumberTable& t, const std::string& name, int (*get)(void*, long, Out&),
                         int (*set)(void*, long, In),
                         int (*setByBookmark)(void*, const COleVariant&, In)) {
  const std::string out = std::string(TypeName<Out>::value) + "&)";
  t["ZLGetPackage" + name + "ByID(void*, long, " + out] = {
      Signed("lID", ZLE_NO_RECORD,
             [get](void* h, const COleVariant&, long n) { return get(h, n, Sample<Out>()); })};
  auto& byID = t["ZLSetPackage" + name + "ByID(void*, long, " + InName<In>() + ")"];
  byID = {Signed("lID", ZLE_NO_RECORD, [set](void* h, const COleVariant&, long n) {
    return set(h, n, Sample<std::decay_t<In>>());
  })};
  for (const auto& c :
       ValueCases<In>([set](void*h, const COleVariant&, In v) { return set(h, 1, v); })) {
    byID.push_back(c);
  }
  if (kIsNumber<In>) {
    t["ZLSetPackage" + name + "ByBookmark(void*, COleVariant const&, " + InName<In>() + ")"] =
        ValueCases<In>([setByBookmark](void* h, const COleVariant&, In v) {
          return setByBookmark(h, PackageMark(), v);
        });
  }
}

void AddSimLanguageCases(CNumberTable& t) {
  AddMacroGetters<CZLMacroObject>(t);
  AddMacroGetters<CZLBinaryMacroObject>(t);
  AddMacroGetters<CString>(t);
  AddMacroWriters<CZLMacroObject>(t);
  AddMacroWriters<CZLBinaryMacroObject>(t);
  AddPackageObjects<CZLPackageObject>(t);
  AddPackageObjects<CZLBinaryPackageObject>(t);
  auto lID = [](CSimCall call) { return Signed("lID", ZLE_NO_RECORD, call); };
  // Compiled code: the length and buffer only come out.
  t["ZLGetCompiledMacroByID(void*, long, char const*, unsigned long, long&, unsigned char**)"] = {
      lID([](void* h, const COleVariant&, long n) {
        long l = 0;
        unsigned char* p = nullptr;
        return ZLGetCompiledMacroByID(h, n, "VHDLA", 1ul, l, &p);
      }),
      Unsigned("dwLevel", ZLE_ENGINE, [](void* h, const COleVariant&, unsigned long v) {
        long l = 0;
        unsigned char* p = nullptr;
        return ZLGetCompiledMacroByID(h, 1, "VHDLA", v, l, &p);
      })};
  t["ZLGetCompiledMacroByBookmark(void*, COleVariant const&, char const*, unsigned long, long&, "
    "unsigned char**)"] = {
      Unsigned("dwLevel", ZLE_ENGINE, [](void* h, const COleVariant& b, unsigned long v) {
        long l = 0;
        unsigned char* p = nullptr;
        return ZLGetCompiledMacroByBookmark(h, b, "VHDLA", v, l, &p);
      })};
  t["ZLGetCompiledMacroByID(void*, long, char const*, char const*, long&, unsigned char**)"] = {
      lID([](void* h, const COleVariant&, long n) {
        long l = 0;
        unsigned char* p = nullptr;
        return ZLGetCompiledMacroByID(h, n, "VHDLA", "x", l, &p);
      })};
  t["ZLGetCompiledInterfaceByID(void*, long, char const*, long&, unsigned char**)"] = {
      lID([](void* h, const COleVariant&, long n) {
        long l = 0;
        unsigned char* p = nullptr;
        return ZLGetCompiledInterfaceByID(h, n, "VHDLA", l, &p);
      })};
  t["ZLGetCompiledDefaultMacroByID(void*, long, char const*, long&, unsigned char**)"] = {
      lID([](void* h, const COleVariant&, long n) {
        long l = 0;
        unsigned char* p = nullptr;
        return ZLGetCompiledDefaultMacroByID(h, n, "VHDLA", l, &p);
      })};
  for (const char* outOnly :
       {"ZLGetCompiledMacroByBookmark(void*, COleVariant const&, char const*, char const*, long&, "
        "unsigned char**)",
        "ZLGetCompiledInterfaceByBookmark(void*, COleVariant const&, char const*, long&, unsigned "
        "char**)",
        "ZLGetCompiledDefaultMacroByBookmark(void*, COleVariant const&, char const*, long&, "
        "unsigned char**)",
        "ZLGetCompiledPackageByName(void*, char const*, char const*, long&, unsigned char**)",
        "ZLGetCompiledPackageBodyByName(void*, char const*, char const*, long&, unsigned char**)",
        "ZLGetCompiledPackageByBookmark(void*, COleVariant const&, char const*, long&, unsigned "
        "char**)",
        "ZLGetCompiledPackageBodyByBookmark(void*, COleVariant const&, char const*, long&, "
        "unsigned char**)",
        "ZLGetPackageIDByBookmark(void*, COleVariant const&, long&)",
        "ZLGetPackagePrevByBookmark(void*, COleVariant const&, long&)",
        "ZLGetPackageNextByBookmark(void*, COleVariant const&, long&)",
        "ZLGetPackageStateByBookmark(void*, COleVariant const&, unsigned long&)",
        "ZLGetCallsByBookmark(void*, COleVariant const&, CTypedPtrMap<CMapStringToOb, CString, "
        "CTypedPtrArray<CObArray, CZLCallObject*>*>&)"}) {
    t[outOnly];
  }
  t["ZLDeleteMacroByID(void*, long, char const*, long)"] = {
      lID([](void* h, const COleVariant&, long n) { return ZLDeleteMacroByID(h, n, "VHDLA", 1); }),
      Signed("lMacroID", ZLE_NO_MACRO, [](void* h, const COleVariant&, long n) {
        return ZLDeleteMacroByID(h, 1, "VHDLA", n);
      })};
  t["ZLDeleteMacroByBookmark(void*, COleVariant const&, char const*, long)"] = {
      Signed("lMacroID", ZLE_NO_MACRO, [](void* h, const COleVariant& b, long n) {
        return ZLDeleteMacroByBookmark(h, b, "VHDLA", n);
      })};

  // Calls.
  const std::string callMap =
      "CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLCallObject*>*>";
  t["ZLGetCallByID(void*, long, char const*, char const*, unsigned long, CZLCallObject&)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLCallObject call;
        return ZLGetCallByID(h, n, "VHDLA", "x", 0, call);
      }),
      Unsigned("dwLevel", ZLE_ENGINE, [](void* h, const COleVariant&, unsigned long v) {
        CZLCallObject call;
        return ZLGetCallByID(h, 1, "VHDLA", "x", v, call);
      })};
  t["ZLGetCallByBookmark(void*, COleVariant const&, char const*, char const*, unsigned long, "
    "CZLCallObject&)"] = {
      Unsigned("dwLevel", ZLE_ENGINE, [](void* h, const COleVariant& b, unsigned long v) {
        CZLCallObject call;
        return ZLGetCallByBookmark(h, b, "VHDLA", "x", v, call);
      })};
  t["ZLGetCallsByID(void*, long, " + callMap + "&)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLCallMap calls;
        return ZLGetCallsByID(h, n, calls);
      })};
  auto writeCall = [](bool useMap, bool byBookmark, bool badRecord) {
    return [=](void* h, const COleVariant& b, long n) {
      CZLCallObject call;
      call.m_lCallID = badRecord ? 0 : n;
      const long id = badRecord ? n : 1;
      if (!useMap) {
        return byBookmark ? ZLSetCallByBookmark(h, b, "VHDLA", call)
                          : ZLSetCallByID(h, id, "VHDLA", call);
      }
      CZLCallArray array;
      array.Add(&call);
      CZLCallMap calls;
      calls["VHDLA"] = &array;
      return byBookmark ? ZLSetCallsByBookmark(h, b, calls) : ZLSetCallsByID(h, id, calls);
    };
  };
  for (bool useMap : {false, true}) {
    const std::string tail = useMap ? callMap + " const&)" : "char const*, CZLCallObject const&)";
    const std::string op = useMap ? "ZLSetCalls" : "ZLSetCall";
    t[op + "ByID(void*, long, " + tail] = {
        Signed("lID", ZLE_NO_RECORD, writeCall(useMap, false, true)),
        Signed("m_lCallID", ZLE_NO_CALL, writeCall(useMap, false, false))};
    t[op + "ByBookmark(void*, COleVariant const&, " + tail] = {
        Signed("m_lCallID", ZLE_NO_CALL, writeCall(useMap, true, false))};
  }

  // Package records and attributes.
  t["ZLDeletePackageRecordByID(void*, long)"] = {
      lID([](void* h, const COleVariant&, long n) { return ZLDeletePackageRecordByID(h, n); })};
  t["ZLGetPackageBookmarkByID(void*, long, COleVariant&)"] = {
      lID([](void* h, const COleVariant&, long n) {
        COleVariant mark;
        return ZLGetPackageBookmarkByID(h, n, mark);
      })};
  t["ZLDeletePackageByID(void*, long, char const*)"] = {
      lID([](void* h, const COleVariant&, long n) { return ZLDeletePackageByID(h, n, "VHDLA"); })};
  AddPackageAttribute(t, "Name", ZLGetPackageNameByID, ZLSetPackageNameByID,
                      ZLSetPackageNameByBookmark);
  AddPackageAttribute(t, "CreatedUser", ZLGetPackageCreatedUserByID, ZLSetPackageCreatedUserByID,
                      ZLSetPackageCreatedUserByBookmark);
  AddPackageAttribute(t, "ModifiedUser", ZLGetPackageModifiedUserByID, ZLSetPackageModifiedUserByID,
                      ZLSetPackageModifiedUserByBookmark);
  AddPackageAttribute(t, "CreatedDate", ZLGetPackageCreatedDateByID, ZLSetPackageCreatedDateByID,
                      ZLSetPackageCreatedDateByBookmark);
  AddPackageAttribute(t, "ModifiedDate", ZLGetPackageModifiedDateByID, ZLSetPackageModifiedDateByID,
                      ZLSetPackageModifiedDateByBookmark);
  AddPackageAttribute(t, "Prev", ZLGetPackagePrevByID, ZLSetPackagePrevByID,
                      ZLSetPackagePrevByBookmark);
  AddPackageAttribute(t, "Next", ZLGetPackageNextByID, ZLSetPackageNextByID,
                      ZLSetPackageNextByBookmark);
  AddPackageAttribute(t, "State", ZLGetPackageStateByID, ZLSetPackageStateByID,
                      ZLSetPackageStateByBookmark);
}

// Nodes: the record, the parameter set and the numbers of a node object.
void AddNodeCases(CNumberTable& t) {
  const std::string array = "CTypedPtrArray<CObArray, CZLNodeObject*>&";
  auto lID = [](CSimCall call) { return Signed("lID", ZLE_NO_RECORD, call); };
  auto setID = [](CSimCall call) { return Signed("lParamSetID", ZLE_NO_RECORD, call); };
  t["ZLGetNodesCByID(void*, long, " + array + ")"] = {lID([](void* h, const COleVariant&, long n) {
    CZLNodeArray nodes;
    return ZLGetNodesCByID(h, n, nodes);
  })};
  t["ZLGetNodesCByBookmark(void*, COleVariant const&, " + array + ")"] = {};
  t["ZLGetNodesNCByID(void*, long, " + array + ", long)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLNodeArray nodes;
        return ZLGetNodesNCByID(h, n, nodes, 0);
      }),
      setID([](void* h, const COleVariant&, long n) {
        CZLNodeArray nodes;
        return ZLGetNodesNCByID(h, 1, nodes, n);
      })};
  t["ZLGetNodesNCByBookmark(void*, COleVariant const&, " + array + ", long)"] = {
      setID([](void* h, const COleVariant& b, long n) {
        CZLNodeArray nodes;
        return ZLGetNodesNCByBookmark(h, b, nodes, n);
      })};
  // field: 0 the record or set, 1 node ID, 2 index, 3 wizard file ID.
  auto write = [](bool nc, bool byBookmark, long set, int field) {
    return [=](void* h, const COleVariant& b, long n) {
      CZLNodeObject node;
      node.m_lNodeID = field == 1 ? n : 0;
      node.m_lIndex = field == 2 ? n : 0;
      node.m_bWizFileSet = field == 3;
      node.m_lWizFileID = field == 3 ? n : 0;
      CZLNodeArray nodes;
      nodes.Add(&node);
      const long id = field == 0 && set == 0 ? n : 1;
      const long setID = field == 0 && set != 0 ? n : set;
      int result = 0;
      if (nc) {
        result = byBookmark ? ZLSetNodesNCByBookmark(h, b, nodes, setID)
                            : ZLSetNodesNCByID(h, id, nodes, setID);
      } else {
        result = byBookmark ? ZLSetNodesCByBookmark(h, b, nodes) : ZLSetNodesCByID(h, id, nodes);
      }
      nodes.RemoveAll();
      return result;
    };
  };
  for (bool nc : {false, true}) {
    const std::string name = nc ? "ZLSetNodesNC" : "ZLSetNodesC";
    const std::string tail = array + (nc ? ", long)" : ")");
    for (bool byBookmark : {false, true}) {
      std::vector<CNumberCase> cases = {
          Signed("m_lNodeID", ZLE_NO_RECORD, write(nc, byBookmark, 0, 1)),
          Signed("m_lIndex", ZLE_ENGINE, write(nc, byBookmark, 0, 2)),
          Signed("m_lWizFileID", ZLE_ENGINE, write(nc, byBookmark, 0, 3))};
      if (!byBookmark) cases.push_back(lID(write(nc, false, 0, 0)));
      if (nc) {
        cases.push_back(setID(write(nc, byBookmark, 1, 0)));
        cases.push_back(Signed("m_lNodeID in a set", ZLE_NO_RECORD, write(nc, byBookmark, 1, 1)));
      }
      const std::string head =
          byBookmark ? "ByBookmark(void*, COleVariant const&, " : "ByID(void*, long, ";
      t[name + head + tail] = cases;
    }
  }
}

// Files, keywords and symbols: the record, the parameter set, the access
// value of a file.
void AddListCases(CNumberTable& t) {
  auto lID = [](CSimCall call) { return Signed("lID", ZLE_NO_RECORD, call); };
  auto setID = [](CSimCall call) { return Signed("lParamSetID", ZLE_NO_RECORD, call); };
  const std::string files = "CTypedPtrArray<CObArray, CZLFileObject*>";
  const std::string words = "CTypedPtrArray<CObArray, CZLKeywordObject*>";
  const std::string map = "CTypedPtrMap<CMapWordToOb, unsigned short, " + words + "*>";
  t["ZLGetFilesByID(void*, long, " + files + "&)"] = {lID([](void* h, const COleVariant&, long n) {
    CZLFileArray a;
    return ZLGetFilesByID(h, n, a);
  })};
  t["ZLGetFilesByBookmark(void*, COleVariant const&, " + files + "&)"] = {};
  auto access = [](bool bm) {
    return Signed("m_lAccess", ZLE_ENGINE, [bm](void* h, const COleVariant& b, long n) {
      CZLFileObject file;
      file.m_bAccessSet = TRUE;
      file.m_lAccess = n;
      CZLFileArray a;
      a.Add(&file);
      const int r = bm ? ZLSetFilesByBookmark(h, b, a) : ZLSetFilesByID(h, 1, a);
      a.RemoveAll();
      return r;
    });
  };
  t["ZLSetFilesByID(void*, long, " + files + " const&)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLFileArray a;
        return ZLSetFilesByID(h, n, a);
      }),
      access(false)};
  t["ZLSetFilesByBookmark(void*, COleVariant const&, " + files + " const&)"] = {access(true)};
  t["ZLGetKeywordsByID(void*, long, unsigned short, " + words + "&, long)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLKeywordArray a;
        return ZLGetKeywordsByID(h, n, 1033, a, 0);
      }),
      setID([](void* h, const COleVariant&, long n) {
        CZLKeywordArray a;
        return ZLGetKeywordsByID(h, 1, 1033, a, n);
      })};
  t["ZLGetKeywordsByBookmark(void*, COleVariant const&, unsigned short, " + words + "&, long)"] = {
      setID([](void* h, const COleVariant& b, long n) {
        CZLKeywordArray a;
        return ZLGetKeywordsByBookmark(h, b, 1033, a, n);
      })};
  t["ZLGetKeywordsByID(void*, long, " + map + "&, long)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLKeywordMap m;
        return ZLGetKeywordsByID(h, n, m, 0);
      }),
      setID([](void* h, const COleVariant&, long n) {
        CZLKeywordMap m;
        return ZLGetKeywordsByID(h, 1, m, n);
      })};
  t["ZLGetKeywordsByBookmark(void*, COleVariant const&, " + map + "&, long)"] = {
      setID([](void* h, const COleVariant& b, long n) {
        CZLKeywordMap m;
        return ZLGetKeywordsByBookmark(h, b, m, n);
      })};
  t["ZLSetKeywordsByID(void*, long, unsigned short, " + words + " const&, long)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLKeywordArray a;
        return ZLSetKeywordsByID(h, n, 1033, a, 0);
      }),
      setID([](void* h, const COleVariant&, long n) {
        CZLKeywordArray a;
        return ZLSetKeywordsByID(h, 1, 1033, a, n);
      })};
  t["ZLSetKeywordsByBookmark(void*, COleVariant const&, unsigned short, " + words +
    " const&, long)"] = {setID([](void* h, const COleVariant& b, long n) {
    CZLKeywordArray a;
    return ZLSetKeywordsByBookmark(h, b, 1033, a, n);
  })};
  t["ZLSetKeywordsByID(void*, long, " + map + " const&, long)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CZLKeywordMap m;
        return ZLSetKeywordsByID(h, n, m, 0);
      })};
  t["ZLSetKeywordsByBookmark(void*, COleVariant const&, " + map + " const&, long)"] = {};
  t["ZLGetDBKeywords(void*, unsigned short, " + words + "&)"] = {};
  t["ZLSetDBKeywords(void*, unsigned short, " + words + " const&)"] = {};
  t["ZLGetSymbolByID(void*, long, unsigned short, CString&)"] = {
      lID([](void* h, const COleVariant&, long n) {
        CString s;
        return ZLGetSymbolByID(h, n, 1033, s);
      })};
  t["ZLGetSymbolsByID(void*, long, CMap<unsigned short, unsigned short, CString, char const*>&)"] =
      {lID([](void* h, const COleVariant&, long n) {
        CMap<WORD, WORD, CString, LPCSTR> m;
        return ZLGetSymbolsByID(h, n, m);
      })};
  t["ZLSetSymbolByID(void*, long, unsigned short, char const*)"] = {
      lID([](void* h, const COleVariant&, long n) { return ZLSetSymbolByID(h, n, 1033, "s"); })};
}

CNumberTable BuildTable() {
  CNumberTable t;
  AddListCases(t);
  AddSimLanguageCases(t);
  AddNodeCases(t);
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
    lock.Release();
    // Macro 1, call 1 and package 1 with object 1, in VHDLA.
    ASSERT_EQ(ZLAddMacroTable(m_hDB, "VHDLA", 0), 1);
    ASSERT_EQ(ZLAddCallTable(m_hDB, "VHDLA", 0), 1);
    ASSERT_EQ(ZLAddPackageTable(m_hDB, "VHDLA"), 1);
    CZLMacroObject macro;
    macro.m_dwLevel = 1;
    macro.m_strDefName = "x";
    ASSERT_EQ(ZLSetMacroByID(m_hDB, 1, "VHDLA", macro), 1);
    CZLCallObject call;
    call.m_strCallKey = "x";
    ASSERT_EQ(ZLSetCallByID(m_hDB, 1, "VHDLA", call), 1);
    ASSERT_EQ(ZLCreatePackageNewRecord(m_hDB, PackageMark()), 1);
    ASSERT_EQ(ZLSetPackageNameByBookmark(m_hDB, PackageMark(), "x"), 1);
    CZLPackageObject package;
    ASSERT_EQ(ZLSetPackageByName(m_hDB, "x", "VHDLA", package), 1);
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
