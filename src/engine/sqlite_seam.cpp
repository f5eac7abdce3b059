#include "engine/sqlite_seam.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "engine/faults.h"
#include "engine/pg_seam.h"
#include "platform/temp_folder.h"

namespace zl::engine {

namespace {

constexpr size_t kStatementCacheSize = 96;
// The size of the shared log index's pages; the first holds the header.
constexpr int kLogIndexPage = 32768;

// A file that could not be opened for want of descriptors is a resource
// failure, not a permission or lock problem.
bool OutOfDescriptors(sqlite3* db) {
  const int err = db != nullptr ? sqlite3_system_errno(db) : 0;
  return err == EMFILE || err == ENFILE;
}

SqlStatus StatusOf(int rc, const char* message, sqlite3* db = nullptr) {
  if (((rc & 0xFF) == SQLITE_CANTOPEN || (rc & 0xFF) == SQLITE_IOERR) && OutOfDescriptors(db)) {
    return SqlStatus::kNoResources;
  }
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return SqlStatus::kOk;
    case SQLITE_BUSY:
      return SqlStatus::kBusy;
    case SQLITE_LOCKED:
      return SqlStatus::kLocked;
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
        return SqlStatus::kUnique;
      }
      if (rc == SQLITE_CONSTRAINT_NOTNULL) return SqlStatus::kNotNull;
      return SqlStatus::kConstraint;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return SqlStatus::kReadOnly;
    case SQLITE_IOERR:
      return rc == SQLITE_IOERR_NOMEM ? SqlStatus::kNoMemory : SqlStatus::kIoError;
    case SQLITE_FULL:
      return SqlStatus::kFull;
    case SQLITE_CORRUPT:
      return SqlStatus::kCorrupt;
    case SQLITE_NOTADB:
      return SqlStatus::kNotADatabase;
    case SQLITE_CANTOPEN:
      return SqlStatus::kCantOpen;
    case SQLITE_NOMEM:
      return SqlStatus::kNoMemory;
    default:
      break;
  }
  // SQL errors carry no finer code; the message tells a missing table or
  // column apart from other mistakes.
  if (message != nullptr) {
    if (std::strncmp(message, "no such table", 13) == 0) return SqlStatus::kNoSuchTable;
    if (std::strncmp(message, "no such column", 14) == 0) return SqlStatus::kNoSuchColumn;
    if (std::strstr(message, "already exists") != nullptr) return SqlStatus::kSchemaError;
  }
  return SqlStatus::kError;
}

// The storage-level result an injected fault stands for.
int InjectedCode(FaultKind kind) {
  return CFaultInjector::ErrorOf(kind) == FaultError::kDiskFull ? SQLITE_FULL : SQLITE_IOERR_WRITE;
}

}  // namespace

// ---- CSqlValue ----

CSqlValue CSqlValue::Integer(int64_t v) {
  CSqlValue r;
  r.m_kind = kInteger;
  r.m_int = v;
  return r;
}

CSqlValue CSqlValue::Real(double v) {
  CSqlValue r;
  r.m_kind = kReal;
  r.m_real = v;
  return r;
}

CSqlValue CSqlValue::Text(std::string v) {
  CSqlValue r;
  r.m_kind = kText;
  r.m_bytes = std::move(v);
  return r;
}

CSqlValue CSqlValue::Blob(std::string bytes) {
  CSqlValue r;
  r.m_kind = kBlob;
  r.m_bytes = std::move(bytes);
  return r;
}

bool CSqlValue::operator==(const CSqlValue& o) const {
  if (m_kind != o.m_kind) return false;
  switch (m_kind) {
    case kNull:
      return true;
    case kInteger:
      return m_int == o.m_int;
    case kReal:
      return m_real == o.m_real;
    default:
      return m_bytes == o.m_bytes;
  }
}

// ---- CSqlStatement ----

CSqlStatement::~CSqlStatement() { sqlite3_finalize(m_stmt); }

bool CSqlStatement::IsReadOnly() const { return sqlite3_stmt_readonly(m_stmt) != 0; }

// ---- CSqlQuery ----

CSqlQuery::CSqlQuery(CSqlConnection& conn, const std::string& sql) {
  if (conn.Server() != nullptr) {
    m_server = std::make_unique<CPgQuery>(*conn.Server(), sql);
  } else {
    m_stmt = conn.Prepare(sql);
  }
}

CSqlQuery::~CSqlQuery() {
  if (m_server) return;
  sqlite3_reset(m_stmt->Handle());
  sqlite3_clear_bindings(m_stmt->Handle());
}

CSqlQuery& CSqlQuery::Bind(int index, const CSqlValue& value) {
  return BindValue(index, value, SQLITE_TRANSIENT);
}

CSqlQuery& CSqlQuery::BindKept(int index, const CSqlValue& value) {
  return BindValue(index, value, SQLITE_STATIC);
}

CSqlQuery& CSqlQuery::BindBlobKept(int index, std::string_view bytes) {
  if (m_server) {
    m_server->BindBlob(index, bytes);
    return *this;
  }
  const int rc =
      sqlite3_bind_blob64(m_stmt->Handle(), index, bytes.data(), bytes.size(), SQLITE_STATIC);
  if (rc != SQLITE_OK) m_stmt->Connection()->Fail(rc, "bind");
  return *this;
}

CSqlQuery& CSqlQuery::BindValue(int index, const CSqlValue& value, void (*lifetime)(void*)) {
  if (m_server) {
    m_server->Bind(index, value, lifetime == SQLITE_STATIC);
    return *this;
  }
  sqlite3_stmt* s = m_stmt->Handle();
  int rc = SQLITE_OK;
  switch (value.GetKind()) {
    case CSqlValue::kNull:
      rc = sqlite3_bind_null(s, index);
      break;
    case CSqlValue::kInteger:
      rc = sqlite3_bind_int64(s, index, value.AsInteger());
      break;
    case CSqlValue::kReal:
      rc = sqlite3_bind_double(s, index, value.AsReal());
      break;
    case CSqlValue::kText:
      rc = sqlite3_bind_text64(s, index, value.AsBytes().data(), value.AsBytes().size(), lifetime,
                               SQLITE_UTF8);
      break;
    case CSqlValue::kBlob:
      rc = sqlite3_bind_blob64(s, index, value.AsBytes().data(), value.AsBytes().size(), lifetime);
      break;
  }
  if (rc != SQLITE_OK) m_stmt->Connection()->Fail(rc, "bind");
  return *this;
}

CSqlQuery& CSqlQuery::BindInt(int index, int64_t value) {
  return Bind(index, CSqlValue::Integer(value));
}

CSqlQuery& CSqlQuery::BindReal(int index, double value) {
  return Bind(index, CSqlValue::Real(value));
}

CSqlQuery& CSqlQuery::BindText(int index, const std::string& value) {
  return Bind(index, CSqlValue::Text(value));
}

CSqlQuery& CSqlQuery::BindNull(int index) { return Bind(index, CSqlValue::Null()); }

namespace {

const char kPredicateType[] = "zl_text_predicate";

// zl_accept(text, predicate): see CTextPredicate.
void AcceptText(sqlite3_context* context, int, sqlite3_value** args) {
  const auto* predicate =
      static_cast<const CTextPredicate*>(sqlite3_value_pointer(args[1], kPredicateType));
  if (predicate == nullptr || sqlite3_value_type(args[0]) == SQLITE_NULL) {
    sqlite3_result_int(context, 0);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  const int length = sqlite3_value_bytes(args[0]);
  try {
    sqlite3_result_int(context, (*predicate)(text != nullptr ? text : "", length) ? 1 : 0);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(context);
  } catch (...) {
    sqlite3_result_error(context, "text predicate failed", -1);
  }
}

}  // namespace

CSqlQuery& CSqlQuery::BindTextPredicate(int index, const CTextPredicate* predicate) {
  if (m_server) {
    m_server->BindPredicate(index, predicate);
    return *this;
  }
  const int rc = sqlite3_bind_pointer(
      m_stmt->Handle(), index, const_cast<CTextPredicate*>(predicate), kPredicateType, nullptr);
  if (rc != SQLITE_OK) m_stmt->Connection()->Fail(rc, "bind");
  return *this;
}

bool CSqlQuery::Step() {
  if (m_server) return m_server->Step();
  if (!m_counted) {
    m_counted = true;
    if (!m_stmt->IsReadOnly() && CFaultInjector::Hit(FaultKind::kWrite)) {
      m_stmt->Connection()->Fail(InjectedCode(FaultKind::kWrite), "write");
    }
  }
  int rc = sqlite3_step(m_stmt->Handle());
  if (!m_stepped) {
    m_stepped = true;
    CSqlConnection* conn = m_stmt->Connection();
    if (conn->IsWatching()) conn->CheckWatchedRead();
  }
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // The statement must be reset before the connection's message is final.
  sqlite3_reset(m_stmt->Handle());
  m_stmt->Connection()->Fail(rc, "step");
}

void CSqlQuery::Run() {
  while (Step()) {
  }
}

void CSqlQuery::RunWithNextRequest() {
  if (m_server && m_server->Queue()) return;
  Run();
}

void CSqlQuery::RunTogether(const std::vector<CSqlQuery*>& queries) {
  std::vector<CPgQuery*> server;
  for (CSqlQuery* q : queries) {
    if (q->m_server) server.push_back(q->m_server.get());
  }
  if (!server.empty()) CPgQuery::RunTogether(server);
}

void CSqlQuery::Reset() {
  if (m_server) {
    m_server->Reset();
    return;
  }
  sqlite3_reset(m_stmt->Handle());
  m_counted = false;
  m_stepped = false;
}

std::string_view CSqlQuery::ColumnBytes(int index) const {
  if (m_server) return m_server->ColumnBytes(index);
  sqlite3_stmt* s = m_stmt->Handle();
  const int type = sqlite3_column_type(s, index);
  if (type != SQLITE_BLOB && type != SQLITE_TEXT) return {};
  const void* p = type == SQLITE_BLOB ? sqlite3_column_blob(s, index)
                                      : static_cast<const void*>(sqlite3_column_text(s, index));
  const int n = sqlite3_column_bytes(s, index);
  if (p == nullptr && n > 0) m_stmt->Connection()->Fail(SQLITE_NOMEM, "column");
  if (n <= 0) return {};
  return std::string_view(static_cast<const char*>(p), static_cast<size_t>(n));
}

int CSqlQuery::ColumnCount() const {
  if (m_server) return m_server->ColumnCount();
  return sqlite3_column_count(m_stmt->Handle());
}

CSqlValue CSqlQuery::Column(int index) const {
  if (m_server) return m_server->Column(index);
  sqlite3_stmt* s = m_stmt->Handle();
  switch (sqlite3_column_type(s, index)) {
    case SQLITE_INTEGER:
      return CSqlValue::Integer(sqlite3_column_int64(s, index));
    case SQLITE_FLOAT:
      return CSqlValue::Real(sqlite3_column_double(s, index));
    case SQLITE_TEXT: {
      const unsigned char* p = sqlite3_column_text(s, index);
      int n = sqlite3_column_bytes(s, index);
      if (p == nullptr) m_stmt->Connection()->Fail(SQLITE_NOMEM, "column");
      return CSqlValue::Text(std::string(reinterpret_cast<const char*>(p), n));
    }
    case SQLITE_BLOB: {
      const void* p = sqlite3_column_blob(s, index);
      int n = sqlite3_column_bytes(s, index);
      if (p == nullptr && n > 0) m_stmt->Connection()->Fail(SQLITE_NOMEM, "column");
      return CSqlValue::Blob(n > 0 ? std::string(static_cast<const char*>(p), n) : std::string());
    }
    default:
      return CSqlValue::Null();
  }
}

int64_t CSqlQuery::ColumnInt(int index) const {
  if (m_server) return m_server->ColumnInt(index);
  return sqlite3_column_int64(m_stmt->Handle(), index);
}

double CSqlQuery::ColumnReal(int index) const {
  if (m_server) return m_server->ColumnReal(index);
  return sqlite3_column_double(m_stmt->Handle(), index);
}

std::string CSqlQuery::ColumnText(int index) const {
  if (m_server) return m_server->ColumnText(index);
  const unsigned char* p = sqlite3_column_text(m_stmt->Handle(), index);
  if (p == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(p),
                     sqlite3_column_bytes(m_stmt->Handle(), index));
}

bool CSqlQuery::ColumnIsNull(int index) const {
  if (m_server) return m_server->ColumnIsNull(index);
  return sqlite3_column_type(m_stmt->Handle(), index) == SQLITE_NULL;
}

// ---- CSqlConnection ----

CSqlConnection::CSqlConnection() = default;

CSqlConnection::~CSqlConnection() { Close(); }

bool CSqlConnection::InitializeBackend() { return sqlite3_initialize() == SQLITE_OK; }

void CSqlConnection::Open(const std::string& path, const CSqlOpenOptions& options) {
  Close();
  if (IsServerName(path)) {
    auto server = std::make_unique<CPgConnection>();
    server->Open(path, options);
    m_server = std::move(server);
    m_useLogIndex = false;
    return;
  }
  int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
  flags |= options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  if (options.create) flags |= SQLITE_OPEN_CREATE;
  // A URI lets the immutable flag through; the path itself is escaped so
  // that '?', '#' and '%' in file names stay part of the name.
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (c == '?' || c == '#' || c == '%') {
      static const char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  if (options.immutable) uri += "?immutable=1";
  // An immutable file is read without the shared log index.
  m_useLogIndex = !options.immutable;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(uri.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
    const SqlStatus status = StatusOf(rc, message.c_str(), db);
    sqlite3_close(db);
    throw CSqlFailure(status, message);
  }
  m_db = db;
  sqlite3_extended_result_codes(m_db, 1);
  rc = sqlite3_create_function_v2(m_db, "zl_accept", 2, SQLITE_UTF8, nullptr, AcceptText, nullptr,
                                  nullptr, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(m_db);
    m_db = nullptr;
    throw CSqlFailure(SqlStatus::kNoMemory, "cannot register functions");
  }
}

void CSqlConnection::Close() {
  m_logIndex = nullptr;  // SQLite's mapping goes with the connection
  m_watched = -1;
  m_sawNewer = false;
  m_server.reset();
  if (m_db == nullptr) return;
  ClearStatementCache();
  sqlite3_close_v2(m_db);
  m_db = nullptr;
}

void CSqlConnection::Fail(int rc, const std::string& context) const {
  const char* message = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
  // An injected failure is not known to SQLite; describe the code instead.
  if ((rc & 0xFF) == SQLITE_IOERR || (rc & 0xFF) == SQLITE_FULL) message = sqlite3_errstr(rc);
  throw CSqlFailure(StatusOf(rc, message, m_db), context + ": " + message);
}

void CSqlConnection::Exec(const std::string& sql) {
  if (m_server) {
    m_server->Exec(sql);
    return;
  }
  // Runs statement by statement through the cache-free path so that the
  // fault injector sees every writing statement.
  const char* tail = sql.c_str();
  while (tail != nullptr && *tail != '\0') {
    sqlite3_stmt* stmt = nullptr;
    const char* next = nullptr;
    int rc = sqlite3_prepare_v2(m_db, tail, -1, &stmt, &next);
    if (rc != SQLITE_OK) Fail(rc, "prepare");
    if (stmt == nullptr) break;  // only whitespace or comments left
    std::unique_ptr<CSqlStatement> owned(new CSqlStatement(stmt, this));
    if (!owned->IsReadOnly() && CFaultInjector::Hit(FaultKind::kWrite)) {
      Fail(InjectedCode(FaultKind::kWrite), "write");
    }
    do {
      rc = sqlite3_step(stmt);
    } while (rc == SQLITE_ROW);
    if (rc != SQLITE_DONE) {
      sqlite3_reset(stmt);
      Fail(rc, "exec");
    }
    tail = next;
  }
}

CSqlStatement* CSqlConnection::Prepare(const std::string& sql) {
  if (m_server) throw CSqlFailure(SqlStatus::kError, "no SQLite statements on a server");
  auto it = m_cache.find(sql);
  if (it != m_cache.end()) {
    m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
    return it->second.stmt.get();
  }
  CFaultInjector::OnAllocation();
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) Fail(rc, "prepare");
  if (stmt == nullptr) throw CSqlFailure(SqlStatus::kError, "empty statement");
  std::unique_ptr<CSqlStatement> owned(new CSqlStatement(stmt, this));
  if (m_cache.size() >= kStatementCacheSize) {
    // Statements in use are never evicted: a CSqlQuery is short-lived and
    // the cache is far larger than the number used at once.
    const std::string& victim = m_lru.back();
    m_cache.erase(victim);
    m_lru.pop_back();
  }
  m_lru.push_front(sql);
  CSqlStatement* raw = owned.get();
  m_cache.emplace(sql, CacheEntry{std::move(owned), m_lru.begin()});
  return raw;
}

void CSqlConnection::ClearStatementCache() {
  m_cache.clear();
  m_lru.clear();
}

int64_t CSqlConnection::LastInsertRowId() const {
  if (m_server) return m_server->LastInsertRowId();
  return sqlite3_last_insert_rowid(m_db);
}

int64_t CSqlConnection::Changes() const {
  if (m_server) return m_server->Changes();
  return sqlite3_changes64(m_db);
}

bool CSqlConnection::InTransaction() const {
  if (m_server) return m_server->InTransaction();
  return sqlite3_get_autocommit(m_db) == 0;
}

void CSqlConnection::BeginImmediate() {
  if (m_server) return m_server->BeginImmediate();
  CSqlQuery(*this, "BEGIN IMMEDIATE").Run();
}

void CSqlConnection::BeginDeferred() {
  if (m_server) return m_server->BeginDeferred();
  CSqlQuery(*this, "BEGIN DEFERRED").Run();
}

bool CSqlConnection::HoldsWriteLock() const {
  if (m_server) return m_server->HoldsWriteLock();
  return sqlite3_txn_state(m_db, nullptr) == SQLITE_TXN_WRITE;
}

void CSqlConnection::EndRead() {
  if (m_server) return m_server->EndRead();
  CSqlQuery(*this, "COMMIT").Run();
}

void CSqlConnection::Commit() {
  if (m_server) return m_server->Commit();
  if (CFaultInjector::Hit(FaultKind::kCommit)) Fail(InjectedCode(FaultKind::kCommit), "commit");
  CSqlQuery(*this, "COMMIT").Run();
}

void CSqlConnection::RollbackAll() {
  if (m_server) return m_server->RollbackAll();
  if (!InTransaction()) return;
  CSqlQuery(*this, "ROLLBACK").Run();
}

void CSqlConnection::Savepoint(const std::string& name) {
  if (m_server) return m_server->Savepoint(name);
  CSqlQuery(*this, "SAVEPOINT " + QuoteName(name)).Run();
}

void CSqlConnection::Release(const std::string& name) {
  if (m_server) return m_server->Release(name);
  CSqlQuery(*this, "RELEASE " + QuoteName(name)).Run();
}

void CSqlConnection::RollbackTo(const std::string& name) {
  if (m_server) return m_server->RollbackTo(name);
  CSqlQuery(*this, "ROLLBACK TO " + QuoteName(name)).Run();
}

int64_t CSqlConnection::DataVersion() {
  if (m_server) return m_server->DataVersion();
  CSqlQuery q(*this, "PRAGMA data_version");
  return q.Step() ? q.ColumnInt(0) : 0;
}

int64_t CSqlConnection::KeptVersion() const { return m_server ? m_server->KeptVersion() : -1; }

int64_t CSqlConnection::ReadVersion() const {
  if (m_server) return 0;  // never watched: a server connection has no log stamp
  unsigned int version = 0;
  sqlite3_file_control(m_db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  return version;
}

void CSqlConnection::OpenLogStamp() {
  if (m_logIndex != nullptr || !m_useLogIndex || m_db == nullptr) return;
  // SQLite's own mapping of the index, through its file's methods: a
  // descriptor of our own on the index would drop the process's locks on
  // it when closed.
  bool wal = false;
  {
    CSqlQuery q(*this, "PRAGMA journal_mode");
    wal = q.Step() && q.ColumnText(0) == "wal";
  }
  sqlite3_file* file = nullptr;
  volatile void* region = nullptr;
  if (wal && sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK &&
      file != nullptr && file->pMethods != nullptr && file->pMethods->iVersion >= 2 &&
      file->pMethods->xShmMap != nullptr &&
      file->pMethods->xShmMap(file, 0, kLogIndexPage, 0, &region) == SQLITE_OK) {
    m_logIndex = static_cast<const volatile unsigned char*>(region);
  }
  // Not in WAL mode, or no index yet: the data version is asked as before,
  // and this is not tried again.
  if (m_logIndex == nullptr) m_useLogIndex = false;
}

bool CSqlConnection::ReadLogStamp(CLogStamp& stamp) const {
  if (m_logIndex == nullptr) return false;
  // A writer stores the header's second copy, then its first; the first
  // copy changes with every commit (a torn copy only differs more).
  std::atomic_thread_fence(std::memory_order_acquire);
  for (size_t i = 0; i < sizeof(CLogStamp); ++i) stamp[i] = m_logIndex[i];
  std::atomic_thread_fence(std::memory_order_acquire);
  return true;
}

void CSqlConnection::Watch(int64_t version) {
  m_watched = version;
  m_sawNewer = false;
}

void CSqlConnection::StopWatching() {
  m_watched = -1;
  m_sawNewer = false;
}

void CSqlConnection::CheckWatchedRead() {
  if (ReadVersion() != m_watched) m_sawNewer = true;
}

int64_t CSqlConnection::SchemaVersion() {
  if (m_server) return m_server->SchemaVersion();
  CSqlQuery q(*this, "PRAGMA schema_version");
  return q.Step() ? q.ColumnInt(0) : 0;
}

void CSqlConnection::SetBusyTimeout(int milliseconds) {
  if (m_server) return m_server->SetBusyTimeout(milliseconds);
  sqlite3_busy_timeout(m_db, milliseconds);
}

std::vector<std::string> CSqlConnection::IntegrityCheck() {
  // The server keeps its own storage whole; there is nothing to check here.
  if (m_server) return {"ok"};
  std::vector<std::string> result;
  CSqlQuery q(*this, "PRAGMA integrity_check");
  while (q.Step()) result.push_back(q.ColumnText(0));
  return result;
}

std::string QuoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string QuoteText(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

bool HasBackendHeader(const char* header16) {
  return std::memcmp(header16, "SQLite format 3\0", 16) == 0;
}

std::string BackendProblem(const std::string& scratchParent) {
  // ALTER TABLE ... DROP COLUMN came with 3.35, sqlite3_changes64 with 3.37.
  constexpr int kOldestUsable = 3037000;
  if (sqlite3_libversion_number() < kOldestUsable) {
    return std::string("SQLite ") + sqlite3_libversion() + " is older than 3.37.0";
  }
  if (sqlite3_threadsafe() == 0) {
    return std::string("SQLite ") + sqlite3_libversion() + " was built without thread support";
  }
  if (sqlite3_compileoption_used("OMIT_WAL") != 0) {
    return std::string("SQLite ") + sqlite3_libversion() + " was built without write-ahead logs";
  }
  zl::CTempFolder folder;
  if (!folder.Create({scratchParent}, "zlprobe-")) {
    return "no scratch folder for a trial database in " + scratchParent + ": " +
           std::strerror(errno);
  }
  sqlite3* db = nullptr;
  std::string mode;
  if (sqlite3_open_v2(folder.File("probe.db").c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode = WAL", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      if (text != nullptr) mode = reinterpret_cast<const char*>(text);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  if (mode != "wal") {
    return std::string("SQLite ") + sqlite3_libversion() + " cannot keep a write-ahead log in " +
           scratchParent;
  }
  return std::string();
}

}  // namespace zl::engine
