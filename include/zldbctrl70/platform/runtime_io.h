// Run-time and file functions with their classic names and results, over
// POSIX.  Paths are '/'-separated; there are no drive letters (the drive
// part of a split path is always empty and a drive given to _makepath is
// ignored).  None of these throws.
#ifndef ZLDBCTRL70_PLATFORM_RUNTIME_IO_H_
#define ZLDBCTRL70_PLATFORM_RUNTIME_IO_H_

#include <cstddef>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/types.h"

// Buffer sizes of the classic path functions, terminator included.
#define MAX_PATH 260
#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// The absolute, normalised form of relPath: relative paths are taken from
// the current directory, "." and empty components are dropped, ".." removes
// the component before it (never going above "/").  Symbolic links are not
// resolved and the file need not exist; a trailing '/' is kept.  A null or
// empty relPath gives the current directory.  With absPath null the result
// is a new buffer from malloc (the caller frees it) and maxLength is not
// used.  Returns absPath (or the new buffer), or null, absPath untouched,
// when the result and its terminator do not fit in maxLength bytes
// (errno ERANGE) or the current directory cannot be found.
ZL_EXPORT char* _fullpath(char* absPath, const char* relPath, size_t maxLength);

// Whether path exists (mode 0), is writable (2), readable (4) or both (6):
// 0 when it is, -1 otherwise (errno set; other modes give EINVAL).  A file
// with no write permission bit counts as not writable even for the
// superuser, as a read-only file was on the original platform.
ZL_EXPORT int _access(const char* path, int mode);

// Splits path into directory (with its trailing '/'), file name without
// extension, and extension (from the last '.' of the last component, the
// '.' included).  drive is always "".  Any output may be null.  Outputs are
// buffers of _MAX_DRIVE, _MAX_DIR, _MAX_FNAME and _MAX_EXT bytes; when a
// part does not fit its buffer every given output is set to "" (errno
// ERANGE) rather than truncated.
ZL_EXPORT void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);

// Joins dir (a '/' is added when it does not end with one), fname and ext (a
// '.' is added when it does not start with one) into path, a buffer of
// _MAX_PATH bytes.  Null parts are empty; drive is ignored.  When the result
// does not fit, path is set to "" (errno ERANGE) rather than truncated.
ZL_EXPORT void _makepath(char* path, const char* drive, const char* dir, const char* fname,
                         const char* ext);

// Copies the file lpExistingFileName to lpNewFileName with the source's
// permission bits.  The copy is written to a temporary file beside the
// target and then renamed onto it, so the target is either wholly replaced
// or left as it was.  With bFailIfExists an existing target is not
// replaced (FALSE, errno EEXIST); a read-only target (see _access) is never
// replaced (FALSE, errno EACCES).  The target's folder must take new files.
// TRUE on success.
ZL_EXPORT BOOL CopyFile(const char* lpExistingFileName, const char* lpNewFileName,
                        BOOL bFailIfExists);

// Removes a file (not a directory).  TRUE on success.
ZL_EXPORT BOOL DeleteFile(const char* lpFileName);

// Writes the folder for temporary files, ending in '/', into lpBuffer:
// $TMPDIR when set and not empty, else /tmp.  Returns its length without the
// terminator; when nBufferLength is too small, the buffer is untouched and
// the size needed (terminator included) is returned.
ZL_EXPORT DWORD GetTempPath(DWORD nBufferLength, char* lpBuffer);

// Forms lpPathName + '/' (when missing) + the first three bytes of
// lpPrefixString + a number in upper-case hexadecimal + ".tmp" in
// lpTempFileName, a buffer of MAX_PATH bytes.  Only the low 16 bits of
// uUnique are used.  With uUnique 0 the function picks a number whose file
// does not exist yet and creates that file empty (atomically, so two callers
// never get the same name), and returns the number; with uUnique non-zero
// it only forms the name and returns uUnique.  Returns 0 on failure (the
// name does not fit, the folder cannot take a new file, or all 65535 numbers
// are taken).
ZL_EXPORT UINT GetTempFileName(const char* lpPathName, const char* lpPrefixString, UINT uUnique,
                               char* lpTempFileName);

#endif  // ZLDBCTRL70_PLATFORM_RUNTIME_IO_H_
