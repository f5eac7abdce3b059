// Copying what hangs on a record's parameter sets and limits: the sets with
// their links, columns, texts, keywords and node values, the tolerances and
// stresses with their per-set values, and the additional-data values of the
// columns both files describe alike.
#include <unordered_set>
#include <vector>

#include "additional_data/data_columns.h"
#include "nodes/node_rows.h"
#include "paramsets/paramset_rows.h"
#include "records/copy_maps.h"
#include "schema/zl_recordset.h"
#include "tolerances/limit_rows.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

// The PARAMSET columns a copied set takes over (links are mapped apart).
const char* const kSetColumns[] = {"CREATED_USER", "CREATED_DATE", "AUTHOR", "DATE", "STATE"};

// An ID the map does not know names a row outside the copied record: in
// the destination it would name an unrelated row, so it becomes 0.
long MappedID(const ZLIDMap& map, long id) {
  auto found = map.find(id);
  return found != map.end() ? found->second : 0;
}

long SetLink(ZLHandleRecord& record, long set, const char* field, int& code) {
  COleVariant value;
  code = ReadRowField(record, ZLRowRef::ByID(0, set), field, value);
  if (code == ZLE_NULL_VALUE) code = ZLE_OK;
  return value.vt == VT_I4 ? value.lVal : 0;
}

// The source's sets: its chain from the first set (a link that leaves the
// record or leads back into the chain ends the walk), then the sets no
// chain reaches, in index order.
int OrderedSets(ZLHandleRecord& source, long sourceID, std::vector<long>& order) {
  std::vector<long> all;
  int code = CollectParamSets(source, sourceID, all);
  const std::unordered_set<long> owned(all.begin(), all.end());
  std::unordered_set<long> seen;
  long set = 0;
  if (code == ZLE_OK) code = FindFirstParamSet(source, sourceID, set);
  while (code == ZLE_OK && owned.count(set) != 0 && seen.insert(set).second) {
    order.push_back(set);
    set = SetLink(source, set, "NEXT", code);
  }
  for (long id : all) {
    if (seen.count(id) == 0) order.push_back(id);
  }
  return code;
}

int CopySetRow(ZLHandleRecord& source, long from, ZLHandleRecord& dest, long to) {
  for (const char* field : kSetColumns) {
    COleVariant value;
    int code = ReadRowField(source, ZLRowRef::ByID(0, from), field, value);
    if (code == ZLE_NULL_VALUE) continue;
    if (code == ZLE_OK) code = WriteRowField(dest, ZLRowRef::ByID(0, to), field, value);
    if (code != ZLE_OK) return code;
  }
  int code = CopyRowTexts(source, ZLRowRef::ByID(0, from), dest, ZLRowRef::ByID(0, to), "TITLE");
  if (code == ZLE_OK) {
    code = CopyRowTexts(source, ZLRowRef::ByID(0, from), dest, ZLRowRef::ByID(0, to), "INFO");
  }
  return code;
}

int CopySetValues(ZLHandleRecord& source, long sourceID, long from, ZLHandleRecord& dest, long to,
                  const ZLIDMap& nodes) {
  CArrayOwner<CZLNodeArray> values;
  int code = ReadNodes(source, ENodeKind::kNonConservative, sourceID, from, values.array);
  if (code != ZLE_OK) return code;
  for (int i = 0; i < values.array.GetSize(); ++i) {
    values.array[i]->m_lNodeID = MappedID(nodes, values.array[i]->m_lNodeID);
  }
  return WriteParamSetValues(to, dest, values.array);
}

long& LimitID(CZLToleranceObject& t) { return t.m_lToleranceID; }
long& LimitID(CZLStressObject& s) { return s.m_lQualityID; }
// Stresses name no node.
void MapNode(CZLToleranceObject& t, const ZLIDMap& nodes) {
  t.m_lNodeID = MappedID(nodes, t.m_lNodeID);
}
void MapNode(CZLStressObject&, const ZLIDMap&) {}

// Tolerances or stresses: the record's own with new IDs, then each set's
// values under the new IDs.
template <class T>
int CopyLimits(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
               const ZLCopyMaps& maps) {
  CArrayOwner<CTypedPtrArray<CObArray, T*>> own;
  int code = ReadLimits<T>(source, sourceID, 0, own.array);
  std::vector<long> sourceIDs;
  for (int i = 0; code == ZLE_OK && i < own.array.GetSize(); ++i) {
    sourceIDs.push_back(LimitID(*own.array[i]));
    LimitID(*own.array[i]) = 0;
    MapNode(*own.array[i], maps.nodes);
  }
  if (code == ZLE_OK) code = WriteLimits<T>(dest, destID, 0, own.array);
  ZLIDMap limitMap;
  for (size_t i = 0; code == ZLE_OK && i < sourceIDs.size(); ++i) {
    limitMap[sourceIDs[i]] = LimitID(*own.array[static_cast<int>(i)]);
  }
  for (size_t s = 0; code == ZLE_OK && !sourceIDs.empty() && s < maps.sets.size(); ++s) {
    CArrayOwner<CTypedPtrArray<CObArray, T*>> values;
    code = ReadLimits<T>(source, sourceID, maps.sets[s].first, values.array);
    for (int i = 0; code == ZLE_OK && i < values.array.GetSize(); ++i) {
      LimitID(*values.array[i]) = MappedID(limitMap, LimitID(*values.array[i]));
      MapNode(*values.array[i], maps.nodes);
    }
    if (code == ZLE_OK) code = WriteLimits<T>(dest, destID, maps.sets[s].second, values.array);
  }
  return code;
}

}  // namespace

int CopyParamSets(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
                  ZLCopyMaps& maps) {
  // The copy replaces the destination's sets (and with them its limits,
  // which the limit copy writes anew).
  int code = DeleteRecordParamSets(dest, destID);
  std::vector<long> order;
  if (code == ZLE_OK) code = OrderedSets(source, sourceID, order);
  ZLIDMap setMap;
  for (size_t i = 0; code == ZLE_OK && i < order.size(); ++i) {
    long created = 0;
    code = CreateParamSet(dest, destID, created);
    if (code != ZLE_OK) break;
    maps.sets.emplace_back(order[i], created);
    setMap[order[i]] = created;
    code = CopySetRow(source, order[i], dest, created);
    if (code == ZLE_OK) code = CopyKeywords(source, sourceID, order[i], dest, destID, created);
    if (code == ZLE_OK) code = CopySetValues(source, sourceID, order[i], dest, created, maps.nodes);
  }
  // The links, once every set has its copy: each names the copy of the set
  // it named (none when that set is not the record's).
  for (const auto& set : maps.sets) {
    for (const char* field : {"PREV", "NEXT"}) {
      if (code != ZLE_OK) return code;
      const long linked = MappedID(setMap, SetLink(source, set.first, field, code));
      if (code == ZLE_OK && linked != 0) {
        code = WriteRowField(dest, ZLRowRef::ByID(0, set.second), field,
                             COleVariant(static_cast<int32_t>(linked)));
      }
    }
  }
  return code;
}

int CopyLimitsOfRecord(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
                       const ZLCopyMaps& maps) {
  int code = CopyLimits<CZLToleranceObject>(source, sourceID, dest, destID, maps);
  if (code == ZLE_OK) code = CopyLimits<CZLStressObject>(source, sourceID, dest, destID, maps);
  return code;
}

int CopyAdditionalData(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  if (source.Recordset(ZLT_ADDITIONAL_DATA_INFO) == nullptr ||
      dest.Recordset(ZLT_ADDITIONAL_DATA_INFO) == nullptr) {
    return ZLE_OK;
  }
  CArrayOwner<CZLAdditionalDataInfoArray> infos;
  int code = ReadColumnInfos(source, infos.array);
  for (int i = static_cast<int>(infos.array.GetSize()) - 1; code == ZLE_OK && i >= 0; --i) {
    const CZLAdditionalDataInfoObject& from = *infos.array[i];
    CZLAdditionalDataInfoObject to(from.m_strDataName.GetString());
    if (ReadColumnInfo(dest, to) != ZLE_OK) continue;  // a column only the source has
    if (to.m_lIndex != from.m_lIndex || to.m_lType != from.m_lType) continue;
    if (from.m_lIndex != 0 && to.m_lDuplicate != from.m_lDuplicate) continue;
    if (from.m_lType == 0 && to.m_lSize != from.m_lSize) continue;
    COleVariant value;
    code = ReadColumnValue(source, sourceID, from.m_strDataName.GetString(), value);
    if (code == ZLE_NO_RECORD) return ZLE_OK;  // the source holds no values at all
    if (code == ZLE_OK)
      code = WriteColumnValue(dest, destID, from.m_strDataName.GetString(), value);
    // A value a unique index of the destination refuses is left out.
    if (code == ZLE_DUPLICATE) code = ZLE_OK;
  }
  return code;
}

}  // namespace zl
