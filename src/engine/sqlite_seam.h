// The seam between the engine and its storage: a connection, prepared
// statements, transactions and values, over SQLite.  This header and
// sqlite_seam.cpp are the only files that know SQLite.  A connection opened
// with a server name (pg_seam.h) hands every call to the PostgreSQL
// connection instead; the engine above is the same for both, and the file
// path pays one test of a pointer per call.
//
// Every failure is thrown as CSqlFailure with a backend-neutral status; the
// engine maps it to its error numbers (dao_errors.cpp).  Statements are
// reset as soon as a caller's CSqlQuery goes out of scope, so no statement
// holds a read snapshot between engine calls.
#ifndef ZLDBCTRL70_ENGINE_SQLITE_SEAM_H_
#define ZLDBCTRL70_ENGINE_SQLITE_SEAM_H_

#include <cstdint>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zl::engine {

// What went wrong, independent of the backend.
enum class SqlStatus {
  kOk = 0,
  kError,           // any other failure (also SQL errors)
  kBusy,            // another connection holds the lock beyond the timeout
  kLocked,          // a conflict inside this connection
  kUnique,          // unique index violated
  kNotNull,         // NOT NULL violated
  kConstraint,      // another constraint violated
  kReadOnly,        // the connection or file cannot be written
  kIoError,         // the storage failed to read or write
  kFull,            // the disk is full
  kCorrupt,         // the file is damaged
  kNotADatabase,    // the file is not a database
  kCantOpen,        // the file cannot be opened (missing folder, permissions)
  kNoMemory,        // allocation failed
  kNoResources,     // the process or system ran out of file descriptors
  kNoSuchTable,     // the SQL names a table that does not exist
  kNoSuchColumn,    // the SQL names a column that does not exist
  kSchemaError,     // a schema change could not be made (name taken, ...)
  kConnectionLost,  // the connection to the server broke
  kSerialization,   // a concurrent change conflicts (serialization failure, deadlock)
  kConversion,      // a value does not fit the column's type (typed storage only)
  kOverflow,        // a number is out of the column type's range (typed storage only)
};

class CSqlFailure : public std::exception {
 public:
  CSqlFailure(SqlStatus status, std::string message)
      : m_status(status), m_message(std::move(message)) {}
  const char* what() const noexcept override { return m_message.c_str(); }
  SqlStatus Status() const { return m_status; }

 private:
  SqlStatus m_status;
  std::string m_message;
};

// One value as stored: NULL, a 64-bit integer, a double, text (UTF-8 bytes)
// or a blob.
class CSqlValue {
 public:
  enum Kind : unsigned char { kNull, kInteger, kReal, kText, kBlob };

  CSqlValue() = default;
  static CSqlValue Null() { return CSqlValue(); }
  static CSqlValue Integer(int64_t v);
  static CSqlValue Real(double v);
  static CSqlValue Text(std::string v);
  static CSqlValue Blob(std::string bytes);

  Kind GetKind() const { return m_kind; }
  bool IsNull() const { return m_kind == kNull; }
  int64_t AsInteger() const { return m_int; }
  double AsReal() const { return m_real; }
  // Text or blob bytes.
  const std::string& AsBytes() const { return m_bytes; }

  bool operator==(const CSqlValue& o) const;
  bool operator!=(const CSqlValue& o) const { return !(*this == o); }

 private:
  Kind m_kind = kNull;
  int64_t m_int = 0;
  double m_real = 0;
  std::string m_bytes;
};

class CSqlConnection;
class CPgConnection;
class CPgQuery;

// A caller's test of one text (its bytes and length), run inside a
// statement by the SQL function zl_accept(text, predicate): 1 when it
// accepts, 0 when not or when the text is NULL.  Bound to the statement
// with CSqlQuery::BindTextPredicate; an exception it throws fails the step
// (kNoMemory for memory exhaustion, kError otherwise).
using CTextPredicate = std::function<bool(const char* text, size_t length)>;

// A prepared statement owned by its connection's cache.
class CSqlStatement {
 public:
  CSqlStatement(sqlite3_stmt* stmt, CSqlConnection* conn) : m_stmt(stmt), m_conn(conn) {}
  ~CSqlStatement();
  CSqlStatement(const CSqlStatement&) = delete;
  CSqlStatement& operator=(const CSqlStatement&) = delete;

  sqlite3_stmt* Handle() const { return m_stmt; }
  CSqlConnection* Connection() const { return m_conn; }
  bool IsReadOnly() const;

 private:
  sqlite3_stmt* m_stmt;
  CSqlConnection* m_conn;
};

// One use of a prepared statement: bind, step, read columns.  Resets and
// clears the statement when destroyed.
class CSqlQuery {
 public:
  CSqlQuery(CSqlConnection& conn, const std::string& sql);
  ~CSqlQuery();
  CSqlQuery(const CSqlQuery&) = delete;
  CSqlQuery& operator=(const CSqlQuery&) = delete;

  // Parameters are numbered from 1.
  CSqlQuery& Bind(int index, const CSqlValue& value);
  CSqlQuery& BindInt(int index, int64_t value);
  CSqlQuery& BindReal(int index, double value);
  CSqlQuery& BindText(int index, const std::string& value);
  CSqlQuery& BindNull(int index);
  // As Bind, but a text or blob is not copied: its bytes must stay as they
  // are until the statement has run (the binding ends with the query
  // object).  For long values, which SQLite would otherwise copy once more.
  CSqlQuery& BindKept(int index, const CSqlValue& value);
  // Binds the bytes as a blob, not copied either.
  CSqlQuery& BindBlobKept(int index, std::string_view bytes);
  // Binds a predicate for zl_accept; it must outlive the query's steps.
  CSqlQuery& BindTextPredicate(int index, const CTextPredicate* predicate);

  // Advances to the next row; false when there is none.  Throws CSqlFailure.
  // A statement that changes the file counts as one write for the fault
  // injector.
  bool Step();
  // Steps to completion (for statements without rows).
  void Run();
  // As Run, for a write whose result nobody reads: on a server, inside a
  // transaction, it is sent with the connection's next request (a commit,
  // say) and its failure fails that request.
  void RunWithNextRequest();
  // Resets the statement now (binding stays).
  void Reset();
  // Reads about to be stepped, bound and not run yet: on a server they run
  // in one request (each one's rows are then stepped through without
  // another); on a file each runs when it is stepped, as always.  A failure
  // of any is thrown here.
  static void RunTogether(const std::vector<CSqlQuery*>& queries);

  int ColumnCount() const;
  CSqlValue Column(int index) const;
  // The bytes of a text or blob column without a copy, valid until the next
  // Step or Reset; empty for NULL and numbers.
  std::string_view ColumnBytes(int index) const;
  int64_t ColumnInt(int index) const;
  double ColumnReal(int index) const;
  std::string ColumnText(int index) const;
  bool ColumnIsNull(int index) const;

 private:
  CSqlQuery& BindValue(int index, const CSqlValue& value, void (*lifetime)(void*));

  CSqlStatement* m_stmt = nullptr;
  std::unique_ptr<CPgQuery> m_server;  // set instead of m_stmt on a server connection
  bool m_counted = false;
  bool m_stepped = false;
};

struct CSqlOpenOptions {
  bool readOnly = false;
  bool create = false;     // create the file when missing
  bool immutable = false;  // read a file no one writes, without locks
};

// An open database connection.  Prepared statements are cached by their SQL
// text (a bounded number; the least recently used are finalized).
class CSqlConnection {
 public:
  CSqlConnection();
  ~CSqlConnection();
  CSqlConnection(const CSqlConnection&) = delete;
  CSqlConnection& operator=(const CSqlConnection&) = delete;

  // Makes sure the backend library is initialised; false when it cannot be.
  static bool InitializeBackend();

  // A server name (IsServerName) opens a server connection.
  void Open(const std::string& path, const CSqlOpenOptions& options);
  void Close();
  bool IsOpen() const { return m_db != nullptr || m_server != nullptr; }
  // The server connection, or null for a file.
  CPgConnection* Server() const { return m_server.get(); }

  // Runs SQL text without results (may hold several statements).  Counts
  // as a write unless the text only reads.
  void Exec(const std::string& sql);
  // The cached statement for sql (prepared on first use).
  CSqlStatement* Prepare(const std::string& sql);
  // Finalizes every cached statement (after schema changes and rollbacks).
  void ClearStatementCache();

  int64_t LastInsertRowId() const;
  int64_t Changes() const;
  bool InTransaction() const;  // true inside BEGIN ... COMMIT/ROLLBACK

  // Transactions: BEGIN IMMEDIATE takes the write lock at once; BEGIN
  // DEFERRED takes nothing until the first read (which fixes the snapshot)
  // or write (which takes the write lock).  Commit counts as a commit for
  // the fault injector; EndRead ends a transaction that wrote nothing and
  // does not count.
  void BeginImmediate();
  void BeginDeferred();
  void Commit();
  void EndRead();
  // True when the open transaction holds the write lock (has written or
  // began IMMEDIATE).
  bool HoldsWriteLock() const;
  void RollbackAll();
  void Savepoint(const std::string& name);
  void Release(const std::string& name);
  void RollbackTo(const std::string& name);

  // Counters that change when another connection commits (data) or changes
  // the layout (schema).
  int64_t DataVersion();
  int64_t SchemaVersion();
  // Between transactions on a server: the data version at which what the
  // last transaction knew still holds (its own commit included), or -1 when
  // it must be read again (a rollback, a failed request, a layout change).
  // Always -1 on a file.
  int64_t KeptVersion() const;

  // Cheap looks at the file's state, for reads outside a transaction.
  //
  // ReadVersion is the version of the content that this connection's last
  // read found: it changes when a read finds that any connection (this one
  // included) committed since the read before.  No statement, no lock.
  int64_t ReadVersion() const;
  // Copies the header of the file's shared log index, which every commit of
  // any process changes, into stamp (no lock taken; a copy torn by a commit
  // under way differs from every earlier one).  False until OpenLogStamp
  // found the index.
  using CLogStamp = unsigned char[48];
  bool ReadLogStamp(CLogStamp& stamp) const;
  // Finds the header of the shared log index in SQLite's own mapping, when
  // the file is in WAL mode with one.  Call after a read on this
  // connection: its log index stays mapped from then until Close.
  void OpenLogStamp();
  // While watching, every statement checks after its first step that the
  // read it made found the version given; if not (another connection
  // committed meanwhile), SawNewerState() turns true until StopWatching.
  void Watch(int64_t version);
  void StopWatching();
  bool IsWatching() const { return m_watched >= 0; }
  bool SawNewerState() const { return m_sawNewer; }
  // Called by CSqlQuery after a statement's first step.
  void CheckWatchedRead();

  void SetBusyTimeout(int milliseconds);
  // "ok", or the list of problems found.
  std::vector<std::string> IntegrityCheck();

  // Throws the failure for a backend result code (used by the seam itself).
  [[noreturn]] void Fail(int rc, const std::string& context) const;

  sqlite3* Handle() const { return m_db; }

 private:
  sqlite3* m_db = nullptr;
  std::unique_ptr<CPgConnection> m_server;
  bool m_useLogIndex = false;                          // false: no shared log index to look at
  const volatile unsigned char* m_logIndex = nullptr;  // SQLite's mapping of it
  int64_t m_watched = -1;
  bool m_sawNewer = false;
  struct CacheEntry {
    std::unique_ptr<CSqlStatement> stmt;
    std::list<std::string>::iterator lru;
  };
  std::unordered_map<std::string, CacheEntry> m_cache;
  std::list<std::string> m_lru;  // front = most recently used
};

// Quotes an identifier for SQL text: "name" with inner quotes doubled.
std::string QuoteName(const std::string& name);
// Quotes a text literal: 'text' with inner quotes doubled.
std::string QuoteText(const std::string& text);
// The first 16 bytes of a file hold this text when it is an SQLite file.
bool HasBackendHeader(const char* header16);

// Whether the storage library loaded at run time can carry this engine: a
// version that has every call and statement the engine uses, built for use
// from several threads, and able to keep a write-ahead log (tried on a
// scratch file in a private folder under scratchParent).  Empty when it
// can, else what is missing, in one sentence.
std::string BackendProblem(const std::string& scratchParent);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_SQLITE_SEAM_H_
