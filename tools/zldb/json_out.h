// The tool's --json output: one JSON document per command, keys in the order
// they were added, always valid UTF-8.
//
// Commands put texts into the document as the database stores them.  When
// printed, a text that is not valid UTF-8 has every bad byte replaced by
// U+FFFD, and a warning on standard error says how many texts were changed
// and where the first one is (as a JSON pointer); the text output shows the
// stored bytes unchanged.
#ifndef ZLDB_JSON_OUT_H_
#define ZLDB_JSON_OUT_H_

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace zldb {

using Json = nlohmann::ordered_json;

// Writes the document and a newline to standard output, then the warning
// about replaced bytes (if any) to standard error.
void PrintJson(Json document);

// The result of a command that changes the file: the text line, or with
// json the fields followed by "changed" (false when what was asked for
// already held).
void PrintChange(bool json, Json fields, bool changed, const std::string& text);

// The end of a command that reports a result: with json the document is
// printed, otherwise text draws it from the same document.  Returns status,
// the command's exit status.
int PrintResult(bool json, const Json& document, const std::function<void(const Json&)>& text,
                int status);

// Whether text is valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text);

// The text with every byte that is not part of a valid UTF-8 sequence
// replaced by U+FFFD.
std::string ReplaceInvalidUtf8(const std::string& text);

}  // namespace zldb

#endif  // ZLDB_JSON_OUT_H_
