// CDaoWorkspace: the process's workspace, the scope of transactions, and the
// file-level services (refresh, compaction, repair).
//
// There is one workspace per process.  Every CDaoWorkspace object, and the
// m_pWorkspace of every CDaoDatabase, stands for it, so a transaction begun
// through any of them covers every database open in the process.
//
// Transactions nest.  The outermost BeginTrans takes the write lock of every
// database file open for writing (waiting at most the busy timeout, then
// 3260); inner levels are savepoints.  CommitTrans of an inner level keeps
// its writes inside the enclosing level; the outermost CommitTrans makes all
// of them durable at once (one commit per database file; files are
// committed one after the other).  Rollback at any level undoes exactly what
// was written since its BeginTrans on every database, schema changes
// included; recordsets stay open, and a current row that the rollback
// removed reads as "no current record" (3021).  A failed outermost
// CommitTrans (3043 disk error, 3026 disk full) leaves the transaction open
// so that the caller's Rollback undoes it.  A database opened while a
// transaction is open joins it at the current level; closing a database
// drops its uncommitted writes.
#ifndef ZLDBCTRL70_ENGINE_DAO_WORKSPACE_H_
#define ZLDBCTRL70_ENGINE_DAO_WORKSPACE_H_

#include "engine/dao_types.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

class CDaoWorkspace : public CObject {
 public:
  CDaoWorkspace() = default;
  ~CDaoWorkspace() override = default;
  CDaoWorkspace(const CDaoWorkspace&) = delete;
  CDaoWorkspace& operator=(const CDaoWorkspace&) = delete;

  // The process's default workspace (never null, never freed).
  static CDaoWorkspace* GetDefault();

  // Transactions, as described above.  CommitTrans and Rollback without an
  // open transaction raise 3034.
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  // Number of open transaction levels (0 when none).
  int GetTransactionDepth() const;

  // dbRefreshCache: later reads see what other processes committed, and
  // cached rows, read-ahead and table layouts are dropped when (and only
  // when) another process has committed since the last look.  dbFreeLocks
  // and other values do nothing.
  static void Idle(int nAction = dbFreeLocks);

  // Writes a compacted copy of the closed database lpszSrcName to the new
  // file lpszDestName (3204 when it exists).  The source is opened with the
  // password of lpszPassword (";PWD=..."), else of lpszLocale.  The copy
  // keeps every table, row, row order, index, counter and date, and gets the
  // password of lpszLocale when it names one, else the source's.  The source
  // must not be open in this process (3045) or exclusively elsewhere (3356).
  // On failure no destination file is left behind.
  static void CompactDatabase(LPCSTR lpszSrcName, LPCSTR lpszDestName,
                              LPCSTR lpszLocale = dbLangGeneral, int nOptions = 0);
  static void CompactDatabase(LPCSTR lpszSrcName, LPCSTR lpszDestName, LPCSTR lpszLocale,
                              int nOptions, LPCSTR lpszPassword);

  // Checks the closed database lpszName and, when it is damaged, rebuilds it
  // in place from everything that can still be read: every table, row by
  // row, skipping rows that cannot be read; then indexes are rebuilt (rows
  // that would break a unique index are kept out of the rebuilt table).  A
  // table whose description in the bookkeeping is lost keeps its rows with
  // the types its columns declare (Long, Double, Memo, Long binary), without
  // indexes or counter.  A healthy file is left unchanged.  3024 when
  // the file does not exist, 3343 when it is not a database at all, 3045
  // when it is open in this process, 3356 when another process has it open.
  static void RepairDatabase(LPCSTR lpszName);

  // How long a busy database is waited for before an operation fails with
  // a lock error (milliseconds, default 5000).  Process-wide.
  static void SetBusyTimeout(int nMilliseconds);
  static int GetBusyTimeout();
};

#endif  // ZLDBCTRL70_ENGINE_DAO_WORKSPACE_H_
