// What every size-driven benchmark's main does before measuring: read the
// model counts from the command line, say when the build is not optimised,
// and make a scratch folder that goes away with everything in it.
#ifndef ZL_BENCH_BENCH_MAIN_H_
#define ZL_BENCH_BENCH_MAIN_H_

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace zlbench {

// The sizes given as arguments (each at least 1), or `defaults` when none
// are given.  False after printing the usage line.
inline bool ParseSizes(int argc, char** argv, std::vector<long> defaults,
                       std::vector<long>& sizes) {
  sizes.clear();
  for (int i = 1; i < argc; ++i) {
    const long n = std::atol(argv[i]);
    if (n < 1) {
      std::fprintf(stderr, "usage: %s [N ...]\n", argv[0]);
      return false;
    }
    sizes.push_back(n);
  }
  if (sizes.empty()) sizes = std::move(defaults);
#ifndef NDEBUG
  std::printf("(built without NDEBUG: figures are not representative)\n");
#endif
  return true;
}

// A fresh folder under the system's temporary folder, removed on scope exit.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zlbench-XXXXXX").string();
    if (::mkdtemp(&pattern[0]) == nullptr) {
      std::perror("mkdtemp");
      return;
    }
    m_path = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool Made() const { return !m_path.empty(); }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace zlbench

#endif  // ZL_BENCH_BENCH_MAIN_H_
