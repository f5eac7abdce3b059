// The side lists of a legacy model (rows of PARAMS, CONNECT, OUTPUT and
// FILES, and keyword links), read and replaced by the model's ID.  Routines
// return a legacy code and let engine exceptions propagate.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_LISTS_H_
#define ZLDBCTRL70_LEGACY_LEGACY_LISTS_H_

#include "legacy/legacy_handle.h"
#include "zldbctrl70/platform/coll_list.h"

namespace zl::legacy {

enum EListKind { kParams, kConnects, kOutput, kFiles, kKeywords };

// Appends one new object per row of the model, in table order.
int ReadList(ZLLegacyRecord& record, EListKind kind, long id, CObList& list);
// Replaces the model's rows by one row per object (8 when an object is not
// of the list's class; nothing is written then).  Keyword texts missing
// from KEYWORDS are added there.
int WriteList(ZLLegacyRecord& record, EListKind kind, long id, const CObList& list);
// Deletes the model's rows (keywords: its links; keyword texts stay).
void DeleteList(ZLLegacyRecord& record, EListKind kind, long id);

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_LISTS_H_
