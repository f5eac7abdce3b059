// The simulator-language content zldb demo adds to its sample library.
#ifndef ZLDB_DEMO_SIMLANG_H_
#define ZLDB_DEMO_SIMLANG_H_

#include <string>
#include <vector>

#include "database.h"
#include "progress.h"

namespace zldb {

struct DemoModelRecord {
  long id;
  std::string defName;
};

// Adds macro and call tables for Spice and VHDLA and a VHDLA package table,
// a compressed macro and a call line in both languages for every model, and
// two packages linked into a list.  False after a reported failure.
bool WriteSimLanguageDemo(CDatabase& db, const std::vector<DemoModelRecord>& models,
                          CProgress& progress);

}  // namespace zldb

#endif  // ZLDB_DEMO_SIMLANG_H_
