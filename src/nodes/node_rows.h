// The nodes of a record (NODE_C or NODE_NC rows) with their satellites:
// info texts in the string tables (through the node's INFO resource ID),
// preferred units in the UNIT_<lang> tables, access texts and default values
// in the ACCESS_<sim> tables, and per-parameter-set values in PARAMVALUE.
// Satellite rows are keyed by node ID and node type (FALSE for NODE_C, TRUE
// for NODE_NC).
//
// Every routine works on a locked handle record, returns a last-error code
// and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_NODES_NODE_ROWS_H_
#define ZLDBCTRL70_NODES_NODE_ROWS_H_

#include <cstdint>

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

namespace zl {

enum class ENodeKind { kConservative, kNonConservative };

// Everything that tells the two kinds apart, as data: every routine below
// is one routine for both, driven by this description.
struct ZLNodeKind {
  ZLFixedTable table;     // NODE_C or NODE_NC
  int32_t typeKey;        // NODE_TYPE of the node's satellite and PARAMVALUE rows
  bool parameterColumns;  // UNIT, QUANTITY and the resource-ID columns marked so
  bool setValues;         // has values per parameter set
};
const ZLNodeKind& NodeKind(ENodeKind kind);

// Appends one new object per node of the record in index order.  For
// non-conservative nodes and a parameter set other than 0 the value and the
// top four bits of the extended type come from the set's PARAMVALUE row
// (value empty when there is none).
int ReadNodes(ZLHandleRecord& record, ENodeKind kind, long recordID, long paramSetID,
              CZLNodeArray& nodes);

// Merges the record's nodes with the array by node ID: rows an object names
// are rewritten (left alone when unchanged), objects without a row are
// added and receive their new node IDs, other rows are deleted with every
// satellite.  20 for an info text in a language without string table, 21
// for a preferred unit, access text or default value in a language without
// its table (nothing written).  In its own transaction.
int WriteNodes(ZLHandleRecord& record, ENodeKind kind, long recordID, CZLNodeArray& nodes);

// Stores the value and the top four bits of the extended type of every
// object as its PARAMVALUE row for the parameter set; node rows are not
// touched.  In its own transaction.
int WriteParamSetValues(long paramSetID, ZLHandleRecord& record, const CZLNodeArray& nodes);

}  // namespace zl

#endif  // ZLDBCTRL70_NODES_NODE_ROWS_H_
