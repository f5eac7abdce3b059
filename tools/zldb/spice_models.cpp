#include "spice_models.h"

#include <CLI/CLI.hpp>

#include "arguments.h"
#include "model_tree.h"
#include "spice_import.h"
#include "tree_edit.h"

namespace zldb {
namespace {

// The record's macros in the language; false after a printed failure.
bool ReadMacros(CDatabase& db, const std::string& simLanguage, SpiceModel& model) {
  CZLMacroMap macros;
  if (!db.Run("reading the macros of #" + std::to_string(model.id),
              [&] { return ZLGetMacrosByID(db.Handle(), model.id, macros, ZL_MACRO_ACCESS); })) {
    return false;
  }
  CZLMacroArray* array = nullptr;
  bool marked = false;
  if (macros.Lookup(simLanguage.c_str(), array)) {
    for (int i = 0; i < array->GetSize(); ++i) {
      const CZLMacroObject& macro = *array->GetAt(i);
      if (macro.m_bDefault && !marked) {
        marked = true;
        model.defaultMacro = model.macros.size();
      }
      model.macros.push_back(macro.m_strMacroText.GetString());
    }
  }
  ZLFreeMacroMap(macros);
  return true;
}

bool ReadCallLine(CDatabase& db, const std::string& simLanguage, SpiceModel& model) {
  CZLCallMap calls;
  if (!db.Run("reading the call lines of #" + std::to_string(model.id),
              [&] { return ZLGetCallsByID(db.Handle(), model.id, calls); })) {
    return false;
  }
  CZLCallArray* array = nullptr;
  if (calls.Lookup(simLanguage.c_str(), array)) {
    int chosen = array->GetSize() > 0 ? 0 : -1;
    for (int i = array->GetSize() - 1; i >= 0; --i) {
      if (array->GetAt(i)->m_strCallKey.CompareNoCase(kSpiceCallKey) == 0) chosen = i;
    }
    if (chosen >= 0) model.callLine = array->GetAt(chosen)->m_strCallText.GetString();
  }
  ZLFreeCallMap(calls);
  return true;
}

}  // namespace

void AddSpiceSelection(CLI::App& command, SpiceSelection& selection, bool requireSimLanguage) {
  AddFileArgument(command, selection.file);
  command
      .add_option("--simlang", selection.simLanguage,
                  requireSimLanguage ? "the simulator language of the macros"
                                     : "the simulator language of the macros (default Spice)")
      ->required(requireSimLanguage)
      ->type_name("NAME")
      ->check(SimLanguageName());
  command
      .add_option("--folder", selection.folder,
                  "only the models below this folder (titles "
                  "separated by /)")
      ->type_name("PATH");
  AddLanguageOption(command, selection.language);
}

bool CollectSpiceModels(CDatabase& db, const SpiceSelection& selection,
                        std::vector<SpiceModel>& models) {
  if (!db.Open(selection.file, eOpenReadOnly)) return false;
  const std::string& simLanguage = selection.simLanguage;
  int exclusive = 0;
  if (!db.Run("finding the macro table of " + simLanguage, [&] {
        return ZLIsExclusiveMacroTable(db.Handle(), simLanguage.c_str(), exclusive);
      })) {
    return false;
  }
  WORD language = selection.language;
  long folder = 0;
  if (!ResolveLanguage(db, language) ||
      !FindFolder(db, language, selection.folder, false, folder)) {
    return false;
  }
  std::vector<TreeEntry> entries;
  std::vector<std::string> problems;
  if (!db.Run("reading the tree",
              [&] { return CollectTree(db.Handle(), language, folder, -1, entries, problems); })) {
    return false;
  }
  for (const std::string& problem : problems) PrintWarning(db.Path() + ": " + problem);
  for (const TreeEntry& entry : entries) {
    if (entry.folder || entry.missing) continue;
    SpiceModel model;
    model.id = entry.id;
    model.title = entry.title;
    model.defName = entry.defName;
    if (!ReadMacros(db, simLanguage, model)) return false;
    if (model.macros.empty()) continue;
    if (!ReadCallLine(db, simLanguage, model)) return false;
    models.push_back(std::move(model));
  }
  return true;
}

}  // namespace zldb
