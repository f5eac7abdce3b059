#include "library_export.h"

#include <algorithm>
#include <map>
#include <set>

#include "show.h"

namespace zldb {
namespace {

// Reads one value: success gives its JSON, an absent value null; any other
// failure is printed and gives false.
template <typename Value, typename Read>
bool Attribute(CDatabase& db, const std::string& what, Json& slot, Read&& read) {
  Value value{};
  if (read(value) != 0) {
    slot = Encode(value);
    return true;
  }
  if (IsAbsent(ZLGetLastError())) {
    slot = nullptr;
    return true;
  }
  db.ReportFailure("reading " + what);
  return false;
}

// A map read whose absence is an empty map.
template <typename Map, typename Read>
bool TextMap(CDatabase& db, const std::string& what, Json& slot, Read&& read) {
  Map map;
  if (read(map) == 0 && !IsAbsent(ZLGetLastError())) {
    db.ReportFailure("reading " + what);
    return false;
  }
  slot = Encode(map);
  return true;
}

// A link that may be empty (0 then).
template <typename Read>
bool Link(CDatabase& db, const std::string& what, long& target, Read&& read) {
  target = 0;
  if (read(target) != 0) return true;
  target = 0;
  if (IsAbsent(ZLGetLastError())) return true;
  db.ReportFailure("reading " + what);
  return false;
}

template <typename Array, typename Visit>
Json EncodeArray(const Array& array, Visit visit) {
  Json out = Json::array();
  for (int i = 0; i < array.GetSize(); ++i) out.push_back(EncodeObject(*array[i], visit));
  return out;
}

// A map from simulator language to an array of objects, sorted by language.
template <typename Map, typename Array, typename Visit>
Json EncodeByLanguage(const Map& map, Visit visit) {
  std::map<std::string, Json> sorted;
  CString language;
  Array* array = nullptr;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, language, array);
    sorted[language.GetString()] = EncodeArray(*array, visit);
  }
  Json out = Json::object();
  for (auto& entry : sorted) out[entry.first] = std::move(entry.second);
  return out;
}

Json EncodeKeywords(const CZLKeywordMap& map) {
  std::map<WORD, Json> sorted;
  WORD language = 0;
  CZLKeywordArray* array = nullptr;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, language, array);
    Json words = Json::array();
    for (int i = 0; i < array->GetSize(); ++i) words.push_back(Encode((*array)[i]->m_strKeyword));
    sorted[language] = std::move(words);
  }
  Json out = Json::object();
  for (auto& entry : sorted) out[std::to_string(entry.first)] = std::move(entry.second);
  return out;
}

// The users, dates, state, titles, infos and keywords that a record and
// each of its parameter sets have (set 0: the record's own).
bool ExportStamps(CDatabase& db, long id, long set, Json& out) {
  void* h = db.Handle();
  CZLKeywordMap keywords;
  const bool ok =
      Attribute<unsigned long>(db, "the state", out["state"],
                               [&](unsigned long& v) { return ZLGetStateByID(h, id, v, set); }) &&
      Attribute<CString>(db, "the creator", out["createdBy"],
                         [&](CString& v) { return ZLGetCreatedUserByID(h, id, v, set); }) &&
      Attribute<COleDateTime>(
          db, "the creation date", out["createdOn"],
          [&](COleDateTime& v) { return ZLGetCreatedDateByID(h, id, v, set); }) &&
      Attribute<CString>(db, "the editor", out["modifiedBy"],
                         [&](CString& v) { return ZLGetModifiedUserByID(h, id, v, set); }) &&
      Attribute<COleDateTime>(
          db, "the modification date", out["modifiedOn"],
          [&](COleDateTime& v) { return ZLGetModifiedDateByID(h, id, v, set); }) &&
      TextMap<LanguageTexts>(db, "the titles", out["titles"],
                             [&](LanguageTexts& m) { return ZLGetTitleByID(h, id, m, set); }) &&
      TextMap<LanguageTexts>(db, "the information texts", out["infos"],
                             [&](LanguageTexts& m) { return ZLGetInfoByID(h, id, m, set); }) &&
      db.Run("reading the keywords", [&] { return ZLGetKeywordsByID(h, id, keywords, set); });
  if (ok) out["keywords"] = EncodeKeywords(keywords);
  ZLFreeKeywordMap(keywords);
  return ok;
}

bool ExportLinks(CDatabase& db, long id, const std::unordered_map<long, long>& numbers, Json& out) {
  void* h = db.Handle();
  const struct {
    const char* key;
    int (*read)(void*, long, long&);
  } links[] = {{"parent", ZLGetParentByID},
               {"firstChild", ZLGetFirstChildByID},
               {"prev", ZLGetPrevByID},
               {"next", ZLGetNextByID}};
  for (const auto& link : links) {
    long target = 0;
    if (!Link(db, std::string("the link ") + link.key, target,
              [&](long& v) { return link.read(h, id, v); })) {
      return false;
    }
    // An empty link, or one to no record (a damaged tree), is null.
    const auto it = target == 0 ? numbers.end() : numbers.find(target);
    out[link.key] = it == numbers.end() ? Json(nullptr) : Json(it->second);
  }
  return true;
}

bool ExportAttributes(CDatabase& db, long id, Json& out) {
  void* h = db.Handle();
  return Attribute<CString>(db, "the definition name", out["defName"],
                            [&](CString& v) { return ZLGetDefNameByID(h, id, v); }) &&
         Attribute<unsigned long>(db, "the type", out["type"],
                                  [&](unsigned long& v) { return ZLGetTypeByID(h, id, v); }) &&
         Attribute<unsigned long>(db, "the level", out["level"],
                                  [&](unsigned long& v) { return ZLGetLevelByID(h, id, v); }) &&
         Attribute<CString>(db, "the uses", out["uses"],
                            [&](CString& v) { return ZLGetUsesByID(h, id, v); }) &&
         Attribute<CString>(db, "the user table name", out["udtName"],
                            [&](CString& v) { return ZLGetUDTNameByID(h, id, v); }) &&
         Attribute<long>(db, "the wizard type", out["wizType"],
                         [&](long& v) { return ZLGetWizTypeByID(h, id, v); }) &&
         Attribute<CLongBinary>(db, "the sheet", out["sheet"],
                                [&](CLongBinary& v) { return ZLGetSheetByID(h, id, v); }) &&
         Attribute<CLongBinary>(db, "the wizard data", out["wizardData"],
                                [&](CLongBinary& v) { return ZLGetWizardDataByID(h, id, v); });
}

// A node's wizard file: null when it has none, the position (1, 2, ...) of
// the record's file it names, or {"id": n} for a stored ID that names none
// of the record's files (a copy keeps such an ID as it was; so does import).
Json EncodeWizardFile(const CZLNodeObject& node, const CZLFileArray& files) {
  if (!node.m_bWizFileSet) return nullptr;
  for (int i = 0; i < files.GetSize(); ++i) {
    if (files[i]->m_lFileID == node.m_lWizFileID) return i + 1;
  }
  return {{"id", node.m_lWizFileID}};
}

Json EncodeNodes(const CZLNodeArray& nodes, const CZLFileArray& files) {
  Json out = Json::array();
  for (int i = 0; i < nodes.GetSize(); ++i) {
    Json node = EncodeObject(*nodes[i], kVisitNode);
    node["wizardFile"] = EncodeWizardFile(*nodes[i], files);
    out.push_back(std::move(node));
  }
  return out;
}

// Pins, parameters, files, symbols, macros and calls.
bool ExportContent(CDatabase& db, long id, Json& out) {
  void* h = db.Handle();
  CZLNodeArray pins, parameters;
  CZLFileArray files;
  CZLMacroMap macros;
  CZLCallMap calls;
  const bool ok =
      TextMap<LanguageTexts>(db, "the symbols", out["symbols"],
                             [&](LanguageTexts& m) { return ZLGetSymbolsByID(h, id, m); }) &&
      db.Run("reading the pins", [&] { return ZLGetNodesCByID(h, id, pins); }) &&
      db.Run("reading the parameters", [&] { return ZLGetNodesNCByID(h, id, parameters, 0); }) &&
      db.Run("reading the files", [&] { return ZLGetFilesByID(h, id, files); }) &&
      db.Run("reading the macros",
             [&] { return ZLGetMacrosByID(h, id, macros, ZL_MACRO_ACCESS); }) &&
      db.Run("reading the call lines", [&] { return ZLGetCallsByID(h, id, calls); });
  if (ok) {
    out["pins"] = EncodeNodes(pins, files);
    out["parameters"] = EncodeNodes(parameters, files);
    out["files"] = EncodeArray(files, kVisitFile);
    out["macros"] = EncodeByLanguage<CZLMacroMap, CZLMacroArray>(macros, kVisitMacro);
    out["calls"] = EncodeByLanguage<CZLCallMap, CZLCallArray>(calls, kVisitCall);
  }
  ZLFreeObjectArray(pins);
  ZLFreeObjectArray(parameters);
  ZLFreeObjectArray(files);
  ZLFreeMacroMap(macros);
  ZLFreeCallMap(calls);
  return ok;
}

// The tolerances and stresses of the record (set 0: every member) or of a
// set (only what a set overrides).
bool ExportLimits(CDatabase& db, long id, long set, Json& out) {
  void* h = db.Handle();
  CZLToleranceArray tolerances;
  CZLStressArray stresses;
  const bool ok = db.Run("reading the tolerances", [&] {
    return ZLGetTolerancesByID(h, id, tolerances, set);
  }) && db.Run("reading the stresses", [&] { return ZLGetStressByID(h, id, stresses, set); });
  if (ok && set == 0) {
    out["tolerances"] = EncodeArray(tolerances, kVisitTolerance);
    out["stresses"] = EncodeArray(stresses, kVisitStress);
  } else if (ok) {
    out["tolerances"] = EncodeArray(tolerances, kVisitToleranceValues);
    out["stresses"] = EncodeArray(stresses, kVisitStressValues);
  }
  ZLFreeObjectArray(tolerances);
  ZLFreeObjectArray(stresses);
  return ok;
}

// A chain link as the position (1, 2, ...) of the linked item among ids
// (ascending); null for an empty link or one to no item of the list.
Json Position(const std::vector<long>& ids, long target) {
  const auto it = std::lower_bound(ids.begin(), ids.end(), target);
  return target == 0 || it == ids.end() || *it != target ? Json(nullptr)
                                                         : Json(it - ids.begin() + 1);
}

// One set: its chain links, stamps and texts, the values it gives the
// parameters (in the parameters' order) and its limits.
bool ExportSet(CDatabase& db, long id, const std::vector<long>& sets, long set, Json& out) {
  void* h = db.Handle();
  long prev = 0, next = 0;
  CZLNodeArray nodes;
  const bool ok =
      Link(db, "a set's links", prev,
           [&](long& v) { return ZLGetPrevParamSetByParamID(h, set, v); }) &&
      Link(db, "a set's links", next,
           [&](long& v) { return ZLGetNextParamSetByParamID(h, set, v); }) &&
      ExportStamps(db, id, set, out) &&
      db.Run("reading a set's values", [&] { return ZLGetNodesNCByID(h, id, nodes, set); });
  if (ok) {
    out["prev"] = Position(sets, prev);
    out["next"] = Position(sets, next);
    Json& values = out["values"] = Json::array();
    for (int i = 0; i < nodes.GetSize(); ++i) {
      values.push_back(
          {{"value", Encode(nodes[i]->m_strValue)}, {"extType", nodes[i]->m_dwExtType}});
    }
  }
  ZLFreeObjectArray(nodes);
  return ok && ExportLimits(db, id, set, out);
}

// The sets in ID order, their chain links as positions in that order.
bool ExportSets(CDatabase& db, long id, Json& out) {
  CArray<long, long> all;
  Json& sets = out["parameterSets"] = Json::array();
  if (!db.Run("listing the parameter sets",
              [&] { return ZLGetAllParamSetByID(db.Handle(), id, all); })) {
    return false;
  }
  std::vector<long> ids;
  for (int i = 0; i < all.GetSize(); ++i) ids.push_back(all[i]);
  std::sort(ids.begin(), ids.end());
  for (long set : ids) {
    Json entry = Json::object();
    if (!ExportSet(db, id, ids, set, entry)) return false;
    sets.push_back(std::move(entry));
  }
  return true;
}

bool ExportAdditionalData(CDatabase& db, long id, const Json& columns, Json& out) {
  Json& data = out["additionalData"] = nullptr;
  for (const Json& column : columns) {
    CString stored;  // a name that is not UTF-8 comes as {"bytes": ...}
    Decode(column["name"], "/additionalData", LibraryLanguages(), stored);
    const std::string name = stored.GetString();
    COleVariant value;
    if (ZLGetAdditionalDataByID(db.Handle(), id, name.c_str(), value) == 0) {
      if (ZLGetLastError() == ZLE_NO_RECORD) return true;  // no row: null
      db.ReportFailure("reading additional data '" + name + "'");
      return false;
    }
    data[name] = EncodeAdditionalValue(value, column["type"].get<long>());
  }
  return true;
}

// {"section": {"key": value}}, sections and keys in byte order.
bool ExportProfile(CDatabase& db, long id, Json& out) {
  CStringArray sections, keys, values;
  if (!db.Run("reading the profile strings",
              [&] { return ZLGetProfileStrings(db.Handle(), id, sections, keys, values); })) {
    return false;
  }
  Json& profile = out["profile"] = Json::object();
  for (int i = 0; i < sections.GetSize(); ++i) {
    Json& section = profile[sections[i].GetString()];
    if (section.is_null()) section = Json::object();
    section[keys[i].GetString()] = Encode(values[i]);
  }
  return true;
}

// The simulator languages with a table of one kind, sorted.
bool SimLanguages(CDatabase& db, const char* what, int (*list)(void*, CStringArray&),
                  std::vector<std::string>& names) {
  CStringArray languages;
  if (!db.Run(std::string("listing the ") + what + " tables",
              [&] { return list(db.Handle(), languages); })) {
    return false;
  }
  for (int i = 0; i < languages.GetSize(); ++i) names.push_back(languages[i].GetString());
  std::sort(names.begin(), names.end());
  return true;
}

bool ExportSimTables(CDatabase& db, Json& out) {
  void* h = db.Handle();
  const struct {
    const char* kind;
    int (*list)(void*, CStringArray&);
    int (*exclusive)(void*, const char*, int&);
  } kinds[] = {{"call", ZLGetAvailableCallSimLanguages, ZLIsExclusiveCallTable},
               {"macro", ZLGetAvailableMacroSimLanguages, ZLIsExclusiveMacroTable},
               {"access", ZLGetAvailableAccessSimLanguages, nullptr},
               {"package", ZLGetAvailablePackageSimLanguages, nullptr}};
  out = Json::object();
  for (const auto& kind : kinds) {
    std::vector<std::string> names;
    if (!SimLanguages(db, kind.kind, kind.list, names)) return false;
    Json& tables = out[kind.kind] = Json::array();
    for (const std::string& name : names) {
      int exclusive = 0;
      if (kind.exclusive != nullptr && !db.Run("reading whether " + name + " is exclusive", [&] {
            return kind.exclusive(h, name.c_str(), exclusive);
          })) {
        return false;
      }
      const Json language = Encode(CString(name.c_str()));
      tables.push_back(kind.exclusive == nullptr
                           ? language
                           : Json({{"language", language}, {"exclusive", exclusive != 0}}));
    }
  }
  return true;
}

bool ExportPackage(CDatabase& db, const std::vector<long>& ids, long id, Json& out) {
  void* h = db.Handle();
  CZLPackageMap texts;
  COleVariant bookmark;
  long prev = 0, next = 0;
  bool ok =
      db.Run("finding a package", [&] { return ZLGetPackageBookmarkByID(h, id, bookmark); }) &&
      Link(db, "a package's links", prev,
           [&](long& v) { return ZLGetPackagePrevByID(h, id, v); }) &&
      Link(db, "a package's links", next,
           [&](long& v) { return ZLGetPackageNextByID(h, id, v); }) &&
      Attribute<CString>(db, "a package name", out["name"],
                         [&](CString& v) { return ZLGetPackageNameByBookmark(h, bookmark, v); }) &&
      Attribute<unsigned long>(
          db, "a package state", out["state"],
          [&](unsigned long& v) { return ZLGetPackageStateByBookmark(h, bookmark, v); }) &&
      Attribute<CString>(
          db, "a package creator", out["createdBy"],
          [&](CString& v) { return ZLGetPackageCreatedUserByBookmark(h, bookmark, v); }) &&
      Attribute<COleDateTime>(
          db, "a package creation date", out["createdOn"],
          [&](COleDateTime& v) { return ZLGetPackageCreatedDateByBookmark(h, bookmark, v); }) &&
      Attribute<CString>(
          db, "a package editor", out["modifiedBy"],
          [&](CString& v) { return ZLGetPackageModifiedUserByBookmark(h, bookmark, v); }) &&
      Attribute<COleDateTime>(
          db, "a package modification date", out["modifiedOn"],
          [&](COleDateTime& v) { return ZLGetPackageModifiedDateByBookmark(h, bookmark, v); }) &&
      db.Run("reading a package's texts",
             [&] { return ZLGetPackageByBookmark(h, bookmark, texts, ZL_PACKAGE_ACCESS); });
  if (ok) {
    out["prev"] = Position(ids, prev);
    out["next"] = Position(ids, next);
    std::map<std::string, Json> sorted;
    CString language;
    CZLPackageObject* object = nullptr;
    for (POSITION pos = texts.GetStartPosition(); pos != nullptr;) {
      texts.GetNextAssoc(pos, language, object);
      sorted[language.GetString()] =
          EncodeObject(*object, [](auto& v, auto& o) { VisitPackageText(v, o); });
    }
    Json& languages = out["languages"] = Json::object();
    for (auto& entry : sorted) languages[entry.first] = std::move(entry.second);
  }
  ZLFreePackageMap(texts);
  return ok;
}

// The packages in ID order, their list links as positions in that order.
bool ExportPackages(CDatabase& db, Json& out) {
  void* h = db.Handle();
  out = Json::array();
  CZLBookmarkArray all;
  if (!db.Run("listing the packages", [&] { return ZLGetPackageAllBookmarks(h, all); })) {
    return false;
  }
  std::vector<long> ids;
  bool ok = true;
  for (int i = 0; ok && i < all.GetSize(); ++i) {
    long id = 0;
    ok = db.Run("reading a package ID", [&] { return ZLGetPackageIDByBookmark(h, *all[i], id); });
    ids.push_back(id);
  }
  ZLFreeBookmarkArray(all);
  std::sort(ids.begin(), ids.end());
  for (size_t i = 0; ok && i < ids.size(); ++i) {
    Json package = Json::object();
    ok = ExportPackage(db, ids, ids[i], package);
    out.push_back(std::move(package));
  }
  return ok;
}

}  // namespace

bool ExportHeader(CDatabase& db, Json& header) {
  void* h = db.Handle();
  header["format"] = kLibraryFormat;
  header["version"] = kLibraryFormatVersion;
  Json& database = header["database"] = Json::object();
  CArray<WORD, WORD> languages;
  CZLAdditionalDataInfoArray columns;
  bool ok =
      Attribute<CString>(db, "the user version", database["userVersion"],
                         [&](CString& v) { return ZLGetUserVersion(h, v); }) &&
      Attribute<CString>(db, "the database information", database["info"],
                         [&](CString& v) { return ZLGetDatabaseInfo(h, v); }) &&
      Attribute<unsigned long>(db, "the database state", database["state"],
                               [&](unsigned long& v) { return ZLGetDatabaseState(h, v); }) &&
      db.Run("listing the resource languages",
             [&] { return ZLGetAvailableResourceLanguages(h, languages); }) &&
      db.Run("listing the additional data", [&] { return ZLGetAdditionalDataInfo(h, columns); });
  if (ok) {
    std::set<WORD> sorted;
    for (int i = 0; i < languages.GetSize(); ++i) sorted.insert(languages[i]);
    header["languages"] = sorted;
    header["additionalData"] =
        EncodeArray(columns, [](auto& v, auto& o) { VisitAdditionalDataInfo(v, o); });
  }
  ZLFreeObjectArray(columns);
  return ok && ExportSimTables(db, header["simulatorTables"]) &&
         ExportPackages(db, header["packages"]);
}

bool ListRecords(CDatabase& db, std::vector<long>& ids, std::unordered_map<long, long>& numbers) {
  void* h = db.Handle();
  CZLBookmarkArray all;
  if (!db.Run("listing the records", [&] { return ZLGetAllBookmarks(h, all); })) return false;
  bool ok = true;
  ids.reserve(static_cast<size_t>(all.GetSize()));
  for (int i = 0; ok && i < all.GetSize(); ++i) {
    long id = 0;
    ok = db.Run("reading a record's ID", [&] { return ZLGetIDByBookmark(h, *all[i], id); });
    ids.push_back(id);
  }
  ZLFreeBookmarkArray(all);
  std::sort(ids.begin(), ids.end());
  for (size_t i = 0; i < ids.size(); ++i) numbers[ids[i]] = static_cast<long>(i + 1);
  return ok;
}

bool ExportRecord(CDatabase& db, long id, const std::unordered_map<long, long>& numbers,
                  const Json& columns, Json& record) {
  record = Json::object();
  record["id"] = numbers.at(id);
  return ExportLinks(db, id, numbers, record) && ExportAttributes(db, id, record) &&
         ExportStamps(db, id, 0, record) && ExportContent(db, id, record) &&
         ExportLimits(db, id, 0, record) && ExportSets(db, id, record) &&
         ExportAdditionalData(db, id, columns, record) && ExportProfile(db, id, record);
}

}  // namespace zldb
