// The engine's SQL, written for SQLite, as the server backend runs it.
//
// The engine builds its statements once, in SQLite's dialect; the server
// connection translates each distinct text once, when it prepares it, and
// keeps the translation with the prepared statement.  The translation is a
// pass over the statement's tokens, not a parser: it knows the shapes the
// engine writes and leaves everything else as it stands.
//
// - Parameters: `?` and `?N` become `$N` (a bare `?` numbers after the
//   largest number used so far, as in SQLite).
// - `x IS ?` and `x IS NOT ?` become `IS NOT DISTINCT FROM $N` and
//   `IS DISTINCT FROM $N`; `ifnull` becomes `coalesce`; `max` and `min`
//   with two or more arguments become `greatest` and `least`.
// - Sort terms of ORDER BY and index columns sort NULL first when ascending
//   and last when descending, as SQLite does (`NULLS FIRST` / `NULLS LAST`).
// - `COLLATE NOCASE` goes: text columns are created as `citext COLLATE "C"`,
//   which compares after folding ASCII letters only and then byte by byte,
//   exactly as SQLite's NOCASE.
// - Column types in CREATE TABLE and ADD COLUMN: whole numbers `bigint`,
//   floating point `double precision`, text `citext COLLATE "C"`, bytes
//   `bytea`, untyped columns (the engine's settings) `text`; `AUTOINCREMENT` is an identity column.
//   Every table gets the column `rowid` that SQLite keeps implicitly: generated from the INTEGER
//   PRIMARY KEY column when the table has one, else a unique identity column of its own.
// - The catalogue: `sqlite_master` and the functions `pragma_table_info`,
//   `pragma_index_list` and `pragma_index_info` name temporary views and
//   functions of the same shape that each connection creates (pg_seam.cpp);
//   so does `typeof` (the storage class of a value).
// - `zl_accept(text, ?N)` (a caller's text predicate, sqlite_seam.h) leaves
//   the condition and its text becomes the last result column; the server
//   query tests it on each row and skips those it refuses.  `WHERE 1` is
//   `WHERE true`.
// - The schema name `main` before a dot goes (a server library is one
//   schema).
// - `INSERT OR IGNORE` becomes `ON CONFLICT DO NOTHING`; `INSERT OR REPLACE`
//   replaces on the first listed column (its key); every INSERT returns the
//   `rowid` of what it inserted (the last insert's row number).
#ifndef ZLDBCTRL70_ENGINE_PG_DIALECT_H_
#define ZLDBCTRL70_ENGINE_PG_DIALECT_H_

#include <string>
#include <vector>

namespace zl::engine {

// A token of SQL text: quoted names ("x") and literals ('x', $$x$$) stay
// whole; a `?N` parameter is one token; "==" reads as "=".
struct CSqlToken {
  enum Kind { kWord, kQuoted, kString, kNumber, kParam, kPunct } kind;
  std::string text;
};
std::vector<CSqlToken> TokenizeSql(const std::string& sql);
// Whether t is the word (ASCII letters compared without case) or the
// punctuation.
bool IsWord(const CSqlToken& t, const char* word);
bool IsPunct(const CSqlToken& t, const char* p);
// A name as the server backend compares names: ASCII letters folded to
// lower case, every other byte as it is (as the file backend compares them).
// Names the server gives back (its catalogue) are folded here too, never by
// the server, whose lower() may follow its locale.
std::string FoldName(const std::string& name);

struct CServerSql {
  std::string text;            // the statement for the server
  int parameters = 0;          // the highest parameter number
  bool writes = false;         // changes data or layout
  bool changesLayout = false;  // CREATE, ALTER or DROP
  bool returnsRowId = false;   // an INSERT, answering with the new rowid
  // zl_accept(text, ?N): the parameter N of the predicate (0 for none) and
  // the result column that carries the text to test, after the statement's
  // own columns.
  int acceptParameter = 0;
  int acceptColumn = -1;
};

// Translates one statement of the engine (no trailing ';' needed).
CServerSql TranslateForServer(const std::string& sql);

// Splits SQL text at the semicolons that end its statements (not those in
// quotes); empty statements are left out.
std::vector<std::string> SplitStatements(const std::string& sql);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_PG_DIALECT_H_
