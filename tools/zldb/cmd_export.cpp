// zldb export FILE OUT.json: the whole model library as one deterministic
// JSON document, written record by record.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "library_export.h"
#include "progress.h"

namespace zldb {
namespace {

// Writes the document to a temporary file next to the target, renamed over
// it once complete: a failed export leaves no half-written file.  Values are
// indented by two spaces a level, records one after the other, so that a
// changed record shows as a short diff.
class CDocumentWriter {
 public:
  explicit CDocumentWriter(std::string path)
      : m_path(std::move(path)), m_temp(m_path + ".part" + std::to_string(::getpid())) {}
  ~CDocumentWriter() {
    if (m_file != nullptr) std::fclose(m_file);
    if (!m_done) std::remove(m_temp.c_str());
  }
  CDocumentWriter(const CDocumentWriter&) = delete;
  CDocumentWriter& operator=(const CDocumentWriter&) = delete;

  bool Open() {
    m_file = std::fopen(m_temp.c_str(), "wb");
    return m_file != nullptr ? Put("{") : Failed();
  }

  // One member of the top level.
  bool Member(const std::string& key, const Json& value) {
    return Put(m_members++ == 0 ? "\n" : ",\n") && Put("  " + Dump(Json(key)) + ": ") &&
           Put(Indented(value, "  "));
  }

  bool BeginArray(const std::string& key) {
    m_elements = 0;
    return Put(m_members++ == 0 ? "\n" : ",\n") && Put("  " + Dump(Json(key)) + ": [");
  }
  bool Element(const Json& value) {
    return Put(m_elements++ == 0 ? "\n    " : ",\n    ") && Put(Indented(value, "    "));
  }
  bool EndArray() { return Put(m_elements == 0 ? "]" : "\n  ]"); }

  // Closes the document and puts it in place.
  bool Finish() {
    if (!Put("\n}\n") || std::fflush(m_file) != 0 || ::fsync(::fileno(m_file)) != 0) {
      return Failed();
    }
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (closed != 0 || std::rename(m_temp.c_str(), m_path.c_str()) != 0) return Failed();
    m_done = true;
    return true;
  }

  // Values holding names that were not UTF-8 (each bad byte written as
  // U+FFFD).  Texts never are: they come as {"bytes": ...} then; only names
  // that are member keys (simulator languages, additional-data columns,
  // profile sections and keys) can be.
  long Replaced() const { return m_replaced; }

 private:
  std::string Dump(const Json& value) {
    try {
      return value.dump(2);
    } catch (const Json::type_error&) {
      ++m_replaced;
      return value.dump(2, ' ', false, Json::error_handler_t::replace);
    }
  }

  std::string Indented(const Json& value, const char* indent) {
    std::string text = Dump(value), out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
      out += c;
      if (c == '\n') out += indent;
    }
    return out;
  }

  bool Put(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), m_file) == text.size() || Failed();
  }

  bool Failed() {
    if (m_error.empty()) m_error = std::strerror(errno);
    return false;
  }

 public:
  const std::string& Error() const { return m_error; }

 private:
  const std::string m_path, m_temp;
  std::FILE* m_file = nullptr;
  bool m_done = false;
  int m_members = 0;
  long m_elements = 0;
  long m_replaced = 0;
  std::string m_error;
};

int Export(const std::string& file, const std::string& out) {
  CDatabase db;
  if (!db.Open(file, eOpenReadOnly)) return kExitFailure;
  // One read transaction: the document shows one committed state.
  Json header;
  std::vector<long> ids;
  std::unordered_map<long, long> numbers;
  if (!ExportHeader(db, header) || !ListRecords(db, ids, numbers)) return kExitFailure;
  CDocumentWriter writer(out);
  const auto writeFailed = [&] {
    PrintError(out + ": cannot write the export: " + writer.Error());
    return int(kExitFailure);
  };
  if (!writer.Open()) return writeFailed();
  for (const auto& member : header.items()) {
    if (!writer.Member(member.key(), member.value())) return writeFailed();
  }
  CProgress progress("exporting records", static_cast<long>(ids.size()));
  if (!writer.BeginArray("records")) return writeFailed();
  long done = 0;
  for (long id : ids) {
    Json record;
    if (!ExportRecord(db, id, numbers, header["additionalData"], record)) {
      progress.Clear();
      PrintError(file + ": the export stopped at record #" + std::to_string(id));
      return kExitFailure;
    }
    if (!writer.Element(record)) return writeFailed();
    progress.Step(++done);
  }
  progress.Clear();
  if (!writer.EndArray() || !writer.Finish()) return writeFailed();
  if (writer.Replaced() > 0) {
    PrintWarning(std::to_string(writer.Replaced()) +
                 " record(s) or sections hold names that are not UTF-8 (simulator languages, "
                 "additional-data columns or profile keys); the export shows each such byte as "
                 "U+FFFD");
  }
  std::printf("%s: exported %zu records and %zu packages to %s\n", file.c_str(), ids.size(),
              header["packages"].size(), out.c_str());
  return kExitOk;
}

}  // namespace

Runner AddExport(CLI::App& command) {
  struct Options {
    std::string file, out;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  command.add_option("OUT", options->out, "the JSON file to write (replaced when it exists)")
      ->required()
      ->type_name("");
  command.footer(
      "Writes the whole library: database properties, resource languages, simulator-language\n"
      "tables, additional-data columns, packages, and every record with its attributes, texts\n"
      "in every language, nodes, files, keywords, symbols, macros, calls, parameter sets,\n"
      "tolerances, stresses, additional data and profile strings.  The text is deterministic\n"
      "(fixed key order, records in ID order and numbered 1, 2, ..., binary data in base64,\n"
      "compressed texts decompressed), so two exports of the same library are identical.  A\n"
      "text that is not UTF-8 is written as {\"bytes\": \"<base64>\"} and read back as\n"
      "stored; a node's wizard file is the position of the record's file it names.");
  return [options] { return Export(options->file, options->out); };
}

}  // namespace zldb
