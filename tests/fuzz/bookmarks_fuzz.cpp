// libFuzzer target for bookmarks handed in by callers.  The first byte
// chooses the form: a real record or package bookmark with input bytes laid
// over it (so that damaged row numbers, table and database names reach the
// engine), the input bytes as a byte array, or a variant of another type.
// Every getter taking a record bookmark, every getter taking a package
// bookmark, and a writer of each kind inside a caller transaction rolled
// back, must answer (1, or 0 with a code); a bookmark that is accepted must
// name a record (or package) the library has.  Nothing may crash or leak,
// and the library file must be unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "library_fuzz.h"

namespace {

std::string g_path;
std::string g_before;
void* g_hDB = nullptr;
COleVariant g_record;
COleVariant g_package;
long g_runs = 0;

void Open() {
  g_hDB = ZLOpenDatabase(g_path.c_str(), eOpenReadWrite);
  if (g_hDB == nullptr || ZLGetBookmarkByID(g_hDB, 2, g_record) != 1 ||
      ZLGetPackageBookmarkByID(g_hDB, 2, g_package) != 1) {
    std::abort();
  }
}

// The file as it was: every 64th run closes the handle, compares the bytes
// and opens it again.
void CheckFile() {
  if (++g_runs % 64 != 0) return;
  if (ZLCloseDatabase(g_hDB) != 1 || zlfuzz::ReadAll(g_path) != g_before) std::abort();
  Open();
}

COleVariant Bookmark(const uint8_t* data, size_t size) {
  COleVariant mark;
  switch (data[0] % 5) {
    case 0:
    case 1: {
      const COleVariant& real = data[0] % 5 == 0 ? g_record : g_package;
      std::vector<BYTE> bytes(real.GetByteArrayData(),
                              real.GetByteArrayData() + real.GetByteArraySize());
      // Pairs of (position, byte) laid over the real bookmark.
      for (size_t at = 1; at + 2 <= size; at += 2) bytes[data[at] % bytes.size()] = data[at + 1];
      mark.SetByteArray(bytes.data(), bytes.size());
      break;
    }
    case 2:
      mark.SetByteArray(data + 1, size - 1);
      break;
    case 3:
      mark = COleVariant(std::string(reinterpret_cast<const char*>(data + 1), size - 1).c_str());
      break;
    default: {
      int32_t number = 0;
      std::memcpy(&number, data + 1, size - 1 < 4 ? size - 1 : 4);
      mark = COleVariant(number);
    }
  }
  return mark;
}

// An accepted bookmark names something that exists.
void CheckNames(int result, long id, long last) {
  if (result == 1 && (id < 1 || id > last)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_path = zlfuzz::ScratchFolder() + "/library.zdb";
  zlfuzz::MakeLibrary(g_path);
  g_before = zlfuzz::ReadAll(g_path);
  Open();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const COleVariant mark = Bookmark(data, size);
  long id = 0;
  CheckNames(ZLGetIDByBookmark(g_hDB, mark, id), id, 3);
  CheckNames(ZLGetPackageIDByBookmark(g_hDB, mark, id), id, 2);
  zlfuzz::ReadRecord(g_hDB, mark);
  zlfuzz::ReadPackage(g_hDB, mark);
  if (ZLBeginTransaction(g_hDB) != 1) std::abort();
  zlfuzz::Answered(ZLSetDefNameByBookmark(g_hDB, mark, "renamed"));
  zlfuzz::Answered(ZLSetTitleByBookmark(g_hDB, mark, zlfuzz::kGerman, "Titel", 0));
  zlfuzz::Answered(ZLSetPackageNameByBookmark(g_hDB, mark, "renamed"));
  zlfuzz::Answered(ZLCopyPackageRecordByBookmark(g_hDB, mark, g_hDB, g_package));
  zlfuzz::Answered(ZLDeletePackageRecordByBookmark(g_hDB, mark));
  if (ZLRollbackTransaction(g_hDB) != 1) std::abort();
  CheckFile();
  return 0;
}
