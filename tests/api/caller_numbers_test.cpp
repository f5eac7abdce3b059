// Every exported operation that takes a long or unsigned long must neither
// cut it to the 32 bits of the column or key it reaches nor write anything
// for a number that does not fit: an ID gives 11, a value 9.  The operations
// are taken from the library's exported symbols, so an export with such an
// argument (or a value object, whose fields are such numbers) fails here
// until its cases are added to the table below.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <type_traits>
#include <vector>

#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "schema/zl_recordset.h"
#include "support/exported_symbols.h"
#include "support/file_contents.h"
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

// An argument of each type (outputs are written only by a call that
// wrongly succeeds).
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

// The bookmark of package 1.
COleVariant& PackageMark() {
  static COleVariant mark;
  return mark;
}

// A case's call: h the handle, b record 1's bookmark, n the unfit number
// (an unsigned argument takes it converted).
#define ZL_CALL(...)                          \
  [](void* h, const COleVariant& b, long n) { \
    (void)h, (void)b, (void)n;                \
    return __VA_ARGS__;                       \
  }
#define ZL_CASE(argument, code, ...) \
  CNumberCase { argument, false, code, ZL_CALL(__VA_ARGS__) }
#define ZL_UCASE(argument, code, ...) \
  CNumberCase { argument, true, code, ZL_CALL(__VA_ARGS__) }
#define ZL_ID(...) ZL_CASE("lID", ZLE_NO_RECORD, __VA_ARGS__)
#define ZL_SET_ID(...) ZL_CASE("lParamSetID", ZLE_NO_RECORD, __VA_ARGS__)
#define ZL_LEVEL(...) ZL_UCASE("dwLevel", ZLE_ENGINE, __VA_ARGS__)
// A case whose call is built at run time.
CNumberCase Case(const char* argument, int code,
                 std::function<int(void*, const COleVariant&, long)> call) {
  return {argument, false, code, std::move(call)};
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
ZL_TYPE_NAME(CZLMacroObject, "CZLMacroObject")
ZL_TYPE_NAME(CZLBinaryMacroObject, "CZLBinaryMacroObject")
ZL_TYPE_NAME(CZLPackageObject, "CZLPackageObject")
ZL_TYPE_NAME(CZLBinaryPackageObject, "CZLBinaryPackageObject")
#undef ZL_TYPE_NAME

template <class T>
std::string InName() {
  using Plain = std::remove_cv_t<std::remove_reference_t<T>>;
  std::string name = TypeName<Plain>::value;
  return std::is_reference_v<T> ? name + " const&" : name;
}

template <class T>
constexpr bool kIsNumber = std::is_same_v<T, long> || std::is_same_v<T, unsigned long>;

// The value case of a setter whose input is a number (none otherwise).
template <class In>
void AddValueCase(std::vector<CNumberCase>& cases,
                  std::function<int(void*, const COleVariant&, In)> set) {
  if constexpr (kIsNumber<In>) {
    cases.push_back(
        {"value", std::is_same_v<In, unsigned long>, ZLE_ENGINE,
         [set](void* h, const COleVariant& b, long n) { return set(h, b, static_cast<In>(n)); }});
  }
}

// The four operations of an attribute without the parameter-set argument
// (mark: the bookmark its setter takes, when not record 1's).
template <class Out, class In>
void AddAttribute(CNumberTable& t, const std::string& name, int (*getByID)(void*, long, Out&),
                  int (*setByID)(void*, long, In),
                  int (*setByBookmark)(void*, const COleVariant&, In),
                  const COleVariant* mark = nullptr) {
  const std::string out = std::string(TypeName<Out>::value) + "&)";
  t["ZLGet" + name + "ByID(void*, long, " + out] = {Case(
      "lID", ZLE_NO_RECORD,
      [getByID](void* h, const COleVariant&, long n) { return getByID(h, n, Sample<Out>()); })};
  if (kIsNumber<Out>) t["ZLGet" + name + "ByBookmark(void*, COleVariant const&, " + out];
  auto& setID = t["ZLSet" + name + "ByID(void*, long, " + InName<In>() + ")"];
  setID = {Case("lID", ZLE_NO_RECORD, [setByID](void* h, const COleVariant&, long n) {
    return setByID(h, n, Sample<std::decay_t<In>>());
  })};
  AddValueCase<In>(setID,
                   [setByID](void* h, const COleVariant&, In v) { return setByID(h, 1, v); });
  if (kIsNumber<In>) {
    AddValueCase<In>(
        t["ZLSet" + name + "ByBookmark(void*, COleVariant const&, " + InName<In>() + ")"],
        [setByBookmark, mark](void* h, const COleVariant& b, In v) {
          return setByBookmark(h, mark != nullptr ? *mark : b, v);
        });
  }
}

using CIdCall = std::function<int(void*, long id, long paramSetID)>;
using CBookmarkCall = std::function<int(void*, const COleVariant&, long paramSetID)>;

// The four operations of an attribute that parameter sets share (lang: the
// language argument of a one-language text).  setValue writes a value to
// record 1 (no bookmark) or to the bookmark's record.
template <class Out, class In>
void AddParamSetAttribute(CNumberTable& t, const std::string& name, const std::string& lang,
                          CIdCall getByID, CBookmarkCall getByBookmark, CIdCall setByID,
                          CBookmarkCall setByBookmark,
                          std::function<int(void*, const COleVariant*, In)> setValue) {
  auto byID = [](const char* argument, CIdCall call, bool idIsBad) {
    return Case(argument, ZLE_NO_RECORD, [call, idIsBad](void* h, const COleVariant&, long n) {
      return idIsBad ? call(h, n, 0) : call(h, 1, n);
    });
  };
  auto byBookmark = [](CBookmarkCall call) {
    return Case("lParamID", ZLE_NO_RECORD,
                [call](void* h, const COleVariant& b, long n) { return call(h, b, n); });
  };
  const std::string out = lang + TypeName<Out>::value + "&, long)";
  const std::string in = lang + InName<In>() + ", long)";
  const std::string id = "ByID(void*, long, ", bm = "ByBookmark(void*, COleVariant const&, ";
  t["ZLGet" + name + id + out] = {byID("lID", getByID, true), byID("lParamID", getByID, false)};
  t["ZLGet" + name + bm + out] = {byBookmark(getByBookmark)};
  auto& setID = t["ZLSet" + name + id + in];
  setID = {byID("lID", setByID, true), byID("lParamID", setByID, false)};
  auto& setBookmark = t["ZLSet" + name + bm + in];
  setBookmark = {byBookmark(setByBookmark)};
  AddValueCase<In>(
      setID, [setValue](void* h, const COleVariant&, In v) { return setValue(h, nullptr, v); });
  AddValueCase<In>(setBookmark,
                   [setValue](void* h, const COleVariant& b, In v) { return setValue(h, &b, v); });
}

// ---- simulator-language families ----------------------------------------------
//
// Record 1 has a macro and a call line in VHDLA, and package 1 (named "x")
// an object there: what a cut macro, call or object ID names.

// The getters of one macro form (object or text).
template <class Out>
void AddMacroGetters(CNumberTable& t) {
#define ZL_ACCESS(...) ZL_CASE("lAccess", ZLE_MACRO_ACCESS_KEY, __VA_ARGS__)
  const std::string out = std::string(TypeName<Out>::value) + "&, long)";
  const std::string id = "ByID(void*, long, char const*, ";
  const std::string bm = "ByBookmark(void*, COleVariant const&, char const*, ";
  const std::string level = "unsigned long, ", name = "char const*, ";
  t["ZLGetMacro" + id + level + out] = {
      ZL_ID(ZLGetMacroByID(h, n, "VHDLA", 1ul, Sample<Out>(), ZL_MACRO_ACCESS)),
      ZL_LEVEL(ZLGetMacroByID(h, 1, "VHDLA", n, Sample<Out>(), ZL_MACRO_ACCESS)),
      ZL_ACCESS(ZLGetMacroByID(h, 1, "VHDLA", 1ul, Sample<Out>(), n))};
  t["ZLGetMacro" + bm + level + out] = {
      ZL_LEVEL(ZLGetMacroByBookmark(h, b, "VHDLA", n, Sample<Out>(), ZL_MACRO_ACCESS)),
      ZL_ACCESS(ZLGetMacroByBookmark(h, b, "VHDLA", 1ul, Sample<Out>(), n))};
  t["ZLGetMacro" + id + name + out] = {
      ZL_ID(ZLGetMacroByID(h, n, "VHDLA", "x", Sample<Out>(), ZL_MACRO_ACCESS)),
      ZL_ACCESS(ZLGetMacroByID(h, 1, "VHDLA", "x", Sample<Out>(), n))};
  t["ZLGetMacro" + bm + name + out] = {
      ZL_ACCESS(ZLGetMacroByBookmark(h, b, "VHDLA", "x", Sample<Out>(), n))};
  t["ZLGetInterface" + id + out] = {
      ZL_ID(ZLGetInterfaceByID(h, n, "VHDLA", Sample<Out>(), ZL_MACRO_ACCESS)),
      ZL_ACCESS(ZLGetInterfaceByID(h, 1, "VHDLA", Sample<Out>(), n))};
  t["ZLGetInterface" + bm + out] = {
      ZL_ACCESS(ZLGetInterfaceByBookmark(h, b, "VHDLA", Sample<Out>(), n))};
  t["ZLGetDefaultMacro" + id + out] = {
      ZL_ID(ZLGetDefaultMacroByID(h, n, "VHDLA", Sample<Out>(), ZL_MACRO_ACCESS)),
      ZL_ACCESS(ZLGetDefaultMacroByID(h, 1, "VHDLA", Sample<Out>(), n))};
  t["ZLGetDefaultMacro" + bm + out] = {
      ZL_ACCESS(ZLGetDefaultMacroByBookmark(h, b, "VHDLA", Sample<Out>(), n))};
#undef ZL_ACCESS
}

// The map getter, the setters and the map setter of one object form.
template <class Object>
void AddMacroWriters(CNumberTable& t) {
  using CArrayOf = CTypedPtrArray<CObArray, Object*>;
  using CMapOf = CTypedPtrMap<CMapStringToOb, CString, CArrayOf*>;
  const std::string name = TypeName<Object>::value;
  const std::string map =
      "CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, " + name + "*>*>";
  t["ZLGetMacrosByID(void*, long, " + map + "&, long)"] = {
      ZL_ID(ZLGetMacrosByID(h, n, Sample<CMapOf>(), ZL_MACRO_ACCESS)),
      ZL_CASE("lAccess", ZLE_MACRO_ACCESS_KEY, ZLGetMacrosByID(h, 1, Sample<CMapOf>(), n))};
  t["ZLGetMacrosByBookmark(void*, COleVariant const&, " + map + "&, long)"] = {
      ZL_CASE("lAccess", ZLE_MACRO_ACCESS_KEY, ZLGetMacrosByBookmark(h, b, Sample<CMapOf>(), n))};
  // Writes one object through a single or a map setter, by ID or bookmark;
  // -1 marks where the number goes.
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
    const std::string tail = useMap ? map + " const&)" : "char const*, " + name + " const&)";
    const std::string op = useMap ? "ZLSetMacros" : "ZLSetMacro";
    t[op + "ByID(void*, long, " + tail] = {
        Case("lID", ZLE_NO_RECORD, write(useMap, false, -1, 0, 0)),
        Case("m_lMacroID", ZLE_NO_MACRO, write(useMap, false, 1, -1, 0)),
        Case("m_lState", ZLE_ENGINE, write(useMap, false, 1, 0, -1))};
    t[op + "ByBookmark(void*, COleVariant const&, " + tail] = {
        Case("m_lMacroID", ZLE_NO_MACRO, write(useMap, true, 1, -1, 0)),
        Case("m_lState", ZLE_ENGINE, write(useMap, true, 1, 0, -1))};
  }
}

template <class Object>
void AddPackageObjects(CNumberTable& t) {
#define ZL_ACCESS(...) ZL_CASE("lAccess", ZLE_PACKAGE_ACCESS_KEY, __VA_ARGS__)
  using CMapOf = CTypedPtrMap<CMapStringToOb, CString, Object*>;
  const std::string name = TypeName<Object>::value;
  const std::string map = "CTypedPtrMap<CMapStringToOb, CString, " + name + "*>";
  const std::string byName = "ZLGetPackageByName(void*, char const*, ";
  const std::string byBookmark = "ZLGetPackageByBookmark(void*, COleVariant const&, ";
  t[byName + "char const*, " + name + "&, long)"] = {
      ZL_ACCESS(ZLGetPackageByName(h, "x", "VHDLA", Sample<Object>(), n))};
  t[byBookmark + "char const*, " + name + "&, long)"] = {
      ZL_ACCESS(ZLGetPackageByBookmark(h, PackageMark(), "VHDLA", Sample<Object>(), n))};
  t[byName + map + "&, long)"] = {ZL_ACCESS(ZLGetPackageByName(h, "x", Sample<CMapOf>(), n))};
  t[byBookmark + map + "&, long)"] = {
      ZL_ACCESS(ZLGetPackageByBookmark(h, PackageMark(), Sample<CMapOf>(), n))};
#undef ZL_ACCESS
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
      t[head + tail] = {Case("m_lPackageObjID", ZLE_NO_MACRO, write(useMap, byBookmark, -1, 0)),
                        Case("m_lState", ZLE_ENGINE, write(useMap, byBookmark, 0, -1))};
    }
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
  // Compiled code: the length and buffer only come out.
  const std::string code = "long&, unsigned char**)";
  const std::string id = "ByID(void*, long, char const*, ";
  const std::string bm = "ByBookmark(void*, COleVariant const&, char const*, ";
  t["ZLGetCompiledMacro" + id + "unsigned long, " + code] = {
      ZL_ID(ZLGetCompiledMacroByID(h, n, "VHDLA", 1ul, Sample<long>(), &Sample<unsigned char*>())),
      ZL_LEVEL(
          ZLGetCompiledMacroByID(h, 1, "VHDLA", n, Sample<long>(), &Sample<unsigned char*>()))};
  t["ZLGetCompiledMacro" + bm + "unsigned long, " + code] = {ZL_LEVEL(
      ZLGetCompiledMacroByBookmark(h, b, "VHDLA", n, Sample<long>(), &Sample<unsigned char*>()))};
  t["ZLGetCompiledMacro" + id + "char const*, " + code] = {
      ZL_ID(ZLGetCompiledMacroByID(h, n, "VHDLA", "x", Sample<long>(), &Sample<unsigned char*>()))};
  t["ZLGetCompiledInterface" + id + code] = {
      ZL_ID(ZLGetCompiledInterfaceByID(h, n, "VHDLA", Sample<long>(), &Sample<unsigned char*>()))};
  t["ZLGetCompiledDefaultMacro" + id + code] = {ZL_ID(
      ZLGetCompiledDefaultMacroByID(h, n, "VHDLA", Sample<long>(), &Sample<unsigned char*>()))};
  for (const std::string& outOnly :
       {"ZLGetCompiledMacro" + bm + "char const*, " + code, "ZLGetCompiledInterface" + bm + code,
        "ZLGetCompiledDefaultMacro" + bm + code,
        "ZLGetCompiledPackageByName(void*, char const*, char const*, " + code,
        "ZLGetCompiledPackageBodyByName(void*, char const*, char const*, " + code,
        "ZLGetCompiledPackageByBookmark(void*, COleVariant const&, char const*, " + code,
        "ZLGetCompiledPackageBodyByBookmark(void*, COleVariant const&, char const*, " + code,
        std::string("ZLGetPackageIDByBookmark(void*, COleVariant const&, long&)"),
        std::string("ZLCheckDatabase(char const*, CZLCheckReport&)"),
        std::string("ZLGetCallsByBookmark(void*, COleVariant const&, CTypedPtrMap<CMapStringToOb, "
                    "CString, CTypedPtrArray<CObArray, CZLCallObject*>*>&)")}) {
    t[outOnly];
  }
  t["ZLDeleteMacroByID(void*, long, char const*, long)"] = {
      ZL_ID(ZLDeleteMacroByID(h, n, "VHDLA", 1)),
      ZL_CASE("lMacroID", ZLE_NO_MACRO, ZLDeleteMacroByID(h, 1, "VHDLA", n))};
  t["ZLDeleteMacroByBookmark(void*, COleVariant const&, char const*, long)"] = {
      ZL_CASE("lMacroID", ZLE_NO_MACRO, ZLDeleteMacroByBookmark(h, b, "VHDLA", n))};

  // Calls.
  const std::string callMap =
      "CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLCallObject*>*>";
  const std::string get = "char const*, unsigned long, CZLCallObject&)";
  t["ZLGetCall" + id + get] = {
      ZL_ID(ZLGetCallByID(h, n, "VHDLA", "x", 0, Sample<CZLCallObject>())),
      ZL_LEVEL(ZLGetCallByID(h, 1, "VHDLA", "x", n, Sample<CZLCallObject>()))};
  t["ZLGetCall" + bm + get] = {
      ZL_LEVEL(ZLGetCallByBookmark(h, b, "VHDLA", "x", n, Sample<CZLCallObject>()))};
  t["ZLGetCallsByID(void*, long, " + callMap + "&)"] = {
      ZL_ID(ZLGetCallsByID(h, n, Sample<CZLCallMap>()))};
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
        Case("lID", ZLE_NO_RECORD, writeCall(useMap, false, true)),
        Case("m_lCallID", ZLE_NO_CALL, writeCall(useMap, false, false))};
    t[op + "ByBookmark(void*, COleVariant const&, " + tail] = {
        Case("m_lCallID", ZLE_NO_CALL, writeCall(useMap, true, false))};
  }

  // Package records and attributes: the ID forms take an ID, the setters
  // of numbers a value that must fit.
  t["ZLDeletePackageRecordByID(void*, long)"] = {ZL_ID(ZLDeletePackageRecordByID(h, n))};
  // Deleting a record or its user-defined rows by ID.
  t["ZLDeleteRecordByID(void*, long)"] = {ZL_ID(ZLDeleteRecordByID(h, n))};
  t["ZLDeleteUDTRecordByID(void*, long)"] = {ZL_ID(ZLDeleteUDTRecordByID(h, n))};
  t["ZLGetPackageBookmarkByID(void*, long, COleVariant&)"] = {
      ZL_ID(ZLGetPackageBookmarkByID(h, n, Sample<COleVariant>()))};
  t["ZLDeletePackageByID(void*, long, char const*)"] = {ZL_ID(ZLDeletePackageByID(h, n, "VHDLA"))};
#define ZL_PACKAGE_ATTRIBUTE(Name)                                                     \
  AddAttribute(t, "Package" #Name, ZLGetPackage##Name##ByID, ZLSetPackage##Name##ByID, \
               ZLSetPackage##Name##ByBookmark, &PackageMark())
  ZL_PACKAGE_ATTRIBUTE(Name);
  ZL_PACKAGE_ATTRIBUTE(CreatedUser);
  ZL_PACKAGE_ATTRIBUTE(ModifiedUser);
  ZL_PACKAGE_ATTRIBUTE(CreatedDate);
  ZL_PACKAGE_ATTRIBUTE(ModifiedDate);
  ZL_PACKAGE_ATTRIBUTE(Prev);
  ZL_PACKAGE_ATTRIBUTE(Next);
  ZL_PACKAGE_ATTRIBUTE(State);
#undef ZL_PACKAGE_ATTRIBUTE
}

// Nodes: the record, the parameter set and the numbers of a node object.
void AddNodeCases(CNumberTable& t) {
  const std::string array = "CTypedPtrArray<CObArray, CZLNodeObject*>&";
  t["ZLGetNodesCByID(void*, long, " + array + ")"] = {
      ZL_ID(ZLGetNodesCByID(h, n, Sample<CZLNodeArray>()))};
  t["ZLGetNodesCByBookmark(void*, COleVariant const&, " + array + ")"];
  t["ZLGetNodesNCByID(void*, long, " + array + ", long)"] = {
      ZL_ID(ZLGetNodesNCByID(h, n, Sample<CZLNodeArray>(), 0)),
      ZL_SET_ID(ZLGetNodesNCByID(h, 1, Sample<CZLNodeArray>(), n))};
  t["ZLGetNodesNCByBookmark(void*, COleVariant const&, " + array + ", long)"] = {
      ZL_SET_ID(ZLGetNodesNCByBookmark(h, b, Sample<CZLNodeArray>(), n))};
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
    for (bool byBookmark : {false, true}) {
      std::vector<CNumberCase> cases = {
          Case("m_lNodeID", ZLE_NO_RECORD, write(nc, byBookmark, 0, 1)),
          Case("m_lIndex", ZLE_ENGINE, write(nc, byBookmark, 0, 2)),
          Case("m_lWizFileID", ZLE_ENGINE, write(nc, byBookmark, 0, 3))};
      if (!byBookmark) cases.push_back(Case("lID", ZLE_NO_RECORD, write(nc, false, 0, 0)));
      if (nc) {
        cases.push_back(Case("lParamSetID", ZLE_NO_RECORD, write(nc, byBookmark, 1, 0)));
        cases.push_back(Case("m_lNodeID in a set", ZLE_NO_RECORD, write(nc, byBookmark, 1, 1)));
      }
      t[std::string(nc ? "ZLSetNodesNC" : "ZLSetNodesC") +
        (byBookmark ? "ByBookmark(void*, COleVariant const&, " : "ByID(void*, long, ") + array +
        (nc ? ", long)" : ")")] = cases;
    }
  }
}

// Files, keywords and symbols: the record, the parameter set, the access
// value of a file.
void AddListCases(CNumberTable& t) {
  const std::string files = "CTypedPtrArray<CObArray, CZLFileObject*>";
  const std::string words = "CTypedPtrArray<CObArray, CZLKeywordObject*>";
  const std::string map = "CTypedPtrMap<CMapWordToOb, unsigned short, " + words + "*>";
  const std::string id = "ByID(void*, long, ", bm = "ByBookmark(void*, COleVariant const&, ";
  t["ZLGetFiles" + id + files + "&)"] = {ZL_ID(ZLGetFilesByID(h, n, Sample<CZLFileArray>()))};
  t["ZLGetFiles" + bm + files + "&)"];
  auto access = [](bool bm) {
    return Case("m_lAccess", ZLE_ENGINE, [bm](void* h, const COleVariant& b, long n) {
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
  t["ZLSetFiles" + id + files + " const&)"] = {ZL_ID(ZLSetFilesByID(h, n, Sample<CZLFileArray>())),
                                               access(false)};
  t["ZLSetFiles" + bm + files + " const&)"] = {access(true)};
  const std::string lang = "unsigned short, ";
  t["ZLGetKeywords" + id + lang + words + "&, long)"] = {
      ZL_ID(ZLGetKeywordsByID(h, n, 1033, Sample<CZLKeywordArray>(), 0)),
      ZL_SET_ID(ZLGetKeywordsByID(h, 1, 1033, Sample<CZLKeywordArray>(), n))};
  t["ZLGetKeywords" + bm + lang + words + "&, long)"] = {
      ZL_SET_ID(ZLGetKeywordsByBookmark(h, b, 1033, Sample<CZLKeywordArray>(), n))};
  t["ZLGetKeywords" + id + map + "&, long)"] = {
      ZL_ID(ZLGetKeywordsByID(h, n, Sample<CZLKeywordMap>(), 0)),
      ZL_SET_ID(ZLGetKeywordsByID(h, 1, Sample<CZLKeywordMap>(), n))};
  t["ZLGetKeywords" + bm + map + "&, long)"] = {
      ZL_SET_ID(ZLGetKeywordsByBookmark(h, b, Sample<CZLKeywordMap>(), n))};
  t["ZLSetKeywords" + id + lang + words + " const&, long)"] = {
      ZL_ID(ZLSetKeywordsByID(h, n, 1033, Sample<CZLKeywordArray>(), 0)),
      ZL_SET_ID(ZLSetKeywordsByID(h, 1, 1033, Sample<CZLKeywordArray>(), n))};
  t["ZLSetKeywords" + bm + lang + words + " const&, long)"] = {
      ZL_SET_ID(ZLSetKeywordsByBookmark(h, b, 1033, Sample<CZLKeywordArray>(), n))};
  t["ZLSetKeywords" + id + map + " const&, long)"] = {
      ZL_ID(ZLSetKeywordsByID(h, n, Sample<CZLKeywordMap>(), 0))};
  t["ZLSetKeywords" + bm + map + " const&, long)"];
  t["ZLGetDBKeywords(void*, " + lang + words + "&)"];
  t["ZLSetDBKeywords(void*, " + lang + words + " const&)"];
  t["ZLGetSymbol" + id + lang + "CString&)"] = {
      ZL_ID(ZLGetSymbolByID(h, n, 1033, Sample<CString>()))};
  t["ZLGetSymbols" + id + TypeName<CTextMap>::value + "&)"] = {
      ZL_ID(ZLGetSymbolsByID(h, n, Sample<CTextMap>()))};
  t["ZLSetSymbol" + id + lang + "char const*)"] = {ZL_ID(ZLSetSymbolByID(h, n, 1033, "s"))};
}

// Parameter sets, tolerances and stresses: the record, the set, the
// neighbour link and the numbers of the value objects.
template <class T>
std::vector<CNumberCase> LimitWriteCases(
    bool byBookmark, int (*byID)(void*, long, CTypedPtrArray<CObArray, T*>&, long),
    int (*byMark)(void*, const COleVariant&, CTypedPtrArray<CObArray, T*>&, long), long T::*id,
    const std::vector<std::pair<const char*, long T::*>>& values) {
  // Writes one object with field set to n (none: n is the set, or with
  // record 0 the record) for set, by ID (record 1) or by bookmark.
  auto write = [=](long set, long T::*field, long record) {
    return [=](void* h, const COleVariant& b, long n) {
      T object;
      if (field != nullptr) object.*field = n;
      CTypedPtrArray<CObArray, T*> objects;
      objects.Add(&object);
      const long setID = field == nullptr && record != 0 ? n : set;
      const int r = byBookmark ? byMark(h, b, objects, setID)
                               : byID(h, record == 0 ? n : record, objects, setID);
      objects.RemoveAll();
      return r;
    };
  };
  std::vector<CNumberCase> cases = {Case("lParamSetID", ZLE_NO_RECORD, write(0, nullptr, 1)),
                                    Case("ID", ZLE_NO_RECORD, write(0, id, 1)),
                                    Case("ID in a set", ZLE_NO_RECORD, write(1, id, 1))};
  if (!byBookmark) cases.push_back(Case("lID", ZLE_NO_RECORD, write(0, nullptr, 0)));
  for (const auto& [name, field] : values)
    cases.push_back(Case(name, ZLE_ENGINE, write(0, field, 1)));
  return cases;
}

void AddParamSetCases(CNumberTable& t) {
  t["ZLCreateNewParamSet(void*, long, long&)"] = {ZL_ID(ZLCreateNewParamSet(h, n, Sample<long>()))};
  t["ZLDeleteParamSetByParamID(void*, long, long)"] = {
      ZL_ID(ZLDeleteParamSetByParamID(h, n, 1)), ZL_SET_ID(ZLDeleteParamSetByParamID(h, 1, n))};
  t["ZLGetAllParamSetByID(void*, long, CArray<long, long>&)"] = {
      ZL_ID(ZLGetAllParamSetByID(h, n, Sample<CArray<long, long>>()))};
  t["ZLGetAllParamSetByBookmark(void*, COleVariant const&, CArray<long, long>&)"];
  t["ZLGetFirstParamSetByID(void*, long, long&)"] = {
      ZL_ID(ZLGetFirstParamSetByID(h, n, Sample<long>()))};
  t["ZLGetFirstParamSetByBookmark(void*, COleVariant const&, long&)"];
  t["ZLGetPrevParamSetByParamID(void*, long, long&)"] = {
      ZL_SET_ID(ZLGetPrevParamSetByParamID(h, n, Sample<long>()))};
  t["ZLGetNextParamSetByParamID(void*, long, long&)"] = {
      ZL_SET_ID(ZLGetNextParamSetByParamID(h, n, Sample<long>()))};
  t["ZLSetPrevParamSetByParamID(void*, long, long)"] = {
      ZL_SET_ID(ZLSetPrevParamSetByParamID(h, n, 1)),
      ZL_CASE("lPrev", ZLE_ENGINE, ZLSetPrevParamSetByParamID(h, 1, n))};
  t["ZLSetNextParamSetByParamID(void*, long, long)"] = {
      ZL_SET_ID(ZLSetNextParamSetByParamID(h, n, 1)),
      ZL_CASE("lNext", ZLE_ENGINE, ZLSetNextParamSetByParamID(h, 1, n))};
  const std::string tolerances = "CTypedPtrArray<CObArray, CZLToleranceObject*>&, long)";
  const std::string stresses = "CTypedPtrArray<CObArray, CZLStressObject*>&, long)";
  const std::string id = "ByID(void*, long, ", bm = "ByBookmark(void*, COleVariant const&, ";
  t["ZLGetTolerances" + id + tolerances] = {
      ZL_ID(ZLGetTolerancesByID(h, n, Sample<CZLToleranceArray>(), 0)),
      ZL_SET_ID(ZLGetTolerancesByID(h, 1, Sample<CZLToleranceArray>(), n))};
  t["ZLGetTolerances" + bm + tolerances] = {
      ZL_SET_ID(ZLGetTolerancesByBookmark(h, b, Sample<CZLToleranceArray>(), n))};
  t["ZLGetStress" + id + stresses] = {
      ZL_ID(ZLGetStressByID(h, n, Sample<CZLStressArray>(), 0)),
      ZL_SET_ID(ZLGetStressByID(h, 1, Sample<CZLStressArray>(), n))};
  t["ZLGetStress" + bm + stresses] = {
      ZL_SET_ID(ZLGetStressByBookmark(h, b, Sample<CZLStressArray>(), n))};
  using TO = CZLToleranceObject;
  using SO = CZLStressObject;
  for (bool byBookmark : {false, true}) {
    t["ZLSetTolerances" + (byBookmark ? bm : id) + tolerances] = LimitWriteCases<TO>(
        byBookmark, ZLSetTolerancesByID, ZLSetTolerancesByBookmark, &TO::m_lToleranceID,
        {{"m_lNodeID", &TO::m_lNodeID}, {"m_lIndex", &TO::m_lIndex}, {"m_lState", &TO::m_lState}});
    t["ZLSetStress" + (byBookmark ? bm : id) + stresses] =
        LimitWriteCases<SO>(byBookmark, ZLSetStressByID, ZLSetStressByBookmark, &SO::m_lQualityID,
                            {{"m_lIndex", &SO::m_lIndex},
                             {"m_lState", &SO::m_lState},
                             {"m_lType", &SO::m_lType},
                             {"m_lLimit", &SO::m_lLimit}});
  }
}

// Additional data and profile strings: the record, and the numbers of a
// column's description.
void AddUserDataCases(CNumberTable& t) {
  const std::string infos = "CTypedPtrArray<CObArray, CZLAdditionalDataInfoObject*>";
  const std::string info = "CZLAdditionalDataInfoObject";
  t["ZLIsAdditionalDataAvailable(void*)"];
  t["ZLGetAdditionalDataInfo(void*, " + infos + "&)"];
  t["ZLGetAdditionalDataInfo(void*, " + info + "&)"];
  t["ZLDeleteAdditionalDataInfo(void*, " + info + " const&)"];
  using AO = CZLAdditionalDataInfoObject;
  auto field = [](const char* name, long AO::*member, int (*call)(void*, AO&)) {
    return Case(name, ZLE_ENGINE, [=](void* h, const COleVariant&, long n) {
      AO object("Cost");
      object.*member = n;
      return call(h, object);
    });
  };
  auto create = [](void* h, AO& o) { return ZLCreateAdditionalDataInfo(h, o); };
  auto setOne = [](void* h, AO& o) { return ZLSetAdditionalDataInfo(h, o); };
  auto setAll = [](void* h, AO& o) {
    CZLAdditionalDataInfoArray a;
    a.Add(&o);
    const int r = ZLSetAdditionalDataInfo(h, a);
    a.RemoveAll();
    return r;
  };
  t["ZLCreateAdditionalDataInfo(void*, " + info + " const&)"] = {
      field("m_lType", &AO::m_lType, create), field("m_lSize", &AO::m_lSize, create),
      field("m_lState", &AO::m_lState, create)};
  t["ZLSetAdditionalDataInfo(void*, " + info + " const&)"] = {
      field("m_lState", &AO::m_lState, setOne)};
  t["ZLSetAdditionalDataInfo(void*, " + infos + " const&)"] = {
      field("m_lState", &AO::m_lState, setAll)};
  t["ZLGetAdditionalDataByID(void*, long, char const*, COleVariant&)"] = {
      ZL_ID(ZLGetAdditionalDataByID(h, n, "Cost", Sample<COleVariant>()))};
  t["ZLSetAdditionalDataByID(void*, long, char const*, COleVariant&)"] = {
      ZL_ID(ZLSetAdditionalDataByID(h, n, "Cost", Sample<COleVariant>()))};
  const std::string names = "char const*, char const*, ";
  t["ZLGetProfileString(void*, long, " + names + "char const*, CString&)"] = {
      ZL_ID(ZLGetProfileString(h, n, "Cat", "S", "K", Sample<CString>()))};
  t["ZLGetProfileStrings(void*, long, CStringArray&, CStringArray&, CStringArray&)"] = {
      ZL_ID(ZLGetProfileStrings(h, n, Sample<CStringArray>(), Sample<CStringArray>(),
                                Sample<CStringArray>()))};
  t["ZLSetProfileString(void*, long, " + names + "char const*, CString)"] = {
      ZL_ID(ZLSetProfileString(h, n, "Cat", "S", "K", CString("v")))};
  t["ZLDeleteProfileSection(void*, long, char const*, char const*)"] = {
      ZL_ID(ZLDeleteProfileSection(h, n, "Cat", "S"))};
  t["ZLDeleteProfileKey(void*, long, " + names + "char const*)"] = {
      ZL_ID(ZLDeleteProfileKey(h, n, "Cat", "S", "K"))};
}

CNumberTable BuildTable() {
  CNumberTable t;
  AddListCases(t);
  AddSimLanguageCases(t);
  AddNodeCases(t);
  AddParamSetCases(t);
  AddUserDataCases(t);
#define ZL_ATTRIBUTE(Name) \
  AddAttribute(t, #Name, ZLGet##Name##ByID, ZLSet##Name##ByID, ZLSet##Name##ByBookmark)
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
      ZL_ID(ZLGetBookmarkByID(h, n, Sample<COleVariant>()))};
  t["ZLGetIDByBookmark(void*, COleVariant const&, long&)"];
  // A path of a missing record is empty and succeeds with 11.
  t["ZLGetPathByID(void*, long, unsigned short, CString&)"] = {
      {"lID", false, ZLE_NO_RECORD,
       [](void* h, const COleVariant&, long n) {
         CString path;
         return ZLGetPathByID(h, n, 1033, path) + (path.IsEmpty() ? 0 : 10);
       },
       1}};
  t["ZLSetBusyTimeout(void*, long)"] = {
      {"lMilliseconds", false, ZLE_ENGINE,
       [](void* h, const COleVariant&, long n) { return ZLSetBusyTimeout(h, n); }}};
  t["ZLGetDatabaseState(void*, unsigned long&)"];
  t["ZLSetDatabaseState(void*, unsigned long&)"] = {
      {"state", true, ZLE_ENGINE, [](void* h, const COleVariant&, long n) {
         unsigned long state = static_cast<unsigned long>(n);
         return ZLSetDatabaseState(h, state);
       }}};
  const std::string strings = "CTypedPtrArray<CObArray, CZLResourceStringObject*>";
  t["ZLGetDBResourceStrings(void*, unsigned short, " + strings + "&, int, int)"];
  // Only the resource ID reaches a key when texts are imported; the list's
  // good first entry must not be written either.
  t["ZLSetDBResourceStrings(void*, unsigned short, " + strings + " const&)"] = {
      Case("m_lResID", ZLE_ENGINE, [](void* h, const COleVariant&, long n) {
        CZLResourceStringObject good, bad;
        good.m_lResID = 1;
        good.m_strText = "changed";
        bad.m_lResID = n;
        bad.m_strText = "misfit";
        CZLResourceStringArray strings;
        strings.Add(&good);
        strings.Add(&bad);
        return ZLSetDBResourceStrings(h, 1033, strings);
      })};
  return t;
}
#undef ZL_LEVEL
#undef ZL_SET_ID
#undef ZL_ID
#undef ZL_UCASE
#undef ZL_CASE
#undef ZL_CALL

// Exports of the database interface whose arguments carry a long, an
// unsigned long or a value object.  The ZLFree routines only free objects.
bool TakesNumbers(const std::string& symbol) {
  static const std::regex pattern(R"(^ZL\w*\(.*(\blong\b|CZL).*\)$)");
  return symbol.rfind("ZLFree", 0) != 0 && std::regex_match(symbol, pattern);
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
  const std::vector<std::string> symbols = zltest::ExportedSymbols();
  ASSERT_FALSE(symbols.empty());
  const std::string before = zltest::FileContents(m_path);
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
        EXPECT_EQ(zltest::FileContents(m_path), before);
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
