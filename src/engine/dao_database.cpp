#include "engine/dao_database.h"

#include "engine/dao_errors.h"
#include "engine/engine_guard.h"
#include "engine/pg_seam.h"
#include "engine/session.h"
#include "engine/sql_update.h"

using zl::engine::CBookkeeping;
using zl::engine::CSession;
using zl::engine::CWriteScope;
using zl::engine::FailureContext;
using zl::engine::Guarded;
using zl::engine::ThrowAfxDaoError;
using zl::engine::ThrowDaoError;

namespace {

CSession& SessionOf(const std::shared_ptr<CSession>& session) {
  if (session == nullptr) ThrowAfxDaoError(AFX_DAO_ERROR_OBJECT_NOT_OPEN);
  return *session;
}

void FillInfo(CSession& session, int64_t id, const std::string& name, CDaoTableDefInfo& info,
              DWORD options) {
  info = CDaoTableDefInfo();
  info.m_strName = CString(name);
  info.m_bUpdatable = session.IsReadOnly() ? FALSE : TRUE;
  double created = 0;
  double updated = 0;
  CBookkeeping::GetDates(session.File().Conn(), id, created, updated);
  info.m_dateCreated = COleDateTime(created);
  info.m_dateLastUpdated = COleDateTime(updated);
  if ((options & (AFX_DAO_SECONDARY_INFO | AFX_DAO_ALL_INFO)) != 0) {
    zl::engine::CSqlQuery q(session.File().Conn(),
                            "SELECT count(*) FROM " + zl::engine::QuoteName(name));
    info.m_lRecordCount = q.Step() ? static_cast<long>(q.ColumnInt(0)) : 0;
  }
}

// The tables of the file: those with bookkeeping in creation order, then
// those another tool added, which are adopted (and recorded) on the way.
std::vector<std::pair<int64_t, std::string>> AllTables(CSession& session) {
  zl::engine::CEngineFile& file = session.File();
  std::vector<std::string> unrecorded = CBookkeeping::ListUnrecorded(file.Conn());
  for (const std::string& name : unrecorded) file.FindTable(name);
  auto tables = CBookkeeping::ListTables(file.Conn());
  for (const std::string& name : CBookkeeping::ListUnrecorded(file.Conn())) {
    auto table = file.FindTable(name);
    if (table != nullptr) tables.emplace_back(table->id, table->name);
  }
  return tables;
}

}  // namespace

CDaoDatabase::CDaoDatabase(CDaoWorkspace* pWorkspace)
    : m_pWorkspace(pWorkspace != nullptr ? pWorkspace : CDaoWorkspace::GetDefault()) {}

CDaoDatabase::~CDaoDatabase() { Close(); }

void CDaoDatabase::Create(LPCSTR lpszName, LPCSTR lpszLocale, int /*dwOptions*/) {
  Close();
  std::string path = lpszName != nullptr ? lpszName : "";
  std::string locale = lpszLocale != nullptr ? lpszLocale : "";
  Guarded(FailureContext::kCreate, [&] { CSession::Create(path, locale); });
  Open(lpszName, FALSE, FALSE, lpszLocale);
}

void CDaoDatabase::Open(LPCSTR lpszName, BOOL bExclusive, BOOL bReadOnly, LPCSTR lpszConnect) {
  Close();
  std::string path = lpszName != nullptr ? lpszName : "";
  std::string connect = lpszConnect != nullptr ? lpszConnect : "";
  m_session = Guarded(FailureContext::kOpen, [&] {
    return CSession::Open(path, bExclusive != FALSE, bReadOnly != FALSE, connect);
  });
}

BOOL CDaoDatabase::IsServerName(LPCSTR lpszName) {
  return lpszName != nullptr && zl::engine::IsServerName(lpszName) ? TRUE : FALSE;
}

CString CDaoDatabase::CanonicalServerName(LPCSTR lpszName, BOOL bWithPassword) {
  const std::string name = lpszName != nullptr ? lpszName : "";
  return CString(Guarded(FailureContext::kCreate, [&] {
                   return zl::engine::NormalizeServerName(name, bWithPassword != FALSE);
                 }).c_str());
}

void CDaoDatabase::DeleteServerLibrary(LPCSTR lpszName) {
  const std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kOpen, [&] { CSession::DeleteServerLibrary(name); });
}

void CDaoDatabase::Close() {
  if (m_session == nullptr) return;
  m_session->CloseObjects();
  m_session.reset();
}

BOOL CDaoDatabase::IsOpen() const { return m_session != nullptr ? TRUE : FALSE; }

BOOL CDaoDatabase::CanUpdate() const {
  return m_session != nullptr && !m_session->IsReadOnly() ? TRUE : FALSE;
}

CString CDaoDatabase::GetName() const {
  return m_session != nullptr ? CString(m_session->Path()) : CString();
}

CString CDaoDatabase::GetConnect() const {
  return m_session != nullptr ? CString(m_session->Connect()) : CString();
}

void CDaoDatabase::Execute(LPCSTR lpszSQL, int /*nOptions*/) {
  CSession& session = SessionOf(m_session);
  session.RequireWritable();
  std::string sql = lpszSQL != nullptr ? lpszSQL : "";
  long affected = Guarded(FailureContext::kWrite,
                          [&] { return zl::engine::ExecuteUpdate(session.File(), sql); });
  session.SetRecordsAffected(affected);
}

long CDaoDatabase::GetRecordsAffected() const {
  return m_session != nullptr ? m_session->RecordsAffected() : 0;
}

void CDaoDatabase::DeleteTableDef(LPCSTR lpszName) {
  CSession& session = SessionOf(m_session);
  session.RequireWritable();
  std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kSchema, [&] {
    zl::engine::CEngineFile& file = session.File();
    std::shared_ptr<const zl::engine::CTableSchema> table = file.FindTable(name);
    if (table == nullptr) ThrowDaoError(kDaoItemNotFound, name.c_str());
    if (session.RecordsetsOn(table->id) > 0) ThrowDaoError(kDaoTableInUse, name.c_str());
    CWriteScope scope(file, true);
    CBookkeeping::DropTable(file.Conn(), *table);
    scope.Commit();
    file.ForgetTable(table->id);
    file.ResetSequences(table->id);
  });
}

std::vector<std::string> CDaoDatabase::CheckIntegrity() {
  CSession& session = SessionOf(m_session);
  std::vector<std::string> problems =
      Guarded(FailureContext::kRead, [&] { return session.File().Conn().IntegrityCheck(); });
  if (problems.size() == 1 && problems[0] == "ok") problems.clear();
  return problems;
}

void CDaoDatabase::BeginFileTrans(BOOL bWrite) {
  CSession& session = SessionOf(m_session);
  const bool write = bWrite != FALSE && !session.IsReadOnly();
  Guarded(FailureContext::kWrite, [&] { session.File().BeginFileLevel(write); });
}

void CDaoDatabase::BeginFileRead() {
  CSession& session = SessionOf(m_session);
  Guarded(FailureContext::kWrite, [&] { session.File().BeginLazyReadLevel(); });
}

BOOL CDaoDatabase::ReadSawNewerState() const {
  return m_session != nullptr && m_session->File().SawNewerState() ? TRUE : FALSE;
}

void CDaoDatabase::CommitFileTrans() {
  CSession& session = SessionOf(m_session);
  if (session.File().FileLevels() <= 0) ThrowDaoError(kDaoNoTransaction);
  Guarded(FailureContext::kCommit, [&] { session.File().CommitFileLevel(); });
}

void CDaoDatabase::RollbackFileTrans() {
  CSession& session = SessionOf(m_session);
  if (session.File().FileLevels() <= 0) ThrowDaoError(kDaoNoTransaction);
  Guarded(FailureContext::kWrite, [&] { session.File().RollbackFileLevel(); });
}

int CDaoDatabase::GetFileTransDepth() const {
  return m_session != nullptr ? m_session->File().FileLevels() : 0;
}

void CDaoDatabase::RefreshTableDefs() {
  CSession& session = SessionOf(m_session);
  Guarded(FailureContext::kRead, [&] { session.File().RefreshLayouts(); });
}

void CDaoDatabase::KeepTableDatesOnlyFor(const std::vector<std::string>& names) {
  CSession& session = SessionOf(m_session);
  Guarded(FailureContext::kRead, [&] { session.File().KeepDatesOnlyFor(names); });
}

short CDaoDatabase::GetTableDefCount() {
  CSession& session = SessionOf(m_session);
  return Guarded(FailureContext::kRead,
                 [&] { return static_cast<short>(AllTables(session).size()); });
}

void CDaoDatabase::GetTableDefInfo(int nIndex, CDaoTableDefInfo& tabledefinfo,
                                   DWORD dwInfoOptions) {
  CSession& session = SessionOf(m_session);
  Guarded(FailureContext::kRead, [&] {
    auto tables = AllTables(session);
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= tables.size()) {
      ThrowDaoError(kDaoItemNotFound, std::to_string(nIndex).c_str());
    }
    FillInfo(session, tables[nIndex].first, tables[nIndex].second, tabledefinfo, dwInfoOptions);
  });
}

void CDaoDatabase::GetTableDefInfo(LPCSTR lpszName, CDaoTableDefInfo& tabledefinfo,
                                   DWORD dwInfoOptions) {
  CSession& session = SessionOf(m_session);
  std::string name = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kRead, [&] {
    auto table = session.File().FindTable(name);
    if (table == nullptr) ThrowDaoError(kDaoItemNotFound, name.c_str());
    FillInfo(session, table->id, table->name, tabledefinfo, dwInfoOptions);
  });
}
