#include "nodes/node_rows.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "calls/call_rows.h"
#include "content/row_patterns.h"
#include "frame/caller_numbers.h"
#include "frame/transaction.h"
#include "resources/language_texts.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kNodeID[] = "NODE_ID";
constexpr const char kNodeType[] = "NODE_TYPE";
constexpr const char kInfo[] = "INFO";
constexpr DWORD kSetTypeBits = 0xF0000000;

CZLRecordset& NodeTable(ZLHandleRecord& record, ENodeKind kind) {
  return *record.recordsets[NodeKind(kind).table];
}

// The satellite key of a node in the per-language tables (Boolean type).
std::vector<COleVariant> SatelliteKey(long nodeID, ENodeKind kind) {
  return {IDKey(nodeID), COleVariant(NodeKind(kind).typeKey, VT_BOOL)};
}

// The PARAMVALUE key (numeric type).
std::vector<COleVariant> ValueKey(long nodeID, long paramSetID, ENodeKind kind) {
  return {IDKey(nodeID), IDKey(paramSetID), COleVariant(NodeKind(kind).typeKey)};
}

CString Text(const COleVariant& value) {
  return value.vt == VT_BSTR ? CString(value.GetStringValue()) : CString();
}

long Number(const COleVariant& value) {
  if (value.vt == VT_I4) return value.lVal;
  if (value.vt == VT_I2) return value.iVal;
  return 0;
}

WORD ResourceWord(const COleVariant& value) { return static_cast<WORD>(Number(value) & 0xFFFF); }

// A 16-bit resource ID as the 16-bit integer it is stored as.
COleVariant StoredWord(WORD value) {
  return COleVariant(static_cast<int32_t>(static_cast<int16_t>(value)));
}

COleVariant Bits(DWORD value) { return COleVariant(static_cast<int32_t>(value)); }

// The resource-ID columns of a table with their fields in the object.
struct ZLResourceColumn {
  const char* field;
  WORD CZLNodeObject::*member;
  bool parameterOnly;  // only in tables with the parameter columns
};

const ZLResourceColumn kResourceColumns[] = {
    {"NAME_TO_RESID", &CZLNodeObject::m_wNameToResID, false},
    {"NATURE_TO_RESID", &CZLNodeObject::m_wNatureToResID, false},
    {"UNIT_TO_RESID", &CZLNodeObject::m_wUnitToResID, true},
    {"QUANTITY_TO_RESID", &CZLNodeObject::m_wQuantityToResID, true},
    {"PREFERUNIT_TO_RESID", &CZLNodeObject::m_wPreferUnitToResID, true},
    {"VALUE_TO_RESID", &CZLNodeObject::m_wValueToResID, false},
    {"INFO_TO_RESID", &CZLNodeObject::m_wInfoToResID, false},
    {"TYPE_TO_RESID", &CZLNodeObject::m_wTypeToResID, false},
    {"EXTTYPE_TO_RESID", &CZLNodeObject::m_wExtTypeToResID, false},
    {"DEFVALUE_TO_RESID", &CZLNodeObject::m_wDefValueToResID, true},
};

void ReadNodeRow(CZLRecordset& rs, ENodeKind kind, CZLNodeObject& node) {
  node.m_lNodeID = Number(rs.GetFieldValue(kNodeID));
  node.m_lIndex = Number(rs.GetFieldValue("INDEX"));
  node.m_strName = Text(rs.GetFieldValue("NAME"));
  node.m_strNature = Text(rs.GetFieldValue("NATURE"));
  if (NodeKind(kind).parameterColumns) {
    node.m_strUnit = Text(rs.GetFieldValue("UNIT"));
    node.m_strQuantity = Text(rs.GetFieldValue("QUANTITY"));
  }
  node.m_strValue = Text(rs.GetFieldValue("VALUE"));
  node.m_dwType = static_cast<DWORD>(Number(rs.GetFieldValue("TYPE")));
  node.m_dwExtType = static_cast<DWORD>(Number(rs.GetFieldValue("EXTTYPE")));
  for (const ZLResourceColumn& column : kResourceColumns) {
    if (column.parameterOnly && !NodeKind(kind).parameterColumns) continue;
    node.*column.member = ResourceWord(rs.GetFieldValue(column.field));
  }
  const COleVariant wizardFile = rs.GetFieldValue("WIZ_FILE_ID");
  node.m_bWizFileSet = wizardFile.vt != VT_NULL && wizardFile.vt != VT_EMPTY;
  node.m_lWizFileID = node.m_bWizFileSet ? Number(wizardFile) : 0;
}

// The preferred units (UNIT_<lang>) or one text column of a satellite.
int ReadUnits(ZLHandleRecord& record, long nodeID, ENodeKind kind,
              CMap<WORD, WORD, CString, LPCSTR>& units) {
  return ForEachResourceTable(record, ZLR_UNIT, [&](WORD language, CZLRecordset& rs) {
    std::vector<COleVariant> key = SatelliteKey(nodeID, kind);
    if (rs.Seek("=", key.data(), static_cast<WORD>(key.size()))) {
      units[language] = Text(rs.GetFieldValue("UNIT"));
    }
    return ZLE_OK;
  });
}

void ReadSetValue(ZLHandleRecord& record, long paramSetID, ENodeKind kind, CZLNodeObject& node) {
  CZLRecordset* values = record.recordsets[ZLT_PARAMVALUE];
  node.m_dwExtType &= ~kSetTypeBits;
  node.m_strValue.Empty();
  if (values == nullptr || !FitsID(paramSetID)) return;
  std::vector<COleVariant> key = ValueKey(node.m_lNodeID, paramSetID, kind);
  if (!values->Seek("=", key.data(), static_cast<WORD>(key.size()))) return;
  node.m_strValue = Text(values->GetFieldValue("VALUE"));
  node.m_dwExtType |= static_cast<DWORD>(Number(values->GetFieldValue("TYPE"))) & kSetTypeBits;
}

// The values the node row must hold for the object (INFO and the owner are
// handled apart).
ZLFieldValues RowValues(const CZLNodeObject& node, ENodeKind kind, const COleVariant& index) {
  ZLFieldValues values = {
      {"INDEX", index},
      {"NAME", COleVariant(node.m_strName)},
      {"VALUE", COleVariant(node.m_strValue)},
      {"NATURE", COleVariant(node.m_strNature)},
      {"TYPE", Bits(node.m_dwType)},
      {"EXTTYPE", Bits(node.m_dwExtType)},
  };
  if (NodeKind(kind).parameterColumns) {
    values.emplace_back("UNIT", COleVariant(node.m_strUnit));
    values.emplace_back("QUANTITY", COleVariant(node.m_strQuantity));
  }
  for (const ZLResourceColumn& column : kResourceColumns) {
    if (column.parameterOnly && !NodeKind(kind).parameterColumns) continue;
    values.emplace_back(column.field, StoredWord(node.*column.member));
  }
  COleVariant wizardFile;
  wizardFile.SetNull();
  if (node.m_bWizFileSet) wizardFile = IDKey(node.m_lWizFileID);
  values.emplace_back("WIZ_FILE_ID", wizardFile);
  return values;
}

// 9 when a number of the object does not fit its column, 20 / 21 when a
// language of the object has no table.  Nothing is written.
int CheckNode(ZLHandleRecord& record, const CZLNodeObject& node, COleVariant& index) {
  int code = StoredNumber(node.m_lIndex, index);
  if (code == ZLE_OK && node.m_bWizFileSet && !FitsID(node.m_lWizFileID)) code = ZLE_ENGINE;
  if (code == ZLE_OK && node.m_lNodeID != 0 && !FitsID(node.m_lNodeID)) code = ZLE_NO_RECORD;
  if (code == ZLE_OK)
    code = CheckTextLanguages(record, ZLR_STRINGTAB, node.m_mapInfo, ZLE_NO_LANGUAGE);
  if (code == ZLE_OK) {
    code = CheckTextLanguages(record, ZLR_UNIT, node.m_mapPreferUnit, ZLE_NO_SIMTABLE_KIND);
  }
  for (const CMapStringToString* map : {&node.m_mapAccess, &node.m_mapDefValue}) {
    POSITION pos = map->GetStartPosition();
    while (code == ZLE_OK && pos != nullptr) {
      CString language, text;
      map->GetNextAssoc(pos, language, text);
      CZLRecordset* rs = nullptr;
      code = FindSimTable(record, ZLS_ACCESS, language, rs);
    }
  }
  return code;
}

// Writes the texts of a language map under one resource ID, leaving texts
// that are already as wanted unwritten.
void WriteInfoTexts(ZLHandleRecord& record, const COleVariant& resourceID,
                    const CMap<WORD, WORD, CString, LPCSTR>& texts) {
  ForEachResourceTable(record, ZLR_STRINGTAB, [&](WORD language, CZLRecordset& strings) {
    CString text;
    if (texts.Lookup(language, text)) {
      UpsertChangedRow(strings, {"RES_ID"}, {resourceID}, {{"TEXT", COleVariant(text)}});
    } else {
      DeleteRowByKey(strings, {resourceID});
    }
    return ZLE_OK;
  });
}

void WriteUnits(ZLHandleRecord& record, long nodeID, ENodeKind kind,
                const CMap<WORD, WORD, CString, LPCSTR>& units) {
  ForEachResourceTable(record, ZLR_UNIT, [&](WORD language, CZLRecordset& rs) {
    CString unit;
    if (units.Lookup(language, unit)) {
      UpsertChangedRow(rs, {kNodeID, kNodeType}, SatelliteKey(nodeID, kind),
                       {{"UNIT", COleVariant(unit)}});
    } else {
      DeleteRowByKey(rs, SatelliteKey(nodeID, kind));
    }
    return ZLE_OK;
  });
}

// Deletes every satellite of the node at the current row of the node table.
void DeleteSatellites(ZLHandleRecord& record, CZLRecordset& row, ENodeKind kind) {
  const long nodeID = Number(row.GetFieldValue(kNodeID));
  const COleVariant info = row.GetFieldValue(kInfo);
  ForEachResourceTable(record, ZLR_UNIT, [&](WORD, CZLRecordset& rs) {
    DeleteRowByKey(rs, SatelliteKey(nodeID, kind));
    return ZLE_OK;
  });
  if (info.vt != VT_NULL && info.vt != VT_EMPTY) {
    ForEachResourceTable(record, ZLR_STRINGTAB, [&](WORD, CZLRecordset& rs) {
      DeleteRowByKey(rs, {info});
      return ZLE_OK;
    });
  }
  ForEachSimLanguage(record, ZLS_ACCESS, [&](const CString&, CZLRecordset& rs) {
    DeleteRowByKey(rs, SatelliteKey(nodeID, kind));
    return ZLE_OK;
  });
  // Every set value of the node, whichever parameter set it belongs to.
  CZLRecordset* values = record.recordsets[ZLT_PARAMVALUE];
  if (values == nullptr) return;
  const long type = NodeKind(kind).typeKey;
  ForEachOwnedRow(*values, kNodeID, nodeID, [&](CZLRecordset& value) {
    if (Number(value.GetFieldValue(kNodeType)) == type) value.Delete();
    return true;
  });
}

// Writes one object into the node row nodeID (the current index of the
// node table is its model index; rows are found by bookmark).
void WriteNode(ZLHandleRecord& record, CZLRecordset& rs, const COleVariant& bookmark,
               ENodeKind kind, const CZLNodeObject& node, const COleVariant& index) {
  rs.SetBookmark(bookmark);
  COleVariant info = rs.GetFieldValue(kInfo);
  ZLFieldValues values = RowValues(node, kind, index);
  const bool newInfo = info.vt == VT_NULL || info.vt == VT_EMPTY;
  if (newInfo) {
    info = NewResourceID(record);
    rs.SetBookmark(bookmark);  // the counter's row write may move the position
    values.emplace_back(kInfo, info);
  }
  if (newInfo || RowDiffers(rs, values)) {
    CRowWrite row(rs, CRowWrite::kEdit);
    for (const auto& value : values) row.Set(value.first, value.second);
    row.Update();
  }
  WriteInfoTexts(record, info, node.m_mapInfo);
  WriteUnits(record, node.m_lNodeID, kind, node.m_mapPreferUnit);
  const int code = WriteAccessRows(record, node.m_lNodeID, NodeKind(kind).typeKey, node.m_mapAccess,
                                   node.m_mapDefValue);
  (void)code;  // the node ID fits: it was checked or just given by the table
}

}  // namespace

const ZLNodeKind& NodeKind(ENodeKind kind) {
  static const ZLNodeKind kinds[] = {
      {ZLT_NODE_C, 0, false, false},  // kConservative
      {ZLT_NODE_NC, 1, true, true},   // kNonConservative
  };
  return kinds[kind == ENodeKind::kNonConservative ? 1 : 0];
}

int ReadNodes(ZLHandleRecord& record, ENodeKind kind, long recordID, long paramSetID,
              CZLNodeArray& nodes) {
  if (NodeKind(kind).setValues && !FitsID(paramSetID)) return ZLE_NO_RECORD;
  int code = RefreshResourceTables(record);
  if (code != ZLE_OK) return code;
  CZLRecordset& rs = NodeTable(record, kind);
  std::vector<COleVariant> rows;
  ForEachOwnedRow(rs, kModelID, recordID, [&](CZLRecordset& row) {
    rows.push_back(row.GetBookmark());
    return true;
  });
  for (const COleVariant& bookmark : rows) {
    std::unique_ptr<CZLNodeObject> node(new CZLNodeObject);
    rs.SetBookmark(bookmark);
    ReadNodeRow(rs, kind, *node);
    code = ReadLanguageTexts(record, rs.GetFieldValue(kInfo), node->m_mapInfo);
    if (code == ZLE_OK) code = ReadUnits(record, node->m_lNodeID, kind, node->m_mapPreferUnit);
    if (code == ZLE_OK) {
      code = ReadAccessRows(record, node->m_lNodeID, NodeKind(kind).typeKey, node->m_mapAccess,
                            node->m_mapDefValue);
    }
    if (code != ZLE_OK) return code;
    if (NodeKind(kind).setValues && paramSetID != 0) ReadSetValue(record, paramSetID, kind, *node);
    nodes.Add(node.get());
    node.release();
  }
  return ZLE_OK;
}

int WriteNodes(ZLHandleRecord& record, ENodeKind kind, long recordID, CZLNodeArray& nodes) {
  int code = RefreshResourceTables(record);
  std::vector<CZLNodeObject*> objects;
  std::vector<COleVariant> indexes;
  for (int i = 0; code == ZLE_OK && i < nodes.GetSize(); ++i) {
    if (nodes[i] == nullptr) continue;
    COleVariant index;
    code = CheckNode(record, *nodes[i], index);
    objects.push_back(nodes[i]);
    indexes.push_back(index);
  }
  if (code != ZLE_OK) return code;
  CZLRecordset& rs = NodeTable(record, kind);
  CTransaction transaction;
  std::vector<long> ids;
  for (const CZLNodeObject* node : objects) ids.push_back(node->m_lNodeID);
  std::vector<long*> slots;
  for (long& id : ids) slots.push_back(&id);
  MergeRowsByID(rs, kModelID, recordID, kNodeID, slots, ERowReuse::kDropUnclaimed,
                [&](CZLRecordset& row) { DeleteSatellites(record, row, kind); });
  // The rows that stay, found by node ID; an object naming a node the record
  // does not have gets a new row.
  std::unordered_map<long, size_t> byID;
  for (size_t i = 0; i < objects.size(); ++i) {
    if (ids[i] != 0) byID[ids[i]] = i;
  }
  std::vector<COleVariant> targets(objects.size());
  std::vector<bool> found(objects.size(), false);
  ForEachOwnedRow(rs, kModelID, recordID, [&](CZLRecordset& row) {
    const auto object = byID.find(Number(row.GetFieldValue(kNodeID)));
    if (object != byID.end()) {
      targets[object->second] = row.GetBookmark();
      found[object->second] = true;
    }
    return true;
  });
  for (bool existing : {true, false}) {
    for (size_t i = 0; i < objects.size(); ++i) {
      if (found[i] != existing) continue;
      if (!existing) {
        CRowWrite row(rs, CRowWrite::kAddNew);
        row.Set(kModelID, IDKey(recordID));
        row.Update();
        targets[i] = rs.GetLastModifiedBookmark();
        rs.SetBookmark(targets[i]);
        objects[i]->m_lNodeID = Number(rs.GetFieldValue(kNodeID));
      }
      WriteNode(record, rs, targets[i], kind, *objects[i], indexes[i]);
    }
  }
  transaction.Commit();
  return ZLE_OK;
}

int WriteParamSetValues(long paramSetID, ZLHandleRecord& record, const CZLNodeArray& nodes) {
  if (!FitsID(paramSetID)) return ZLE_NO_RECORD;
  for (int i = 0; i < nodes.GetSize(); ++i) {
    if (nodes[i] != nullptr && !FitsID(nodes[i]->m_lNodeID)) return ZLE_NO_RECORD;
  }
  if (record.recordsets[ZLT_PARAMVALUE] == nullptr) return ZLE_NO_RECORD;
  CZLRecordset& values = *record.recordsets[ZLT_PARAMVALUE];
  CTransaction transaction;
  for (int i = 0; i < nodes.GetSize(); ++i) {
    const CZLNodeObject* node = nodes[i];
    if (node == nullptr) continue;
    UpsertChangedRow(values, {kNodeID, "PARAM_ID", kNodeType},
                     ValueKey(node->m_lNodeID, paramSetID, ENodeKind::kNonConservative),
                     {{"VALUE", COleVariant(node->m_strValue)},
                      {"TYPE", Bits(node->m_dwExtType & kSetTypeBits)}});
  }
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
