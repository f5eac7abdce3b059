#include "engine/pg_dialect.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace zl::engine {

namespace {

using Token = CSqlToken;

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::string FoldName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsWord(const Token& t, const char* word) {
  return t.kind == Token::kWord && FoldName(t.text) == FoldName(word);
}

bool IsPunct(const Token& t, const char* p) { return t.kind == Token::kPunct && t.text == p; }

std::vector<Token> TokenizeSql(const std::string& sql) {
  std::vector<Token> out;
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    const char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++i;
    } else if (c == '$' && i + 1 < n && sql[i + 1] == '$') {
      // A dollar-quoted body stays whole.
      const size_t end = sql.find("$$", i + 2);
      const size_t j = end == std::string::npos ? n : end + 2;
      out.push_back({Token::kString, sql.substr(i, j - i)});
      i = j;
    } else if (c == '"' || c == '\'') {
      size_t j = i + 1;
      while (j < n) {
        if (sql[j] == c) {
          if (j + 1 < n && sql[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      j = j < n ? j + 1 : n;
      out.push_back({c == '"' ? Token::kQuoted : Token::kString, sql.substr(i, j - i)});
      i = j;
    } else if (c == '?') {
      size_t j = i + 1;
      while (j < n && std::isdigit(static_cast<unsigned char>(sql[j])) != 0) ++j;
      out.push_back({Token::kParam, sql.substr(i, j - i)});
      i = j;
    } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
      size_t j = i;
      while (j < n &&
             (IsWordChar(sql[j]) || sql[j] == '.' ||
              ((sql[j] == '-' || sql[j] == '+') && (sql[j - 1] == 'e' || sql[j - 1] == 'E')))) {
        ++j;
      }
      out.push_back({Token::kNumber, sql.substr(i, j - i)});
      i = j;
    } else if (IsWordChar(c)) {
      size_t j = i;
      while (j < n && IsWordChar(sql[j])) ++j;
      out.push_back({Token::kWord, sql.substr(i, j - i)});
      i = j;
    } else {
      static const char* const kPairs[] = {"||", "<=", ">=", "<>", "!=", "=="};
      std::string op(1, c);
      for (const char* pair : kPairs) {
        if (i + 1 < n && sql[i] == pair[0] && sql[i + 1] == pair[1]) op = pair;
      }
      out.push_back({Token::kPunct, op == "==" ? "=" : op});
      i += op.size();
    }
  }
  return out;
}

namespace {

// The index of the parenthesis closing the one at open (or the end).
size_t Closing(const std::vector<Token>& t, size_t open) {
  int depth = 0;
  for (size_t i = open; i < t.size(); ++i) {
    if (IsPunct(t[i], "(")) ++depth;
    if (IsPunct(t[i], ")") && --depth == 0) return i;
  }
  return t.size();
}

// Splits the tokens in (from, to) at commas of their own depth.
std::vector<std::pair<size_t, size_t>> Items(const std::vector<Token>& t, size_t from, size_t to) {
  std::vector<std::pair<size_t, size_t>> items;
  int depth = 0;
  size_t start = from;
  for (size_t i = from; i < to; ++i) {
    if (IsPunct(t[i], "(")) ++depth;
    if (IsPunct(t[i], ")")) --depth;
    if (depth == 0 && IsPunct(t[i], ",")) {
      items.emplace_back(start, i);
      start = i + 1;
    }
  }
  if (start < to) items.emplace_back(start, to);
  return items;
}

// Appends NULLS FIRST/LAST to a sort term [from, to), SQLite's order.
void SortNullsAsSqlite(std::vector<Token>& t, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (IsWord(t[i], "NULLS")) return;
  }
  const bool descending = to > from && IsWord(t[to - 1], "DESC");
  t[to - 1].text += descending ? " NULLS LAST" : " NULLS FIRST";
}

bool EndsOrderBy(const Token& t) {
  static const char* const kEnds[] = {"LIMIT",     "OFFSET", "UNION",    "EXCEPT",
                                      "INTERSECT", "FOR",    "RETURNING"};
  if (IsPunct(t, ";")) return true;
  for (const char* e : kEnds) {
    if (IsWord(t, e)) return true;
  }
  return false;
}

void OrderByNulls(std::vector<Token>& t) {
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (!IsWord(t[i], "ORDER") || !IsWord(t[i + 1], "BY")) continue;
    // The terms run to the end of the enclosing parenthesis or clause.
    size_t end = i + 2;
    int depth = 0;
    for (; end < t.size(); ++end) {
      if (IsPunct(t[end], "(")) ++depth;
      if (IsPunct(t[end], ")") && --depth < 0) break;
      if (depth == 0 && EndsOrderBy(t[end])) break;
    }
    for (const auto& item : Items(t, i + 2, end)) SortNullsAsSqlite(t, item.first, item.second);
  }
}

// The server type for a column declared as type (the tokens' text).
std::string ServerType(const std::string& declared) {
  const std::string d = Upper(declared);
  // An untyped column holds what it is given in SQLite; the engine keeps
  // texts in its untyped columns (its settings).
  if (d.empty()) return "text";
  if (d.find("INT") != std::string::npos) return "bigint";
  if (d.find("REAL") != std::string::npos || d.find("FLOA") != std::string::npos ||
      d.find("DOUB") != std::string::npos) {
    return "double precision";
  }
  if (d.find("TEXT") != std::string::npos || d.find("CHAR") != std::string::npos ||
      d.find("CLOB") != std::string::npos) {
    return "citext COLLATE \"C\"";
  }
  return "bytea";
}

bool StartsConstraint(const Token& t) {
  static const char* const kWords[] = {"PRIMARY", "NOT",           "NULL",       "UNIQUE",
                                       "DEFAULT", "CHECK",         "REFERENCES", "GENERATED",
                                       "COLLATE", "AUTOINCREMENT", "CONSTRAINT"};
  for (const char* w : kWords) {
    if (IsWord(t, w)) return true;
  }
  return false;
}

// Rewrites one column definition [from, to); returns true when it is the
// table's INTEGER PRIMARY KEY (SQLite's row number).
bool ColumnDefinition(std::vector<Token>& t, size_t from, size_t to) {
  size_t typeEnd = from + 1;
  std::string declared;
  while (typeEnd < to && !StartsConstraint(t[typeEnd])) {
    declared += t[typeEnd].text;
    t[typeEnd].text.clear();
    ++typeEnd;
  }
  bool primary = false;
  for (size_t i = typeEnd; i < to; ++i) {
    if (IsWord(t[i], "PRIMARY")) primary = true;
    if (IsWord(t[i], "AUTOINCREMENT")) t[i].text = "GENERATED BY DEFAULT AS IDENTITY";
  }
  t[from].text += " " + ServerType(declared);
  return primary && Upper(declared) == "INTEGER";
}

bool IsTableConstraint(const Token& t) {
  return IsWord(t, "PRIMARY") || IsWord(t, "UNIQUE") || IsWord(t, "CONSTRAINT") ||
         IsWord(t, "CHECK") || IsWord(t, "FOREIGN");
}

void CreateTable(std::vector<Token>& t, size_t open) {
  const size_t close = Closing(t, open);
  if (close >= t.size()) return;
  std::string alias;
  for (const auto& item : Items(t, open + 1, close)) {
    if (item.first >= item.second || IsTableConstraint(t[item.first])) continue;
    const std::string name = t[item.first].text;
    if (ColumnDefinition(t, item.first, item.second)) alias = name;
  }
  if (!alias.empty()) {
    t[close].text = ", rowid bigint GENERATED ALWAYS AS (" + alias + ") STORED UNIQUE)";
  } else {
    t[close].text = ", rowid bigint GENERATED BY DEFAULT AS IDENTITY UNIQUE)";
  }
}

void Layout(std::vector<Token>& t) {
  if (t.size() < 3) return;
  if (IsWord(t[0], "CREATE")) {
    size_t i = 1;
    while (i < t.size() && !IsPunct(t[i], "(")) ++i;
    if (i >= t.size()) return;
    if (IsWord(t[1], "TABLE")) {
      CreateTable(t, i);
    } else {
      // CREATE [UNIQUE] INDEX name ON table (columns)
      const size_t close = Closing(t, i);
      for (const auto& item : Items(t, i + 1, close)) {
        SortNullsAsSqlite(t, item.first, item.second);
      }
    }
  } else if (IsWord(t[0], "ALTER")) {
    for (size_t i = 0; i + 2 < t.size(); ++i) {
      if (IsWord(t[i], "ADD") && IsWord(t[i + 1], "COLUMN")) {
        ColumnDefinition(t, i + 2, t.size());
        return;
      }
    }
  }
}

// INSERT OR IGNORE / OR REPLACE, and the rowid every INSERT answers with.
void Insert(std::vector<Token>& t, CServerSql& out) {
  if (t.size() < 4 || !IsWord(t[0], "INSERT")) return;
  std::string conflict;
  if (IsWord(t[1], "OR")) {
    if (IsWord(t[2], "IGNORE")) {
      conflict = " ON CONFLICT DO NOTHING";
    } else if (IsWord(t[2], "REPLACE")) {
      // The first listed column is the key; every other one is replaced.
      size_t open = 3;
      while (open < t.size() && !IsPunct(t[open], "(")) ++open;
      const size_t close = Closing(t, open);
      std::vector<std::string> columns;
      for (const auto& item : Items(t, open + 1, close)) columns.push_back(t[item.first].text);
      if (!columns.empty()) {
        conflict = " ON CONFLICT (" + columns[0] + ") DO ";
        std::string sets;
        for (size_t c = 1; c < columns.size(); ++c) {
          sets += (sets.empty() ? "" : ", ") + columns[c] + " = EXCLUDED." + columns[c];
        }
        conflict += sets.empty() ? "NOTHING" : "UPDATE SET " + sets;
      }
    }
    t[1].text.clear();
    t[2].text.clear();
  }
  bool returning = false;
  for (const Token& tok : t) returning = returning || IsWord(tok, "RETURNING");
  std::string tail = conflict;
  if (!returning) {
    tail += " RETURNING rowid";
    out.returnsRowId = true;
  }
  t.back().text += tail;
}

// zl_accept(text, ?N) in a WHERE clause: the predicate runs in this
// process, so the text joins the selected columns and the call leaves the
// condition.
void AcceptedText(std::vector<Token>& t, CServerSql& out) {
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (!IsWord(t[i], "ZL_ACCEPT") || !IsPunct(t[i + 1], "(")) continue;
    const size_t close = Closing(t, i + 1);
    const auto args = Items(t, i + 2, close);
    if (args.size() != 2 || t[args[1].first].kind != Token::kParam) return;
    std::string expr;
    for (size_t k = args[0].first; k < args[0].second; ++k) expr += t[k].text + " ";
    const std::string& param = t[args[1].first].text;
    out.acceptParameter = param.size() > 1 ? std::atoi(param.c_str() + 1) : 0;
    size_t from = i;
    size_t to = close + 1;
    if (from > 0 && IsWord(t[from - 1], "AND")) {
      --from;
    } else if (to < t.size() && IsWord(t[to], "AND")) {
      ++to;
    } else if (from > 0 && IsWord(t[from - 1], "WHERE")) {
      --from;
    }
    t.erase(t.begin() + static_cast<long>(from), t.begin() + static_cast<long>(to));
    int depth = 0;
    int items = 1;
    for (Token& tok : t) {
      if (IsPunct(tok, "(")) ++depth;
      if (IsPunct(tok, ")")) --depth;
      if (depth == 0 && IsPunct(tok, ",")) ++items;
      if (depth == 0 && IsWord(tok, "FROM")) {
        tok.text = ", " + expr + "FROM";
        out.acceptColumn = items;
        return;
      }
    }
    return;
  }
}

}  // namespace

CServerSql TranslateForServer(const std::string& sql) {
  CServerSql out;
  std::vector<Token> t = TokenizeSql(sql);
  while (!t.empty() && IsPunct(t.back(), ";")) t.pop_back();
  if (t.empty()) return out;

  const std::string first = Upper(t[0].text);
  out.changesLayout = first == "CREATE" || first == "ALTER" || first == "DROP";
  out.writes = out.changesLayout || first == "INSERT" || first == "UPDATE" || first == "DELETE" ||
               first == "REPLACE";

  AcceptedText(t, out);
  int highest = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    Token& tok = t[i];
    if (tok.kind == Token::kParam) {
      const int number = tok.text.size() > 1 ? std::atoi(tok.text.c_str() + 1) : highest + 1;
      if (number > highest) highest = number;
      tok.text = "$" + std::to_string(number);
    } else if (IsWord(tok, "IS") && i + 1 < t.size()) {
      const bool negated = IsWord(t[i + 1], "NOT");
      const size_t operand = negated ? i + 2 : i + 1;
      if (operand < t.size() && t[operand].kind == Token::kParam) {
        tok.text = negated ? "IS DISTINCT FROM" : "IS NOT DISTINCT FROM";
        if (negated) t[i + 1].text.clear();
      }
    } else if (IsWord(tok, "WHERE") && i + 1 < t.size() && t[i + 1].text == "1" &&
               (i + 2 == t.size() || IsWord(t[i + 2], "AND"))) {
      t[i + 1].text = "true";  // the server wants a truth value
    } else if (IsWord(tok, "IFNULL")) {
      tok.text = "coalesce";
    } else if (IsWord(tok, "TYPEOF")) {
      tok.text = "pg_temp.zl_typeof";
    } else if (IsWord(tok, "SQLITE_MASTER")) {
      tok.text = "pg_temp.zl_master";
    } else if (IsWord(tok, "PRAGMA_TABLE_INFO") || IsWord(tok, "PRAGMA_INDEX_LIST") ||
               IsWord(tok, "PRAGMA_INDEX_INFO")) {
      tok.text = "pg_temp.zl_" + tok.text.substr(7);
    } else if ((IsWord(tok, "MAX") || IsWord(tok, "MIN")) && i + 1 < t.size() &&
               IsPunct(t[i + 1], "(")) {
      if (Items(t, i + 2, Closing(t, i + 1)).size() >= 2) {
        tok.text = IsWord(tok, "MAX") ? "greatest" : "least";
      }
    } else if (IsWord(tok, "COLLATE") && i + 1 < t.size() && IsWord(t[i + 1], "NOCASE")) {
      tok.text.clear();
      t[i + 1].text.clear();
    } else if ((IsWord(tok, "MAIN") || tok.text == "\"main\"") && i + 1 < t.size() &&
               IsPunct(t[i + 1], ".")) {
      tok.text.clear();
      t[i + 1].text.clear();
    }
  }
  out.parameters = highest;

  OrderByNulls(t);
  Layout(t);
  Insert(t, out);

  for (const Token& tok : t) {
    if (tok.text.empty()) continue;
    if (!out.text.empty()) out.text += ' ';
    out.text += tok.text;
  }
  return out;
}

std::vector<std::string> SplitStatements(const std::string& sql) {
  std::vector<std::string> out;
  std::string current;
  char quote = 0;  // '$' inside a dollar-quoted body
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    const bool dollars = c == '$' && i + 1 < sql.size() && sql[i + 1] == '$';
    if (quote == '$') {
      if (dollars) {
        current += c;
        ++i;
        quote = 0;
      }
    } else if (quote != 0) {
      if (c == quote) quote = 0;  // a doubled quote closes and reopens
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (dollars) {
      current += c;
      ++i;
      quote = '$';
    } else if (c == ';') {
      if (current.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  if (current.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(current);
  return out;
}

}  // namespace zl::engine
