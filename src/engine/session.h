// CSession: what a CDaoDatabase holds while it is open: the shared file,
// its own read-only flag and identity (bookmarks name it), and the
// recordsets and table definitions opened on it.
#ifndef ZLDBCTRL70_ENGINE_SESSION_H_
#define ZLDBCTRL70_ENGINE_SESSION_H_

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/engine_file.h"

class CDaoRecordset;
class CDaoTableDef;

namespace zl::engine {

class CSession : public std::enable_shared_from_this<CSession> {
 public:
  // Opens (or shares) the file; throws CDaoException as CDaoDatabase::Open
  // documents.
  static std::shared_ptr<CSession> Open(const std::string& path, bool exclusive, bool readOnly,
                                        const std::string& connect);
  // Creates a new database file (closed afterwards).
  static void Create(const std::string& path, const std::string& locale);
  // Drops every table of a server library nobody has open (see
  // CDaoDatabase::DeleteServerLibrary).
  static void DeleteServerLibrary(const std::string& name);
  ~CSession();
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;

  CEngineFile& File() { return *m_file; }
  bool IsReadOnly() const { return m_readOnly; }
  uint64_t InstanceId() const { return m_instanceId; }
  const std::string& Path() const { return m_path; }
  const std::string& Connect() const { return m_connect; }
  long RecordsAffected() const { return m_recordsAffected; }
  void SetRecordsAffected(long n) { m_recordsAffected = n; }
  // Throws 3027 when nothing may be written through this session.
  void RequireWritable() const;

  // Objects opened on the database, closed with it.
  void AddRecordset(CDaoRecordset* recordset, int64_t tableId);
  void RemoveRecordset(CDaoRecordset* recordset);
  int RecordsetsOn(int64_t tableId) const;
  void AddTableDef(CDaoTableDef* tabledef);
  void RemoveTableDef(CDaoTableDef* tabledef);
  // Closes every recordset and table definition opened on this session.
  void CloseObjects();

 private:
  CSession() = default;
  // Joins the opened (or shared) file: the last step of Open.
  std::shared_ptr<CSession> Attach(const std::shared_ptr<CEngineFile>& file, bool readOnly);

  std::shared_ptr<CEngineFile> m_file;
  bool m_readOnly = false;
  uint64_t m_instanceId = 0;
  std::string m_path;
  std::string m_connect;
  long m_recordsAffected = 0;
  std::map<CDaoRecordset*, int64_t> m_recordsets;
  std::set<CDaoTableDef*> m_tabledefs;
};

// The password of a connect or locale text (";PWD=..."; "" when none).
std::string PasswordOf(const std::string& connect);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_SESSION_H_
