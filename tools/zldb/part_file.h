// A library built under a temporary name next to its target and put in
// place only when complete (import, copy-library); otherwise the file and
// what SQLite kept beside it are removed.
#ifndef ZLDB_PART_FILE_H_
#define ZLDB_PART_FILE_H_

#include <string>

namespace zldb {

class CPartFile {
 public:
  explicit CPartFile(const std::string& target);
  ~CPartFile();
  CPartFile(const CPartFile&) = delete;
  CPartFile& operator=(const CPartFile&) = delete;
  const std::string& Path() const { return m_path; }
  // Gives the complete file the target's name; never over an existing file.
  bool MoveTo(const std::string& target);

 private:
  const std::string m_path;
  bool m_keep = false;
};

}  // namespace zldb

#endif  // ZLDB_PART_FILE_H_
