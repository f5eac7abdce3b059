// Searching legacy models: the folder look-up the path is built with, and
// the search of CompQuery.  Routines return a legacy code and let engine
// exceptions propagate.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_QUERY_H_
#define ZLDBCTRL70_LEGACY_LEGACY_QUERY_H_

#include "legacy/legacy_handle.h"
#include "legacy/legacy_records.h"
#include "zldbctrl70/legacy.h"

namespace zl::legacy {

// The TITLE of the folder record whose FLDR equals key (exactly): the first
// such record of TYPE "Folder", else the first such record.  10 when none.
int FolderTitle(ZLLegacyRecord& record, const char* key, CString& title);

// The model's path: "\\" at the root, else "\\" and the titles of its
// folders joined by "\".  10 when the model or a folder is missing.
int ModelPath(ZLLegacyRecord& record, const CLegacyRowRef& row, CString& path);

// Fills the query's results; withExtras tests the UDT-name and
// wizard-type criteria as well (the query is then a CCompQueryObject2).
int RunCompQuery(ZLLegacyRecord& record, CCompQueryObject& query, bool withExtras);

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_QUERY_H_
