// A fresh legacy database in a scratch folder, open read-write.
#ifndef ZLDBCTRL70_TESTS_LEGACY_LEGACY_FIXTURE_H_
#define ZLDBCTRL70_TESTS_LEGACY_LEGACY_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>

#include "platform/scratch_dir.h"
#include "zldbctrl70.h"

class LegacyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hDB = CreateZLDatabase(m_path.c_str());
    ASSERT_NE(m_hDB, nullptr) << GetLastZLDBError();
  }
  void TearDown() override {
    if (m_hDB != nullptr) {
      EXPECT_EQ(CloseZLDatabase(m_hDB), 1);
    }
  }

  // The last error after a call that returned 0; -1 after one that succeeded.
  static int FailCode(int result) { return result == 0 ? GetLastZLDBError() : -1; }
  // A new model with a name; its ID.
  long NewModel(const char* name, COleVariant* bookmark = nullptr) {
    COleVariant mark;
    long id = 0;
    EXPECT_EQ(CreateNewRecord(m_hDB, mark), 1);
    EXPECT_EQ(SetNameByBookmark(m_hDB, mark, name), 1);
    EXPECT_EQ(GetIDByBookmark(m_hDB, mark, id), 1);
    if (bookmark != nullptr) *bookmark = mark;
    return id;
  }

  CScratchDir m_dir;
  std::string m_path = m_dir.File("legacy.sdb");
  void* m_hDB = nullptr;
};

#endif  // ZLDBCTRL70_TESTS_LEGACY_LEGACY_FIXTURE_H_
