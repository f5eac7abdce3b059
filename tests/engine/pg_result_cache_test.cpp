// Which statements the server connection's result cache keeps, and what a
// write makes it forget: a read taken for simpler than it is, or a write
// whose columns are missed, would serve stale rows.
#include "engine/pg_result_cache.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using zl::engine::CStatementShape;
using zl::engine::ShapeOfStatement;

TEST(PgResultCache, StatementShapes) {
  const struct {
    const char* sql;
    bool writes;
    CStatementShape::Kind kind;
    const char* table;
    std::set<std::string> columns;  // set by an UPDATE
  } cases[] = {
      {"SELECT rowid , \"A\" FROM \"T\" WHERE rowid = $1 ORDER BY rowid ASC NULLS FIRST LIMIT $2",
       false,
       CStatementShape::kKeptRead,
       "t",
       {}},
      {"SELECT max ( rowid ) FROM \"T\"", false, CStatementShape::kKeptRead, "t", {}},
      {"SELECT * FROM \"T\"", false, CStatementShape::kOther, "", {}},
      {"SELECT a FROM \"T\" JOIN \"U\" ON true", false, CStatementShape::kOther, "", {}},
      {"SELECT a FROM \"T\" , \"U\"", false, CStatementShape::kOther, "", {}},
      {"SELECT ( SELECT a FROM \"U\" ) FROM \"T\"", false, CStatementShape::kOther, "", {}},
      {"SELECT nextval ( 's' ) FROM \"T\"", false, CStatementShape::kOther, "", {}},
      {"SELECT a FROM \"T\" FOR UPDATE", false, CStatementShape::kOther, "", {}},
      {"SELECT a FROM \"T\" WHERE d < current_timestamp", false, CStatementShape::kOther, "", {}},
      {"SELECT data FROM zl_engine_commits", false, CStatementShape::kOther, "", {}},
      {"SELECT relname FROM pg_class", false, CStatementShape::kOther, "", {}},
      {"UPDATE \"T\" SET \"A\" = $1 , \"B\" = CASE WHEN $2 = 0 THEN \"B\" END WHERE \"C\" = $3",
       true,
       CStatementShape::kUpdate,
       "t",
       {"a", "b"}},
      {"UPDATE \"T\" SET ( \"A\" , \"B\" ) = ( 1 , 2 )", true, CStatementShape::kOther, "", {}},
      {"INSERT INTO \"T\" ( \"A\" ) VALUES ( $1 ) RETURNING rowid",
       true,
       CStatementShape::kInsertOrDelete,
       "t",
       {}},
      {"DELETE FROM \"T\" WHERE rowid = $1", true, CStatementShape::kInsertOrDelete, "t", {}},
      {"ALTER TABLE \"T\" ADD COLUMN \"X\" bigint", true, CStatementShape::kOther, "", {}},
  };
  for (const auto& c : cases) {
    const CStatementShape shape = ShapeOfStatement(c.sql, c.writes);
    EXPECT_EQ(shape.kind, c.kind) << c.sql;
    if (c.kind == CStatementShape::kOther) continue;
    EXPECT_EQ(shape.table, c.table) << c.sql;
    if (c.kind == CStatementShape::kUpdate) {
      // Names before "=" elsewhere in the list may come along; the set ones must.
      for (const std::string& column : c.columns) EXPECT_EQ(shape.columns.count(column), 1u);
      EXPECT_EQ(shape.columns.count("c"), 0u) << "the condition sets nothing";
    }
  }
}

TEST(PgResultCache, NamesFoldAsciiLettersOnly) {
  // The client's folding must match the file's: the server's catalogue
  // names are folded here, so a name with a non-ASCII capital keeps it.
  const struct {
    const char* name;
    const char* folded;
  } cases[] = {{"AbZ_09", "abz_09"}, {"\xC3\x84X", "\xC3\x84x"}, {"@[`{", "@[`{"}};
  for (const auto& c : cases) EXPECT_EQ(zl::engine::FoldName(c.name), c.folded) << c.name;
  EXPECT_EQ(ShapeOfStatement("DELETE FROM \"\xC3\x84X\"", true).table, "\xC3\x84x");
}

}  // namespace
