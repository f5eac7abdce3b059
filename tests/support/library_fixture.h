// A fresh model library in a temporary folder, created for one test and
// closed after it.
#ifndef ZLDBCTRL70_TESTS_SUPPORT_LIBRARY_FIXTURE_H_
#define ZLDBCTRL70_TESTS_SUPPORT_LIBRARY_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>

#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "zldbctrl70.h"

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.File("lib.zdb");
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
  // The locked handle record, for checks that reach past the public
  // interface.  Valid while the returned lock lives.
  static zl::ZLHandleRecord& Record(zl::CHandleLock& lock) { return lock.Record(); }

  CScratchDir m_dir;
  std::string m_path;
  void* m_hDB = nullptr;
};

#endif  // ZLDBCTRL70_TESTS_SUPPORT_LIBRARY_FIXTURE_H_
