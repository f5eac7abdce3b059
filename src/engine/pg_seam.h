// The server half of the seam: a connection to a PostgreSQL database over
// libpq, its prepared statements and transactions.  Only this header's
// implementation (pg_seam.cpp) calls libpq, through the table pg_libpq.h
// loads when a server name is first opened; the engine reaches
// it through CSqlConnection and CSqlQuery (sqlite_seam.h), which hand every
// call on a connection opened with a server name to the classes here.
//
// - Names: "postgresql://..." (a connection URI) or "postgresql:" followed
//   by a libpq connection string ("postgresql:host=/run/pg dbname=lib").
// - Statements are translated (pg_dialect.h) and prepared once per
//   connection, kept by their SQL text like SQLite's; a statement is
//   prepared in the same round trip as its first use.
// - Round trips: the connection runs in libpq's pipeline mode.  Commands
//   whose answers are not needed at once (BEGIN, the writer lock,
//   SAVEPOINT, RELEASE, ROLLBACK TO) are queued and sent ahead of the next
//   statement, in one round trip with it; a commit sends the change
//   counter's update with it; the COMMIT of a transaction that wrote
//   nothing is sent without waiting (its answer is read with the next
//   request).  A reading operation costs one round trip for its begin and
//   the change counters, plus its statements.
// - Results are read in text form: integers, floating point and booleans
//   become numbers, bytea bytes, everything else text.
// - Transactions: a writing transaction (BeginImmediate, or the first write
//   in a reading one) takes the library's writer lock, a transaction-level
//   advisory lock, so writers follow one another as on a file; a reading
//   one is REPEATABLE READ, so it sees one committed state.  Waiting for a
//   lock ends after the busy timeout (lock_timeout) with kBusy; every
//   statement ends after the statement timeout (kBusy as well).
// - Shared and exclusive opens hold a session-level advisory lock on the
//   library, shared or exclusive (LockLibrary).
// - Change detection: each committed write bumps a counter row in
//   zl_engine_commits (the layout counter as well when the layout changed);
//   DataVersion and SchemaVersion read both counters, which stay known for
//   the rest of a transaction (its view of them cannot change).
// - Failures map from SQLSTATE: a lost connection is kConnectionLost, a
//   serialization failure or deadlock kSerialization, a lock or statement
//   timeout kBusy.
#ifndef ZLDBCTRL70_ENGINE_PG_SEAM_H_
#define ZLDBCTRL70_ENGINE_PG_SEAM_H_

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/pg_dialect.h"
#include "engine/pg_result_cache.h"

struct pg_conn;
struct pg_result;

namespace zl::engine {

class CSqlValue;
struct CSqlOpenOptions;
enum class SqlStatus;

// Whether a library name names a server database.
bool IsServerName(const std::string& name);
// The one spelling of a server name: its settings parsed (a URI or a
// connection string), sorted by keyword and written as a connection string
// after "postgresql:", so that two spellings of one library compare equal.
// Throws CSqlFailure (kCantOpen) for a name libpq cannot parse.  Without
// withSecrets the passwords (password, sslpassword) are left out: the
// spelling to show, which may no longer be enough to connect.
std::string NormalizeServerName(const std::string& name, bool withSecrets = true);
// Requests this process has sent to servers and waited for (statements,
// preparations), for benchmarks; not synchronised.
uint64_t ServerRoundTrips();
// The SqlStatus of a five-character SQLSTATE.
SqlStatus StatusOfSqlState(const std::string& sqlstate);

class CPgConnection;

struct CPgStatement {
  std::string name;  // of the prepared statement
  CServerSql sql;
  bool prepared = false;                         // on the server (with its first use)
  std::shared_ptr<const CStatementShape> shape;  // for the result cache
};

// One use of a prepared statement (see CSqlQuery).
class CPgQuery {
 public:
  CPgQuery(CPgConnection& conn, const std::string& sql);
  ~CPgQuery();
  CPgQuery(const CPgQuery&) = delete;
  CPgQuery& operator=(const CPgQuery&) = delete;

  // kept: the bytes stay valid until the statement ran (not copied).
  void Bind(int index, const CSqlValue& value, bool kept);
  void BindBlob(int index, std::string_view bytes);
  // The predicate of zl_accept (see CServerSql::acceptParameter).
  void BindPredicate(int index, const std::function<bool(const char*, size_t)>* predicate);
  bool Step();
  // Inside a transaction: queues the statement with its parameters to go
  // with the next request (CSqlQuery::RunWithNextRequest); false outside one.
  bool Queue();
  void Reset();
  bool Writes() const { return m_stmt->sql.writes; }
  // Runs the reads among queries (one connection's, not run yet) in one
  // request; their rows are then stepped through without another.  Throws
  // the first failure.
  static void RunTogether(const std::vector<CPgQuery*>& queries);

  int ColumnCount() const;
  CSqlValue Column(int index) const;
  std::string_view ColumnBytes(int index) const;
  int64_t ColumnInt(int index) const;
  double ColumnReal(int index) const;
  std::string ColumnText(int index) const;
  bool ColumnIsNull(int index) const;

 private:
  struct Param {
    std::string owned;
    const char* data = nullptr;
    int length = 0;
    bool null = true;
    bool binary = false;
  };
  Param& Slot(int index);
  void Execute();
  // Answers a kept read from the result cache (true), or sets the key to
  // keep its answer under.
  bool AnswerFromKept(std::string* key);
  // Sends the statement (prepared first when preparing); the requests sent,
  // or -1.
  int Send(bool preparing);
  // Takes the statement's result (freed with the query).
  void Receive(pg_result* result, std::string key);
  // The result cache's key of this use: the statement and its parameters.
  std::string CacheKey() const;
  bool IsBytes(int index) const;
  bool Accepts(const char* text, size_t length) const;

  CPgConnection& m_conn;
  CPgStatement* m_stmt;
  std::vector<Param> m_params;
  const std::function<bool(const char*, size_t)>* m_accept = nullptr;
  std::shared_ptr<pg_result> m_owner;  // m_result, shared with the result cache
  pg_result* m_result = nullptr;
  int m_row = -1;
  int m_rows = 0;
  mutable std::vector<std::string> m_decoded;  // bytea columns of the current row
  mutable std::vector<bool> m_isDecoded;
};

class CPgConnection {
 public:
  CPgConnection() = default;
  ~CPgConnection();
  CPgConnection(const CPgConnection&) = delete;
  CPgConnection& operator=(const CPgConnection&) = delete;

  void Open(const std::string& name, const CSqlOpenOptions& options);
  void Close();
  bool IsOpen() const { return m_conn != nullptr; }

  void Exec(const std::string& sql);
  CPgStatement* Prepare(const std::string& sql);
  void ClearStatementCache();

  int64_t LastInsertRowId() const { return m_lastRowId; }
  int64_t Changes() const { return m_changes; }
  bool InTransaction() const;
  bool HoldsWriteLock() const { return m_writer; }

  void BeginImmediate();
  void BeginDeferred();
  void Commit();
  void EndRead();
  void RollbackAll();
  void Savepoint(const std::string& name);
  void Release(const std::string& name);
  void RollbackTo(const std::string& name);

  int64_t DataVersion();
  int64_t SchemaVersion();
  // See CSqlConnection::KeptVersion.
  int64_t KeptVersion() const { return InTransaction() ? -1 : m_keptVersion; }
  void SetBusyTimeout(int milliseconds);
  void SetStatementTimeout(int milliseconds);

  // Takes the library's open lock (shared or exclusive) without waiting;
  // false when another connection holds it in a conflicting mode.  Held
  // until Close or UnlockLibrary.
  bool LockLibrary(bool exclusive);
  void UnlockLibrary();
  // Drops every table of the library (those its bookkeeping names, and the
  // bookkeeping), inside the current writing transaction; the change
  // counters and tables of other applications in the schema stay.
  void DropLibraryTables();

  // Called before a statement that writes: a transaction that does not hold
  // the writer lock takes it first; kept answers it may change are
  // forgotten.
  void BeforeWrite(const CServerSql& sql, const CStatementShape& shape);
  // The kept answer of a read (see pg_result_cache.h), or null; Keep keeps
  // one when the read may be kept now.
  std::shared_ptr<pg_result> KeptResult(const CStatementShape& shape, const std::string& key);
  void Keep(const std::shared_ptr<const CStatementShape>& shape, std::string key,
            std::shared_ptr<pg_result> result);
  // After a statement that wrote (counts a write outside a transaction).
  void AfterWrite();
  // Results of a finished statement.
  void AfterStatement(int64_t changes, int64_t rowId, bool hasRowId);

  // Throws the CSqlFailure for a failed result (or the connection's state
  // when result is null); frees nothing.
  [[noreturn]] void Fail(const pg_result* result, const std::string& context) const;
  pg_conn* Handle() const { return m_conn; }

  // The results of one request, in the order sent (freed with it).
  class CResults {
   public:
    CResults() = default;
    ~CResults();
    CResults(CResults&& other) noexcept : m_results(std::move(other.m_results)) {}
    CResults(const CResults&) = delete;
    CResults& operator=(const CResults&) = delete;
    size_t Count() const { return m_results.size(); }
    pg_result* At(size_t i) const { return m_results[i]; }
    // Result i, now the caller's to free (null here from now on).
    pg_result* Take(size_t i);

   private:
    friend class CPgConnection;
    std::vector<pg_result*> m_results;
  };
  // Queues a statement with its parameters (values null for NULL) to go
  // ahead of the next request.
  void QueueStatement(const std::string& sql, std::vector<std::string> values,
                      std::vector<bool> nulls, std::vector<int> formats);
  // One round trip: sends the queued commands, then what send() sends
  // (returning how many requests it sent, or -1 when sending failed), and
  // waits for every result.  Throws for a broken connection; failed
  // results are left to ThrowFirstFailure.
  CResults Request(const std::function<int()>& send);
  // Throws the CSqlFailure of the first failed result.
  void ThrowFirstFailure(const CResults& results, const char* context) const;

 private:
  // A command or statement waiting for the next request.
  struct CQueued {
    std::string sql;
    std::vector<std::string> values;  // parameters
    std::vector<bool> nulls;
    std::vector<int> formats;
  };
  // Runs a statement without parameters and waits for it; the rows it
  // changed.  Before the connection is set up (outside pipeline mode) the
  // text may hold several statements.
  int64_t Simple(const std::string& sql);
  // Runs several statements through the simple protocol; whether the last
  // one answered true.
  bool SimpleFlag(const std::string& sql);
  bool SendText(const std::string& sql);
  // Commands whose answers nobody needs at once (begin, savepoints, the
  // writer lock) wait here and go ahead of the next request, in one round
  // trip with it; a failure among them fails that request.
  void Queue(std::string sql);
  bool SendQueued(const CQueued& queued);
  void QueueBegin(std::string sql);
  // Forgets a transaction whose BEGIN is still queued (with everything
  // queued after it); false when it reached the server.
  bool DropUnsentTransaction();
  // Sends the queue and sql without waiting for the answer (read with the
  // next request's).
  void SendWithoutWaiting(const std::string& sql);
  void Drain();
  void Collect(CResults* into);
  void TakeWriterLock();
  void EnsureCounters();
  void StartTransaction();
  // keptVersion: the data version at which the kept answers hold after the
  // transaction (-1: forget them).
  void EndTransaction(int64_t keptVersion = -1);
  int64_t VersionAfter() const;
  // Reads both change counters (see DataVersion).
  void ReadVersions();
  // Reads what the result cache must know of the tables (once per layout
  // version).
  void ReadCatalogue();
  bool MayUseKept(const CStatementShape& shape) const;

  pg_conn* m_conn = nullptr;
  bool m_readOnly = false;
  bool m_inTransaction = false;  // as the server will see it once the queue is sent
  std::vector<CQueued> m_queued;
  int m_beginAt = -1;  // the queued BEGIN of the open transaction, or -1
  int m_unread = 0;    // requests sent whose answers were not read yet
  int m_busyTimeout = -1;
  // The change counters, known for the rest of the transaction they were
  // read in.
  int64_t m_dataVersion = 0;
  int64_t m_layoutVersion = 0;
  bool m_versionsKnown = false;
  bool m_writer = false;         // the transaction holds the writer lock
  bool m_wrote = false;          // the transaction wrote
  bool m_layoutChanged = false;  // ... and changed the layout
  CPgResultCache m_kept;
  bool m_keptBroken = false;   // a request failed: nothing kept is used until a rollback
  int64_t m_keptVersion = -1;  // the data version m_kept holds at between transactions
  bool m_libraryLocked = false;
  bool m_libraryExclusive = false;
  int64_t m_lastRowId = 0;
  int64_t m_changes = 0;
  uint64_t m_nextStatement = 1;
  struct CacheEntry {
    std::unique_ptr<CPgStatement> stmt;
    std::list<std::string>::iterator lru;
  };
  std::unordered_map<std::string, CacheEntry> m_cache;
  std::list<std::string> m_lru;
};

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_PG_SEAM_H_
