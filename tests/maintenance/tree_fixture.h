// A model library with the tree 1(2,3(4)),5 (folders 1 and 3, a title in
// 1033 for each record), and what the maintenance tests look at in files.
#ifndef ZLDBCTRL70_TESTS_MAINTENANCE_TREE_FIXTURE_H_
#define ZLDBCTRL70_TESTS_MAINTENANCE_TREE_FIXTURE_H_

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/library_fixture.h"

namespace zltest {

inline std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

// The names in a folder, sorted.
inline std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// One value of a plain SQLite query on a closed file.
inline std::string RawQuery(const std::string& path, const char* sql, bool readOnly = true) {
  sqlite3* db = nullptr;
  std::string out = "error";
  if (sqlite3_open_v2(path.c_str(), &db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                      nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      out = text != nullptr ? reinterpret_cast<const char*>(text) : "";
      sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return out;
}

// Writes garbage over page `page` (1-based) of a closed database file.
inline void DamagePage(const std::string& path, long page) {
  const long pageSize = std::stol(RawQuery(path, "PRAGMA page_size"));
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp((page - 1) * pageSize + 8);
  const std::string garbage(static_cast<size_t>(pageSize - 16), '\xA5');
  f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

}  // namespace zltest

class TreeLibraryTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
    // 1(2,3(4)),5: folders 1 and 3.
    struct {
      long type, parent, first, prev, next;
    } rows[] = {
        {1, 0, 2, 0, 5}, {0, 1, 0, 0, 3}, {1, 1, 4, 2, 0}, {0, 3, 0, 0, 0}, {0, 0, 0, 1, 0}};
    for (const auto& row : rows) {
      const long id = NewRecord();
      ASSERT_EQ(ZLSetTypeByID(m_hDB, id, static_cast<unsigned long>(row.type)), 1);
      SetLinks(id, row.parent, row.first, row.prev, row.next);
      ASSERT_EQ(ZLSetTitleByID(m_hDB, id, 1033, ("title " + std::to_string(id)).c_str(), 0), 1);
    }
  }

  void SetLinks(long id, long parent, long first, long prev, long next) {
    ASSERT_EQ(ZLSetParentByID(m_hDB, id, parent), 1);
    ASSERT_EQ(ZLSetFirstChildByID(m_hDB, id, first), 1);
    ASSERT_EQ(ZLSetPrevByID(m_hDB, id, prev), 1);
    ASSERT_EQ(ZLSetNextByID(m_hDB, id, next), 1);
  }

  // The tree of a closed file as "1(2,3(4)),5", read through the links
  // from the root; "!" marks a record met twice.
  std::string Tree() {
    void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
    EXPECT_NE(hDB, nullptr);
    COleVariant root;
    long id = 0;
    std::string out;
    if (ZLGetRootBookmark(hDB, root) == 1 && ZLGetIDByBookmark(hDB, root, id) == 1) {
      std::map<long, int> seen;
      Chain(hDB, id, out, seen);
    }
    ZLCloseDatabase(hDB);
    return out;
  }
  void Chain(void* hDB, long id, std::string& out, std::map<long, int>& seen) {
    for (bool first = true; id != 0; first = false) {
      out += (first ? "" : ",") + std::to_string(id);
      if (seen[id]++ > 0) {
        out += "!";
        return;
      }
      long child = 0;
      if (ZLGetFirstChildByID(hDB, id, child) == 1) {
        out += "(";
        Chain(hDB, child, out, seen);
        out += ")";
      }
      if (ZLGetNextByID(hDB, id, id) != 1) id = 0;
    }
  }

  std::string m_folder = m_dir.Path();
};

#endif  // ZLDBCTRL70_TESTS_MAINTENANCE_TREE_FIXTURE_H_
