// The sections of zldb show: the record's own fields, its texts in every
// resource language, its links, its macros and call lines (show_simlang.cpp),
// its pins, parameters, files, keywords and symbols (show_nodes.cpp), its
// parameter sets, tolerances, stresses, additional data and profile strings
// (show_content.cpp) and its path.
#include <string>

#include "show.h"

namespace zldb {
namespace {

template <typename Value>
using ByID = int (*)(void*, long, Value&);

bool ShowFields(const ShowContext& c, Json& record) {
  void* hDB = c.db.Handle();
  const long id = c.id;
  return ReadValue<CString>(c, "the definition name", record["definitionName"],
                            [&](CString& v) { return ZLGetDefNameByID(hDB, id, v); }) &&
         ReadValue<unsigned long>(c, "the type", record["type"],
                                  [&](unsigned long& v) { return ZLGetTypeByID(hDB, id, v); }) &&
         ReadValue<unsigned long>(
             c, "the state", record["state"],
             [&](unsigned long& v) { return ZLGetStateByID(hDB, id, v, 0); }) &&
         ReadValue<unsigned long>(c, "the level", record["level"],
                                  [&](unsigned long& v) { return ZLGetLevelByID(hDB, id, v); }) &&
         ReadValue<CString>(c, "the creator", record["createdBy"],
                            [&](CString& v) { return ZLGetCreatedUserByID(hDB, id, v, 0); }) &&
         ReadValue<COleDateTime>(
             c, "the creation date", record["createdOn"],
             [&](COleDateTime& v) { return ZLGetCreatedDateByID(hDB, id, v, 0); }) &&
         ReadValue<CString>(c, "the editor", record["modifiedBy"],
                            [&](CString& v) { return ZLGetModifiedUserByID(hDB, id, v, 0); }) &&
         ReadValue<COleDateTime>(
             c, "the modification date", record["modifiedOn"],
             [&](COleDateTime& v) { return ZLGetModifiedDateByID(hDB, id, v, 0); }) &&
         ReadValue<CString>(c, "the uses text", record["uses"],
                            [&](CString& v) { return ZLGetUsesByID(hDB, id, v); }) &&
         ReadValue<CString>(c, "the user table name", record["userTable"],
                            [&](CString& v) { return ZLGetUDTNameByID(hDB, id, v); });
}

bool ShowTexts(const ShowContext& c, Json& record) {
  void* hDB = c.db.Handle();
  CArray<WORD, WORD> languages;
  if (!c.db.Run("listing the resource languages",
                [&] { return ZLGetAvailableResourceLanguages(hDB, languages); })) {
    return false;
  }
  Json& titles = record["titles"] = Json::object();
  Json& infos = record["infos"] = Json::object();
  for (int i = 0; i < languages.GetSize(); ++i) {
    const WORD language = languages[i];
    const std::string key = std::to_string(language);
    if (!ReadValue<CString>(
            c, "the title in " + key, titles[key],
            [&](CString& v) { return ZLGetTitleByID(hDB, c.id, language, v, 0); }) ||
        !ReadValue<CString>(c, "the information in " + key, infos[key],
                            [&](CString& v) { return ZLGetInfoByID(hDB, c.id, language, v, 0); })) {
      return false;
    }
  }
  return true;
}

bool ShowLinks(const ShowContext& c, Json& record) {
  const std::pair<const char*, ByID<long>> links[] = {
      {"parent", ZLGetParentByID},
      {"firstChild", ZLGetFirstChildByID},
      {"prev", ZLGetPrevByID},
      {"next", ZLGetNextByID},
  };
  Json& out = record["links"] = Json::object();
  for (const auto& [name, getter] : links) {
    if (!ReadValue<long>(c, std::string("the ") + name + " link", out[name],
                         [&](long& v) { return getter(c.db.Handle(), c.id, v); })) {
      return false;
    }
  }
  return true;
}

bool ShowPath(const ShowContext& c, Json& record) {
  CString path;
  if (!c.db.Run("reading the path",
                [&] { return ZLGetPathByID(c.db.Handle(), c.id, c.language, path); })) {
    return false;
  }
  record["pathLanguage"] = c.language;
  record["path"] = path.GetString();
  return true;
}

}  // namespace

const std::vector<ShowSection>& ShowSections() {
  static const std::vector<ShowSection> sections = {
      ShowFields,    ShowTexts,      ShowLinks,          ShowMacros,   ShowCalls,
      ShowPins,      ShowParameters, ShowFiles,          ShowKeywords, ShowSymbols,
      ShowParamSets, ShowLimits,     ShowAdditionalData, ShowProfile,  ShowPath};
  return sections;
}

}  // namespace zldb
