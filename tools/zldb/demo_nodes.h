// The nodes, keywords, symbols and files zldb demo gives every model.
#ifndef ZLDB_DEMO_NODES_H_
#define ZLDB_DEMO_NODES_H_

#include <vector>

#include "database.h"
#include "demo_simlang.h"

namespace zldb {

// Adds a Spice access table, and gives every model three pins and five
// parameters (info texts in English and German, access names in Spice),
// keywords in both languages, a symbol and a small netlist file.  False
// after a reported failure.
bool WriteNodesDemo(CDatabase& db, const std::vector<DemoModelRecord>& models, CProgress& progress);

}  // namespace zldb

#endif  // ZLDB_DEMO_NODES_H_
