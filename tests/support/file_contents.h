// Everything a database file holds, read through a connection of its own:
// tests compare it before and after an operation.
#ifndef ZLDBCTRL70_TESTS_SUPPORT_FILE_CONTENTS_H_
#define ZLDBCTRL70_TESTS_SUPPORT_FILE_CONTENTS_H_

#include <string>

namespace zltest {

// Every table (the storage engine's bookkeeping included) with its
// definition and every row in row order, each value with its storage
// class.  With maskDates, values of date columns and of the bookkeeping's
// date_* columns read "date": two files written by the same operations at
// different times then compare equal.  "unreadable" when the file cannot
// be opened.
std::string FileContents(const std::string& path, bool maskDates = false);

}  // namespace zltest

#endif  // ZLDBCTRL70_TESTS_SUPPORT_FILE_CONTENTS_H_
