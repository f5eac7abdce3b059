#include "platform/temp_folder.h"

#include <dirent.h>
#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

namespace zl {

CTempFolder::~CTempFolder() {
  if (m_path.empty()) return;
  if (DIR* dir = ::opendir(m_path.c_str())) {
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) ::unlink((m_path + "/" + name).c_str());
  }
  ::rmdir(m_path.c_str());
}

bool CTempFolder::Create(const std::vector<std::string>& parents, const char* prefix) {
  int error = ENOENT;
  for (const std::string& parent : parents) {
    std::string pattern = parent.empty() ? std::string(".") : parent;
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    if (::mkdtemp(&pattern[0]) != nullptr) {
      m_path = pattern;
      return true;
    }
    error = errno;
  }
  errno = error;
  return false;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string SystemTempFolder() {
  const char* env = ::getenv("TMPDIR");
  std::string dir = env != nullptr && *env != '\0' ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace zl
