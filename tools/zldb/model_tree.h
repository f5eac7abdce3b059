// Reading the model tree through the public interface for the tool's
// commands: the records in tree order, their labels, and the language to
// show titles in.
#ifndef ZLDB_MODEL_TREE_H_
#define ZLDB_MODEL_TREE_H_

#include <string>
#include <vector>

#include "database.h"
#include "zldbctrl70.h"

namespace zldb {

// The record type that marks a folder.
constexpr unsigned long kFolderType = 1;

struct TreeEntry {
  long id = 0;
  int depth = 0;         // 0 for the top level
  bool missing = false;  // a link names no record
  bool folder = false;
  bool more = false;    // has children below the depth limit, not listed
  std::string title;    // empty when the record has none in the language
  std::string defName;  // empty when none
};

// Every record reachable from the root through FIRSTCHILD and NEXT links,
// in tree order (a record, then its children, then its next sibling); with
// from non-zero, that record and the records below it only.  maxDepth
// limits the levels below the first (-1: no limit); a record whose children
// lie beyond it is marked more.  A
// record met a second time (the links form a cycle) is not followed again
// and is named in problems, as is a link to a missing record (listed with
// missing set).  An empty tree gives an empty list.  False, with the
// library's last error, when a call fails for another reason.
bool CollectTree(void* hDB, WORD language, long from, int maxDepth, std::vector<TreeEntry>& entries,
                 std::vector<std::string>& problems);

// The language to show titles in.  When none is asked for (0): 1033 when
// the database has it, otherwise its first resource language, otherwise
// 1033.  One asked for that the database lacks is an error, printed with
// the languages it has; false then.
bool ResolveLanguage(CDatabase& db, WORD& language);

// Whether the record exists; prints "FILE: has no record #ID" when not.
bool RecordExists(CDatabase& db, long id);

// The IDs of the records with that definition name (compared exactly).
// False after a printed failure.
bool FindByDefinitionName(CDatabase& db, const std::string& name, std::vector<long>& ids);

}  // namespace zldb

#endif  // ZLDB_MODEL_TREE_H_
