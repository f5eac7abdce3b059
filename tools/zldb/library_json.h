// The JSON form of a whole model library, written by zldb export and read
// by zldb import.  One value class at a time is described by a Visit...
// function naming its members with their keys; the same function encodes
// an object (CEncoder) and decodes one (CDecoder), so the two directions
// cannot drift apart.
//
// Encoding is deterministic: keys in the order the Visit functions name
// them, maps keyed by language in ascending order, binary blocks in base64,
// texts decompressed.  A text is a JSON string when it is valid UTF-8 and
// otherwise {"bytes": "<base64 of the stored bytes>"}, so that no stored
// byte is lost; decoding takes either form wherever a text goes.  Decoding
// checks every value's type and range and throws CJsonFault naming the JSON
// pointer of the value that is wrong.
#ifndef ZLDB_LIBRARY_JSON_H_
#define ZLDB_LIBRARY_JSON_H_

#include <set>
#include <stdexcept>
#include <string>

#include "json_out.h"
#include "zldbctrl70.h"

namespace zldb {

// The document's "format" and "version" members.
constexpr const char* kLibraryFormat = "zldb-library";
// 2: profile strings, wizard files as positions among the record's
// files, texts that are not UTF-8 as {"bytes": ...}.
constexpr long kLibraryFormatVersion = 2;

// A value of the document that cannot be imported.
class CJsonFault : public std::runtime_error {
 public:
  CJsonFault(std::string path, const std::string& message)
      : std::runtime_error(message), m_path(std::move(path)) {}
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// What decoding checks names against: the library's languages so far.
struct LibraryLanguages {
  std::set<WORD> resource;
  std::set<std::string> simulator;  // having a table of any kind
};

std::string Base64Encode(const unsigned char* data, size_t size);
// False when text is not canonical base64 (padding included).
bool Base64Decode(const std::string& text, std::string& bytes);

using LanguageTexts = CMap<WORD, WORD, CString, LPCSTR>;

Json Encode(long value);
Json Encode(unsigned long value);
Json Encode(DWORD value);
Json Encode(WORD value);
Json Encode(BOOL value);                // as true or false
Json Encode(const CString& value);      // a string, or {"bytes": base64} when not UTF-8
Json Encode(const CLongBinary& value);  // base64, null when there is no block
Json Encode(const COleDateTime& value);
Json Encode(const LanguageTexts& value);       // {"1031": ..., "1033": ...}
Json Encode(const CMapStringToString& value);  // {"Spice": ...}

void Decode(const Json& in, const std::string& path, const LibraryLanguages& known, long& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            unsigned long& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known, DWORD& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known, WORD& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known, BOOL& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known, CString& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            CLongBinary& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            COleDateTime& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            LanguageTexts& value);
void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            CMapStringToString& value);

// A member name as one step of a JSON pointer ("~" and "/" escaped).
std::string PointerStep(const std::string& key);

// A resource language given as a decimal key; throws unless the library
// has it.
WORD DecodeLanguage(const std::string& key, const std::string& path, const LibraryLanguages& known);
// A member that must be of the kind asked for (throws otherwise).
const Json& Member(const Json& object, const char* key, const std::string& path);
const Json& ArrayMember(const Json& object, const char* key, const std::string& path);
const Json& ObjectMember(const Json& object, const char* key, const std::string& path);

// Adds each member to a JSON object.
class CEncoder {
 public:
  explicit CEncoder(Json& out) : m_out(out) {}
  template <typename Value>
  void operator()(const char* key, const Value& value) {
    m_out[key] = Encode(value);
  }

 private:
  Json& m_out;
};

// Fills each member from a JSON object; a missing or wrong member throws.
class CDecoder {
 public:
  CDecoder(const Json& in, std::string path, const LibraryLanguages& known)
      : m_in(in), m_path(std::move(path)), m_known(known) {}
  template <typename Value>
  void operator()(const char* key, Value& value) {
    Decode(Member(m_in, key, m_path), m_path + "/" + key, m_known, value);
  }

 private:
  const Json& m_in;
  const std::string m_path;
  const LibraryLanguages& m_known;
};

// The members of the value classes.  Object is the class, const or not.
template <typename Visitor, typename Object>
void VisitCall(Visitor& v, Object& o) {
  v("key", o.m_strCallKey);
  v("level", o.m_dwLevel);
  v("text", o.m_strCallText);
}

template <typename Visitor, typename Object>
void VisitMacro(Visitor& v, Object& o) {
  v("defName", o.m_strDefName);
  v("level", o.m_dwLevel);
  v("state", o.m_lState);
  v("enabled", o.m_bEnabled);
  v("default", o.m_bDefault);
  v("descriptions", o.m_mapDescription);
  v("option", o.m_strFlexOption);
  v("compiled", o.m_lbCompiled);
  v("text", o.m_strMacroText);
}

// A node's wizard file is written beside these members as "wizardFile"
// (library_export.cpp): its stored ID means nothing in another library.
template <typename Visitor, typename Object>
void VisitNode(Visitor& v, Object& o) {
  v("name", o.m_strName);
  v("index", o.m_lIndex);
  v("type", o.m_dwType);
  v("extType", o.m_dwExtType);
  v("value", o.m_strValue);
  v("unit", o.m_strUnit);
  v("nature", o.m_strNature);
  v("quantity", o.m_strQuantity);
  v("infos", o.m_mapInfo);
  v("preferredUnits", o.m_mapPreferUnit);
  v("access", o.m_mapAccess);
  v("defaultValues", o.m_mapDefValue);
  v("nameToResID", o.m_wNameToResID);
  v("valueToResID", o.m_wValueToResID);
  v("typeToResID", o.m_wTypeToResID);
  v("extTypeToResID", o.m_wExtTypeToResID);
  v("infoToResID", o.m_wInfoToResID);
  v("natureToResID", o.m_wNatureToResID);
  v("unitToResID", o.m_wUnitToResID);
  v("quantityToResID", o.m_wQuantityToResID);
  v("preferUnitToResID", o.m_wPreferUnitToResID);
  v("defValueToResID", o.m_wDefValueToResID);
}

template <typename Visitor, typename Object>
void VisitFile(Visitor& v, Object& o) {
  v("name", o.m_strFileName);
  v("type", o.m_dwType);
  v("language", o.m_dwLanguage);
  v("accessSet", o.m_bAccessSet);
  v("access", o.m_lAccess);
  v("data", o.m_lbData);
}

// A tolerance's values, which a parameter set may override.
template <typename Visitor, typename Object>
void VisitToleranceValues(Visitor& v, Object& o) {
  v("state", o.m_lState);
  v("minimum", o.m_strMinimum);
  v("maximum", o.m_strMaximum);
  v("meanValue", o.m_strMeanValue);
  v("deviation", o.m_strDeviation);
  v("tolerance", o.m_strTolerance);
  v("characteristic", o.m_strCharacteristic);
}

// The record's own tolerance: its node by name ("" for none).
template <typename Visitor, typename Object>
void VisitTolerance(Visitor& v, Object& o) {
  v("node", o.m_strNodeName);
  v("index", o.m_lIndex);
  VisitToleranceValues(v, o);
}

template <typename Visitor, typename Object>
void VisitStressValues(Visitor& v, Object& o) {
  v("state", o.m_lState);
  v("minimum", o.m_strMinimum);
  v("maximum", o.m_strMaximum);
}

template <typename Visitor, typename Object>
void VisitStress(Visitor& v, Object& o) {
  v("index", o.m_lIndex);
  v("type", o.m_lType);
  v("limit", o.m_lLimit);
  v("reference", o.m_strReference);
  VisitStressValues(v, o);
}

template <typename Visitor, typename Object>
void VisitPackageText(Visitor& v, Object& o) {
  v("enabled", o.m_bEnabled);
  v("useBody", o.m_bUseBody);
  v("state", o.m_lState);
  v("text", o.m_strPackageText);
  v("bodyText", o.m_strPackageBodyText);
  v("binary", o.m_lbPackageBinary);
  v("bodyBinary", o.m_lbPackageBodyBinary);
}

template <typename Visitor, typename Object>
void VisitAdditionalDataInfo(Visitor& v, Object& o) {
  v("name", o.m_strDataName);
  v("info", o.m_strInfo);
  v("type", o.m_lType);
  v("size", o.m_lSize);
  v("index", o.m_lIndex);
  v("duplicate", o.m_lDuplicate);
  v("state", o.m_lState);
}

// One object as JSON; one object from JSON.
template <typename Object, typename Visit>
Json EncodeObject(const Object& object, Visit visit) {
  Json out = Json::object();
  CEncoder encoder(out);
  visit(encoder, object);
  return out;
}

template <typename Object, typename Visit>
void DecodeObject(const Json& in, const std::string& path, const LibraryLanguages& known,
                  Object& object, Visit visit) {
  if (!in.is_object()) throw CJsonFault(path, "must be an object");
  CDecoder decoder(in, path, known);
  visit(decoder, object);
}

// The value of an additional-data column of that type code as JSON and
// back (null for NULL; texts, numbers, true/false, dates as text, binary as
// base64).
Json EncodeAdditionalValue(const COleVariant& value, long type);
COleVariant DecodeAdditionalValue(const Json& in, const std::string& path, long type);

// The visitors as values, for the routines that take one per element of a
// list (export and import alike).
inline const auto kVisitCall = [](auto& v, auto& o) { VisitCall(v, o); };
inline const auto kVisitMacro = [](auto& v, auto& o) { VisitMacro(v, o); };
inline const auto kVisitNode = [](auto& v, auto& o) { VisitNode(v, o); };
inline const auto kVisitFile = [](auto& v, auto& o) { VisitFile(v, o); };
inline const auto kVisitTolerance = [](auto& v, auto& o) { VisitTolerance(v, o); };
inline const auto kVisitToleranceValues = [](auto& v, auto& o) { VisitToleranceValues(v, o); };
inline const auto kVisitStress = [](auto& v, auto& o) { VisitStress(v, o); };
inline const auto kVisitStressValues = [](auto& v, auto& o) { VisitStressValues(v, o); };

}  // namespace zldb

#endif  // ZLDB_LIBRARY_JSON_H_
