// Records by definition name: a seek on MAIN's definition-name index.
#include <memory>

#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/query.h"
#include "zldbctrl70/value_objects.h"

using namespace zl;

namespace {

// Whether two texts are equal when ASCII letters are folded, as the index
// orders its keys.
bool SameIndexKey(const CString& a, const char* b) {
  const std::string& s = a.str();
  size_t i = 0;
  for (; i < s.size() && b[i] != '\0'; ++i) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (fold(s[i]) != fold(b[i])) return false;
  }
  return i == s.size() && b[i] == '\0';
}

}  // namespace

int ZLGetMacrosBookmarkByDefName(void* hDB, const char* pszDefName,
                                 CTypedPtrArray<CPtrArray, COleVariant*>& bookmarks) {
  ZLFreeBookmarkArray(bookmarks);
  const char* name = pszDefName != nullptr ? pszDefName : "";
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    CZLRecordset& main = *record.Recordset(ZLT_MAIN);
    std::unique_ptr<CIndexSwitch> byName;
    int code = CatchEngineErrors([&] {
      byName = std::make_unique<CIndexSwitch>(main, "DEFNAME_INDEX");
      return ZLE_OK;
    });
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    code = CatchEngineErrors(
        [&] {
          if (main.GetRecordCount() == 0) return ZLE_OK;
          COleVariant key(name);
          // The index ignores ASCII case: rows whose names differ from the
          // one sought only in case lie among the equal ones, and every row
          // of the run is looked at.
          for (BOOL found = main.Seek("=", &key); found && !main.IsEOF(); main.MoveNext()) {
            const COleVariant value = main.GetFieldValue("DEFNAME");
            if (value.vt != VT_BSTR) break;
            const CString stored(V_BSTRT(&value), value.GetStringLength());
            if (!SameIndexKey(stored, name)) break;
            if (stored != name) continue;
            auto bookmark = std::make_unique<COleVariant>(main.GetBookmark());
            bookmarks.Add(bookmark.get());
            bookmark.release();
          }
          return ZLE_OK;
        },
        ZLE_BAD_BOOKMARK);
    if (code != ZLE_OK) {
      ZLFreeBookmarkArray(bookmarks);
      return ZLOutcome::Fail(code);
    }
    return ZLOutcome::Ok();
  });
}
