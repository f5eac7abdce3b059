#include "packages/package_rows.h"

#include <memory>

#include "content/row_patterns.h"
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/stored_text.h"
#include "frame/transaction.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

constexpr const char kPackageID[] = "PACKAGE_ID";
constexpr const char kObjectID[] = "PACKAGE_OBJ_ID";

bool IsTrue(const COleVariant& value) {
  return value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
}
COleVariant BoolValue(BOOL flag) {
  return COleVariant(static_cast<int32_t>(flag ? 1 : 0), VT_BOOL);
}
COleVariant Null() {
  COleVariant value;
  value.SetNull();
  return value;
}

// The fields both forms share; rs on the object's row.
template <class Object>
void ReadCommon(CZLRecordset& rs, Object& package) {
  package.m_lPackageObjID = rs.GetFieldValue(kObjectID).lVal;
  const COleVariant state = rs.GetFieldValue("STATE");
  package.m_lState = state.vt == VT_I4 ? state.lVal : 0;
  package.m_bUseBody = IsTrue(rs.GetFieldValue("USE_BODY"));
  package.m_bEnabled = IsTrue(rs.GetFieldValue("ENABLED"));
  CopyBinary(rs.GetFieldValue("PACKAGE_BINARY"), package.m_lbPackageBinary);
  CopyBinary(rs.GetFieldValue("PACKAGE_BODY_BINARY"), package.m_lbPackageBodyBinary);
}

// A text column: empty when it holds no block.
int ReadText(CZLRecordset& rs, const char* field, bool compressed, CString& text) {
  const COleVariant block = rs.GetFieldValue(field);
  if (!block.IsByteArray()) return ZLE_OK;
  return LoadTextBlock(block, compressed, text);
}

template <class Object>
int WriteRow(CZLRecordset& rs, long packageID, const Object& package, const COleVariant& text,
             const COleVariant& body) {
  COleVariant state;
  const int code = StoredNumber(package.m_lState, state);
  if (code != ZLE_OK) return code;
  bool edit = false;
  if (package.m_lPackageObjID == 0) {
    edit = SeekID(rs, packageID);
  } else {
    CIndexSwitch index(rs, "PACKAGE_OBJ_INDEX");
    if (!SeekID(rs, package.m_lPackageObjID)) return ZLE_NO_MACRO;
    if (rs.GetFieldValue(kPackageID).lVal != packageID) return ZLE_MACRO_OTHER_RECORD;
    edit = true;
  }
  if (package.m_lPackageObjID != 0) {
    // Restoring the index moved the cursor: find the object again among the
    // package's rows.
    ForEachOwnedRow(rs, kPackageID, packageID, [&](CZLRecordset& row) {
      return row.GetFieldValue(kObjectID).lVal != package.m_lPackageObjID;
    });
  }
  CRowWrite row(rs, edit ? CRowWrite::kEdit : CRowWrite::kAddNew);
  if (!edit) row.Set(kPackageID, IDKey(packageID));
  row.Set("PACKAGE_TEXT", text);
  row.Set("PACKAGE_BINARY", BinaryOrNull(package.m_lbPackageBinary));
  row.Set("PACKAGE_BODY_TEXT", package.m_bUseBody ? body : Null());
  row.Set("PACKAGE_BODY_BINARY",
          package.m_bUseBody ? BinaryOrNull(package.m_lbPackageBodyBinary) : Null());
  row.Set("STATE", state);
  row.Set("USE_BODY", BoolValue(package.m_bUseBody));
  row.Set("ENABLED", BoolValue(package.m_bEnabled));
  row.Update();
  return ZLE_OK;
}

COleVariant TextBlock(const CString& text, bool compressed) {
  return StoreTextBlock(text.GetString(), text.GetLength(), compressed);
}

}  // namespace

CZLRecordset* PackageRecords(ZLHandleRecord& record) { return record.recordsets[ZLT_PACKAGE]; }

int LocatePackage(ZLHandleRecord& record, const ZLPackageRef& ref, long& packageID) {
  CZLRecordset* rs = PackageRecords(record);
  if (rs == nullptr) return ZLE_NO_RECORD;
  return CatchEngineErrors([&]() -> int {
    RefreshUnlessSnapshot(record);
    if (ref.bookmark != nullptr) {
      const int code = CatchEngineErrors(
          [&]() -> int {
            rs->SetBookmark(*ref.bookmark);
            return ZLE_OK;
          },
          ZLE_BAD_BOOKMARK);
      if (code != ZLE_OK) return code;
    } else if (ref.name != nullptr) {
      long id = 0;
      {
        CIndexSwitch index(*rs, "NAME_INDEX");
        COleVariant key(ref.name);
        if (!rs->Seek("=", &key)) return ZLE_NO_RECORD;
        id = rs->GetFieldValue(kPackageID).lVal;
      }
      if (!SeekID(*rs, id)) return ZLE_NO_RECORD;
    } else if (!SeekID(*rs, ref.id)) {
      return ZLE_NO_RECORD;
    }
    packageID = rs->GetFieldValue(kPackageID).lVal;
    return ZLE_OK;
  });
}

int ReadPackageObject(CZLRecordset& rs, long packageID, CZLPackageObject& package) {
  package.FreeObject();
  if (!SeekID(rs, packageID)) return ZLE_NO_SIMLANG_ROW;
  ReadCommon(rs, package);
  int code = ReadText(rs, "PACKAGE_TEXT", (package.m_lState & ZL_PACKAGE_TEXT_COMPRESSED) != 0,
                      package.m_strPackageText);
  if (code == ZLE_OK) {
    code = ReadText(rs, "PACKAGE_BODY_TEXT", (package.m_lState & ZL_PACKAGE_BODY_COMPRESSED) != 0,
                    package.m_strPackageBodyText);
  }
  if (code != ZLE_OK) package.FreeObject();
  return code;
}

int ReadPackageObject(CZLRecordset& rs, long packageID, CZLBinaryPackageObject& package) {
  package.FreeObject();
  if (!SeekID(rs, packageID)) return ZLE_NO_SIMLANG_ROW;
  ReadCommon(rs, package);
  CopyBinary(rs.GetFieldValue("PACKAGE_TEXT"), package.m_lbPackageText);
  CopyBinary(rs.GetFieldValue("PACKAGE_BODY_TEXT"), package.m_lbPackageBodyText);
  return ZLE_OK;
}

int WritePackageObject(CZLRecordset& rs, long packageID, const CZLPackageObject& package) {
  const COleVariant text =
      TextBlock(package.m_strPackageText, (package.m_lState & ZL_PACKAGE_TEXT_COMPRESSED) != 0);
  const COleVariant body = package.m_bUseBody
                               ? TextBlock(package.m_strPackageBodyText,
                                           (package.m_lState & ZL_PACKAGE_BODY_COMPRESSED) != 0)
                               : Null();
  return WriteRow(rs, packageID, package, text, body);
}

int WritePackageObject(CZLRecordset& rs, long packageID, const CZLBinaryPackageObject& package) {
  return WriteRow(rs, packageID, package, BinaryOrNull(package.m_lbPackageText),
                  BinaryOrNull(package.m_lbPackageBodyText));
}

int DeletePackageObject(CZLRecordset& rs, long packageID) {
  return DeleteRowByKey(rs, {IDKey(packageID)}) ? ZLE_OK : ZLE_NO_PACKAGE;
}

template <class Object>
int ReadPackageMap(ZLHandleRecord& record, long packageID,
                   CTypedPtrMap<CMapStringToOb, CString, Object*>& map) {
  ZLFreePackageMap(map);
  int code = ZLE_OK;
  try {
    code = ForEachSimLanguage(record, ZLS_PACKAGE,
                              [&](const CString& language, CZLRecordset& rs) -> int {
                                std::unique_ptr<Object> package(new Object);
                                const int read = ReadPackageObject(rs, packageID, *package);
                                if (read == ZLE_NO_SIMLANG_ROW) return ZLE_OK;
                                if (read != ZLE_OK) return read;
                                map[language] = package.get();
                                package.release();
                                return ZLE_OK;
                              });
  } catch (...) {
    ZLFreePackageMap(map);
    throw;
  }
  if (code != ZLE_OK) ZLFreePackageMap(map);
  return code;
}

template <class Object>
int WritePackageMap(ZLHandleRecord& record, long packageID,
                    const CTypedPtrMap<CMapStringToOb, CString, Object*>& map) {
  CTransaction transaction;
  POSITION pos = map.GetStartPosition();
  while (pos != nullptr) {
    CString language;
    Object* package = nullptr;
    map.GetNextAssoc(pos, language, package);
    CZLRecordset* rs = nullptr;
    int code = FindSimTable(record, ZLS_PACKAGE, language, rs);
    if (code == ZLE_OK && package != nullptr) code = WritePackageObject(*rs, packageID, *package);
    if (code != ZLE_OK) return code;
  }
  transaction.Commit();
  return ZLE_OK;
}

template int ReadPackageMap(ZLHandleRecord&, long, CZLPackageMap&);
template int ReadPackageMap(ZLHandleRecord&, long, CZLBinaryPackageMap&);
template int WritePackageMap(ZLHandleRecord&, long, const CZLPackageMap&);
template int WritePackageMap(ZLHandleRecord&, long, const CZLBinaryPackageMap&);

}  // namespace zl
