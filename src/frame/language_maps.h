// The open per-language tables of a database handle.
//
// For each of the five resource-table kinds (string table, keywords,
// keyword links, symbols, preferred units) a map from language ID to the
// open table definition and one to the open recordset; for each of the four
// simulator-table kinds (call, macro, access, package) the same keyed by
// simulator-language name, plus the exclusive flag of call and macro
// tables.  The maps own their table definitions and recordsets: Clear
// closes and deletes them.
#ifndef ZLDBCTRL70_FRAME_LANGUAGE_MAPS_H_
#define ZLDBCTRL70_FRAME_LANGUAGE_MAPS_H_

#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/types.h"

class CZLTableDef;
class CZLRecordset;

namespace zl {

// Kinds are numbered as the registries store them (TABTYPE of RESINFO and
// SIMTABINFO).
enum ZLResourceKind : int {
  ZLR_STRINGTAB = 0,
  ZLR_KEYWORD = 1,
  ZLR_KEYWORDID = 2,
  ZLR_SYMBOLS = 3,
  ZLR_UNIT = 4,
  ZLR_KIND_COUNT = 5
};

enum ZLSimTableKind : int {
  ZLS_CALL = 0,
  ZLS_MACRO = 1,
  ZLS_ACCESS = 2,
  ZLS_PACKAGE = 3,
  ZLS_KIND_COUNT = 4
};

// Open tables of one kind, keyed by KEY.
template <class KEY, class ARG_KEY>
struct ZLOpenTables {
  // Maps are created with 17 buckets, as every per-language map.
  ZLOpenTables() {
    tableDefs.InitHashTable(17);
    recordsets.InitHashTable(17);
  }
  CMap<KEY, ARG_KEY, CZLTableDef*, CZLTableDef*> tableDefs;
  CMap<KEY, ARG_KEY, CZLRecordset*, CZLRecordset*> recordsets;

  CZLRecordset* FindRecordset(ARG_KEY key) const {
    CZLRecordset* recordset = nullptr;
    return recordsets.Lookup(key, recordset) ? recordset : nullptr;
  }
};

struct ZLLanguageMaps {
  ZLLanguageMaps() {
    for (auto& flags : exclusive) flags.InitHashTable(17);
  }
  ~ZLLanguageMaps();
  ZLLanguageMaps(const ZLLanguageMaps&) = delete;
  ZLLanguageMaps& operator=(const ZLLanguageMaps&) = delete;

  ZLOpenTables<WORD, WORD> resource[ZLR_KIND_COUNT];
  ZLOpenTables<CString, LPCSTR> simulator[ZLS_KIND_COUNT];
  // Exclusive flags of the call (ZLS_CALL) and macro (ZLS_MACRO) tables.
  CMap<CString, LPCSTR, BOOL, BOOL> exclusive[2];

  // Closes and deletes every recordset, then every table definition, and
  // empties all maps.  Engine errors while closing are swallowed.
  void Clear();
};

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_LANGUAGE_MAPS_H_
