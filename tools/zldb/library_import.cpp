#include "library_import.h"

#include <functional>

namespace zldb {
namespace {

// Runs a clean-up when the scope ends, also when a fault is thrown.
class CScopeExit {
 public:
  explicit CScopeExit(std::function<void()> action) : m_action(std::move(action)) {}
  ~CScopeExit() { m_action(); }
  CScopeExit(const CScopeExit&) = delete;
  CScopeExit& operator=(const CScopeExit&) = delete;

 private:
  std::function<void()> m_action;
};

// Records written between two commits.
constexpr long kRecordsPerTransaction = 200;

std::string At(const std::string& path, const char* key) { return path + "/" + PointerStep(key); }
std::string At(const std::string& path, size_t index) { return path + "/" + std::to_string(index); }

template <typename Object, typename Array, typename Visit>
void DecodeArray(const Json& in, const std::string& path, const LibraryLanguages& known,
                 Array& array, Visit visit) {
  if (!in.is_array()) throw CJsonFault(path, "must be an array");
  for (size_t i = 0; i < in.size(); ++i) {
    auto* object = new Object;
    array.Add(object);
    DecodeObject(in[i], At(path, i), known, *object, visit);
  }
}

// Objects keyed by simulator language (macros, calls): each language must
// have its table of that kind.
template <typename Object, typename Array, typename Map, typename Visit>
void DecodeByLanguage(const Json& in, const char* key, const std::string& path,
                      const std::set<std::string>& tables, const LibraryLanguages& known, Map& map,
                      Visit visit) {
  const Json& languages = ObjectMember(in, key, path);
  for (auto it = languages.begin(); it != languages.end(); ++it) {
    const std::string at = At(At(path, key), it.key().c_str());
    if (tables.count(it.key()) == 0) {
      throw CJsonFault(at, std::string("names a simulator language without ") + key + " table");
    }
    auto* objects = new Array;
    map[it.key().c_str()] = objects;
    DecodeArray<Object>(it.value(), at, known, *objects, visit);
  }
}

// A value that may be null (then absent is true and nothing is decoded).
template <typename Value>
bool Optional(const Json& object, const char* key, const std::string& path,
              const LibraryLanguages& known, Value& value) {
  const Json& member = Member(object, key, path);
  if (member.is_null()) return false;
  Decode(member, At(path, key), known, value);
  return true;
}

// The ID of the item at position (1, 2, ...) of a list; a position
// outside it is a fault.
long Linked(const std::vector<long>& ids, long position, const std::string& path) {
  if (position < 1 || static_cast<size_t>(position) > ids.size()) {
    throw CJsonFault(path,
                     "must be a position from 1 to " + std::to_string(ids.size()) + " or null");
  }
  return ids[static_cast<size_t>(position - 1)];
}

// The header sections a record needs before it can be written.
const char* const kRecordNeeds[] = {"languages", "simulatorTables", "additionalData"};
const char* const kSections[] = {"format",         "version",         "database", "languages",
                                 "additionalData", "simulatorTables", "packages", "records"};

}  // namespace

void CLibraryBuilder::Section(const std::string& key, const Json& value) {
  const std::string path = "/" + key;
  bool known = false;
  for (const char* section : kSections) known = known || key == section;
  if (!known) throw CJsonFault(path, "is not a section of a zldb export");
  if (m_seen.count(key) != 0) throw CJsonFault(path, "appears twice");
  m_seen[key] = true;
  Header(key, value, path);
}

void CLibraryBuilder::Header(const std::string& key, const Json& value, const std::string& path) {
  void* h = m_db.Handle();
  if (key == "format") {
    if (value != kLibraryFormat) {
      throw CJsonFault(path, std::string("must be \"") + kLibraryFormat + "\" (a zldb export)");
    }
  } else if (key == "version") {
    if (value != kLibraryFormatVersion) {
      throw CJsonFault(path, "must be " + std::to_string(kLibraryFormatVersion) +
                                 ", the version this zldb reads");
    }
  } else if (key == "database") {
    CString text;
    unsigned long state = 0;
    if (Optional(value, "userVersion", path, m_known, text)) {
      Call("writing the user version", [&] { return ZLSetUserVersion(h, text); });
    }
    if (Optional(value, "info", path, m_known, text)) {
      Call("writing the database information", [&] { return ZLSetDatabaseInfo(h, text); });
    }
    if (Optional(value, "state", path, m_known, state)) {
      Call("writing the database state", [&] { return ZLSetDatabaseState(h, state); });
    }
  } else if (key == "languages") {
    if (!value.is_array()) throw CJsonFault(path, "must be an array");
    for (size_t i = 0; i < value.size(); ++i) {
      WORD language = 0;
      Decode(value[i], At(path, i), m_known, language);
      if (language == 0 || !m_known.resource.insert(language).second) {
        throw CJsonFault(At(path, i), "repeats language " + std::to_string(language) + " or is 0");
      }
      Call("adding language " + std::to_string(language),
           [&] { return ZLAddResourceTable(h, language); });
    }
  } else if (key == "additionalData") {
    CZLAdditionalDataInfoArray columns;
    CScopeExit free([&] { ZLFreeObjectArray(columns); });
    DecodeArray<CZLAdditionalDataInfoObject>(
        value, path, m_known, columns, [](auto& v, auto& o) { VisitAdditionalDataInfo(v, o); });
    for (int i = 0; i < columns.GetSize(); ++i) {
      const std::string name = columns[i]->m_strDataName.GetString();
      if (!m_columns.emplace(name, columns[i]->m_lType).second) {
        throw CJsonFault(At(At(path, static_cast<size_t>(i)), "name"),
                         "repeats the column '" + name + "'");
      }
      Call("adding the additional-data column '" + name + "'",
           [&] { return ZLCreateAdditionalDataInfo(h, *columns[i]); });
    }
  } else if (key == "simulatorTables") {
    SimulatorTables(value, path);
  } else if (key == "packages") {
    if (!value.is_array()) throw CJsonFault(path, "must be an array");
    std::vector<long> ids(value.size(), 0);
    for (size_t i = 0; i < value.size(); ++i) Package(value[i], At(path, i), ids[i]);
    // The list, once every package exists.
    for (size_t i = 0; i < value.size(); ++i) {
      const std::string at = At(path, i);
      long prev = 0, next = 0;
      if (Optional(value[i], "prev", at, m_known, prev)) prev = Linked(ids, prev, At(at, "prev"));
      if (Optional(value[i], "next", at, m_known, next)) next = Linked(ids, next, At(at, "next"));
      if (prev == 0 && next == 0) continue;
      Call("linking a package", [&] {
        return ZLSetPackagePrevByID(h, ids[i], prev) && ZLSetPackageNextByID(h, ids[i], next);
      });
    }
  } else if (key == "records" && !value.is_array()) {
    throw CJsonFault(path, "must be an array");
  }
}

void CLibraryBuilder::SimulatorTables(const Json& value, const std::string& path) {
  void* h = m_db.Handle();
  const struct {
    const char* kind;
    int (*add)(void*, const char*, int);  // call and macro tables
    int (*addPlain)(void*, const char*);  // access and package tables
    std::set<std::string>* names;
  } kinds[] = {{"call", ZLAddCallTable, nullptr, &m_callTables},
               {"macro", ZLAddMacroTable, nullptr, &m_macroTables},
               {"access", nullptr, ZLAddAccessTable, nullptr},
               {"package", nullptr, ZLAddPackageTable, &m_packageTables}};
  for (const auto& kind : kinds) {
    const Json& tables = ArrayMember(value, kind.kind, path);
    for (size_t i = 0; i < tables.size(); ++i) {
      const std::string at = At(At(path, kind.kind), i);
      CString language;
      BOOL exclusive = FALSE;
      if (kind.add != nullptr) {
        DecodeObject(tables[i], at, m_known, language, [&](auto& v, CString& name) {
          v("language", name);
          v("exclusive", exclusive);
        });
      } else {
        Decode(tables[i], at, m_known, language);
      }
      const std::string name = language.GetString();
      if (kind.names != nullptr) kind.names->insert(name);
      m_known.simulator.insert(name);
      Call(std::string("adding the ") + kind.kind + " table of " + name, [&] {
        return kind.add != nullptr ? kind.add(h, name.c_str(), exclusive)
                                   : kind.addPlain(h, name.c_str());
      });
    }
  }
}

void CLibraryBuilder::Package(const Json& package, const std::string& path, long& id) {
  void* h = m_db.Handle();
  COleVariant bookmark;
  CString name, user;
  COleDateTime date;
  unsigned long state = 0;
  Decode(Member(package, "name", path), At(path, "name"), m_known, name);
  Call("adding package " + std::string(name.GetString()), [&] {
    return ZLCreatePackageNewRecord(h, bookmark) && ZLGetPackageIDByBookmark(h, bookmark, id) &&
           ZLSetPackageNameByBookmark(h, bookmark, name);
  });
  if (Optional(package, "state", path, m_known, state)) {
    Call("writing a package state",
         [&] { return ZLSetPackageStateByBookmark(h, bookmark, state); });
  }
  if (Optional(package, "createdBy", path, m_known, user)) {
    Call("writing a package creator",
         [&] { return ZLSetPackageCreatedUserByBookmark(h, bookmark, user); });
  }
  if (Optional(package, "createdOn", path, m_known, date)) {
    Call("writing a package creation date",
         [&] { return ZLSetPackageCreatedDateByBookmark(h, bookmark, date); });
  }
  if (Optional(package, "modifiedBy", path, m_known, user)) {
    Call("writing a package editor",
         [&] { return ZLSetPackageModifiedUserByBookmark(h, bookmark, user); });
  }
  if (Optional(package, "modifiedOn", path, m_known, date)) {
    Call("writing a package modification date",
         [&] { return ZLSetPackageModifiedDateByBookmark(h, bookmark, date); });
  }
  const Json& languages = ObjectMember(package, "languages", path);
  for (auto it = languages.begin(); it != languages.end(); ++it) {
    const std::string at = At(At(path, "languages"), it.key().c_str());
    if (m_packageTables.count(it.key()) == 0) {
      throw CJsonFault(at, "names a simulator language without package table");
    }
    CZLPackageObject text;
    DecodeObject(it.value(), at, m_known, text, [](auto& v, auto& o) { VisitPackageText(v, o); });
    Call("writing the " + it.key() + " text of a package",
         [&] { return ZLSetPackageByBookmark(h, bookmark, it.key().c_str(), text); });
  }
  ++m_packages;
}

void CLibraryBuilder::Stamps(long id, long set, const Json& in, const std::string& path) {
  void* h = m_db.Handle();
  unsigned long state = 0;
  CString user;
  COleDateTime date;
  if (Optional(in, "state", path, m_known, state)) {
    Call("writing the state", [&] { return ZLSetStateByID(h, id, state, set); });
  }
  if (Optional(in, "createdBy", path, m_known, user)) {
    Call("writing the creator", [&] { return ZLSetCreatedUserByID(h, id, user, set); });
  }
  if (Optional(in, "createdOn", path, m_known, date)) {
    Call("writing the creation date", [&] { return ZLSetCreatedDateByID(h, id, date, set); });
  }
  if (Optional(in, "modifiedBy", path, m_known, user)) {
    Call("writing the editor", [&] { return ZLSetModifiedUserByID(h, id, user, set); });
  }
  if (Optional(in, "modifiedOn", path, m_known, date)) {
    Call("writing the modification date", [&] { return ZLSetModifiedDateByID(h, id, date, set); });
  }
  LanguageTexts titles, infos;
  Decode(Member(in, "titles", path), At(path, "titles"), m_known, titles);
  Decode(Member(in, "infos", path), At(path, "infos"), m_known, infos);
  if (titles.GetCount() > 0) {
    Call("writing the titles", [&] { return ZLSetTitleByID(h, id, titles, set); });
  }
  if (infos.GetCount() > 0) {
    Call("writing the information texts", [&] { return ZLSetInfoByID(h, id, infos, set); });
  }
  const Json& keywords = ObjectMember(in, "keywords", path);
  CZLKeywordMap map;
  CScopeExit free([&] { ZLFreeKeywordMap(map); });
  for (auto it = keywords.begin(); it != keywords.end(); ++it) {
    const std::string at = At(At(path, "keywords"), it.key().c_str());
    const WORD language = DecodeLanguage(it.key(), at, m_known);
    if (!it.value().is_array()) throw CJsonFault(at, "must be an array");
    auto* array = new CZLKeywordArray;
    map[language] = array;
    for (size_t i = 0; i < it.value().size(); ++i) {
      auto* keyword = new CZLKeywordObject;
      array->Add(keyword);
      keyword->m_wLanguage = language;
      Decode(it.value()[i], At(at, i), m_known, keyword->m_strKeyword);
    }
  }
  if (map.GetCount() > 0) {
    Call("writing the keywords", [&] { return ZLSetKeywordsByID(h, id, map, set); });
  }
}

void CLibraryBuilder::Nodes(long id, const Json& in, const char* key, const std::string& path,
                            CZLNodeArray& nodes) {
  const Json& list = Member(in, key, path);
  const std::string at = At(path, key);
  DecodeArray<CZLNodeObject>(list, at, m_known, nodes, kVisitNode);
  for (size_t i = 0; i < list.size(); ++i) {
    CZLNodeObject& node = *nodes[static_cast<int>(i)];
    const Json& file = Member(list[i], "wizardFile", At(at, i));
    const std::string fileAt = At(At(at, i), "wizardFile");
    node.m_bWizFileSet = !file.is_null();
    node.m_lWizFileID = 0;
    if (file.is_object()) {
      // A stored ID that names none of the record's files, kept as it was.
      DecodeObject(file, fileAt, m_known, node.m_lWizFileID, [](auto& v, long& n) { v("id", n); });
      if (file.size() != 1) throw CJsonFault(fileAt, "must hold \"id\" only");
    } else if (!file.is_null()) {
      long position = 0;
      const auto fault = [&] {
        return CJsonFault(fileAt, "must be a position from 1 to " + std::to_string(m_fileCount) +
                                      " among the record's files, {\"id\": n} or null");
      };
      if (!file.is_number_integer()) throw fault();
      Decode(file, fileAt, m_known, position);
      if (position < 1 || static_cast<size_t>(position) > m_fileCount) throw fault();
      node.m_lWizFileID = FileIDs(id)[static_cast<size_t>(position - 1)];
    }
  }
}

const std::vector<long>& CLibraryBuilder::FileIDs(long id) {
  if (m_fileIDs.size() == m_fileCount) return m_fileIDs;
  // The IDs the record's files received, read back once per record.
  CZLFileArray files;
  CScopeExit free([&] { ZLFreeObjectArray(files); });
  Call("reading back the files", [&] { return ZLGetFilesByID(m_db.Handle(), id, files); });
  m_fileIDs.clear();
  for (int i = 0; i < files.GetSize(); ++i) m_fileIDs.push_back(files[i]->m_lFileID);
  if (m_fileIDs.size() != m_fileCount) {
    PrintError("the record's files read back are not the ones written");
    throw CLibraryFailed();
  }
  return m_fileIDs;
}

void CLibraryBuilder::Profile(long id, const Json& in, const std::string& path) {
  const Json& profile = ObjectMember(in, "profile", path);
  if (profile.empty()) return;
  CString catalog;
  if (!Optional(in, "udtName", path, m_known, catalog)) {
    throw CJsonFault(At(path, "profile"), "needs the record's udtName, which names its tables");
  }
  for (auto section = profile.begin(); section != profile.end(); ++section) {
    const std::string at = At(At(path, "profile"), section.key().c_str());
    if (!section.value().is_object()) throw CJsonFault(at, "must be an object keyed by key");
    for (auto key = section.value().begin(); key != section.value().end(); ++key) {
      CString value;
      Decode(key.value(), At(at, key.key().c_str()), m_known, value);
      Call("writing the profile string " + section.key() + "/" + key.key(), [&] {
        return ZLSetProfileString(m_db.Handle(), id, catalog, section.key().c_str(),
                                  key.key().c_str(), value);
      });
    }
  }
}

void CLibraryBuilder::Content(long id, const Json& in, const std::string& path) {
  void* h = m_db.Handle();
  LanguageTexts symbols;
  Decode(Member(in, "symbols", path), At(path, "symbols"), m_known, symbols);
  WORD language = 0;
  CString symbol;
  for (POSITION pos = symbols.GetStartPosition(); pos != nullptr;) {
    symbols.GetNextAssoc(pos, language, symbol);
    Call("writing a symbol", [&] { return ZLSetSymbolByID(h, id, language, symbol); });
  }
  CZLNodeArray pins;
  CZLFileArray files;
  CZLMacroMap macros;
  CZLCallMap calls;
  CScopeExit free([&] {
    ZLFreeObjectArray(pins);
    ZLFreeObjectArray(files);
    ZLFreeMacroMap(macros);
    ZLFreeCallMap(calls);
  });
  // The files first: nodes name their wizard files by the files' new IDs.
  DecodeArray<CZLFileObject>(Member(in, "files", path), At(path, "files"), m_known, files,
                             kVisitFile);
  if (files.GetSize() > 0) Call("writing the files", [&] { return ZLSetFilesByID(h, id, files); });
  m_fileIDs.clear();
  m_fileCount = static_cast<size_t>(files.GetSize());
  Nodes(id, in, "pins", path, pins);
  if (pins.GetSize() > 0) Call("writing the pins", [&] { return ZLSetNodesCByID(h, id, pins); });
  DecodeByLanguage<CZLMacroObject, CZLMacroArray>(in, "macros", path, m_macroTables, m_known,
                                                  macros, kVisitMacro);
  DecodeByLanguage<CZLCallObject, CZLCallArray>(in, "calls", path, m_callTables, m_known, calls,
                                                kVisitCall);
  if (macros.GetCount() > 0) {
    Call("writing the macros", [&] { return ZLSetMacrosByID(h, id, macros); });
  }
  if (calls.GetCount() > 0) {
    Call("writing the call lines", [&] { return ZLSetCallsByID(h, id, calls); });
  }
}

void CLibraryBuilder::Limits(long id, const Json& in, const std::string& path,
                             CZLNodeArray& parameters, CZLToleranceArray& tolerances,
                             CZLStressArray& stresses) {
  void* h = m_db.Handle();
  Nodes(id, in, "parameters", path, parameters);
  if (parameters.GetSize() > 0) {
    Call("writing the parameters", [&] { return ZLSetNodesNCByID(h, id, parameters, 0); });
  }
  DecodeArray<CZLToleranceObject>(Member(in, "tolerances", path), At(path, "tolerances"), m_known,
                                  tolerances, kVisitTolerance);
  for (int i = 0; i < tolerances.GetSize(); ++i) {
    CZLToleranceObject& tolerance = *tolerances[i];
    tolerance.m_lNodeID = 0;
    for (int k = 0; k < parameters.GetSize() && !tolerance.m_strNodeName.IsEmpty(); ++k) {
      if (parameters[k]->m_strName == tolerance.m_strNodeName) {
        tolerance.m_lNodeID = parameters[k]->m_lNodeID;
        break;
      }
    }
    if (tolerance.m_lNodeID == 0 && !tolerance.m_strNodeName.IsEmpty()) {
      throw CJsonFault(At(At(At(path, "tolerances"), static_cast<size_t>(i)), "node"),
                       "names no parameter of the record");
    }
  }
  DecodeArray<CZLStressObject>(Member(in, "stresses", path), At(path, "stresses"), m_known,
                               stresses, kVisitStress);
  if (tolerances.GetSize() > 0) {
    Call("writing the tolerances", [&] { return ZLSetTolerancesByID(h, id, tolerances, 0); });
  }
  if (stresses.GetSize() > 0) {
    Call("writing the stresses", [&] { return ZLSetStressByID(h, id, stresses, 0); });
  }
}

void CLibraryBuilder::Sets(long id, const Json& in, const std::string& path,
                           CZLNodeArray& parameters, CZLToleranceArray& tolerances,
                           CZLStressArray& stresses) {
  void* h = m_db.Handle();
  const Json& sets = ArrayMember(in, "parameterSets", path);
  std::vector<long> setIDs;
  for (size_t i = 0; i < sets.size(); ++i) {
    const std::string at = At(At(path, "parameterSets"), i);
    const Json& set = sets[i];
    // The set's values for the record's parameters, tolerances and
    // stresses, one for each, in their order.
    const auto sameCount = [&](const char* key, int count) -> const Json& {
      const Json& values = ArrayMember(set, key, at);
      if (values.size() != static_cast<size_t>(count)) {
        throw CJsonFault(At(at, key), "has " + std::to_string(values.size()) +
                                          " entries for the record's " + std::to_string(count));
      }
      return values;
    };
    const Json& values = sameCount("values", parameters.GetSize());
    for (int k = 0; k < parameters.GetSize(); ++k) {
      const std::string valueAt = At(At(at, "values"), static_cast<size_t>(k));
      DecodeObject(values[static_cast<size_t>(k)], valueAt, m_known, *parameters[k],
                   [](auto& v, auto& o) {
                     v("value", o.m_strValue);
                     v("extType", o.m_dwExtType);
                   });
    }
    const Json& setTolerances = sameCount("tolerances", tolerances.GetSize());
    for (int k = 0; k < tolerances.GetSize(); ++k) {
      DecodeObject(setTolerances[static_cast<size_t>(k)],
                   At(At(at, "tolerances"), static_cast<size_t>(k)), m_known, *tolerances[k],
                   kVisitToleranceValues);
    }
    const Json& setStresses = sameCount("stresses", stresses.GetSize());
    for (int k = 0; k < stresses.GetSize(); ++k) {
      DecodeObject(setStresses[static_cast<size_t>(k)],
                   At(At(at, "stresses"), static_cast<size_t>(k)), m_known, *stresses[k],
                   kVisitStressValues);
    }
    long setID = 0;
    Call("adding a parameter set", [&] { return ZLCreateNewParamSet(h, id, setID); });
    if (parameters.GetSize() > 0) {
      Call("writing a set's values", [&] { return ZLSetNodesNCByID(h, id, parameters, setID); });
    }
    if (tolerances.GetSize() > 0) {
      Call("writing a set's tolerances",
           [&] { return ZLSetTolerancesByID(h, id, tolerances, setID); });
    }
    if (stresses.GetSize() > 0) {
      Call("writing a set's stresses", [&] { return ZLSetStressByID(h, id, stresses, setID); });
    }
    Stamps(id, setID, set, at);
    setIDs.push_back(setID);
  }
  // The chain, once every set exists.
  for (size_t i = 0; i < sets.size(); ++i) {
    const std::string at = At(At(path, "parameterSets"), i);
    long prev = 0, next = 0;
    if (Optional(sets[i], "prev", at, m_known, prev)) prev = Linked(setIDs, prev, At(at, "prev"));
    if (Optional(sets[i], "next", at, m_known, next)) next = Linked(setIDs, next, At(at, "next"));
    if (prev == 0 && next == 0) continue;
    Call("linking a parameter set", [&] {
      return ZLSetPrevParamSetByParamID(h, setIDs[i], prev) &&
             ZLSetNextParamSetByParamID(h, setIDs[i], next);
    });
  }
}

void CLibraryBuilder::AdditionalData(long id, const Json& in, const std::string& path) {
  const Json& data = Member(in, "additionalData", path);
  const std::string at = At(path, "additionalData");
  if (data.is_null()) return;
  if (!data.is_object()) throw CJsonFault(at, "must be an object or null");
  for (auto it = data.begin(); it != data.end(); ++it) {
    const std::string valueAt = At(at, it.key().c_str());
    const auto column = m_columns.find(it.key());
    if (column == m_columns.end()) throw CJsonFault(valueAt, "names no additional-data column");
    if (column->second == 10) continue;  // a counter numbers itself
    COleVariant value = DecodeAdditionalValue(it.value(), valueAt, column->second);
    Call("writing additional data '" + it.key() + "'",
         [&] { return ZLSetAdditionalDataByID(m_db.Handle(), id, it.key().c_str(), value); });
  }
}

void CLibraryBuilder::Record(const Json& record, const std::string& path) {
  void* h = m_db.Handle();
  for (const char* section : kRecordNeeds) {
    if (m_seen.count(section) == 0) {
      throw CJsonFault(
          path, std::string("comes before the section \"") + section + "\" that records need");
    }
  }
  if (!record.is_object()) throw CJsonFault(path, "must be an object");
  long number = 0;
  Decode(Member(record, "id", path), At(path, "id"), m_known, number);
  if (number < 1) throw CJsonFault(At(path, "id"), "must be 1 or more");
  if (!m_numbers.emplace(number, m_links.size()).second) {
    throw CJsonFault(At(path, "id"), "repeats the ID " + std::to_string(number) + " of " +
                                         At("/records", m_numbers[number]));
  }
  Links links{0, 0, 0, 0, 0};
  const struct {
    const char* key;
    long* target;
  } linkMembers[] = {{"parent", &links.parent},
                     {"firstChild", &links.firstChild},
                     {"prev", &links.prev},
                     {"next", &links.next}};
  for (const auto& link : linkMembers) {
    if (Optional(record, link.key, path, m_known, *link.target) && *link.target < 1) {
      throw CJsonFault(At(path, link.key), "must be a record ID or null");
    }
  }
  if (!m_inTransaction) {
    Call("beginning a transaction", [&] { return ZLBeginTransaction(h); });
    m_inTransaction = true;
  }
  COleVariant bookmark;
  long id = 0;
  Call("creating a record",
       [&] { return ZLCreateNewRecord(h, bookmark) && ZLGetIDByBookmark(h, bookmark, id); });
  links.id = id;
  CString text;
  unsigned long number32 = 0;
  long wizType = 0;
  CLongBinary block;
  if (Optional(record, "defName", path, m_known, text)) {
    Call("writing the definition name", [&] { return ZLSetDefNameByID(h, id, text); });
  }
  if (Optional(record, "type", path, m_known, number32)) {
    Call("writing the type", [&] { return ZLSetTypeByID(h, id, number32); });
  }
  if (Optional(record, "level", path, m_known, number32)) {
    Call("writing the level", [&] { return ZLSetLevelByID(h, id, number32); });
  }
  if (Optional(record, "uses", path, m_known, text)) {
    Call("writing the uses", [&] { return ZLSetUsesByID(h, id, text); });
  }
  if (Optional(record, "udtName", path, m_known, text)) {
    Call("writing the user table name", [&] { return ZLSetUDTNameByID(h, id, text); });
  }
  if (Optional(record, "wizType", path, m_known, wizType)) {
    Call("writing the wizard type", [&] { return ZLSetWizTypeByID(h, id, wizType); });
  }
  if (Optional(record, "sheet", path, m_known, block)) {
    Call("writing the sheet", [&] { return ZLSetSheetByID(h, id, block); });
  }
  if (Optional(record, "wizardData", path, m_known, block)) {
    Call("writing the wizard data", [&] { return ZLSetWizardDataByID(h, id, block); });
  }
  Content(id, record, path);
  CZLNodeArray parameters;
  CZLToleranceArray tolerances;
  CZLStressArray stresses;
  CScopeExit free([&] {
    ZLFreeObjectArray(parameters);
    ZLFreeObjectArray(tolerances);
    ZLFreeObjectArray(stresses);
  });
  // Before the sets: a set's keyword list holds the record's own keywords,
  // which are stored for the set only when the record lacks them.
  Stamps(id, 0, record, path);
  Limits(id, record, path, parameters, tolerances, stresses);
  Sets(id, record, path, parameters, tolerances, stresses);
  AdditionalData(id, record, path);
  Profile(id, record, path);
  m_links.push_back(links);
  if (static_cast<long>(m_links.size()) % kRecordsPerTransaction == 0) {
    Call("committing a transaction", [&] { return ZLCommitTransaction(h); });
    m_inTransaction = false;
  }
}

void CLibraryBuilder::Finish() {
  void* h = m_db.Handle();
  for (const char* section : kSections) {
    if (m_seen.count(section) == 0) throw CJsonFault(std::string("/") + section, "is missing");
  }
  if (!m_inTransaction) {
    Call("beginning a transaction", [&] { return ZLBeginTransaction(h); });
    m_inTransaction = true;
  }
  // Links name records by their number in the document.
  const struct {
    const char* key;
    long Links::*target;
    int (*write)(void*, long, long);
  } kinds[] = {{"parent", &Links::parent, ZLSetParentByID},
               {"firstChild", &Links::firstChild, ZLSetFirstChildByID},
               {"prev", &Links::prev, ZLSetPrevByID},
               {"next", &Links::next, ZLSetNextByID}};
  for (size_t i = 0; i < m_links.size(); ++i) {
    for (const auto& kind : kinds) {
      const long number = m_links[i].*kind.target;
      if (number == 0) continue;
      const auto target = m_numbers.find(number);
      if (target == m_numbers.end()) {
        throw CJsonFault(At(At("/records", i), kind.key),
                         "names record " + std::to_string(number) + ", which is not there");
      }
      const long id = m_links[i].id, to = m_links[target->second].id;
      Call(std::string("writing the link ") + kind.key, [&] { return kind.write(h, id, to); });
    }
  }
  Call("committing the import", [&] { return ZLCommitTransaction(h); });
  m_inTransaction = false;
}

}  // namespace zldb
