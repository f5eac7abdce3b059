// Conversions between the engine's variants and stored values, per field
// type, and the rules a value must meet before it is written.
#ifndef ZLDBCTRL70_ENGINE_VALUE_RULES_H_
#define ZLDBCTRL70_ENGINE_VALUE_RULES_H_

#include <string>

#include "engine/bookkeeping.h"
#include "engine/sqlite_seam.h"
#include "zldbctrl70/platform/variant.h"

namespace zl::engine {

// The stored form of a value written to (or sought on) a field: integers
// for Boolean (-1/0), Byte, Integer and Long; doubles for Single (rounded to
// single precision), Double, Currency (rounded to 4 decimals) and Date;
// UTF-8 text for Text and Memo; bytes for Long binary.  VT_EMPTY and VT_NULL
// give NULL.  Throws engine error failNumber when the value cannot be
// converted, and 3349 when a number is far beyond any field's range.
// Ranges of Byte, Integer and Long are checked by CheckRules.
CSqlValue ToStored(const COleVariant& value, const CFieldDef& field, long failNumber);

// Refuses a value that breaks the field's rules: 3314 NULL in a required
// field, 3163 text longer than the size, 3315 zero-length text not allowed,
// 3349 out of the type's range.
void CheckRules(const CSqlValue& value, const CFieldDef& field);

// The variant a stored value reads as for the field's type (see
// CDaoRecordset::GetFieldValue).  Values of another storage kind (written by
// other tools) are converted when they can be and returned as stored
// otherwise.
COleVariant ToVariant(const CSqlValue& value, const CFieldDef& field);

// Characters in UTF-8 text: each well-formed sequence is one, and so is
// each byte that is not part of one (Latin-1 text or stray continuation
// bytes count every byte), so no text passes a width by being malformed.
size_t Utf8Length(const std::string& text);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_VALUE_RULES_H_
