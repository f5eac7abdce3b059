#include "json_out.h"

#include <cstdio>

namespace zldb {
namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 when the byte
// there does not start one.
size_t SequenceLength(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string ReplaceInvalidUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

namespace {

// Replaces bad bytes in every string value below node; counts the strings
// changed and keeps the first one's JSON pointer.
void MakeValidUtf8(Json& node, const std::string& pointer, int& count, std::string& first) {
  if (node.is_string()) {
    std::string& text = node.get_ref<std::string&>();
    if (IsValidUtf8(text)) return;
    text = ReplaceInvalidUtf8(text);
    if (count++ == 0) first = pointer.empty() ? "/" : pointer;
  } else if (node.is_object()) {
    for (auto& [key, value] : node.items()) MakeValidUtf8(value, pointer + "/" + key, count, first);
  } else if (node.is_array()) {
    for (size_t i = 0; i < node.size(); ++i) {
      MakeValidUtf8(node[i], pointer + "/" + std::to_string(i), count, first);
    }
  }
}

}  // namespace

void PrintJson(Json document) {
  int count = 0;
  std::string first;
  MakeValidUtf8(document, "", count, first);
  // The replacing handler only guards keys; every string value is valid now.
  std::printf("%s\n", document.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
  if (count > 0) {
    std::fprintf(stderr,
                 "zldb: warning: %d text(s) held bytes that are not UTF-8 (the first at %s); the "
                 "JSON output shows each such byte as U+FFFD\n",
                 count, first.c_str());
  }
}

void PrintChange(bool json, Json fields, bool changed, const std::string& text) {
  if (!json) {
    std::printf("%s\n", text.c_str());
    return;
  }
  fields["changed"] = changed;
  PrintJson(fields);
}

int PrintResult(bool json, const Json& document, const std::function<void(const Json&)>& text,
                int status) {
  if (json) {
    PrintJson(document);
  } else {
    text(document);
  }
  return status;
}

}  // namespace zldb
