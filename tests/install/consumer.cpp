// A program outside the project that uses the installed library: it
// includes the umbrella header, creates a model library in the folder it is
// given, writes and reads back a record's definition name, and checks the
// version the headers and the library report.
#include <zldbctrl70.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string path = std::string(argv[1]) + "/consumer.zdb";
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) {
    std::fprintf(stderr, "create failed: %d\n", ZLGetLastError());
    return 1;
  }
  COleVariant bookmark;
  CString name;
  const bool ok = ZLCreateNewRecord(hDB, bookmark) == 1 &&
                  ZLSetDefNameByBookmark(hDB, bookmark, "OPAMP") == 1 &&
                  ZLGetDefNameByBookmark(hDB, bookmark, name) == 1 && name == "OPAMP";
  const int error = ZLGetLastError();
  if (ZLCloseDatabase(hDB) != 1 || !ok) {
    std::fprintf(stderr, "record round trip failed: %d\n", error);
    return 1;
  }
  std::printf("zldbctrl70 %s, database version %d: ok\n", ZLDBCTRL70_VERSION_STRING,
              GetZLDBCtrlDBVersion());
  return 0;
}
