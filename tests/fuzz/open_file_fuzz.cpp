// libFuzzer target for opening damaged and arbitrary database files.  An
// input whose first byte is even is a whole file; one whose first byte is
// odd patches a sound library (four bytes a patch: a 24-bit offset and the
// byte to put there; bit 1 of the first byte also cuts the file off after
// the last patched byte).  The file is opened read-only: the open must
// refuse with a code, or every getter of the database and of its records
// and packages must answer (1, or 0 with a code); nothing may crash, hang
// or leak, and the file must be byte for byte what it was.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "library_fuzz.h"

namespace {

std::string g_path;
std::string g_library;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string folder = zlfuzz::ScratchFolder();
  zlfuzz::MakeLibrary(folder + "/sound.zdb");
  g_library = zlfuzz::ReadAll(folder + "/sound.zdb");
  g_path = folder + "/input.zdb";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string file;
  if ((data[0] & 1) == 0) {
    file.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  } else {
    file = g_library;
    size_t end = 0;
    for (size_t at = 1; at + 4 <= size; at += 4) {
      const size_t offset =
          (static_cast<size_t>(data[at]) | static_cast<size_t>(data[at + 1]) << 8 |
           static_cast<size_t>(data[at + 2]) << 16) %
          file.size();
      file[offset] = static_cast<char>(data[at + 3]);
      end = offset + 1 > end ? offset + 1 : end;
    }
    if ((data[0] & 2) != 0 && end > 0) file.resize(end);
  }
  zlfuzz::WriteAll(g_path, file);
  void* hDB = ZLOpenDatabase(g_path.c_str(), eOpenReadOnly);
  if (hDB == nullptr) {
    if (ZLGetLastError() == 0) std::abort();
  } else {
    zlfuzz::ReadDatabase(hDB, 16);
    if (ZLCloseDatabase(hDB) != 1) std::abort();
  }
  if (zlfuzz::ReadAll(g_path) != file) std::abort();
  return 0;
}
