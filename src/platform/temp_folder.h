// A private folder for temporary files, removed with everything in it when
// the owner goes.  The folder is made with mkdtemp (a name nobody can guess,
// mode 0700), so files inside it may have plain names: no other user can
// create, replace or read them.
#ifndef ZLDBCTRL70_PLATFORM_TEMP_FOLDER_H_
#define ZLDBCTRL70_PLATFORM_TEMP_FOLDER_H_

#include <string>
#include <vector>

namespace zl {

class CTempFolder {
 public:
  CTempFolder() = default;
  // Removes the folder and the files in it (not sub-folders) unless Keep was
  // called.
  ~CTempFolder();
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  // Makes a new folder named prefix followed by six random characters in
  // the first of parents that takes one.  False (errno set) when none does.
  bool Create(const std::vector<std::string>& parents, const char* prefix);

  bool IsCreated() const { return !m_path.empty(); }
  // The folder, without a trailing '/'.
  const std::string& Path() const { return m_path; }
  // The path of name inside the folder.
  std::string File(const char* name) const { return m_path + "/" + name; }
  // Leaves the folder and its files in place.
  void Keep() { m_path.clear(); }

 private:
  std::string m_path;
};

// The folder that holds path ("." for a bare name).
std::string FolderOf(const std::string& path);

// The system's folder for temporary files ($TMPDIR, else /tmp), without a
// trailing '/'.
std::string SystemTempFolder();

}  // namespace zl

#endif  // ZLDBCTRL70_PLATFORM_TEMP_FOLDER_H_
