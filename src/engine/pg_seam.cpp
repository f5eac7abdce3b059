#include "engine/pg_seam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/faults.h"
#include "engine/sqlite_seam.h"

#ifdef ZL_HAVE_LIBPQ
#include "engine/pg_libpq.h"
#endif

namespace zl::engine {

namespace {
// Requests sent to servers by this process (see ServerRoundTrips).
uint64_t g_roundTrips = 0;
}  // namespace

uint64_t ServerRoundTrips() { return g_roundTrips; }

bool IsServerName(const std::string& name) { return name.compare(0, 11, "postgresql:") == 0; }

SqlStatus StatusOfSqlState(const std::string& s) {
  if (s.size() != 5) return SqlStatus::kError;
  const std::string cls = s.substr(0, 2);
  if (s == "40001" || s == "40P01") return SqlStatus::kSerialization;
  if (cls == "08" || s == "57P01" || s == "57P02" || s == "57P03") {
    return SqlStatus::kConnectionLost;
  }
  if (s == "55P03" || s == "57014") return SqlStatus::kBusy;  // lock / statement timeout
  if (s == "22003") return SqlStatus::kOverflow;
  if (cls == "22") return SqlStatus::kConversion;
  if (s == "23505") return SqlStatus::kUnique;
  if (s == "23502") return SqlStatus::kNotNull;
  if (cls == "23") return SqlStatus::kConstraint;
  if (s == "25006" || s == "42501") return SqlStatus::kReadOnly;
  if (s == "42P01") return SqlStatus::kNoSuchTable;
  if (s == "42703") return SqlStatus::kNoSuchColumn;
  if (s == "42P07" || s == "42701" || s == "42710") return SqlStatus::kSchemaError;
  if (s == "53100") return SqlStatus::kFull;
  if (s == "53200") return SqlStatus::kNoMemory;
  if (s == "53300") return SqlStatus::kNoResources;
  if (s == "XX001" || s == "XX002") return SqlStatus::kCorrupt;
  if (cls == "58") return SqlStatus::kIoError;
  if (cls == "28" || s == "3D000") return SqlStatus::kCantOpen;
  return SqlStatus::kError;
}

#ifdef ZL_HAVE_LIBPQ

namespace {
// libpq's functions; opening a server name fails (as on a build without
// libpq) when the library cannot be loaded.  Everything else here runs on a
// connection that was opened, so after a successful load.
const CLibPq& Pq() {
  const CLibPq* functions = LibPq();
  if (functions == nullptr) throw CSqlFailure(SqlStatus::kCantOpen, LibPqError());
  return *functions;
}
}  // namespace

std::string NormalizeServerName(const std::string& name, bool withSecrets) {
  // Without libpq the name stays as given; the open that follows fails.
  if (LibPq() == nullptr) return name;
  const std::string conninfo = name.compare(0, 13, "postgresql://") == 0 ? name : name.substr(11);
  char* error = nullptr;
  PQconninfoOption* options = Pq().PQconninfoParse(conninfo.c_str(), &error);
  if (options == nullptr) {
    std::string message = error != nullptr ? error : "out of memory";
    Pq().PQfreemem(error);
    throw CSqlFailure(SqlStatus::kCantOpen, "connection name: " + message);
  }
  std::vector<std::pair<std::string, std::string>> settings;
  for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    const std::string keyword = o->keyword;
    if (o->val == nullptr ||
        (!withSecrets && (keyword == "password" || keyword == "sslpassword"))) {
      continue;
    }
    settings.emplace_back(keyword, o->val);
  }
  Pq().PQconninfoFree(options);
  std::sort(settings.begin(), settings.end());
  std::string out = "postgresql:";
  for (const auto& setting : settings) {
    if (out.size() > 11) out += ' ';
    out += setting.first + "='";
    for (char c : setting.second) {
      if (c == '\\' || c == '\'') out += '\\';
      out += c;
    }
    out += '\'';
  }
  return out;
}

namespace {

constexpr size_t kStatementCacheSize = 256;
// Advisory lock keys of a library (per database): the open lock and the
// writer lock.
constexpr int kLockClass = 0x5A4C;
constexpr int kOpenLock = 1;
constexpr int kWriterLock = 2;
constexpr int kDefaultStatementTimeout = 120000;  // ms
constexpr int kDefaultBusyTimeout = 5000;         // ms

// OIDs of the built-in types read as numbers or bytes.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700;

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// bytea in the text form "\x0a1b...".
std::string DecodeBytea(const char* p, size_t n) {
  std::string out;
  if (n < 2 || p[0] != '\\' || p[1] != 'x') return std::string(p, n);
  out.reserve((n - 2) / 2);
  for (size_t i = 2; i + 1 < n; i += 2) {
    out += static_cast<char>(Hex(p[i]) * 16 + Hex(p[i + 1]));
  }
  return out;
}

void IgnoreNotice(void*, const char*) {}

// The catalogue as the engine reads it on a file (pg_dialect.h maps the
// names): the tables, views and indexes of the current schema, and per
// table its columns (without rowid, types by storage class), indexes and
// their columns.  Temporary, so each connection has its own and nothing is
// stored in the library.  Names are matched with ASCII letters folded only
// (lower() under the "C" collation), as a file matches them, whatever the
// database's locale.  Each read costs one pass over the schema's catalogue
// whatever the server's statistics say: the indexes that constraints own
// are one hashed list, and a table's indexes are found from its oid, looked
// up once (a plan that tested every index against every constraint grew
// with the square of the schema and took 20 ms a table on a busy server).
const char kCatalogue[] = R"SQL(
CREATE TEMP VIEW zl_master AS
  SELECT CASE c.relkind WHEN 'v' THEN 'view' WHEN 'i' THEN 'index' ELSE 'table' END AS type,
         c.relname::text::citext COLLATE "C" AS name, c.oid::bigint AS rowid
  FROM pg_class c
  WHERE c.relnamespace = current_schema()::regnamespace AND c.relkind IN ('r', 'p', 'v', 'i')
    AND c.relname <> 'zl_engine_commits'
    AND c.oid NOT IN (SELECT k.conindid FROM pg_constraint k);
CREATE FUNCTION pg_temp.zl_table_info(t text)
  RETURNS TABLE(cid integer, name text, type text, pk integer) LANGUAGE sql STABLE AS $$
  SELECT a.attnum::integer, a.attname::text,
         CASE WHEN a.atttypid IN (20, 21, 23) THEN 'INTEGER' WHEN a.atttypid IN (700, 701)
              THEN 'REAL' WHEN a.atttypid = 17 THEN 'BLOB' ELSE 'TEXT' END,
         CASE WHEN EXISTS (SELECT 1 FROM pg_index x WHERE x.indrelid = c.oid AND x.indisprimary
                           AND a.attnum = ANY (x.indkey)) THEN 1 ELSE 0 END
  FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid
  WHERE c.relnamespace = current_schema()::regnamespace
    AND lower(c.relname::text COLLATE "C") = lower(t COLLATE "C")
    AND c.relkind IN ('r', 'p') AND a.attnum > 0 AND NOT a.attisdropped AND a.attname <> 'rowid'
$$;
CREATE FUNCTION pg_temp.zl_index_list(t text)
  RETURNS TABLE(name text, "unique" integer, origin text, partial integer) LANGUAGE sql STABLE
  AS $$
  SELECT i.relname::text, x.indisunique::integer,
         CASE WHEN x.indisprimary THEN 'pk' WHEN EXISTS (SELECT 1 FROM pg_constraint k
              WHERE k.conindid = x.indexrelid) THEN 'u' ELSE 'c' END,
         (x.indpred IS NOT NULL)::integer
  FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid
  WHERE x.indrelid = ANY (ARRAY(SELECT c.oid FROM pg_class c
                                WHERE c.relnamespace = current_schema()::regnamespace
                                  AND lower(c.relname::text COLLATE "C") = lower(t COLLATE "C")))
$$;
CREATE FUNCTION pg_temp.zl_typeof(v anyelement) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN v IS NULL THEN 'null'
              WHEN pg_typeof(v) IN ('bigint'::regtype, 'integer'::regtype, 'smallint'::regtype,
                                    'boolean'::regtype) THEN 'integer'
              WHEN pg_typeof(v) IN ('double precision'::regtype, 'real'::regtype,
                                    'numeric'::regtype) THEN 'real'
              WHEN pg_typeof(v) = 'bytea'::regtype THEN 'blob' ELSE 'text' END
$$;
CREATE FUNCTION pg_temp.zl_index_info(ix text)
  RETURNS TABLE(seqno integer, name text) LANGUAGE sql STABLE AS $$
  SELECT (k.n - 1)::integer, a.attname::text
  FROM pg_class i JOIN pg_index x ON x.indexrelid = i.oid
  CROSS JOIN LATERAL unnest(x.indkey::int2[]) WITH ORDINALITY AS k(attnum, n)
  LEFT JOIN pg_attribute a ON a.attrelid = x.indrelid AND a.attnum = k.attnum
  WHERE i.relnamespace = current_schema()::regnamespace AND i.relname = ix
$$;
)SQL";

// The storage-level result an injected fault stands for.
SqlStatus InjectedStatus(FaultKind kind) {
  return CFaultInjector::ErrorOf(kind) == FaultError::kDiskFull ? SqlStatus::kFull
                                                                : SqlStatus::kIoError;
}

struct ResultOwner {
  PGresult* r;
  ~ResultOwner() { Pq().PQclear(r); }
};

}  // namespace

// ---- CPgQuery ----

CPgQuery::CPgQuery(CPgConnection& conn, const std::string& sql)
    : m_conn(conn), m_stmt(conn.Prepare(sql)) {
  m_params.resize(static_cast<size_t>(m_stmt->sql.parameters));
}

CPgQuery::~CPgQuery() = default;

CPgQuery::Param& CPgQuery::Slot(int index) {
  if (index < 1 || index > static_cast<int>(m_params.size())) {
    throw CSqlFailure(SqlStatus::kError, "bind: no parameter " + std::to_string(index));
  }
  Param& p = m_params[static_cast<size_t>(index - 1)];
  p = Param();
  return p;
}

void CPgQuery::Bind(int index, const CSqlValue& value, bool kept) {
  Param& p = Slot(index);
  char number[40];
  switch (value.GetKind()) {
    case CSqlValue::kNull:
      return;
    case CSqlValue::kInteger:
      std::snprintf(number, sizeof number, "%lld", static_cast<long long>(value.AsInteger()));
      p.owned = number;
      break;
    case CSqlValue::kReal: {
      const double d = value.AsReal();
      if (std::isnan(d)) {
        p.owned = "NaN";
      } else if (std::isinf(d)) {
        p.owned = d > 0 ? "Infinity" : "-Infinity";
      } else {
        std::snprintf(number, sizeof number, "%.17g", d);
        p.owned = number;
      }
      break;
    }
    case CSqlValue::kText:
    case CSqlValue::kBlob:
      p.binary = value.GetKind() == CSqlValue::kBlob;
      if (kept) {
        p.data = value.AsBytes().data();
        p.length = static_cast<int>(value.AsBytes().size());
        p.null = false;
        return;
      }
      p.owned = value.AsBytes();
      break;
  }
  p.data = p.owned.data();
  p.length = static_cast<int>(p.owned.size());
  p.null = false;
}

void CPgQuery::BindPredicate(int index, const std::function<bool(const char*, size_t)>* predicate) {
  if (index != m_stmt->sql.acceptParameter) {
    throw CSqlFailure(SqlStatus::kError, "bind: no predicate " + std::to_string(index));
  }
  m_accept = predicate;
}

void CPgQuery::BindBlob(int index, std::string_view bytes) {
  Param& p = Slot(index);
  p.data = bytes.data();
  p.length = static_cast<int>(bytes.size());
  p.binary = true;
  p.null = false;
}

std::string CPgQuery::CacheKey() const {
  std::string key = m_stmt->name;
  for (const Param& p : m_params) {
    key += p.null ? 'N' : (p.binary ? 'B' : 'T');
    if (p.null) continue;
    key += std::to_string(p.length);
    key += ':';
    key.append(p.data ? p.data : "", static_cast<size_t>(p.length));
  }
  return key;
}

void CPgQuery::Execute() {
  if (m_stmt->sql.writes) {
    if (CFaultInjector::Hit(FaultKind::kWrite)) {
      throw CSqlFailure(InjectedStatus(FaultKind::kWrite), "write: injected failure");
    }
    m_conn.BeforeWrite(m_stmt->sql, *m_stmt->shape);
  }
  std::string key;
  if (AnswerFromKept(&key)) return;
  // A statement's first use prepares it in the same request.
  const bool preparing = !m_stmt->prepared;
  CPgConnection::CResults results = m_conn.Request([&] { return Send(preparing); });
  if (preparing && results.Count() >= 2) {
    m_stmt->prepared = Pq().PQresultStatus(results.At(results.Count() - 2)) == PGRES_COMMAND_OK;
  }
  m_conn.ThrowFirstFailure(results, preparing ? "prepare" : "step");
  Receive(results.Take(results.Count() - 1), std::move(key));
}

bool CPgQuery::AnswerFromKept(std::string* key) {
  // A read this transaction made before, whose rows nothing changed since,
  // is answered from them.
  if (m_stmt->shape->kind != CStatementShape::kKeptRead) return false;
  *key = CacheKey();
  m_owner = m_conn.KeptResult(*m_stmt->shape, *key);
  if (m_owner == nullptr) return false;
  m_result = m_owner.get();
  m_rows = Pq().PQntuples(m_result);
  m_conn.AfterStatement(std::strtoll(Pq().PQcmdTuples(m_result), nullptr, 10), 0, false);
  m_decoded.assign(static_cast<size_t>(Pq().PQnfields(m_result)), std::string());
  return true;
}

int CPgQuery::Send(bool preparing) {
  const size_t n = m_params.size();
  std::vector<const char*> values(n);
  std::vector<int> lengths(n);
  std::vector<int> formats(n);
  for (size_t i = 0; i < n; ++i) {
    // An empty text or blob still needs a non-null pointer.
    values[i] = m_params[i].null ? nullptr : (m_params[i].data ? m_params[i].data : "");
    lengths[i] = m_params[i].length;
    formats[i] = m_params[i].binary ? 1 : 0;
  }
  // libpq copies the parameters into its buffer here.
  if (preparing && Pq().PQsendPrepare(m_conn.Handle(), m_stmt->name.c_str(),
                                      m_stmt->sql.text.c_str(), 0, nullptr) == 0) {
    return -1;
  }
  if (Pq().PQsendQueryPrepared(m_conn.Handle(), m_stmt->name.c_str(), static_cast<int>(n),
                               values.data(), lengths.data(), formats.data(), 0) == 0) {
    return -1;
  }
  return preparing ? 2 : 1;
}

void CPgQuery::RunTogether(const std::vector<CPgQuery*>& queries) {
  struct Pending {
    CPgQuery* query;
    std::string key;
    bool preparing;
  };
  std::vector<Pending> pending;
  for (CPgQuery* q : queries) {
    // Reads of one connection that have not run yet; anything else runs
    // when it is stepped.
    if (q->m_result != nullptr || q->m_stmt->sql.writes || q->m_stmt->sql.acceptColumn >= 0 ||
        &q->m_conn != &queries.front()->m_conn) {
      continue;
    }
    std::string key;
    if (q->AnswerFromKept(&key)) continue;
    bool preparing = !q->m_stmt->prepared;
    for (const Pending& p : pending) preparing = preparing && p.query->m_stmt != q->m_stmt;
    pending.push_back(Pending{q, std::move(key), preparing});
  }
  if (pending.size() < 2) return;
  CPgConnection& conn = pending.front().query->m_conn;
  size_t own = 0;
  for (const Pending& p : pending) own += p.preparing ? 2 : 1;
  CPgConnection::CResults results = conn.Request([&] {
    for (const Pending& p : pending) {
      if (p.query->Send(p.preparing) < 0) return -1;
    }
    return static_cast<int>(own);
  });
  // The queries' results are the last ones, in the order sent.
  size_t at = results.Count() - own;
  for (const Pending& p : pending) {
    if (p.preparing)
      p.query->m_stmt->prepared = Pq().PQresultStatus(results.At(at++)) == PGRES_COMMAND_OK;
    ++at;
  }
  conn.ThrowFirstFailure(results, "step");
  at = results.Count() - own;
  for (Pending& p : pending) {
    if (p.preparing) ++at;
    p.query->Receive(results.Take(at++), std::move(p.key));
  }
}

void CPgQuery::Receive(pg_result* result, std::string key) {
  m_owner.reset(result, Pq().PQclear);
  m_result = m_owner.get();
  const char* changed = Pq().PQcmdTuples(m_result);
  m_rows = Pq().PQntuples(m_result);
  if (!key.empty()) m_conn.Keep(m_stmt->shape, std::move(key), m_owner);
  int64_t rowId = 0;
  if (m_stmt->sql.returnsRowId && m_rows > 0) {
    rowId = std::strtoll(Pq().PQgetvalue(m_result, m_rows - 1, 0), nullptr, 10);
  }
  m_conn.AfterStatement(changed && *changed ? std::strtoll(changed, nullptr, 10) : 0, rowId,
                        m_stmt->sql.returnsRowId && m_rows > 0);
  if (m_stmt->sql.writes) m_conn.AfterWrite();
  // An INSERT's returned row number is not a row of its result.
  if (m_stmt->sql.returnsRowId) m_rows = 0;
  m_decoded.assign(static_cast<size_t>(Pq().PQnfields(m_result)), std::string());
}

bool CPgQuery::Accepts(const char* text, size_t length) const {
  try {
    return (*m_accept)(text, length);
  } catch (const std::bad_alloc&) {
    throw CSqlFailure(SqlStatus::kNoMemory, "text predicate: out of memory");
  } catch (...) {
    throw CSqlFailure(SqlStatus::kError, "text predicate failed");
  }
}

bool CPgQuery::Step() {
  if (m_result == nullptr) Execute();
  const int accept = m_stmt->sql.acceptColumn;
  while (m_row + 1 < m_rows) {
    ++m_row;
    m_isDecoded.assign(m_decoded.size(), false);
    if (accept < 0) return true;
    // The caller's predicate, as zl_accept runs it on a file: NULL fails.
    if (Pq().PQgetisnull(m_result, m_row, accept) != 0) continue;
    if (m_accept == nullptr ||
        Accepts(Pq().PQgetvalue(m_result, m_row, accept),
                static_cast<size_t>(Pq().PQgetlength(m_result, m_row, accept)))) {
      return true;
    }
  }
  m_row = m_rows;
  return false;
}

bool CPgQuery::Queue() {
  if (!m_conn.InTransaction() || m_stmt->sql.returnsRowId || m_stmt->sql.acceptColumn >= 0) {
    return false;
  }
  if (m_stmt->sql.writes) {
    if (CFaultInjector::Hit(FaultKind::kWrite)) {
      throw CSqlFailure(InjectedStatus(FaultKind::kWrite), "write: injected failure");
    }
    m_conn.BeforeWrite(m_stmt->sql, *m_stmt->shape);
  }
  const size_t n = m_params.size();
  std::vector<std::string> values(n);
  std::vector<bool> nulls(n);
  std::vector<int> formats(n);
  for (size_t i = 0; i < n; ++i) {
    nulls[i] = m_params[i].null;
    if (!nulls[i])
      values[i].assign(m_params[i].data ? m_params[i].data : "",
                       static_cast<size_t>(m_params[i].length));
    formats[i] = m_params[i].binary ? 1 : 0;
  }
  m_conn.QueueStatement(m_stmt->sql.text, std::move(values), std::move(nulls), std::move(formats));
  return true;
}

void CPgQuery::Reset() {
  m_owner.reset();
  m_result = nullptr;
  m_row = -1;
  m_rows = 0;
}

int CPgQuery::ColumnCount() const {
  if (m_result == nullptr) return 0;
  return Pq().PQnfields(m_result) - (m_stmt->sql.acceptColumn >= 0 ? 1 : 0);
}

bool CPgQuery::ColumnIsNull(int index) const {
  return m_result == nullptr || m_row < 0 || m_row >= m_rows ||
         Pq().PQgetisnull(m_result, m_row, index) != 0;
}

bool CPgQuery::IsBytes(int index) const { return Pq().PQftype(m_result, index) == kBytea; }

std::string_view CPgQuery::ColumnBytes(int index) const {
  if (ColumnIsNull(index)) return {};
  const Oid type = Pq().PQftype(m_result, index);
  if (type == kBytea) {
    if (!m_isDecoded[static_cast<size_t>(index)]) {
      m_decoded[static_cast<size_t>(index)] =
          DecodeBytea(Pq().PQgetvalue(m_result, m_row, index),
                      static_cast<size_t>(Pq().PQgetlength(m_result, m_row, index)));
      m_isDecoded[static_cast<size_t>(index)] = true;
    }
    return m_decoded[static_cast<size_t>(index)];
  }
  if (type == kBool || type == kInt2 || type == kInt4 || type == kInt8 || type == kFloat4 ||
      type == kFloat8 || type == kNumeric) {
    return {};
  }
  return std::string_view(Pq().PQgetvalue(m_result, m_row, index),
                          static_cast<size_t>(Pq().PQgetlength(m_result, m_row, index)));
}

CSqlValue CPgQuery::Column(int index) const {
  if (ColumnIsNull(index)) return CSqlValue::Null();
  const char* text = Pq().PQgetvalue(m_result, m_row, index);
  switch (Pq().PQftype(m_result, index)) {
    case kBool:
      return CSqlValue::Integer(text[0] == 't' ? 1 : 0);
    case kInt2:
    case kInt4:
    case kInt8:
      return CSqlValue::Integer(std::strtoll(text, nullptr, 10));
    case kNumeric:
      // Whole numbers (sums and counts of integers) stay integers.
      if (std::strpbrk(text, ".eEN") == nullptr) {
        return CSqlValue::Integer(std::strtoll(text, nullptr, 10));
      }
      return CSqlValue::Real(std::strtod(text, nullptr));
    case kFloat4:
    case kFloat8:
      return CSqlValue::Real(std::strtod(text, nullptr));
    case kBytea:
      return CSqlValue::Blob(std::string(ColumnBytes(index)));
    default:
      return CSqlValue::Text(std::string(ColumnBytes(index)));
  }
}

int64_t CPgQuery::ColumnInt(int index) const {
  const CSqlValue v = Column(index);
  if (v.GetKind() == CSqlValue::kInteger) return v.AsInteger();
  if (v.GetKind() == CSqlValue::kReal) return static_cast<int64_t>(v.AsReal());
  if (v.GetKind() == CSqlValue::kText) return std::strtoll(v.AsBytes().c_str(), nullptr, 10);
  return 0;
}

double CPgQuery::ColumnReal(int index) const {
  const CSqlValue v = Column(index);
  if (v.GetKind() == CSqlValue::kReal) return v.AsReal();
  if (v.GetKind() == CSqlValue::kInteger) return static_cast<double>(v.AsInteger());
  if (v.GetKind() == CSqlValue::kText) return std::strtod(v.AsBytes().c_str(), nullptr);
  return 0;
}

std::string CPgQuery::ColumnText(int index) const {
  if (ColumnIsNull(index)) return std::string();
  if (IsBytes(index)) return std::string(ColumnBytes(index));
  return std::string(Pq().PQgetvalue(m_result, m_row, index),
                     static_cast<size_t>(Pq().PQgetlength(m_result, m_row, index)));
}

// ---- CPgConnection ----

CPgConnection::~CPgConnection() { Close(); }

void CPgConnection::Open(const std::string& name, const CSqlOpenOptions& options) {
  Close();
  // "postgresql://..." is a URI as it stands; "postgresql:" before a
  // connection string is the prefix that marks it as a server name.
  Pq();  // fails here, before connecting, when libpq cannot be loaded
  const std::string conninfo = name.compare(0, 13, "postgresql://") == 0 ? name : name.substr(11);
  // The caller's own settings come later and win.
  const char* keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
  const char* values[] = {"10", "zldbctrl70", conninfo.c_str(), nullptr};
  PGconn* conn = Pq().PQconnectdbParams(keys, values, 1);
  if (conn == nullptr) throw CSqlFailure(SqlStatus::kNoMemory, "cannot connect");
  if (Pq().PQstatus(conn) != CONNECTION_OK) {
    std::string message = Pq().PQerrorMessage(conn);
    Pq().PQfinish(conn);
    throw CSqlFailure(SqlStatus::kCantOpen, "connect: " + message);
  }
  m_conn = conn;
  m_readOnly = options.readOnly;
  Pq().PQsetNoticeProcessor(m_conn, IgnoreNotice, nullptr);
  try {
    // Texts pass as the bytes they are: the server checks them against its
    // own encoding (a database in SQL_ASCII keeps any bytes, as a file does).
    const char* encoding = Pq().PQparameterStatus(m_conn, "server_encoding");
    // The settings, the catalogue and whether the change counters exist, in
    // one request (one implicit transaction: a failure undoes it all).
    const std::string setup = std::string("SET client_encoding = ") +
                              QuoteText(encoding ? encoding : "UTF8") +
                              "; SET extra_float_digits = 3; SET statement_timeout = " +
                              std::to_string(kDefaultStatementTimeout) +
                              "; SET lock_timeout = " + std::to_string(kDefaultBusyTimeout) + ";" +
                              kCatalogue + "SELECT to_regclass('zl_engine_commits') IS NOT NULL";
    bool ready = false;
    try {
      ready = SimpleFlag(setup);
    } catch (const CSqlFailure&) {
      // A database never used for a library lacks citext, which the
      // catalogue needs.
      if (options.readOnly) throw;
    }
    if (!ready && !options.readOnly) {
      EnsureCounters();
      ready = SimpleFlag(setup);
    }
    m_busyTimeout = kDefaultBusyTimeout;
    if (Pq().PQenterPipelineMode(m_conn) == 0) Fail(nullptr, "pipeline");
  } catch (...) {
    Close();
    throw;
  }
}

void CPgConnection::EnsureCounters() {
  // Text columns need citext; the change counters live in one row.  Two
  // clients setting up one database at once follow each other.
  Simple("SELECT pg_advisory_lock(" + std::to_string(kLockClass) + ", 0)");
  try {
    Simple(
        "DO $$ BEGIN "
        "IF NOT EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'citext') THEN "
        "CREATE EXTENSION citext; END IF; "
        "IF to_regclass('zl_engine_commits') IS NULL THEN "
        "CREATE TABLE zl_engine_commits (data bigint NOT NULL, layout bigint NOT NULL); "
        "INSERT INTO zl_engine_commits VALUES (1, 1); END IF; END $$");
  } catch (...) {
    Simple("SELECT pg_advisory_unlock(" + std::to_string(kLockClass) + ", 0)");
    throw;
  }
  Simple("SELECT pg_advisory_unlock(" + std::to_string(kLockClass) + ", 0)");
}

void CPgConnection::Close() {
  if (m_conn == nullptr) return;
  m_cache.clear();
  m_lru.clear();
  // What was not sent goes with the connection (an open transaction rolls
  // back).
  m_queued.clear();
  m_beginAt = -1;
  // The server drops a closed session's locks only when its process ends;
  // the open lock goes now, so that an open right after this close finds
  // it free.
  try {
    if (Pq().PQstatus(m_conn) == CONNECTION_OK) UnlockLibrary();
  } catch (...) {
  }
  Pq().PQfinish(m_conn);
  m_conn = nullptr;
  m_unread = 0;
  m_inTransaction = false;
  m_busyTimeout = -1;
  EndTransaction();
  m_libraryLocked = false;
}

void CPgConnection::Fail(const pg_result* result, const std::string& context) const {
  if (m_conn == nullptr || Pq().PQstatus(m_conn) == CONNECTION_BAD) {
    throw CSqlFailure(SqlStatus::kConnectionLost,
                      context + ": " + (m_conn ? Pq().PQerrorMessage(m_conn) : "not connected"));
  }
  const char* state = result ? Pq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  std::string message = result ? Pq().PQresultErrorMessage(result) : Pq().PQerrorMessage(m_conn);
  while (!message.empty() && message.back() == '\n') message.pop_back();
  throw CSqlFailure(state ? StatusOfSqlState(state) : SqlStatus::kError, context + ": " + message);
}

int64_t CPgConnection::Simple(const std::string& sql) {
  if (Pq().PQpipelineStatus(m_conn) == PQ_PIPELINE_OFF) {
    // While the connection is set up: text that may hold several statements.
    ++g_roundTrips;
    ResultOwner r{Pq().PQexec(m_conn, sql.c_str())};
    const ExecStatusType status = r.r ? Pq().PQresultStatus(r.r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(r.r, "exec");
    const char* changed = Pq().PQcmdTuples(r.r);
    return changed != nullptr && *changed != '\0' ? std::strtoll(changed, nullptr, 10) : 0;
  }
  CResults results = Request([&] { return SendText(sql) ? 1 : -1; });
  ThrowFirstFailure(results, "exec");
  const char* changed = Pq().PQcmdTuples(results.At(results.Count() - 1));
  return changed != nullptr && *changed != '\0' ? std::strtoll(changed, nullptr, 10) : 0;
}

bool CPgConnection::SimpleFlag(const std::string& sql) {
  ++g_roundTrips;
  ResultOwner r{Pq().PQexec(m_conn, sql.c_str())};
  if (r.r == nullptr || Pq().PQresultStatus(r.r) != PGRES_TUPLES_OK) Fail(r.r, "exec");
  return Pq().PQntuples(r.r) > 0 && Pq().PQgetvalue(r.r, 0, 0)[0] == 't';
}

bool CPgConnection::SendText(const std::string& sql) {
  return Pq().PQsendQueryParams(m_conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
}

void CPgConnection::Queue(std::string sql) {
  m_queued.push_back(CQueued{std::move(sql), {}, {}, {}});
}

void CPgConnection::QueueStatement(const std::string& sql, std::vector<std::string> values,
                                   std::vector<bool> nulls, std::vector<int> formats) {
  m_queued.push_back(CQueued{sql, std::move(values), std::move(nulls), std::move(formats)});
}

bool CPgConnection::SendQueued(const CQueued& queued) {
  const size_t n = queued.values.size();
  std::vector<const char*> values(n);
  std::vector<int> lengths(n);
  for (size_t i = 0; i < n; ++i) {
    values[i] = queued.nulls[i] ? nullptr : queued.values[i].c_str();
    lengths[i] = static_cast<int>(queued.values[i].size());
  }
  return Pq().PQsendQueryParams(m_conn, queued.sql.c_str(), static_cast<int>(n), nullptr,
                                values.data(), lengths.data(), queued.formats.data(), 0) != 0;
}

void CPgConnection::QueueBegin(std::string sql) {
  m_beginAt = static_cast<int>(m_queued.size());
  Queue(std::move(sql));
  m_inTransaction = true;
}

bool CPgConnection::DropUnsentTransaction() {
  if (m_beginAt < 0) return false;
  m_queued.resize(static_cast<size_t>(m_beginAt));
  m_beginAt = -1;
  return true;
}

CPgConnection::CResults::~CResults() {
  for (PGresult* r : m_results) Pq().PQclear(r);
}

PGresult* CPgConnection::CResults::Take(size_t i) {
  PGresult* taken = m_results[i];
  m_results[i] = nullptr;
  return taken;
}

void CPgConnection::Collect(CResults* into) {
  // One result per request (a null between requests), then the sync.  Two
  // nulls in a row mean nothing more will come (a broken connection).
  bool lastWasNull = false;
  for (;;) {
    PGresult* r = Pq().PQgetResult(m_conn);
    if (r == nullptr) {
      if (lastWasNull) return;
      lastWasNull = true;
      continue;
    }
    lastWasNull = false;
    if (Pq().PQresultStatus(r) == PGRES_PIPELINE_SYNC) {
      Pq().PQclear(r);
      return;
    }
    if (into != nullptr) {
      into->m_results.push_back(r);
    } else {
      Pq().PQclear(r);
    }
  }
}

void CPgConnection::Drain() {
  // Requests sent without waiting (the commit of a reading transaction):
  // their answers are read now; a failure there changed nothing.
  while (m_unread > 0) {
    --m_unread;
    Collect(nullptr);
  }
}

CPgConnection::CResults CPgConnection::Request(const std::function<int()>& send) {
  Drain();
  CResults results;
  int sent = 0;
  bool sendFailed = false;
  for (const CQueued& command : m_queued) {
    if (!SendQueued(command)) {
      sendFailed = true;
      break;
    }
    ++sent;
  }
  m_queued.clear();
  m_beginAt = -1;
  int own = 0;
  if (!sendFailed) {
    own = send();
    sendFailed = own < 0;
  }
  ++g_roundTrips;
  if (Pq().PQpipelineSync(m_conn) == 0) sendFailed = true;
  Collect(&results);
  m_inTransaction = Pq().PQtransactionStatus(m_conn) != PQTRANS_IDLE;
  // After a failure the transaction's state is the server's to tell.
  for (size_t i = 0; i < results.Count() && !m_keptBroken; ++i) {
    const ExecStatusType status = Pq().PQresultStatus(results.At(i));
    m_keptBroken = status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
  }
  if (sendFailed) m_keptBroken = true;
  if (m_keptBroken) m_kept.Clear();
  if (sendFailed || results.Count() != static_cast<size_t>(sent + own)) {
    Fail(nullptr, "request");
  }
  return results;
}

void CPgConnection::ThrowFirstFailure(const CResults& results, const char* context) const {
  for (size_t i = 0; i < results.Count(); ++i) {
    const ExecStatusType status = Pq().PQresultStatus(results.At(i));
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(results.At(i), context);
  }
}

void CPgConnection::SendWithoutWaiting(const std::string& sql) {
  Drain();
  bool sent = true;
  for (const CQueued& command : m_queued) sent = sent && SendQueued(command);
  m_queued.clear();
  m_beginAt = -1;
  sent = sent && SendText(sql);
  // The server runs it as soon as it arrives; its answer is read with the
  // next request's.
  if (Pq().PQpipelineSync(m_conn) == 0 || !sent) Fail(nullptr, "send");
  ++m_unread;
}

void CPgConnection::Exec(const std::string& sql) {
  for (const std::string& one : SplitStatements(sql)) {
    const CServerSql translated = TranslateForServer(one);
    if (translated.writes) {
      if (CFaultInjector::Hit(FaultKind::kWrite)) {
        throw CSqlFailure(InjectedStatus(FaultKind::kWrite), "write: injected failure");
      }
      BeforeWrite(translated, ShapeOfStatement(translated.text, true));
    }
    const int64_t changed = Simple(translated.text);
    if (translated.writes) {
      m_changes = changed;
      AfterWrite();
    }
  }
}

CPgStatement* CPgConnection::Prepare(const std::string& sql) {
  auto it = m_cache.find(sql);
  if (it != m_cache.end()) {
    m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
    return it->second.stmt.get();
  }
  CFaultInjector::OnAllocation();
  auto stmt = std::make_unique<CPgStatement>();
  stmt->sql = TranslateForServer(sql);
  stmt->shape =
      std::make_shared<const CStatementShape>(ShapeOfStatement(stmt->sql.text, stmt->sql.writes));
  stmt->name = "zl" + std::to_string(m_nextStatement++);
  // Prepared on the server with its first use (CPgQuery::Execute).
  if (m_cache.size() >= kStatementCacheSize) {
    const std::string victim = m_lru.back();
    const CPgStatement& old = *m_cache[victim].stmt;
    if (old.prepared) Queue("DEALLOCATE " + old.name);
    m_cache.erase(victim);
    m_lru.pop_back();
  }
  m_lru.push_front(sql);
  CPgStatement* raw = stmt.get();
  m_cache.emplace(sql, CacheEntry{std::move(stmt), m_lru.begin()});
  return raw;
}

void CPgConnection::ClearStatementCache() {
  // Prepared statements survive layout changes on the server (they are
  // planned again); the cache is only emptied with the connection.
}

bool CPgConnection::InTransaction() const { return m_conn != nullptr && m_inTransaction; }

void CPgConnection::TakeWriterLock() {
  // Sent with the next request, ahead of it.
  Queue("SELECT pg_advisory_xact_lock(" + std::to_string(kLockClass) + ", " +
        std::to_string(kWriterLock) + ")");
  m_writer = true;
}

void CPgConnection::BeginImmediate() {
  // Read committed: each statement sees what the writers before this one
  // committed, and no other writer runs until this one ends.
  QueueBegin("BEGIN ISOLATION LEVEL READ COMMITTED");
  StartTransaction();
  TakeWriterLock();
  try {
    // The lock is taken now, and the change counters are read with it
    // (nobody else moves them while it is held).
    ReadVersions();
  } catch (...) {
    if (Pq().PQstatus(m_conn) != CONNECTION_BAD) {
      try {
        RollbackAll();
      } catch (...) {
      }
    }
    EndTransaction();
    m_inTransaction = false;
    throw;
  }
}

void CPgConnection::BeginDeferred() {
  QueueBegin("BEGIN ISOLATION LEVEL REPEATABLE READ");
  StartTransaction();
}

void CPgConnection::BeforeWrite(const CServerSql& sql, const CStatementShape& shape) {
  if (m_readOnly) throw CSqlFailure(SqlStatus::kReadOnly, "write: the connection only reads");
  if (InTransaction() && !m_writer) TakeWriterLock();
  m_wrote = true;
  m_layoutChanged = m_layoutChanged || sql.changesLayout;
  m_kept.Written(shape);
  if (sql.changesLayout) m_kept.Clear();
}

bool CPgConnection::MayUseKept(const CStatementShape& shape) const {
  // Kept answers hold within one transaction that knows its change counters
  // and the tables as they were at its layout version (not after its own
  // layout changes).
  return InTransaction() && !m_keptBroken && m_versionsKnown && !m_layoutChanged &&
         m_kept.CatalogueCurrent(m_layoutVersion) && m_kept.MayKeep(shape);
}

std::shared_ptr<pg_result> CPgConnection::KeptResult(const CStatementShape& shape,
                                                     const std::string& key) {
  if (!MayUseKept(shape)) return nullptr;
  return m_kept.Find(key);
}

void CPgConnection::Keep(const std::shared_ptr<const CStatementShape>& shape, std::string key,
                         std::shared_ptr<pg_result> result) {
  if (!MayUseKept(*shape) || Pq().PQntuples(result.get()) > CPgResultCache::kMaxRows) return;
  m_kept.Keep(shape, std::move(key), std::move(result));
}

void CPgConnection::ReadCatalogue() {
  // Per table the columns its row number is generated from, and the views.
  CPgResultCache::Catalogue catalogue;
  CPgQuery q(*this,
             "SELECT CAST(c.relname AS text), CASE WHEN c.relkind IN ('v', 'm') THEN 1 ELSE 0 END, "
             "pg_get_expr(d.adbin, d.adrelid) FROM pg_class c LEFT JOIN pg_attribute a ON "
             "a.attrelid = c.oid AND a.attname = 'rowid' AND a.attgenerated = 's' LEFT JOIN "
             "pg_attrdef d ON d.adrelid = c.oid AND d.adnum = a.attnum WHERE c.relnamespace = "
             "(SELECT oid FROM pg_namespace WHERE nspname = current_schema()) AND "
             "(c.relkind IN ('v', 'm') OR d.adnum IS NOT NULL)");
  while (q.Step()) {
    const std::string table = FoldName(q.ColumnText(0));
    if (q.ColumnInt(1) != 0) {
      catalogue.views.insert(table);
    } else {
      catalogue.rowidSources[table] = NamesInSql(q.ColumnText(2));
    }
  }
  m_kept.SetCatalogue(std::move(catalogue), m_layoutVersion);
}

void CPgConnection::AfterWrite() {
  // A write outside a transaction committed by itself: count it now.
  if (!InTransaction() && m_wrote) {
    Simple(m_layoutChanged ? "UPDATE zl_engine_commits SET data = data + 1, layout = layout + 1"
                           : "UPDATE zl_engine_commits SET data = data + 1");
    m_wrote = m_layoutChanged = false;
  }
}

void CPgConnection::AfterStatement(int64_t changes, int64_t rowId, bool hasRowId) {
  m_changes = changes;
  if (hasRowId) m_lastRowId = rowId;
}

void CPgConnection::StartTransaction() {
  m_writer = m_wrote = m_layoutChanged = false;
  m_versionsKnown = false;
}

void CPgConnection::EndTransaction(int64_t keptVersion) {
  StartTransaction();
  if (keptVersion < 0 || m_keptBroken) {
    m_kept.Clear();
    keptVersion = -1;
  }
  m_keptVersion = keptVersion;
  m_keptBroken = false;
}

int64_t CPgConnection::VersionAfter() const {
  // The answers kept through the transaction show its own writes; once it
  // commits they show the state of the counter it leaves (its own bump
  // follows the value it read under the writer lock, or fails).
  // A transaction that never read the counters holds them as before unless it wrote.
  if (m_keptBroken || m_layoutChanged) return -1;
  if (!m_versionsKnown) return m_wrote ? -1 : m_keptVersion;
  return m_dataVersion + (m_wrote ? 1 : 0);
}

void CPgConnection::Commit() {
  if (CFaultInjector::Hit(FaultKind::kCommit)) {
    throw CSqlFailure(InjectedStatus(FaultKind::kCommit), "commit: injected failure");
  }
  // The change counters, and the commit, in one request.
  if (m_wrote) {
    Queue(m_layoutChanged ? "UPDATE zl_engine_commits SET data = data + 1, layout = layout + 1"
                          : "UPDATE zl_engine_commits SET data = data + 1");
  }
  // Once committed, what was kept holds at the version the commit leaves.
  EndTransaction(VersionAfter());
  try {
    Simple("COMMIT");
  } catch (...) {
    m_kept.Clear();
    m_keptVersion = -1;
    throw;
  }
}

void CPgConnection::EndRead() {
  // Ending a transaction that wrote nothing cannot fail in a way that
  // matters, so nothing waits for it.
  EndTransaction(m_wrote ? -1 : VersionAfter());
  if (!DropUnsentTransaction()) SendWithoutWaiting("COMMIT");
  m_inTransaction = false;
}

void CPgConnection::RollbackAll() {
  if (!InTransaction()) return;
  EndTransaction();
  m_inTransaction = false;
  if (!DropUnsentTransaction()) Simple("ROLLBACK");
}

void CPgConnection::Savepoint(const std::string& name) { Queue("SAVEPOINT " + QuoteName(name)); }

void CPgConnection::Release(const std::string& name) { Queue("RELEASE " + QuoteName(name)); }

void CPgConnection::RollbackTo(const std::string& name) {
  // What was read since the savepoint may show writes that go back now.
  m_kept.Clear();
  m_keptBroken = false;
  Queue("ROLLBACK TO " + QuoteName(name));
}

void CPgConnection::ReadVersions() {
  if (m_versionsKnown) return;
  CPgQuery q(*this, "SELECT data, layout FROM zl_engine_commits");
  if (q.Step()) {
    m_dataVersion = q.ColumnInt(0);
    m_layoutVersion = q.ColumnInt(1);
  } else {
    m_dataVersion = m_layoutVersion = 0;
  }
  // Inside a transaction the counters cannot move under it: a reading one
  // sees one state, and a writing one holds the writer lock.
  m_versionsKnown = InTransaction();
  if (!m_versionsKnown) return;
  // Answers kept from earlier transactions hold while nobody committed
  // since (every commit moves the counter).
  if (m_dataVersion != m_keptVersion) m_kept.Clear();
  m_keptVersion = -1;
  if (!m_kept.CatalogueCurrent(m_layoutVersion)) ReadCatalogue();
}

int64_t CPgConnection::DataVersion() {
  ReadVersions();
  return m_dataVersion;
}

int64_t CPgConnection::SchemaVersion() {
  // Inside a transaction, the layout counter read with the data counter.
  ReadVersions();
  return m_layoutVersion;
}

void CPgConnection::SetBusyTimeout(int milliseconds) {
  if (milliseconds == m_busyTimeout) return;
  Simple("SET lock_timeout = " + std::to_string(milliseconds > 0 ? milliseconds : 1));
  // A setting made inside a transaction goes with its rollback.
  m_busyTimeout = InTransaction() ? -1 : milliseconds;
}

void CPgConnection::SetStatementTimeout(int milliseconds) {
  Simple("SET statement_timeout = " + std::to_string(milliseconds));
}

bool CPgConnection::LockLibrary(bool exclusive) {
  if (m_libraryLocked && m_libraryExclusive == exclusive) return true;
  // The new mode first (a session's own locks never conflict), so a lock
  // that cannot change stays as it was.
  bool taken = false;
  {
    CPgQuery q(*this, exclusive ? "SELECT pg_try_advisory_lock(?, ?)"
                                : "SELECT pg_try_advisory_lock_shared(?, ?)");
    q.Bind(1, CSqlValue::Integer(kLockClass), false);
    q.Bind(2, CSqlValue::Integer(kOpenLock), false);
    taken = q.Step() && q.ColumnInt(0) != 0;
  }
  if (!taken) return false;
  UnlockLibrary();
  m_libraryLocked = true;
  m_libraryExclusive = exclusive;
  return true;
}

void CPgConnection::UnlockLibrary() {
  if (!m_libraryLocked) return;
  Simple(std::string(m_libraryExclusive ? "SELECT pg_advisory_unlock("
                                        : "SELECT pg_advisory_unlock_shared(") +
         std::to_string(kLockClass) + ", " + std::to_string(kOpenLock) + ")");
  m_libraryLocked = false;
}

void CPgConnection::DropLibraryTables() {
  if (!m_writer) TakeWriterLock();
  m_kept.Clear();
  m_kept.ForgetCatalogue();
  // Only what the library holds: the tables its bookkeeping names, then
  // the bookkeeping.  Tables of other applications in the same schema stay.
  Simple(
      "DO $$ DECLARE r record; BEGIN IF to_regclass('zl_engine_tables') IS NOT NULL THEN FOR r "
      "IN EXECUTE 'SELECT t.tablename FROM pg_tables t JOIN zl_engine_tables e ON e.name::text = "
      "t.tablename::text WHERE t.schemaname = current_schema()' LOOP EXECUTE 'DROP TABLE ' || "
      "quote_ident(r.tablename) || ' CASCADE'; END LOOP; END IF; FOR r IN SELECT tablename FROM "
      "pg_tables WHERE schemaname = current_schema() AND tablename LIKE 'zl\\_engine\\_%' AND "
      "tablename <> 'zl_engine_commits' LOOP EXECUTE 'DROP TABLE ' || quote_ident(r.tablename) "
      "|| ' CASCADE'; END LOOP; END $$");
  m_wrote = m_layoutChanged = true;
}

#else  // built without libpq: server names are refused when opened

namespace {
[[noreturn]] void NoServer() {
  throw CSqlFailure(SqlStatus::kCantOpen, "this build has no PostgreSQL support");
}
}  // namespace

std::string NormalizeServerName(const std::string& name, bool) { return name; }
CPgQuery::CPgQuery(CPgConnection& conn, const std::string&) : m_conn(conn), m_stmt(nullptr) {
  NoServer();
}
CPgQuery::~CPgQuery() = default;
void CPgQuery::Bind(int, const CSqlValue&, bool) { NoServer(); }
void CPgQuery::BindBlob(int, std::string_view) { NoServer(); }
void CPgQuery::BindPredicate(int, const std::function<bool(const char*, size_t)>*) { NoServer(); }
bool CPgQuery::Step() { NoServer(); }
bool CPgQuery::Queue() { NoServer(); }
void CPgQuery::RunTogether(const std::vector<CPgQuery*>&) { NoServer(); }

void CPgQuery::Reset() {}
int CPgQuery::ColumnCount() const { return 0; }
CSqlValue CPgQuery::Column(int) const { return CSqlValue::Null(); }
std::string_view CPgQuery::ColumnBytes(int) const { return {}; }
int64_t CPgQuery::ColumnInt(int) const { return 0; }
double CPgQuery::ColumnReal(int) const { return 0; }
std::string CPgQuery::ColumnText(int) const { return std::string(); }
bool CPgQuery::ColumnIsNull(int) const { return true; }
CPgConnection::~CPgConnection() = default;
void CPgConnection::Open(const std::string&, const CSqlOpenOptions&) { NoServer(); }
void CPgConnection::Close() {}
void CPgConnection::Exec(const std::string&) { NoServer(); }
CPgStatement* CPgConnection::Prepare(const std::string&) { NoServer(); }
void CPgConnection::ClearStatementCache() {}
bool CPgConnection::InTransaction() const { return false; }
void CPgConnection::BeginImmediate() { NoServer(); }
void CPgConnection::BeginDeferred() { NoServer(); }
void CPgConnection::Commit() { NoServer(); }
void CPgConnection::EndRead() { NoServer(); }
void CPgConnection::RollbackAll() {}
void CPgConnection::Savepoint(const std::string&) { NoServer(); }
void CPgConnection::Release(const std::string&) { NoServer(); }
void CPgConnection::RollbackTo(const std::string&) { NoServer(); }
int64_t CPgConnection::DataVersion() { NoServer(); }
int64_t CPgConnection::SchemaVersion() { NoServer(); }
void CPgConnection::SetBusyTimeout(int) {}
void CPgConnection::SetStatementTimeout(int) {}
bool CPgConnection::LockLibrary(bool) { NoServer(); }
void CPgConnection::UnlockLibrary() {}
void CPgConnection::DropLibraryTables() { NoServer(); }
void CPgConnection::BeforeWrite(const CServerSql&, const CStatementShape&) { NoServer(); }
void CPgConnection::AfterStatement(int64_t, int64_t, bool) {}
void CPgConnection::AfterWrite() {}
void CPgConnection::Fail(const pg_result*, const std::string&) const { NoServer(); }

#endif

}  // namespace zl::engine
