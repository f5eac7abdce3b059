// Database handles: versions, creation, opening and closing, the database's
// own properties and login.
//
// Every operation that takes a database handle validates it first (an
// invalid, freed or foreign handle gives last error 7 and changes nothing),
// returns 1 with last error 0 on success or 0 with a last-error code
// (zldbctrl70/errors.h) on failure, and never lets an exception escape.
//
// Threads: the library starts none.  Calls may come from any thread; they
// run one at a time (a process-wide lock held for each call), so threads
// that use different handles, on the same file or on different files, do
// not disturb each other.  What stays the caller's affair: the last error
// is process-wide, so another thread's call may replace it before it is
// read; a caller transaction or snapshot mode belongs to its handle, whatever
// thread calls with it; and objects and containers handed to a call must not
// be touched by another thread until the call returns.
#ifndef ZLDBCTRL70_DATABASE_H_
#define ZLDBCTRL70_DATABASE_H_

#include <cstdint>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"

// Layout version of a database.  Databases of every version from 0 up exist;
// this library creates version 22.
enum ZLDBVersion : int32_t {
  ZLDBVersion0 = 0,
  ZLDBVersion22 = 22,
  ZLDBVersionCurrent = ZLDBVersion22,
};

// Structure version of a database; this library reads up to 5.
enum ZLDBStructVersion : int32_t {
  ZLDBStructVersion0 = 0,
  ZLDBStructVersion5 = 5,
  ZLDBStructVersionCurrent = ZLDBStructVersion5,
};

// How a database is opened.
enum EOpenMode : int32_t {
  eOpenReadWrite = 0,        // read-write; a database protected by a login needs it
  eOpenReadOnly = 1,         // read-only; the file need not be writable; no login check
  eOpenReadWriteNoLogin = 2  // read-write without the login check (any other value too)
};

// ---- versions and errors --------------------------------------------------

// The database layout version this library creates (22).
ZL_EXPORT ZLDBVersion GetZLDBCtrlDBVersion();
// The structure version this library creates (5).
ZL_EXPORT ZLDBStructVersion GetZLDBCtrlStructVersion();
// Both packed: structure version << 16 | database version (327702).
ZL_EXPORT int GetZLDBCtrlVersion();

// Copies the full path of the handle's database file into name.  On success
// the last error is left as it was.
ZL_EXPORT int ZLGetDBName(void* hDB, CString& name);

// ---- creation, opening and closing ----------------------------------------

// Creates a new, empty model-library database and returns a read-write
// handle on it (reference count 1), or null with last error 1 (the file
// exists, or its tables could not be built), 4 (the engine could not create
// the file, e.g. a missing folder) or 6 (out of memory or file descriptors).  An existing file
// is never touched.
ZL_EXPORT void* ZLCreateDatabase(const char* path);

// Opens an existing model-library database.  Opens of the same file (by
// identity, whatever the spelling of the path) with the same mode and login
// share one handle and count references.  Null on failure with last error
// 3 (no such file), 2 (a writable mode on a file that is not writable), 12
// (writable mode: the file is locked or opened exclusively elsewhere, or a
// reader elsewhere still uses log files this user cannot write), 1
// (read-only mode: the same), 13 (structure newer than this library), 37
// (mode 0 on a database protected by a login that differs), 33 (the engine
// could not start), 5 (any other failure, including a path or login of 260
// characters or more) or 6 (out of memory or file descriptors).  A failed
// open leaves nothing open.  A null login is the empty login.
//
// Mode 1 never leaves files that stop a later writer: the write-ahead log
// files a reader that cannot write the database creates are removed when it
// closes (and a writable open removes such files an abandoned reader left,
// while nobody uses them).  Where the folder cannot be written, mode 1 opens
// the file exclusively (other opens are refused until it closes) and reads it as it
// stands.
ZL_EXPORT void* ZLOpenDatabase(const char* name, EOpenMode mode, const char* login);
ZL_EXPORT void* ZLOpenDatabase(const char* name, EOpenMode mode);

// In snapshot mode (on non-zero) the handle reads one committed state of
// the database, taken when the mode is switched on: what other processes
// commit afterwards (rows, fields, language tables) stays unseen until the
// mode is switched off.  The picture is a read transaction held on the file
// while the mode is on; its cost is that the file's write-ahead log cannot
// be checkpointed past it, so the log grows while others write.  A write
// through the handle ends the picture; the next call takes a new one, which
// shows the write and everything others committed before it.  Inside a
// caller transaction the transaction is the picture.  The picture belongs
// to the process's connection to the file, so other handles on the same
// file in this process read it too.  Switching the mode off ends it.
ZL_EXPORT int ZLSetDatabaseSnapShotMode(void* hDB, int on);

// Gives back one reference to the handle; the last one closes the database
// and invalidates the handle.
ZL_EXPORT int ZLCloseDatabase(void* hDB);

// Removes a model library in a database on a PostgreSQL server (a
// postgresql:// name, as ZLCreateDatabase takes), which unlike a file cannot
// be deleted by other means: every table of it is dropped in one
// transaction, so it is either gone or left whole; tables of other
// applications in the same database stay.  Only a database that
// opens as a library is touched.  0 with last error 3 (the database holds
// no library), 12 (a handle or a client anywhere, this process included,
// has it open), 5 (a file name, an unreadable name, a server that cannot be
// reached, or a database that is not a library) or 9 (the server failed
// while dropping; nothing was removed).  A file library is removed as the
// file it is.
ZL_EXPORT int ZLDeleteServerLibrary(const char* name);

// Handles still open when the library is unloaded or the process exits
// normally (exit, or a return from main) are closed then, whatever their
// reference counts: uncommitted caller transactions are rolled back, and
// each file is closed as by its last ZLCloseDatabase, so nothing is left for
// the next user to recover.  A process that is killed closes nothing; its
// committed writes are kept all the same.

// Tells whether the storage engine can be used: 1 when the SQLite library
// loaded at run time is recent enough for this library, built for use from
// several threads and able to keep a write-ahead log (tried on a scratch
// file in the temporary folder, $TMPDIR or /tmp); else 0, and with
// bShowErrors non-zero a line on standard error saying what is missing.
// The last error is left as it was.
ZL_EXPORT int RegisterDAO(int bShowErrors);

// How long an operation waits for a file's write lock while another process
// holds it (a write in progress, or a caller transaction) before it fails
// with 12: lMilliseconds, 0 for not at all; 5000 until set.  The setting is
// process-wide: it holds for every database open in this process and for
// later opens, whichever handle set it.  A negative value or one above
// 2147483647 gives 9 and changes nothing.
ZL_EXPORT int ZLSetBusyTimeout(void* hDB, long lMilliseconds);

// ---- caller transactions ----------------------------------------------------
//
// Between ZLBeginTransaction and ZLCommitTransaction every operation on the
// handle runs in one transaction on its file: one commit for a whole model
// or import, and all of a batch or none of it.  Each operation inside stays
// all-or-nothing on its own: one that fails undoes only what it wrote and
// the caller's transaction stays open.
//
// - Nesting is counted: a begin inside an open transaction opens an inner
//   level; committing an inner level keeps its writes in the enclosing one,
//   rolling it back undoes only what was written since its begin.  Only the
//   outermost commit makes anything durable.
// - On a handle that can write, the begin of the outermost level takes the
//   file's write lock, waiting at most the busy timeout (5 s), else 0 with
//   last error 12.  Until the commit, other processes see nothing of it and
//   their writes wait (then fail with 12); their reads go on and see the
//   state before the transaction.  On a read-only handle the transaction is
//   a read transaction: one committed state for every call inside it.
// - Closing the handle's last reference, or the process ending, with a
//   transaction open rolls it back: nothing of it is ever visible.
// - The transaction belongs to the handle: opens that share the handle (same
//   file, mode and login) share it, and since handles on one file in a
//   process share its connection, writes through any of them join it.
// - ZLCommitTransaction and ZLRollbackTransaction without an open
//   transaction fail with 40.  A failed commit (9: disk error or full)
//   leaves the transaction open for ZLRollbackTransaction.
ZL_EXPORT int ZLBeginTransaction(void* hDB);
ZL_EXPORT int ZLCommitTransaction(void* hDB);
ZL_EXPORT int ZLRollbackTransaction(void* hDB);

// ---- properties and login --------------------------------------------------

// The versions read when the database was opened (or last set).
ZL_EXPORT int ZLGetDatabaseVersion(void* hDB, ZLDBVersion& version,
                                   ZLDBStructVersion& structVersion);
// Stores both versions in the database and in the handle.
ZL_EXPORT int ZLSetDatabaseVersion(void* hDB, ZLDBVersion version, ZLDBStructVersion structVersion);
// The state word; 1 means the login is enforced when opening read-write.
ZL_EXPORT int ZLGetDatabaseState(void* hDB, unsigned long& state);
// Writes the state word and renews the layout change stamp.
ZL_EXPORT int ZLSetDatabaseState(void* hDB, unsigned long& state);
ZL_EXPORT int ZLGetUserVersion(void* hDB, CString& userVersion);
ZL_EXPORT int ZLSetUserVersion(void* hDB, const char* userVersion);
ZL_EXPORT int ZLGetDatabaseInfo(void* hDB, CString& info);
ZL_EXPORT int ZLSetDatabaseInfo(void* hDB, const char* info);
// When the model tree, respectively the package tree, last changed; the
// creation date of the database's property table when no change was stamped.
ZL_EXPORT int ZLGetLastLayoutChangeDate(void* hDB, COleDateTime& date);
ZL_EXPORT int ZLGetPackageLastChangeDate(void* hDB, COleDateTime& date);
// Replaces the login: oldLogin must match the stored one (missing or empty
// when none is stored); an empty or null newLogin removes it.  Last error 39
// on a mismatch, nothing changed.
ZL_EXPORT int ZLSetDatabaseLogin(void* hDB, const char* newLogin, const char* oldLogin);
// 1 when login matches the stored login exactly (case-sensitive) or no login
// is stored; 0 with last error 39 otherwise, or when login is null or empty.
ZL_EXPORT int ZLCheckDatabaseLogin(void* hDB, const char* login);

// Brings an open database of an older layout (version below 22) up to the
// current one, step by step; each step and the version it reaches are
// written together, so an interrupted upgrade leaves the last version
// reached and a second call continues from there.  Returns the handle to go
// on with: the same one when there was nothing to do (also with last error
// 2 for a read-only handle) or nothing was compacted; a new one when a
// database older than version 18 was compacted and reopened (the handle
// passed in is then released: one reference given back, destroyed when it
// was the last); null on failure (7 bad handle, 13 newer structure, 17 the
// compacted copy could not replace the file, 32 locked by another user, 30
// any other failure), after which the handle passed in is released too and
// the file holds the last version reached.
ZL_EXPORT void* ZLConvertDatabase(void* hDB);

#endif  // ZLDBCTRL70_DATABASE_H_
