#include "engine/sql_update.h"

#include <cctype>
#include <cstdint>
#include <vector>

#include "engine/bookkeeping.h"
#include "engine/dao_errors.h"
#include "engine/dao_types.h"
#include "engine/engine_file.h"

namespace zl::engine {

namespace {

enum class TokenKind { kWord, kName, kNumber, kString, kSymbol, kEnd };

struct Token {
  TokenKind kind;
  std::string text;  // words as written; names without brackets; strings unquoted
};

std::vector<Token> Tokenize(const std::string& sql) {
  std::vector<Token> tokens;
  size_t i = 0;
  const size_t n = sql.size();
  auto isWordChar = [](unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (c == '[') {
      size_t end = sql.find(']', i + 1);
      if (end == std::string::npos) ThrowDaoError(kDaoUpdateSyntax);
      tokens.push_back({TokenKind::kName, sql.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if (c == '\'' || c == '"') {
      std::string text;
      size_t j = i + 1;
      for (;;) {
        if (j >= n) ThrowDaoError(kDaoUpdateSyntax);
        if (sql[j] == static_cast<char>(c)) {
          if (j + 1 < n && sql[j + 1] == static_cast<char>(c)) {
            text += sql[j];
            j += 2;
            continue;
          }
          break;
        }
        text += sql[j++];
      }
      tokens.push_back({TokenKind::kString, text});
      i = j + 1;
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      size_t j = i;
      while (j < n && (std::isdigit(static_cast<unsigned char>(sql[j])) || sql[j] == '.')) ++j;
      if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
        size_t k = j + 1;
        if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
        if (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) {
          j = k;
          while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
        }
      }
      tokens.push_back({TokenKind::kNumber, sql.substr(i, j - i)});
      i = j;
    } else if (isWordChar(c)) {
      size_t j = i;
      while (j < n && isWordChar(static_cast<unsigned char>(sql[j]))) ++j;
      tokens.push_back({TokenKind::kWord, sql.substr(i, j - i)});
      i = j;
    } else {
      std::string two = sql.substr(i, 2);
      if (two == "<>" || two == "<=" || two == ">=" || two == "!=") {
        tokens.push_back({TokenKind::kSymbol, two});
        i += 2;
      } else if (std::string("=<>+-*/&(),;").find(static_cast<char>(c)) != std::string::npos) {
        tokens.push_back({TokenKind::kSymbol, std::string(1, static_cast<char>(c))});
        ++i;
      } else {
        ThrowDaoError(kDaoUpdateSyntax);
      }
    }
  }
  tokens.push_back({TokenKind::kEnd, ""});
  return tokens;
}

bool IsWord(const Token& t, const char* word) {
  return t.kind == TokenKind::kWord && NamesEqual(t.text, word);
}

bool IsSymbol(const Token& t, const char* symbol) {
  return t.kind == TokenKind::kSymbol && t.text == symbol;
}

class CTranslator {
 public:
  CTranslator(CEngineFile& file, const std::string& sql) : m_file(file), m_tokens(Tokenize(sql)) {}

  std::string Translate() {
    if (!IsWord(Peek(), "UPDATE")) ThrowDaoError(kDaoInvalidSql);
    ++m_pos;
    const Token& tableToken = Next();
    if (tableToken.kind != TokenKind::kWord && tableToken.kind != TokenKind::kName) {
      ThrowDaoError(kDaoUpdateSyntax);
    }
    m_table = m_file.FindTable(tableToken.text);
    if (m_table == nullptr) ThrowDaoError(kDaoInputTableNotFound, tableToken.text.c_str());
    if (!IsWord(Next(), "SET")) ThrowDaoError(kDaoUpdateSyntax);
    std::string out = "UPDATE " + QuoteName(m_table->name) + " SET ";
    for (bool first = true;; first = false) {
      if (!first) out += ", ";
      const Token& target = Next();
      if (target.kind != TokenKind::kWord && target.kind != TokenKind::kName) {
        ThrowDaoError(kDaoUpdateSyntax);
      }
      int field = m_table->FindField(target.text);
      if (field < 0) ThrowDaoError(kDaoTooFewParameters);
      if (!IsSymbol(Next(), "=")) ThrowDaoError(kDaoUpdateSyntax);
      std::string expr = Expression(true);
      const CFieldDef& def = m_table->fields[field];
      if (def.type == dbBoolean) {
        // Any non-zero value is stored as true (-1).
        expr = "CASE WHEN (" + expr + ") IS NULL THEN NULL WHEN (" + expr +
               ") <> 0 THEN -1 ELSE 0 END";
      }
      out += QuoteName(def.name) + " = " + expr;
      m_targets.push_back(field);
      if (!IsSymbol(Peek(), ",")) break;
      ++m_pos;
    }
    if (IsWord(Peek(), "WHERE")) {
      ++m_pos;
      out += " WHERE " + Expression(false);
    }
    if (IsSymbol(Peek(), ";")) ++m_pos;
    if (Peek().kind != TokenKind::kEnd) ThrowDaoError(kDaoUpdateSyntax);
    return out;
  }

  const CTableSchema& Table() const { return *m_table; }
  const std::vector<int>& Targets() const { return m_targets; }

 private:
  const Token& Peek() const { return m_tokens[m_pos]; }
  const Token& Next() {
    const Token& t = m_tokens[m_pos];
    if (t.kind != TokenKind::kEnd) ++m_pos;
    return t;
  }

  // One expression, up to a top-level ',' (when inSet), WHERE, ';' or the
  // end.  Names become quoted field names; Jet's forms become SQLite's.
  std::string Expression(bool inSet) {
    std::string out;
    int depth = 0;
    bool empty = true;
    for (;;) {
      const Token& t = Peek();
      if (t.kind == TokenKind::kEnd || IsSymbol(t, ";")) break;
      if (depth == 0 && inSet && (IsSymbol(t, ",") || IsWord(t, "WHERE"))) break;
      ++m_pos;
      empty = false;
      if (!out.empty()) out += ' ';
      switch (t.kind) {
        case TokenKind::kNumber:
          out += t.text;
          break;
        case TokenKind::kString:
          out += QuoteText(t.text);
          break;
        case TokenKind::kSymbol:
          if (t.text == "(") ++depth;
          if (t.text == ")" && --depth < 0) ThrowDaoError(kDaoUpdateSyntax);
          out += t.text == "&" ? "||" : t.text == "!=" ? "<>" : t.text;
          break;
        case TokenKind::kWord:
          if (IsWord(t, "AND") || IsWord(t, "OR") || IsWord(t, "NOT") || IsWord(t, "IS") ||
              IsWord(t, "NULL")) {
            out += t.text;
            break;
          }
          if (IsWord(t, "TRUE")) {
            out += "-1";
            break;
          }
          if (IsWord(t, "FALSE")) {
            out += "0";
            break;
          }
          [[fallthrough]];
        case TokenKind::kName: {
          int field = m_table->FindField(t.text);
          if (field < 0) ThrowDaoError(kDaoTooFewParameters);
          out += QuoteName(m_table->fields[field].name);
          break;
        }
        case TokenKind::kEnd:
          break;
      }
    }
    if (empty || depth != 0) ThrowDaoError(kDaoUpdateSyntax);
    return out;
  }

  CEngineFile& m_file;
  std::vector<Token> m_tokens;
  size_t m_pos = 0;
  std::shared_ptr<const CTableSchema> m_table;
  std::vector<int> m_targets;
};

// Fails with number when some row matches condition.
void CheckNone(CEngineFile& file, const std::string& table, const std::string& condition,
               long number, const std::string& field) {
  CSqlQuery q(file.Conn(),
              "SELECT 1 FROM " + QuoteName(table) + " WHERE " + condition + " LIMIT 1");
  if (q.Step()) ThrowDaoError(number, field.c_str());
}

void CheckColumn(CEngineFile& file, const CTableSchema& table, int index) {
  const CFieldDef& f = table.fields[index];
  const std::string c = QuoteName(f.name);
  const std::string& t = table.name;
  switch (f.type) {
    case dbBoolean:
    case dbByte:
    case dbInteger:
    case dbLong:
      CheckNone(file, t, "typeof(" + c + ") NOT IN ('integer', 'null')", kDaoConversionError,
                f.name);
      break;
    case dbCurrency:
    case dbSingle:
    case dbDouble:
    case dbDate:
      CheckNone(file, t, "typeof(" + c + ") NOT IN ('integer', 'real', 'null')",
                kDaoConversionError, f.name);
      break;
    default:
      break;
  }
  if (f.type == dbByte)
    CheckNone(file, t, c + " NOT BETWEEN 0 AND 255", kDaoNumericOverflow, f.name);
  if (f.type == dbInteger) {
    CheckNone(file, t, c + " NOT BETWEEN -32768 AND 32767", kDaoNumericOverflow, f.name);
  }
  if (f.type == dbLong) {
    CheckNone(file, t, c + " NOT BETWEEN -2147483648 AND 2147483647", kDaoNumericOverflow, f.name);
  }
  if (f.type == dbText) {
    long size = f.size > 0 ? f.size : 255;
    CheckNone(file, t, "length(" + c + ") > " + std::to_string(size), kDaoFieldTooSmall, f.name);
  }
  if (f.IsText() && !f.allowZeroLength) CheckNone(file, t, c + " = ''", kDaoZeroLength, f.name);
  if (f.required) CheckNone(file, t, c + " IS NULL", kDaoFieldRequired, f.name);
  for (const CIndexDef& idx : table.indexes) {
    if (!idx.required && !idx.primary) continue;
    for (int field : idx.fields) {
      if (field == index) CheckNone(file, t, c + " IS NULL", kDaoFieldRequiredInIndex, f.name);
    }
  }
}

}  // namespace

std::string TranslateUpdate(CEngineFile& file, const std::string& sql, int64_t* tableId) {
  CTranslator translator(file, sql);
  std::string out = translator.Translate();
  if (tableId != nullptr) *tableId = translator.Table().id;
  return out;
}

long ExecuteUpdate(CEngineFile& file, const std::string& sql) {
  CTranslator translator(file, sql);
  std::string translated = translator.Translate();
  CWriteScope scope(file, true);
  file.Conn().Exec(translated);
  long changed = static_cast<long>(file.Conn().Changes());
  for (int field : translator.Targets()) CheckColumn(file, translator.Table(), field);
  file.MarkWritten(translator.Table().id);
  scope.Commit();
  return changed;
}

}  // namespace zl::engine
