// The exported profile-string operations.
#include "zldbctrl70/profiles.h"

#include <vector>

#include "frame/guard.h"
#include "profiles/profile_tables.h"
#include "tree/row_target.h"

using namespace zl;

namespace {

// Runs body(record) for a record ID that a 32-bit key can hold (11 else).
template <class Body>
int RunOnRecord(EAccess access, void* hDB, long recordID, Body&& body) {
  return RunGuardedAs(access, hDB, [&](ZLHandleRecord& record) {
    const int code = ZLRowRef::ByID(recordID).CheckKeys();
    return ZLOutcome::FromCode(code != ZLE_OK ? code : body(record));
  });
}

}  // namespace

int ZLGetProfileString(void* hDB, long lID, const char* /*lpszCatalog*/, const char* lpszSection,
                       const char* lpszKey, CString& value) {
  return RunOnRecord(EAccess::kRead, hDB, lID, [&](ZLHandleRecord& record) {
    return ReadProfileString(record, lID, lpszSection, lpszKey, value);
  });
}

int ZLGetProfileStrings(void* hDB, long lID, CStringArray& sections, CStringArray& keys,
                        CStringArray& values) {
  return RunOnRecord(EAccess::kRead, hDB, lID, [&](ZLHandleRecord& record) -> int {
    sections.RemoveAll();
    keys.RemoveAll();
    values.RemoveAll();
    std::vector<ZLProfileEntry> entries;
    const int code = ListProfileStrings(record, lID, entries);
    if (code != ZLE_OK) return code;
    try {
      for (const ZLProfileEntry& entry : entries) {
        sections.Add(CString(entry.section.c_str()));
        keys.Add(CString(entry.key.c_str()));
        values.Add(CString(entry.value.c_str()));
      }
    } catch (...) {
      sections.RemoveAll();
      keys.RemoveAll();
      values.RemoveAll();
      throw;
    }
    return ZLE_OK;
  });
}

int ZLSetProfileString(void* hDB, long lID, const char* lpszCatalog, const char* lpszSection,
                       const char* lpszKey, CString value) {
  if (IsReservedCatalogName(lpszCatalog)) {
    return RunUnguarded([] { return ZLOutcome::Fail(ZLE_BAD_HANDLE); });
  }
  return RunOnRecord(EAccess::kWrite, hDB, lID, [&](ZLHandleRecord& record) {
    return WriteProfileString(record, lID, lpszCatalog, lpszSection, lpszKey, value);
  });
}

int ZLDeleteProfileSection(void* hDB, long lID, const char* /*lpszCatalog*/,
                           const char* lpszSection) {
  return RunOnRecord(EAccess::kWrite, hDB, lID, [&](ZLHandleRecord& record) {
    return DeleteProfileSection(record, lID, lpszSection);
  });
}

int ZLDeleteProfileKey(void* hDB, long lID, const char* /*lpszCatalog*/, const char* lpszSection,
                       const char* lpszKey) {
  return RunOnRecord(EAccess::kWrite, hDB, lID, [&](ZLHandleRecord& record) {
    return DeleteProfileKey(record, lID, lpszSection, lpszKey);
  });
}
