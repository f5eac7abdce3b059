// Compaction and repair of closed database files.
#ifndef ZLDBCTRL70_ENGINE_MAINTENANCE_H_
#define ZLDBCTRL70_ENGINE_MAINTENANCE_H_

#include <string>

namespace zl::engine {

// See CDaoWorkspace::CompactDatabase.  password is a connect text
// (";PWD=...") for the source, "" to use the locale's.
void CompactFile(const std::string& source, const std::string& target, const std::string& locale,
                 const std::string& password);

// See CDaoWorkspace::RepairDatabase.
void RepairFile(const std::string& path);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_MAINTENANCE_H_
