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
#include "progress.h"

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

// Writes the catalog with count models (the catalog's own number when 0):
// beyond the catalog, its models are written again in turn, named
// NAME_2, NAME_3, ... in the same folders.  False after a reported failure.
bool WriteCatalog(CDatabase& db, size_t count, size_t& folders, size_t& models,
                  std::vector<DemoModelRecord>& modelRecords, CProgress& progress) {
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
  size_t catalog = 0;
  const DemoModel* model = DemoModels(catalog);
  models = count == 0 ? catalog : count;
  progress.SetLabel("demo: records", static_cast<long>(models));
  for (size_t i = 0; i < models; ++i) {
    const DemoModel& m = model[i % catalog];
    const std::string name =
        i < catalog ? m.defName : m.defName + ("_" + std::to_string(i / catalog + 1));
    const std::string infoEn = std::string(m.titleEn) + " " + name + ": " + m.ratings;
    const std::string infoDe = std::string(m.titleDe) + " " + name + ": " + m.ratings;
    const long id = writer.Add(folderIDs.at(m.folderKey), m.titleEn, m.titleDe, infoEn, infoDe,
                               name.c_str(), kModelType);
    if (id == 0) return false;
    modelRecords.push_back({id, name});
    progress.Step(static_cast<long>(i + 1));
  }
  return true;
}

}  // namespace

Runner AddDemo(CLI::App& command) {
  struct Options {
    std::string file;
    size_t models = 0;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  command.add_option("--models", options->models, "write N models instead of the catalog's")
      ->type_name("N")
      ->transform(Count());
  command.footer(
      "Writes a folder tree with a few dozen models, with titles and information texts in\n"
      "English (1033) and German (1031); every model also gets a macro and a call line in\n"
      "Spice and VHDLA, three pins and five parameters (with Spice access names), keywords,\n"
      "a symbol and a netlist file, and the library two VHDL packages.  LM741, NE5532 and\n"
      "OP07 get a tolerance, a stress and two parameter sets with values for the parameters,\n"
      "and an order number as additional data.  With --models N the catalog's models are\n"
      "written again in turn (LM741_2, LM741_3, ...) until there are N, for trying things at\n"
      "scale.  Everything is written in one transaction.  An existing file is never\n"
      "overwritten.");
  return [options] {
    CDatabase db;
    if (!db.Create(options->file)) return int(kExitFailure);
    size_t folders = 0;
    size_t models = 0;
    std::vector<DemoModelRecord> modelRecords;
    CProgress progress("demo");
    void* hDB = db.Handle();
    if (!db.Run("beginning the transaction", [&] { return ZLBeginTransaction(hDB); })) {
      return int(kExitFailure);
    }
    if (!WriteCatalog(db, options->models, folders, models, modelRecords, progress) ||
        !WriteSimLanguageDemo(db, modelRecords, progress) ||
        !WriteNodesDemo(db, modelRecords, progress) || !WriteContentDemo(db, modelRecords) ||
        !db.Run("committing the transaction", [&] { return ZLCommitTransaction(hDB); })) {
      ZLRollbackTransaction(hDB);
      return int(kExitFailure);
    }
    progress.Clear();
    std::printf("%s: %zu folders and %zu models, titles and information in %u and %u\n",
                options->file.c_str(), folders, models, kEnglish, kGerman);
    return int(kExitOk);
  };
}

}  // namespace zldb
