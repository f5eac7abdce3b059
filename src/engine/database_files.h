// Copying and replacing whole database files that nobody has open.  A
// database is more than its file: committed transactions may still sit in
// the write-ahead log beside it (left by a process that ended without
// closing), and a log left beside a file that is replaced would be applied
// to the new file.  These routines keep both straight.
#ifndef ZLDBCTRL70_ENGINE_DATABASE_FILES_H_
#define ZLDBCTRL70_ENGINE_DATABASE_FILES_H_

#include <string>

namespace zl::engine {

// Copies the closed database source, with the write-ahead log it still has,
// to target, which must not exist.  False (errno set) on failure, and then
// no target is left.
bool CopyClosedDatabase(const std::string& source, const std::string& target);

// Puts the closed database replacement in the place of target: the target's
// leftover log files are removed (their commits are part of replacement,
// which was copied from the target), replacement takes the target's
// permission bits and is renamed onto it, so the target is either wholly
// replaced or left as it was.  When the two are on different file systems
// the bytes are written over the target instead, and a failure half-way
// leaves it damaged.  False (errno set) on failure; *inPlace tells which way
// was taken.
bool ReplaceClosedDatabase(const std::string& replacement, const std::string& target,
                           bool* inPlace);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_DATABASE_FILES_H_
