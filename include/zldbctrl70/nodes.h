// Nodes of a model: conservative nodes (terminals, NODE_C) and
// non-conservative nodes (signals, quantities, parameters, NODE_NC), each
// with its info texts and preferred units per resource language and its
// access texts and default values per simulator language.
//
// Every operation comes in a ByID form (record ID) and a ByBookmark form
// (the record's bookmark; 8 when it cannot be set).  Common codes: 7 bad
// handle, 9 engine failure or a number that does not fit its column, 6
// memory exhausted.  Writes are all-or-nothing.
#ifndef ZLDBCTRL70_NODES_H_
#define ZLDBCTRL70_NODES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/value_objects.h"
#include "zldbctrl70/wizard_copa.h"

// The record's nodes in table order, with every satellite.  The array is
// emptied first (its objects deleted).  The ByID forms read an ID that no
// record has as a record without nodes.  With a parameter-set ID other than
// 0, the value of each non-conservative node and the top four bits of its
// extended type are the set's (an empty value where the set has none).
ZL_EXPORT int ZLGetNodesCByID(void* hDB, long lID, CZLNodeArray& nodes);
ZL_EXPORT int ZLGetNodesCByBookmark(void* hDB, const COleVariant& bookmark, CZLNodeArray& nodes);
ZL_EXPORT int ZLGetNodesNCByID(void* hDB, long lID, CZLNodeArray& nodes, long lParamSetID);
ZL_EXPORT int ZLGetNodesNCByBookmark(void* hDB, const COleVariant& bookmark, CZLNodeArray& nodes,
                                     long lParamSetID);

// Replaces the record's nodes with the array, merged by node ID: nodes an
// object names are rewritten (rows already as wanted are not written),
// objects with ID 0 (or an ID the record does not have) become new nodes
// and receive their node IDs, and every other node of the record is deleted
// with all its satellites.  An empty info map keeps the node's resource ID
// and deletes its texts.  The record must exist (11).  20 for an info text
// in a language without string table; 21 for a preferred unit, access text
// or default value in a language without its table.
//
// With a parameter-set ID other than 0 (non-conservative nodes only) the
// node rows are left alone: each object's value and the top four bits of
// its extended type are stored as the set's value of the node.
ZL_EXPORT int ZLSetNodesCByID(void* hDB, long lID, CZLNodeArray& nodes);
ZL_EXPORT int ZLSetNodesCByBookmark(void* hDB, const COleVariant& bookmark, CZLNodeArray& nodes);
ZL_EXPORT int ZLSetNodesNCByID(void* hDB, long lID, CZLNodeArray& nodes, long lParamSetID);
ZL_EXPORT int ZLSetNodesNCByBookmark(void* hDB, const COleVariant& bookmark, CZLNodeArray& nodes,
                                     long lParamSetID);

#endif  // ZLDBCTRL70_NODES_H_
