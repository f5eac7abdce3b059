// The fault sweep for one writer at a fixed point (one that changes the
// schema at run time, or an internal routine no export reaches yet): each
// write and each commit of one call fails in turn, and the file must come
// out byte for byte as it was.  The reliability sweep draws its writers at
// random; these calls must be swept where they are (a record's first
// profile string, a new data column, a record's content).
#ifndef ZLDBCTRL70_TESTS_SUPPORT_SCHEMA_SWEEP_H_
#define ZLDBCTRL70_TESTS_SUPPORT_SCHEMA_SWEEP_H_

#include <functional>
#include <string>

#include "engine/faults.h"
#include "support/simlang_fixture.h"

class SchemaSweepTest : public SimLangTest {
 protected:
  // Runs op with its nth write, then its nth commit, failing, for n = 1, 2,
  // ... until op succeeds; every failure must report 9 and leave the file's
  // bytes as they were.  restore (if given) runs after each success,
  // prepare (if given) before each run, with no fault armed (reads op needs
  // on the reopened file, such as bookmarks).
  void ExpectAllOrNothing(const std::function<int()>& op,
                          const std::function<void()>& restore = nullptr,
                          const std::function<void()>& prepare = nullptr) {
    using zl::engine::CFaultInjector;
    using zl::engine::FaultKind;
    // On a server the library stays open: its image is read over a
    // connection of its own, and again only when something committed.
    testbackend::CImageWatch images(m_path);
    const auto image = [&] { return testbackend::OnServer() ? images.Again() : Image(); };
    for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
      for (long n = 1;; n = testbackend::NextFault(n)) {
        const std::string before = testbackend::OnServer() ? images.Take() : Image();
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
        EXPECT_TRUE(image() == before) << "fault " << static_cast<int>(kind) << "/" << n;
        ASSERT_LT(n, 2000);
      }
    }
  }
};

#endif  // ZLDBCTRL70_TESTS_SUPPORT_SCHEMA_SWEEP_H_
