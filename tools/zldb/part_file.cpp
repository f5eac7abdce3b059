#include "part_file.h"

#include <unistd.h>

#include <cstdio>

namespace zldb {

CPartFile::CPartFile(const std::string& target)
    : m_path(target + ".part" + std::to_string(::getpid())) {}

CPartFile::~CPartFile() {
  if (m_keep) return;
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    std::remove((m_path + suffix).c_str());
  }
}

bool CPartFile::MoveTo(const std::string& target) {
  if (::link(m_path.c_str(), target.c_str()) != 0) return false;
  std::remove(m_path.c_str());
  m_keep = true;
  return true;
}

}  // namespace zldb
