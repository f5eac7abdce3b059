// The simulator-language part of zldb demo: every model gets a macro and a
// call line in two simulator languages, and the library two VHDL packages
// linked into a list.
#include "demo_simlang.h"

#include <string>

namespace zldb {
namespace {

const char* const kSimLanguages[] = {"Spice", "VHDLA"};

std::string MacroText(const std::string& defName, const char* language) {
  if (std::string(language) == "VHDLA") {
    return "entity " + defName + " is\n  port (terminal p, n : electrical);\nend entity " +
           defName + ";\n";
  }
  return ".subckt " + defName + " 1 2\n* sample model\n.ends " + defName + "\n";
}

bool WritePackages(CDatabase& db) {
  void* hDB = db.Handle();
  struct Package {
    const char* name;
    const char* text;
    const char* body;
  };
  const Package packages[] = {
      {"demo_constants", "package demo_constants is\n  constant vdd : real := 5.0;\nend package;\n",
       nullptr},
      {"demo_functions",
       "package demo_functions is\n  function sq(x : real) return real;\nend package;\n",
       "package body demo_functions is\n  function sq(x : real) return real is\n  begin\n"
       "    return x * x;\n  end function;\nend package body;\n"}};
  long previous = 0;
  for (const Package& p : packages) {
    COleVariant bookmark;
    long id = 0;
    CZLPackageObject object;
    object.m_strPackageText = p.text;
    object.m_bUseBody = p.body != nullptr;
    if (p.body != nullptr) object.m_strPackageBodyText = p.body;
    object.m_lState = ZL_PACKAGE_TEXT_COMPRESSED | ZL_PACKAGE_BODY_COMPRESSED;
    object.m_bEnabled = TRUE;
    if (!db.Run(std::string("writing package ") + p.name, [&] {
          return ZLCreatePackageNewRecord(hDB, bookmark) &&
                 ZLGetPackageIDByBookmark(hDB, bookmark, id) &&
                 ZLSetPackageNameByBookmark(hDB, bookmark, p.name) &&
                 ZLSetPackageCreatedUserByBookmark(hDB, bookmark, "demo") &&
                 ZLSetPackageStateByBookmark(hDB, bookmark, 0) &&
                 ZLSetPackageByBookmark(hDB, bookmark, "VHDLA", object) &&
                 (previous == 0 || (ZLSetPackageNextByID(hDB, previous, id) &&
                                    ZLSetPackagePrevByID(hDB, id, previous)));
        })) {
      return false;
    }
    previous = id;
  }
  return true;
}

}  // namespace

bool WriteSimLanguageDemo(CDatabase& db, const std::vector<DemoModelRecord>& models,
                          CProgress& progress) {
  void* hDB = db.Handle();
  for (const char* language : kSimLanguages) {
    if (!db.Run(std::string("adding the tables of ") + language, [&] {
          return ZLAddMacroTable(hDB, language, 0) && ZLAddCallTable(hDB, language, 0);
        })) {
      return false;
    }
  }
  if (!db.Run("adding the VHDLA package table", [&] { return ZLAddPackageTable(hDB, "VHDLA"); })) {
    return false;
  }
  progress.SetLabel("demo: macros and calls", static_cast<long>(models.size()));
  long done = 0;
  for (const DemoModelRecord& model : models) {
    progress.Step(done++);
    for (const char* language : kSimLanguages) {
      CZLMacroObject macro;
      macro.m_strMacroText = MacroText(model.defName, language).c_str();
      macro.m_lState = 0x8000;  // stored compressed
      macro.m_dwLevel = 1;
      macro.m_bDefault = TRUE;
      macro.m_strDefName = model.defName.c_str();
      CZLCallObject call;
      call.m_strCallKey = "netlist";
      call.m_dwLevel = 1;
      call.m_strCallText = (std::string(language) == "VHDLA" ? "u1 : entity work." + model.defName
                                                             : "X1 1 2 " + model.defName)
                               .c_str();
      if (!db.Run("writing the macro and call line of " + model.defName, [&] {
            return ZLSetMacroByID(hDB, model.id, language, macro) &&
                   ZLSetCallByID(hDB, model.id, language, call);
          })) {
        return false;
      }
    }
  }
  return WritePackages(db);
}

}  // namespace zldb
