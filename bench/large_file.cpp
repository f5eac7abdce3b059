// Memory held while a large file is stored and read back through the files
// family: the peak resident set of each call, in copies of the file.
//
//   bench_large_file [MB]      MB defaults to 50
//
// write: the caller's block exists before the call and is counted as one
// copy; the peak is the highest resident set during ZLSetFilesByID over the
// one before it, plus that one.  read: the caller's block is freed first; the
// peak during ZLGetFilesByID over the resident set before it (the block it
// hands back is one copy).  held: what the library still holds once the
// call returned (a cached copy of the file, for instance).  A second record's file of the
// same size is stored too, so a read that loaded files of other records
// would show.  Peaks come from VmHWM after resetting it (clear_refs 5).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "zldbctrl70.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_large_file: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what);
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
double StatusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  const std::string key = std::string(field) + ":";
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + key.size()) * 1024.0;
  }
  Fail(field);
}

// Starts a new peak at the current resident set.
void ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.close();
  if (!clear) Fail("resetting the peak (clear_refs)");
}

long NewRecord(void* hDB) {
  COleVariant mark;
  long id = 0;
  Check(ZLCreateNewRecord(hDB, mark), "ZLCreateNewRecord");
  Check(ZLGetIDByBookmark(hDB, mark, id), "ZLGetIDByBookmark");
  return id;
}

// Copies of the file: at the peak of a call, and still held once it
// returned (besides the caller's block).
struct Copies {
  double peak = 0;
  double held = 0;
};

// Stores one file of size bytes for the record.
Copies Write(void* hDB, long id, size_t size, char fill) {
  CZLFileArray files;
  auto* file = new CZLFileObject;
  files.Add(file);
  file->m_strFileName = "large.bin";
  file->m_lbData.m_hData = GlobalAlloc(GMEM_MOVEABLE, size);
  if (file->m_lbData.m_hData == nullptr) Fail("GlobalAlloc");
  file->m_lbData.m_dwDataLength = size;
  void* bytes = GlobalLock(file->m_lbData.m_hData);
  std::memset(bytes, fill, size);  // touched, so resident
  GlobalUnlock(file->m_lbData.m_hData);
  ResetPeak();
  const double before = StatusBytes("VmRSS");
  Check(ZLSetFilesByID(hDB, id, files), "ZLSetFilesByID");
  const double peak = StatusBytes("VmHWM");
  const double after = StatusBytes("VmRSS");
  ZLFreeObjectArray(files);
  return {1.0 + (peak - before) / static_cast<double>(size),
          (after - before) / static_cast<double>(size)};
}

Copies Read(void* hDB, long id, size_t size, char fill) {
  CZLFileArray files;
  ResetPeak();
  const double before = StatusBytes("VmRSS");
  Check(ZLGetFilesByID(hDB, id, files), "ZLGetFilesByID");
  const double peak = StatusBytes("VmHWM");
  const double after = StatusBytes("VmRSS");
  if (files.GetSize() != 1 || files[0]->m_lbData.m_dwDataLength != size) Fail("the read size");
  const char* bytes = static_cast<const char*>(GlobalLock(files[0]->m_lbData.m_hData));
  const bool same = bytes[0] == fill && bytes[size / 2] == fill && bytes[size - 1] == fill;
  GlobalUnlock(files[0]->m_lbData.m_hData);
  if (!same) Fail("the read bytes");
  ZLFreeObjectArray(files);
  // The block handed back is the caller's; held counts what else stayed.
  return {(peak - before) / static_cast<double>(size),
          (after - before) / static_cast<double>(size) - 1.0};
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 50;
  if (megabytes < 1 || megabytes > 1000) {
    std::fprintf(stderr, "usage: %s [MB]\n", argv[0]);
    return 2;
  }
  const size_t size = static_cast<size_t>(megabytes) << 20;
  std::string pattern = (std::filesystem::temp_directory_path() / "zlbench-XXXXXX").string();
  if (::mkdtemp(&pattern[0]) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir(pattern);
  const std::string path = (dir / "large.zdb").string();
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase");
  const long first = NewRecord(hDB);
  const long second = NewRecord(hDB);
  const Copies write = Write(hDB, first, size, 'a');
  const Copies rewrite = Write(hDB, first, size, 'b');  // overwritten in place
  Write(hDB, second, size, 'c');
  // The read on a fresh handle, so that nothing an earlier call left behind
  // counts for it or against it.
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  hDB = ZLOpenDatabase(path.c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr) Fail("ZLOpenDatabase");
  const Copies read = Read(hDB, first, size, 'b');
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
  std::filesystem::remove_all(dir);
  std::printf(
      "a %ld MB file, memory in copies of the file: at the peak of the call (the\n"
      "caller's block counted) and still held by the library after it\n",
      megabytes);
  std::printf("  %-28s %6s %6s\n", "", "peak", "held");
  std::printf("  %-28s %6.2f %6.2f\n", "write (new row)", write.peak, write.held);
  std::printf("  %-28s %6.2f %6.2f\n", "write (overwritten)", rewrite.peak, rewrite.held);
  std::printf("  %-28s %6.2f %6.2f\n", "read (another record's too)", read.peak, read.held);
  return 0;
}
