#include "engine/pg_result_cache.h"

#include "engine/pg_dialect.h"

namespace zl::engine {

namespace {

bool IsName(const CSqlToken& t) {
  return t.kind == CSqlToken::kWord || t.kind == CSqlToken::kQuoted;
}

// A name as the cache compares it: unquoted, lower case.
std::string NameOf(const CSqlToken& t) {
  if (t.kind != CSqlToken::kQuoted) return FoldName(t.text);
  std::string inner;
  for (size_t i = 1; i + 1 < t.text.size(); ++i) {
    inner += t.text[i];
    if (t.text[i] == '"') ++i;  // "" stands for one quote
  }
  return FoldName(inner);
}

// Functions whose value depends on their arguments only.
bool IsPlainFunction(const std::string& name) {
  static const char* const kPlain[] = {"max", "min",      "count",    "lower",       "upper",
                                       "sum", "coalesce", "greatest", "least",       "length",
                                       "abs", "avg",      "nullif",   "octet_length"};
  for (const char* f : kPlain) {
    if (name == f) return true;
  }
  return false;
}

// Words that stand for values of the moment or the session, not of the data.
bool IsMomentWord(const std::string& word) {
  static const char* const kMoment[] = {"current_date", "current_time",   "current_timestamp",
                                        "localtime",    "localtimestamp", "current_user",
                                        "session_user", "user",           "current_role"};
  for (const char* w : kMoment) {
    if (word == w) return true;
  }
  return false;
}

// Tables whose answers are never kept: the change counters and anything of
// the catalogue.
bool IsKeptTable(const std::string& table) {
  return table != "zl_engine_commits" && table != "zl_master" && table.compare(0, 3, "pg_") != 0 &&
         table != "information_schema";
}

CStatementShape ShapeOfRead(const std::vector<CSqlToken>& t) {
  CStatementShape shape;
  size_t from = 0;
  for (size_t i = 1; i < t.size(); ++i) {
    const CSqlToken& token = t[i];
    if (IsWord(token, "select") || IsWord(token, "join") || IsWord(token, "union") ||
        IsWord(token, "for") || IsWord(token, "into") || token.kind == CSqlToken::kString) {
      return CStatementShape();  // a sub-query, a join, a lock, a literal body
    }
    if (IsPunct(token, "*") || IsPunct(token, ";") || IsPunct(token, ".")) {
      return CStatementShape();
    }
    if (IsWord(token, "from")) {
      if (from != 0) return CStatementShape();
      from = i;
      continue;
    }
    if (!IsName(token)) continue;
    if (token.kind == CSqlToken::kWord && IsMomentWord(FoldName(token.text)))
      return CStatementShape();
    if (i + 1 < t.size() && IsPunct(t[i + 1], "(") &&
        (token.kind != CSqlToken::kWord || !IsPlainFunction(FoldName(token.text)))) {
      return CStatementShape();
    }
    shape.names.insert(NameOf(token));
  }
  if (from == 0 || from + 1 >= t.size() || !IsName(t[from + 1])) return CStatementShape();
  // After the table only its conditions, order and limit.
  if (from + 2 < t.size() && !IsWord(t[from + 2], "where") && !IsWord(t[from + 2], "order") &&
      !IsWord(t[from + 2], "limit")) {
    return CStatementShape();
  }
  shape.table = NameOf(t[from + 1]);
  if (!IsKeptTable(shape.table)) return CStatementShape();
  shape.kind = CStatementShape::kKeptRead;
  return shape;
}

CStatementShape ShapeOfWrite(const std::vector<CSqlToken>& t) {
  CStatementShape shape;
  if (t.size() >= 3 && (IsWord(t[0], "insert") || IsWord(t[0], "delete"))) {
    // INSERT INTO t / DELETE FROM t
    if (!(IsWord(t[1], "into") || IsWord(t[1], "from")) || !IsName(t[2])) return shape;
    shape.table = NameOf(t[2]);
    shape.kind = CStatementShape::kInsertOrDelete;
    return shape;
  }
  if (t.size() < 4 || !IsWord(t[0], "update") || !IsName(t[1]) || !IsWord(t[2], "set"))
    return shape;
  // Every column set stands at depth 0 before "=", after SET or a comma; any
  // other name before "=" only makes the list longer.
  int depth = 0;
  for (size_t i = 3; i < t.size(); ++i) {
    if (IsPunct(t[i], "(")) {
      if (depth == 0 && (i == 3 || IsPunct(t[i - 1], ","))) return shape;  // SET (a, b) = ...
      ++depth;
    } else if (IsPunct(t[i], ")")) {
      --depth;
    } else if (depth == 0 &&
               (IsWord(t[i], "where") || IsWord(t[i], "from") || IsWord(t[i], "returning"))) {
      break;
    } else if (IsName(t[i]) && i + 1 < t.size() && IsPunct(t[i + 1], "=")) {
      shape.columns.insert(NameOf(t[i]));
    }
  }
  if (shape.columns.empty()) return shape;
  shape.table = NameOf(t[1]);
  shape.kind = CStatementShape::kUpdate;
  return shape;
}

}  // namespace

std::set<std::string> NamesInSql(const std::string& sql) {
  std::set<std::string> names;
  for (const CSqlToken& t : TokenizeSql(sql)) {
    if (IsName(t)) names.insert(NameOf(t));
  }
  return names;
}

CStatementShape ShapeOfStatement(const std::string& serverSql, bool writes) {
  const std::vector<CSqlToken> t = TokenizeSql(serverSql);
  if (t.empty()) return CStatementShape();
  if (writes) return ShapeOfWrite(t);
  if (!IsWord(t[0], "select")) return CStatementShape();
  return ShapeOfRead(t);
}

bool CPgResultCache::MayKeep(const CStatementShape& shape) const {
  return shape.kind == CStatementShape::kKeptRead && m_catalogueLayout >= 0 &&
         m_catalogue.views.count(shape.table) == 0;
}

CPgResultCache::Result CPgResultCache::Find(const std::string& key) const {
  auto it = m_entries.find(key);
  return it != m_entries.end() ? it->second.result : Result();
}

void CPgResultCache::Keep(std::shared_ptr<const CStatementShape> shape, std::string key,
                          Result result) {
  if (m_entries.size() >= kMaxEntries) m_entries.clear();
  m_entries[std::move(key)] = Entry{std::move(shape), std::move(result)};
}

void CPgResultCache::Written(const CStatementShape& shape) {
  if (shape.kind != CStatementShape::kInsertOrDelete && shape.kind != CStatementShape::kUpdate) {
    m_entries.clear();
    return;
  }
  // The columns the table's row number is made from: setting one moves rows
  // to other numbers.  Without the catalogue any column may be one.
  const std::set<std::string>* sources = nullptr;
  bool movesRows = m_catalogueLayout < 0;
  if (!movesRows) {
    auto s = m_catalogue.rowidSources.find(shape.table);
    if (s != m_catalogue.rowidSources.end()) sources = &s->second;
  }
  for (const std::string& column : shape.columns) {
    movesRows = movesRows || column == "rowid" || (sources != nullptr && sources->count(column));
  }
  for (auto it = m_entries.begin(); it != m_entries.end();) {
    const CStatementShape& read = *it->second.shape;
    bool stale = read.table == shape.table;
    if (stale && shape.kind == CStatementShape::kUpdate) {
      stale = movesRows && read.names.count("rowid") != 0;
      for (const std::string& column : shape.columns) stale = stale || read.names.count(column);
    }
    it = stale ? m_entries.erase(it) : std::next(it);
  }
}

void CPgResultCache::SetCatalogue(Catalogue catalogue, int64_t layout) {
  m_catalogue = std::move(catalogue);
  m_catalogueLayout = layout;
}

}  // namespace zl::engine
