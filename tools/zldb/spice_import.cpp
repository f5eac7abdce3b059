#include "spice_import.h"

#include <vector>

#include "model_tree.h"
#include "tree_edit.h"

namespace zldb {
namespace {

// The sizes of the library's text fields that import fills (see
// docs/file-format.md): DEFNAME, a node's NAME, and a node's VALUE, a
// default value and a title text.
constexpr size_t kMaxDefinitionName = 50;
constexpr size_t kMaxNodeName = 30;
constexpr size_t kMaxText = 255;

constexpr unsigned long kModelType = 0;
constexpr DWORD kParameterType = 1;

struct NodeSpec {
  std::string name, value;
};

// Why the definition cannot be stored as it is; empty when it can.
std::string Misfit(const spice::Definition& definition) {
  if (definition.name.size() > kMaxDefinitionName) {
    return "the name is longer than " + std::to_string(kMaxDefinitionName) + " characters";
  }
  for (const std::string& pin : definition.pins) {
    if (pin.size() > kMaxNodeName) return "pin " + pin + " has a name longer than 30 characters";
  }
  for (const spice::Parameter& p : definition.parameters) {
    if (p.name.size() > kMaxNodeName) {
      return "parameter " + p.name + " has a name longer than 30 characters";
    }
    if (p.value.size() > kMaxText) {
      return "the value of parameter " + p.name + " is longer than 255 characters";
    }
  }
  return "";
}

// The title cut to the field's size, never inside a UTF-8 sequence.
std::string FitTitle(const std::string& title) {
  if (title.size() <= kMaxText) return title;
  size_t end = kMaxText;
  while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) --end;
  return title.substr(0, end);
}

// The nodes wanted, each taking over what the record's node of the same
// name holds (ID, texts, units), so that an unchanged node is not
// rewritten and one no longer wanted is deleted.
void BuildNodes(const CZLNodeArray& existing, const std::vector<NodeSpec>& wanted,
                const std::string& simLanguage, bool parameters, CZLNodeArray& nodes) {
  std::vector<bool> used(existing.GetSize(), false);
  for (size_t i = 0; i < wanted.size(); ++i) {
    CZLNodeObject* node = nullptr;
    for (int k = 0; node == nullptr && k < existing.GetSize(); ++k) {
      if (!used[k] && wanted[i].name == existing[k]->m_strName.GetString()) {
        used[k] = true;
        node = new CZLNodeObject(existing[k]);
      }
    }
    if (node == nullptr) {
      node = new CZLNodeObject;
      if (!parameters) node->m_strNature = "electrical";
    }
    nodes.Add(node);
    node->m_strName = wanted[i].name.c_str();
    node->m_lIndex = static_cast<long>(i + 1);
    node->m_mapAccess[simLanguage.c_str()] = wanted[i].name.c_str();
    if (parameters) {
      node->m_strValue = wanted[i].value.c_str();
      node->m_dwType = kParameterType;
      node->m_mapDefValue[simLanguage.c_str()] = wanted[i].value.c_str();
    }
  }
}

bool WriteNodes(CDatabase& db, long id, const SpiceTarget& target,
                const spice::Definition& definition) {
  void* hDB = db.Handle();
  std::vector<NodeSpec> pins, parameters;
  for (const std::string& pin : definition.pins) pins.push_back({pin, ""});
  for (const spice::Parameter& p : definition.parameters) parameters.push_back({p.name, p.value});
  CZLNodeArray oldPins, oldParameters, newPins, newParameters;
  bool ok = db.Run("reading the nodes of " + definition.name, [&] {
    return ZLGetNodesCByID(hDB, id, oldPins) && ZLGetNodesNCByID(hDB, id, oldParameters, 0);
  });
  if (ok) {
    BuildNodes(oldPins, pins, target.simLanguage, false, newPins);
    BuildNodes(oldParameters, parameters, target.simLanguage, true, newParameters);
    ok = db.Run("writing the pins and parameters of " + definition.name, [&] {
      return ZLSetNodesCByID(hDB, id, newPins) && ZLSetNodesNCByID(hDB, id, newParameters, 0);
    });
  }
  ZLFreeObjectArray(oldPins);
  ZLFreeObjectArray(oldParameters);
  ZLFreeObjectArray(newPins);
  ZLFreeObjectArray(newParameters);
  return ok;
}

// The record's macro of the definition's name is rewritten (keeping its
// level, descriptions and flags), or a new default macro is added.
bool WriteMacro(CDatabase& db, long id, const SpiceTarget& target,
                const spice::Definition& definition) {
  void* hDB = db.Handle();
  const char* language = target.simLanguage.c_str();
  CZLMacroObject macro;
  if (!ZLGetMacroByID(hDB, id, language, definition.name.c_str(), macro, ZL_MACRO_ACCESS)) {
    if (ZLGetLastError() != ZLE_NO_SIMLANG_ROW) {
      db.ReportFailure("reading the macro of " + definition.name);
      return false;
    }
    macro.FreeObject();
    macro.m_dwLevel = 1;
    macro.m_bDefault = TRUE;
    macro.m_strDefName = definition.name.c_str();
  }
  if (definition.text != macro.m_strMacroText.GetString()) {
    macro.m_strMacroText = definition.text.c_str();
    macro.m_lbCompiled.Release();  // compiled from the old text
  }
  macro.m_lState |= 0x8000;  // stored compressed
  return db.Run("writing the macro of " + definition.name,
                [&] { return ZLSetMacroByID(hDB, id, language, macro); });
}

bool WriteCall(CDatabase& db, long id, const SpiceTarget& target, const std::string& name,
               const std::string& text) {
  void* hDB = db.Handle();
  const char* language = target.simLanguage.c_str();
  CZLCallObject call;
  if (!ZLGetCallByID(hDB, id, language, kSpiceCallKey, 0, call)) {
    if (ZLGetLastError() != ZLE_NO_SIMLANG_ROW) {
      db.ReportFailure("reading the call line of " + name);
      return false;
    }
    call.FreeObject();
    call.m_strCallKey = kSpiceCallKey;
    call.m_dwLevel = 1;
  }
  call.m_strCallText = text.c_str();
  return db.Run("writing the call line of " + name,
                [&] { return ZLSetCallByID(hDB, id, language, call); });
}

bool CreateModel(CDatabase& db, const SpiceTarget& target, const std::string& name, long& id) {
  void* hDB = db.Handle();
  COleVariant bookmark;
  return db.Run("creating the record of " + name, [&] {
    return ZLCreateNewRecord(hDB, bookmark) && ZLGetIDByBookmark(hDB, bookmark, id) &&
           ZLSetDefNameByID(hDB, id, name.c_str()) && ZLSetTypeByID(hDB, id, kModelType) &&
           ZLSetStateByID(hDB, id, 0, 0) &&
           (target.folder == 0 || ZLSetParentByID(hDB, id, target.folder));
  }) && AppendChild(db, target.folder, id);
}

}  // namespace

bool PrepareSpiceTables(CDatabase& db, SpiceTarget& target) {
  void* hDB = db.Handle();
  if (target.language == 0) {
    CArray<WORD, WORD> languages;
    if (!db.Run("listing the resource languages",
                [&] { return ZLGetAvailableResourceLanguages(hDB, languages); })) {
      return false;
    }
    target.language = languages.GetSize() > 0 ? languages[0] : 1033;
    for (int i = 0; i < languages.GetSize(); ++i) {
      if (languages[i] == 1033) target.language = 1033;
    }
  }
  // Each add fails with its "already there" code when nothing is missing.
  const auto add = [&](const std::string& what, int result, int exists) {
    return result != 0 || ZLGetLastError() == exists || (db.ReportFailure(what), false);
  };
  const char* language = target.simLanguage.c_str();
  return add("adding resource language " + std::to_string(target.language),
             ZLAddResourceTable(hDB, target.language), ZLE_LANGUAGE_EXISTS) &&
         add("adding the macro table of " + target.simLanguage, ZLAddMacroTable(hDB, language, 0),
             ZLE_SIMTABLE_EXISTS) &&
         add("adding the call table of " + target.simLanguage, ZLAddCallTable(hDB, language, 0),
             ZLE_SIMTABLE_EXISTS) &&
         add("adding the access table of " + target.simLanguage, ZLAddAccessTable(hDB, language),
             ZLE_SIMTABLE_EXISTS);
}

bool WriteSpiceDefinition(CDatabase& db, const SpiceTarget& target,
                          const spice::Definition& definition, ImportOutcome& outcome) {
  outcome.line = definition.firstLine;
  outcome.name = definition.name;
  outcome.note = Misfit(definition);
  if (!outcome.note.empty()) {
    outcome.action = "skipped";
    return true;
  }
  std::vector<long> ids;
  if (!FindByDefinitionName(db, definition.name, ids)) return false;
  long id = ids.empty() ? 0 : ids.front();
  if (id == 0 && !CreateModel(db, target, definition.name, id)) return false;
  outcome.action = ids.empty() ? "created" : "updated";
  outcome.id = id;
  const std::string title = FitTitle(definition.title);
  const std::string call = spice::CallLine(definition);
  if (call.empty()) outcome.note = "no call line: model type " + definition.modelType + " unknown";
  return (title.empty() || db.Run("writing the title of " + definition.name,
                                  [&] {
                                    return ZLSetTitleByID(db.Handle(), id, target.language,
                                                          title.c_str(), 0);
                                  })) &&
         WriteNodes(db, id, target, definition) && WriteMacro(db, id, target, definition) &&
         (call.empty() || WriteCall(db, id, target, definition.name, call));
}

}  // namespace zldb
