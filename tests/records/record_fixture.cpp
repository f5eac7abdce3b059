#include "records/record_fixture.h"

#include <map>

namespace {

CZLKeywordArray* Keywords(WORD language, std::initializer_list<std::string> words) {
  auto* array = new CZLKeywordArray;
  for (const std::string& w : words) {
    auto* k = new CZLKeywordObject;
    k->m_strKeyword = w.c_str();
    k->m_wLanguage = language;
    array->Add(k);
  }
  return array;
}

std::string Text(const CString& s) { return s.str(); }
std::string Text(WORD language) { return std::to_string(language); }

// A map's entries sorted by key, as "key=value;" (keys: languages or names).
template <class Key, class Map>
std::string Entries(const Map& map) {
  std::map<std::string, std::string> sorted;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    Key key{};
    CString value;
    map.GetNextAssoc(pos, key, value);
    sorted[Text(key)] = value.str();
  }
  std::string out;
  for (const auto& entry : sorted) out += entry.first + "=" + entry.second + ";";
  return out;
}
// Two tolerances on the two non-conservative nodes and one stress.
void PopulateLimits(void* hDB, long id, const std::string& tag) {
  CZLNodeArray nodes;
  ASSERT_EQ(ZLGetNodesNCByID(hDB, id, nodes, 0), 1);
  CZLToleranceArray tolerances;
  for (int i = 0; i < nodes.GetSize(); ++i) {
    auto* t = new CZLToleranceObject;
    t->m_lNodeID = nodes[i]->m_lNodeID;
    t->m_lIndex = i;
    t->m_lState = 1;
    t->m_strMinimum = (tag + "min").c_str();
    t->m_strCharacteristic = "gauss";
    tolerances.Add(t);
  }
  ZLFreeObjectArray(nodes);
  ASSERT_EQ(ZLSetTolerancesByID(hDB, id, tolerances, 0), 1) << ZLGetLastError();
  ZLFreeObjectArray(tolerances);
  CZLStressArray stresses;
  auto* s = new CZLStressObject;
  s->m_lType = 2;
  s->m_lLimit = 40;
  s->m_strReference = (tag + "ref").c_str();
  s->m_strMaximum = "0.5";
  stresses.Add(s);
  ASSERT_EQ(ZLSetStressByID(hDB, id, stresses, 0), 1) << ZLGetLastError();
  ZLFreeObjectArray(stresses);
}

// Three sets created in one order and chained in another; the last in the
// chain keeps the record's limit values.
void PopulateParamSets(void* hDB, long id, const std::string& tag) {
  long created[3] = {0, 0, 0};
  for (long& set : created) ASSERT_EQ(ZLCreateNewParamSet(hDB, id, set), 1);
  const long chain[3] = {created[2], created[0], created[1]};
  for (int i = 0; i < 3; ++i) {
    const long set = chain[i];
    const std::string name = tag + "/set" + std::to_string(i);
    ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, set, i > 0 ? chain[i - 1] : 0), 1);
    ASSERT_EQ(ZLSetNextParamSetByParamID(hDB, set, i < 2 ? chain[i + 1] : 0), 1);
    ASSERT_EQ(ZLSetTitleByID(hDB, id, kEN, name.c_str(), set), 1) << ZLGetLastError();
    ASSERT_EQ(ZLSetInfoByID(hDB, id, kDE, ("info " + name).c_str(), set), 1);
    ASSERT_EQ(ZLSetStateByID(hDB, id, 10 + i, set), 1);
    ASSERT_EQ(ZLSetCreatedUserByID(hDB, id, ("setter" + name).c_str(), set), 1);
    CZLKeywordMap keywords;
    keywords[kEN] = Keywords(kEN, {"set-" + name});
    ASSERT_EQ(ZLSetKeywordsByID(hDB, id, keywords, set), 1) << ZLGetLastError();
    ZLFreeKeywordMap(keywords);
    CZLNodeArray nodes;
    ASSERT_EQ(ZLGetNodesNCByID(hDB, id, nodes, 0), 1);
    for (int j = 0; j < nodes.GetSize(); ++j) {
      nodes[j]->m_strValue = (name + "=" + std::to_string(j)).c_str();
    }
    ASSERT_EQ(ZLSetNodesNCByID(hDB, id, nodes, set), 1) << ZLGetLastError();
    ZLFreeObjectArray(nodes);
    if (i == 2) continue;
    CZLToleranceArray tolerances;
    ASSERT_EQ(ZLGetTolerancesByID(hDB, id, tolerances, 0), 1);
    for (int j = 0; j < tolerances.GetSize(); ++j) {
      tolerances[j]->m_strMaximum = (name + "max").c_str();
      tolerances[j]->m_lState = 20 + i;
    }
    ASSERT_EQ(ZLSetTolerancesByID(hDB, id, tolerances, set), 1) << ZLGetLastError();
    ZLFreeObjectArray(tolerances);
    CZLStressArray stresses;
    ASSERT_EQ(ZLGetStressByID(hDB, id, stresses, 0), 1);
    for (int j = 0; j < stresses.GetSize(); ++j) stresses[j]->m_strMinimum = name.c_str();
    ASSERT_EQ(ZLSetStressByID(hDB, id, stresses, set), 1) << ZLGetLastError();
    ZLFreeObjectArray(stresses);
  }
}

std::string Variant(const COleVariant& value) {
  switch (value.vt) {
    case VT_BSTR:
      return value.GetStringValue();
    case VT_R8:
      return std::to_string(value.dblVal);
    case VT_NULL:
      return "null";
    default:
      return "vt" + std::to_string(value.vt);
  }
}

std::string Limits(void* hDB, long id, long set) {
  std::string out;
  CZLToleranceArray tolerances;
  if (ZLGetTolerancesByID(hDB, id, tolerances, set)) {
    for (int i = 0; i < tolerances.GetSize(); ++i) {
      const CZLToleranceObject& t = *tolerances[i];
      out += "tolerance " + Text(t.m_strNodeName) + " " + std::to_string(t.m_lIndex) + " " +
             std::to_string(t.m_lState) + " " + Text(t.m_strMinimum) + " " + Text(t.m_strMaximum) +
             " " + Text(t.m_strCharacteristic) + "\n";
    }
  }
  ZLFreeObjectArray(tolerances);
  CZLStressArray stresses;
  if (ZLGetStressByID(hDB, id, stresses, set)) {
    for (int i = 0; i < stresses.GetSize(); ++i) {
      const CZLStressObject& s = *stresses[i];
      out += "stress " + std::to_string(s.m_lType) + " " + std::to_string(s.m_lLimit) + " " +
             Text(s.m_strReference) + " " + Text(s.m_strMinimum) + " " + Text(s.m_strMaximum) +
             "\n";
    }
  }
  ZLFreeObjectArray(stresses);
  return out;
}

std::string KeywordLines(void* hDB, long id, long set) {
  std::string out;
  CZLKeywordMap keywords;
  if (ZLGetKeywordsByID(hDB, id, keywords, set)) {
    std::map<WORD, std::string> sorted;
    for (POSITION pos = keywords.GetStartPosition(); pos != nullptr;) {
      WORD language = 0;
      CZLKeywordArray* array = nullptr;
      keywords.GetNextAssoc(pos, language, array);
      for (int i = 0; i < array->GetSize(); ++i)
        sorted[language] += Text((*array)[i]->m_strKeyword) + ",";
    }
    for (const auto& entry : sorted) {
      out += "keywords " + std::to_string(entry.first) + ": " + entry.second + "\n";
    }
  }
  ZLFreeKeywordMap(keywords);
  return out;
}

// The sets in chain order (the walk bounded by the number of sets), then
// how many sets the record has.
std::string ParamSets(void* hDB, long id) {
  std::string out;
  CArray<long, long> all;
  ZLGetAllParamSetByID(hDB, id, all);
  long set = 0;
  ZLGetFirstParamSetByID(hDB, id, set);
  for (int place = 0; set != 0 && place < all.GetSize(); ++place) {
    out += "set " + std::to_string(place) + "\n";
    CMap<WORD, WORD, CString, LPCSTR> texts;
    if (ZLGetTitleByID(hDB, id, texts, set)) out += " titles " + Entries<WORD>(texts) + "\n";
    texts.RemoveAll();
    if (ZLGetInfoByID(hDB, id, texts, set)) out += " infos " + Entries<WORD>(texts) + "\n";
    unsigned long state = 0;
    if (ZLGetStateByID(hDB, id, state, set)) out += " state " + std::to_string(state) + "\n";
    CString user;
    if (ZLGetCreatedUserByID(hDB, id, user, set)) out += " by " + Text(user) + "\n";
    out += KeywordLines(hDB, id, set);
    CZLNodeArray nodes;
    if (ZLGetNodesNCByID(hDB, id, nodes, set)) {
      for (int i = 0; i < nodes.GetSize(); ++i) {
        out += " value " + Text(nodes[i]->m_strName) + " = " + Text(nodes[i]->m_strValue) + "\n";
      }
    }
    ZLFreeObjectArray(nodes);
    out += Limits(hDB, id, set);
    if (!ZLGetNextParamSetByParamID(hDB, set, set)) break;
  }
  return out + "sets " + std::to_string(all.GetSize()) + "\n";
}

}  // namespace

void Populate(void* hDB, long id, const std::string& tag) {
  // Numbers differ between tags too, so that a copy over a populated
  // record shows every column it leaves out.
  const int v = static_cast<unsigned char>(tag.at(0));
  ASSERT_EQ(ZLSetDefNameByID(hDB, id, ("DEF" + tag).c_str()), 1);
  ASSERT_EQ(ZLSetCreatedUserByID(hDB, id, ("maker" + tag).c_str(), 0), 1);
  ASSERT_EQ(ZLSetCreatedDateByID(hDB, id, COleDateTime(2024, 2, 1 + v % 28, 4, 5, 6), 0), 1);
  ASSERT_EQ(ZLSetModifiedUserByID(hDB, id, ("editor" + tag).c_str(), 0), 1);
  ASSERT_EQ(ZLSetTypeByID(hDB, id, 3 + v % 7), 1);
  ASSERT_EQ(ZLSetLevelByID(hDB, id, 2 + v % 5), 1);
  ASSERT_EQ(ZLSetStateByID(hDB, id, v, 0), 1);
  ASSERT_EQ(ZLSetTitleByID(hDB, id, kEN, ("Title " + tag).c_str(), 0), 1);
  ASSERT_EQ(ZLSetTitleByID(hDB, id, kDE, ("Titel " + tag).c_str(), 0), 1);
  ASSERT_EQ(ZLSetInfoByID(hDB, id, kEN, ("Info " + tag).c_str(), 0), 1);

  CZLKeywordMap keywords;
  keywords[kEN] = Keywords(kEN, {"kw-" + tag, "shared"});
  keywords[kDE] = Keywords(kDE, {"sw-" + tag});
  ASSERT_EQ(ZLSetKeywordsByID(hDB, id, keywords, 0), 1) << ZLGetLastError();
  ZLFreeKeywordMap(keywords);

  CZLFileArray files;
  for (int i = 0; i < 2; ++i) {
    auto* file = new CZLFileObject;
    file->m_strFileName = (tag + "-file" + std::to_string(i) + ".wiz").c_str();
    file->m_dwType = 1 + i;
    file->m_dwLanguage = kEN;
    file->m_bAccessSet = i == 1;
    file->m_lAccess = i == 1 ? 7 : 0;
    files.Add(file);
  }
  ASSERT_EQ(ZLSetFilesByID(hDB, id, files), 1) << ZLGetLastError();
  ZLFreeObjectArray(files);
  ASSERT_EQ(ZLGetFilesByID(hDB, id, files), 1);
  const long wizFile = files[1]->m_lFileID;
  ZLFreeObjectArray(files);

  for (bool conservative : {true, false}) {
    CZLNodeArray nodes;
    for (int i = 0; i < 2; ++i) {
      auto* node = new CZLNodeObject;
      node->m_strName = ((conservative ? "p" : "par") + std::to_string(i)).c_str();
      node->m_strValue = (tag + std::to_string(i)).c_str();
      node->m_lIndex = i;
      node->m_mapInfo.SetAt(kEN, ("node info " + tag).c_str());
      node->m_mapAccess.SetAt("SPICE", ("acc" + tag).c_str());
      node->m_bWizFileSet = i == 0;
      node->m_lWizFileID = i == 0 ? wizFile : 0;
      nodes.Add(node);
    }
    const int set =
        conservative ? ZLSetNodesCByID(hDB, id, nodes) : ZLSetNodesNCByID(hDB, id, nodes, 0);
    ASSERT_EQ(set, 1) << ZLGetLastError();
    ZLFreeObjectArray(nodes);
  }

  CZLMacroObject macro;
  macro.m_strMacroText = (".subckt " + tag + " 1 2\n.ends").c_str();
  macro.m_dwLevel = 1;
  macro.m_strDefName = ("DEF" + tag).c_str();
  macro.m_mapDescription.SetAt(kDE, ("Makro " + tag).c_str());
  ASSERT_EQ(ZLSetMacroByID(hDB, id, "SPICE", macro), 1) << ZLGetLastError();
  CZLCallObject call;
  call.m_strCallKey = "netlist";
  call.m_strCallText = ("X1 1 2 " + tag).c_str();
  call.m_dwLevel = 1;
  ASSERT_EQ(ZLSetCallByID(hDB, id, "SPICE", call), 1) << ZLGetLastError();
  ASSERT_EQ(ZLSetSymbolByID(hDB, id, kDE, ("symbol " + tag).c_str()), 1);
  PopulateLimits(hDB, id, tag);
  PopulateParamSets(hDB, id, tag);
  COleVariant cost(2.5 + static_cast<double>(tag.size()));
  ASSERT_EQ(ZLSetAdditionalDataByID(hDB, id, "COST", cost), 1) << ZLGetLastError();
  COleVariant order(("no-" + tag).c_str());
  ASSERT_EQ(ZLSetAdditionalDataByID(hDB, id, "ORDERNO", order), 1) << ZLGetLastError();
  for (const char* section : {"Sect", "Other"}) {
    ASSERT_EQ(ZLSetProfileString(hDB, id, "PROF", section, "key", (tag + section).c_str()), 1)
        << ZLGetLastError();
  }
}

std::string Describe(void* hDB, long id) {
  std::string out;
  auto line = [&](const std::string& what, const std::string& value) {
    out += what + ": " + value + "\n";
  };
  CString s;
  if (ZLGetDefNameByID(hDB, id, s)) line("defname", Text(s));
  if (ZLGetCreatedUserByID(hDB, id, s, 0)) line("created by", Text(s));
  if (ZLGetModifiedUserByID(hDB, id, s, 0)) line("modified by", Text(s));
  COleDateTime date;
  if (ZLGetCreatedDateByID(hDB, id, date, 0)) line("created", date.Format().str());
  unsigned long number = 0;
  if (ZLGetTypeByID(hDB, id, number)) line("type", std::to_string(number));
  if (ZLGetLevelByID(hDB, id, number)) line("level", std::to_string(number));
  if (ZLGetStateByID(hDB, id, number, 0)) line("state", std::to_string(number));
  CMap<WORD, WORD, CString, LPCSTR> texts;
  if (ZLGetTitleByID(hDB, id, texts, 0)) line("titles", Entries<WORD>(texts));
  texts.RemoveAll();
  if (ZLGetInfoByID(hDB, id, texts, 0)) line("infos", Entries<WORD>(texts));
  texts.RemoveAll();
  if (ZLGetSymbolsByID(hDB, id, texts)) line("symbols", Entries<WORD>(texts));

  out += KeywordLines(hDB, id, 0);

  CZLFileArray files;
  std::map<long, std::string> fileNames;
  if (ZLGetFilesByID(hDB, id, files)) {
    for (int i = 0; i < files.GetSize(); ++i) {
      const CZLFileObject& f = *files[i];
      fileNames[f.m_lFileID] = Text(f.m_strFileName);
      line("file", Text(f.m_strFileName) + " type " + std::to_string(f.m_dwType) + " lang " +
                       std::to_string(f.m_dwLanguage) + " access " +
                       (f.m_bAccessSet ? std::to_string(f.m_lAccess) : "-"));
    }
  }
  ZLFreeObjectArray(files);

  for (bool conservative : {true, false}) {
    CZLNodeArray nodes;
    const int read =
        conservative ? ZLGetNodesCByID(hDB, id, nodes) : ZLGetNodesNCByID(hDB, id, nodes, 0);
    if (read) {
      for (int i = 0; i < nodes.GetSize(); ++i) {
        const CZLNodeObject& n = *nodes[i];
        line(conservative ? "node C" : "node NC",
             Text(n.m_strName) + " = " + Text(n.m_strValue) + " index " +
                 std::to_string(n.m_lIndex) + " info " + Entries<WORD>(n.m_mapInfo) + " access " +
                 Entries<CString>(n.m_mapAccess) + " wizard " +
                 (n.m_bWizFileSet ? (fileNames.count(n.m_lWizFileID) != 0
                                         ? fileNames[n.m_lWizFileID]
                                         : "#" + std::to_string(n.m_lWizFileID))
                                  : "-"));
      }
    }
    ZLFreeObjectArray(nodes);
  }

  CZLMacroMap macros;
  if (ZLGetMacrosByID(hDB, id, macros, 0x3B1D2E7)) {
    for (POSITION pos = macros.GetStartPosition(); pos != nullptr;) {
      CString language;
      CZLMacroArray* array = nullptr;
      macros.GetNextAssoc(pos, language, array);
      for (int i = 0; i < array->GetSize(); ++i) {
        const CZLMacroObject& m = *(*array)[i];
        line("macro " + Text(language),
             Text(m.m_strMacroText) + " level " + std::to_string(m.m_dwLevel) + " def " +
                 Text(m.m_strDefName) + " " + Entries<WORD>(m.m_mapDescription));
      }
    }
  }
  ZLFreeMacroMap(macros);
  CZLCallMap calls;
  if (ZLGetCallsByID(hDB, id, calls)) {
    for (POSITION pos = calls.GetStartPosition(); pos != nullptr;) {
      CString language;
      CZLCallArray* array = nullptr;
      calls.GetNextAssoc(pos, language, array);
      for (int i = 0; i < array->GetSize(); ++i) {
        line("call " + Text(language),
             Text((*array)[i]->m_strCallKey) + " " + Text((*array)[i]->m_strCallText));
      }
    }
  }
  ZLFreeCallMap(calls);
  out += Limits(hDB, id, 0) + ParamSets(hDB, id);
  for (const char* column : {"COST", "ORDERNO"}) {
    COleVariant value;
    if (ZLGetAdditionalDataByID(hDB, id, column, value)) line(column, Variant(value));
  }
  for (const char* section : {"Sect", "Other"}) {
    CString value;
    if (ZLGetProfileString(hDB, id, "", section, "key", value)) line(section, Text(value));
  }
  return out;
}
