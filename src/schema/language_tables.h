// Creating, opening and dropping the tables that are added per language,
// from their layout description.  Shared by the resource languages and the
// simulator languages.
#ifndef ZLDBCTRL70_SCHEMA_LANGUAGE_TABLES_H_
#define ZLDBCTRL70_SCHEMA_LANGUAGE_TABLES_H_

#include <memory>

#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/types.h"

class CDaoDatabase;

namespace zl {

// An open table: its definition and a table-type recordset on the layout's
// current index.  Closes and deletes both unless released to a map.
struct CLanguageTable {
  std::unique_ptr<CZLTableDef> tableDef;
  std::unique_ptr<CZLRecordset> recordset;

  CLanguageTable() = default;
  ~CLanguageTable();
  CLanguageTable(CLanguageTable&&) = default;
  CLanguageTable& operator=(CLanguageTable&&) = default;
};

// Creates a table of the layout named baseName, or, when a table of that
// name already exists, baseName + "_1", "_2", ... (the first that is free),
// and opens it.  Engine errors propagate; nothing is left in the database
// when the table could not be created and opened.
CLanguageTable CreateLanguageTable(CDaoDatabase& database, const ZLLanguageTableLayout& layout,
                                   const char* baseName);

// Opens the existing table name with the layout's current index.  Engine
// errors propagate.
CLanguageTable OpenLanguageTable(CDaoDatabase& database, const ZLLanguageTableLayout& layout,
                                 const char* name);

// Closes the objects and deletes the table from the database.  Engine errors
// propagate; the objects are closed either way.
void DropLanguageTable(CDaoDatabase& database, CZLTableDef* tableDef, CZLRecordset* recordset);

// The table name a format gives for a resource language (the language ID
// widened to 32 bits, eight lower-case hex digits) or a simulator language.
CString FormatResourceTableName(const ZLLanguageTableLayout& layout, WORD language);
CString FormatSimulatorTableName(const ZLLanguageTableLayout& layout, const char* language);

}  // namespace zl

#endif  // ZLDBCTRL70_SCHEMA_LANGUAGE_TABLES_H_
