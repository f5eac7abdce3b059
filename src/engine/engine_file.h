// One database file open in this process, shared by every CDaoDatabase on
// it, and the process's workspace transaction over all open files.
//
// A CEngineFile owns the SQLite connection and the file lock (closed in that
// order, because closing any descriptor of a file drops the process's POSIX
// locks on it, which SQLite relies on).  It caches table layouts, counts
// writes per table (generations) so that cursors know when their cached
// rows are stale, and keeps the row-number and counter sequences of the
// tables written in the current SQLite transaction, flushing them with the
// tables' last-updated dates right before the commit.  On a server the
// sequences outlive the transaction while nobody else commits (the data
// version the next transaction reads is the one this commit left).
#ifndef ZLDBCTRL70_ENGINE_ENGINE_FILE_H_
#define ZLDBCTRL70_ENGINE_ENGINE_FILE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/bookkeeping.h"
#include "engine/file_lock.h"
#include "engine/sqlite_seam.h"

namespace zl::engine {

class CEngineFile {
 public:
  CEngineFile(std::string path, CFileLock lock, bool readOnlyConnection, bool exclusive);
  ~CEngineFile();
  CEngineFile(const CEngineFile&) = delete;
  CEngineFile& operator=(const CEngineFile&) = delete;

  CSqlConnection& Conn() { return m_conn; }
  const std::string& Path() const { return m_path; }
  bool IsExclusive() const { return m_exclusive; }
  bool IsReadOnlyConnection() const { return m_readOnlyConnection; }
  // The connection was opened for reading only although the file is
  // writable (its folder is not).
  void MarkReadOnlyConnection() { m_readOnlyConnection = true; }
  const CFileLock& Lock() const { return m_lock; }

  // Sessions (CDaoDatabase objects) on this file, and how many may write.
  void AddSession(bool writable);
  void RemoveSession(bool writable);
  int SessionCount() const { return m_sessions; }
  bool Participates() const { return m_writableSessions > 0 && !m_readOnlyConnection; }

  // Table layouts, cached until a layout change or a refresh shows that
  // another process changed the file's layout.  A table, column or index
  // without bookkeeping (written by another tool) is adopted from SQLite's
  // schema; while a session that may write is open on a writable file, its
  // bookkeeping is filled in right away, in a write of its own (or within
  // the current transaction).  Otherwise (only reading sessions, or a file
  // this process cannot write) an adopted table gets a negative id and the
  // file is left as it is.
  std::shared_ptr<const CTableSchema> FindTable(const std::string& name);
  std::shared_ptr<const CTableSchema> FindTableById(int64_t id);
  // A private copy of a table's layout to change; PutTable stores it back.
  std::shared_ptr<CTableSchema> EditTable(const std::string& name);
  void PutTable(const std::shared_ptr<CTableSchema>& table);
  void ForgetTable(int64_t id);
  void ForgetSchema();
  uint64_t SchemaEpoch() const { return m_schemaEpoch; }

  // Generations: a cursor's cached rows are valid while both stay the same.
  uint64_t TableGeneration(int64_t tableId) const;
  uint64_t ExternalGeneration() const { return m_externalGeneration; }
  void BumpTable(int64_t tableId);

  // A write to the table happened in the current SQLite transaction.
  // keepsNumbers: it cannot have put a row number or counter past the
  // table's sequences (an insert that took its numbers from them, a
  // delete, an update of other fields).
  void MarkWritten(int64_t tableId, bool keepsNumbers = false);
  // Which tables' last-updated dates a committed write moves.  By default
  // every table's: the date changes on every committed write to it and is
  // strictly increasing, even for writes within the same millisecond.  After
  // KeepDatesOnlyFor(names) only the named tables (case-insensitive) keep
  // that contract; the dates of the others stay as they were (their row
  // numbers and counters are still stored), which spares every commit the
  // write of a bookkeeping row that nobody reads.  The setting belongs to
  // the file in this process (every session on it shares it); it is meant
  // for programs that learn of other processes' changes from a few tables'
  // dates only and that set it before writing.
  void KeepDatesOnlyFor(const std::vector<std::string>& names);
  // Row number / counter for a new row (inside a write transaction only).
  int64_t TakeRowId(int64_t tableId, const std::string& tableName);
  int64_t TakeCounter(int64_t tableId, const std::string& tableName);
  // Forgets the sequences of a table (after its layout changed).
  void ResetSequences(int64_t tableId);

  // The SQLite transaction of this file is a stack of levels: workspace
  // levels (Join) and file levels (BeginFileLevel).  The outermost level is
  // the SQLite transaction itself (BEGIN IMMEDIATE for a writing level,
  // BEGIN DEFERRED for a reading one, whose first read fixes the snapshot),
  // every inner writing level a savepoint; an inner reading level costs
  // nothing.  Levels end in the reverse order of their begin.
  bool InTransaction() const { return !m_levels.empty(); }
  // Opens the SQLite transaction of an outermost lazy reading level (see
  // BeginLazyReadLevel), so that what follows runs inside one.
  void EnsureSqlTransaction();
  // Workspace levels this file takes part in.
  int JoinedDepth() const { return m_joinedDepth; }
  // Brings the file into the workspace transaction at depth.
  void Join(int depth);
  // The outermost workspace commit: on a file without file levels below it
  // this flushes sequences and dates, then commits.  On failure the level
  // stays open.
  void CommitAll();
  void ReleaseLevel(int depth);
  void RollbackLevel(int depth);

  // File levels (CDaoDatabase::BeginFileTrans).  The begin of an outermost
  // level looks whether another process committed (as Refresh) inside the
  // new transaction, so the whole level works on one view of the file.
  void BeginFileLevel(bool forWriting);
  // A reading file level that, as the outermost level of a file whose shared
  // log shows no commit since the last look, opens no SQLite transaction:
  // what is cached stays valid, and each statement reads on its own.  If a
  // statement finds a newer state than the level began with (another
  // process committed meanwhile), SawNewerState() turns true; the caller
  // then ends the level and repeats its work in an ordinary one.  Writes
  // inside it turn it into an ordinary transaction first.
  void BeginLazyReadLevel();
  bool SawNewerState() const;
  void CommitFileLevel();
  void RollbackFileLevel();
  int FileLevels() const { return static_cast<int>(m_levels.size()) - m_joinedDepth; }

  // Throws AFX_DAO_ERROR_FILE_REPLACED unless the path still names the
  // file that was opened (same device and inode).  Checked before each write
  // transaction: the connection keeps writing the file it opened while
  // SQLite finds the log by path, so a replaced file must not be written.
  void RequireSameFile() const;
  bool IsSameFile() const;

  // For writes outside any transaction.
  void BeginOwn();
  void CommitOwn();
  void RollbackOwn();

  // Looks whether another process committed since the last look; if so,
  // drops what cursors cached (and layouts, when those changed).  Does
  // nothing inside a transaction, whose view cannot change.
  void Refresh();
  // As Refresh, and forgets the cached layouts when the layout version is
  // not the one they were read at (when any client, this one included,
  // changed a layout since), also inside a transaction.
  void RefreshLayouts();

  static std::string LevelName(int depth);

 private:
  struct Sequence {
    bool loaded = false;  // valid in the current write transaction
    bool dirty = false;
    int64_t nextRowId = 1;
    int64_t nextCounter = 1;
  };
  struct Level {
    bool workspace;
    bool savepoint;     // an inner level with a savepoint of its own
    bool lazy = false;  // the outermost reading level, no SQLite transaction
  };
  Sequence& LoadSequence(int64_t tableId, const std::string& tableName);
  // At the begin of a transaction: forgets the sequences kept from earlier
  // ones unless the data version is the one they were kept at.
  void CheckKeptSequences();
  // Whether a committed write to the table moves its last-updated date.
  bool KeepsDate(int64_t tableId) const;
  void PushLevel(bool workspace, bool forWriting);
  // Ends the innermost level; the level is removed only when that worked.
  void PopLevel(bool commit);
  void RefreshNow();
  void DropCachedState();
  // Drops the cached layouts that lack bookkeeping.
  void ForgetUnrecordedTables();
  // Gives an adopted table its id, recording its bookkeeping when the file
  // is writable; preferredId is the id the table had before.
  std::shared_ptr<CTableSchema> Settle(std::shared_ptr<CTableSchema> table, int64_t preferredId);
  void FlushBeforeCommit();
  void MoveLogIntoOpenedFile();
  void AfterTransaction(bool rolledBack);

  std::string m_path;
  CSqlConnection m_conn;
  CFileLock m_lock;
  bool m_readOnlyConnection;
  bool m_exclusive;
  int m_sessions = 0;
  int m_writableSessions = 0;
  int m_joinedDepth = 0;
  std::vector<Level> m_levels;

  std::unordered_map<int64_t, std::shared_ptr<const CTableSchema>> m_tablesById;
  std::map<std::string, int64_t> m_idsByName;  // upper-case name
  uint64_t m_schemaEpoch = 1;
  // Tables adopted by this process, by id, so that an id stays good after
  // a rollback took the table's new bookkeeping away.
  std::unordered_map<int64_t, std::string> m_adoptedNames;
  std::map<std::string, int64_t> m_provisionalIds;  // upper-case name
  // Provisional ids of tables recorded since, with the ids they got.
  std::unordered_map<int64_t, int64_t> m_settledIds;
  int64_t m_nextProvisionalId = -1;

  std::unordered_map<int64_t, uint64_t> m_tableGenerations;
  uint64_t m_externalGeneration = 1;
  int64_t m_dataVersion = -1;
  // The shared log's header as it was before the last transaction's first
  // read (valid when m_logStampValid): while it is unchanged, nobody has
  // committed since, and no look at the data version is needed.
  CSqlConnection::CLogStamp m_logStamp = {};
  bool m_logStampValid = false;
  int64_t m_schemaVersion = -1;

  std::unordered_map<int64_t, Sequence> m_sequences;
  // Between transactions: the data version at which the loaded sequences
  // hold, or -1 when none do (see AfterTransaction).
  int64_t m_sequencesVersion = -1;
  std::set<int64_t> m_written;
  // Tables written in ways that may put numbers past their sequences.
  std::set<int64_t> m_numbersMoved;
  // KeepDatesOnlyFor: whether it was called, and the upper-case names.
  bool m_datesForSomeOnly = false;
  std::set<std::string> m_datedNames;
};

// The files open in this process, by file identity.
class CFileRegistry {
 public:
  static std::shared_ptr<CEngineFile> Find(uint64_t device, uint64_t inode);
  static void Add(uint64_t device, uint64_t inode, const std::shared_ptr<CEngineFile>& file);
  static void Remove(const CEngineFile* file);
  static std::vector<std::shared_ptr<CEngineFile>> All();
  // Refreshes every open file (CEngineFile::Refresh) without building a
  // list first: the refresh runs at the start of nearly every call.
  static void RefreshAll();
};

// The workspace transaction (process-wide).
class CWorkspaceState {
 public:
  static int Depth();
  static void Begin();
  static void Commit();
  static void Rollback();
  static int BusyTimeout();
  static void SetBusyTimeout(int milliseconds);
};

// One write operation of the engine on a file: outside a workspace
// transaction it is a transaction of its own (committed by Commit, rolled
// back otherwise); inside one, a multi-statement operation runs in a
// savepoint so that it is all or nothing.
class CWriteScope {
 public:
  CWriteScope(CEngineFile& file, bool multiStatement);
  ~CWriteScope();
  CWriteScope(const CWriteScope&) = delete;
  CWriteScope& operator=(const CWriteScope&) = delete;
  void Commit();

 private:
  CEngineFile& m_file;
  bool m_own = false;
  bool m_savepoint = false;
  bool m_done = false;
};

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_ENGINE_FILE_H_
