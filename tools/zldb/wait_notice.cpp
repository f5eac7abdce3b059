#include "wait_notice.h"

#include <cstdio>

namespace zldb {

CWaitNotice::CWaitNotice(std::string path)
    : m_path(std::move(path)), m_thread([this] { Watch(); }) {}

CWaitNotice::~CWaitNotice() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_one();
  m_thread.join();
}

void CWaitNotice::Begin() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = true;
    m_announced = false;
    m_start = std::chrono::steady_clock::now();
  }
  m_changed.notify_one();
}

void CWaitNotice::End() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_busy = false;
}

void CWaitNotice::Watch() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_stop) {
    if (!m_busy || m_announced) {
      m_changed.wait(lock);
      continue;
    }
    const auto deadline = m_start + std::chrono::seconds(1);
    m_changed.wait_until(lock, deadline);
    if (!m_stop && m_busy && !m_announced && std::chrono::steady_clock::now() >= deadline) {
      std::fprintf(stderr, "zldb: %s: waiting for a lock that another process holds...\n",
                   m_path.c_str());
      m_announced = true;
    }
  }
}

}  // namespace zldb
