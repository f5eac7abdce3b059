// On a terminal, a library call that has been waiting for more than a
// second (for a lock another process holds) is announced on standard error,
// so that a slow command does not look hung.  One line per call; nothing
// when standard error is not a terminal.
#ifndef ZLDB_WAIT_NOTICE_H_
#define ZLDB_WAIT_NOTICE_H_

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace zldb {

class CWaitNotice {
 public:
  // Starts the watcher for calls on the file path.
  explicit CWaitNotice(std::string path);
  ~CWaitNotice();
  CWaitNotice(const CWaitNotice&) = delete;
  CWaitNotice& operator=(const CWaitNotice&) = delete;

  // A call starts; a call ends.
  void Begin();
  void End();

 private:
  void Watch();

  const std::string m_path;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_stop = false;
  bool m_busy = false;
  bool m_announced = false;
  std::chrono::steady_clock::time_point m_start;
  std::thread m_thread;
};

}  // namespace zldb

#endif  // ZLDB_WAIT_NOTICE_H_
