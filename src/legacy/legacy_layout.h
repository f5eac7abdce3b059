// The flat legacy layout, described once as data: the eight tables in the
// order CreateZLDatabase builds them, their fields and indexes, and the
// index each open recordset uses.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_LAYOUT_H_
#define ZLDBCTRL70_LEGACY_LEGACY_LAYOUT_H_

#include <cstddef>
#include <cstdint>

#include "schema/layout.h"

class CDaoDatabase;
class CZLTableDef;
class CZLRecordset;

namespace zl::legacy {

enum ELegacyTable : int {
  LT_SDB,
  LT_PARAMS,
  LT_CONNECT,
  LT_OUTPUT,
  LT_FILES,
  LT_KEYWORDS,
  LT_KEYWORDSID,
  LT_LASTLAYOUTCHANGE,
  LT_TABLE_COUNT
};

// One field: the engine's field description plus whether empty strings are
// allowed (text and memo fields only).
struct ZLLegacyField {
  const char* name;
  int16_t type;
  int32_t size;
  int32_t attributes;
  bool allowZeroLength;
};

struct ZLLegacyTableLayout {
  const char* name;
  const ZLLegacyField* fields;
  size_t fieldCount;
  const ZLIndexLayout* indexes;
  size_t indexCount;
  const char* currentIndex;  // or null
};

const ZLLegacyTableLayout& LegacyTableLayout(ELegacyTable table);

// Creates the table with its fields and indexes, appends it and opens its
// recordset on the layout's current index.  Both objects are stored as soon
// as they exist, so a failure part way leaves them for the caller to
// release.  Engine errors propagate.
void BuildLegacyTable(CDaoDatabase& database, ELegacyTable table, CZLTableDef*& tableDef,
                      CZLRecordset*& recordset);
// Opens the existing table's definition and recordset the same way.
void OpenLegacyTable(CDaoDatabase& database, ELegacyTable table, CZLTableDef*& tableDef,
                     CZLRecordset*& recordset);

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_LAYOUT_H_
