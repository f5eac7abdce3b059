// The exported package-object operations, one line each over the templates
// below.
#include "frame/guard.h"
#include "frame/stored_text.h"
#include "packages/package_rows.h"
#include "simlang/owner_record.h"
#include "zldbctrl70/packages.h"

using namespace zl;

namespace {

// The access code is checked before anything else, the handle included.
int RefuseAccess() {
  return RunUnguarded([]() { return ZLOutcome::Fail(ZLE_PACKAGE_ACCESS_KEY); });
}

// Locates the package and its table in language.
int Locate(ZLHandleRecord& record, const ZLPackageRef& ref, const char* language, long& id,
           CZLRecordset*& rs) {
  int code = LocatePackage(record, ref, id);
  if (code == ZLE_OK) code = FindSimTable(record, ZLS_PACKAGE, language, rs);
  return code;
}

template <class Object>
int ReadObject(ZLHandleRecord& record, const ZLPackageRef& ref, const char* language,
               Object& package) {
  package.FreeObject();
  long id = 0;
  CZLRecordset* rs = nullptr;
  int code = Locate(record, ref, language, id, rs);
  if (code == ZLE_OK) code = ReadPackageObject(*rs, id, package);
  return code;
}

template <class Object>
int GetObject(void* hDB, const ZLPackageRef& ref, const char* language, Object& package,
              long access) {
  if (access != kPackageAccessCode) return RefuseAccess();
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(ReadObject(record, ref, language, package));
  });
}

template <class Object>
int GetObjects(void* hDB, const ZLPackageRef& ref,
               CTypedPtrMap<CMapStringToOb, CString, Object*>& packages, long access) {
  if (access != kPackageAccessCode) return RefuseAccess();
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreePackageMap(packages);
    long id = 0;
    int code = LocatePackage(record, ref, id);
    if (code == ZLE_OK) code = ReadPackageMap(record, id, packages);
    return ZLOutcome::FromCode(code);
  });
}

template <class Object>
int SetObject(void* hDB, const ZLPackageRef& ref, const char* language, const Object& package) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    CZLRecordset* rs = nullptr;
    int code = Locate(record, ref, language, id, rs);
    if (code == ZLE_OK) code = WritePackageObject(*rs, id, package);
    return ZLOutcome::FromCode(code);
  });
}

template <class Object>
int SetObjects(void* hDB, const ZLPackageRef& ref,
               const CTypedPtrMap<CMapStringToOb, CString, Object*>& packages) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = LocatePackage(record, ref, id);
    if (code == ZLE_OK) code = WritePackageMap(record, id, packages);
    return ZLOutcome::FromCode(code);
  });
}

enum EPart { kPackagePart, kBodyPart };

int GetCompiled(void* hDB, const ZLPackageRef& ref, const char* language, EPart part, long& length,
                unsigned char** buffer) {
  if (buffer == nullptr) return 0;
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    CZLBinaryPackageObject package;
    const int code = ReadObject(record, ref, language, package);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CopyToNewBuffer(
        part == kPackagePart ? package.m_lbPackageBinary : package.m_lbPackageBodyBinary, length,
        *buffer);
    return ZLOutcome::Ok();
  });
}

int DeleteObject(void* hDB, const ZLPackageRef& ref, const char* language) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    CZLRecordset* rs = nullptr;
    int code = Locate(record, ref, language, id, rs);
    if (code == ZLE_OK) code = DeletePackageObject(*rs, id);
    return ZLOutcome::FromCode(code);
  });
}

ZLPackageRef Name(const char* name) { return ZLPackageRef::ByName(name); }
ZLPackageRef BM(const COleVariant& bookmark) { return ZLPackageRef::ByBookmark(bookmark); }

}  // namespace

#define ZL_DEFINE_PACKAGE_OBJECTS(Object, Map)                                                    \
  int ZLGetPackageByName(void* hDB, const char* name, const char* lang, Object& package,          \
                         long access) {                                                           \
    return GetObject(hDB, Name(name), lang, package, access);                                     \
  }                                                                                               \
  int ZLGetPackageByBookmark(void* hDB, const COleVariant& bm, const char* lang, Object& package, \
                             long access) {                                                       \
    return GetObject(hDB, BM(bm), lang, package, access);                                         \
  }                                                                                               \
  int ZLGetPackageByName(void* hDB, const char* name, Map& packages, long access) {               \
    return GetObjects(hDB, Name(name), packages, access);                                         \
  }                                                                                               \
  int ZLGetPackageByBookmark(void* hDB, const COleVariant& bm, Map& packages, long access) {      \
    return GetObjects(hDB, BM(bm), packages, access);                                             \
  }                                                                                               \
  int ZLSetPackageByName(void* hDB, const char* name, const char* lang, const Object& package) {  \
    return SetObject(hDB, Name(name), lang, package);                                             \
  }                                                                                               \
  int ZLSetPackageByBookmark(void* hDB, const COleVariant& bm, const char* lang,                  \
                             const Object& package) {                                             \
    return SetObject(hDB, BM(bm), lang, package);                                                 \
  }                                                                                               \
  int ZLSetPackageByName(void* hDB, const char* name, const Map& packages) {                      \
    return SetObjects(hDB, Name(name), packages);                                                 \
  }                                                                                               \
  int ZLSetPackageByBookmark(void* hDB, const COleVariant& bm, const Map& packages) {             \
    return SetObjects(hDB, BM(bm), packages);                                                     \
  }

ZL_DEFINE_PACKAGE_OBJECTS(CZLPackageObject, CZLPackageMap)
ZL_DEFINE_PACKAGE_OBJECTS(CZLBinaryPackageObject, CZLBinaryPackageMap)

int ZLGetCompiledPackageByName(void* hDB, const char* name, const char* lang, long& length,
                               unsigned char** buffer) {
  return GetCompiled(hDB, Name(name), lang, kPackagePart, length, buffer);
}
int ZLGetCompiledPackageBodyByName(void* hDB, const char* name, const char* lang, long& length,
                                   unsigned char** buffer) {
  return GetCompiled(hDB, Name(name), lang, kBodyPart, length, buffer);
}
int ZLGetCompiledPackageByBookmark(void* hDB, const COleVariant& bm, const char* lang, long& length,
                                   unsigned char** buffer) {
  return GetCompiled(hDB, BM(bm), lang, kPackagePart, length, buffer);
}
int ZLGetCompiledPackageBodyByBookmark(void* hDB, const COleVariant& bm, const char* lang,
                                       long& length, unsigned char** buffer) {
  return GetCompiled(hDB, BM(bm), lang, kBodyPart, length, buffer);
}
int ZLDeletePackageByID(void* hDB, long lPackageID, const char* lang) {
  return DeleteObject(hDB, ZLPackageRef::ByID(lPackageID), lang);
}
int ZLDeletePackageByBookmark(void* hDB, const COleVariant& bm, const char* lang) {
  return DeleteObject(hDB, BM(bm), lang);
}
