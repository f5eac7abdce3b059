// Building and opening the fixed tables of a handle record from the layout
// description.
#ifndef ZLDBCTRL70_SCHEMA_FIXED_TABLES_H_
#define ZLDBCTRL70_SCHEMA_FIXED_TABLES_H_

#include "frame/handle_record.h"
#include "schema/layout.h"

class CZLTableDef;

namespace zl {

// Gives a new table definition its name, fields and indexes from a layout
// (fields by the library's conventions, every text and memo field allowing
// zero-length values).  Engine errors propagate.
void DefineTable(CZLTableDef& tableDef, const char* name, const ZLFieldLayout* fields,
                 size_t fieldCount, const ZLIndexLayout* indexes, size_t indexCount);

// Creates the table in the record's database with its fields and indexes,
// appends it, and opens its recordset on the layout's current index; both
// objects are stored in the record's slots as soon as they exist, so a
// failure part way leaves them for ReleaseHandleResources.  Engine errors
// propagate.
void BuildFixedTable(ZLHandleRecord& record, ZLFixedTable table);

// Opens the existing table's definition and recordset with the layout's
// current index, storing both in the record's slots.  Engine errors
// propagate.
void OpenFixedTable(ZLHandleRecord& record, ZLFixedTable table);

}  // namespace zl

#endif  // ZLDBCTRL70_SCHEMA_FIXED_TABLES_H_
