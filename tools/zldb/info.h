// A database's own properties, printed by zldb info and zldb create.
#ifndef ZLDB_INFO_H_
#define ZLDB_INFO_H_

#include "database.h"

namespace zldb {

// Prints the properties as text or as one JSON object; the exit status.
int PrintInfo(CDatabase& db, bool json);

}  // namespace zldb

#endif  // ZLDB_INFO_H_
