#include "engine/declared_types.h"

#include <cstdlib>

#include "engine/bookkeeping.h"
#include "engine/dao_types.h"

namespace zl::engine {

namespace {

struct DeclaredSpelling {
  const char* spelling;
  short type;
  long size;
  bool counter;
};

// Sizes are those a field of the type is created with.
const DeclaredSpelling kSpellings[] = {
    {"BOOLEAN_INT", dbBoolean, 1, false},
    {"BYTE_INT", dbByte, 1, false},
    {"SHORT_INT", dbInteger, 2, false},
    {"LONG_INT", dbLong, 4, false},
    {"COUNTER_INT", dbLong, 4, true},
    {"CURRENCY_REAL", dbCurrency, 8, false},
    {"SINGLE_REAL", dbSingle, 4, false},
    {"DOUBLE_REAL", dbDouble, 8, false},
    {"DATE_REAL", dbDate, 8, false},
    {"MEMO_TEXT", dbMemo, 0, false},
    {"LONGBINARY_BLOB", dbLongBinary, 0, false},
    // The plain spellings of files written before the engine types were
    // declared, and of tools that know only SQLite's storage classes.
    {"INTEGER", dbLong, 4, false},
    {"REAL", dbDouble, 8, false},
    {"TEXT", dbMemo, 0, false},
    {"BLOB", dbLongBinary, 0, false},
    {"", dbLongBinary, 0, false},
};

std::string Normalized(const std::string& declared) {
  // Upper case, without surrounding blanks and without blanks inside, so
  // that "text ( 50 )" reads as TEXT(50).
  std::string out;
  for (char c : declared) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

void SetRules(CFieldDef& field) {
  field.attributes = field.IsCounter() ? dbAutoIncrField : dbUpdatableField;
  field.allowZeroLength = field.IsText();
  if (field.IsText()) field.attributes |= dbVariableField;
}

}  // namespace

std::string DeclaredType(const CFieldDef& field) {
  if (field.IsCounter()) return "COUNTER_INT";
  if (field.type == dbText) {
    // Size 0 stands for the largest text.
    const long size = field.size >= 1 && field.size <= 255 ? field.size : 255;
    return "TEXT(" + std::to_string(size) + ")";
  }
  for (const DeclaredSpelling& s : kSpellings) {
    if (s.type == field.type && !s.counter) return s.spelling;
  }
  return "LONGBINARY_BLOB";
}

bool FieldFromDeclaredType(const std::string& declared, CFieldDef& field) {
  const std::string t = Normalized(declared);
  if (t.size() > 6 && t.compare(0, 5, "TEXT(") == 0 && t.back() == ')') {
    const std::string digits = t.substr(5, t.size() - 6);
    if (digits.empty() || digits.size() > 3 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    long size = std::strtol(digits.c_str(), nullptr, 10);
    if (size < 1 || size > 255) return false;
    field.type = dbText;
    field.size = size;
    field.attributes = 0;
    SetRules(field);
    return true;
  }
  for (const DeclaredSpelling& s : kSpellings) {
    if (t != s.spelling) continue;
    field.type = s.type;
    field.size = s.size;
    field.attributes = s.counter ? static_cast<long>(dbAutoIncrField) : 0L;
    SetRules(field);
    return true;
  }
  return false;
}

CFieldDef FieldByAffinity(const std::string& name, const std::string& declared) {
  CFieldDef f;
  f.name = name;
  if (FieldFromDeclaredType(declared, f)) return f;
  // The guess files were always salvaged with: whole numbers, floating
  // point, bytes, or else text.
  const std::string t = Normalized(declared);
  if (t.find("INT") != std::string::npos) {
    f.type = dbLong;
    f.size = 4;
  } else if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos ||
             t.find("DOUB") != std::string::npos) {
    f.type = dbDouble;
    f.size = 8;
  } else if (t.find("BLOB") != std::string::npos) {
    f.type = dbLongBinary;
  } else {
    f.type = dbMemo;
  }
  SetRules(f);
  return f;
}

}  // namespace zl::engine
