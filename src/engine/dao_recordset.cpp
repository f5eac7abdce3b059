#include "engine/dao_recordset.h"

#include "engine/cursor.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_tabledef.h"
#include "engine/engine_guard.h"
#include "engine/faults.h"
#include "engine/session.h"

using zl::engine::CCursor;
using zl::engine::CSession;
using zl::engine::FailureContext;
using zl::engine::Guarded;
using zl::engine::ThrowAfxDaoError;
using zl::engine::ThrowDaoError;

namespace {

std::string NameOf(LPCSTR psz) { return psz != nullptr ? std::string(psz) : std::string(); }

}  // namespace

CDaoRecordset::CDaoRecordset(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CDaoRecordset::~CDaoRecordset() { Close(); }

CCursor& CDaoRecordset::Cursor() const {
  if (m_cursor == nullptr) ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  if (m_bIndexPending) {
    m_cursor->SetCurrentIndex(NameOf(m_strPendingIndex));
    m_bIndexPending = false;
  }
  return *m_cursor;
}

void CDaoRecordset::Open(CDaoTableDef* pTableDef, int nOpenType, int nOptions) {
  if (pTableDef == nullptr || !pTableDef->IsOpen()) ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  if (!pTableDef->IsAppended()) ThrowDaoError(kDaoObjectNotFound, pTableDef->GetName().GetString());
  if (m_pDatabase == nullptr) m_pDatabase = pTableDef->m_pDatabase;
  Open(nOpenType, pTableDef->GetName().GetString(), nOptions);
}

void CDaoRecordset::Open(int nOpenType, LPCSTR lpszSQL, int nOptions) {
  Close();
  if (m_pDatabase == nullptr || m_pDatabase->GetSession() == nullptr) {
    ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  }
  if (nOpenType != dbOpenTable) ThrowDaoError(kDaoInvalidArgument);
  CSession* session = m_pDatabase->GetSession();
  std::string name = NameOf(lpszSQL);
  Guarded(FailureContext::kRead, [&] {
    auto table = zl::engine::HasReservedPrefix(name) ? nullptr : session->File().FindTable(name);
    if (table == nullptr) ThrowDaoError(kDaoObjectNotFound, name.c_str());
    zl::engine::CFaultInjector::OnAllocation();
    m_cursor = std::make_unique<CCursor>(*session, table->id, (nOptions & dbReadOnly) != 0);
    session->AddRecordset(this, table->id);
  });
}

void CDaoRecordset::Close() {
  m_bIndexPending = false;
  if (m_cursor == nullptr) return;
  if (m_pDatabase != nullptr && m_pDatabase->GetSession() != nullptr) {
    m_pDatabase->GetSession()->RemoveRecordset(this);
  }
  m_cursor.reset();
}

void CDaoRecordset::OnDatabaseClosed() { m_cursor.reset(); }

BOOL CDaoRecordset::IsOpen() const { return m_cursor != nullptr ? TRUE : FALSE; }

BOOL CDaoRecordset::CanUpdate() const {
  return m_cursor != nullptr && m_cursor->CanUpdate() ? TRUE : FALSE;
}

CString CDaoRecordset::GetName() const {
  return CString(Guarded(FailureContext::kRead, [&] { return Cursor().TableName(); }));
}

void CDaoRecordset::SetCurrentIndex(LPCSTR lpszIndex) {
  Guarded(FailureContext::kRead, [&] { Cursor().SetCurrentIndex(NameOf(lpszIndex)); });
}

CString CDaoRecordset::GetCurrentIndex() const {
  if (m_bIndexPending && m_cursor != nullptr) return m_strPendingIndex;
  return CString(Cursor().GetCurrentIndex());
}

void CDaoRecordset::RestoreCurrentIndex(CString&& index) noexcept {
  try {
    SetCurrentIndex(index);
    return;
  } catch (...) {
  }
  m_strPendingIndex = std::move(index);
  m_bIndexPending = true;
}

BOOL CDaoRecordset::Seek(LPCSTR lpszComparison, COleVariant* pKey1, COleVariant* pKey2,
                         COleVariant* pKey3) {
  COleVariant keys[3];
  int count = 0;
  for (COleVariant* key : {pKey1, pKey2, pKey3}) {
    if (key == nullptr) break;
    keys[count++] = *key;
  }
  return Seek(lpszComparison, keys, static_cast<WORD>(count));
}

BOOL CDaoRecordset::Seek(LPCSTR lpszComparison, COleVariant* pKeyArray, WORD nKeys) {
  return Guarded(FailureContext::kRead, [&] {
    return Cursor().Seek(NameOf(lpszComparison), pKeyArray, nKeys) ? TRUE : FALSE;
  });
}

void CDaoRecordset::MoveFirst() {
  Guarded(FailureContext::kRead, [&] { Cursor().MoveFirst(); });
}

void CDaoRecordset::MoveLast() {
  Guarded(FailureContext::kRead, [&] { Cursor().MoveLast(); });
}

void CDaoRecordset::MoveNext() {
  Guarded(FailureContext::kRead, [&] { Cursor().MoveNext(); });
}

void CDaoRecordset::MovePrev() {
  Guarded(FailureContext::kRead, [&] { Cursor().MovePrev(); });
}

void CDaoRecordset::Move(long lRows) {
  Guarded(FailureContext::kRead, [&] {
    CCursor& cursor = Cursor();
    if (lRows == 0) {
      cursor.GetBookmark();  // 3021 without a current row, as a move would
      return;
    }
    for (long i = 0; i < (lRows > 0 ? lRows : -lRows); ++i) {
      if (lRows > 0) {
        cursor.MoveNext();
      } else {
        cursor.MovePrev();
      }
    }
  });
}

BOOL CDaoRecordset::IsBOF() const {
  return Guarded(FailureContext::kRead, [&] { return Cursor().IsBOF() ? TRUE : FALSE; });
}

BOOL CDaoRecordset::IsEOF() const {
  return Guarded(FailureContext::kRead, [&] { return Cursor().IsEOF() ? TRUE : FALSE; });
}

BOOL CDaoRecordset::IsDeleted() const { return Cursor().IsDeleted() ? TRUE : FALSE; }

COleVariant CDaoRecordset::GetBookmark() {
  return Guarded(FailureContext::kRead, [&] { return Cursor().GetBookmark(); });
}

void CDaoRecordset::SetBookmark(COleVariant varBookmark) {
  Guarded(FailureContext::kRead, [&] { Cursor().SetBookmark(varBookmark); });
}

COleVariant CDaoRecordset::GetLastModifiedBookmark() {
  return Guarded(FailureContext::kRead, [&] { return Cursor().GetLastModifiedBookmark(); });
}

void CDaoRecordset::AddNew() {
  Guarded(FailureContext::kWrite, [&] { Cursor().AddNew(); });
}

void CDaoRecordset::Edit() {
  Guarded(FailureContext::kWrite, [&] { Cursor().Edit(); });
}

void CDaoRecordset::Update() {
  Guarded(FailureContext::kWrite, [&] { Cursor().Update(); });
}

void CDaoRecordset::CancelUpdate() {
  Guarded(FailureContext::kWrite, [&] { Cursor().CancelUpdate(); });
}

void CDaoRecordset::Delete() {
  Guarded(FailureContext::kWrite, [&] { Cursor().Delete(); });
}

short CDaoRecordset::GetEditMode() const { return Cursor().GetEditMode(); }

COleVariant CDaoRecordset::GetFieldValue(LPCSTR lpszName) {
  return Guarded(FailureContext::kRead, [&] {
    CCursor& cursor = Cursor();
    return cursor.GetFieldValue(cursor.FieldIndex(NameOf(lpszName)));
  });
}

void CDaoRecordset::GetFieldValue(LPCSTR lpszName, COleVariant& varValue) {
  varValue = GetFieldValue(lpszName);
}

COleVariant CDaoRecordset::GetFieldValue(int nIndex) {
  return Guarded(FailureContext::kRead, [&] { return Cursor().GetFieldValue(nIndex); });
}

void CDaoRecordset::GetFieldValue(int nIndex, COleVariant& varValue) {
  varValue = GetFieldValue(nIndex);
}

void CDaoRecordset::SetFieldValue(LPCSTR lpszName, const COleVariant& varValue) {
  Guarded(FailureContext::kWrite, [&] {
    CCursor& cursor = Cursor();
    cursor.SetFieldValue(cursor.FieldIndex(NameOf(lpszName)), varValue);
  });
}

void CDaoRecordset::SetFieldValue(int nIndex, const COleVariant& varValue) {
  Guarded(FailureContext::kWrite, [&] { Cursor().SetFieldValue(nIndex, varValue); });
}

void CDaoRecordset::SetFieldValue(LPCSTR lpszName, LPCSTR lpszValue) {
  SetFieldValue(lpszName, COleVariant(lpszValue));
}

void CDaoRecordset::SetFieldValue(int nIndex, LPCSTR lpszValue) {
  SetFieldValue(nIndex, COleVariant(lpszValue));
}

void CDaoRecordset::SetFieldValueNull(LPCSTR lpszName) {
  COleVariant null;
  null.SetNull();
  SetFieldValue(lpszName, null);
}

void CDaoRecordset::SetFieldValueNull(int nIndex) {
  COleVariant null;
  null.SetNull();
  SetFieldValue(nIndex, null);
}

void CDaoRecordset::SetFieldBytes(LPCSTR lpszName, const void* pData, size_t nBytes) {
  Guarded(FailureContext::kWrite, [&] {
    CCursor& cursor = Cursor();
    cursor.SetFieldBytes(cursor.FieldIndex(NameOf(lpszName)), pData, nBytes);
  });
}

long CDaoRecordset::GetRecordCount() {
  return Guarded(FailureContext::kRead, [&] { return Cursor().GetRecordCount(); });
}

COleDateTime CDaoRecordset::GetDateCreated() {
  return COleDateTime(Guarded(FailureContext::kRead, [&] { return Cursor().GetDateCreated(); }));
}

COleDateTime CDaoRecordset::GetDateLastUpdated() {
  return COleDateTime(
      Guarded(FailureContext::kRead, [&] { return Cursor().GetDateLastUpdated(); }));
}

namespace {

// A table definition opened on the recordset's table, for the layout
// questions a recordset answers the same way.
template <typename Body>
auto WithTableDef(CDaoDatabase* database, CCursor& cursor, Body&& body) {
  CDaoTableDef def(database);
  def.Open(cursor.TableName().c_str());
  return body(def);
}

}  // namespace

short CDaoRecordset::GetFieldCount() {
  return WithTableDef(m_pDatabase, Cursor(), [](CDaoTableDef& d) { return d.GetFieldCount(); });
}

void CDaoRecordset::GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions) {
  WithTableDef(m_pDatabase, Cursor(), [&](CDaoTableDef& d) {
    d.GetFieldInfo(nIndex, fieldinfo, dwInfoOptions);
    return 0;
  });
}

void CDaoRecordset::GetFieldInfo(LPCSTR lpszName, CDaoFieldInfo& fieldinfo, DWORD dwInfoOptions) {
  WithTableDef(m_pDatabase, Cursor(), [&](CDaoTableDef& d) {
    d.GetFieldInfo(lpszName, fieldinfo, dwInfoOptions);
    return 0;
  });
}

short CDaoRecordset::GetIndexCount() {
  return WithTableDef(m_pDatabase, Cursor(), [](CDaoTableDef& d) { return d.GetIndexCount(); });
}

void CDaoRecordset::GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo, DWORD dwInfoOptions) {
  WithTableDef(m_pDatabase, Cursor(), [&](CDaoTableDef& d) {
    d.GetIndexInfo(nIndex, indexinfo, dwInfoOptions);
    return 0;
  });
}

void CDaoRecordset::GetIndexInfo(LPCSTR lpszName, CDaoIndexInfo& indexinfo, DWORD dwInfoOptions) {
  WithTableDef(m_pDatabase, Cursor(), [&](CDaoTableDef& d) {
    d.GetIndexInfo(lpszName, indexinfo, dwInfoOptions);
    return 0;
  });
}
