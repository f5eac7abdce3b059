#include "macros/macro_rows.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "content/row_patterns.h"
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/stored_text.h"
#include "frame/transaction.h"
#include "macros/macro_blocks.h"
#include "resources/language_texts.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kMacroID[] = "MACRO_ID";
constexpr const char kMacroIDIndex[] = "MACRO_ID_INDEX";

bool HasExtras(const ZLHandleRecord& record) {
  return record.databaseVersion >= kMacroExtrasVersion;
}

bool IsTrue(const COleVariant& value) {
  return value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
}

DWORD Bits(const COleVariant& value) {
  return value.vt == VT_I4 ? static_cast<DWORD>(value.lVal) : 0;
}

COleVariant BoolValue(BOOL flag) {
  return COleVariant(static_cast<int32_t>(flag ? 1 : 0), VT_BOOL);
}

bool Matches(CZLRecordset& row, const ZLMacroSelection& selection, bool extras) {
  switch (selection.kind) {
    case ZLMacroSelection::kLevel: {
      const unsigned long level = Bits(row.GetFieldValue("LEVEL"));
      return selection.level == 0 ? level == 0 : (level & selection.level) == selection.level;
    }
    case ZLMacroSelection::kInterface:
      return Bits(row.GetFieldValue("LEVEL")) == 0;
    case ZLMacroSelection::kDefName: {
      if (Bits(row.GetFieldValue("LEVEL")) == 0 || selection.defName == nullptr) return false;
      const COleVariant name = row.GetFieldValue("DEFNAME");
      return name.vt == VT_BSTR && std::strcmp(V_BSTRT(&name), selection.defName) == 0;
    }
    case ZLMacroSelection::kDefault:
      return !extras || IsTrue(row.GetFieldValue("DEFAULT"));
  }
  return false;
}

// The fields the text and stored forms share.
template <class Object>
void ReadCommon(ZLHandleRecord& record, CZLRecordset& rs, Object& macro) {
  macro.FreeObject();
  macro.m_dwLevel = Bits(rs.GetFieldValue("LEVEL"));
  macro.m_lMacroID = rs.GetFieldValue(kMacroID).lVal;
  macro.m_lState = static_cast<int32_t>(Bits(rs.GetFieldValue("STATE")));
  macro.m_bEnabled = IsTrue(rs.GetFieldValue("ENABLED"));
  if (!HasExtras(record)) return;
  macro.m_bDefault = IsTrue(rs.GetFieldValue("DEFAULT"));
  const COleVariant name = rs.GetFieldValue("DEFNAME");
  if (name.vt == VT_BSTR) macro.m_strDefName = V_BSTRT(&name);
  const COleVariant compiled = rs.GetFieldValue("COMPILED");
  CopyBinary(compiled, macro.m_lbCompiled);
  // The string tables are read last: they move other recordsets only.
  ReadLanguageTexts(record, rs.GetFieldValue("DESCRIPTION"), macro.m_mapDescription);
}

int ReadTexts(CZLRecordset& rs, CZLMacroObject& macro) {
  const COleVariant text = rs.GetFieldValue("MACROTEXT");
  if (!text.IsByteArray()) {
    macro.m_bEnabled = FALSE;
    return ZLE_OK;
  }
  const bool compressed = (macro.m_lState & kMacroCompressed) != 0;
  std::string body, option;
  const int code = DecodeMacroBlocks(
      text, compressed ? rs.GetFieldValue("FLEXOPTION") : COleVariant(), compressed, body, option);
  macro.m_strMacroText = body.c_str();
  macro.m_strFlexOption = option.c_str();
  return code;
}

// Writes the row and the descriptions for both forms; the blocks are
// prepared by the caller.
template <class Object>
int WriteRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID, const Object& macro,
             const COleVariant& text, const COleVariant& option, const COleVariant& compiled,
             long& macroID) {
  const bool extras = HasExtras(record);
  COleVariant state;
  int code = StoredNumber(macro.m_lState, state);
  if (code == ZLE_OK && macro.m_lMacroID != 0 && !FitsID(macro.m_lMacroID)) code = ZLE_NO_MACRO;
  if (code == ZLE_OK && extras)
    code = CheckTextLanguages(record, ZLR_STRINGTAB, macro.m_mapDescription, ZLE_NO_LANGUAGE);
  if (code != ZLE_OK) return code;
  CTransaction transaction;
  long id = macroID;
  COleVariant resourceID;
  resourceID.SetNull();
  {
    CIndexSwitch index(rs, kMacroIDIndex);
    if (id != 0) {
      if (!SeekID(rs, id)) return ZLE_NO_MACRO;
      if (rs.GetFieldValue(kModelID).lVal != recordID) return ZLE_MACRO_OTHER_RECORD;
      if (extras) resourceID = rs.GetFieldValue("DESCRIPTION");
    }
    if (extras && resourceID.vt == VT_NULL) {
      resourceID = NewResourceID(record);
      if (id != 0) SeekID(rs, id);  // the counter's row write may drop the position
    }
    CRowWrite row(rs, id == 0 ? CRowWrite::kAddNew : CRowWrite::kEdit);
    if (id == 0) row.Set(kModelID, IDKey(recordID));
    row.Set("MACROTEXT", text);
    if (extras) row.Set("COMPILED", compiled);
    row.Set("FLEXOPTION", option);
    row.Set("LEVEL", COleVariant(static_cast<int32_t>(macro.m_dwLevel)));
    row.Set("STATE", state);
    row.Set("ENABLED", BoolValue(macro.m_bEnabled));
    if (extras) {
      row.Set("DEFAULT", BoolValue(macro.m_bDefault));
      row.Set("DEFNAME", COleVariant(macro.m_strDefName));
      row.Set("DESCRIPTION", resourceID);
    }
    row.Update();
    if (id == 0) {
      rs.SetBookmark(rs.GetLastModifiedBookmark());
      id = rs.GetFieldValue(kMacroID).lVal;
    }
  }
  if (extras) WriteLanguageTexts(record, resourceID, macro.m_mapDescription);
  transaction.Commit();
  macroID = id;
  return ZLE_OK;
}

}  // namespace

int SelectMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                   const ZLMacroSelection& selection) {
  const bool extras = HasExtras(record);
  if (selection.kind == ZLMacroSelection::kDefName && !extras) return kKeepLastError;
  RefreshUnlessSnapshot(record);
  const bool found = ForEachOwnedRow(
      rs, kModelID, recordID, [&](CZLRecordset& row) { return !Matches(row, selection, extras); });
  return found ? ZLE_OK : ZLE_NO_SIMLANG_ROW;
}

int ReadMacroRow(ZLHandleRecord& record, CZLRecordset& rs, CZLMacroObject& macro) {
  ReadCommon(record, rs, macro);
  const int code = ReadTexts(rs, macro);
  if (code != ZLE_OK) macro.FreeObject();
  return code;
}

int ReadMacroRow(ZLHandleRecord& record, CZLRecordset& rs, CZLBinaryMacroObject& macro) {
  ReadCommon(record, rs, macro);
  const COleVariant text = rs.GetFieldValue("MACROTEXT");
  if (!text.IsByteArray()) {
    macro.m_bEnabled = FALSE;
    return ZLE_OK;
  }
  const COleVariant option = rs.GetFieldValue("FLEXOPTION");
  if (!option.IsByteArray()) {
    macro.FreeObject();
    return ZLE_MACRO_CORRUPT;
  }
  CopyBinary(text, macro.m_lbMacroText);
  CopyBinary(option, macro.m_lbFlexOption);
  return ZLE_OK;
}

int WriteMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                  const CZLMacroObject& macro, long& macroID) {
  const bool compressed = (macro.m_lState & kMacroCompressed) != 0;
  const std::string body(macro.m_strMacroText.GetString(), macro.m_strMacroText.GetLength());
  const COleVariant text = StoreTextBlock(body.data(), body.size(), compressed);
  COleVariant option;
  option.SetNull();
  if (compressed) {
    const std::string bytes = MacroOptionBytes(body.size(), macro.m_strFlexOption.str());
    option = StoreTextBlock(bytes.data(), bytes.size(), true);
  }
  return WriteRow(record, rs, recordID, macro, text, option, BinaryOrNull(macro.m_lbCompiled),
                  macroID);
}

int WriteMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                  const CZLBinaryMacroObject& macro, long& macroID) {
  return WriteRow(record, rs, recordID, macro, BinaryOrNull(macro.m_lbMacroText),
                  BinaryOrNull(macro.m_lbFlexOption), BinaryOrNull(macro.m_lbCompiled), macroID);
}

namespace {

// Deletes the description texts of the macro row rs stands on.
void DeleteDescription(ZLHandleRecord& record, CZLRecordset& rs) {
  const COleVariant resourceID =
      HasExtras(record) ? rs.GetFieldValue("DESCRIPTION") : COleVariant();
  if (resourceID.vt != VT_I4) return;
  ForEachResourceTable(record, ZLR_STRINGTAB, [&](WORD, CZLRecordset& strings) {
    DeleteRowByKey(strings, {resourceID});
    return ZLE_OK;
  });
}

}  // namespace

template <class Object>
int WriteMacroSet(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                  const CTypedPtrArray<CObArray, Object*>& macros) {
  CTransaction transaction;
  std::vector<const Object*> objects;
  for (int i = 0; i < macros.GetSize(); ++i) {
    if (macros[i] != nullptr) objects.push_back(macros[i]);
  }
  std::vector<long> ids;
  for (const Object* macro : objects) ids.push_back(macro->m_lMacroID);
  std::vector<long*> slots;
  for (long& id : ids) slots.push_back(&id);
  // A row that goes takes its description texts with it.
  MergeRowsByID(rs, kModelID, recordID, kMacroID, slots, ERowReuse::kReuseUnclaimed,
                [&](CZLRecordset& row) { DeleteDescription(record, row); });
  // Objects that named their row first, then the new ones, as rows were
  // handed out.
  for (bool named : {true, false}) {
    for (size_t i = 0; i < objects.size(); ++i) {
      if ((objects[i]->m_lMacroID != 0) != named) continue;
      const int code = WriteMacroRow(record, rs, recordID, *objects[i], ids[i]);
      if (code != ZLE_OK) return code;
    }
  }
  transaction.Commit();
  return ZLE_OK;
}

template int WriteMacroSet(ZLHandleRecord&, CZLRecordset&, long,
                           const CTypedPtrArray<CObArray, CZLMacroObject*>&);
template int WriteMacroSet(ZLHandleRecord&, CZLRecordset&, long,
                           const CTypedPtrArray<CObArray, CZLBinaryMacroObject*>&);

template <class Object>
int ReadMacroSet(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                 CTypedPtrArray<CObArray, Object*>& macros) {
  int code = ZLE_OK;
  ForEachOwnedRow(rs, "MODEL_ID", recordID, [&](CZLRecordset& row) {
    std::unique_ptr<Object> macro(new Object);
    code = ReadMacroRow(record, row, *macro);
    macros.Add(macro.get());
    macro.release();
    return code == ZLE_OK;
  });
  return code;
}

template int ReadMacroSet(ZLHandleRecord&, CZLRecordset&, long,
                          CTypedPtrArray<CObArray, CZLMacroObject*>&);
template int ReadMacroSet(ZLHandleRecord&, CZLRecordset&, long,
                          CTypedPtrArray<CObArray, CZLBinaryMacroObject*>&);

int DeleteMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID, long macroID) {
  CTransaction transaction;
  {
    CIndexSwitch index(rs, kMacroIDIndex);
    if (!SeekID(rs, macroID)) return ZLE_NO_MACRO;
    if (rs.GetFieldValue(kModelID).lVal != recordID) return ZLE_MACRO_OTHER_RECORD;
    DeleteDescription(record, rs);
    rs.Delete();
  }
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
