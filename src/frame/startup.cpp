// Closing the handles still open at unload and exit, and RegisterDAO.
#include "frame/startup.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "engine/sqlite_seam.h"
#include "frame/guard.h"
#include "frame/handle_record.h"
#include "platform/temp_folder.h"
#include "zldbctrl70/database.h"

namespace zl {
namespace {

// Its destructor runs with the other static objects' destructors, in the
// reverse order of their construction: at exit, and when the library is
// unloaded.
class CHandleCloser {
 public:
  CHandleCloser() = default;
  ~CHandleCloser() { CloseAllOpenHandles(); }
  CHandleCloser(const CHandleCloser&) = delete;
  CHandleCloser& operator=(const CHandleCloser&) = delete;
};

}  // namespace

void CloseAllOpenHandles() {
  std::unique_lock<std::recursive_mutex> lock(OperationMutex(), std::try_to_lock);
  if (!lock.owns_lock()) return;
  try {
    // Destroying the head unlinks it; a head that cannot be destroyed ends
    // the walk rather than looping on it.
    while (HANDLE head = OpenHandleListHead()) {
      if (DestroyHandle(head) != ZLE_OK) break;
    }
  } catch (...) {
  }
}

void CloseHandlesAtExit() { static CHandleCloser closer; }

}  // namespace zl

int RegisterDAO(int bShowErrors) {
  std::string problem;
  try {
    problem = zl::engine::BackendProblem(zl::SystemTempFolder());
  } catch (...) {
    problem = "the check ran out of memory";
  }
  if (problem.empty()) return 1;
  if (bShowErrors != 0) std::fprintf(stderr, "ZLDBCTRL: %s\n", problem.c_str());
  return 0;
}
