// Changing the model tree through the public interface: appending a record
// to a folder's children and finding or making folders by their path of
// titles.  The library writes every link exactly as asked; these keep the
// PARENT, FIRSTCHILD, PREV and NEXT links consistent the way a library
// manager does.
#ifndef ZLDB_TREE_EDIT_H_
#define ZLDB_TREE_EDIT_H_

#include <string>

#include "database.h"

namespace zldb {

// Links child (a record with no links yet) as the last child of parent, or
// as the last record of the top level when parent is 0.  The walk along
// the NEXT links stops at a record met twice (a cycle), which is reported.
// False after a printed failure.
bool AppendChild(CDatabase& db, long parent, long child);

// The folder named by path, titles in language separated by '/' ("Models/
// Op-amps"; empty parts are ignored), looked up from the top level; 0 for
// an empty path.  With create, missing folders are made (titled in
// language, linked as last children); without, a missing one is reported.
// False after a printed failure.
bool FindFolder(CDatabase& db, WORD language, const std::string& path, bool create, long& folder);

}  // namespace zldb

#endif  // ZLDB_TREE_EDIT_H_
