// A model library written from scratch with plain SQL by another program
// (tests/api/write_library.py, which follows docs/file-format.md only) is
// opened, read and written by the library, and every later read, through
// the library or through plain SQL, agrees.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70.h"

namespace {

using Lines = std::vector<std::string>;

// The lines a command prints; empty when it fails.
Lines RunLines(const std::string& command) {
  Lines lines;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return lines;
  std::string line;
  for (int c = fgetc(pipe); c != EOF; c = fgetc(pipe)) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (::pclose(pipe) != 0) lines.clear();
  return lines;
}

std::string Script(const std::string& arguments) {
  return std::string("python3 " ZL_SOURCE_DIR "/tests/api/write_library.py ") + arguments;
}

std::string Link(int (*get)(void*, long, long&), void* h, long id) {
  long value = 0;
  if (get(h, id, value) == 0) return ZLGetLastError() == ZLE_NULL_VALUE ? "0" : "error";
  return std::to_string(value);
}

std::string Title(void* h, long id, WORD language) {
  CString title;
  if (ZLGetTitleByID(h, id, language, title, 0) == 0) {
    int code = ZLGetLastError();
    return code == ZLE_NULL_VALUE || code == ZLE_NO_RESOURCE_TEXT ? "-" : "error";
  }
  return title.GetString();
}

// The tree as the library reads it, from the root along the links, in the
// script's line format, by record ID.
Lines LibraryTree(void* h) {
  Lines lines;
  COleVariant rootBookmark;
  long root = 0;
  if (!ZLGetRootBookmark(h, rootBookmark) || !ZLGetIDByBookmark(h, rootBookmark, root)) {
    return lines;
  }
  std::vector<long> pending = {root};
  while (!pending.empty() && lines.size() < 1000) {
    long id = pending.back();
    pending.pop_back();
    unsigned long type = 0;
    ZLGetTypeByID(h, id, type);
    lines.push_back(std::to_string(id) + "|" + Link(ZLGetParentByID, h, id) + "|" +
                    Link(ZLGetFirstChildByID, h, id) + "|" + Link(ZLGetPrevByID, h, id) + "|" +
                    Link(ZLGetNextByID, h, id) + "|" + std::to_string(type) + "|" +
                    Title(h, id, 1033) + "|" + Title(h, id, 1031));
    long next = 0;
    if (ZLGetNextByID(h, id, next)) pending.push_back(next);
    long child = 0;
    if (ZLGetFirstChildByID(h, id, child)) pending.push_back(child);
  }
  std::sort(lines.begin(), lines.end(),
            [](const std::string& a, const std::string& b) { return std::stol(a) < std::stol(b); });
  return lines;
}

TEST(PlainSqlLibraryTest, ALibraryWrittenFromTheDocumentWorksAndStaysReadableByPlainSql) {
  CScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.Path() + "/plain.db";
  const Lines written = RunLines(Script("write " ZL_SOURCE_DIR "/docs/file-format.md " + path));
  ASSERT_EQ(written.size(), 7u) << "the script failed";

  void* h = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
  ASSERT_NE(h, nullptr) << "last error " << ZLGetLastError();
  EXPECT_EQ(LibraryTree(h), written);
  CString defName;
  ASSERT_TRUE(ZLGetDefNameByID(h, 3, defName));
  EXPECT_STREQ(defName.GetString(), "1N4148");

  // Writes: a changed title, a new title in a language the record lacked,
  // and a new model appended to the empty folder.
  ASSERT_TRUE(ZLSetTitleByID(h, 4, 1031, "Gleichrichterdiode 1N4007", 0));
  ASSERT_TRUE(ZLSetTitleByID(h, 7, 1031, "Leerer Ordner", 0));
  COleVariant bookmark;
  ASSERT_TRUE(ZLCreateNewRecord(h, bookmark));
  long added = 0;
  ASSERT_TRUE(ZLGetIDByBookmark(h, bookmark, added));
  EXPECT_EQ(added, 8) << "counting goes on past the largest ID present";
  ASSERT_TRUE(ZLSetParentByID(h, added, 7));
  ASSERT_TRUE(ZLSetFirstChildByID(h, 7, added));
  ASSERT_TRUE(ZLSetTypeByID(h, added, 0));
  ASSERT_TRUE(ZLSetTitleByID(h, added, 1033, "Zener diode", 0));
  ASSERT_TRUE(ZLSetTitleByID(h, added, 1031, "Z-Diode", 0));
  Lines expected = written;
  expected[3] = "4|2|0|3|0|0|Rectifier 1N4007|Gleichrichterdiode 1N4007";
  expected[6] = "7|1|8|5|0|1|Empty folder|Leerer Ordner";
  expected.push_back("8|7|0|0|0|0|Zener diode|Z-Diode");
  EXPECT_EQ(LibraryTree(h), expected);
  ASSERT_TRUE(ZLCloseDatabase(h));

  // Later reads agree: the library after reopening, and plain SQL.
  h = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  ASSERT_NE(h, nullptr) << "last error " << ZLGetLastError();
  EXPECT_EQ(LibraryTree(h), expected);
  ZLCloseDatabase(h);
  EXPECT_EQ(RunLines(Script("read " + path)), expected);
}

}  // namespace
