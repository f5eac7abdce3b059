// Reading a model library into its JSON form (library_json.h) for zldb
// export: the header sections, and one record at a time so that a library
// of any size is written without holding more than one record in memory.
#ifndef ZLDB_LIBRARY_EXPORT_H_
#define ZLDB_LIBRARY_EXPORT_H_

#include <unordered_map>
#include <vector>

#include "database.h"
#include "library_json.h"

namespace zldb {

// The document's members before "records": format, database properties,
// resource languages, simulator-language tables, additional-data columns,
// packages.  False after a printed failure.
bool ExportHeader(CDatabase& db, Json& header);

// The records' IDs in ascending order, and the number each gets in the
// document (1, 2, ... in that order; links are written as these numbers,
// so that a library rebuilt from the document exports the same text).
bool ListRecords(CDatabase& db, std::vector<long>& ids, std::unordered_map<long, long>& numbers);

// One record with its attributes and content; columns is the header's
// "additionalData".  False after a printed failure.
bool ExportRecord(CDatabase& db, long id, const std::unordered_map<long, long>& numbers,
                  const Json& columns, Json& record);

}  // namespace zldb

#endif  // ZLDB_LIBRARY_EXPORT_H_
