// A fresh model library in a temporary folder, created for one test and
// closed after it, with the helpers most tests of the library share.
#ifndef ZLDBCTRL70_TESTS_SUPPORT_LIBRARY_FIXTURE_H_
#define ZLDBCTRL70_TESTS_SUPPORT_LIBRARY_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>

#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "support/test_backend.h"
#include "zldbctrl70.h"

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = testbackend::MainLibrary(m_dir, "lib.zdb");
    m_hDB = ZLCreateDatabase(m_path.c_str());
    ASSERT_NE(m_hDB, nullptr) << "error " << ZLGetLastError();
  }
  void TearDown() override {
    if (m_hDB != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_hDB), 1);
    }
  }
  // Closes the creating handle (tests that reopen the file).
  void CloseLibrary() {
    ASSERT_EQ(ZLCloseDatabase(m_hDB), 1);
    m_hDB = nullptr;
  }
  // The last error after a call that returned 0; -1 after one that succeeded.
  static int FailCode(int result) { return result == 0 ? ZLGetLastError() : -1; }
  // A new record; its ID (and bookmark, when asked for).
  long NewRecord(COleVariant* bookmark = nullptr) {
    COleVariant mark;
    long id = 0;
    EXPECT_EQ(ZLCreateNewRecord(m_hDB, mark), 1);
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, mark, id), 1);
    if (bookmark != nullptr) *bookmark = mark;
    return id;
  }
  // The locked handle record, for checks that reach past the public
  // interface.  Valid while the returned lock lives.
  static zl::ZLHandleRecord& Record(zl::CHandleLock& lock) { return lock.Record(); }

  CScratchDir m_dir;
  std::string m_path;
  void* m_hDB = nullptr;
};

#endif  // ZLDBCTRL70_TESTS_SUPPORT_LIBRARY_FIXTURE_H_
