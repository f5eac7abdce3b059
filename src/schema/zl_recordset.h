// CZLRecordset: a table-type recordset with the walk over rows that share a
// key after a seek on a non-unique index.  All access goes through
// GetFieldValue/SetFieldValue by field name.
#ifndef ZLDBCTRL70_SCHEMA_ZL_RECORDSET_H_
#define ZLDBCTRL70_SCHEMA_ZL_RECORDSET_H_

#include <utility>

#include "engine/dao_recordset.h"

class CZLRecordset : public CDaoRecordset {
 public:
  explicit CZLRecordset(CDaoDatabase* pDatabase) : CDaoRecordset(pDatabase) {}

  // Moves to the next row and returns 1 when that row's field equals
  // *pValue (variant equality: same kind, same value).  Returns 0 when the
  // recordset was already at its end, when the move reaches the end (the
  // recordset then stays there), or when the value differs.
  int SeekNext(const char* lpszField, const COleVariant* pValue);
  // The same with two fields; the second is read only when the first
  // matches.
  int SeekNext(const char* lpszField1, const COleVariant* pValue1, const char* lpszField2,
               const COleVariant* pValue2);
};

// Switches a recordset to another index for the life of this object and
// restores the index it had on every way out.
class CIndexSwitch {
 public:
  CIndexSwitch(CDaoRecordset& recordset, const char* lpszIndex)
      : m_recordset(recordset), m_previous(recordset.GetCurrentIndex()) {
    if (m_previous != lpszIndex) {
      m_recordset.SetCurrentIndex(lpszIndex);
      m_switched = true;
    }
  }
  ~CIndexSwitch() {
    if (m_switched) m_recordset.RestoreCurrentIndex(std::move(m_previous));
  }
  CIndexSwitch(const CIndexSwitch&) = delete;
  CIndexSwitch& operator=(const CIndexSwitch&) = delete;

 private:
  CDaoRecordset& m_recordset;
  CString m_previous;
  bool m_switched = false;
};

#endif  // ZLDBCTRL70_SCHEMA_ZL_RECORDSET_H_
