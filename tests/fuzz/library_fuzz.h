// What the library-level fuzz targets share: a small library with every
// kind of content to start from, and a walk that calls every getter of a
// record and of the database.  A getter must answer: 1, or 0 with a
// last-error code; anything else aborts the run.
#ifndef ZLDBCTRL70_TESTS_FUZZ_LIBRARY_FUZZ_H_
#define ZLDBCTRL70_TESTS_FUZZ_LIBRARY_FUZZ_H_

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zldbctrl70.h"

namespace zlfuzz {

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr const char* kSimLanguage = "VHDLA";

// Aborts unless the call answered: 1, or 0 with a code.
inline void Answered(int result) {
  if (result == 1) return;
  if (result != 0 || ZLGetLastError() == 0) std::abort();
}

// A folder of its own for the run (removed by nobody: libFuzzer ends the
// process; the system's temporary area is cleaned).
inline std::string ScratchFolder() {
  char folder[] = "/tmp/zl-fuzz-XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  return folder;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Creates a closed library at path: records in a tree with texts, nodes,
// files, keywords, symbols, macros, calls and two linked packages.
inline void MakeLibrary(const std::string& path) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) std::abort();
  bool ok = ZLAddResourceTable(hDB, kEnglish) == 1 && ZLAddResourceTable(hDB, kGerman) == 1 &&
            ZLAddMacroTable(hDB, kSimLanguage, 0) == 1 &&
            ZLAddCallTable(hDB, kSimLanguage, 0) == 1 && ZLAddAccessTable(hDB, kSimLanguage) == 1 &&
            ZLAddPackageTable(hDB, kSimLanguage) == 1;
  for (long id = 1; ok && id <= 3; ++id) {
    COleVariant mark;
    const std::string name = "model" + std::to_string(id);
    CZLNodeArray nodes;
    auto* node = new CZLNodeObject;
    node->m_strName = name.c_str();
    node->m_mapInfo[kEnglish] = "node";
    node->m_mapAccess[kSimLanguage] = "V(a)";
    nodes.Add(node);
    CZLFileArray files;
    auto* file = new CZLFileObject;
    file->m_strFileName = name.c_str();
    file->m_lbData.Assign(name.data(), name.size());
    files.Add(file);
    CZLKeywordArray keywords;
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = "linear";
    keywords.Add(keyword);
    CZLMacroObject macro;
    macro.m_strMacroText = ".subckt x a b";
    macro.m_mapDescription[kEnglish] = "macro";
    CZLCallObject call;
    call.m_strCallKey = "k";
    call.m_strCallText = "X1 a b";
    ok = ZLCreateNewRecord(hDB, mark) == 1 && ZLSetDefNameByID(hDB, id, name.c_str()) == 1 &&
         ZLSetTitleByID(hDB, id, kEnglish, name.c_str(), 0) == 1 &&
         ZLSetInfoByID(hDB, id, kGerman, "Info", 0) == 1 &&
         ZLSetParentByID(hDB, id, id == 1 ? 0 : 1) == 1 &&
         ZLSetNodesNCByID(hDB, id, nodes, 0) == 1 && ZLSetFilesByID(hDB, id, files) == 1 &&
         ZLSetKeywordsByID(hDB, id, kEnglish, keywords, 0) == 1 &&
         ZLSetSymbolByID(hDB, id, kEnglish, "R") == 1 &&
         ZLSetMacroByID(hDB, id, kSimLanguage, macro) == 1 &&
         ZLSetCallByID(hDB, id, kSimLanguage, call) == 1;
    ZLFreeObjectArray(nodes);
    ZLFreeObjectArray(files);
    ZLFreeObjectArray(keywords);
  }
  for (long id = 1; ok && id <= 2; ++id) {
    COleVariant mark;
    CZLPackageObject package;
    package.m_strPackageText = "package p is end;";
    const std::string name = "p" + std::to_string(id);
    ok = ZLCreatePackageNewRecord(hDB, mark) == 1 &&
         ZLSetPackageNameByID(hDB, id, name.c_str()) == 1 &&
         ZLSetPackageByName(hDB, name.c_str(), kSimLanguage, package) == 1;
  }
  ok = ok && ZLSetPackageNextByID(hDB, 1, 2) == 1;
  if (ZLCloseDatabase(hDB) != 1 || !ok) std::abort();
}

// Every getter of the record the bookmark names (each answers; a bookmark
// that names no record is refused by all of them alike).
inline void ReadRecord(void* hDB, const COleVariant& mark) {
  long number = 0;
  unsigned long word = 0;
  CString text;
  COleDateTime date;
  CLongBinary block;
  CMap<WORD, WORD, CString, LPCSTR> texts;
  Answered(ZLGetIDByBookmark(hDB, mark, number));
  for (auto get : {ZLGetDefNameByBookmark, ZLGetUsesByBookmark, ZLGetUDTNameByBookmark}) {
    Answered(get(hDB, mark, text));
  }
  for (auto get : {ZLGetTypeByBookmark, ZLGetLevelByBookmark}) Answered(get(hDB, mark, word));
  for (auto get : {ZLGetParentByBookmark, ZLGetFirstChildByBookmark, ZLGetPrevByBookmark,
                   ZLGetNextByBookmark, ZLGetWizTypeByBookmark}) {
    Answered(get(hDB, mark, number));
  }
  Answered(ZLGetStateByBookmark(hDB, mark, word, 0));
  Answered(ZLGetCreatedUserByBookmark(hDB, mark, text, 0));
  Answered(ZLGetModifiedDateByBookmark(hDB, mark, date, 0));
  Answered(ZLGetSheetByBookmark(hDB, mark, block));
  Answered(ZLGetWizardDataByBookmark(hDB, mark, block));
  Answered(ZLGetTitleByBookmark(hDB, mark, texts, 0));
  Answered(ZLGetInfoByBookmark(hDB, mark, texts, 0));
  Answered(ZLGetPathByBookmark(hDB, mark, kEnglish, text));
  Answered(ZLGetSymbolsByBookmark(hDB, mark, texts));
  CZLNodeArray nodes;
  Answered(ZLGetNodesCByBookmark(hDB, mark, nodes));
  Answered(ZLGetNodesNCByBookmark(hDB, mark, nodes, 0));
  ZLFreeObjectArray(nodes);
  CZLFileArray files;
  Answered(ZLGetFilesByBookmark(hDB, mark, files));
  ZLFreeObjectArray(files);
  CZLKeywordMap keywords;
  Answered(ZLGetKeywordsByBookmark(hDB, mark, keywords, 0));
  ZLFreeKeywordMap(keywords);
  CZLMacroMap macros;
  Answered(ZLGetMacrosByBookmark(hDB, mark, macros, ZL_MACRO_ACCESS));
  ZLFreeMacroMap(macros);
  CZLCallMap calls;
  Answered(ZLGetCallsByBookmark(hDB, mark, calls));
  ZLFreeCallMap(calls);
}

// Every getter of the package the bookmark names.
inline void ReadPackage(void* hDB, const COleVariant& mark) {
  long number = 0;
  unsigned long word = 0;
  CString text;
  COleDateTime date;
  Answered(ZLGetPackageIDByBookmark(hDB, mark, number));
  for (auto get : {ZLGetPackageNameByBookmark, ZLGetPackageCreatedUserByBookmark,
                   ZLGetPackageModifiedUserByBookmark}) {
    Answered(get(hDB, mark, text));
  }
  Answered(ZLGetPackageModifiedDateByBookmark(hDB, mark, date));
  Answered(ZLGetPackageStateByBookmark(hDB, mark, word));
  Answered(ZLGetPackageNextByBookmark(hDB, mark, number));
  Answered(ZLGetPackagePrevByBookmark(hDB, mark, number));
  CZLPackageMap packages;
  Answered(ZLGetPackageByBookmark(hDB, mark, packages, ZL_PACKAGE_ACCESS));
  ZLFreePackageMap(packages);
}

// The database-wide getters, then every record and package (at most
// `limit` of each).
inline void ReadDatabase(void* hDB, int limit) {
  ZLDBVersion version;
  ZLDBStructVersion structure;
  unsigned long state = 0;
  CString text;
  COleDateTime date;
  Answered(ZLGetDatabaseVersion(hDB, version, structure));
  Answered(ZLGetDatabaseState(hDB, state));
  Answered(ZLGetUserVersion(hDB, text));
  Answered(ZLGetDatabaseInfo(hDB, text));
  Answered(ZLGetLastLayoutChangeDate(hDB, date));
  Answered(ZLGetPackageLastChangeDate(hDB, date));
  CArray<WORD, WORD> languages;
  Answered(ZLGetAvailableResourceLanguages(hDB, languages));
  CStringArray simLanguages;
  for (auto get : {ZLGetAvailableMacroSimLanguages, ZLGetAvailableCallSimLanguages,
                   ZLGetAvailableAccessSimLanguages, ZLGetAvailablePackageSimLanguages}) {
    Answered(get(hDB, simLanguages));
  }
  for (WORD language : {kEnglish, kGerman}) {
    CZLKeywordArray keywords;
    Answered(ZLGetDBKeywords(hDB, language, keywords));
    ZLFreeObjectArray(keywords);
    CZLResourceStringArray strings;
    Answered(ZLGetDBResourceStrings(hDB, language, strings, 0, 0));
    ZLFreeObjectArray(strings);
  }
  COleVariant root;
  Answered(ZLGetRootBookmark(hDB, root));
  CTypedPtrArray<CPtrArray, COleVariant*> marks;
  Answered(ZLGetAllBookmarks(hDB, marks));
  for (int i = 0; i < marks.GetSize() && i < limit; ++i) ReadRecord(hDB, *marks[i]);
  ZLFreeBookmarkArray(marks);
  Answered(ZLGetPackageAllBookmarks(hDB, marks));
  for (int i = 0; i < marks.GetSize() && i < limit; ++i) ReadPackage(hDB, *marks[i]);
  ZLFreeBookmarkArray(marks);
}

}  // namespace zlfuzz

#endif  // ZLDBCTRL70_TESTS_FUZZ_LIBRARY_FUZZ_H_
