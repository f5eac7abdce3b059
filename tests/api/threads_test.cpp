// Two threads, each with its own handle on its own file.  The library runs
// one call at a time, but such callers share nothing visible and must not
// corrupt each other: every call succeeds and each file ends up with
// exactly what its thread wrote.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70.h"

namespace {

constexpr int kRounds = 60;

// Writes kRounds records with titles and links through one handle, opening
// and closing it (and a shared second handle) along the way; counts calls
// that failed.
void Hammer(const std::string& path, std::atomic<int>& failures) {
  const auto check = [&](bool ok) {
    if (!ok) ++failures;
  };
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
  check(hDB != nullptr);
  if (hDB == nullptr) return;
  for (int round = 1; round <= kRounds; ++round) {
    COleVariant bookmark;
    long id = 0;
    check(ZLCreateNewRecord(hDB, bookmark) == 1);
    check(ZLGetIDByBookmark(hDB, bookmark, id) == 1);
    CMap<WORD, WORD, CString, LPCSTR> titles;
    titles.SetAt(1033, CString(std::to_string(round).c_str()));
    titles.SetAt(1031, "Titel");
    check(ZLSetTitleByID(hDB, id, titles, 0) == 1);
    check(ZLSetParentByID(hDB, id, id - 1) == 1);
    CString title;
    check(ZLGetTitleByID(hDB, id, 1033, title, 0) == 1 && title == std::to_string(round).c_str());
    void* shared = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
    check(shared == hDB);
    check(ZLCloseDatabase(shared) == 1);
    if (round % 10 == 0) {
      check(ZLCloseDatabase(hDB) == 1);
      hDB = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
      check(hDB != nullptr);
      if (hDB == nullptr) return;
    }
  }
  CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
  check(ZLGetAllBookmarks(hDB, bookmarks) == 1 && bookmarks.GetSize() == kRounds);
  ZLFreeBookmarkArray(bookmarks);
  check(ZLCloseDatabase(hDB) == 1);
}

TEST(ThreadsTest, TwoThreadsOnTwoFilesDoNotDisturbEachOther) {
  CScratchDir dir;
  std::vector<std::string> paths;
  for (const char* name : {"a.zdb", "b.zdb"}) {
    paths.push_back(dir.File(name));
    void* hDB = ZLCreateDatabase(paths.back().c_str());
    ASSERT_NE(hDB, nullptr);
    for (WORD language : {1033, 1031}) ASSERT_EQ(ZLAddResourceTable(hDB, language), 1);
    ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  }
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (const std::string& path : paths) threads.emplace_back(Hammer, path, std::ref(failures));
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
