// Path functions: _fullpath, _splitpath, _makepath.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "zldbctrl70/platform/runtime_io.h"

namespace {

bool CurrentDirectory(std::string& out) {
  // glibc allocates a buffer of the right size when given none.
  char* cwd = ::getcwd(nullptr, 0);
  if (cwd == nullptr) return false;
  out = cwd;
  std::free(cwd);
  return true;
}

// Copies a part into a buffer of nSize bytes when it fits.
bool Fits(std::string_view part, size_t nSize) { return part.size() < nSize; }

void CopyPart(char* out, std::string_view part) {
  if (out == nullptr) return;
  if (!part.empty()) std::memcpy(out, part.data(), part.size());
  out[part.size()] = '\0';
}

}  // namespace

char* _fullpath(char* absPath, const char* relPath, size_t maxLength) {
  const std::string_view input = relPath != nullptr ? relPath : "";
  std::string joined;
  try {
    if (input.empty() || input[0] != '/') {
      if (!CurrentDirectory(joined)) return nullptr;
      joined += '/';
    }
    joined += input;

    // Resolve "." and ".." textually; ".." at the root stays at the root.
    std::vector<std::string_view> parts;
    const std::string_view all(joined);
    size_t start = 0;
    while (start <= all.size()) {
      size_t slash = all.find('/', start);
      if (slash == std::string_view::npos) slash = all.size();
      const std::string_view part = all.substr(start, slash - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = slash + 1;
    }
    std::string result;
    for (const std::string_view& part : parts) {
      result += '/';
      result += part;
    }
    if (result.empty()) result = "/";
    if (!input.empty() && input.back() == '/' && result != "/") result += '/';

    if (absPath == nullptr) {
      char* buffer = static_cast<char*>(std::malloc(result.size() + 1));
      if (buffer == nullptr) {
        errno = ENOMEM;
        return nullptr;
      }
      CopyPart(buffer, result);
      return buffer;
    }
    if (result.size() + 1 > maxLength) {
      errno = ERANGE;
      return nullptr;
    }
    CopyPart(absPath, result);
    return absPath;
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return nullptr;
  }
}

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
  const std::string_view all = path != nullptr ? path : "";
  const size_t slash = all.rfind('/');
  const std::string_view dirPart =
      slash == std::string_view::npos ? std::string_view() : all.substr(0, slash + 1);
  const std::string_view name = slash == std::string_view::npos ? all : all.substr(slash + 1);
  const size_t dot = name.rfind('.');
  const std::string_view fnamePart = dot == std::string_view::npos ? name : name.substr(0, dot);
  const std::string_view extPart =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot);

  if (!Fits(dirPart, _MAX_DIR) || !Fits(fnamePart, _MAX_FNAME) || !Fits(extPart, _MAX_EXT)) {
    // A truncated part could name another file: give nothing instead.
    CopyPart(drive, "");
    CopyPart(dir, "");
    CopyPart(fname, "");
    CopyPart(ext, "");
    errno = ERANGE;
    return;
  }
  CopyPart(drive, "");
  CopyPart(dir, dirPart);
  CopyPart(fname, fnamePart);
  CopyPart(ext, extPart);
}

void _makepath(char* path, const char* /*drive*/, const char* dir, const char* fname,
               const char* ext) {
  if (path == nullptr) return;
  std::string result;
  try {
    if (dir != nullptr && *dir != '\0') {
      result += dir;
      if (result.back() != '/') result += '/';
    }
    if (fname != nullptr) result += fname;
    if (ext != nullptr && *ext != '\0') {
      if (*ext != '.') result += '.';
      result += ext;
    }
  } catch (const std::bad_alloc&) {
    result.assign(_MAX_PATH, 'x');  // reported as not fitting below
  }
  if (!Fits(result, _MAX_PATH)) {
    path[0] = '\0';
    errno = ERANGE;
    return;
  }
  CopyPart(path, result);
}
