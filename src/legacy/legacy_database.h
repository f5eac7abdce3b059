// Opening and creating legacy databases, copying models and converting a
// database of an earlier layout, as routines the exports (and each other)
// share.  Each returns the new handle or null with a legacy code in code;
// engine exceptions propagate.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_DATABASE_H_
#define ZLDBCTRL70_LEGACY_LEGACY_DATABASE_H_

#include "legacy/legacy_records.h"

namespace zl::legacy {

void* OpenLegacyDatabase(const char* path, BOOL readOnly, int& code);
void* CreateLegacyDatabase(const char* path, int& code);

// Copies the source model's fields (those the source layout has) and side
// lists onto the destination model: 0, or 10 when either model is missing.
int CopyModel(ZLLegacyRecord& source, const CLegacyRowRef& from, ZLLegacyRecord& dest,
              const CLegacyRowRef& to);

// The handle of the converted database (hDB itself when there is nothing to
// convert: layout version 4 or later, read-only, or shared); null with 16
// when no temporary file can be made or the converted file cannot replace
// the original.
void* ConvertLegacy(void* hDB, int& code);

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_DATABASE_H_
