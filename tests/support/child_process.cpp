#include "support/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

namespace zltest {
namespace {

std::map<std::string, ChildAction>& Actions() {
  static std::map<std::string, ChildAction> actions;
  return actions;
}

constexpr const char kChildFlag[] = "--zl-child-action";

pid_t Spawn(const char* action, const ChildArgs& args, int* toChild, int* fromChild) {
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  if (toChild != nullptr && pipe(in) != 0) return -1;
  if (fromChild != nullptr && pipe(out) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    if (toChild != nullptr) {
      dup2(in[0], 0);
      close(in[0]);
      close(in[1]);
    }
    if (fromChild != nullptr) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
    }
    std::vector<char*> argv;
    std::string self = "/proc/self/exe";
    argv.push_back(&self[0]);
    std::string flag = kChildFlag;
    argv.push_back(&flag[0]);
    std::string name = action;
    argv.push_back(&name[0]);
    std::vector<std::string> copies(args);
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  if (toChild != nullptr) {
    close(in[0]);
    *toChild = in[1];
  }
  if (fromChild != nullptr) {
    close(out[1]);
    *fromChild = out[0];
  }
  return pid;
}

int WaitFor(pid_t pid, int timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(2000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

CChildActionRegistrar::CChildActionRegistrar(const char* name, ChildAction action) {
  Actions()[name] = action;
}

int RunChild(const char* action, const ChildArgs& args, int timeoutSeconds) {
  std::fflush(nullptr);
  const pid_t pid = Spawn(action, args, nullptr, nullptr);
  return pid < 0 ? -1 : WaitFor(pid, timeoutSeconds);
}

CChildProcess::CChildProcess(const char* action, const ChildArgs& args) {
  std::fflush(nullptr);
  m_pid = Spawn(action, args, &m_toChild, &m_fromChild);
}

CChildProcess::~CChildProcess() {
  Finish();
  if (m_fromChild >= 0) close(m_fromChild);
}

std::string CChildProcess::ReadLine(int timeoutSeconds) {
  std::string line;
  pollfd fd{m_fromChild, POLLIN, 0};
  while (m_fromChild >= 0 && poll(&fd, 1, timeoutSeconds * 1000) > 0) {
    char c = 0;
    if (read(m_fromChild, &c, 1) != 1 || c == '\n') break;
    line += c;
  }
  return line;
}

void CChildProcess::Kill() {
  if (m_pid > 0) kill(m_pid, SIGKILL);
}

int CChildProcess::Finish(int timeoutSeconds) {
  if (m_toChild >= 0) {
    close(m_toChild);
    m_toChild = -1;
  }
  if (m_pid > 0) {
    m_status = WaitFor(m_pid, timeoutSeconds);
    m_pid = -1;
  }
  return m_status;
}

void ChildSignalReady(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

void ChildWaitForRelease() {
  char c = 0;
  while (read(0, &c, 1) > 0) {
  }
}

bool RunChildActionIfRequested(int argc, char** argv, int& status) {
  if (argc < 3 || std::strcmp(argv[1], kChildFlag) != 0) return false;
  auto it = Actions().find(argv[2]);
  if (it == Actions().end()) {
    status = 126;
    return true;
  }
  alarm(60);  // a child never outlives a stuck test by much
  status = it->second(ChildArgs(argv + 3, argv + argc));
  return true;
}

}  // namespace zltest
