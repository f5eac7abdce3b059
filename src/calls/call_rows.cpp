#include "calls/call_rows.h"

#include <memory>
#include <vector>

#include "content/row_patterns.h"
#include "frame/transaction.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kCallID[] = "CALL_ID";

DWORD LevelOf(CZLRecordset& rs) {
  const COleVariant level = rs.GetFieldValue("LEVEL");
  return level.vt == VT_I4 ? static_cast<DWORD>(level.lVal) : 0;
}

CString TextOf(CZLRecordset& rs, const char* field) {
  const COleVariant value = rs.GetFieldValue(field);
  return value.vt == VT_BSTR ? CString(V_BSTRT(&value)) : CString();
}

}  // namespace

int SelectCallRow(CZLRecordset& rs, long recordID, const char* key, DWORD level) {
  const bool found = ForEachOwnedRow(rs, kModelID, recordID, [&](CZLRecordset& row) {
    const bool match =
        (LevelOf(row) & level) == level &&
        lstrcmpi(TextOf(row, "CALL_KEY").GetString(), key != nullptr ? key : "") == 0;
    return !match;
  });
  return found ? ZLE_OK : ZLE_NO_SIMLANG_ROW;
}

void ReadCallRow(CZLRecordset& rs, CZLCallObject& call) {
  call.FreeObject();
  call.m_lCallID = rs.GetFieldValue(kCallID).lVal;
  call.m_dwLevel = LevelOf(rs);
  call.m_strCallKey = TextOf(rs, "CALL_KEY");
  call.m_strCallText = TextOf(rs, "CALL");
}

void ReadCallRows(CZLRecordset& rs, long recordID, CZLCallArray& calls) {
  ForEachOwnedRow(rs, kModelID, recordID, [&](CZLRecordset& row) {
    std::unique_ptr<CZLCallObject> call(new CZLCallObject);
    ReadCallRow(row, *call);
    calls.Add(call.get());
    call.release();
    return true;
  });
}

int WriteCallRow(CZLRecordset& rs, long recordID, const CZLCallObject& call, long& callID) {
  CIndexSwitch index(rs, "CALL_ID_INDEX");
  if (callID != 0) {
    if (!SeekID(rs, callID)) return ZLE_NO_CALL;
    if (rs.GetFieldValue(kModelID).lVal != recordID) return ZLE_CALL_OTHER_RECORD;
  }
  CRowWrite row(rs, callID == 0 ? CRowWrite::kAddNew : CRowWrite::kEdit);
  if (callID == 0) row.Set(kModelID, IDKey(recordID));
  row.Set("CALL", COleVariant(call.m_strCallText));
  row.Set("CALL_KEY", COleVariant(call.m_strCallKey));
  row.Set("LEVEL", COleVariant(static_cast<int32_t>(call.m_dwLevel)));
  row.Update();
  if (callID == 0) {
    rs.SetBookmark(rs.GetLastModifiedBookmark());
    callID = rs.GetFieldValue(kCallID).lVal;
  }
  return ZLE_OK;
}

int WriteCallSet(CZLRecordset& rs, long recordID, const CZLCallArray& calls) {
  CTransaction transaction;
  std::vector<const CZLCallObject*> objects;
  for (int i = 0; i < calls.GetSize(); ++i) {
    if (calls[i] != nullptr) objects.push_back(calls[i]);
  }
  std::vector<long> ids;
  for (const CZLCallObject* call : objects) ids.push_back(call->m_lCallID);
  std::vector<long*> slots;
  for (long& id : ids) slots.push_back(&id);
  MergeRowsByID(rs, kModelID, recordID, kCallID, slots, ERowReuse::kReuseUnclaimed);
  for (bool named : {true, false}) {
    for (size_t i = 0; i < objects.size(); ++i) {
      if ((objects[i]->m_lCallID != 0) != named) continue;
      const int code = WriteCallRow(rs, recordID, *objects[i], ids[i]);
      if (code != ZLE_OK) return code;
    }
  }
  transaction.Commit();
  return ZLE_OK;
}

namespace {

std::vector<COleVariant> NodeKey(long nodeID, BOOL nodeType) {
  return {IDKey(nodeID), COleVariant(static_cast<int32_t>(nodeType ? 1 : 0), VT_BOOL)};
}

}  // namespace

int ReadAccessRows(ZLHandleRecord& record, long nodeID, BOOL nodeType, CMapStringToString& access,
                   CMapStringToString& defValues) {
  if (!FitsID(nodeID)) return ZLE_OK;
  return ForEachSimLanguage(record, ZLS_ACCESS, [&](const CString& language, CZLRecordset& rs) {
    std::vector<COleVariant> key = NodeKey(nodeID, nodeType);
    if (rs.Seek("=", key.data(), static_cast<WORD>(key.size()))) {
      access[language] = TextOf(rs, "ACCESS");
      defValues[language] = TextOf(rs, "DEF_VALUE");
    }
    return ZLE_OK;
  });
}

int WriteAccessRows(ZLHandleRecord& record, long nodeID, BOOL nodeType,
                    const CMapStringToString& access, const CMapStringToString& defValues) {
  if (!FitsID(nodeID)) return ZLE_NO_RECORD;
  CTransaction transaction;
  const int code =
      ForEachSimLanguage(record, ZLS_ACCESS, [&](const CString& language, CZLRecordset& rs) {
        CString text;
        if (!access.Lookup(language, text)) {
          DeleteRowByKey(rs, NodeKey(nodeID, nodeType));
          return ZLE_OK;
        }
        ZLFieldValues values = {{"ACCESS", COleVariant(text)}};
        CString defValue;
        if (defValues.Lookup(language, defValue)) values.emplace_back("DEF_VALUE", defValue);
        UpsertChangedRow(rs, {"NODE_ID", "NODE_TYPE"}, NodeKey(nodeID, nodeType), values);
        return ZLE_OK;
      });
  if (code != ZLE_OK) return code;
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
