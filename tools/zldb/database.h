// The model library a command works on, and the messages for what goes
// wrong with it.  Every message goes to standard error as
// "zldb: FILE: cause", naming the file as the user gave it and saying the
// cause from the library's last error plus what the tool can see for itself
// (a folder, an empty file, a plain SQLite file, a folder that cannot be
// written, a lock held by another process).
#ifndef ZLDB_DATABASE_H_
#define ZLDB_DATABASE_H_

#include <memory>
#include <string>

#include "wait_notice.h"
#include "zldbctrl70.h"

namespace zldb {

// Whether a library name names a library on a PostgreSQL server (a
// "postgresql://" URI, or "postgresql:" and a connection string).
bool IsServerName(const std::string& name);

// Prints "zldb: message" on standard error.
void PrintError(const std::string& message);
void PrintWarning(const std::string& message);

// Prints "zldb: FILE: WHAT failed: TEXT (CODE)" from the library's last
// error, for the calls that take a file name instead of a handle; returns
// the exit status of a failure (1).
int PrintLibraryFailure(const std::string& file, const std::string& what);

class CDatabase {
 public:
  CDatabase() = default;
  ~CDatabase();
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;

  // Opens an existing model library; false after printing why it cannot.
  bool Open(const std::string& path, EOpenMode mode);
  // Creates a new, empty one (never over an existing file); false after
  // printing why it cannot.
  bool Create(const std::string& path);

  void* Handle() const { return m_hDB; }
  // Takes the handle a call handed back in place of the one it was given
  // (which that call released); null when it released it and gave none.
  void Adopt(void* hDB) { m_hDB = hDB; }
  const std::string& Path() const { return m_path; }

  // Runs one library call (returning 1 or 0); on failure prints
  // "zldb: FILE: WHAT failed: cause" and returns false.
  template <typename Call>
  bool Run(const std::string& what, Call&& call) {
    const double start = Now();
    if (m_notice) m_notice->Begin();
    const bool ok = call() != 0;
    if (m_notice) m_notice->End();
    if (!ok) ReportFailure(what, Now() - start);
    return ok;
  }

  // Prints why the call described by what failed, from the last error; the
  // seconds it took tell a lock wait from other failures.
  void ReportFailure(const std::string& what, double seconds = 0) const;

 private:
  static double Now();
  // Starts announcing long waits when standard error is a terminal.
  void WatchWaits(const std::string& path);
  // Gives the library the wait of --timeout, if one was given.
  bool SetLockWait();

  void* m_hDB = nullptr;
  std::string m_path;
  bool m_writing = false;
  std::unique_ptr<CWaitNotice> m_notice;
};

}  // namespace zldb

#endif  // ZLDB_DATABASE_H_
