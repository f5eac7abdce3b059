// Building and opening the fixed tables of a database from the layout
// description.
#ifndef ZLDBCTRL70_SCHEMA_FIXED_TABLES_H_
#define ZLDBCTRL70_SCHEMA_FIXED_TABLES_H_

#include "schema/layout.h"

class CDaoDatabase;
class CZLTableDef;
class CZLRecordset;

namespace zl {

// Gives a new table definition its name, fields and indexes from a layout
// (fields by the library's conventions, every text and memo field allowing
// zero-length values).  Engine errors propagate.
void DefineTable(CZLTableDef& tableDef, const char* name, const ZLFieldLayout* fields,
                 size_t fieldCount, const ZLIndexLayout* indexes, size_t indexCount);

// Adds the indexes of a layout to a table definition.  Engine errors
// propagate.
void DefineIndexes(CZLTableDef& tableDef, const ZLIndexLayout* indexes, size_t indexCount);

// Creates the table in the database with its fields and indexes, appends it,
// and opens its recordset on the layout's current index.  Both objects are
// allocated with new and stored in tableDef and recordset as soon as they
// exist, so a failure part way leaves them for the caller to close and
// delete.  Engine errors propagate.
void BuildFixedTable(CDaoDatabase& database, ZLFixedTable table, CZLTableDef*& tableDef,
                     CZLRecordset*& recordset);

// Opens the existing table's definition and recordset with the layout's
// current index, storing both as BuildFixedTable does.  Engine errors
// propagate.
void OpenFixedTable(CDaoDatabase& database, ZLFixedTable table, CZLTableDef*& tableDef,
                    CZLRecordset*& recordset);

}  // namespace zl

#endif  // ZLDBCTRL70_SCHEMA_FIXED_TABLES_H_
