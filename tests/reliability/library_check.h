// The checks a model library must pass after anything happened to it (a
// crash, a failed write, concurrent writers): the storage's own integrity
// check, run by the engine, and the library's consistency rules.
#ifndef ZLDBCTRL70_TESTS_RELIABILITY_LIBRARY_CHECK_H_
#define ZLDBCTRL70_TESTS_RELIABILITY_LIBRARY_CHECK_H_

#include <string>
#include <vector>

namespace zlrel {

// Opens the library (a file or a server name) read-only through the
// library and returns every problem found (empty when sound):
// - the engine's integrity check (a server keeps its own storage whole);
// - every tree link of every record is 0 or names a record (the operation
//   mix links only existing records and deletes none);
// - every title and information text a record names is an allocated
//   resource ID, and the record's texts read back in every language;
// - every language and simulator-language table the registries list
//   exists, and every such table is listed.
std::vector<std::string> CheckLibrary(const std::string& path);

}  // namespace zlrel

#endif  // ZLDBCTRL70_TESTS_RELIABILITY_LIBRARY_CHECK_H_
