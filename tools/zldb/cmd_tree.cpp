// zldb tree FILE [--lang LANGID] [--json]: the tree of folders and models.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "json_out.h"
#include "model_tree.h"

namespace zldb {
namespace {

void PrintText(const std::vector<TreeEntry>& entries) {
  if (entries.empty()) std::printf("(empty tree)\n");
  for (const TreeEntry& e : entries) {
    std::string line(static_cast<size_t>(e.depth) * 2, ' ');
    if (e.missing) {
      line += "! (missing record)";
    } else {
      line += e.folder ? "+ " : "- ";
      line += e.title.empty() ? "(no title)" : e.title;
      if (!e.defName.empty()) line += "  [" + e.defName + "]";
    }
    std::printf("%s  #%ld\n", line.c_str(), e.id);
  }
}

std::string EntryFields(const TreeEntry& e) {
  JsonObject node;
  node.Add("id", e.id);
  if (e.missing) {
    node.Add("missing", true);
  } else {
    node.Add("folder", e.folder);
    node.AddRaw("title", e.title.empty() ? "null" : JsonString(e.title));
    node.AddRaw("defName", e.defName.empty() ? "null" : JsonString(e.defName));
  }
  std::string text = node.Text();
  text.pop_back();  // reopen the object for its children
  return text;
}

// Nested objects from the entries in tree order: each entry opens its
// children array, which closes when the next entry is no deeper.
void PrintJson(const std::vector<TreeEntry>& entries, WORD language) {
  std::string out = "{\"language\":" + std::to_string(language) + ",\"tree\":[";
  for (size_t i = 0; i < entries.size(); ++i) {
    const int depth = entries[i].depth;
    if (i > 0 && depth <= entries[i - 1].depth) out += ",";
    out += EntryFields(entries[i]) + ",\"children\":[";
    const int nextDepth = i + 1 < entries.size() ? entries[i + 1].depth : 0;
    for (int level = depth; level >= nextDepth; --level) out += "]}";
  }
  out += "]}";
  std::printf("%s\n", out.c_str());
}

}  // namespace

int RunTree(const Args& argsIn) {
  Args args = argsIn;
  const bool json = TakeFlag(args, "--json");
  std::string languageText;
  const bool hasLanguage = TakeOption(args, "--lang", languageText);
  WORD language = 0;
  if (args.size() != 1 || (hasLanguage && !ParseLanguage(languageText, language))) {
    std::fprintf(stderr, "usage: zldb tree FILE [--lang LANGID] [--json]\n");
    return 2;
  }
  void* hDB = OpenOrReport(args[0], eOpenReadOnly);
  if (hDB == nullptr) return 1;
  if (!hasLanguage) language = DefaultLanguage(hDB);
  std::vector<TreeEntry> entries;
  std::vector<std::string> problems;
  int status = 0;
  if (!CollectTree(hDB, language, entries, problems)) {
    status = ReportFailure("reading the tree");
  } else {
    if (json) {
      PrintJson(entries, language);
    } else {
      PrintText(entries);
    }
    for (const std::string& problem : problems) {
      std::fprintf(stderr, "zldb: warning: %s\n", problem.c_str());
    }
  }
  ZLCloseDatabase(hDB);
  return status;
}

}  // namespace zldb
