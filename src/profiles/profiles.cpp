// The exported profile-string operations.
#include "zldbctrl70/profiles.h"

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
