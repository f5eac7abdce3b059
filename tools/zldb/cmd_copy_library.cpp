// zldb copy-library SRC DST: a whole model library copied into a new one,
// between files and libraries on a PostgreSQL server, through the library's
// exported operations: the export's reader hands each section and record to
// the import's builder, one record at a time.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "json_stream.h"
#include "library_export.h"
#include "library_import.h"
#include "part_file.h"
#include "progress.h"

namespace zldb {
namespace {

// Reads the source (in snapshot mode, so it shows one committed state) into
// the builder.  False after a printed failure.
bool CopyInto(CDatabase& from, CLibraryBuilder& builder, const std::string& source) {
  if (!from.Run("taking a snapshot", [&] { return ZLSetDatabaseSnapShotMode(from.Handle(), 1); })) {
    return false;
  }
  Json header;
  std::vector<long> ids;
  std::unordered_map<long, long> numbers;
  if (!ExportHeader(from, header) || !ListRecords(from, ids, numbers)) return false;
  std::string where = "/";
  try {
    for (const auto& member : header.items()) {
      where = "/" + member.key();
      builder.Section(member.key(), member.value());
    }
    CProgress progress("copying records", static_cast<long>(ids.size()));
    long done = 0;
    for (long id : ids) {
      where = "/records/" + std::to_string(done);
      Json record;
      if (!ExportRecord(from, id, numbers, header["additionalData"], record)) {
        progress.Clear();
        PrintError(source + ": the copy stopped at record #" + std::to_string(id));
        return false;
      }
      builder.Record(record, where);
      progress.Step(++done);
    }
    progress.Clear();
    where = "/";
    // The records went one at a time; their member closes the document.
    builder.Section("records", Json::array());
    builder.Finish();
  } catch (const CJsonFault& fault) {
    // What the reader wrote, the builder refused: a fault of the tool.
    PrintError(source + ": " + fault.Path() + ": " + fault.what());
    return false;
  } catch (const CLibraryFailed&) {
    PrintError(source + ": the copy stopped at " + where);
    return false;
  }
  return true;
}

int CopyLibrary(const std::string& source, const std::string& target, bool json) {
  const bool toServer = IsServerName(target);
  struct stat info {};
  if (!toServer && ::stat(target.c_str(), &info) == 0) {
    PrintError(target + ": exists already; copy-library builds a new library");
    return kExitFailure;
  }
  CDatabase from;
  if (!from.Open(source, eOpenReadOnly)) return kExitFailure;
  // A file is built under another name and put in place when complete; a
  // server library is filled in one transaction and removed when anything
  // fails, so that a failure leaves no library behind either way.
  std::optional<CPartFile> part;
  if (!toServer) part.emplace(target);
  long records = 0, packages = 0;
  bool created = false;
  const bool copied = [&] {
    CDatabase to;
    if (!to.Create(toServer ? target : part->Path())) return false;
    created = true;
    if (toServer &&
        !to.Run("beginning a transaction", [&] { return ZLBeginTransaction(to.Handle()); })) {
      return false;
    }
    CLibraryBuilder builder(to);
    if (!CopyInto(from, builder, source)) return false;
    if (toServer &&
        !to.Run("committing the copy", [&] { return ZLCommitTransaction(to.Handle()); })) {
      return false;
    }
    records = builder.Records();
    packages = builder.Packages();
    return true;
  }();
  if (!copied) {
    // The new library's handle is closed by now (its transaction rolled back).
    if (created && toServer && ZLDeleteServerLibrary(target.c_str()) == 0) {
      PrintLibraryFailure(target, "removing the unfinished library");
      PrintError(target + ": nothing was copied; the new library is left empty");
    } else if (created) {
      PrintError(target + ": nothing was copied");
    }
    return kExitFailure;
  }
  if (part && !part->MoveTo(target)) {
    PrintError(target + ": cannot be written: " + std::strerror(errno) + "; nothing was copied");
    return kExitFailure;
  }
  Json result = {
      {"source", source}, {"target", target}, {"records", records}, {"packages", packages}};
  return PrintResult(
      json, result,
      [](const Json& r) {
        std::printf("%s: copied %ld records and %ld packages to %s\n",
                    r["source"].get<std::string>().c_str(), r["records"].get<long>(),
                    r["packages"].get<long>(), r["target"].get<std::string>().c_str());
      },
      kExitOk);
}

}  // namespace

Runner AddCopyLibrary(CLI::App& command) {
  struct Options {
    std::string source, target;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->source);
  command.add_option("DST", options->target, "the new library: a file or a postgresql:// name")
      ->required()
      ->type_name("");
  AddJsonFlag(command, options->json);
  command.footer(
      "Copies everything zldb export writes into a new library DST, never over an existing\n"
      "one.  Either side may be a file or a library on a PostgreSQL server, named by a\n"
      "postgresql:// URI (or postgresql: and a libpq connection string):\n"
      "  zldb copy-library lib.zdb 'postgresql://host/team'   publishes a library\n"
      "  zldb copy-library 'postgresql://host/team' mine.zdb  takes a copy to work offline\n"
      "The source is read in one committed state.  A file is built under another name and\n"
      "put in place when complete; a server library is filled in one transaction and\n"
      "removed again when the copy fails, so a failed copy leaves no library behind.\n"
      "Exporting both gives the same document.");
  return [options] { return CopyLibrary(options->source, options->target, options->json); };
}

}  // namespace zldb
