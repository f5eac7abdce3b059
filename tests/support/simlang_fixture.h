// A fresh library with simulator-language tables, and the helpers the macro,
// call and package tests share: raw access to a simulator table's rows and
// the file's bytes.  (Failures at every write point of the writers are
// swept in tests/reliability.)
#ifndef ZLDBCTRL70_TESTS_SUPPORT_SIMLANG_FIXTURE_H_
#define ZLDBCTRL70_TESTS_SUPPORT_SIMLANG_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "schema/zl_recordset.h"
#include "simlang/simtable_registry.h"
#include "support/library_fixture.h"

class SimLangTest : public LibraryTest {
 protected:
  // The bytes of the closed file (the handle is closed, so the log is
  // folded into it, and opened again), or the server library's rows.
  std::string Image() {
    CloseLibrary();
    const std::string bytes = testbackend::Image(m_path);
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
    EXPECT_NE(m_hDB, nullptr);
    return bytes;
  }

  // Runs edit(rs) on the open table of a kind, for writing rows the library
  // would not write (damaged blocks) and reading them back raw.
  void WithTable(int kind, const char* language, const std::function<void(CZLRecordset&)>& edit) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset* rs = zl::FindSimulatorTable(lock.Record(), kind, language);
    ASSERT_NE(rs, nullptr);
    edit(*rs);
  }
};

#endif  // ZLDBCTRL70_TESTS_SUPPORT_SIMLANG_FIXTURE_H_
