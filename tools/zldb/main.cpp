// zldb: the command-line face of the model-library database library.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "database.h"
#include "suggest.h"
#include "zldbctrl70.h"

namespace zldb {
namespace {

const char kExitStatusText[] =
    "Exit status: 0 success (also when what was asked for already holds), 1 failure (the\n"
    "message names the file and the cause), 2 a wrong command line.";

const char kMainFooter[] =
    "A LANGID is a Windows language ID in decimal or 0x hexadecimal: 1033 (0x0409) English -\n"
    "United States, 1031 (0x0407) German, 1036 French, 1040 Italian, 1041 Japanese.  Resource\n"
    "languages hold the titles and texts people read; simulator languages (SPICE, VHDLA, ...)\n"
    "hold what a simulator reads, in call, macro, access and package tables.\n"
    "Wherever a command takes a FILE, a postgresql:// URI (or postgresql: and a libpq\n"
    "connection string) names a library in that PostgreSQL database instead.\n"
    "'zldb COMMAND --help' describes a command.";

std::string VersionText() {
  return std::string("zldb ") + ZLDBCTRL70_VERSION_STRING + " (database version " +
         std::to_string(GetZLDBCtrlDBVersion()) + ", structure version " +
         std::to_string(GetZLDBCtrlStructVersion()) + ")";
}

// The command named on the line (the first argument that is not an
// option), or null; unknown holds it when it names no command.
const Command* FindCommand(int argc, char** argv, std::string& unknown) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    for (const Command& command : Commands()) {
      if (std::strcmp(argv[i], command.name) == 0) return &command;
    }
    unknown = argv[i];
    return nullptr;
  }
  return nullptr;
}

// Arguments left over after parsing: the first unknown option (with a
// suggestion) or surplus argument is a usage error.
int RefuseLeftovers(const CLI::App& command) {
  std::vector<std::string> rest = command.remaining();
  rest.erase(std::remove(rest.begin(), rest.end(), "--"), rest.end());  // the end of options
  if (rest.empty()) return kExitOk;
  const std::string& first = rest.front();
  std::string message = "zldb " + command.get_name() + ": ";
  if (first.size() > 1 && first[0] == '-') {
    std::vector<std::string> known;
    for (const CLI::Option* option : command.get_options()) {
      for (const std::string& name : option->get_lnames()) known.push_back("--" + name);
    }
    message += "unknown option '" + first + "'" + Suggestion(first, known);
  } else {
    message += "unexpected argument '" + first + "'";
  }
  std::fprintf(stderr, "%s\n(see 'zldb %s --help')\n", message.c_str(), command.get_name().c_str());
  return kExitUsage;
}

// Flushes standard output; a write that failed (a full disk, a closed pipe
// when SIGPIPE is ignored) is an error even when the command succeeded.
int CheckOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  const int error = errno;
  std::fprintf(stderr, "zldb: cannot write the output: %s\n", std::strerror(error));
  return kExitFailure;
}

int Main(int argc, char** argv) {
  CLI::App app("zldb: create, inspect and change model-library databases.", "zldb");
  app.set_version_flag("--version", VersionText, "print the version of the tool and library");
  app.footer(std::string(kMainFooter) + "\n" + kExitStatusText);
  app.require_subcommand(0, 1);
  std::vector<std::pair<CLI::App*, Runner>> runners;
  for (const Command& command : Commands()) {
    CLI::App* sub = app.add_subcommand(command.name, command.summary);
    sub->allow_extras();
    runners.emplace_back(sub, command.add(*sub));
    const std::string notes = sub->get_footer();
    sub->footer(notes.empty() ? kExitStatusText : notes + "\n\n" + kExitStatusText);
  }

  std::string unknown;
  const Command* named = FindCommand(argc, argv, unknown);
  if (!unknown.empty()) {
    std::vector<std::string> names;
    for (const Command& command : Commands()) names.push_back(command.name);
    std::fprintf(stderr, "zldb: unknown command '%s'%s\n(see 'zldb --help')\n", unknown.c_str(),
                 Suggestion(unknown, names).c_str());
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return CheckOutput(app.exit(e, std::cout, std::cerr));
  } catch (const CLI::CallForVersion& e) {
    return CheckOutput(app.exit(e, std::cout, std::cerr));
  } catch (const CLI::ParseError& e) {
    // An unknown option explains a missing argument better than the other
    // way round ("create -x.zdb").
    if (named != nullptr && RefuseLeftovers(*app.get_subcommand(named->name)) != kExitOk) {
      return kExitUsage;
    }
    const std::string where = named != nullptr ? std::string("zldb ") + named->name : "zldb";
    std::fprintf(stderr, "%s: %s\n(see '%s --help')\n", where.c_str(), e.what(), where.c_str());
    return kExitUsage;
  }
  for (auto& [sub, run] : runners) {
    if (sub->parsed()) {
      const int refused = RefuseLeftovers(*sub);
      return refused != kExitOk ? refused : CheckOutput(run());
    }
  }
  if (!app.remaining().empty()) {
    std::fprintf(stderr, "zldb: unexpected argument '%s'\n(see 'zldb --help')\n",
                 app.remaining().front().c_str());
    return kExitUsage;
  }
  std::cerr << app.help();
  return kExitUsage;
}

}  // namespace
}  // namespace zldb

int main(int argc, char** argv) { return zldb::Main(argc, argv); }
