// Fault injection for tests: makes the Nth write, commit or allocation of
// the engine fail with the error a real failure of that kind raises.
//
//   write       every statement that changes the file (rows, layout or the
//               engine's bookkeeping) -> CDaoException 3043 (disk or network
//               error) or 3026 (disk full), as chosen
//   commit      every commit that makes writes durable (an outermost
//               CommitTrans, or the commit of a write outside a
//               transaction) -> 3043 / 3026
//   allocation  every allocation of an engine object (statements, row
//               buffers, bookmarks, recordset cursors) -> CMemoryException
//
// A failed operation behaves exactly as if the storage had failed: a write
// outside a transaction is rolled back, so the file stays as it was; inside
// a transaction the failing step changes nothing and the transaction stays
// open for the caller to roll back.  Process-wide and not synchronised: use
// from the test's thread only.
#ifndef ZLDBCTRL70_ENGINE_FAULTS_H_
#define ZLDBCTRL70_ENGINE_FAULTS_H_

namespace zl::engine {

enum class FaultKind { kWrite = 0, kCommit = 1, kAllocation = 2 };
enum class FaultError { kDiskError, kDiskFull };

class CFaultInjector {
 public:
  // Arms one fault: the nth operation of that kind from now (1 = the next
  // one) fails with error (ignored for allocations).  Later operations
  // succeed again.  n <= 0 disarms that kind.
  static void FailNth(FaultKind kind, int n, FaultError error = FaultError::kDiskError);
  // Disarms everything and zeroes the counters.
  static void Reset();
  // Operations of that kind seen since the last Reset (to size a sweep).
  static long Count(FaultKind kind);

  // Engine side: counts one operation; true when it must fail now.
  static bool Hit(FaultKind kind);
  static FaultError ErrorOf(FaultKind kind);
  // Engine side: counts an allocation and throws CMemoryException when it
  // must fail.
  static void OnAllocation();
};

// Disarms every fault when it goes out of scope.
class CFaultScope {
 public:
  CFaultScope() { CFaultInjector::Reset(); }
  ~CFaultScope() { CFaultInjector::Reset(); }
  CFaultScope(const CFaultScope&) = delete;
  CFaultScope& operator=(const CFaultScope&) = delete;
};

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_FAULTS_H_
