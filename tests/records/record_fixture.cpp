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

template <class Map>
std::string LanguageTexts(const Map& map) {
  std::map<WORD, std::string> sorted;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    WORD language = 0;
    CString text;
    map.GetNextAssoc(pos, language, text);
    sorted[language] = text.str();
  }
  std::string out;
  for (const auto& entry : sorted) out += std::to_string(entry.first) + "=" + entry.second + ";";
  return out;
}

std::string StringMap(const CMapStringToString& map) {
  std::map<std::string, std::string> sorted;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    CString key, value;
    map.GetNextAssoc(pos, key, value);
    sorted[key.str()] = value.str();
  }
  std::string out;
  for (const auto& entry : sorted) out += entry.first + "=" + entry.second + ";";
  return out;
}

}  // namespace

void Populate(void* hDB, long id, const std::string& tag) {
  ASSERT_EQ(ZLSetDefNameByID(hDB, id, ("DEF" + tag).c_str()), 1);
  ASSERT_EQ(ZLSetCreatedUserByID(hDB, id, ("maker" + tag).c_str(), 0), 1);
  ASSERT_EQ(ZLSetCreatedDateByID(hDB, id, COleDateTime(2024, 2, 3, 4, 5, 6), 0), 1);
  ASSERT_EQ(ZLSetModifiedUserByID(hDB, id, "editor", 0), 1);
  ASSERT_EQ(ZLSetTypeByID(hDB, id, 3), 1);
  ASSERT_EQ(ZLSetLevelByID(hDB, id, 2), 1);
  ASSERT_EQ(ZLSetStateByID(hDB, id, 5, 0), 1);
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
  if (ZLGetTitleByID(hDB, id, texts, 0)) line("titles", LanguageTexts(texts));
  texts.RemoveAll();
  if (ZLGetInfoByID(hDB, id, texts, 0)) line("infos", LanguageTexts(texts));
  texts.RemoveAll();
  if (ZLGetSymbolsByID(hDB, id, texts)) line("symbols", LanguageTexts(texts));

  CZLKeywordMap keywords;
  if (ZLGetKeywordsByID(hDB, id, keywords, 0)) {
    std::map<WORD, std::string> sorted;
    for (POSITION pos = keywords.GetStartPosition(); pos != nullptr;) {
      WORD language = 0;
      CZLKeywordArray* array = nullptr;
      keywords.GetNextAssoc(pos, language, array);
      for (int i = 0; i < array->GetSize(); ++i)
        sorted[language] += Text((*array)[i]->m_strKeyword) + ",";
    }
    for (const auto& entry : sorted) line("keywords " + std::to_string(entry.first), entry.second);
  }
  ZLFreeKeywordMap(keywords);

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
                 std::to_string(n.m_lIndex) + " info " + LanguageTexts(n.m_mapInfo) + " access " +
                 StringMap(n.m_mapAccess) + " wizard " +
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
                 Text(m.m_strDefName) + " " + LanguageTexts(m.m_mapDescription));
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
  return out;
}
