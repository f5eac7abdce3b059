// Four writer processes on one library (a file, or with
// ZL_TEST_BACKEND=postgres a server library, the processes its clients),
// each writing its records through the public interface while a reader
// process checks every record it sees:
// every write lands exactly once, nothing but the documented lock code (12)
// reaches a writer, nobody hangs, and the reader never sees a record
// without the name, title, parameter set and profile string written with
// it.  Then the same with four writer threads and a reader thread in one
// process, which the library runs one call at a time: no call may fail at
// all.
// Sizes: ZL_CONCURRENT_WRITERS (4), ZL_CONCURRENT_WRITES (250 per writer;
// each is one caller transaction of seven exports; a thread's write is two
// exports, the second writing two texts).
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <sstream>
#include <thread>

#include "platform/scratch_dir.h"
#include "reliability/library_check.h"
#include "reliability/operations.h"
#include "support/child_process.h"
#include "support/test_backend.h"
#include "zldbctrl70.h"

namespace {

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;

std::string NameOf(long writer, long write) {
  return "w" + std::to_string(writer) + "-" + std::to_string(write);
}

// Names of the records in the file, each as often as it occurs ("" for a
// record without one).
std::multiset<std::string> RecordNames(const std::string& path) {
  std::multiset<std::string> names;
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  EXPECT_NE(hDB, nullptr);
  if (hDB == nullptr) return names;
  CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
  EXPECT_EQ(ZLGetAllBookmarks(hDB, bookmarks), 1);
  for (int i = 0; i < bookmarks.GetSize(); ++i) {
    CString name;
    ZLGetDefNameByBookmark(hDB, *bookmarks[i], name);
    names.insert(std::string(name));
  }
  ZLFreeBookmarkArray(bookmarks);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  return names;
}

// Writes missing from the names; each write must be there exactly once.
long Lost(const std::multiset<std::string>& names, long writers, long writes) {
  long lost = 0;
  for (long w = 0; w < writers; ++w) {
    for (long i = 0; i < writes; ++i) {
      const size_t count = names.count(NameOf(w, i));
      EXPECT_EQ(count, 1u) << NameOf(w, i);
      lost += count == 0 ? 1 : 0;
    }
  }
  return lost;
}

// A parameter set titled with the name and a profile string holding it
// (its tables created on demand by whichever writer comes first).
bool WriteContent(void* hDB, long id, const std::string& name) {
  long set = 0;
  return ZLCreateNewParamSet(hDB, id, set) == 1 &&
         ZLSetTitleByID(hDB, id, kEnglish, name.c_str(), set) == 1 &&
         ZLSetProfileString(hDB, id, "Prof", "Sim", "Name", CString(name.c_str())) == 1;
}

// Whether the record's set and profile string hold its name.
bool ContentHolds(void* hDB, long id, const CString& name) {
  long set = 0;
  CString title, profile;
  return ZLGetFirstParamSetByID(hDB, id, set) == 1 &&
         ZLGetTitleByID(hDB, id, kEnglish, title, set) == 1 && title == name &&
         ZLGetProfileString(hDB, id, "Prof", "Sim", "Name", profile) == 1 && profile == name;
}

// One record with its name, title, a parameter set and a profile string, in
// one caller transaction.  0, or
// the code of the failing export.
int WriteRecord(void* hDB, const std::string& name) {
  if (ZLBeginTransaction(hDB) != 1) return ZLGetLastError();
  COleVariant bookmark;
  long id = 0;
  if (ZLCreateNewRecord(hDB, bookmark) != 1 || ZLGetIDByBookmark(hDB, bookmark, id) != 1 ||
      ZLSetDefNameByID(hDB, id, name.c_str()) != 1 ||
      ZLSetTitleByID(hDB, id, kEnglish, name.c_str(), 0) != 1 || !WriteContent(hDB, id, name) ||
      ZLCommitTransaction(hDB) != 1) {
    const int code = ZLGetLastError();
    ZLRollbackTransaction(hDB);
    return code;
  }
  return 0;
}

// Writes its records, retrying a write that met a lock; prints
// "done <lock retries>", or exits 3 on any other error.
ZL_CHILD_ACTION(ConcurrentWriter) {
  alarm(600);
  void* hDB = nullptr;
  for (int attempt = 0; hDB == nullptr && attempt < 100; ++attempt) {
    hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
    if (hDB == nullptr && ZLGetLastError() != ZLE_LOCKED) return 2;
  }
  if (hDB == nullptr) return 2;
  const long writer = std::stol(args.at(1));
  const long writes = std::stol(args.at(2));
  long retries = 0;
  for (long write = 0; write < writes; ++write) {
    for (int code = WriteRecord(hDB, NameOf(writer, write)); code != 0;
         code = WriteRecord(hDB, NameOf(writer, write))) {
      if (code != ZLE_LOCKED) {
        std::fprintf(stderr, "writer %ld write %ld: error %d\n", writer, write, code);
        return 3;
      }
      ++retries;
    }
  }
  zltest::ChildSignalReady(("done " + std::to_string(retries)).c_str());
  return ZLCloseDatabase(hDB) == 1 ? 0 : 4;
}

// Until its input closes: reads every record and checks that each one the
// writers made has its name and the same title.  Prints "passes <n>
// records <seen>"; exits 5 on a half-written record, 6 on another error.
ZL_CHILD_ACTION(ConcurrentReader) {
  alarm(600);
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadOnly);
  if (hDB == nullptr) return 2;
  zltest::ChildSignalReady();
  long passes = 0, seen = 0;
  for (pollfd input{0, POLLIN, 0}; poll(&input, 1, 0) == 0; ++passes) {
    CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
    if (ZLGetAllBookmarks(hDB, bookmarks) != 1) {
      if (ZLGetLastError() == ZLE_LOCKED) continue;
      return 6;
    }
    for (int i = 0; i < bookmarks.GetSize(); ++i) {
      long id = 0;
      CString name, title;
      if (ZLGetIDByBookmark(hDB, *bookmarks[i], id) != 1 || id <= zlrel::kStartRecords) continue;
      ++seen;
      if (ZLGetDefNameByID(hDB, id, name) != 1 ||
          ZLGetTitleByID(hDB, id, kEnglish, title, 0) != 1 || name != title ||
          !ContentHolds(hDB, id, name)) {
        std::fprintf(stderr, "record %ld: name '%s' title '%s' error %d\n", id,
                     static_cast<const char*>(name), static_cast<const char*>(title),
                     ZLGetLastError());
        return 5;
      }
    }
    ZLFreeBookmarkArray(bookmarks);
  }
  std::printf("passes %ld records %ld\n", passes, seen);
  return ZLCloseDatabase(hDB) == 1 ? 0 : 4;
}

TEST(ConcurrencyTest, WritersInFourProcessesLoseNothingAndReadersSeeNoHalfWrite) {
  const long writers = zlrel::EnvCount("ZL_CONCURRENT_WRITERS", 4);
  const long writes = zlrel::EnvCount("ZL_CONCURRENT_WRITES", 250);
  CScratchDir dir;
  const std::string path = testbackend::MainLibrary(dir, "shared.zdb");
  ASSERT_TRUE(zlrel::CreateStartFile(path));

  zltest::CChildProcess reader("ConcurrentReader", {path});
  ASSERT_EQ(reader.ReadLine(), "ready");
  std::vector<std::unique_ptr<zltest::CChildProcess>> children;
  for (long w = 0; w < writers; ++w) {
    children.push_back(std::make_unique<zltest::CChildProcess>(
        "ConcurrentWriter", zltest::ChildArgs{path, std::to_string(w), std::to_string(writes)}));
  }
  long retries = 0;
  for (auto& child : children) {
    std::istringstream done(child->ReadLine(600));
    std::string word;
    long count = -1;
    done >> word >> count;
    EXPECT_EQ(word, "done");
    retries += count;
    EXPECT_EQ(child->Finish(60), 0);
  }
  EXPECT_EQ(reader.Finish(60), 0);
  const std::string passes = reader.ReadLine(5);
  EXPECT_EQ(passes.rfind("passes ", 0), 0u) << passes;

  // Every record exactly once.
  const std::multiset<std::string> names = RecordNames(path);
  EXPECT_EQ(static_cast<long>(names.size()), zlrel::kStartRecords + writers * writes);
  const long lost = Lost(names, writers, writes);
  const std::vector<std::string> problems = zlrel::CheckLibrary(path);
  EXPECT_TRUE(problems.empty()) << problems.front();
  std::printf("ZL-SUMMARY concurrency writers=%ld writes=%ld lost=%ld lock_retries=%ld reader=%s\n",
              writers, writers * writes, lost, retries, passes.c_str());
}

// Each thread opens the file (the opens share one handle), creates its
// records and gives each a name and, in one call, an English and a German
// title; the reader thread checks that no record it sees has one title
// without the other.  Any failed call is counted.
TEST(ConcurrencyTest, WriterThreadsInOneProcessLoseNothingAndReadersSeeNoHalfWrite) {
  const long writers = zlrel::EnvCount("ZL_CONCURRENT_WRITERS", 4);
  const long writes = zlrel::EnvCount("ZL_CONCURRENT_WRITES", 250);
  CScratchDir dir;
  const std::string path = testbackend::MainLibrary(dir, "threads.zdb");
  ASSERT_TRUE(zlrel::CreateStartFile(path));
  std::atomic<long> failures{0}, halfWritten{0}, readerPasses{0};
  std::atomic<bool> writing{true};
  const auto writer = [&](long w) {
    void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadWriteNoLogin);
    if (hDB == nullptr) {
      ++failures;
      return;
    }
    for (long i = 0; i < writes; ++i) {
      const std::string name = NameOf(w, i);
      COleVariant bookmark;
      long id = 0;
      CMap<WORD, WORD, CString, LPCSTR> titles;
      titles[kEnglish] = name.c_str();
      titles[kGerman] = name.c_str();
      if (ZLCreateNewRecord(hDB, bookmark) != 1 || ZLGetIDByBookmark(hDB, bookmark, id) != 1 ||
          ZLSetDefNameByID(hDB, id, name.c_str()) != 1 || ZLSetTitleByID(hDB, id, titles, 0) != 1) {
        ++failures;
      }
    }
    if (ZLCloseDatabase(hDB) != 1) ++failures;
  };
  const auto reader = [&] {
    void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
    if (hDB == nullptr) {
      ++failures;
      return;
    }
    for (; writing; ++readerPasses) {
      CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
      if (ZLGetAllBookmarks(hDB, bookmarks) != 1) ++failures;
      for (int i = 0; i < bookmarks.GetSize(); ++i) {
        long id = 0;
        CMap<WORD, WORD, CString, LPCSTR> titles;
        if (ZLGetIDByBookmark(hDB, *bookmarks[i], id) == 1 && id > zlrel::kStartRecords &&
            ZLGetTitleByBookmark(hDB, *bookmarks[i], titles, 0) == 1 &&
            (titles.GetCount() != 2 || titles[kEnglish] != titles[kGerman])) {
          ++halfWritten;
        }
      }
      ZLFreeBookmarkArray(bookmarks);
    }
    if (ZLCloseDatabase(hDB) != 1) ++failures;
  };
  std::thread readerThread(reader);
  std::vector<std::thread> threads;
  for (long w = 0; w < writers; ++w) threads.emplace_back(writer, w);
  for (std::thread& t : threads) t.join();
  writing = false;
  readerThread.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(halfWritten.load(), 0);
  const std::multiset<std::string> names = RecordNames(path);
  EXPECT_EQ(static_cast<long>(names.size()), zlrel::kStartRecords + writers * writes);
  const long lost = Lost(names, writers, writes);
  const std::vector<std::string> problems = zlrel::CheckLibrary(path);
  EXPECT_TRUE(problems.empty()) << problems.front();
  std::printf("ZL-SUMMARY threads writers=%ld writes=%ld lost=%ld reader_passes=%ld\n", writers,
              writers * writes, lost, readerPasses.load());
}

}  // namespace
