#include "support/file_contents.h"

#include <sqlite3.h>

#include <set>
#include <vector>

namespace zltest {
namespace {

std::vector<std::string> Column(sqlite3* db, const std::string& sql, int column) {
  std::vector<std::string> out;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(st, column);
    out.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
  }
  sqlite3_finalize(st);
  return out;
}

std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

std::string FileContents(const std::string& path, bool maskDates) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "unreadable";
  }
  std::string out;
  for (const std::string& table :
       Column(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", 0)) {
    out += "[" + table + "]";
    for (const std::string& sql :
         Column(db, "SELECT sql FROM sqlite_master WHERE tbl_name = " + Quoted(table), 0)) {
      out += sql + ";";
    }
    std::set<int> masked;
    if (maskDates) {
      const auto names = Column(db, "PRAGMA table_info(" + Quoted(table) + ")", 1);
      const auto types = Column(db, "PRAGMA table_info(" + Quoted(table) + ")", 2);
      for (size_t i = 0; i < names.size() && i < types.size(); ++i) {
        if (types[i] == "DATE_REAL" || names[i].rfind("date_", 0) == 0) masked.insert(i);
      }
    }
    out += "\n";
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, ("SELECT * FROM " + Quoted(table) + " ORDER BY rowid").c_str(), -1, &st,
                       nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (masked.count(i) != 0 && sqlite3_column_type(st, i) != SQLITE_NULL) {
          out += "date|";
          continue;
        }
        const char* bytes = static_cast<const char*>(sqlite3_column_blob(st, i));
        out += std::to_string(sqlite3_column_type(st, i)) + ":" +
               std::string(bytes ? bytes : "", sqlite3_column_bytes(st, i)) + "|";
      }
      out += "\n";
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

}  // namespace zltest
