// zldb demo FILE: a sample model library, written through the public
// interface the way a library manager would write it.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "demo_catalog.h"
#include "demo_content.h"
#include "demo_nodes.h"
#include "demo_simlang.h"
#include "model_tree.h"

namespace zldb {
namespace {

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr unsigned long kModelType = 0;

// Adds records under their parents, keeping each parent's last child so
// that every new record is linked at the end of its parent's list.
class CDemoWriter {
 public:
  explicit CDemoWriter(CDatabase& db) : m_db(db), m_hDB(db.Handle()) {}

  // A new record with its texts, type, users and dates, linked as the last
  // child of parent (0: top level).  0 after a failure, which is reported.
  long Add(long parent, const char* titleEn, const char* titleDe, const std::string& infoEn,
           const std::string& infoDe, const char* defName, unsigned long type) {
    COleVariant bookmark;
    long id = 0;
    if (!Check(ZLCreateNewRecord(m_hDB, bookmark), "creating a record") ||
        !Check(ZLGetIDByBookmark(m_hDB, bookmark, id), "reading the new record's ID")) {
      return 0;
    }
    const int serial = m_count++;
    const COleDateTime created(2023, 1 + serial % 12, 1 + serial % 28, 9, serial % 60, 0);
    const COleDateTime modified(2024, 1 + serial % 12, 1 + (serial * 7) % 28, 14, 30, 0);
    static const char* const kEditors[] = {"anna", "jens", "demo"};
    const bool ok =
        Check(ZLSetTitleByID(m_hDB, id, kEnglish, titleEn, 0), "writing a title") &&
        Check(ZLSetTitleByID(m_hDB, id, kGerman, titleDe, 0), "writing a title") &&
        Check(ZLSetInfoByID(m_hDB, id, kEnglish, infoEn.c_str(), 0), "writing an info text") &&
        Check(ZLSetInfoByID(m_hDB, id, kGerman, infoDe.c_str(), 0), "writing an info text") &&
        (defName == nullptr || Check(ZLSetDefNameByID(m_hDB, id, defName), "writing a name")) &&
        Check(ZLSetTypeByID(m_hDB, id, type), "writing the type") &&
        Check(ZLSetStateByID(m_hDB, id, 0, 0), "writing the state") &&
        Check(ZLSetCreatedUserByID(m_hDB, id, "demo", 0), "writing the creator") &&
        Check(ZLSetCreatedDateByID(m_hDB, id, created, 0), "writing the creation date") &&
        Check(ZLSetModifiedUserByID(m_hDB, id, kEditors[serial % 3], 0), "writing the editor") &&
        Check(ZLSetModifiedDateByID(m_hDB, id, modified, 0), "writing the modification date") &&
        Link(parent, id);
    return ok ? id : 0;
  }

 private:
  bool Check(int result, const char* what) {
    if (result == 0) m_db.ReportFailure(what);
    return result != 0;
  }

  // The links a caller sets when it appends a record to a parent's list;
  // the library writes each link exactly as asked.
  bool Link(long parent, long id) {
    auto last = m_lastChild.find(parent);
    if (last != m_lastChild.end()) {
      if (!Check(ZLSetNextByID(m_hDB, last->second, id), "linking a record") ||
          !Check(ZLSetPrevByID(m_hDB, id, last->second), "linking a record")) {
        return false;
      }
    } else if (parent != 0 && !Check(ZLSetFirstChildByID(m_hDB, parent, id), "linking a record")) {
      return false;
    }
    if (parent != 0 && !Check(ZLSetParentByID(m_hDB, id, parent), "linking a record")) {
      return false;
    }
    m_lastChild[parent] = id;
    return true;
  }

  CDatabase& m_db;
  void* m_hDB;
  int m_count = 0;
  std::map<long, long> m_lastChild;
};

// Writes the catalog; false after a reported failure.
bool WriteCatalog(CDatabase& db, size_t& folders, size_t& models,
                  std::vector<DemoModelRecord>& modelRecords) {
  if (!db.Run("adding the resource languages", [&] {
        return ZLAddResourceTable(db.Handle(), kEnglish) &&
               ZLAddResourceTable(db.Handle(), kGerman);
      })) {
    return false;
  }
  CDemoWriter writer(db);
  std::map<std::string, long> folderIDs;
  const DemoFolder* folder = DemoFolders(folders);
  for (size_t i = 0; i < folders; ++i) {
    const DemoFolder& f = folder[i];
    const long parent = f.parentKey == nullptr ? 0 : folderIDs.at(f.parentKey);
    const long id =
        writer.Add(parent, f.titleEn, f.titleDe, f.infoEn, f.infoDe, nullptr, kFolderType);
    if (id == 0) return false;
    folderIDs[f.key] = id;
  }
  const DemoModel* model = DemoModels(models);
  for (size_t i = 0; i < models; ++i) {
    const DemoModel& m = model[i];
    const std::string infoEn = std::string(m.titleEn) + " " + m.defName + ": " + m.ratings;
    const std::string infoDe = std::string(m.titleDe) + " " + m.defName + ": " + m.ratings;
    const long id = writer.Add(folderIDs.at(m.folderKey), m.titleEn, m.titleDe, infoEn, infoDe,
                               m.defName, kModelType);
    if (id == 0) return false;
    modelRecords.push_back({id, m.defName});
  }
  return true;
}

}  // namespace

Runner AddDemo(CLI::App& command) {
  auto file = std::make_shared<std::string>();
  AddFileArgument(command, *file);
  command.footer(
      "Writes a folder tree with a few dozen models, with titles and information texts in\n"
      "English (1033) and German (1031); every model also gets a macro and a call line in\n"
      "Spice and VHDLA, three pins and five parameters (with Spice access names), keywords,\n"
      "a symbol and a netlist file, and the library two VHDL packages.  LM741, NE5532 and\n"
      "OP07 get a tolerance, a stress and two parameter sets with values for the parameters,\n"
      "and an order number as additional data.  An existing file is never overwritten.");
  return [file] {
    CDatabase db;
    if (!db.Create(*file)) return int(kExitFailure);
    size_t folders = 0;
    size_t models = 0;
    std::vector<DemoModelRecord> modelRecords;
    if (!WriteCatalog(db, folders, models, modelRecords) ||
        !WriteSimLanguageDemo(db, modelRecords) || !WriteNodesDemo(db, modelRecords) ||
        !WriteContentDemo(db, modelRecords)) {
      return int(kExitFailure);
    }
    std::printf("%s: %zu folders and %zu models, titles and information in %u and %u\n",
                file->c_str(), folders, models, kEnglish, kGerman);
    return int(kExitOk);
  };
}

}  // namespace zldb
