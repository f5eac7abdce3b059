// The text form of zldb show, drawn from the record's JSON object: one line
// per value, labelled by its key ("createdBy" reads "created by"), nested
// values by their path ("titles 1033"); an absent value shows as -.
#include <cctype>
#include <cstdio>
#include <string>

#include "show.h"

namespace zldb {
namespace {

// "firstChild" -> "first child".  Keys that are names from the file (a
// parameter's name, a data column's name, a language ID, a simulator
// language such as "Spice": anything not starting with a lower-case letter)
// stay as they are.
std::string Label(const std::string& key) {
  if (key.empty() || !std::islower(static_cast<unsigned char>(key[0]))) return key;
  std::string label;
  for (char c : key) {
    if (std::isupper(static_cast<unsigned char>(c))) {
      label += ' ';
      label += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
      label += c;
    }
  }
  return label;
}

void Line(const std::string& label, const std::string& value) {
  std::printf("  %-18s %s\n", (label + ":").c_str(), value.c_str());
}

void Render(const std::string& label, const Json& value) {
  if (value.is_object()) {
    if (value.empty()) Line(label, "-");
    for (const auto& [key, member] : value.items()) {
      Render(label.empty() ? Label(key) : label + " " + Label(key), member);
    }
  } else if (value.is_array()) {
    if (value.empty()) Line(label, "(none)");
    for (size_t i = 0; i < value.size(); ++i) Render(label + " " + std::to_string(i + 1), value[i]);
  } else if (value.is_string()) {
    Line(label, value.get_ref<const std::string&>());
  } else {
    Line(label, value.is_null() ? "-" : value.dump());
  }
}

}  // namespace

void PrintRecordText(const Json& record) {
  std::printf("record %s\n", record["id"].dump().c_str());
  for (const auto& [key, value] : record.items()) {
    if (key == "id" || key == "pathLanguage") continue;
    if (key == "path") {
      const std::string& path = value.get_ref<const std::string&>();
      Line("path " + record["pathLanguage"].dump(), path.empty() ? "(top level)" : path);
      continue;
    }
    Render(Label(key), value);
  }
}

}  // namespace zldb
