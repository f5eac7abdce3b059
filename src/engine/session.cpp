#include "engine/session.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "engine/dao_errors.h"
#include "engine/dao_recordset.h"
#include "engine/dao_tabledef.h"
#include "engine/pg_seam.h"
#include "engine/wal_files.h"

namespace zl::engine {

namespace {

uint64_t NewInstanceId() {
  static uint64_t base = [] {
    std::random_device rd;
    return (static_cast<uint64_t>(rd()) << 32) ^ rd();
  }();
  static uint64_t counter = 0;
  return base + (++counter) * 0x9E3779B97F4A7C15ull;
}

bool ParentExists(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens the connection of a new CEngineFile and checks that the file is one
// of ours.  Throws CSqlFailure for backend failures.
void OpenConnection(CEngineFile& file, bool writable, bool immutable) {
  CSqlOpenOptions options;
  options.readOnly = !writable;
  options.immutable = immutable;
  CSqlConnection& conn = file.Conn();
  conn.Open(file.Path(), options);
  conn.SetBusyTimeout(CWorkspaceState::BusyTimeout());
  if (conn.Server() != nullptr) return;  // the server keeps its own log
  conn.Exec("PRAGMA synchronous = NORMAL");
  if (writable) {
    CSqlQuery q(conn, "PRAGMA journal_mode");
    std::string mode = q.Step() ? q.ColumnText(0) : "";
    q.Reset();
    if (mode != "wal") conn.Exec("PRAGMA journal_mode = WAL");
  }
  // Every call begins and ends a transaction: prepare those statements
  // now, so that ending one never needs an allocation that could fail.
  for (const char* sql : {"BEGIN DEFERRED", "BEGIN IMMEDIATE", "COMMIT", "ROLLBACK",
                          "PRAGMA data_version", "PRAGMA schema_version"}) {
    conn.Prepare(sql);
  }
}

[[noreturn]] void ThrowOpenFailure(const CSqlFailure& failure, const std::string& path) {
  ThrowFromBackend(failure, FailureContext::kOpen, path.c_str());
}

// Server libraries share the file registry under a device number no file
// has, identified by their name in its one spelling.
constexpr uint64_t kServerDevice = ~uint64_t{0};

uint64_t ServerIdentity(const std::string& name) {
  std::string canonical;
  try {
    canonical = NormalizeServerName(name);
  } catch (const CSqlFailure& failure) {
    ThrowOpenFailure(failure, name);
  }
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : canonical) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Connects to a server library not open in this process yet: its open lock
// (shared, or exclusive for exclusive opens) instead of the file lock.
std::shared_ptr<CEngineFile> OpenServerFile(const std::string& path, bool exclusive,
                                            const std::string& password) {
  const char* name = path.c_str();
  auto file = std::make_shared<CEngineFile>(path, CFileLock(), false, exclusive);
  bool engineFile = false;
  bool locked = false;
  bool passwordOk = false;
  try {
    // The connection is shared by every later open in this process, read-
    // write ones too: it may write, and each session's own flag keeps a
    // read-only open from writing (as a writable file's connection does).
    OpenConnection(*file, true, false);
    locked = file->Conn().Server()->LockLibrary(exclusive);
    if (locked) engineFile = CBookkeeping::IsEngineFile(file->Conn());
    if (engineFile) passwordOk = CBookkeeping::CheckPassword(file->Conn(), password);
    if (passwordOk) file->Refresh();
  } catch (const CSqlFailure& failure) {
    ThrowOpenFailure(failure, path);
  }
  if (!locked) ThrowDaoError(exclusive ? kDaoFileInUse : kDaoOpenedExclusively, name);
  if (!engineFile) ThrowDaoError(kDaoFileNotFound, name);
  if (!passwordOk) ThrowDaoError(kDaoBadPassword);
  CFileRegistry::Add(kServerDevice, ServerIdentity(path), file);
  return file;
}

// A connection of the engine's own to a server library, outside the
// registry (creation and removal).
void ConnectOwn(CSqlConnection& conn, const std::string& name) {
  conn.Open(name, CSqlOpenOptions());
  conn.SetBusyTimeout(CWorkspaceState::BusyTimeout());
}

void CreateOnServer(const std::string& path, const std::string& locale) {
  try {
    CSqlConnection conn;
    ConnectOwn(conn, path);
    conn.BeginImmediate();
    // The layout is created in the transaction: a failure leaves nothing.
    if (CBookkeeping::IsEngineFile(conn)) ThrowDaoError(kDaoDatabaseExists, path.c_str());
    CBookkeeping::CreateFresh(conn, PasswordOf(locale), CurrentDateValue());
    conn.Commit();
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, FailureContext::kCreate, path.c_str());
  }
}

}  // namespace

std::string PasswordOf(const std::string& connect) {
  size_t pos = 0;
  while (pos < connect.size()) {
    size_t end = connect.find(';', pos);
    if (end == std::string::npos) end = connect.size();
    std::string part = connect.substr(pos, end - pos);
    if (part.size() >= 4 && NamesEqual(part.substr(0, 4), "PWD=")) return part.substr(4);
    pos = end + 1;
  }
  return std::string();
}

std::shared_ptr<CSession> CSession::Open(const std::string& path, bool exclusive, bool readOnly,
                                         const std::string& connect) {
  if (!CSqlConnection::InitializeBackend()) {
    ThrowAfxDaoError(AFX_DAO_ERROR_ENGINE_INITIALIZATION);
  }
  const char* name = path.c_str();
  if (IsServerName(path)) {
    std::shared_ptr<CSession> session(new CSession);
    session->m_path = path;
    session->m_connect = connect;
    session->m_instanceId = NewInstanceId();
    std::shared_ptr<CEngineFile> file = CFileRegistry::Find(kServerDevice, ServerIdentity(path));
    if (file == nullptr) {
      file = OpenServerFile(path, exclusive, PasswordOf(connect));
    } else {
      if (file->IsExclusive()) ThrowDaoError(kDaoOpenedExclusively, name);
      if (exclusive) ThrowDaoError(kDaoFileInUse, name);
      bool passwordOk = false;
      try {
        passwordOk = CBookkeeping::CheckPassword(file->Conn(), PasswordOf(connect));
      } catch (const CSqlFailure& failure) {
        ThrowOpenFailure(failure, path);
      }
      if (!passwordOk) ThrowDaoError(kDaoBadPassword);
    }
    return session->Attach(file, readOnly);
  }
  struct stat st {};
  if (path.empty() || ::stat(name, &st) != 0) {
    ThrowDaoError(ParentExists(path) ? kDaoFileNotFound : kDaoInvalidPath, name);
  }
  if (!S_ISREG(st.st_mode)) ThrowDaoError(kDaoInvalidPath, name);
  std::string password = PasswordOf(connect);
  std::shared_ptr<CSession> session(new CSession);
  session->m_path = path;
  session->m_connect = connect;
  session->m_instanceId = NewInstanceId();

  std::shared_ptr<CEngineFile> file =
      CFileRegistry::Find(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino));
  if (file != nullptr) {
    if (file->IsExclusive()) ThrowDaoError(kDaoOpenedExclusively, name);
    if (exclusive) ThrowDaoError(kDaoFileInUse, name);
    if (!readOnly && file->IsReadOnlyConnection()) ThrowDaoError(kDaoCannotOpenFile, name);
    bool passwordOk = false;
    try {
      passwordOk = CBookkeeping::CheckPassword(file->Conn(), password);
    } catch (const CSqlFailure& failure) {
      ThrowOpenFailure(failure, path);
    }
    if (!passwordOk) ThrowDaoError(kDaoBadPassword);
  } else {
    CFileLock lock;
    switch (lock.Acquire(path, exclusive)) {
      case CFileLock::Result::kLocked:
        break;
      case CFileLock::Result::kMissing:
        ThrowDaoError(kDaoFileNotFound, name);
      case CFileLock::Result::kInUse:
        ThrowDaoError(kDaoFileInUse, name);
      case CFileLock::Result::kHeldExclusively:
        ThrowDaoError(kDaoOpenedExclusively, name);
      case CFileLock::Result::kNoResources:
        ThrowDaoError(kDaoResourcesExceeded);
      case CFileLock::Result::kError:
        ThrowDaoError(kDaoCannotOpenFile, name);
    }
    char header[100] = {};
    if (lock.ReadHeader(header, sizeof header) < sizeof header || !HasBackendHeader(header)) {
      ThrowDaoError(kDaoUnrecognizedFormat, name);
    }
    bool writable = ::access(name, W_OK) == 0;
    if (!readOnly && !writable) ThrowDaoError(kDaoCannotOpenFile, name);
    // Log files a reader elsewhere left (or still uses) that this user
    // cannot write would fail every write: remove them while idle, or
    // refuse to open for writing rather than hand out a database that
    // cannot write.
    if (writable && !WalFilesWritable(path) && !RemoveIdleWalFiles(path, lock, exclusive) &&
        !readOnly) {
      ThrowDaoError(kDaoCannotOpenFile, name);
    }
    uint64_t device = lock.Device();
    uint64_t inode = lock.Inode();
    file = std::make_shared<CEngineFile>(path, std::move(lock), !writable, exclusive);
    bool engineFile = false;
    try {
      try {
        OpenConnection(*file, writable, false);
        engineFile = CBookkeeping::IsEngineFile(file->Conn());
      } catch (const CSqlFailure& failure) {
        // A file opened for reading in a folder this process cannot write
        // has no shared WAL index to read through (whether or not the file
        // itself could be written).  Without other users (an exclusive
        // open) it can be read as an unchanging file.
        bool walIndexMissing = failure.Status() == SqlStatus::kCantOpen ||
                               failure.Status() == SqlStatus::kReadOnly ||
                               failure.Status() == SqlStatus::kIoError;
        if (!readOnly || !walIndexMissing) throw;
        if (!exclusive) ThrowDaoError(kDaoCannotOpenFile, name);
        file->MarkReadOnlyConnection();
        file->Conn().Close();
        OpenConnection(*file, false, true);
        engineFile = CBookkeeping::IsEngineFile(file->Conn());
      }
    } catch (const CSqlFailure& failure) {
      ThrowOpenFailure(failure, path);
    }
    if (!engineFile) ThrowDaoError(kDaoUnrecognizedFormat, name);
    bool passwordOk = false;
    try {
      passwordOk = CBookkeeping::CheckPassword(file->Conn(), password);
      file->Refresh();
    } catch (const CSqlFailure& failure) {
      ThrowOpenFailure(failure, path);
    }
    if (!passwordOk) ThrowDaoError(kDaoBadPassword);
    CFileRegistry::Add(device, inode, file);
  }
  return session->Attach(file, readOnly);
}

std::shared_ptr<CSession> CSession::Attach(const std::shared_ptr<CEngineFile>& file,
                                           bool readOnly) {
  const char* name = m_path.c_str();
  std::shared_ptr<CSession> session = shared_from_this();
  session->m_readOnly = readOnly || file->IsReadOnlyConnection();
  session->m_file = file;
  file->AddSession(!session->m_readOnly);
  if (!session->m_readOnly && CWorkspaceState::Depth() > 0) {
    // A database opened inside a workspace transaction takes part in it.
    try {
      file->Join(CWorkspaceState::Depth());
    } catch (const CSqlFailure& failure) {
      ThrowFromBackend(failure, FailureContext::kWrite, name);
    }
  }
  return session;
}

void CSession::Create(const std::string& path, const std::string& locale) {
  if (!CSqlConnection::InitializeBackend()) {
    ThrowAfxDaoError(AFX_DAO_ERROR_ENGINE_INITIALIZATION);
  }
  const char* name = path.c_str();
  if (IsServerName(path)) return CreateOnServer(path, locale);
  struct stat st {};
  if (path.empty()) ThrowDaoError(kDaoInvalidPath, name);
  if (::lstat(name, &st) == 0) ThrowDaoError(kDaoDatabaseExists, name);
  int fd = ::open(name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) ThrowDaoError(kDaoDatabaseExists, name);
    if (errno == EMFILE || errno == ENFILE) ThrowDaoError(kDaoResourcesExceeded);
    ThrowDaoError(kDaoInvalidPath, name);
  }
  ::close(fd);
  try {
    CSqlConnection conn;
    CSqlOpenOptions options;
    conn.Open(path, options);
    conn.SetBusyTimeout(CWorkspaceState::BusyTimeout());
    conn.Exec("PRAGMA journal_mode = WAL");
    conn.Exec("PRAGMA synchronous = NORMAL");
    conn.BeginImmediate();
    CBookkeeping::CreateFresh(conn, PasswordOf(locale), CurrentDateValue());
    conn.Commit();
    conn.Close();
  } catch (...) {
    // Nothing of a failed creation stays on disk.
    ::unlink(name);
    ::unlink((path + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
    try {
      throw;
    } catch (const CSqlFailure& failure) {
      ThrowFromBackend(failure, FailureContext::kCreate, name);
    }
  }
}

void CSession::DeleteServerLibrary(const std::string& name) {
  if (!CSqlConnection::InitializeBackend()) {
    ThrowAfxDaoError(AFX_DAO_ERROR_ENGINE_INITIALIZATION);
  }
  if (CFileRegistry::Find(kServerDevice, ServerIdentity(name)) != nullptr) {
    ThrowDaoError(kDaoFileInUse, name.c_str());
  }
  try {
    CSqlConnection conn;
    ConnectOwn(conn, name);
    // The open lock, exclusively: nobody else may have the library open.
    if (!conn.Server()->LockLibrary(true)) ThrowDaoError(kDaoFileInUse, name.c_str());
    conn.BeginImmediate();
    conn.Server()->DropLibraryTables();
    conn.Commit();
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, FailureContext::kOpen, name.c_str());
  }
}

CSession::~CSession() {
  CloseObjects();
  if (m_file != nullptr) {
    m_file->RemoveSession(!m_readOnly);
    if (m_file->SessionCount() == 0) CFileRegistry::Remove(m_file.get());
  }
}

void CSession::RequireWritable() const {
  if (m_readOnly) ThrowDaoError(kDaoReadOnly);
}

void CSession::AddRecordset(CDaoRecordset* recordset, int64_t tableId) {
  m_recordsets[recordset] = tableId;
}

void CSession::RemoveRecordset(CDaoRecordset* recordset) { m_recordsets.erase(recordset); }

int CSession::RecordsetsOn(int64_t tableId) const {
  int n = 0;
  for (const auto& entry : m_recordsets) {
    if (entry.second == tableId) ++n;
  }
  return n;
}

void CSession::AddTableDef(CDaoTableDef* tabledef) { m_tabledefs.insert(tabledef); }

void CSession::RemoveTableDef(CDaoTableDef* tabledef) { m_tabledefs.erase(tabledef); }

void CSession::CloseObjects() {
  // Each object unregisters itself while closing; work on copies.
  std::map<CDaoRecordset*, int64_t> recordsets;
  recordsets.swap(m_recordsets);
  for (auto& entry : recordsets) entry.first->OnDatabaseClosed();
  std::set<CDaoTableDef*> tabledefs;
  tabledefs.swap(m_tabledefs);
  for (CDaoTableDef* t : tabledefs) t->OnDatabaseClosed();
}

}  // namespace zl::engine
