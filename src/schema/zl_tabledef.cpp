#include "schema/zl_tabledef.h"

void CZLTableDef::CreateFieldEx(const char* lpszName, short nType, long lSize, long lAttributes,
                                BOOL bAllowZeroLength) {
  CDaoFieldInfo info;
  info.m_strName = lpszName;
  info.m_nType = nType;
  info.m_lSize = lSize;
  info.m_lAttributes = lAttributes;
  info.m_nOrdinalPosition = 0;
  info.m_bRequired = FALSE;
  info.m_bAllowZeroLength = (nType == dbText || nType == dbMemo) && bAllowZeroLength ? TRUE : FALSE;
  info.m_lCollatingOrder = 0;
  CreateField(info);
}
