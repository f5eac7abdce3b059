// The write-ahead log and its shared index beside a database file
// ("-wal", "-shm").
//
// SQLite removes both when the last connection that may write closes.  A
// connection that may only read (a file this user cannot write) creates them
// too but never removes them, and it creates them with its own owner and the
// database file's permissions: left behind, they stop every later writer
// that cannot write them.  These routines find such files and remove them
// while nobody uses them.
#ifndef ZLDBCTRL70_ENGINE_WAL_FILES_H_
#define ZLDBCTRL70_ENGINE_WAL_FILES_H_

#include <string>

#include "engine/file_lock.h"

namespace zl::engine {

// True when neither file exists or this process may write every one that
// does.
bool WalFilesWritable(const std::string& path);

// Removes both files when nobody uses them and the log holds no commits:
// no other user of this engine holds the database file (the caller's lock
// can be made exclusive for the moment) and no process holds SQLite's lock
// on the index.  The caller must have no connection of its own on the file;
// its lock is left as it was (exclusive when exclusive is set).  True when
// neither file is left and the lock is still held.
bool RemoveIdleWalFiles(const std::string& path, CFileLock& lock, bool exclusive);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_WAL_FILES_H_
