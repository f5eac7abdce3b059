// CDaoDatabase: one open database file.
//
// The file is an ordinary SQLite database.  Each table created through the
// engine is an SQLite table of the same name whose columns are the fields,
// in the order created; the engine's bookkeeping (field types, sizes and
// rules, index definitions, counters, table dates, the password check) lives
// in tables whose names begin with the reserved prefix "zl_engine_", which
// no table created through the engine may use.  The file is kept in WAL mode
// with synchronous=NORMAL: a commit survives a crash of the process, and the
// file is never damaged, but the last commits before a power loss or an OS
// crash may be missing.
//
// Within one process every CDaoDatabase on the same file shares one SQLite
// connection, so that the workspace's transactions cover them together;
// each keeps its own read-only flag and its own identity for bookmarks.
#ifndef ZLDBCTRL70_ENGINE_DAO_DATABASE_H_
#define ZLDBCTRL70_ENGINE_DAO_DATABASE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/dao_fieldinfo.h"
#include "engine/dao_types.h"
#include "engine/dao_workspace.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

namespace zl::engine {
class CSession;
}

class CDaoDatabase : public CObject {
 public:
  // pWorkspace null means the default workspace; every workspace object
  // stands for the process's one workspace anyway.
  explicit CDaoDatabase(CDaoWorkspace* pWorkspace = nullptr);
  // Closes the database if it is open.
  ~CDaoDatabase() override;
  CDaoDatabase(const CDaoDatabase&) = delete;
  CDaoDatabase& operator=(const CDaoDatabase&) = delete;

  CDaoWorkspace* m_pWorkspace;

  // Creates a new database file and opens it read-write, not exclusive.
  // lpszLocale may carry ";PWD=password": the database then opens only
  // with that password.  dwOptions (dbVersion30, ...) is accepted and
  // ignored.  3204 when a file of that name exists (it is left untouched),
  // 3044 when the folder does not exist or cannot be written.  On failure
  // no file is left behind and the object stays closed.
  void Create(LPCSTR lpszName, LPCSTR lpszLocale = dbLangGeneral, int dwOptions = 0);

  // Opens an existing database file.  lpszConnect may carry ";PWD=..."; a
  // database created with a password opens only with the same one (3031,
  // compared exactly); one without a password ignores it.
  //   bExclusive: no other CDaoDatabase in any process may have the file
  //     open at the same time (an exclusive open while others have it open:
  //     3045; any open while another holds it exclusively: 3356).
  //   bReadOnly: nothing can be written through this object (3027); a file
  //     the process may not write is always opened read-only, and a
  //     read-write open of it fails with 3051.  A read-only file whose
  //     folder cannot be written can be shared only when its WAL index
  //     exists; otherwise a shared read-only open fails with 3051 and an
  //     exclusive read-only open succeeds.
  // 3024 missing file, 3044 missing folder, 3343 not a database of this
  // engine (also an empty or foreign SQLite file), 3049 damaged file, 3050
  // busy beyond the timeout while opening, 3051 the file cannot be opened
  // (permissions).  Opening inside a workspace transaction takes the write
  // lock at once (3260 when busy beyond the timeout).  On failure the object
  // stays closed.
  void Open(LPCSTR lpszName, BOOL bExclusive = FALSE, BOOL bReadOnly = FALSE,
            LPCSTR lpszConnect = "");

  // Closes recordsets and table definitions opened on this object (they
  // become closed objects that can be reopened or destroyed) and releases
  // the file; its uncommitted transaction writes are dropped when no other
  // object in the process shares the file.  Closing a closed object does
  // nothing.
  void Close();
  BOOL IsOpen() const;
  BOOL CanUpdate() const;
  BOOL CanTransact() const { return TRUE; }
  // Full path of the file as given to Open/Create.
  CString GetName() const;
  CString GetConnect() const;
  CString GetVersion() const { return CString("3.0"); }

  // Runs one SQL statement.  Supported: UPDATE <table> SET <field> = <expr>
  // [, ...] [WHERE <condition>], where names are written bare (reserved words
  // such as INDEX or LIMIT included) or in [brackets], and expressions use
  // field names, numbers, 'strings', NULL, TRUE/FALSE, + - * /, & for
  // concatenation, comparisons, AND/OR/NOT, IS [NOT] NULL and parentheses.
  // The statement runs as one unit: when any changed row breaks a field rule
  // (3163, 3315, 3349, 3421, 3022) nothing is changed, whatever nOptions
  // says.  3129 for other statements, 3144 malformed, 3078 unknown table,
  // 3061 unknown field.
  void Execute(LPCSTR lpszSQL, int nOptions = dbFailOnError);
  // Rows changed by the last Execute.
  long GetRecordsAffected() const;

  // Deletes a table with its rows and indexes.  3265 when there is no such
  // table, 3211 when a recordset of this object is open on it.
  void DeleteTableDef(LPCSTR lpszName);

  // Re-reads the list of tables, so that tables other processes created or
  // deleted are seen; the cached layouts are read again only when a layout
  // changed since they were read.
  void RefreshTableDefs();
  short GetTableDefCount();
  // Tables in the order they were created.  3265 when not found.
  void GetTableDefInfo(int nIndex, CDaoTableDefInfo& tabledefinfo,
                       DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetTableDefInfo(LPCSTR lpszName, CDaoTableDefInfo& tabledefinfo,
                       DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);

  // File transactions: levels on this database's file alone, apart from the
  // workspace's transactions (which cover every file of the process).  The
  // outermost level is one SQLite transaction: writing (bWrite, on a
  // database that can be updated) it takes the file's write lock at once,
  // waiting at most the busy timeout (3260); reading it sees one committed
  // state of the file until it ends, whatever other processes commit
  // meanwhile.  An inner writing level is a savepoint (its rollback undoes
  // only what was written since its begin); an inner reading level does
  // nothing.  Levels end in the reverse order of their begin, workspace
  // levels begun inside included (3219 otherwise).  CommitFileTrans of the
  // outermost level makes its writes durable at once; when that commit fails
  // (3043, 3026) the level stays open for RollbackFileTrans.  Ending a
  // level that wrote nothing writes nothing.  All CDaoDatabase objects on
  // one file in a process share its levels, as they share its connection.
  void BeginFileTrans(BOOL bWrite);
  void CommitFileTrans();
  void RollbackFileTrans();
  // Open file levels (0 when none).
  int GetFileTransDepth() const;
  // Engine extension: begins a reading file level that costs no SQLite
  // transaction when it is the outermost level and no connection has
  // committed to the file since this process last looked (one look at the
  // file's shared log, no statement).  Each statement then reads on its
  // own; when one of them found a newer state than the level began with,
  // ReadSawNewerState() is TRUE and the caller, needing one view, ends the
  // level and repeats its reads in an ordinary one.  Otherwise, and in
  // every other case, it is BeginFileTrans(FALSE).
  void BeginFileRead();
  BOOL ReadSawNewerState() const;

  // Engine extension: from now on a committed write moves the last-updated
  // date only of the named tables of this file (case-insensitive); the other
  // tables' dates stay as they were.  Without this call every table's date
  // moves with every committed write to it, strictly increasing.  Applies to
  // every CDaoDatabase on the file in this process.
  void KeepTableDatesOnlyFor(const std::vector<std::string>& names);

  // Runs the storage's own integrity check over the whole file (pages,
  // indexes against their tables) and returns the problems it reports;
  // empty when the file is sound.  Reads only.
  std::vector<std::string> CheckIntegrity();

  // Engine extension: whether lpszName names a library in a database on a
  // PostgreSQL server ("postgresql://..." or "postgresql:" followed by a
  // connection string) rather than a file.
  static BOOL IsServerName(LPCSTR lpszName);
  // Engine extension: the one spelling of a server name (its settings parsed
  // and sorted), which is the library's identity: two spellings of one
  // library give the same text, and it opens that library.  3044 when the
  // name cannot be parsed.  With bWithPassword FALSE the passwords are left
  // out: the spelling to show a caller, not one to connect with.
  static CString CanonicalServerName(LPCSTR lpszName, BOOL bWithPassword = TRUE);
  // Engine extension: removes the library a server name names (every table
  // of it, the engine's bookkeeping included), as deleting its file removes
  // a file library.  3045 when any connection has the library open, 3260
  // when another writer does not finish within the busy timeout, 3051 when
  // the server cannot be reached.
  static void DeleteServerLibrary(LPCSTR lpszName);

  // Engine internals: the open session (null when closed).
  zl::engine::CSession* GetSession() const { return m_session.get(); }

 private:
  std::shared_ptr<zl::engine::CSession> m_session;
};

#endif  // ZLDBCTRL70_ENGINE_DAO_DATABASE_H_
