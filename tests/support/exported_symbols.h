// The library's exported symbols as abi/exports.txt lists them (demangled,
// one per line), for tests that walk every export.
#ifndef ZLDBCTRL70_TESTS_SUPPORT_EXPORTED_SYMBOLS_H_
#define ZLDBCTRL70_TESTS_SUPPORT_EXPORTED_SYMBOLS_H_

#include <string>
#include <vector>

namespace zltest {

// Every line of abi/exports.txt (empty when the list cannot be read).
std::vector<std::string> ExportedSymbols();

// The name of an exported function ("ZLGetTitleByID" for
// "ZLGetTitleByID(void*, long, ...)"); "" for data symbols.
std::string FunctionName(const std::string& symbol);

// True for an export of the database interface whose first argument is a
// database handle.
bool TakesHandle(const std::string& symbol);

}  // namespace zltest

#endif  // ZLDBCTRL70_TESTS_SUPPORT_EXPORTED_SYMBOLS_H_
