// A flat JSON object for the tool's --json output: keys in insertion order,
// strings escaped as JSON requires (the library's texts are UTF-8).
#ifndef ZLDB_JSON_OUT_H_
#define ZLDB_JSON_OUT_H_

#include <cstdio>
#include <string>

namespace zldb {

inline std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

class JsonObject {
 public:
  void Add(const char* key, const std::string& value) { AddRaw(key, JsonString(value)); }
  void Add(const char* key, const char* value) { AddRaw(key, JsonString(value)); }
  void Add(const char* key, long value) { AddRaw(key, std::to_string(value)); }
  void Add(const char* key, bool value) { AddRaw(key, value ? "true" : "false"); }
  void AddRaw(const char* key, const std::string& json) {
    m_text += m_text.empty() ? "{" : ",";
    m_text += JsonString(key) + ":" + json;
  }
  std::string Text() const { return m_text.empty() ? "{}" : m_text + "}"; }

 private:
  std::string m_text;
};

}  // namespace zldb

#endif  // ZLDB_JSON_OUT_H_
