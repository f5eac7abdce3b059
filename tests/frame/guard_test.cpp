// The guard of the handle-making entries: what a body returns or throws
// becomes the handle returned and the last error left.
#include "frame/guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "engine/dao_errors.h"

namespace {

struct GuardCase {
  const char* what;
  std::function<zl::ZLHandleOutcome()> body;
  bool returnsHandle;
  int code;
};

TEST(RunCreatingHandleTest, BodyResultsAndExceptionsBecomeHandleAndLastError) {
  int block = 0;
  void* const handle = &block;
  const GuardCase cases[] = {
      {"success", [&] { return zl::ZLHandleOutcome::Ok(handle); }, true, ZLE_OK},
      {"refusal", [] { return zl::ZLHandleOutcome::Fail(ZLE_FILE_NOT_FOUND); }, false,
       ZLE_FILE_NOT_FOUND},
      {"engine exception", []() -> zl::ZLHandleOutcome { throw CDaoException(); }, false,
       ZLE_OPEN_FAILED},
      {"memory exhausted", []() -> zl::ZLHandleOutcome { throw std::bad_alloc(); }, false,
       ZLE_OUT_OF_MEMORY},
      {"anything else", []() -> zl::ZLHandleOutcome { throw std::runtime_error("x"); }, false,
       ZLE_ENGINE},
  };
  for (const GuardCase& c : cases) {
    zl::SetLastError(ZLE_BAD_HANDLE);
    void* const result = zl::RunCreatingHandle(ZLE_OPEN_FAILED, c.body);
    EXPECT_EQ(result, c.returnsHandle ? handle : nullptr) << c.what;
    EXPECT_EQ(zl::LastError(), c.code) << c.what;
  }
}

}  // namespace
