// The node sections of zldb show: pins (conservative nodes) and
// parameters (non-conservative nodes) with their texts, files, keywords and
// symbols.  Resource languages in the file's order, simulator languages in
// name order, rows in table order.
#include <map>
#include <string>

#include "show.h"

namespace zldb {
namespace {

// A language text map as a JSON object keyed by language, in the map's
// order (the library fills it in the file's language order).
Json LanguageTexts(const CMap<WORD, WORD, CString, LPCSTR>& texts) {
  Json out = Json::object();
  WORD language = 0;
  CString text;
  for (POSITION pos = texts.GetStartPosition(); pos != nullptr;) {
    texts.GetNextAssoc(pos, language, text);
    out[std::to_string(language)] = text.GetString();
  }
  return out;
}

// A simulator-language text map as a JSON object, in name order.
Json SimTexts(const CMapStringToString& texts) {
  std::map<std::string, std::string> sorted;
  CString language, text;
  for (POSITION pos = texts.GetStartPosition(); pos != nullptr;) {
    texts.GetNextAssoc(pos, language, text);
    sorted[language.GetString()] = text.GetString();
  }
  Json out = Json::object();
  for (const auto& [key, value] : sorted) out[key] = value;
  return out;
}

// One node: what a reader of the model wants first.  Parameters also have a
// unit (pins have no unit column); a pin shows its value only when it has
// one.
Json NodeJson(const CZLNodeObject& node, bool parameter) {
  Json out = {{"name", node.m_strName.GetString()}};
  if (parameter || !node.m_strValue.IsEmpty()) out["value"] = node.m_strValue.GetString();
  if (parameter) out["unit"] = node.m_strUnit.GetString();
  out["type"] = static_cast<unsigned long>(node.m_dwType);
  out["info"] = LanguageTexts(node.m_mapInfo);
  out["access"] = SimTexts(node.m_mapAccess);
  return out;
}

}  // namespace

bool ShowNodes(const ShowContext& c, Json& record, bool parameters) {
  CZLNodeArray nodes;
  const bool read = c.db.Run(parameters ? "reading the parameters" : "reading the pins", [&] {
    return parameters ? ZLGetNodesNCByID(c.db.Handle(), c.id, nodes, 0)
                      : ZLGetNodesCByID(c.db.Handle(), c.id, nodes);
  });
  if (!read) return false;
  Json& out = record[parameters ? "parameters" : "pins"] = Json::array();
  for (int i = 0; i < nodes.GetSize(); ++i) out.push_back(NodeJson(*nodes[i], parameters));
  ZLFreeObjectArray(nodes);
  return true;
}

bool ShowFiles(const ShowContext& c, Json& record) {
  CZLFileArray files;
  if (!c.db.Run("reading the files", [&] { return ZLGetFilesByID(c.db.Handle(), c.id, files); })) {
    return false;
  }
  Json& out = record["files"] = Json::array();
  for (int i = 0; i < files.GetSize(); ++i) {
    const CZLFileObject& file = *files[i];
    out.push_back({{"name", file.m_strFileName.GetString()},
                   {"type", static_cast<unsigned long>(file.m_dwType)},
                   {"size", static_cast<unsigned long>(file.m_lbData.m_dwDataLength)}});
  }
  ZLFreeObjectArray(files);
  return true;
}

bool ShowKeywords(const ShowContext& c, Json& record) {
  CZLKeywordMap keywords;
  if (!c.db.Run("reading the keywords",
                [&] { return ZLGetKeywordsByID(c.db.Handle(), c.id, keywords, 0); })) {
    return false;
  }
  Json& out = record["keywords"] = Json::object();
  WORD language = 0;
  CZLKeywordArray* words = nullptr;
  for (POSITION pos = keywords.GetStartPosition(); pos != nullptr;) {
    keywords.GetNextAssoc(pos, language, words);
    if (words == nullptr || words->GetSize() == 0) continue;
    Json& list = out[std::to_string(language)] = Json::array();
    for (int i = 0; i < words->GetSize(); ++i) {
      list.push_back(words->GetAt(i)->m_strKeyword.GetString());
    }
  }
  ZLFreeKeywordMap(keywords);
  return true;
}

bool ShowSymbols(const ShowContext& c, Json& record) {
  CMap<WORD, WORD, CString, LPCSTR> symbols;
  if (!c.db.Run("reading the symbols",
                [&] { return ZLGetSymbolsByID(c.db.Handle(), c.id, symbols); })) {
    return false;
  }
  record["symbols"] = LanguageTexts(symbols);
  return true;
}

}  // namespace zldb
