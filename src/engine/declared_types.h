// The declared SQL column types of engine fields.
//
// Each engine type is declared with a spelling that names it and its size
// and that keeps the SQLite type affinity the column has always had
// (INTEGER, REAL, TEXT or BLOB), so values are stored exactly as before:
//
//   Boolean BOOLEAN_INT   Byte BYTE_INT      Integer SHORT_INT  Long LONG_INT
//   counter COUNTER_INT   Currency CURRENCY_REAL   Single SINGLE_REAL
//   Double DOUBLE_REAL    Date DATE_REAL     Text TEXT(size)    Memo MEMO_TEXT
//   Long binary LONGBINARY_BLOB
//
// A counter that is its table's row number is declared INTEGER PRIMARY KEY
// (SQLite makes a column its row number only with exactly that type).
// Reading a declared type back also accepts the plain spellings of files
// written before (INTEGER, REAL, TEXT, BLOB and no type).
#ifndef ZLDBCTRL70_ENGINE_DECLARED_TYPES_H_
#define ZLDBCTRL70_ENGINE_DECLARED_TYPES_H_

#include <string>

namespace zl::engine {

struct CFieldDef;

// The declared type of a field that is not its table's row number.
std::string DeclaredType(const CFieldDef& field);

// Fills type, size, attributes and the zero-length rule of field from a
// declared type, as a field created through the engine with that type has
// them.  False when the declared type names no engine type.
bool FieldFromDeclaredType(const std::string& declared, CFieldDef& field);

// The engine field a column of unknown declared type is read as when a
// damaged file is salvaged: chosen by the column's SQLite affinity.
CFieldDef FieldByAffinity(const std::string& name, const std::string& declared);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_DECLARED_TYPES_H_
