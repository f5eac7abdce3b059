// Test support: model-library databases of the older layouts 0 ... 21,
// written through the engine with the tables, fields, types and indexes
// each version had (the current layout less what came later) and a few
// rows of realistic data, and a printable description of a file's layout.
#ifndef ZLDBCTRL70_TESTS_MAINTENANCE_OLD_LAYOUTS_H_
#define ZLDBCTRL70_TESTS_MAINTENANCE_OLD_LAYOUTS_H_

#include <string>

namespace zltest {

// Writes a new database of the given layout version at path: five records
// (root folder 1; folder 2 without a name and folder 3 under it; models 4
// and 5 in folder 2), nodes of model 4 of types 0x4, 0x1 and 0x10, two
// files (one of type 10 with language 1031), a keyword of 0x409, three
// Spice macros (two of model 4), and before version 7 two packages in
// VHDL_PACKAGES; then extraModels more models under folder 2 with two
// nodes and a macro each.
void WriteOldDatabase(const std::string& path, int version, int extraModels = 0);

// Every table with its fields (type, size, attributes, zero-length rule)
// and indexes, sorted by name, through the engine's field and index
// information.
std::string DescribeLayout(const std::string& path);

// The values of one field of a table in row order, joined by commas
// ("null" for NULL, Booleans as -1 and 0).
std::string Column(const std::string& path, const char* table, const char* field);

// The database version the file records (0 when it cannot be opened).
int VersionOf(const std::string& path);

}  // namespace zltest

#endif  // ZLDBCTRL70_TESTS_MAINTENANCE_OLD_LAYOUTS_H_
