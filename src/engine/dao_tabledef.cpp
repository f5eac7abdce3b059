#include "engine/dao_tabledef.h"

#include "engine/bookkeeping.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/engine_guard.h"
#include "engine/faults.h"
#include "engine/session.h"

using zl::engine::CBookkeeping;
using zl::engine::CEngineFile;
using zl::engine::CFieldDef;
using zl::engine::CIndexDef;
using zl::engine::CSession;
using zl::engine::CTableSchema;
using zl::engine::CWriteScope;
using zl::engine::FailureContext;
using zl::engine::Guarded;
using zl::engine::ThrowAfxDaoError;
using zl::engine::ThrowDaoError;

namespace {

bool IsUsableName(const std::string& name) {
  return zl::engine::IsValidName(name) && !zl::engine::HasReservedPrefix(name);
}

bool IsKnownType(short type) {
  return (type >= dbBoolean && type <= dbDate) || type == dbText || type == dbLongBinary ||
         type == dbMemo;
}

CFieldDef FieldOf(const CDaoFieldInfo& info) {
  CFieldDef f;
  f.name = info.m_strName.str();
  f.type = info.m_nType;
  f.size = info.m_lSize;
  f.attributes = info.m_lAttributes;
  f.required = info.m_bRequired != FALSE;
  f.allowZeroLength = info.m_bAllowZeroLength != FALSE;
  if (!IsUsableName(f.name)) ThrowDaoError(kDaoInvalidName, f.name.c_str());
  if (!IsKnownType(f.type)) ThrowDaoError(kDaoInvalidArgument);
  if (f.type == dbText) {
    if (f.size == 0) f.size = 255;
    if (f.size < 0 || f.size > 255) ThrowDaoError(kDaoInvalidArgument);
  }
  if (f.IsCounter() && f.type != dbLong) ThrowDaoError(kDaoInvalidArgument);
  if (!f.IsText()) f.allowZeroLength = false;
  return f;
}

void FillFieldInfo(const CTableSchema& table, int position, CDaoFieldInfo& info) {
  const CFieldDef& f = table.fields[position];
  info = CDaoFieldInfo();
  info.m_strName = CString(f.name);
  info.m_nType = f.type;
  info.m_lSize = f.size;
  info.m_lAttributes = f.attributes;
  info.m_nOrdinalPosition = static_cast<short>(position);
  info.m_bRequired = f.required ? TRUE : FALSE;
  info.m_bAllowZeroLength = f.allowZeroLength ? TRUE : FALSE;
}

void FillIndexInfo(const CTableSchema& table, int position, CDaoIndexInfo& info) {
  const CIndexDef& index = table.indexes[position];
  if (info.m_bCleanupFieldInfo) delete[] info.m_pFieldInfos;
  info.m_pFieldInfos = nullptr;
  info.m_bCleanupFieldInfo = FALSE;
  zl::engine::CFaultInjector::OnAllocation();
  CDaoIndexFieldInfo* fields = new CDaoIndexFieldInfo[index.fields.size()];
  for (size_t i = 0; i < index.fields.size(); ++i) {
    fields[i].m_strName = CString(table.fields[index.fields[i]].name);
    fields[i].m_bDescending = FALSE;
  }
  info.m_strName = CString(index.name);
  info.m_pFieldInfos = fields;
  info.m_bCleanupFieldInfo = TRUE;
  info.m_nFields = static_cast<short>(index.fields.size());
  info.m_bPrimary = index.primary ? TRUE : FALSE;
  info.m_bUnique = index.unique ? TRUE : FALSE;
  info.m_bClustered = FALSE;
  info.m_bIgnoreNulls = FALSE;
  info.m_bRequired = index.required ? TRUE : FALSE;
  info.m_bForeign = FALSE;
  info.m_lDistinctCount = 0;
}

CIndexDef IndexOf(const CTableSchema& table, const CDaoIndexInfo& info) {
  CIndexDef index;
  index.name = info.m_strName.str();
  if (!IsUsableName(index.name)) ThrowDaoError(kDaoInvalidName, index.name.c_str());
  if (info.m_nFields < 1 || info.m_nFields > 10 || info.m_pFieldInfos == nullptr) {
    ThrowDaoError(kDaoInvalidArgument);
  }
  if (info.m_bIgnoreNulls) ThrowDaoError(kDaoInvalidArgument);
  if (table.FindIndex(index.name) >= 0) ThrowDaoError(kDaoIndexExists, index.name.c_str());
  for (int i = 0; i < info.m_nFields; ++i) {
    const CDaoIndexFieldInfo& field = info.m_pFieldInfos[i];
    if (field.m_bDescending) ThrowDaoError(kDaoInvalidArgument);
    int position = table.FindField(field.m_strName.str());
    if (position < 0) ThrowDaoError(kDaoItemNotFound, field.m_strName.GetString());
    if (table.fields[position].type == dbLongBinary) ThrowDaoError(kDaoInvalidArgument);
    index.fields.push_back(position);
  }
  index.primary = info.m_bPrimary != FALSE;
  index.unique = info.m_bUnique != FALSE || index.primary;
  index.required = info.m_bRequired != FALSE || index.primary;
  return index;
}

}  // namespace

CDaoTableDef::CDaoTableDef(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CDaoTableDef::~CDaoTableDef() { Close(); }

CSession& CDaoTableDef::Session() const {
  if (!m_bOpen || m_session == nullptr) ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  return *m_session;
}

std::shared_ptr<const CTableSchema> CDaoTableDef::Layout() const {
  CSession& session = Session();
  if (!m_bAppended) return m_pending;
  std::shared_ptr<const CTableSchema> table = session.File().FindTableById(m_tableId);
  if (table == nullptr) ThrowDaoError(kDaoObjectNotFound, m_strName.GetString());
  return table;
}

void CDaoTableDef::Unregister() {
  if (m_session != nullptr) m_session->RemoveTableDef(this);
  m_session = nullptr;
}

void CDaoTableDef::Create(LPCSTR lpszName, long /*lAttributes*/, LPCSTR /*lpszSrcTable*/,
                          LPCSTR /*lpszConnect*/) {
  Close();
  if (m_pDatabase == nullptr || m_pDatabase->GetSession() == nullptr) {
    ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  }
  std::string name = lpszName != nullptr ? lpszName : "";
  if (!IsUsableName(name)) ThrowDaoError(kDaoInvalidName, name.c_str());
  m_pending = std::make_shared<CTableSchema>();
  m_pending->name = name;
  m_strName = CString(name);
  m_session = m_pDatabase->GetSession();
  m_session->AddTableDef(this);
  m_bOpen = true;
  m_bAppended = false;
}

void CDaoTableDef::Open(LPCSTR lpszName) {
  Close();
  if (m_pDatabase == nullptr || m_pDatabase->GetSession() == nullptr) {
    ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  }
  CSession* session = m_pDatabase->GetSession();
  std::string name = lpszName != nullptr ? lpszName : "";
  std::shared_ptr<const CTableSchema> table = Guarded(FailureContext::kRead, [&] {
    return zl::engine::HasReservedPrefix(name) ? nullptr : session->File().FindTable(name);
  });
  if (table == nullptr) ThrowDaoError(kDaoItemNotFound, name.c_str());
  m_tableId = table->id;
  m_strName = CString(table->name);
  m_session = session;
  m_session->AddTableDef(this);
  m_bOpen = true;
  m_bAppended = true;
}

void CDaoTableDef::Append() {
  CSession& session = Session();
  if (m_bAppended) ThrowDaoError(kDaoOperationInvalid);
  session.RequireWritable();
  if (m_pending->fields.empty()) ThrowDaoError(kDaoInvalidArgument);
  Guarded(FailureContext::kSchema, [&] {
    CEngineFile& file = session.File();
    if (CBookkeeping::TableExists(file.Conn(), m_pending->name)) {
      ThrowDaoError(kDaoTableExists, m_pending->name.c_str());
    }
    auto table = std::make_shared<CTableSchema>(*m_pending);
    CWriteScope scope(file, true);
    CBookkeeping::CreateTable(file.Conn(), *table, zl::engine::CurrentDateValue());
    file.MarkWritten(table->id);
    scope.Commit();
    file.PutTable(table);
    m_tableId = table->id;
  });
  m_pending.reset();
  m_bAppended = true;
}

void CDaoTableDef::Close() {
  Unregister();
  m_bOpen = false;
  m_bAppended = false;
  m_pending.reset();
}

void CDaoTableDef::OnDatabaseClosed() {
  m_session = nullptr;
  m_bOpen = false;
  m_bAppended = false;
  m_pending.reset();
}

BOOL CDaoTableDef::IsOpen() const { return m_bOpen ? TRUE : FALSE; }

CString CDaoTableDef::GetName() const {
  if (m_bAppended && m_session != nullptr) {
    try {
      auto table = m_session->File().FindTableById(m_tableId);
      if (table != nullptr) return CString(table->name);
    } catch (...) {
    }
  }
  return m_strName;
}

void CDaoTableDef::SetName(LPCSTR lpszName) {
  CSession& session = Session();
  std::string name = lpszName != nullptr ? lpszName : "";
  if (!IsUsableName(name)) ThrowDaoError(kDaoInvalidName, name.c_str());
  if (!m_bAppended) {
    m_pending->name = name;
    m_strName = CString(name);
    return;
  }
  session.RequireWritable();
  Guarded(FailureContext::kSchema, [&] {
    CEngineFile& file = session.File();
    std::shared_ptr<const CTableSchema> current = Layout();
    if (!zl::engine::NamesEqual(current->name, name) &&
        CBookkeeping::TableExists(file.Conn(), name)) {
      ThrowDaoError(kDaoTableExists, name.c_str());
    }
    auto table = std::make_shared<CTableSchema>(*current);
    CWriteScope scope(file, true);
    CBookkeeping::RenameTable(file.Conn(), *table, name);
    file.MarkWritten(table->id);
    scope.Commit();
    file.PutTable(table);
  });
  m_strName = CString(name);
}

void CDaoTableDef::CreateField(LPCSTR lpszName, short nType, long lSize, long lAttributes) {
  CDaoFieldInfo info;
  info.m_strName = CString(lpszName != nullptr ? lpszName : "");
  info.m_nType = nType;
  info.m_lSize = lSize;
  info.m_lAttributes = lAttributes;
  CreateField(info);
}

void CDaoTableDef::CreateField(CDaoFieldInfo& fieldinfo) {
  CSession& session = Session();
  CFieldDef field = FieldOf(fieldinfo);
  Guarded(FailureContext::kSchema, [&] {
    std::shared_ptr<const CTableSchema> current = Layout();
    if (current->FindField(field.name) >= 0)
      ThrowDaoError(kDaoFieldDefinedTwice, field.name.c_str());
    if (field.IsCounter() && current->counter >= 0) ThrowDaoError(kDaoInvalidArgument);
    if (!m_bAppended) {
      m_pending->fields.push_back(field);
      if (field.IsCounter()) m_pending->counter = static_cast<int>(m_pending->fields.size()) - 1;
      return;
    }
    session.RequireWritable();
    CEngineFile& file = session.File();
    auto table = std::make_shared<CTableSchema>(*current);
    CWriteScope scope(file, true);
    CBookkeeping::AddField(file.Conn(), *table, field);
    file.MarkWritten(table->id);
    scope.Commit();
    file.PutTable(table);
    file.ResetSequences(table->id);
  });
}

void CDaoTableDef::DeleteField(LPCSTR lpszName) {
  CSession& session = Session();
  std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kSchema, [&] {
    std::shared_ptr<const CTableSchema> current = Layout();
    int position = current->FindField(name);
    if (position < 0) ThrowDaoError(kDaoItemNotFound, name.c_str());
    if (current->UsesField(position)) ThrowDaoError(kDaoFieldInIndex, name.c_str());
    if (!m_bAppended) {
      m_pending->fields.erase(m_pending->fields.begin() + position);
      m_pending->counter = -1;
      for (size_t i = 0; i < m_pending->fields.size(); ++i) {
        if (m_pending->fields[i].IsCounter()) m_pending->counter = static_cast<int>(i);
      }
      for (CIndexDef& index : m_pending->indexes) {
        for (int& f : index.fields) {
          if (f > position) --f;
        }
      }
      return;
    }
    // The counter a table was created with is its row number.
    if (position == current->rowidAlias) ThrowDaoError(kDaoOperationInvalid);
    if (current->fields.size() == 1) ThrowDaoError(kDaoInvalidArgument);
    session.RequireWritable();
    CEngineFile& file = session.File();
    auto table = std::make_shared<CTableSchema>(*current);
    CWriteScope scope(file, true);
    CBookkeeping::DropField(file.Conn(), *table, position);
    file.MarkWritten(table->id);
    scope.Commit();
    file.PutTable(table);
  });
}

void CDaoTableDef::DeleteField(int nIndex) {
  std::shared_ptr<const CTableSchema> current =
      Guarded(FailureContext::kRead, [&] { return Layout(); });
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= current->fields.size()) {
    ThrowDaoError(kDaoItemNotFound, std::to_string(nIndex).c_str());
  }
  std::string name = current->fields[nIndex].name;
  DeleteField(name.c_str());
}

void CDaoTableDef::CreateIndex(CDaoIndexInfo& indexinfo) {
  CSession& session = Session();
  Guarded(FailureContext::kSchema, [&] {
    std::shared_ptr<const CTableSchema> current = Layout();
    CIndexDef index = IndexOf(*current, indexinfo);
    if (!m_bAppended) {
      m_pending->indexes.push_back(index);
      return;
    }
    session.RequireWritable();
    CEngineFile& file = session.File();
    auto table = std::make_shared<CTableSchema>(*current);
    CWriteScope scope(file, true);
    CBookkeeping::AddIndex(file.Conn(), *table, index);
    file.MarkWritten(table->id);
    scope.Commit();
    file.PutTable(table);
  });
}

void CDaoTableDef::DeleteIndex(LPCSTR lpszName) {
  CSession& session = Session();
  std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kSchema, [&] {
    std::shared_ptr<const CTableSchema> current = Layout();
    int position = current->FindIndex(name);
    if (position < 0) ThrowDaoError(kDaoNotAnIndex, name.c_str());
    if (!m_bAppended) {
      m_pending->indexes.erase(m_pending->indexes.begin() + position);
      return;
    }
    session.RequireWritable();
    CEngineFile& file = session.File();
    auto table = std::make_shared<CTableSchema>(*current);
    CWriteScope scope(file, true);
    CBookkeeping::DropIndex(file.Conn(), *table, position);
    file.MarkWritten(table->id);
    scope.Commit();
    file.PutTable(table);
  });
}

void CDaoTableDef::DeleteIndex(int nIndex) {
  std::shared_ptr<const CTableSchema> current =
      Guarded(FailureContext::kRead, [&] { return Layout(); });
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= current->indexes.size()) {
    ThrowDaoError(kDaoItemNotFound, std::to_string(nIndex).c_str());
  }
  std::string name = current->indexes[nIndex].name;
  DeleteIndex(name.c_str());
}

short CDaoTableDef::GetFieldCount() {
  return Guarded(FailureContext::kRead,
                 [&] { return static_cast<short>(Layout()->fields.size()); });
}

void CDaoTableDef::GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD /*dwInfoOptions*/) {
  Guarded(FailureContext::kRead, [&] {
    std::shared_ptr<const CTableSchema> table = Layout();
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= table->fields.size()) {
      ThrowDaoError(kDaoItemNotFound, std::to_string(nIndex).c_str());
    }
    FillFieldInfo(*table, nIndex, fieldinfo);
  });
}

void CDaoTableDef::GetFieldInfo(LPCSTR lpszName, CDaoFieldInfo& fieldinfo,
                                DWORD /*dwInfoOptions*/) {
  std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kRead, [&] {
    std::shared_ptr<const CTableSchema> table = Layout();
    int position = table->FindField(name);
    if (position < 0) ThrowDaoError(kDaoItemNotFound, name.c_str());
    FillFieldInfo(*table, position, fieldinfo);
  });
}

short CDaoTableDef::GetIndexCount() {
  return Guarded(FailureContext::kRead,
                 [&] { return static_cast<short>(Layout()->indexes.size()); });
}

void CDaoTableDef::GetIndexInfo(int nIndex, CDaoIndexInfo& indexinfo, DWORD /*dwInfoOptions*/) {
  Guarded(FailureContext::kRead, [&] {
    std::shared_ptr<const CTableSchema> table = Layout();
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= table->indexes.size()) {
      ThrowDaoError(kDaoItemNotFound, std::to_string(nIndex).c_str());
    }
    FillIndexInfo(*table, nIndex, indexinfo);
  });
}

void CDaoTableDef::GetIndexInfo(LPCSTR lpszName, CDaoIndexInfo& indexinfo,
                                DWORD /*dwInfoOptions*/) {
  std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kRead, [&] {
    std::shared_ptr<const CTableSchema> table = Layout();
    int position = table->FindIndex(name);
    if (position < 0) ThrowDaoError(kDaoItemNotFound, name.c_str());
    FillIndexInfo(*table, position, indexinfo);
  });
}

COleDateTime CDaoTableDef::GetDateCreated() {
  CSession& session = Session();
  if (!m_bAppended) return COleDateTime();
  return Guarded(FailureContext::kRead, [&] {
    double created = 0;
    double updated = 0;
    CBookkeeping::GetDates(session.File().Conn(), m_tableId, created, updated);
    return COleDateTime(created);
  });
}

COleDateTime CDaoTableDef::GetDateLastUpdated() {
  CSession& session = Session();
  if (!m_bAppended) return COleDateTime();
  return Guarded(FailureContext::kRead, [&] {
    double created = 0;
    double updated = 0;
    CBookkeeping::GetDates(session.File().Conn(), m_tableId, created, updated);
    return COleDateTime(updated);
  });
}

long CDaoTableDef::GetRecordCount() {
  CSession& session = Session();
  if (!m_bAppended) return 0;
  return Guarded(FailureContext::kRead, [&] {
    zl::engine::CSqlQuery q(session.File().Conn(),
                            "SELECT count(*) FROM " + zl::engine::QuoteName(Layout()->name));
    return q.Step() ? static_cast<long>(q.ColumnInt(0)) : 0L;
  });
}

BOOL CDaoTableDef::CanUpdate() { return !Session().IsReadOnly() ? TRUE : FALSE; }

CDaoIndexInfo::~CDaoIndexInfo() {
  if (m_bCleanupFieldInfo) delete[] m_pFieldInfos;
}
