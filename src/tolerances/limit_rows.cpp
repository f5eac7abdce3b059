#include "tolerances/limit_rows.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "content/row_patterns.h"
#include "frame/caller_numbers.h"
#include "frame/transaction.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kParamID[] = "PARAM_ID";

// One column of a limit row and the object field it travels in (a number
// or a text); perSet columns are those a parameter set overrides.
template <class T>
struct ZLLimitColumn {
  const char* field;
  long T::*number;
  CString T::*text;
  bool perSet;
};

// A family of limits: its two tables, its ID and its columns.
template <class T>
struct ZLLimitFamily {
  ZLFixedTable rows;
  ZLFixedTable values;
  const char* idField;
  long T::*id;
  std::vector<ZLLimitColumn<T>> columns;
};

template <class T>
const ZLLimitFamily<T>& Family();

template <>
const ZLLimitFamily<CZLToleranceObject>& Family<CZLToleranceObject>() {
  using T = CZLToleranceObject;
  static const ZLLimitFamily<T> family = {
      ZLT_TOLERANCE,
      ZLT_TOLERANCE_VALUE,
      "TOLERANCE_ID",
      &T::m_lToleranceID,
      {
          {"NODE_ID", &T::m_lNodeID, nullptr, false},
          {"INDEX", &T::m_lIndex, nullptr, false},
          {"STATE", &T::m_lState, nullptr, true},
          {"MINIMUM", nullptr, &T::m_strMinimum, true},
          {"MAXIMUM", nullptr, &T::m_strMaximum, true},
          {"MEAN_VALUE", nullptr, &T::m_strMeanValue, true},
          {"DEVIATION", nullptr, &T::m_strDeviation, true},
          {"TOLERANCE", nullptr, &T::m_strTolerance, true},
          {"CHARACTERISTIC", nullptr, &T::m_strCharacteristic, true},
      }};
  return family;
}

template <>
const ZLLimitFamily<CZLStressObject>& Family<CZLStressObject>() {
  using T = CZLStressObject;
  static const ZLLimitFamily<T> family = {ZLT_QUALITY,
                                          ZLT_QUALITY_VALUE,
                                          "QUALITY_ID",
                                          &T::m_lQualityID,
                                          {
                                              {"INDEX", &T::m_lIndex, nullptr, false},
                                              {"STATE", &T::m_lState, nullptr, true},
                                              {"TYPE", &T::m_lType, nullptr, false},
                                              {"LIMIT", &T::m_lLimit, nullptr, false},
                                              {"REFERECE", nullptr, &T::m_strReference, false},
                                              {"MINIMUM", nullptr, &T::m_strMinimum, true},
                                              {"MAXIMUM", nullptr, &T::m_strMaximum, true},
                                          }};
  return family;
}

long Number(const COleVariant& value) {
  if (value.vt == VT_I4) return value.lVal;
  if (value.vt == VT_I2) return value.iVal;
  return 0;
}

CString Text(const COleVariant& value) {
  return value.vt == VT_BSTR ? CString(value.GetStringValue()) : CString();
}

// Fills the columns (perSet ones only, or all) of object from the current
// row of rs; a null rs gives the defaults.
template <class T>
void ReadColumns(const ZLLimitFamily<T>& family, CZLRecordset* rs, bool perSetOnly, T& object) {
  for (const ZLLimitColumn<T>& column : family.columns) {
    if (perSetOnly && !column.perSet) continue;
    const COleVariant value = rs != nullptr ? rs->GetFieldValue(column.field) : COleVariant();
    if (column.number != nullptr) {
      object.*column.number = Number(value);
    } else {
      object.*column.text = Text(value);
    }
  }
}

// The values the columns (perSet ones only, or all) must hold for object;
// 9 when a number does not fit its column.
template <class T>
int ColumnValues(const ZLLimitFamily<T>& family, const T& object, bool perSetOnly,
                 ZLFieldValues& values) {
  for (const ZLLimitColumn<T>& column : family.columns) {
    if (perSetOnly && !column.perSet) continue;
    COleVariant value;
    if (column.number != nullptr) {
      const int code = StoredNumber(object.*column.number, value);
      if (code != ZLE_OK) return code;
    } else {
      value = COleVariant(object.*column.text);
    }
    values.emplace_back(column.field, value);
  }
  return ZLE_OK;
}

// Seeks the value row of (limit ID, parameter set).
bool SeekSetValue(CZLRecordset& setValues, long id, long paramSetID) {
  COleVariant keys[2] = {IDKey(id), IDKey(paramSetID)};
  return setValues.Seek("=", keys, 2) != FALSE;
}

// Tolerances name their node: every tolerance on a node gets its name.
void NameNodes(ZLHandleRecord& record, long recordID, CZLToleranceArray& tolerances) {
  CZLRecordset* nodes = record.recordsets[ZLT_NODE_NC];
  if (nodes == nullptr || tolerances.GetSize() == 0) return;
  std::unordered_map<long, CString> names;
  ForEachOwnedRow(*nodes, kModelID, recordID, [&](CZLRecordset& row) {
    names.emplace(Number(row.GetFieldValue("NODE_ID")), Text(row.GetFieldValue("NAME")));
    return true;
  });
  for (int i = 0; i < tolerances.GetSize(); ++i) {
    const auto name = names.find(tolerances[i]->m_lNodeID);
    if (name != names.end()) tolerances[i]->m_strNodeName = name->second;
  }
}
void NameNodes(ZLHandleRecord&, long, CZLStressArray&) {}

// The IDs of the record's limit rows.
template <class T>
std::unordered_set<long> RecordLimitIDs(const ZLLimitFamily<T>& family, CZLRecordset& rs,
                                        long recordID) {
  std::unordered_set<long> ids;
  ForEachOwnedRow(rs, kModelID, recordID, [&](CZLRecordset& row) {
    ids.insert(Number(row.GetFieldValue(family.idField)));
    return true;
  });
  return ids;
}

template <class T>
int WriteSetValues(ZLHandleRecord& record, const ZLLimitFamily<T>& family, long recordID,
                   long paramSetID, const std::vector<T*>& objects,
                   const std::vector<ZLFieldValues>& values) {
  CZLRecordset* rows = record.recordsets[family.rows];
  CZLRecordset* setValues = record.recordsets[family.values];
  if (rows == nullptr || setValues == nullptr) return ZLE_NO_RECORD;
  const std::unordered_set<long> ids = RecordLimitIDs(family, *rows, recordID);
  for (const T* object : objects) {
    if (ids.count(object->*family.id) == 0) return ZLE_NO_RECORD;
  }
  CTransaction transaction;
  for (size_t i = 0; i < objects.size(); ++i) {
    UpsertChangedRow(*setValues, {family.idField, kParamID},
                     {IDKey(objects[i]->*family.id), IDKey(paramSetID)}, values[i]);
  }
  transaction.Commit();
  return ZLE_OK;
}

template <class T>
void DeleteAllSetValues(const ZLLimitFamily<T>& family, CZLRecordset* setValues, long id) {
  if (setValues == nullptr) return;
  ForEachOwnedRow(*setValues, family.idField, id, [](CZLRecordset& row) {
    row.Delete();
    return true;
  });
}

template <class T>
int MergeLimits(ZLHandleRecord& record, const ZLLimitFamily<T>& family, long recordID,
                const std::vector<T*>& objects, const std::vector<ZLFieldValues>& values) {
  CZLRecordset* rows = record.recordsets[family.rows];
  if (rows == nullptr) return ZLE_ENGINE;
  CZLRecordset& rs = *rows;
  CZLRecordset* setValues = record.recordsets[family.values];
  CTransaction transaction;
  std::vector<long> ids;
  for (const T* object : objects) ids.push_back(object->*family.id);
  std::vector<long*> slots;
  for (long& id : ids) slots.push_back(&id);
  MergeRowsByID(rs, kModelID, recordID, family.idField, slots, ERowReuse::kDropUnclaimed,
                [&](CZLRecordset& row) {
                  DeleteAllSetValues(family, setValues, Number(row.GetFieldValue(family.idField)));
                });
  // The rows that stay, by ID; an object naming a row the record does not
  // have is added as a new row.
  std::unordered_map<long, COleVariant> kept;
  ForEachOwnedRow(rs, kModelID, recordID, [&](CZLRecordset& row) {
    kept.emplace(Number(row.GetFieldValue(family.idField)), row.GetBookmark());
    return true;
  });
  for (size_t i = 0; i < objects.size(); ++i) {
    const auto row = ids[i] != 0 ? kept.find(ids[i]) : kept.end();
    if (row != kept.end()) {
      rs.SetBookmark(row->second);
      if (!RowDiffers(rs, values[i])) continue;
      CRowWrite write(rs, CRowWrite::kEdit);
      for (const auto& value : values[i]) write.Set(value.first, value.second);
      write.Update();
      continue;
    }
    CRowWrite write(rs, CRowWrite::kAddNew);
    write.Set(kModelID, IDKey(recordID));
    for (const auto& value : values[i]) write.Set(value.first, value.second);
    write.Update();
    rs.SetBookmark(rs.GetLastModifiedBookmark());
    objects[i]->*family.id = Number(rs.GetFieldValue(family.idField));
  }
  transaction.Commit();
  return ZLE_OK;
}

template <class T>
void DeleteSetValuesOf(ZLHandleRecord& record, const ZLLimitFamily<T>& family, long recordID,
                       long paramSetID) {
  CZLRecordset* rows = record.recordsets[family.rows];
  CZLRecordset* setValues = record.recordsets[family.values];
  if (rows == nullptr || setValues == nullptr) return;
  for (long id : RecordLimitIDs(family, *rows, recordID)) {
    DeleteRowByKey(*setValues, {IDKey(id), IDKey(paramSetID)});
  }
}

template <class T>
void DeleteLimitsOf(ZLHandleRecord& record, const ZLLimitFamily<T>& family, long recordID) {
  CZLRecordset* rows = record.recordsets[family.rows];
  if (rows == nullptr) return;
  CZLRecordset* setValues = record.recordsets[family.values];
  ForEachOwnedRow(*rows, kModelID, recordID, [&](CZLRecordset& row) {
    DeleteAllSetValues(family, setValues, Number(row.GetFieldValue(family.idField)));
    row.Delete();
    return true;
  });
}

}  // namespace

template <class T>
int ReadLimits(ZLHandleRecord& record, long recordID, long paramSetID,
               CTypedPtrArray<CObArray, T*>& objects) {
  if (!FitsID(recordID) || !FitsID(paramSetID)) return ZLE_NO_RECORD;
  const ZLLimitFamily<T>& family = Family<T>();
  CZLRecordset* rows = record.recordsets[family.rows];
  if (rows == nullptr) return ZLE_OK;  // a layout without the family: no limits
  CZLRecordset* setValues = record.recordsets[family.values];
  std::vector<COleVariant> bookmarks;
  ForEachOwnedRow(*rows, kModelID, recordID, [&](CZLRecordset& row) {
    bookmarks.push_back(row.GetBookmark());
    return true;
  });
  for (const COleVariant& bookmark : bookmarks) {
    std::unique_ptr<T> object(new T);
    rows->SetBookmark(bookmark);
    object.get()->*family.id = Number(rows->GetFieldValue(family.idField));
    ReadColumns(family, rows, false, *object);
    if (paramSetID != 0) {
      const bool found =
          setValues != nullptr && SeekSetValue(*setValues, object.get()->*family.id, paramSetID);
      ReadColumns(family, found ? setValues : nullptr, true, *object);
    }
    objects.Add(object.get());
    object.release();
  }
  NameNodes(record, recordID, objects);
  return ZLE_OK;
}

template <class T>
int WriteLimits(ZLHandleRecord& record, long recordID, long paramSetID,
                CTypedPtrArray<CObArray, T*>& objects) {
  if (!FitsID(recordID) || !FitsID(paramSetID)) return ZLE_NO_RECORD;
  const ZLLimitFamily<T>& family = Family<T>();
  std::vector<T*> list;
  std::vector<ZLFieldValues> values;
  for (int i = 0; i < objects.GetSize(); ++i) {
    T* object = objects[i];
    if (object == nullptr) continue;
    if (!FitsID(object->*family.id)) return ZLE_NO_RECORD;
    ZLFieldValues row;
    const int code = ColumnValues(family, *object, paramSetID != 0, row);
    if (code != ZLE_OK) return code;
    list.push_back(object);
    values.push_back(std::move(row));
  }
  if (paramSetID != 0) {
    return WriteSetValues(record, family, recordID, paramSetID, list, values);
  }
  return MergeLimits(record, family, recordID, list, values);
}

void DeleteLimitSetValues(ZLHandleRecord& record, long recordID, long paramSetID) {
  DeleteSetValuesOf(record, Family<CZLToleranceObject>(), recordID, paramSetID);
  DeleteSetValuesOf(record, Family<CZLStressObject>(), recordID, paramSetID);
}

void DeleteRecordLimits(ZLHandleRecord& record, long recordID) {
  CTransaction transaction;
  DeleteLimitsOf(record, Family<CZLToleranceObject>(), recordID);
  DeleteLimitsOf(record, Family<CZLStressObject>(), recordID);
  transaction.Commit();
}

template int ReadLimits<CZLToleranceObject>(ZLHandleRecord&, long, long, CZLToleranceArray&);
template int ReadLimits<CZLStressObject>(ZLHandleRecord&, long, long, CZLStressArray&);
template int WriteLimits<CZLToleranceObject>(ZLHandleRecord&, long, long, CZLToleranceArray&);
template int WriteLimits<CZLStressObject>(ZLHandleRecord&, long, long, CZLStressArray&);

}  // namespace zl
