// The layout changes the upgrade of an older database is made of: adding a
// field, giving a field a new type, (re)creating an index, creating a fixed
// table.  Each works on the open database through a table definition of its
// own (the handle's recordsets on the table must be closed), inside the
// caller's transaction, and does nothing when the table already has the
// change, so that an upgrade step can be run again after an interruption.
// Engine errors propagate.
#ifndef ZLDBCTRL70_MAINTENANCE_UPGRADE_SCHEMA_H_
#define ZLDBCTRL70_MAINTENANCE_UPGRADE_SCHEMA_H_

#include <initializer_list>

#include "schema/layout.h"

class CDaoDatabase;

namespace zl {

// The field of a fixed or per-language table layout by name; throws the
// engine's item-not-found error when the layout has no such field.
const ZLFieldLayout& LayoutField(const ZLFieldLayout* fields, size_t count, const char* name);
const ZLFieldLayout& FixedField(ZLFixedTable table, const char* name);
const ZLIndexLayout& FixedIndex(ZLFixedTable table, const char* name);
const ZLIndexLayout& LanguageIndex(const ZLLanguageTableLayout& layout, const char* name);

bool TableExists(CDaoDatabase& database, const char* table);
bool FieldExists(CDaoDatabase& database, const char* table, const char* field);

// Adds the field at the end of the table unless it has one of that name.
// Text and memo fields allow zero-length values.
void AddField(CDaoDatabase& database, const char* table, const ZLFieldLayout& field);
void AddFields(CDaoDatabase& database, const char* table,
               std::initializer_list<ZLFieldLayout> fields);

// Gives an existing field the type, size and zero-length rule of target,
// keeping every value: the values go to a field "temp" of type tempType
// and size tempSize, the indexes over the field and the field are deleted,
// the field is created anew, the values are copied back and "temp" is
// deleted; the indexes come back as they were, except those named in
// recreate, which are created as given there.  Nothing is done when the
// field already has the target's type, size and rule.
void RetypeField(CDaoDatabase& database, const char* table, const ZLFieldLayout& target,
                 short tempType, long tempSize,
                 std::initializer_list<const ZLIndexLayout*> recreate = {});

// Deletes the index when the table has it and creates it as given.
void RecreateIndex(CDaoDatabase& database, const char* table, const ZLIndexLayout& index);

// Creates the fixed table with the layout's fields (those named in omit
// left out) and indexes, unless a table of that name exists.
void CreateFixedTable(CDaoDatabase& database, ZLFixedTable table,
                      std::initializer_list<const char*> omit = {});

}  // namespace zl

#endif  // ZLDBCTRL70_MAINTENANCE_UPGRADE_SCHEMA_H_
