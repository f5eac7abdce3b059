// CZLTableDef: a table definition that creates fields by the library's field
// conventions.
#ifndef ZLDBCTRL70_SCHEMA_ZL_TABLEDEF_H_
#define ZLDBCTRL70_SCHEMA_ZL_TABLEDEF_H_

#include "engine/dao_tabledef.h"

class CZLTableDef : public CDaoTableDef {
 public:
  explicit CZLTableDef(CDaoDatabase* pDatabase) : CDaoTableDef(pDatabase) {}

  // Creates a field that is not required, has no default, validation or
  // foreign name, and stands at the end of the table.  The zero-length flag
  // applies only to dbText and dbMemo fields and is forced off otherwise.
  // Engine errors as CDaoTableDef::CreateField.
  void CreateFieldEx(const char* lpszName, short nType, long lSize, long lAttributes,
                     BOOL bAllowZeroLength);
};

#endif  // ZLDBCTRL70_SCHEMA_ZL_TABLEDEF_H_
