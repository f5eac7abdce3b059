#include "content/row_patterns.h"

#include <unordered_set>

#include "engine/dao_errors.h"
#include "frame/guard.h"
#include "tree/record_routines.h"

namespace zl {

bool SeekID(CZLRecordset& rs, long id) {
  if (!FitsID(id)) return false;
  COleVariant key = IDKey(id);
  return rs.Seek("=", &key);
}

bool ForEachOwnedRow(CZLRecordset& rs, const char* ownerField, long ownerID,
                     const std::function<bool(CZLRecordset&)>& visit) {
  return ForEachOwnedRow(rs, ownerField, ownerID, nullptr, 0, visit);
}

bool ForEachOwnedRow(CZLRecordset& rs, const char* ownerField, long ownerID, const char* subField,
                     long subID, const std::function<bool(CZLRecordset&)>& visit) {
  if (!FitsID(ownerID) || !FitsID(subID)) return false;
  COleVariant keys[2] = {IDKey(ownerID), IDKey(subID)};
  if (!rs.Seek("=", keys, subField != nullptr ? 2 : 1)) return false;
  do {
    if (!visit(rs)) return true;
  } while (subField != nullptr ? rs.SeekNext(ownerField, &keys[0], subField, &keys[1])
                               : rs.SeekNext(ownerField, &keys[0]));
  return false;
}

CRowWrite::CRowWrite(CZLRecordset& rs, EMode mode) : m_rs(rs) {
  if (mode == kEdit) {
    rs.Edit();
  } else {
    rs.AddNew();
  }
}

CRowWrite::~CRowWrite() {
  if (m_rs.GetEditMode() == dbEditNone) return;
  try {
    m_rs.CancelUpdate();
  } catch (...) {
    // Nothing was written; the buffer is gone with the next move anyway.
  }
}

void CRowWrite::Set(const char* field, const COleVariant& value) {
  if (value.vt == VT_NULL || value.vt == VT_EMPTY) {
    m_rs.SetFieldValueNull(field);
  } else {
    m_rs.SetFieldValue(field, value);
  }
}

void CRowWrite::SetBinary(const char* field, const CLongBinary& binary) {
  if (binary.m_hData == nullptr || binary.m_dwDataLength == 0) {
    m_rs.SetFieldValueNull(field);
    return;
  }
  m_blocks.push_back(std::make_unique<CBlockView>(binary.m_hData));
  m_rs.SetFieldBytes(field, m_blocks.back()->Data(), binary.m_dwDataLength);
}

void CRowWrite::Update() { m_rs.Update(); }

void MergeRowsByID(CZLRecordset& rs, const char* ownerField, long ownerID, const char* idField,
                   const std::vector<long*>& ids, ERowReuse reuse,
                   const std::function<void(CZLRecordset&)>& beforeDelete) {
  CTransaction transaction;
  size_t nextNew = 0;
  // The IDs the objects carry, looked up once per row.  Rows handed to new
  // objects need no entry: each row is visited once.
  std::unordered_set<long> claimed;
  claimed.reserve(ids.size());
  for (long* id : ids) claimed.insert(*id);
  ForEachOwnedRow(rs, ownerField, ownerID, [&](CZLRecordset& row) {
    const long rowID = row.GetFieldValue(idField).lVal;
    if (claimed.count(rowID) != 0) return true;
    if (reuse == ERowReuse::kReuseUnclaimed) {
      while (nextNew < ids.size() && *ids[nextNew] != 0) ++nextNew;
      if (nextNew < ids.size()) {
        *ids[nextNew++] = rowID;
        return true;
      }
    }
    if (beforeDelete) beforeDelete(row);
    row.Delete();
    return true;
  });
  transaction.Commit();
}

void OverwriteInPlace(CZLRecordset& rs, const char* ownerField, long ownerID, size_t count,
                      const std::function<void(size_t, CRowWrite&)>& write) {
  OverwriteInPlace(rs, ownerField, ownerID, nullptr, 0, count, write);
}

void OverwriteInPlace(CZLRecordset& rs, const char* ownerField, long ownerID, const char* subField,
                      long subID, size_t count,
                      const std::function<void(size_t, CRowWrite&)>& write) {
  CTransaction transaction;
  std::vector<COleVariant> rows;
  ForEachOwnedRow(rs, ownerField, ownerID, subField, subID, [&](CZLRecordset& row) {
    rows.push_back(row.GetBookmark());
    return true;
  });
  for (size_t i = 0; i < count; ++i) {
    const bool edit = i < rows.size();
    if (edit) rs.SetBookmark(rows[i]);
    CRowWrite row(rs, edit ? CRowWrite::kEdit : CRowWrite::kAddNew);
    if (!edit) {
      row.Set(ownerField, IDKey(ownerID));
      if (subField != nullptr) row.Set(subField, IDKey(subID));
    }
    write(i, row);
    row.Update();
  }
  for (size_t i = count; i < rows.size(); ++i) {
    rs.SetBookmark(rows[i]);
    rs.Delete();
  }
  transaction.Commit();
}

bool UpsertRow(CZLRecordset& rs, const std::vector<const char*>& keyFields,
               std::vector<COleVariant> keys, const std::function<void(CRowWrite&)>& fill) {
  const bool found = rs.Seek("=", keys.data(), static_cast<WORD>(keys.size()));
  CRowWrite row(rs, found ? CRowWrite::kEdit : CRowWrite::kAddNew);
  if (!found) {
    for (size_t i = 0; i < keyFields.size() && i < keys.size(); ++i) row.Set(keyFields[i], keys[i]);
  }
  fill(row);
  row.Update();
  return !found;
}

namespace {

bool IsNumber(VARTYPE vt) { return vt == VT_I2 || vt == VT_I4 || vt == VT_UI1 || vt == VT_BOOL; }

bool SameValue(const COleVariant& stored, const COleVariant& wanted) {
  if (stored == wanted) return true;
  const bool storedNull = stored.vt == VT_NULL || stored.vt == VT_EMPTY;
  const bool wantedNull = wanted.vt == VT_NULL || wanted.vt == VT_EMPTY;
  if (storedNull || wantedNull) return storedNull && wantedNull;
  if (!IsNumber(stored.vt) || !IsNumber(wanted.vt)) return false;
  COleVariant a = stored;
  COleVariant b = wanted;
  a.ChangeType(VT_I4);
  b.ChangeType(VT_I4);
  return a.lVal == b.lVal;
}

}  // namespace

bool RowDiffers(CZLRecordset& rs, const ZLFieldValues& values) {
  for (const auto& value : values) {
    if (!SameValue(rs.GetFieldValue(value.first), value.second)) return true;
  }
  return false;
}

bool UpsertChangedRow(CZLRecordset& rs, const std::vector<const char*>& keyFields,
                      std::vector<COleVariant> keys, const ZLFieldValues& values) {
  if (rs.Seek("=", keys.data(), static_cast<WORD>(keys.size())) && !RowDiffers(rs, values)) {
    return false;
  }
  UpsertRow(rs, keyFields, std::move(keys), [&](CRowWrite& row) {
    for (const auto& value : values) row.Set(value.first, value.second);
  });
  return true;
}

bool DeleteRowByKey(CZLRecordset& rs, std::vector<COleVariant> keys) {
  if (!rs.Seek("=", keys.data(), static_cast<WORD>(keys.size()))) return false;
  rs.Delete();
  return true;
}

int FollowChain(ZLHandleRecord& record, CZLRecordset& rs, const char* idField,
                const char* linkField, long start, long& last) {
  CWalkBound bound(rs);
  last = start;
  int code = SeekByID(record, rs, idField, start);
  if (code != ZLE_OK) return code;
  for (;;) {
    COleVariant link;
    code = SeekByID(record, rs, idField, last);
    if (code == ZLE_OK)
      code = CatchEngineErrors([&]() { return ReadCurrentField(rs, linkField, link); });
    if (code == ZLE_NULL_VALUE) return ZLE_OK;
    if (code != ZLE_OK) return code;
    const long next = link.lVal;
    // Only a row that exists may become the result; the seek also leaves
    // the recordset on it for the next read.
    if (next == 0 || !SeekID(rs, next)) return ZLE_OK;
    if (!bound.Step()) return ZLE_ENGINE;
    last = next;
  }
}

namespace {

constexpr const char kPrev[] = "PREV";
constexpr const char kNext[] = "NEXT";

COleVariant LinkValue(long id) {
  COleVariant value;
  if (id == 0) {
    value.SetNull();
  } else {
    value = IDKey(id);
  }
  return value;
}

// Sets one link of row id, which must exist.
void SetLink(CZLRecordset& rs, long id, const char* field, long target) {
  if (!SeekID(rs, id)) engine::ThrowDaoError(kDaoNoCurrentRecord);
  CRowWrite row(rs, CRowWrite::kEdit);
  row.Set(field, LinkValue(target));
  row.Update();
}

// The link of row id as an ID; 0 for NULL or a row that does not exist.
long ExistingLink(CZLRecordset& rs, long id, const char* field) {
  if (!SeekID(rs, id)) return 0;
  const COleVariant link = rs.GetFieldValue(field);
  if (link.vt != VT_I4 || link.lVal == 0) return 0;
  const long target = link.lVal;
  return SeekID(rs, target) ? target : 0;
}

}  // namespace

int ChainInsert(CZLRecordset& rs, const char* idField, long id, long prevID, long nextID) {
  (void)idField;  // the current index is on it
  for (long each : {id, prevID, nextID}) {
    if (each != 0 && !SeekID(rs, each)) return ZLE_NO_RECORD;
  }
  if (id == 0) return ZLE_NO_RECORD;
  CTransaction transaction;
  SetLink(rs, id, kPrev, prevID);
  SetLink(rs, id, kNext, nextID);
  if (prevID != 0) SetLink(rs, prevID, kNext, id);
  if (nextID != 0) SetLink(rs, nextID, kPrev, id);
  transaction.Commit();
  return ZLE_OK;
}

int ChainUnlink(CZLRecordset& rs, const char* idField, long id) {
  (void)idField;
  if (id == 0 || !SeekID(rs, id)) return ZLE_NO_RECORD;
  const long prevID = ExistingLink(rs, id, kPrev);
  const long nextID = ExistingLink(rs, id, kNext);
  CTransaction transaction;
  if (prevID != 0) SetLink(rs, prevID, kNext, nextID);
  if (nextID != 0) SetLink(rs, nextID, kPrev, prevID);
  SetLink(rs, id, kPrev, 0);
  SetLink(rs, id, kNext, 0);
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
