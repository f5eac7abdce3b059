// The one entry step every exported operation runs: validate and lock the
// handle, begin the operation's transaction, run the body, commit when it
// succeeded (roll back when it failed or threw), map any exception to a
// last-error code, unlock on every way out and set the last error.  Three
// shapes: RunGuarded (with RunGuardedRead and RunGuardedRecordOnly) for
// operations on a handle, RunUnguarded for operations without one, and
// RunCreatingHandle for the entries that make a handle (open, create).
//
// A body returns a ZLOutcome (ZLHandleOutcome for the handle-creating
// entries); it never sets the last error itself, so every code an operation
// leaves is visible in its return statements.
#ifndef ZLDBCTRL70_FRAME_GUARD_H_
#define ZLDBCTRL70_FRAME_GUARD_H_

#include <mutex>
#include <new>
#include <utility>

#include "frame/handle_record.h"
#include "frame/last_error.h"
#include "frame/operation.h"

namespace zl {

// The result of an operation: the value to return and the last error to
// leave (or leave the last error as it was).
struct ZLOutcome {
  int result;
  int code;
  bool setsCode;

  static ZLOutcome Ok() { return {1, ZLE_OK, true}; }
  static ZLOutcome Fail(int code) { return {0, code, true}; }
  // Success that leaves the last error as it was.
  static ZLOutcome OkKeepError() { return {1, ZLE_OK, false}; }
  // Success that still reports a code (an operation that succeeds without
  // having anything to do, for instance).
  static ZLOutcome OkWithCode(int code) { return {1, code, true}; }
  // From a status code: 0 is success, anything else a failure with it.
  static ZLOutcome FromCode(int code) { return code == ZLE_OK ? Ok() : Fail(code); }
};

// Calls into the library run one at a time, whatever thread makes them: the
// handle table, the open-handle list and the engine's file registry are
// process-wide, and a workspace transaction spans every open file, so two
// threads on two handles would otherwise meet inside the engine.  Every
// entry step below holds this lock for the whole call; it is recursive
// because an operation may call another export.
std::recursive_mutex& OperationMutex();

// The last-error code for an exception caught at an operation's edge:
// engine exceptions map through engineCode (9 unless the operation
// distinguishes more), memory exhaustion to 6, anything else to 9.
int CodeForCurrentException(int engineCode = ZLE_ENGINE);

// Runs body() and returns its code; an engine exception becomes engineCode
// (9 unless given), memory exhaustion 6.  For routines that report codes
// rather than throw.
template <typename Body>
int CatchEngineErrors(Body&& body, int engineCode = ZLE_ENGINE) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return CodeForCurrentException(engineCode);
  }
}

// Runs body(record) for a valid handle inside the operation's transaction
// (frame/operation.h): one SQLite transaction for the whole call, committed
// when the outcome is a success and rolled back otherwise, so a failed
// operation leaves the file as it was.  A handle whose block is too small,
// cannot be locked or is not a handle record gives 7; a transaction that
// cannot begin gives its code (12 when the write lock is held elsewhere
// beyond the busy timeout) and the body does not run.  Other engine failures
// of the operation's own transaction (its begin or commit) give engineCode
// (9 unless the operation reports engine failures as another code); a
// failed commit leaves the file as it was.
template <typename Body>
int RunGuardedAs(EAccess access, void* hDB, Body&& body, int engineCode = ZLE_ENGINE) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  ZLOutcome outcome = ZLOutcome::Fail(ZLE_BAD_HANDLE);
  try {
    CHandleLock lock(hDB);
    if (lock.IsValid()) {
      COperationScope operation(lock.Record(), access, engineCode);
      if (operation.BeginCode() != ZLE_OK) {
        outcome = ZLOutcome::Fail(operation.BeginCode());
      } else {
        outcome = body(lock.Record());
        try {
          // A read that ran without a transaction and met another process's
          // commit is repeated in one view.
          if (operation.RepeatInOneView()) outcome = body(lock.Record());
          operation.End(outcome.result != 0);
        } catch (...) {
          outcome = ZLOutcome::Fail(CodeForCurrentException(engineCode));
        }
      }
    }
  } catch (...) {
    outcome = ZLOutcome::Fail(CodeForCurrentException());
  }
  if (outcome.setsCode) SetLastError(outcome.code);
  return outcome.result;
}

// An operation that may write: it holds the file's write lock from its
// start (waiting at most the busy timeout) and commits once.
template <typename Body>
int RunGuarded(void* hDB, Body&& body, int engineCode = ZLE_ENGINE) {
  return RunGuardedAs(EAccess::kWrite, hDB, std::forward<Body>(body), engineCode);
}

// An operation that only reads: it sees one committed state of the file.
template <typename Body>
int RunGuardedRead(void* hDB, Body&& body) {
  return RunGuardedAs(EAccess::kRead, hDB, std::forward<Body>(body));
}

// An operation on the handle record alone (no transaction).
template <typename Body>
int RunGuardedRecordOnly(void* hDB, Body&& body) {
  return RunGuardedAs(EAccess::kNone, hDB, std::forward<Body>(body));
}

// Runs body(source, dest) for an operation that reads one handle's file and
// writes another's (or the same handle, then one record for both): the
// destination's write transaction is begun first, then the source's read
// transaction, so the source shows one committed state while the
// destination's writes commit once or are rolled back wholly.  Either
// handle bad gives 7.
template <typename Body>
int RunGuardedReadWrite(void* hSource, void* hDest, Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  ZLOutcome outcome = ZLOutcome::Fail(ZLE_BAD_HANDLE);
  try {
    CHandleLock destLock(hDest);
    if (destLock.IsValid()) {
      COperationScope write(destLock.Record(), EAccess::kWrite);
      if (write.BeginCode() != ZLE_OK) {
        outcome = ZLOutcome::Fail(write.BeginCode());
      } else if (hSource == hDest) {
        outcome = std::forward<Body>(body)(destLock.Record(), destLock.Record());
        write.End(outcome.result != 0);
      } else {
        CHandleLock sourceLock(hSource);
        if (sourceLock.IsValid()) {
          COperationScope read(sourceLock.Record(), EAccess::kRead);
          if (read.BeginCode() != ZLE_OK) {
            outcome = ZLOutcome::Fail(read.BeginCode());
          } else {
            outcome = std::forward<Body>(body)(sourceLock.Record(), destLock.Record());
            read.End(true);
            write.End(outcome.result != 0);
          }
        }
      }
    }
  } catch (...) {
    outcome = ZLOutcome::Fail(CodeForCurrentException());
  }
  if (outcome.setsCode) SetLastError(outcome.code);
  return outcome.result;
}

// Runs body() for an operation without a handle, with the same exception
// mapping.
template <typename Body>
int RunUnguarded(Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  ZLOutcome outcome = ZLOutcome::Fail(ZLE_ENGINE);
  try {
    outcome = std::forward<Body>(body)();
  } catch (...) {
    outcome = ZLOutcome::Fail(CodeForCurrentException());
  }
  if (outcome.setsCode) SetLastError(outcome.code);
  return outcome.result;
}

// The result of an entry that makes a handle: the handle to return (null on
// a failure) and the last error to leave.
struct ZLHandleOutcome {
  HANDLE handle;
  int code;

  static ZLHandleOutcome Ok(HANDLE handle) { return {handle, ZLE_OK}; }
  static ZLHandleOutcome Fail(int code) { return {nullptr, code}; }
};

// Runs body() for an entry that makes a handle, with the same exception
// mapping; an engine exception that reaches it becomes engineCode (the
// entry's own failure code).  Returns the handle, or null.
template <typename Body>
HANDLE RunCreatingHandle(int engineCode, Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  ZLHandleOutcome outcome = ZLHandleOutcome::Fail(engineCode);
  try {
    outcome = std::forward<Body>(body)();
  } catch (...) {
    outcome = ZLHandleOutcome::Fail(CodeForCurrentException(engineCode));
  }
  SetLastError(outcome.code);
  return outcome.handle;
}

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_GUARD_H_
