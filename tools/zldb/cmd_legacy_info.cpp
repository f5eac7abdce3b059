// zldb legacy-info FILE [--json]: the models of a model library of the older,
// flat layout (name, type, folder key and title), read through the legacy
// interface.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {
namespace {

std::string LegacyCause(int code) {
  switch (code) {
    case LZLE_FILE_NOT_FOUND:
      return "file does not exist";
    case LZLE_NOT_WRITABLE:
      return "file is not writable";
    case LZLE_OUT_OF_MEMORY:
      return "out of memory";
    case LZLE_ENGINE:
      return "not a legacy model library, or it cannot be read";
    default:
      return "legacy error " + std::to_string(code);
  }
}

// Closes the legacy handle on every way out.
class CLegacyFile {
 public:
  explicit CLegacyFile(const std::string& path) : m_hDB(OpenZLDatabase(path.c_str(), TRUE)) {}
  ~CLegacyFile() {
    if (m_hDB != nullptr) CloseZLDatabase(m_hDB);
  }
  CLegacyFile(const CLegacyFile&) = delete;
  CLegacyFile& operator=(const CLegacyFile&) = delete;
  void* Handle() const { return m_hDB; }

 private:
  void* m_hDB;
};

// A text attribute; a null field reads as empty.
template <typename Get>
bool ReadText(Get get, void* hDB, const COleVariant& bookmark, std::string& text) {
  CString value;
  if (get(hDB, bookmark, value) == 1) {
    text = value.GetString();
    return true;
  }
  text.clear();
  return GetLastZLDBError() == LZLE_NULL_VALUE;
}

int PrintLegacyInfo(const std::string& path, bool json) {
  CLegacyFile file(path);
  void* hDB = file.Handle();
  if (hDB == nullptr) {
    PrintError(path + ": " + LegacyCause(GetLastZLDBError()));
    return kExitFailure;
  }
  long version = 0;
  CObList bookmarks;
  if (GetDatabaseVersion(hDB, &version) != 1 || GetAllBookmarks(hDB, &bookmarks) != 1) {
    PrintError(path + ": reading the models failed: " + LegacyCause(GetLastZLDBError()));
    return kExitFailure;
  }
  Json out;
  out["file"] = path;
  out["version"] = version;
  out["models"] = Json::array();
  bool ok = true;
  for (POSITION pos = bookmarks.GetHeadPosition(); pos != nullptr && ok;) {
    const COleVariant& bookmark =
        static_cast<CBookmarkObject*>(bookmarks.GetNext(pos))->m_varBookmark;
    long id = 0;
    std::string name, type, folder, title;
    ok = GetIDByBookmark(hDB, bookmark, id) == 1 &&
         ReadText(GetNameByBookmark, hDB, bookmark, name) &&
         ReadText(GetTypeByBookmark, hDB, bookmark, type) &&
         ReadText(GetFolderByBookmark, hDB, bookmark, folder) &&
         ReadText(GetTitleByBookmark, hDB, bookmark, title);
    out["models"].push_back(
        {{"id", id}, {"name", name}, {"type", type}, {"folder", folder}, {"title", title}});
  }
  FreeObjectList(bookmarks);
  if (!ok) {
    PrintError(path + ": reading a model failed: " + LegacyCause(GetLastZLDBError()));
    return kExitFailure;
  }
  return PrintResult(
      json, out,
      [](const Json& document) {
        const Json& models = document["models"];
        std::printf("legacy model library, layout version %ld, %zu models\n",
                    document["version"].get<long>(), models.size());
        if (models.empty()) return;
        std::printf("%6s  %-20s %-8s %-16s %s\n", "ID", "NAME", "TYPE", "FOLDER", "TITLE");
        for (const Json& model : models) {
          std::printf("%6ld  %-20s %-8s %-16s %s\n", model["id"].get<long>(),
                      ReplaceInvalidUtf8(model["name"].get<std::string>()).c_str(),
                      ReplaceInvalidUtf8(model["type"].get<std::string>()).c_str(),
                      ReplaceInvalidUtf8(model["folder"].get<std::string>()).c_str(),
                      ReplaceInvalidUtf8(model["title"].get<std::string>()).c_str());
        }
      },
      kExitOk);
}

}  // namespace

Runner AddLegacyInfo(CLI::App& command) {
  auto options = AddFileAndJson(command);
  command.footer(
      "Libraries of the older, flat layout keep every model as one row of the table SDB; the\n"
      "folder is a key of comma-separated numbers naming the folder records above the model.");
  return [options] { return PrintLegacyInfo(options->file, options->json); };
}

}  // namespace zldb
