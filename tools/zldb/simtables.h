// The four kinds of simulator-language table, as the commands name them.
#ifndef ZLDB_SIMTABLES_H_
#define ZLDB_SIMTABLES_H_

#include <string>

#include "zldbctrl70.h"

namespace zldb {

struct SimTableKind {
  const char* name;  // call, macro, access, package
  int (*list)(void*, CStringArray&);
  // Null for access and package tables, which are always exclusive.
  int (*isExclusive)(void*, const char*, int&);
  int (*add)(void* hDB, const char* language, bool exclusive);
  int (*remove)(void*, const char*);
};

// The kinds in the order the commands list them.
const SimTableKind* SimTableKinds(size_t& count);

// The kind with that name, or null.
const SimTableKind* FindSimTableKind(const std::string& name);

}  // namespace zldb

#endif  // ZLDB_SIMTABLES_H_
