// A fresh temporary folder for one test, removed with everything in it.
#ifndef ZLDBCTRL70_TESTS_PLATFORM_SCRATCH_DIR_H_
#define ZLDBCTRL70_TESTS_PLATFORM_SCRATCH_DIR_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

class CScratchDir {
 public:
  CScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zlp2-XXXXXX").string();
    if (::mkdtemp(&pattern[0]) != nullptr) m_path = pattern;
  }
  ~CScratchDir() {
    std::error_code ec;
    if (!m_path.empty()) {
      // Read-only files left by a test must not stop the clean-up.
      std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
      std::filesystem::remove_all(m_path, ec);
    }
  }
  CScratchDir(const CScratchDir&) = delete;
  CScratchDir& operator=(const CScratchDir&) = delete;

  bool Ok() const { return !m_path.empty(); }
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  std::string Write(const std::string& name, const std::string& content) const {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static std::string Read(const std::string& path) {
    // In one read of the whole size (a byte at a time costs a failure sweep
    // most of its time).
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::string();
    std::string bytes(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
  }

 private:
  std::string m_path;
};

#endif  // ZLDBCTRL70_TESTS_PLATFORM_SCRATCH_DIR_H_
