// The model content zldb demo adds to a few of its models: a tolerance, a
// stress, two parameter sets with their values, tolerances and stresses, an
// additional-data column and a profile string.
#ifndef ZLDB_DEMO_CONTENT_H_
#define ZLDB_DEMO_CONTENT_H_

#include <vector>

#include "database.h"
#include "demo_simlang.h"

namespace zldb {

// Gives the operational amplifiers LM741, NE5532 and OP07 (those of the
// catalog that exist, and their copies) a tolerance of their gain and a supply stress, and two
// parameter sets ("typical", "worst case") linked into a chain with their
// own values for the five parameters WriteNodesDemo gave every model (it
// must run first); adds the additional-data column "Order number" with a value
// for each of them and the profile string Sim/Step of LM741.  False after a
// reported failure.
bool WriteContentDemo(CDatabase& db, const std::vector<DemoModelRecord>& models);

}  // namespace zldb

#endif  // ZLDB_DEMO_CONTENT_H_
