// The server half of the seam on a real server (ZL_PG_URI, set by
// scripts/pg-test-server.sh; skipped without one): values, the order of
// case-insensitive text with NULLs against the same statements on a file,
// transactions, locks and the failures' statuses.
#include "engine/pg_seam.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/sqlite_seam.h"
#include "platform/scratch_dir.h"

namespace {

using zl::engine::CSqlConnection;
using zl::engine::CSqlFailure;
using zl::engine::CSqlQuery;
using zl::engine::CSqlValue;
using zl::engine::SqlStatus;

std::string ServerName() {
  const char* uri = std::getenv("ZL_PG_URI");
  return uri != nullptr ? uri : "";
}

SqlStatus StatusOf(const std::function<void()>& f) {
  try {
    f();
    return SqlStatus::kOk;
  } catch (const CSqlFailure& e) {
    return e.Status();
  }
}

TEST(PgSeamNames, ServerNamesAndStates) {
  EXPECT_TRUE(zl::engine::IsServerName("postgresql://host/db"));
  EXPECT_TRUE(zl::engine::IsServerName("postgresql:host=/tmp dbname=x"));
  EXPECT_FALSE(zl::engine::IsServerName("postgres://host/db"));
  EXPECT_FALSE(zl::engine::IsServerName("/data/postgresql:lib.db"));
  struct Case {
    const char* state;
    SqlStatus status;
  } const cases[] = {
      {"40001", SqlStatus::kSerialization},  {"40P01", SqlStatus::kSerialization},
      {"08006", SqlStatus::kConnectionLost}, {"57P01", SqlStatus::kConnectionLost},
      {"55P03", SqlStatus::kBusy},           {"57014", SqlStatus::kBusy},
      {"23505", SqlStatus::kUnique},         {"23502", SqlStatus::kNotNull},
      {"23514", SqlStatus::kConstraint},     {"42P01", SqlStatus::kNoSuchTable},
      {"42703", SqlStatus::kNoSuchColumn},   {"42P07", SqlStatus::kSchemaError},
      {"25006", SqlStatus::kReadOnly},       {"53100", SqlStatus::kFull},
      {"22003", SqlStatus::kOverflow},       {"22P02", SqlStatus::kConversion},
      {"42601", SqlStatus::kError},
  };
  for (const Case& c : cases) EXPECT_EQ(zl::engine::StatusOfSqlState(c.state), c.status) << c.state;
}

class PgSeamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ServerName().empty()) GTEST_SKIP() << "no server (ZL_PG_URI)";
    m_conn.Open(ServerName(), {});
    m_conn.Exec("DROP TABLE IF EXISTS \"T\"; DROP TABLE IF EXISTS \"U\"");
    m_conn.Exec(kTable);
  }
  void Other(CSqlConnection& conn) { conn.Open(ServerName(), {}); }
  static int64_t Count(CSqlConnection& conn) {
    CSqlQuery q(conn, "SELECT count(*) FROM \"T\"");
    return q.Step() ? q.ColumnInt(0) : -1;
  }
  static void Insert(CSqlConnection& conn, int64_t id, const CSqlValue& name) {
    CSqlQuery(conn, "INSERT INTO \"T\" (\"ID\", \"NAME\") VALUES (?, ?)")
        .BindInt(1, id)
        .Bind(2, name)
        .Run();
  }

  static constexpr const char* kTable =
      "CREATE TABLE \"T\" (\"ID\" INTEGER PRIMARY KEY, \"NAME\" TEXT(50) COLLATE NOCASE, \"N\" "
      "LONG_INT, \"D\" DATE_REAL, \"B\" LONGBINARY_BLOB, \"M\" MEMO_TEXT);"
      "CREATE INDEX \"T.NAME\" ON \"T\" (\"NAME\")";
  CSqlConnection m_conn;
};

TEST_F(PgSeamTest, ValuesComeBackAsStored) {
  const std::vector<CSqlValue> values = {
      CSqlValue::Null(),
      CSqlValue::Integer(std::numeric_limits<int64_t>::min()),
      CSqlValue::Integer(std::numeric_limits<int64_t>::max()),
      CSqlValue::Real(0.1),
      CSqlValue::Real(-1.2345678901234567e300),
      CSqlValue::Text(""),
      CSqlValue::Text("\xC3\x89t\xC3\xA9 'quoted' \"x\""),
      CSqlValue::Blob(std::string("\0\x01\xFF\\x00", 6)),
      CSqlValue::Blob(""),
  };
  const char* columns[] = {"N", "N", "N", "D", "D", "M", "M", "B", "B"};
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string col = std::string("\"") + columns[i] + "\"";
    CSqlQuery(m_conn, "INSERT INTO \"T\" (\"ID\", " + col + ") VALUES (?, ?)")
        .BindInt(1, static_cast<int64_t>(i) + 1)
        .Bind(2, values[i])
        .Run();
    EXPECT_EQ(m_conn.LastInsertRowId(), static_cast<int64_t>(i) + 1);
    CSqlQuery q(m_conn, "SELECT " + col + " FROM \"T\" WHERE rowid = ?");
    q.BindInt(1, static_cast<int64_t>(i) + 1);
    ASSERT_TRUE(q.Step());
    EXPECT_TRUE(q.Column(0) == values[i]) << i;
    if (values[i].GetKind() == CSqlValue::kBlob) {
      EXPECT_EQ(std::string(q.ColumnBytes(0)), values[i].AsBytes()) << i;
    }
    EXPECT_FALSE(q.Step());
  }
  CSqlQuery update(m_conn, "UPDATE \"T\" SET \"N\" = 7 WHERE \"ID\" > ?");
  update.BindInt(1, 6).Run();
  EXPECT_EQ(m_conn.Changes(), 3);
}

// Case-insensitive text with NULLs sorts and matches on the server exactly
// as on a file, for the same statements.
TEST_F(PgSeamTest, TextOrderAndEqualityMatchTheFile) {
  CScratchDir dir;
  CSqlConnection file;
  zl::engine::CSqlOpenOptions create;
  create.create = true;
  file.Open(dir.File("order.db"), create);
  file.Exec(kTable);
  const std::vector<const char*> names = {"b",        "B", "a_", "A", "ab", "\xC3\xA9",
                                          "\xC3\x89", "",  "Z",  "[", "a",  "zz"};
  for (CSqlConnection* conn : {&m_conn, &file}) {
    int64_t id = 1;
    Insert(*conn, id++, CSqlValue::Null());
    for (const char* n : names) Insert(*conn, id++, CSqlValue::Text(n));
    Insert(*conn, id++, CSqlValue::Null());
  }
  auto walk = [](CSqlConnection& conn, const std::string& sql, const CSqlValue& bound) {
    std::string out;
    CSqlQuery q(conn, sql);
    if (!bound.IsNull()) q.Bind(1, bound);
    while (q.Step()) out += std::to_string(q.ColumnInt(0)) + ",";
    return out;
  };
  const struct {
    const char* sql;
    CSqlValue bound;
  } queries[] = {
      {"SELECT \"ID\" FROM \"T\" ORDER BY \"NAME\" ASC, rowid ASC", CSqlValue::Null()},
      {"SELECT \"ID\" FROM \"T\" ORDER BY \"NAME\" DESC, rowid DESC", CSqlValue::Null()},
      {"SELECT \"ID\" FROM \"T\" WHERE \"NAME\" = ? ORDER BY rowid", CSqlValue::Text("AB")},
      {"SELECT \"ID\" FROM \"T\" WHERE \"NAME\" IS ? ORDER BY rowid", CSqlValue::Text("b")},
      {"SELECT \"ID\" FROM \"T\" WHERE \"NAME\" > ? ORDER BY \"NAME\", rowid",
       CSqlValue::Text("a")},
  };
  for (const auto& query : queries) {
    const std::string onFile = walk(file, query.sql, query.bound);
    EXPECT_FALSE(onFile.empty()) << query.sql;
    EXPECT_EQ(walk(m_conn, query.sql, query.bound), onFile) << query.sql;
  }
}

TEST_F(PgSeamTest, SavepointsAndRollback) {
  m_conn.BeginImmediate();
  EXPECT_TRUE(m_conn.InTransaction());
  EXPECT_TRUE(m_conn.HoldsWriteLock());
  Insert(m_conn, 1, CSqlValue::Text("kept"));
  m_conn.Savepoint("inner");
  Insert(m_conn, 2, CSqlValue::Text("undone"));
  m_conn.RollbackTo("inner");
  m_conn.Release("inner");
  m_conn.Commit();
  EXPECT_FALSE(m_conn.InTransaction());
  EXPECT_EQ(Count(m_conn), 1);
  m_conn.BeginImmediate();
  Insert(m_conn, 3, CSqlValue::Text("gone"));
  m_conn.RollbackAll();
  EXPECT_EQ(Count(m_conn), 1);
}

// Writers follow one another; a second writer waits for the lock timeout,
// then reports busy; a change seen by another connection moves its data
// version, a rolled-back one does not.
TEST_F(PgSeamTest, WritersLocksAndVersions) {
  CSqlConnection other;
  Other(other);
  other.SetBusyTimeout(200);
  const int64_t before = other.DataVersion();
  const int64_t layoutBefore = other.SchemaVersion();
  m_conn.BeginImmediate();
  Insert(m_conn, 1, CSqlValue::Text("x"));
  EXPECT_EQ(StatusOf([&] { other.BeginImmediate(); }), SqlStatus::kBusy);
  EXPECT_FALSE(other.InTransaction());
  m_conn.RollbackAll();
  EXPECT_EQ(other.DataVersion(), before);
  m_conn.BeginImmediate();
  Insert(m_conn, 1, CSqlValue::Text("x"));
  m_conn.Commit();
  EXPECT_GT(other.DataVersion(), before);
  EXPECT_EQ(other.SchemaVersion(), layoutBefore);
  m_conn.BeginImmediate();
  m_conn.Exec("CREATE TABLE \"U\" (\"A\" LONG_INT)");
  m_conn.Commit();
  EXPECT_GT(other.SchemaVersion(), layoutBefore);

  // Shared opens share; an exclusive one needs everybody else gone.
  ASSERT_TRUE(m_conn.Server()->LockLibrary(false));
  EXPECT_TRUE(other.Server()->LockLibrary(false));
  EXPECT_FALSE(other.Server()->LockLibrary(true));
  m_conn.Server()->UnlockLibrary();
  EXPECT_FALSE(m_conn.Server()->LockLibrary(true));  // the failed change kept other's lock
  EXPECT_TRUE(other.Server()->LockLibrary(true));
  EXPECT_FALSE(m_conn.Server()->LockLibrary(false));
  other.Close();
  EXPECT_TRUE(m_conn.Server()->LockLibrary(true));
}

// Reads repeated in a transaction are answered from what it read before
// only while nothing since can have changed them: its own writes (to a
// column read, or to the column the row number is made from), a rollback to
// a savepoint, and another client's commit before a new transaction.
TEST_F(PgSeamTest, KeptReadsNeverGoStale) {
  Insert(m_conn, 1, CSqlValue::Text("a"));
  Insert(m_conn, 2, CSqlValue::Text("b"));
  const auto name = [&](CSqlConnection& conn, int64_t rowid) {
    CSqlQuery q(conn, "SELECT \"NAME\" FROM \"T\" WHERE rowid = ?");
    q.BindInt(1, rowid);
    return q.Step() ? q.ColumnText(0) : std::string("-");
  };
  const auto first = [&] {
    CSqlQuery q(m_conn, "SELECT rowid FROM \"T\" ORDER BY rowid LIMIT 1");
    return q.Step() ? q.ColumnInt(0) : -1;
  };
  const auto run = [&](const char* sql) { CSqlQuery(m_conn, sql).Run(); };
  m_conn.BeginImmediate();
  EXPECT_EQ(name(m_conn, 1), "a");
  const uint64_t trips = zl::engine::ServerRoundTrips();
  EXPECT_EQ(name(m_conn, 1), "a");
  EXPECT_EQ(zl::engine::ServerRoundTrips(), trips);  // answered without the server
  const struct {
    std::function<void()> step;
    const char* name1;
    int64_t first;
  } steps[] = {
      {[&] { run("UPDATE \"T\" SET \"N\" = 5 WHERE rowid = 1"); }, "a", 1},
      {[&] { run("UPDATE \"T\" SET \"NAME\" = 'c' WHERE rowid = 1"); }, "c", 1},
      {[&] { m_conn.Savepoint("s"); }, "c", 1},
      {[&] { run("INSERT INTO \"T\" (\"ID\", \"NAME\") VALUES (0, 'z')"); }, "c", 0},
      {[&] { run("UPDATE \"T\" SET \"NAME\" = 'd' WHERE rowid = 1"); }, "d", 0},
      {[&] { m_conn.RollbackTo("s"); }, "c", 1},
      {[&] { run("UPDATE \"T\" SET \"ID\" = 10 WHERE \"ID\" = 1"); }, "-", 2},
      {[&] { run("DELETE FROM \"T\" WHERE rowid = 2"); }, "-", 10},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    steps[i].step();
    EXPECT_EQ(name(m_conn, 1), steps[i].name1) << i;
    EXPECT_EQ(first(), steps[i].first) << i;
  }
  m_conn.Commit();

  // Between transactions: kept while nobody commits, gone after another
  // client's commit, whichever of the two wrote.
  CSqlConnection other;
  Other(other);
  const auto read = [&](CSqlConnection& conn) {
    conn.BeginDeferred();
    conn.DataVersion();
    const uint64_t before = zl::engine::ServerRoundTrips();
    const std::string value = name(conn, 10);
    const bool kept = zl::engine::ServerRoundTrips() == before;
    conn.EndRead();
    return value + (kept ? "+" : "");
  };
  for (CSqlConnection* conn : {&m_conn, &other}) {
    EXPECT_EQ(read(*conn), "c");
    EXPECT_EQ(read(*conn), "c+");
  }
  for (const char* value : {"e", "f"}) {
    CSqlConnection& writer = value[0] == 'e' ? m_conn : other;
    writer.BeginImmediate();
    CSqlQuery(writer, std::string("UPDATE \"T\" SET \"NAME\" = '") + value + "' WHERE rowid = 10")
        .Run();
    writer.Commit();
    EXPECT_EQ(read(m_conn), value);
    EXPECT_EQ(read(other), value);
  }
}

TEST_F(PgSeamTest, FailuresMapToStatuses) {
  Insert(m_conn, 1, CSqlValue::Text("x"));
  EXPECT_EQ(StatusOf([&] { Insert(m_conn, 1, CSqlValue::Text("y")); }), SqlStatus::kUnique);
  EXPECT_EQ(StatusOf([&] { CSqlQuery(m_conn, "SELECT 1 FROM \"NOPE\"").Step(); }),
            SqlStatus::kNoSuchTable);
  EXPECT_EQ(StatusOf([&] { CSqlQuery(m_conn, "SELECT \"NOPE\" FROM \"T\"").Step(); }),
            SqlStatus::kNoSuchColumn);
  EXPECT_EQ(StatusOf([&] { m_conn.Exec("CREATE TABLE \"T\" (\"A\" LONG_INT)"); }),
            SqlStatus::kSchemaError);

  // A reader whose snapshot predates another writer's commit cannot write
  // the row that writer changed.
  CSqlConnection other;
  Other(other);
  m_conn.BeginDeferred();
  EXPECT_EQ(Count(m_conn), 1);
  other.BeginImmediate();
  CSqlQuery(other, "UPDATE \"T\" SET \"N\" = 1").Run();
  other.Commit();
  EXPECT_EQ(StatusOf([&] { CSqlQuery(m_conn, "UPDATE \"T\" SET \"N\" = 2").Run(); }),
            SqlStatus::kSerialization);
  m_conn.RollbackAll();

  // A connection the server ends is lost, not an SQL mistake.
  int64_t pid = 0;
  {
    CSqlQuery q(m_conn, "SELECT pg_backend_pid()");
    ASSERT_TRUE(q.Step());
    pid = q.ColumnInt(0);
  }
  CSqlQuery(other, "SELECT pg_terminate_backend(?)").BindInt(1, pid).Run();
  EXPECT_EQ(StatusOf([&] { Count(m_conn); }), SqlStatus::kConnectionLost);
  // A server that cannot be reached does not open.
  CSqlConnection nowhere;
  EXPECT_EQ(StatusOf([&] { nowhere.Open("postgresql:host=/nonexistent dbname=x", {}); }),
            SqlStatus::kCantOpen);
}

// Reads run together go out in one request and each steps through its own
// rows; a write among them runs only when stepped, a failure is thrown.
TEST_F(PgSeamTest, ReadsRunTogetherInOneRequest) {
  for (int64_t id = 1; id <= 3; ++id)
    Insert(m_conn, id, CSqlValue::Text(std::string(1, 'a' + id - 1)));
  const char* const byId = "SELECT \"NAME\" FROM \"T\" WHERE \"ID\" = ?";
  CSqlQuery second(m_conn, byId), third(m_conn, byId);
  CSqlQuery count(m_conn, "SELECT count(*) FROM \"T\" WHERE \"ID\" > ?");
  CSqlQuery write(m_conn, "UPDATE \"T\" SET \"N\" = 1");
  second.BindInt(1, 2);
  third.BindInt(1, 3);
  count.BindInt(1, 1);
  const uint64_t trips = zl::engine::ServerRoundTrips();
  CSqlQuery::RunTogether({&second, &count, &write, &third});
  EXPECT_EQ(zl::engine::ServerRoundTrips(), trips + 1);
  ASSERT_TRUE(third.Step());
  EXPECT_EQ(third.ColumnText(0), "c");
  ASSERT_TRUE(second.Step());
  EXPECT_EQ(second.ColumnText(0), "b");
  EXPECT_FALSE(second.Step());
  ASSERT_TRUE(count.Step());
  EXPECT_EQ(count.ColumnInt(0), 2);
  EXPECT_EQ(zl::engine::ServerRoundTrips(), trips + 1);
  write.Run();
  EXPECT_EQ(m_conn.Changes(), 3);

  CSqlQuery good(m_conn, "SELECT count(*) FROM \"T\""), bad(m_conn, "SELECT 1 FROM \"NOPE\"");
  EXPECT_EQ(StatusOf([&] { CSqlQuery::RunTogether({&good, &bad}); }), SqlStatus::kNoSuchTable);
  EXPECT_EQ(Count(m_conn), 3) << "the connection goes on after the failure";
}

// In a database whose locale folds more than ASCII letters (C.UTF-8 folds
// "Ä" in lower()), the catalogue still matches names as a file does: ASCII
// letters without regard to case, every other byte as it is.
TEST_F(PgSeamTest, CatalogueMatchesNamesAsAFileWhateverTheLocale) {
  const std::string uri = ServerName();
  const size_t slash = uri.find('/', std::string("postgresql://").size());
  const size_t query = uri.find('?', slash);
  m_conn.Exec("DROP DATABASE IF EXISTS zl_seam_utf8 WITH (FORCE)");
  m_conn.Exec("CREATE DATABASE zl_seam_utf8 TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C.UTF-8'");
  CSqlConnection conn;
  conn.Open(uri.substr(0, slash + 1) + "zl_seam_utf8" +
                (query == std::string::npos ? std::string() : uri.substr(query)),
            {});
  conn.Exec(
      "CREATE TABLE \"\xC3\x84X\" (\"ID\" INTEGER PRIMARY KEY, \"NAME\" TEXT COLLATE NOCASE);"
      "CREATE INDEX \"\xC3\x84X.NAME\" ON \"\xC3\x84X\" (\"NAME\")");
  const struct {
    const char* name;
    int columns;
    int indexes;  // beside the primary key's
  } cases[] = {{"\xC3\x84X", 2, 1}, {"\xC3\x84x", 2, 1}, {"\xC3\xA4X", 0, 0}, {"\xC3\xA4x", 0, 0}};
  for (const auto& c : cases) {
    const auto count = [&](const char* sql) {
      CSqlQuery q(conn, sql);
      q.BindText(1, c.name);
      return q.Step() ? q.ColumnInt(0) : -1;
    };
    EXPECT_EQ(count("SELECT count(*) FROM pragma_table_info(?)"), c.columns) << c.name;
    EXPECT_EQ(count("SELECT count(*) FROM pragma_index_list(?) WHERE origin = 'c'"), c.indexes)
        << c.name;
  }
  conn.Close();
  m_conn.Exec("DROP DATABASE zl_seam_utf8 WITH (FORCE)");
}

}  // namespace
