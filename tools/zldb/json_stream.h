// Reading a large JSON document piece by piece: the members of the top-level
// object are handed over as each is complete, and the elements of one array
// member one at a time and then dropped, so that memory holds one element,
// never the whole array.
#ifndef ZLDB_JSON_STREAM_H_
#define ZLDB_JSON_STREAM_H_

#include <functional>
#include <istream>
#include <string>

#include "library_json.h"

namespace zldb {

// Parses in.  onMember(key, value) gets every member of the top-level object
// in document order; onElement(value, path) gets every element of the array
// streamKey (path "/streamKey/N") before onMember gets the array, empty.  Both may throw.  A
// document that is not an object, or not JSON (a truncated file included),
// throws CJsonFault naming the JSON pointer of the value being read where it
// went wrong.
void StreamDocument(std::istream& in, const std::string& streamKey,
                    const std::function<void(const std::string&, const Json&)>& onMember,
                    const std::function<void(const Json&, const std::string&)>& onElement);

}  // namespace zldb

#endif  // ZLDB_JSON_STREAM_H_
