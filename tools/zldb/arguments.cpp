#include "arguments.h"

#include <cctype>
#include <cstdio>

#include "simtables.h"

namespace zldb {
namespace {

constexpr unsigned long long kMaxRecordId = 2147483647;

bool AllOf(const std::string& text, size_t from, int (*test)(int)) {
  for (size_t i = from; i < text.size(); ++i) {
    if (!test(static_cast<unsigned char>(text[i]))) return false;
  }
  return from < text.size();
}

// Parses the digits of text from position from in base 10 or 16; false
// when there are none, or more than fit.
// A number too long to convert is kept as one that is out of every range.
bool ParseDigits(const std::string& text, size_t from, int base, unsigned long long& value) {
  if (!AllOf(text, from, base == 16 ? isxdigit : isdigit)) return false;
  value = text.size() - from > 15 ? ~0ULL : std::stoull(text.substr(from), nullptr, base);
  return true;
}

CLI::Validator Rewriting(std::string (*parse)(const std::string&, std::string&), const char* name) {
  return CLI::Validator(
             [parse](std::string& text) {
               std::string canonical;
               const std::string error = parse(text, canonical);
               if (error.empty()) text = canonical;
               return error;
             },
             "")
      .name(name);
}

std::string LanguageToDecimal(const std::string& text, std::string& canonical) {
  WORD language = 0;
  const std::string error = ParseLanguageId(text, language);
  canonical = std::to_string(language);
  return error;
}

std::string RecordToDecimal(const std::string& text, std::string& canonical) {
  long id = 0;
  const std::string error = ParseRecordId(text, id);
  canonical = std::to_string(id);
  return error;
}

std::string CheckSimLanguage(const std::string& text, std::string& canonical) {
  canonical = text;
  const auto allowed = [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; };
  bool ok = !text.empty() && text.size() <= 32;
  for (unsigned char c : text) ok = ok && allowed(c);
  if (ok) return "";
  return "'" + text + "' is not a simulator-language name (1 to 32 letters, digits, _ or -)";
}

std::string CheckSeconds(const std::string& text, std::string& canonical) {
  unsigned long long value = 0;
  canonical = text;
  if (!ParseDigits(text, 0, 10, value) || (text.size() > 1 && text[0] == '0') || value > 86400) {
    return "'" + text + "' is not a number of seconds: give a whole number from 0 to 86400";
  }
  return "";
}

std::string CheckCount(const std::string& text, std::string& canonical) {
  unsigned long long value = 0;
  canonical = text;
  if (!ParseDigits(text, 0, 10, value) || (text.size() > 1 && text[0] == '0') || value > 1000000) {
    return "'" + text + "' is not a count: give a whole number from 0 to 1000000";
  }
  return "";
}

}  // namespace

std::string ParseLanguageId(const std::string& text, WORD& language) {
  const std::string expected =
      "'" + text +
      "' is not a language ID: give a Windows LANGID in decimal (1033) or hexadecimal (0x0409)";
  unsigned long long value = 0;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex ? !ParseDigits(text, 2, 16, value) : !ParseDigits(text, 0, 10, value)) return expected;
  if (!hex && text.size() > 1 && text[0] == '0') {
    return "'" + text +
           "' has a leading zero; write the language ID in decimal (1033) or with 0x "
           "(0x0409)";
  }
  if (value > 0xFFFF || (value & 0x3FF) == 0 || (value & 0x3FF) == 0x3FF) {
    return "'" + text + "' is out of range: a language ID is at most 65534 (0xFFFE) and names a " +
           "primary language in its low ten bits (1033 = English, 1031 = German)";
  }
  language = static_cast<WORD>(value);
  return "";
}

std::string ParseRecordId(const std::string& text, long& id) {
  const size_t from = !text.empty() && text[0] == '#' ? 1 : 0;
  unsigned long long value = 0;
  if (!ParseDigits(text, from, 10, value)) {
    return "'" + text + "' is not a record ID: give a whole number such as 35 or #35";
  }
  if (text[from] == '0' || value > kMaxRecordId) {
    return "'" + text + "' is out of range: a record ID is from 1 to 2147483647, " +
           "without leading zeros";
  }
  id = static_cast<long>(value);
  return "";
}

CLI::Validator LanguageId() { return Rewriting(LanguageToDecimal, "LANGID"); }
CLI::Validator RecordId() { return Rewriting(RecordToDecimal, "ID"); }
CLI::Validator Count() { return Rewriting(CheckCount, "N"); }
CLI::Validator Seconds() { return Rewriting(CheckSeconds, "SECONDS"); }
CLI::Validator SimLanguageName() { return Rewriting(CheckSimLanguage, "SIMLANG"); }

CLI::Validator SimTableKindName() {
  return CLI::Validator(
      [](std::string& text) {
        if (FindSimTableKind(text) != nullptr) return std::string();
        return "'" + text + "' is not a table kind (call, macro, access or package)";
      },
      "");
}

void AddFileArgument(CLI::App& command, std::string& file) {
  command.add_option("FILE", file, "the model-library file, or a postgresql:// name")
      ->required()
      ->type_name("")
      ->check(CLI::Validator(
          [](std::string& text) {
            return text.empty() ? std::string("the file name is empty") : "";
          },
          ""));
  // Kept for CDatabase, which gives it to the library once the file is open.
  command
      .add_option_function<std::string>(
          "--timeout", [](const std::string& seconds) { LockWaitSeconds() = std::stol(seconds); },
          "how long to wait for a lock another process holds on FILE (default 5)")
      ->type_name("SECONDS")
      ->check(Seconds());
}

void AddJsonFlag(CLI::App& command, bool& json) {
  command.add_flag("--json", json, "print one JSON document (valid UTF-8) instead of text");
}

std::shared_ptr<FileAndJson> AddFileAndJson(CLI::App& command) {
  auto options = std::make_shared<FileAndJson>();
  AddFileArgument(command, options->file);
  AddJsonFlag(command, options->json);
  return options;
}

void AddLanguageOption(CLI::App& command, WORD& language) {
  command
      .add_option("--lang", language,
                  "the resource language of the titles (default: 1033 when the file has it, "
                  "else its first); an error when the file lacks it")
      ->type_name("LANGID")
      ->transform(LanguageId());
}

std::shared_ptr<ChangeArguments> AddChangeArguments(CLI::App& command, ChangeTarget target) {
  auto arguments = std::make_shared<ChangeArguments>();
  AddFileArgument(command, arguments->file);
  if (target == ChangeTarget::kResourceLanguage) {
    command.add_option("LANGID", arguments->language, "the language ID, e.g. 1031 or 0x0407")
        ->required()
        ->type_name("")
        ->transform(LanguageId());
  } else {
    command.add_option("KIND", arguments->kind, "call, macro, access or package")
        ->required()
        ->type_name("")
        ->check(SimTableKindName());
    command
        .add_option("SIMLANG", arguments->simLanguage,
                    "the simulator language, e.g. SPICE or VHDLA")
        ->required()
        ->type_name("")
        ->check(SimLanguageName());
  }
  AddJsonFlag(command, arguments->json);
  return arguments;
}

long& LockWaitSeconds() {
  static long seconds = -1;
  return seconds;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "zldb %s: %s\n(see 'zldb %s --help')\n", command.c_str(), message.c_str(),
               command.c_str());
  return 2;
}

std::string LanguageList(const CArray<WORD, WORD>& languages) {
  std::string list;
  for (int i = 0; i < languages.GetSize(); ++i) {
    list += (i > 0 ? ", " : "") + std::to_string(languages[i]);
  }
  return list.empty() ? "none" : list;
}

}  // namespace zldb
