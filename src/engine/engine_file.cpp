#include "engine/engine_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/dao_errors.h"
#include "engine/faults.h"
#include "engine/wal_files.h"

namespace zl::engine {

namespace {

std::string UpperName(const std::string& name) {
  std::string out = name;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

struct RegistryEntry {
  uint64_t device;
  uint64_t inode;
  std::weak_ptr<CEngineFile> file;
};

std::vector<RegistryEntry>& Registry() {
  static std::vector<RegistryEntry> entries;
  return entries;
}

int g_depth = 0;
int g_busyTimeout = 5000;

}  // namespace

// ---- CEngineFile ----

CEngineFile::CEngineFile(std::string path, CFileLock lock, bool readOnlyConnection, bool exclusive)
    : m_path(std::move(path)),
      m_lock(std::move(lock)),
      m_readOnlyConnection(readOnlyConnection),
      m_exclusive(exclusive) {}

CEngineFile::~CEngineFile() {
  // Uncommitted work goes with the connection; the lock's descriptor is
  // closed only after SQLite has closed its own.
  try {
    if (m_conn.IsOpen()) m_conn.RollbackAll();
    if (m_conn.IsOpen() && !m_readOnlyConnection && !IsSameFile()) MoveLogIntoOpenedFile();
  } catch (...) {
  }
  m_conn.Close();
  // SQLite leaves the log files of a connection that could not write; they
  // would stop a later writer that cannot write them.
  if (m_readOnlyConnection) RemoveIdleWalFiles(m_path, m_lock, m_exclusive);
  m_lock.Release();
}

void CEngineFile::AddSession(bool writable) {
  ++m_sessions;
  if (!writable) return;
  // The first session that may write records the bookkeeping that reading
  // sessions left out: layouts cached without it are looked up again.
  if (m_writableSessions++ == 0 && !m_readOnlyConnection) ForgetUnrecordedTables();
}

void CEngineFile::ForgetUnrecordedTables() {
  std::vector<int64_t> unrecorded;
  for (const auto& entry : m_tablesById) {
    if (entry.second->NeedsRecording()) unrecorded.push_back(entry.first);
  }
  for (int64_t id : unrecorded) ForgetTable(id);
}

void CEngineFile::RemoveSession(bool writable) {
  --m_sessions;
  if (writable) --m_writableSessions;
}

std::shared_ptr<const CTableSchema> CEngineFile::FindTable(const std::string& name) {
  auto it = m_idsByName.find(UpperName(name));
  if (it != m_idsByName.end()) {
    auto t = m_tablesById.find(it->second);
    if (t != m_tablesById.end()) return t->second;
  }
  std::shared_ptr<CTableSchema> loaded = CBookkeeping::LoadTable(m_conn, name);
  if (loaded == nullptr) loaded = CBookkeeping::AdoptTable(m_conn, name);
  if (loaded == nullptr) return nullptr;
  loaded = Settle(loaded, 0);
  PutTable(loaded);
  return loaded;
}

std::shared_ptr<const CTableSchema> CEngineFile::FindTableById(int64_t id) {
  auto settled = m_settledIds.find(id);
  if (settled != m_settledIds.end()) id = settled->second;
  auto t = m_tablesById.find(id);
  if (t != m_tablesById.end()) return t->second;
  std::shared_ptr<CTableSchema> loaded = CBookkeeping::LoadTableById(m_conn, id);
  if (loaded == nullptr) {
    auto adopted = m_adoptedNames.find(id);
    if (adopted == m_adoptedNames.end()) return nullptr;
    loaded = CBookkeeping::LoadTable(m_conn, adopted->second);
    if (loaded == nullptr) loaded = CBookkeeping::AdoptTable(m_conn, adopted->second);
    if (loaded == nullptr) return nullptr;
  }
  loaded = Settle(loaded, id);
  PutTable(loaded);
  return loaded;
}

std::shared_ptr<CTableSchema> CEngineFile::Settle(std::shared_ptr<CTableSchema> table,
                                                  int64_t preferredId) {
  if (!table->NeedsRecording()) return table;
  // Only a session that may write changes the file: while every session on
  // it reads, an adopted table gets a provisional id, as on a file this
  // process cannot write.
  if (m_readOnlyConnection || m_writableSessions == 0) {
    if (!table->recorded) {
      const std::string key = UpperName(table->name);
      auto known = m_provisionalIds.find(key);
      table->id = known != m_provisionalIds.end() ? known->second : m_nextProvisionalId--;
      m_provisionalIds[key] = table->id;
      m_adoptedNames[table->id] = table->name;
    }
    return table;
  }
  const bool wasAdopted = !table->recorded;
  // Inside a transaction (the workspace's, or a write under way) the
  // bookkeeping joins it, in a savepoint of its own; otherwise it is a
  // write of its own.
  CWriteScope scope(*this, true);
  try {
    // Under the write lock: another process may have recorded it meanwhile.
    std::shared_ptr<CTableSchema> current = CBookkeeping::LoadTable(m_conn, table->name);
    if (current == nullptr) current = CBookkeeping::AdoptTable(m_conn, table->name);
    if (current != nullptr) {
      CBookkeeping::Record(m_conn, *current, preferredId, CurrentDateValue());
      table = current;
    }
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, FailureContext::kWrite, table->name.c_str());
  }
  scope.Commit();
  if (wasAdopted) m_adoptedNames[table->id] = table->name;
  // Cursors that found the table under its provisional id keep finding it.
  if (preferredId < 0) m_settledIds[preferredId] = table->id;
  return table;
}

std::shared_ptr<CTableSchema> CEngineFile::EditTable(const std::string& name) {
  std::shared_ptr<const CTableSchema> found = FindTable(name);
  if (found == nullptr) return nullptr;
  return std::make_shared<CTableSchema>(*found);
}

void CEngineFile::PutTable(const std::shared_ptr<CTableSchema>& table) {
  ForgetTable(table->id);
  m_tablesById[table->id] = table;
  m_idsByName[UpperName(table->name)] = table->id;
  ++m_schemaEpoch;
}

void CEngineFile::ForgetTable(int64_t id) {
  auto t = m_tablesById.find(id);
  if (t != m_tablesById.end()) {
    m_idsByName.erase(UpperName(t->second->name));
    m_tablesById.erase(t);
  }
  ++m_schemaEpoch;
  BumpTable(id);
}

void CEngineFile::ForgetSchema() {
  m_tablesById.clear();
  m_idsByName.clear();
  ++m_schemaEpoch;
  ++m_externalGeneration;
}

uint64_t CEngineFile::TableGeneration(int64_t tableId) const {
  auto it = m_tableGenerations.find(tableId);
  return it != m_tableGenerations.end() ? it->second : 0;
}

void CEngineFile::BumpTable(int64_t tableId) { ++m_tableGenerations[tableId]; }

void CEngineFile::MarkWritten(int64_t tableId, bool keepsNumbers) {
  m_written.insert(tableId);
  if (!keepsNumbers) m_numbersMoved.insert(tableId);
  BumpTable(tableId);
}

void CEngineFile::KeepDatesOnlyFor(const std::vector<std::string>& names) {
  m_datedNames.clear();
  for (const std::string& name : names) m_datedNames.insert(UpperName(name));
  m_datesForSomeOnly = true;
}

bool CEngineFile::KeepsDate(int64_t tableId) const {
  if (!m_datesForSomeOnly) return true;
  auto t = m_tablesById.find(tableId);
  // A table whose layout is not at hand (dropped in this transaction, say)
  // keeps the default.
  if (t == m_tablesById.end()) return true;
  return m_datedNames.count(UpperName(t->second->name)) != 0;
}

CEngineFile::Sequence& CEngineFile::LoadSequence(int64_t tableId, const std::string& tableName) {
  Sequence& s = m_sequences[tableId];
  if (!s.loaded) {
    int64_t nextRowId = 1;
    int64_t nextCounter = 1;
    CBookkeeping::LoadSequences(m_conn, tableId, tableName, nextRowId, nextCounter);
    // What this process handed out before (in a transaction that was then
    // rolled back) is not handed out again either.
    s.nextRowId = std::max(s.nextRowId, nextRowId);
    s.nextCounter = std::max(s.nextCounter, nextCounter);
    s.loaded = true;
  }
  return s;
}

int64_t CEngineFile::TakeRowId(int64_t tableId, const std::string& tableName) {
  Sequence& s = LoadSequence(tableId, tableName);
  s.dirty = true;
  return s.nextRowId++;
}

int64_t CEngineFile::TakeCounter(int64_t tableId, const std::string& tableName) {
  Sequence& s = LoadSequence(tableId, tableName);
  s.dirty = true;
  return s.nextCounter++;
}

void CEngineFile::ResetSequences(int64_t tableId) { m_sequences.erase(tableId); }

void CEngineFile::CheckKeptSequences() {
  if (m_sequencesVersion < 0) return;
  // The transaction just begun knows the data version (its begin read it):
  // the sequences kept from before hold if nobody else committed since.
  if (m_conn.DataVersion() != m_sequencesVersion) {
    for (auto& entry : m_sequences) entry.second.loaded = false;
  }
  m_sequencesVersion = -1;
}

void CEngineFile::FlushBeforeCommit() {
  // One statement per table: its sequences (when rows were added) and its
  // last-updated date (when it was written).
  // Tables whose dates are not kept need a statement only when rows were
  // added to them.
  std::set<int64_t> dated;
  for (int64_t id : m_written) {
    if (KeepsDate(id)) dated.insert(id);
  }
  std::set<int64_t> tables = dated;
  for (const auto& entry : m_sequences) {
    if (entry.second.loaded && entry.second.dirty) tables.insert(entry.first);
  }
  if (tables.empty()) return;
  const double now = CurrentDateValue();
  for (int64_t id : tables) {
    auto seq = m_sequences.find(id);
    bool dirty = seq != m_sequences.end() && seq->second.loaded && seq->second.dirty;
    CBookkeeping::Flush(m_conn, id, dirty ? seq->second.nextRowId : 0,
                        dirty ? seq->second.nextCounter : 0, dated.count(id) != 0, now);
    // The table's bookkeeping changed: what cursors remember of it is stale.
    BumpTable(id);
  }
}

void CEngineFile::AfterTransaction(bool rolledBack) {
  // After a commit on a server the sequences stay loaded at the version the
  // commit left, except those of tables written in ways that may have put
  // numbers past them.
  const int64_t keptVersion = rolledBack ? -1 : m_conn.KeptVersion();
  for (auto& entry : m_sequences) {
    Sequence& s = entry.second;
    s.loaded = keptVersion >= 0 && s.loaded && m_numbersMoved.count(entry.first) == 0;
    s.dirty = false;
  }
  m_sequencesVersion = keptVersion;
  m_written.clear();
  m_numbersMoved.clear();
  if (rolledBack) {
    // Rows and layouts may have gone back to what they were.
    m_tablesById.clear();
    m_idsByName.clear();
    ++m_schemaEpoch;
    ++m_externalGeneration;
  }
}

std::string CEngineFile::LevelName(int depth) { return "zl_level_" + std::to_string(depth); }

void CEngineFile::DropCachedState() {
  m_tablesById.clear();
  m_idsByName.clear();
  ++m_schemaEpoch;
  ++m_externalGeneration;
}

void CEngineFile::PushLevel(bool workspace, bool forWriting) {
  if (m_levels.empty()) {
    if (forWriting) {
      RequireSameFile();
      m_conn.BeginImmediate();
    } else {
      m_conn.BeginDeferred();
    }
    try {
      // The log's header before this transaction's first read: unchanged
      // later, it shows that nobody committed since.
      m_logStampValid = m_conn.ReadLogStamp(m_logStamp);
      RefreshNow();
      CheckKeptSequences();
      if (!m_logStampValid) m_conn.OpenLogStamp();
    } catch (...) {
      m_conn.RollbackAll();
      throw;
    }
    m_levels.push_back(Level{workspace, false});
    return;
  }
  // Whatever follows a lazy reading level runs in a transaction.
  EnsureSqlTransaction();
  // A reading level inside another changes nothing and needs no savepoint.
  const bool savepoint = workspace || forWriting;
  if (savepoint) m_conn.Savepoint(LevelName(static_cast<int>(m_levels.size()) + 1));
  m_levels.push_back(Level{workspace, savepoint});
}

void CEngineFile::PopLevel(bool commit) {
  const Level level = m_levels.back();
  if (m_levels.size() == 1) m_conn.StopWatching();
  if (level.lazy) {
    // Nothing was begun, nothing was written.
    m_levels.pop_back();
    return;
  }
  if (m_levels.size() == 1) {
    if (!m_conn.InTransaction()) {
      // A failed commit may already have ended the transaction.
      AfterTransaction(true);
    } else if (!m_conn.HoldsWriteLock()) {
      // Nothing was written: ending it changes nothing in the file and
      // keeps what was cached.
      m_conn.EndRead();
      AfterTransaction(false);
    } else if (commit) {
      FlushBeforeCommit();
      m_conn.Commit();
      AfterTransaction(false);
    } else {
      m_conn.RollbackAll();
      AfterTransaction(true);
    }
  } else if (level.savepoint) {
    const std::string name = LevelName(static_cast<int>(m_levels.size()));
    if (!commit) {
      m_conn.RollbackTo(name);
      DropCachedState();
    }
    m_conn.Release(name);
  }
  m_levels.pop_back();
  if (level.workspace) --m_joinedDepth;
}

void CEngineFile::Join(int depth) {
  while (m_joinedDepth < depth) {
    PushLevel(true, true);
    ++m_joinedDepth;
  }
}

void CEngineFile::CommitAll() { ReleaseLevel(m_joinedDepth); }

void CEngineFile::ReleaseLevel(int depth) {
  if (m_joinedDepth != depth || depth == 0) return;
  if (!m_levels.back().workspace) {
    ThrowDaoError(kDaoOperationInvalid);
  }
  PopLevel(true);
}

void CEngineFile::RollbackLevel(int depth) {
  if (m_joinedDepth != depth || depth == 0) return;
  if (!m_levels.back().workspace) {
    ThrowDaoError(kDaoOperationInvalid);
  }
  PopLevel(false);
}

void CEngineFile::BeginFileLevel(bool forWriting) { PushLevel(false, forWriting); }

void CEngineFile::BeginLazyReadLevel() {
  CSqlConnection::CLogStamp now;
  if (!m_levels.empty() || !m_logStampValid || m_dataVersion < 0 || !m_conn.ReadLogStamp(now) ||
      std::memcmp(now, m_logStamp, sizeof now) != 0) {
    PushLevel(false, false);
    return;
  }
  // Nobody committed since the last look: the data version is as it was,
  // and a statement that reads a newer state shows in the read version.
  m_conn.Watch(m_conn.ReadVersion());
  m_levels.push_back(Level{false, false, true});
}

bool CEngineFile::SawNewerState() const { return m_conn.SawNewerState(); }

void CEngineFile::EnsureSqlTransaction() {
  if (m_levels.empty() || !m_levels.front().lazy) return;
  // The watch goes on: this transaction's first read must still find the
  // state the level began with.
  m_conn.BeginDeferred();
  m_levels.front().lazy = false;
}

void CEngineFile::CommitFileLevel() {
  if (m_levels.empty() || m_levels.back().workspace) {
    ThrowDaoError(kDaoNoTransaction);
  }
  PopLevel(true);
}

void CEngineFile::RollbackFileLevel() {
  if (m_levels.empty() || m_levels.back().workspace) {
    ThrowDaoError(kDaoNoTransaction);
  }
  PopLevel(false);
}

bool CEngineFile::IsSameFile() const {
  // A server library has no file that could be replaced under it.
  if (m_conn.Server() != nullptr) return true;
  struct stat st {};
  return ::stat(m_path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == m_lock.Device() &&
         static_cast<uint64_t>(st.st_ino) == m_lock.Inode();
}

void CEngineFile::RequireSameFile() const {
  if (!IsSameFile()) ThrowAfxDaoError(AFX_DAO_ERROR_FILE_REPLACED);
}

void CEngineFile::MoveLogIntoOpenedFile() {
  // SQLite does not copy the log of a moved file on close and leaves it
  // where the new file would read it as its own.  Unless a user of this
  // engine already has the new file open, copy it into the file this
  // connection opened and empty it.
  CFileLock probe;
  if (probe.Acquire(m_path, true) != CFileLock::Result::kLocked) return;
  m_conn.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void CEngineFile::BeginOwn() {
  RequireSameFile();
  m_conn.BeginImmediate();
  try {
    CheckKeptSequences();
  } catch (...) {
    m_conn.RollbackAll();
    throw;
  }
}

void CEngineFile::CommitOwn() {
  FlushBeforeCommit();
  m_conn.Commit();
  AfterTransaction(false);
}

void CEngineFile::RollbackOwn() {
  if (m_conn.InTransaction()) m_conn.RollbackAll();
  AfterTransaction(true);
}

void CEngineFile::Refresh() {
  // Inside a transaction the view is fixed (and while this process holds
  // the write lock nobody else can commit).
  if (!m_levels.empty()) return;
  RefreshNow();
}

void CEngineFile::RefreshLayouts() {
  Refresh();
  // The layouts read since the version last looked at stay: nobody changed
  // one (every layout change moves the version).
  const int64_t version = m_conn.SchemaVersion();
  if (version == m_schemaVersion) return;
  ForgetSchema();
  m_schemaVersion = version;
}

void CEngineFile::RefreshNow() {
  int64_t dataVersion = m_conn.DataVersion();
  if (dataVersion == m_dataVersion) return;
  bool first = m_dataVersion < 0;
  m_dataVersion = dataVersion;
  if (!first) ++m_externalGeneration;
  int64_t schemaVersion = m_conn.SchemaVersion();
  if (schemaVersion != m_schemaVersion) {
    if (m_schemaVersion >= 0) ForgetSchema();
    m_schemaVersion = schemaVersion;
  }
}

// ---- CFileRegistry ----

std::shared_ptr<CEngineFile> CFileRegistry::Find(uint64_t device, uint64_t inode) {
  for (const RegistryEntry& e : Registry()) {
    if (e.device == device && e.inode == inode) return e.file.lock();
  }
  return nullptr;
}

void CFileRegistry::Add(uint64_t device, uint64_t inode, const std::shared_ptr<CEngineFile>& file) {
  Registry().push_back(RegistryEntry{device, inode, file});
}

void CFileRegistry::Remove(const CEngineFile* file) {
  auto& entries = Registry();
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [file](const RegistryEntry& e) {
                                 auto f = e.file.lock();
                                 return f == nullptr || f.get() == file;
                               }),
                entries.end());
}

std::vector<std::shared_ptr<CEngineFile>> CFileRegistry::All() {
  std::vector<std::shared_ptr<CEngineFile>> files;
  for (const RegistryEntry& e : Registry()) {
    if (auto f = e.file.lock()) files.push_back(f);
  }
  return files;
}

void CFileRegistry::RefreshAll() {
  for (const RegistryEntry& e : Registry()) {
    if (auto f = e.file.lock()) f->Refresh();
  }
}

// ---- CWorkspaceState ----

int CWorkspaceState::Depth() { return g_depth; }

void CWorkspaceState::Begin() {
  int depth = g_depth + 1;
  std::vector<std::shared_ptr<CEngineFile>> joined;
  std::vector<int> before;
  try {
    for (const auto& f : CFileRegistry::All()) {
      if (!f->Participates()) continue;
      before.push_back(f->JoinedDepth());
      joined.push_back(f);
      f->Join(depth);
    }
  } catch (const CSqlFailure& failure) {
    // Undo what this call began, so that the failed begin changes nothing.
    for (size_t i = 0; i < joined.size(); ++i) {
      try {
        while (joined[i]->JoinedDepth() > before[i]) {
          joined[i]->RollbackLevel(joined[i]->JoinedDepth());
        }
      } catch (...) {
      }
    }
    ThrowFromBackend(failure, FailureContext::kWrite);
  }
  g_depth = depth;
}

void CWorkspaceState::Commit() {
  if (g_depth == 0) ThrowDaoError(kDaoNoTransaction);
  try {
    for (const auto& f : CFileRegistry::All()) {
      if (f->JoinedDepth() != g_depth) continue;
      if (g_depth == 1) {
        f->CommitAll();
      } else {
        f->ReleaseLevel(g_depth);
      }
    }
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, FailureContext::kCommit);
  }
  --g_depth;
}

void CWorkspaceState::Rollback() {
  if (g_depth == 0) ThrowDaoError(kDaoNoTransaction);
  const CSqlFailure* first = nullptr;
  CSqlFailure saved(SqlStatus::kOk, "");
  for (const auto& f : CFileRegistry::All()) {
    try {
      f->RollbackLevel(g_depth);
    } catch (const CSqlFailure& failure) {
      if (first == nullptr) {
        saved = failure;
        first = &saved;
      }
    }
  }
  --g_depth;
  if (first != nullptr) ThrowFromBackend(*first, FailureContext::kWrite);
}

int CWorkspaceState::BusyTimeout() { return g_busyTimeout; }

void CWorkspaceState::SetBusyTimeout(int milliseconds) {
  g_busyTimeout = milliseconds < 0 ? 0 : milliseconds;
  for (const auto& f : CFileRegistry::All()) f->Conn().SetBusyTimeout(g_busyTimeout);
}

// ---- CWriteScope ----

CWriteScope::CWriteScope(CEngineFile& file, bool multiStatement) : m_file(file) {
  try {
    if (!file.InTransaction()) {
      file.BeginOwn();
      m_own = true;
      return;
    }
    file.EnsureSqlTransaction();
    // A reading transaction becomes a writing one with this write.
    if (!file.Conn().HoldsWriteLock()) file.RequireSameFile();
    // On a server a failed statement spoils its whole transaction unless
    // a savepoint before it is rolled back to, so every write takes one.
    if (multiStatement || file.Conn().Server() != nullptr) {
      file.Conn().Savepoint("zl_operation");
      m_savepoint = true;
    }
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, FailureContext::kWrite);
  }
}

CWriteScope::~CWriteScope() {
  if (m_done) return;
  try {
    if (m_own) {
      m_file.RollbackOwn();
    } else if (m_savepoint) {
      m_file.Conn().RollbackTo("zl_operation");
      m_file.Conn().Release("zl_operation");
      m_file.ForgetSchema();
    }
  } catch (...) {
  }
}

void CWriteScope::Commit() {
  try {
    if (m_own) {
      m_file.CommitOwn();
    } else if (m_savepoint) {
      m_file.Conn().Release("zl_operation");
    }
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, FailureContext::kCommit);
  }
  m_done = true;
}

}  // namespace zl::engine
