// The fixed layout of a model-library database, described once as data.
//
// Creation builds the tables from this description, opening reads which
// tables a database version has and which index each recordset uses, and
// the reserved-name test reads the table names.  Nothing else spells out a
// fixed table's fields or indexes.
#ifndef ZLDBCTRL70_SCHEMA_LAYOUT_H_
#define ZLDBCTRL70_SCHEMA_LAYOUT_H_

#include <cstddef>
#include <cstdint>

namespace zl {

// The eighteen fixed tables, in the order in which a new database creates
// them.  The value indexes the handle record's table-definition and
// recordset slots.
enum ZLFixedTable : int {
  ZLT_MAIN,
  ZLT_NODE_NC,
  ZLT_PARAMSET,
  ZLT_PARAMVALUE,
  ZLT_TOLERANCE,
  ZLT_TOLERANCE_VALUE,
  ZLT_QUALITY,
  ZLT_QUALITY_VALUE,
  ZLT_NODE_C,
  ZLT_FILES,
  ZLT_SIMTABINFO,
  ZLT_RESINFO,
  ZLT_RESID,
  ZLT_DBINFO,
  ZLT_PACKAGE,
  ZLT_ADDITIONAL_DATA_INFO,
  ZLT_ADDITIONAL_DATA,
  ZLT_UDT_ID,
  ZLT_FIXED_TABLE_COUNT
};

// One field: name, engine type code, size given to the engine, attributes.
struct ZLFieldLayout {
  const char* name;
  int16_t type;
  int32_t size;
  int32_t attributes;
};

// One index of one to three ascending fields.
struct ZLIndexLayout {
  const char* name;
  const char* fields[3];  // unused trailing entries are null
  bool unique;
  int FieldCount() const;
};

struct ZLTableLayout {
  ZLFixedTable id;
  const char* name;
  const ZLFieldLayout* fields;
  size_t fieldCount;
  const ZLIndexLayout* indexes;
  size_t indexCount;
  const char* currentIndex;  // index the open recordset uses, or null for none
  int sinceVersion;          // first database version that has the table
};

// The layout of one fixed table.
const ZLTableLayout& FixedTableLayout(ZLFixedTable table);

// Whether a database of the given layout version has the table.
bool FixedTableExists(ZLFixedTable table, int databaseVersion);

// A table added at run time per user-interface language (resource tables,
// registered in RESINFO) or per simulator language (registered in
// SIMTABINFO).  kind is the registry's TABTYPE; nameFormat takes the
// language ID widened to 32 bits ("%08x") or the simulator-language name
// ("%s").
struct ZLLanguageTableLayout {
  int kind;
  const char* nameFormat;
  const ZLFieldLayout* fields;
  size_t fieldCount;
  const ZLIndexLayout* indexes;
  size_t indexCount;
  const char* currentIndex;
};

constexpr int kResourceTableKinds = 5;   // string, keyword, keyword link, symbol, unit
constexpr int kSimulatorTableKinds = 4;  // call, macro, access, package

// Layout of a resource table by its RESINFO kind (0..4).
const ZLLanguageTableLayout& ResourceTableLayout(int kind);
// Layout of a simulator-language table by its SIMTABINFO kind (0..3).
const ZLLanguageTableLayout& SimulatorTableLayout(int kind);

// 1 when name may be used for a user-defined table; 0 when it equals a fixed
// table name (exactly, case-sensitive) or occurs inside one of the name
// formats of the per-language tables, read literally ("CALL_%s", ...).  Null and the empty name are
// refused.
int IsTableNameAllowed(const char* name);

// The database and structure versions this library creates and the packing
// of both into the VERSION field of DBINFO.
constexpr int kCurrentDatabaseVersion = 22;
constexpr int kCurrentStructureVersion = 5;
constexpr int32_t PackVersion(int databaseVersion, int structureVersion) {
  return static_cast<int32_t>((static_cast<uint32_t>(structureVersion) << 16) |
                              (static_cast<uint32_t>(databaseVersion) & 0xFFFFu));
}

// The password every model-library database is created and opened with, and
// the connect texts built from it.
extern const char kDatabaseConnect[];  // ";PWD=<password>"
extern const char kCreateConnect[];    // locale followed by the password

}  // namespace zl

#endif  // ZLDBCTRL70_SCHEMA_LAYOUT_H_
