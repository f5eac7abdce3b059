#include "simtables.h"

#include <iterator>

namespace zldb {
namespace {

const SimTableKind kKinds[] = {
    {"call", ZLGetAvailableCallSimLanguages, ZLIsExclusiveCallTable,
     [](void* hDB, const char* language, bool exclusive) {
       return ZLAddCallTable(hDB, language, exclusive ? 1 : 0);
     },
     ZLRemoveCallTable},
    {"macro", ZLGetAvailableMacroSimLanguages, ZLIsExclusiveMacroTable,
     [](void* hDB, const char* language, bool exclusive) {
       return ZLAddMacroTable(hDB, language, exclusive ? 1 : 0);
     },
     ZLRemoveMacroTable},
    {"access", ZLGetAvailableAccessSimLanguages, nullptr,
     [](void* hDB, const char* language, bool) { return ZLAddAccessTable(hDB, language); },
     ZLRemoveAccessTable},
    {"package", ZLGetAvailablePackageSimLanguages, nullptr,
     [](void* hDB, const char* language, bool) { return ZLAddPackageTable(hDB, language); },
     ZLRemovePackageTable},
};

}  // namespace

const SimTableKind* SimTableKinds(size_t& count) {
  count = std::size(kKinds);
  return kKinds;
}

const SimTableKind* FindSimTableKind(const std::string& name) {
  for (const SimTableKind& kind : kKinds) {
    if (name == kind.name) return &kind;
  }
  return nullptr;
}

}  // namespace zldb
