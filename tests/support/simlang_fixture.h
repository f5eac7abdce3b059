// A fresh library with simulator-language tables, and the helpers the macro,
// call and package tests share: raw access to a simulator table's
// rows, the file's bytes, and the sweep that fails every write and commit
// of an operation in turn.
#ifndef ZLDBCTRL70_TESTS_SUPPORT_SIMLANG_FIXTURE_H_
#define ZLDBCTRL70_TESTS_SUPPORT_SIMLANG_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/faults.h"
#include "schema/zl_recordset.h"
#include "simlang/simtable_registry.h"
#include "support/library_fixture.h"

class SimLangTest : public LibraryTest {
 protected:
  // The bytes of the closed file (the handle is closed, so the log is
  // folded into it, and opened again).
  std::string Image() {
    CloseLibrary();
    const std::string bytes = CScratchDir::Read(m_path);
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
    EXPECT_NE(m_hDB, nullptr);
    return bytes;
  }

  // Runs op with its nth write, then its nth commit, failing, for n = 1, 2,
  // ... until op succeeds.  Every failure must leave the file's bytes as
  // they were and report the engine's code 9; op must succeed once no fault
  // is left to hit.  After each success, restore (if given) makes op
  // repeatable; otherwise op must be repeatable as it is.  prepare (if
  // given) runs before each try, outside the faults (bookmarks, for
  // instance, do not outlive the reopening).
  void ExpectAllOrNothing(const std::function<int()>& op,
                          const std::function<void()>& restore = nullptr,
                          const std::function<void()>& prepare = nullptr) {
    using zl::engine::CFaultInjector;
    using zl::engine::FaultKind;
    for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
      for (long n = 1;; ++n) {
        const std::string before = Image();
        if (prepare) prepare();
        zl::engine::CFaultScope faults;
        CFaultInjector::FailNth(kind, n);
        const int result = op();
        const bool hit = CFaultInjector::Count(kind) >= n;
        CFaultInjector::Reset();
        if (!hit) {
          ASSERT_EQ(result, 1) << "error " << ZLGetLastError();
          EXPECT_GT(n, 1) << "op never reached a fault of kind " << static_cast<int>(kind);
          if (restore) restore();
          break;
        }
        EXPECT_EQ(FailCode(result), ZLE_ENGINE) << "fault " << static_cast<int>(kind) << "/" << n;
        EXPECT_TRUE(Image() == before) << "fault " << static_cast<int>(kind) << "/" << n;
        ASSERT_LT(n, 200);
      }
    }
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
