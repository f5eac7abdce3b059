// The simulator-language sections of zldb show: the record's macros and
// call lines in every simulator language that has a macro or call table,
// languages in name order, rows in table order.
#include <map>
#include <string>

#include "show.h"

namespace zldb {

bool ShowMacros(const ShowContext& c, Json& record) {
  CZLMacroMap macros;
  if (!c.db.Run("reading the macros",
                [&] { return ZLGetMacrosByID(c.db.Handle(), c.id, macros, ZL_MACRO_ACCESS); })) {
    return false;
  }
  std::map<std::string, CZLMacroArray*> languages;
  CString language;
  CZLMacroArray* array = nullptr;
  for (POSITION pos = macros.GetStartPosition(); pos != nullptr;) {
    macros.GetNextAssoc(pos, language, array);
    languages[language.GetString()] = array;
  }
  Json& out = record["macros"] = Json::array();
  for (const auto& [name, rows] : languages) {
    for (int i = 0; i < rows->GetSize(); ++i) {
      const CZLMacroObject& m = *rows->GetAt(i);
      out.push_back({{"language", name},
                     {"macroId", m.m_lMacroID},
                     {"level", static_cast<unsigned long>(m.m_dwLevel)},
                     {"default", m.m_bDefault != FALSE},
                     {"interface", m.m_dwLevel == 0},
                     {"definitionName", m.m_strDefName.GetString()},
                     {"textLength", m.m_strMacroText.GetLength()}});
    }
  }
  ZLFreeMacroMap(macros);
  return true;
}

bool ShowCalls(const ShowContext& c, Json& record) {
  CZLCallMap calls;
  if (!c.db.Run("reading the call lines",
                [&] { return ZLGetCallsByID(c.db.Handle(), c.id, calls); })) {
    return false;
  }
  std::map<std::string, CZLCallArray*> languages;
  CString language;
  CZLCallArray* array = nullptr;
  for (POSITION pos = calls.GetStartPosition(); pos != nullptr;) {
    calls.GetNextAssoc(pos, language, array);
    languages[language.GetString()] = array;
  }
  Json& out = record["calls"] = Json::array();
  for (const auto& [name, rows] : languages) {
    for (int i = 0; i < rows->GetSize(); ++i) {
      const CZLCallObject& call = *rows->GetAt(i);
      out.push_back({{"language", name},
                     {"key", call.m_strCallKey.GetString()},
                     {"level", static_cast<unsigned long>(call.m_dwLevel)},
                     {"text", call.m_strCallText.GetString()}});
    }
  }
  ZLFreeCallMap(calls);
  return true;
}

}  // namespace zldb
