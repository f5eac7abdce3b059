// zldb import IN.json FILE: a new model library built from a zldb export.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_stream.h"
#include "library_import.h"
#include "part_file.h"
#include "progress.h"

namespace zldb {
namespace {

int Import(const std::string& json, const std::string& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) == 0) {
    PrintError(file + ": exists already; import builds a new library");
    return kExitFailure;
  }
  std::ifstream in(json, std::ios::binary);
  if (!in) {
    PrintError(json + ": cannot be read: " + std::strerror(errno));
    return kExitFailure;
  }
  in.seekg(0, std::ios::end);
  const long kilobytes = static_cast<long>(in.tellg() / 1024);
  in.seekg(0);
  CPartFile part(file);
  long records = 0, packages = 0;
  {
    CDatabase db;
    if (!db.Create(part.Path())) return kExitFailure;
    CLibraryBuilder builder(db);
    CProgress progress("importing kB", kilobytes);
    std::string where = "/";
    try {
      StreamDocument(
          in, "records",
          [&](const std::string& key, const Json& value) {
            where = "/" + key;
            builder.Section(key, value);
          },
          [&](const Json& record, const std::string& path) {
            where = path;
            builder.Record(record, path);
            progress.Step(static_cast<long>(in.tellg() / 1024));
          });
      where = "/";
      builder.Finish();
    } catch (const CJsonFault& fault) {
      progress.Clear();
      PrintError(json + ": " + fault.Path() + ": " + fault.what() + "; nothing was imported");
      return kExitFailure;
    } catch (const CLibraryFailed&) {
      progress.Clear();
      PrintError(json + ": the import stopped at " + where + "; nothing was imported");
      return kExitFailure;
    }
    progress.Clear();
    records = builder.Records();
    packages = builder.Packages();
  }
  if (!part.MoveTo(file)) {
    PrintError(file + ": cannot be written: " + std::strerror(errno) + "; nothing was imported");
    return kExitFailure;
  }
  std::printf("%s: imported %ld records and %ld packages from %s\n", file.c_str(), records,
              packages, json.c_str());
  return kExitOk;
}

}  // namespace

Runner AddImport(CLI::App& command) {
  struct Options {
    std::string json, file;
  };
  auto options = std::make_shared<Options>();
  command.add_option("JSON", options->json, "the document zldb export wrote")
      ->required()
      ->type_name("");
  AddFileArgument(command, options->file);
  command.footer(
      "Builds a new library FILE (never over an existing file) through the library's own\n"
      "operations: sections first, then the records one at a time, then the tree links.  A\n"
      "document that is damaged or was edited into something that cannot be imported is\n"
      "refused with the JSON path of the bad value (e.g. /records/12/titles/1040), and no\n"
      "file is left behind.  Exporting the result gives the same document again.");
  return [options] { return Import(options->json, options->file); };
}

}  // namespace zldb
