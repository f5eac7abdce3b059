// The transaction of one exported operation on a database handle.
//
// Every operation that reads or writes the file runs in one SQLite
// transaction on it: a reading operation sees one committed state of the
// file from its first read to its return (another process's commit shows
// wholly or not at all); a writing operation holds the write lock from its
// start and commits once at its end, so a value, its stamps and its texts
// become durable together, or not at all when the operation fails.  Inside
// a caller transaction (ZLBeginTransaction) a writing operation is a
// savepoint: its failure undoes only what it wrote, and nothing is committed
// until the caller commits.
//
// A reading operation outside any transaction, on a file nobody committed
// to since the handle's last look (one look at the file's shared log),
// opens no SQLite transaction: what the engine cached is still the file's
// state, and a lone statement reads one committed state by itself.  When
// one of its reads found a newer state (another process committed during
// the operation), the operation runs again inside one transaction, so its
// result always comes from one committed state.
//
// Snapshot mode holds a reading transaction on the file between calls (the
// handle's picture).  A writing operation ends it first and the next call
// takes a new one, which shows the write and whatever others committed
// before it.
#ifndef ZLDBCTRL70_FRAME_OPERATION_H_
#define ZLDBCTRL70_FRAME_OPERATION_H_

#include "frame/handle_record.h"
#include "zldbctrl70/errors.h"

namespace zl {

// What an operation does with the handle's file.
enum class EAccess {
  kNone,   // nothing (works on the handle record only)
  kRead,   // reads only
  kWrite,  // may write (a handle that cannot write runs it as a read)
};

class COperationScope {
 public:
  // Begins the operation's transaction.  On failure BeginCode() tells why:
  // 12 when another process held the write lock beyond the busy timeout,
  // engineCode another engine failure, 6 memory exhausted.
  COperationScope(ZLHandleRecord& record, EAccess access, int engineCode = ZLE_ENGINE);
  // Rolls back what the operation wrote unless End was reached.
  ~COperationScope();
  COperationScope(const COperationScope&) = delete;
  COperationScope& operator=(const COperationScope&) = delete;

  int BeginCode() const { return m_beginCode; }
  // Commits (succeeded) or rolls back the operation's writes.  Engine
  // errors of the commit propagate; the destructor then rolls back.
  void End(bool succeeded);
  // For a reading operation that ran without a transaction: true when a
  // read found a newer state than the operation began with; the operation
  // then continues in one transaction and the caller runs its body again.
  // Engine errors propagate.
  bool RepeatInOneView();

 private:
  void Undo();

  ZLHandleRecord& m_record;
  bool m_open = false;
  bool m_reading = false;  // began with CDaoDatabase::BeginFileRead
  int m_beginCode = 0;
  // How many language tables the handle held when the operation began.
  int m_languageTables = 0;
};

// Snapshot mode's reading transaction: TakeSnapshot begins it when the mode
// is on, no caller transaction is open and none is held yet; ReleaseSnapshot
// ends it when held.  Engine errors propagate.
void TakeSnapshot(ZLHandleRecord& record);
void ReleaseSnapshot(ZLHandleRecord& record);

// Closes the handle's language tables and forgets the registry stamps, so
// that the next look-up opens them again from what the file holds.  Used
// after a rollback that may have undone the creation or removal of a
// language's tables.
void ForgetLanguageTables(ZLHandleRecord& record);

// The code for a failure to begin a transaction: 12 for a lock held
// elsewhere beyond the busy timeout, else as CodeForCurrentException with
// engineCode.  Call from a catch block.
int CodeForBeginFailure(int engineCode = ZLE_ENGINE);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_OPERATION_H_
