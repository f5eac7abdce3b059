// zldb show: one record, printed section by section.  A section reads part
// of the record and adds members to the record's JSON object; the text
// output is drawn from the same object (show_text.cpp), so a new section is
// one function added to the list in show_sections.cpp.
#ifndef ZLDB_SHOW_H_
#define ZLDB_SHOW_H_

#include <string>
#include <utility>
#include <vector>

#include "database.h"
#include "json_out.h"

namespace zldb {

struct ShowContext {
  CDatabase& db;
  long id;
  WORD language;  // of the path and the parameter sets' titles; a language the file has
  // Profile strings to show, as (section, key); the interface has no list
  // of a record's sections and keys.
  std::vector<std::pair<std::string, std::string>> profileKeys;
};

// Adds the section's members to record; false after a printed failure.
using ShowSection = bool (*)(const ShowContext& context, Json& record);

// The sections in the order they are shown.
const std::vector<ShowSection>& ShowSections();

// The record's macros and call lines in every simulator language.
bool ShowMacros(const ShowContext& context, Json& record);
bool ShowCalls(const ShowContext& context, Json& record);

// The record's parameter sets in chain order (then sets the chain misses)
// with their titles, node values, tolerances and stresses; the record's own
// tolerances and stresses; its additional data; the asked profile strings.
bool ShowParamSets(const ShowContext& context, Json& record);
bool ShowLimits(const ShowContext& context, Json& record);
bool ShowAdditionalData(const ShowContext& context, Json& record);
bool ShowProfile(const ShowContext& context, Json& record);

// The record's model content (show_nodes.cpp): its pins (conservative
// nodes) or parameters (non-conservative nodes), files, keywords and
// symbols.
bool ShowNodes(const ShowContext& context, Json& record, bool parameters);
inline bool ShowPins(const ShowContext& context, Json& record) {
  return ShowNodes(context, record, false);
}
inline bool ShowParameters(const ShowContext& context, Json& record) {
  return ShowNodes(context, record, true);
}
bool ShowFiles(const ShowContext& context, Json& record);
bool ShowKeywords(const ShowContext& context, Json& record);
bool ShowSymbols(const ShowContext& context, Json& record);

// Values as JSON: numbers, texts as stored, dates as "YYYY-MM-DD HH:MM:SS".
inline Json ToJson(long value) { return value; }
inline Json ToJson(unsigned long value) { return value; }
inline Json ToJson(const CString& value) { return value.GetString(); }
inline Json ToJson(const COleDateTime& value) { return value.Format().GetString(); }

// Whether a failed read only found the value absent: an empty field, a
// text missing in the language.
inline bool IsAbsent(int code) {
  return code == ZLE_NULL_VALUE || code == ZLE_NO_RESOURCE_TEXT || code == ZLE_NO_LANGUAGE;
}

// Reads one value for a section: read(value) is a library call filling
// value.  On success slot is the value; an absent value makes it null; any
// other failure is printed ("reading WHAT failed: ...") and gives false.
template <typename Value, typename Read>
bool ReadValue(const ShowContext& context, const std::string& what, Json& slot, Read&& read) {
  Value value{};
  if (read(value) != 0) {
    slot = ToJson(value);
    return true;
  }
  if (IsAbsent(ZLGetLastError())) {
    slot = nullptr;
    return true;
  }
  context.db.ReportFailure("reading " + what);
  return false;
}

// Prints the record as text: a header line, then one line per value.
void PrintRecordText(const Json& record);

}  // namespace zldb

#endif  // ZLDB_SHOW_H_
