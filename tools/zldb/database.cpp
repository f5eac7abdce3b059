#include "database.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "arguments.h"

namespace zldb {
namespace {

// A lock wait that fails takes at least this long (the library waits for a
// busy database before giving up); a failure that came sooner was no wait.
constexpr double kLockWaitSeconds = 1.0;

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool CanWrite(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

std::string FolderNotWritable(const std::string& path) {
  return "the folder " + Folder(path) +
         " cannot be written, and the library needs to keep its journal files beside the "
         "database";
}

// What the file is, as far as its first bytes tell, for a file the library
// could not open as a model library.
std::string DescribeUnusableFile(const std::string& path) {
  if (IsFolder(path)) return "is a folder, not a model library";
  if (::access(path.c_str(), R_OK) != 0) return "cannot be read (permission denied)";
  std::ifstream in(path, std::ios::binary);
  char header[16] = {};
  in.read(header, sizeof header);
  const std::streamsize read = in.gcount();
  if (read == 0) return "is an empty file, not a model library";
  if (read < 16 || std::string(header, 16) != std::string("SQLite format 3", 16)) {
    return "is not a model library (it is not an SQLite database file)";
  }
  return "is an SQLite database but not a model library (it lacks the model-library tables)";
}

std::string LockMessage(double seconds) {
  char text[160];
  std::snprintf(text, sizeof text,
                "is locked by another process (it is being written or held exclusively); gave "
                "up after %.0f s",
                std::ceil(seconds));
  return text;
}

std::string WithCode(const std::string& cause, int code) {
  return cause + " (library error " + std::to_string(code) + ")";
}

// The cause of a failed open or create of a library on a server.
std::string ServerCause(int code, double seconds, bool creating) {
  switch (code) {
    case ZLE_FILE_NOT_FOUND:
      return "the database holds no model library";
    case ZLE_IN_USE_OR_EXISTS:
      if (creating) return "the database holds a model library already; zldb never overwrites one";
      return LockMessage(seconds);
    case ZLE_LOCKED:
      return LockMessage(seconds);
    case ZLE_OPEN_FAILED:
    case ZLE_CREATE_FAILED:
      return "cannot be used: the server cannot be reached or refuses the connection, or the "
             "database does not exist";
    default:
      return ZLGetErrorText(code);
  }
}

// The cause of a failed call or open, in words a user can act on.
std::string Cause(const std::string& path, int code, double seconds, bool opening, bool writing) {
  if (opening && IsServerName(path)) return ServerCause(code, seconds, false);
  switch (code) {
    case ZLE_FILE_NOT_FOUND:
      return IsFolder(Folder(path))
                 ? "no such file"
                 : "no such file; the folder " + Folder(path) + " does not exist";
    case ZLE_NEWER_STRUCTURE:
      return "was written by a newer version of the library; use a newer zldb";
    case ZLE_NOT_WRITABLE:
    case ZLE_IN_USE_OR_EXISTS:
    case ZLE_LOCKED:
    case ZLE_TABLE_LOCKED:
      if (writing && Exists(path) && !CanWrite(path)) {
        return "the file is read-only, and this command writes to it";
      }
      if (writing && !CanWrite(Folder(path))) return FolderNotWritable(path);
      if (code == ZLE_LOCKED || seconds >= kLockWaitSeconds) return LockMessage(seconds);
      break;
    case ZLE_OPEN_FAILED:
    case ZLE_ENGINE_INIT:
      if (opening) return DescribeUnusableFile(path);
      break;
    case ZLE_ENGINE:
      if (seconds >= kLockWaitSeconds) return LockMessage(seconds);
      break;
    case ZLE_OUT_OF_MEMORY:
      return "out of memory";
    default:
      break;
  }
  return ZLGetErrorText(code);
}

}  // namespace

bool IsServerName(const std::string& name) { return name.rfind("postgresql:", 0) == 0; }

void PrintError(const std::string& message) { std::fprintf(stderr, "zldb: %s\n", message.c_str()); }

void PrintWarning(const std::string& message) {
  std::fprintf(stderr, "zldb: warning: %s\n", message.c_str());
}

int PrintLibraryFailure(const std::string& file, const std::string& what) {
  const int code = ZLGetLastError();
  PrintError(file + ": " + what + " failed: " + ZLGetErrorText(code) + " (" + std::to_string(code) +
             ")");
  return 1;
}

CDatabase::~CDatabase() {
  if (m_hDB != nullptr) ZLCloseDatabase(m_hDB);
  m_notice.reset();  // after the close, which may wait as well
}

double CDatabase::Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void CDatabase::WatchWaits(const std::string& path) {
  if (::isatty(STDERR_FILENO)) m_notice = std::make_unique<CWaitNotice>(path);
}

bool CDatabase::Open(const std::string& path, EOpenMode mode) {
  m_path = path;
  m_writing = mode != eOpenReadOnly;
  WatchWaits(path);
  const double start = Now();
  if (m_notice) m_notice->Begin();
  m_hDB = ZLOpenDatabase(path.c_str(), mode);
  if (m_notice) m_notice->End();
  if (m_hDB != nullptr) return SetLockWait();
  const int code = ZLGetLastError();
  PrintError(path + ": " +
             WithCode(Cause(path, code, Now() - start, true, mode != eOpenReadOnly), code));
  return false;
}

bool CDatabase::Create(const std::string& path) {
  m_path = path;
  m_writing = true;
  WatchWaits(path);
  m_hDB = ZLCreateDatabase(path.c_str());
  if (m_hDB != nullptr) return SetLockWait();
  const int code = ZLGetLastError();
  std::string cause;
  if (IsServerName(path)) {
    cause = ServerCause(code, 0, true);
  } else if (IsFolder(path)) {
    cause = "is a folder";
  } else if (Exists(path)) {
    cause = "already exists; zldb never overwrites a file";
  } else if (!IsFolder(Folder(path))) {
    cause = "the folder " + Folder(path) + " does not exist";
  } else if (!CanWrite(Folder(path))) {
    cause = "cannot create a file in the folder " + Folder(path) + " (permission denied)";
  } else {
    cause = Cause(path, code, 0, false, true);
  }
  PrintError(path + ": " + WithCode(cause, code));
  return false;
}

bool CDatabase::SetLockWait() {
  const long seconds = LockWaitSeconds();
  return seconds < 0 ||
         Run("setting the lock wait", [&] { return ZLSetBusyTimeout(m_hDB, seconds * 1000L); });
}

void CDatabase::ReportFailure(const std::string& what, double seconds) const {
  const int code = ZLGetLastError();
  PrintError(m_path + ": " + what +
             " failed: " + WithCode(Cause(m_path, code, seconds, false, m_writing), code));
}

}  // namespace zldb
