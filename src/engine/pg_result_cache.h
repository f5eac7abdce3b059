// Answers of reading statements kept for the rest of a server transaction.
//
// Inside a transaction a reading statement's answer can only change through
// this connection's own writes: a reading transaction sees one committed
// state, and a writing one holds the writer lock, so no other client writes
// until it ends.  A seek or first-row look-up that repeats within the
// transaction (the engine moves to the same row for each call of a caller's
// transaction) is then answered from the rows read before, without a round
// trip, as long as nothing this connection wrote since can have changed them:
//
// - Only simple reads are kept: one SELECT from one table (not a view, not
//   the catalogue), no sub-queries or joins, no functions beyond a few
//   plain ones, at most kMaxRows rows.
// - An INSERT or DELETE forgets everything read from its table; an UPDATE
//   what read a column it sets (or the row number, when it sets the column
//   the row number is made from).  A write of any other shape, a layout
//   change, a rollback (to a savepoint or of all) and the end of the
//   transaction forget everything.
// - The shapes are taken from the statement text once, when it is prepared.
#ifndef ZLDBCTRL70_ENGINE_PG_RESULT_CACHE_H_
#define ZLDBCTRL70_ENGINE_PG_RESULT_CACHE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/pg_dialect.h"

struct pg_result;

namespace zl::engine {

// What a statement reads or writes, as far as the result cache needs it.
// Names are folded with FoldName (the cache may forget too much, never too
// little).
struct CStatementShape {
  enum Kind { kOther, kKeptRead, kInsertOrDelete, kUpdate };
  Kind kind = kOther;
  std::string table;              // the table read or written
  std::set<std::string> names;    // every name a kept read mentions
  std::set<std::string> columns;  // the columns an UPDATE sets
};

// The names SQL text mentions, as the cache compares them.
std::set<std::string> NamesInSql(const std::string& sql);
// The shape of a statement in the server's dialect.
CStatementShape ShapeOfStatement(const std::string& serverSql, bool writes);

class CPgResultCache {
 public:
  static constexpr int kMaxRows = 64;
  static constexpr size_t kMaxEntries = 256;

  using Result = std::shared_ptr<pg_result>;

  // What the cache must know of the library's tables: per table the
  // columns its row number is made from, and the views.
  struct Catalogue {
    std::map<std::string, std::set<std::string>> rowidSources;
    std::set<std::string> views;
  };

  // Whether a read of this shape may be kept with the catalogue at hand.
  bool MayKeep(const CStatementShape& shape) const;
  Result Find(const std::string& key) const;
  void Keep(std::shared_ptr<const CStatementShape> shape, std::string key, Result result);
  // Forgets what a write of this shape may have changed.
  void Written(const CStatementShape& shape);
  void Clear() { m_entries.clear(); }
  size_t Size() const { return m_entries.size(); }

  // The catalogue read at layout version layout (see CPgConnection).
  void SetCatalogue(Catalogue catalogue, int64_t layout);
  void ForgetCatalogue() { m_catalogueLayout = -1; }
  bool CatalogueCurrent(int64_t layout) const { return m_catalogueLayout == layout; }

 private:
  struct Entry {
    std::shared_ptr<const CStatementShape> shape;
    Result result;
  };
  std::unordered_map<std::string, Entry> m_entries;
  Catalogue m_catalogue;
  int64_t m_catalogueLayout = -1;
};

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_PG_RESULT_CACHE_H_
