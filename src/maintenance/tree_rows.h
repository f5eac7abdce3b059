// Reading the type and links of every MAIN row in one pass, for the repair
// and the check, which must look at the whole tree.
#ifndef ZLDBCTRL70_MAINTENANCE_TREE_ROWS_H_
#define ZLDBCTRL70_MAINTENANCE_TREE_ROWS_H_

#include <vector>

#include "frame/handle_record.h"
#include "maintenance/repair_tree.h"

namespace zl {

// Every MAIN row, ordered by ID.  A link value no 32-bit ID can have reads
// as 0 (it names no record).  Engine errors propagate.
std::vector<ZLTreeRow> ReadTreeRows(ZLHandleRecord& record);

}  // namespace zl

#endif  // ZLDBCTRL70_MAINTENANCE_TREE_ROWS_H_
