#include "schema/zl_recordset.h"

int CZLRecordset::SeekNext(const char* lpszField, const COleVariant* pValue) {
  return SeekNext(lpszField, pValue, nullptr, nullptr);
}

int CZLRecordset::SeekNext(const char* lpszField1, const COleVariant* pValue1,
                           const char* lpszField2, const COleVariant* pValue2) {
  if (IsEOF()) return 0;
  MoveNext();
  if (IsEOF()) return 0;
  if (GetFieldValue(lpszField1) != *pValue1) return 0;
  if (lpszField2 != nullptr && GetFieldValue(lpszField2) != *pValue2) return 0;
  return 1;
}
