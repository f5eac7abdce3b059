#include "spice/ngspice_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <thread>

namespace zldb {
namespace spice {
namespace {

using Clock = std::chrono::steady_clock;

// A private temporary folder, removed with everything in it.
class CScratchFolder {
 public:
  CScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != 0 ? base : "/tmp") + "/zldb-ngspice-XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) m_path = pattern;
  }
  ~CScratchFolder() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  CScratchFolder(const CScratchFolder&) = delete;
  CScratchFolder& operator=(const CScratchFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

bool WriteFile(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  return close(fd) == 0 && written == text.size();
}

std::string ReadFile(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[8192];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return text;
}

// The program's path: as given when it names a folder, else the first
// executable of that name along PATH; empty when there is none.
std::string FindProgram(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    return access(program.c_str(), X_OK) == 0 ? program : "";
  }
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return "";
}

// Runs one job: the netlist and output files are named after index.
void RunJob(SimulatorJob& job, size_t index, const std::string& folder, const std::string& program,
            double limitSeconds) {
  const Clock::time_point start = Clock::now();
  const std::string netlist = folder + "/model" + std::to_string(index) + ".cir";
  const std::string output = folder + "/model" + std::to_string(index) + ".out";
  if (!WriteFile(netlist, job.netlist)) {
    job.message = "the netlist cannot be written: " + std::string(std::strerror(errno));
    return;
  }
  // Everything the child needs is made before the fork: after it, only
  // calls that are safe in a copy of a threaded process are made.
  const char* argv[] = {program.c_str(), "-b", "-n", netlist.c_str(), nullptr};
  const pid_t pid = fork();
  if (pid < 0) {
    job.message = "ngspice cannot be started: " + std::string(std::strerror(errno));
    return;
  }
  if (pid == 0) {
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || chdir(folder.c_str()) != 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        dup2(out, 2) < 0) {
      _exit(126);
    }
    execv(program.c_str(), const_cast<char* const*>(argv));
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so the kill below cannot come first
  const Clock::time_point deadline =
      start + std::chrono::microseconds(static_cast<long long>(limitSeconds * 1e6));
  int status = 0;
  bool ended = false;
  while (!ended) {
    const pid_t result = waitpid(pid, &status, WNOHANG);
    ended = result == pid || (result < 0 && errno != EINTR);
    if (!ended && Clock::now() >= deadline) break;
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!ended) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  job.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const std::string text = ReadFile(output);
  const std::string errors = SimulatorErrors(text);
  if (!ended) {
    std::ostringstream message;
    message << "ngspice did not finish within " << limitSeconds << " s and was stopped";
    job.message = message.str() + (errors.empty() ? "" : "\n" + errors);
  } else if (WIFSIGNALED(status)) {
    job.message = "ngspice ended by signal " + std::to_string(WTERMSIG(status)) +
                  (errors.empty() ? "" : "\n" + errors);
  } else if (WIFEXITED(status) && WEXITSTATUS(status) >= 126 && text.empty()) {
    job.message = "ngspice could not be started";
  } else {
    job.message = errors;
    job.passed = errors.empty();
  }
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string SimulatorProgram() {
  const char* program = std::getenv("ZLDB_NGSPICE");
  return program != nullptr && *program != 0 ? program : "ngspice";
}

std::string SimulatorErrors(const std::string& output) {
  std::istringstream lines(output);
  std::string message;
  bool inside = false;
  for (std::string line; std::getline(lines, line);) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    const std::string text = first == std::string::npos ? "" : line.substr(first);
    if (StartsWithNoCase(text, "error") || text.find("fatal error") != std::string::npos) {
      inside = true;
    } else if (text.empty() || StartsWithNoCase(text, "simulation interrupted")) {
      inside = false;
    }
    if (inside) message += (message.empty() ? "" : "\n") + line;
  }
  return message;
}

bool RunSimulatorJobs(std::vector<SimulatorJob>& jobs, unsigned parallel, double limitSeconds,
                      const std::function<void(size_t done)>& done, std::string& error) {
  const std::string program = FindProgram(SimulatorProgram());
  if (program.empty()) {
    error = SimulatorProgram() + " is not installed (Debian package ngspice) or cannot be run";
    return false;
  }
  CScratchFolder folder;
  if (folder.Path().empty()) {
    error = std::string("no temporary folder can be made: ") + std::strerror(errno);
    return false;
  }
  std::atomic<size_t> next{0};
  std::mutex progress;
  size_t finished = 0;
  const auto work = [&] {
    for (size_t i; (i = next++) < jobs.size();) {
      RunJob(jobs[i], i, folder.Path(), program, limitSeconds);
      std::lock_guard<std::mutex> lock(progress);
      if (done) done(++finished);
    }
  };
  std::vector<std::thread> threads;
  const size_t count = std::min<size_t>(std::max(parallel, 1u), jobs.size());
  for (size_t t = 1; t < count; ++t) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  return true;
}

}  // namespace spice
}  // namespace zldb
