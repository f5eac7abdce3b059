// Which backend the tests' main database lives on.  ZL_TEST_BACKEND=postgres
// puts it on the server named by ZL_PG_URI (scripts/pg-test-server.sh),
// emptied before each test; other databases a test makes stay files.
#ifndef ZLDBCTRL70_TESTS_SUPPORT_TEST_BACKEND_H_
#define ZLDBCTRL70_TESTS_SUPPORT_TEST_BACKEND_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/scratch_dir.h"

namespace testbackend {

inline bool OnServer() {
  const char* backend = std::getenv("ZL_TEST_BACKEND");
  return backend != nullptr && std::string(backend) == "postgres" && std::getenv("ZL_PG_URI");
}

// Drops every table of the server database but the server's change
// counters: what is left is a database without a library.
constexpr const char* kEmptyServerSql =
    "DO $$ DECLARE r record; BEGIN FOR r IN SELECT tablename FROM pg_tables WHERE schemaname "
    "= current_schema() AND tablename <> 'zl_engine_commits' LOOP EXECUTE 'DROP TABLE ' || "
    "quote_ident(r.tablename) || ' CASCADE'; END LOOP; END $$";

}  // namespace testbackend

// Tests that reach the engine (all but the tool's, which see only the
// public interface) get the main library from here.
#if __has_include("engine/sqlite_seam.h")
#include "engine/sqlite_seam.h"

namespace testbackend {

// The name of the test's main database: the file fileName in dir, or the
// server library, emptied.
inline std::string MainLibrary(const CScratchDir& dir, const std::string& fileName = "test.db") {
  if (!OnServer()) return dir.File(fileName);
  const std::string name = std::getenv("ZL_PG_URI");
  zl::engine::CSqlConnection conn;
  conn.Open(name, {});
  conn.Exec(kEmptyServerSql);
  return name;
}

// What a library holds, to compare before and after: the file's bytes, or
// on a server every table's rows (a digest per table).  With maskDates (a
// server only) the server's change counters are left out and every date
// (the bookkeeping's date_* columns, the columns it describes as dates)
// reads "date": two libraries written alike at other times compare equal.
// ServerImage gives it for the server library that conn is open on.
inline std::string ServerImage(zl::engine::CSqlConnection& conn, bool maskDates = false) {
  const std::string dates =
      "(SELECT lower(t.name), lower(f.name) FROM zl_engine_tables t JOIN zl_engine_fields f ON "
      "f.table_id = "
      "t.table_id WHERE f.type = 8)";
  const std::string columns =
      maskDates
          ? "SELECT string_agg(CASE WHEN column_name LIKE 'date\\_%' OR (lower(table_name), "
            "lower(column_name)) IN " +
                dates +
                " THEN format('CASE WHEN %I IS NULL THEN NULL ELSE 1 END AS %1$I', column_name) "
                "ELSE quote_ident(column_name) END, ',' ORDER BY ordinal_position) FROM "
                "information_schema.columns WHERE table_schema = current_schema() AND "
                "table_name = relname"
          : "'*'";
  zl::engine::CSqlQuery q(
      conn,
      "SELECT string_agg(relname || ':' || md5(CAST(query_to_xml(format('SELECT * FROM (SELECT %s "
      "FROM %I) t ORDER BY CAST(t AS text)', (" +
          columns +
          "), relname), true, false, '') AS text)), ',' ORDER BY relname) FROM pg_class "
          "WHERE relnamespace = CAST(current_schema() AS regnamespace) AND relkind = 'r'" +
          (maskDates ? " AND relname <> 'zl_engine_commits'" : ""));
  return q.Step() ? q.ColumnText(0) : std::string();
}

inline std::string Image(const std::string& name, bool maskDates = false) {
  if (!OnServer()) return CScratchDir::Read(name);
  zl::engine::CSqlConnection conn;
  conn.Open(name, {});
  return ServerImage(conn, maskDates);
}

// The image of one library taken again and again (as a failure sweep does
// after every failure), on a server mostly without reading it: only a
// transaction that writes and commits changes what a library holds, and the
// server numbers every transaction that writes, so when each number given
// out since the last image went to a transaction that rolled back, the
// library still is as that image shows.  One connection takes them all (a
// connection's end is a transaction of its own on the server).
class CImageWatch {
 public:
  explicit CImageWatch(const std::string& name) : m_name(name) {
    if (OnServer()) m_conn.Open(name, {});
  }

  // The library's image, read now.
  std::string Take() {
    if (!m_conn.IsOpen()) return CScratchDir::Read(m_name);
    // The number of the next transaction; -1 when one is under way (it
    // may have a lower number and commit later).
    zl::engine::CSqlQuery mark(
        m_conn,
        "SELECT CASE WHEN pg_snapshot_xmin(s) = pg_snapshot_xmax(s) THEN CAST(CAST("
        "pg_snapshot_xmax(s) AS text) AS bigint) ELSE -1 END FROM pg_current_snapshot() s");
    m_mark = mark.Step() ? mark.ColumnInt(0) : -1;
    m_image = ServerImage(m_conn);
    return m_image;
  }

  // The library's image: the last one taken when no transaction since then
  // has committed, else read now.
  std::string Again() {
    if (m_mark < 0) return Take();
    zl::engine::CSqlQuery committed(
        m_conn, "SELECT count(*) FROM generate_series(" + std::to_string(m_mark) +
                    ", CAST(CAST(pg_snapshot_xmax(pg_current_snapshot()) AS text) AS bigint) - 1) "
                    "x WHERE pg_xact_status(CAST(CAST(x AS text) AS xid8)) IS DISTINCT FROM "
                    "'aborted'");
    return committed.Step() && committed.ColumnInt(0) == 0 ? m_image : Take();
  }

 private:
  std::string m_name;
  zl::engine::CSqlConnection m_conn;
  int64_t m_mark = -1;
  std::string m_image;
};

// A further database on the test server, made afresh (a copy of the
// database `copyOf`, which nobody may have open, when given), and its name.
inline std::string FreshServerDatabase(const std::string& database,
                                       const std::string& copyOf = "") {
  const std::string uri = std::getenv("ZL_PG_URI");
  const size_t slash = uri.find('/', std::string("postgresql://").size());
  const size_t query = uri.find('?', slash);
  const std::string sql = "psql -q -v ON_ERROR_STOP=1 '" + uri + "' -c 'DROP DATABASE IF EXISTS " +
                          database + " WITH (FORCE)' -c 'CREATE DATABASE " + database +
                          (copyOf.empty() ? std::string() : " TEMPLATE " + copyOf) + "' >/dev/null";
  EXPECT_EQ(std::system(sql.c_str()), 0) << sql;
  return uri.substr(0, slash + 1) + database +
         (query == std::string::npos ? std::string() : uri.substr(query));
}

// Failure sweeps (the Nth write fails, for every N) on a server take the
// first four steps, then double: each failure there takes the same way
// back (the transaction's rollback), and a whole sweep would cost minutes.
inline long NextFault(long n) { return OnServer() && n >= 4 ? n * 2 : n + 1; }

}  // namespace testbackend
#endif

// Skips a test of what only a file has when the main database is on the
// server.
#define SKIP_ON_SERVER() \
  if (::testbackend::OnServer()) GTEST_SKIP() << "a file-only feature"

#endif  // ZLDBCTRL70_TESTS_SUPPORT_TEST_BACKEND_H_
