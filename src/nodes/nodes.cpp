// The exported node operations, one line each over two templates.
#include "zldbctrl70/nodes.h"

#include <vector>

#include "frame/guard.h"
#include "nodes/node_rows.h"
#include "simlang/owner_record.h"

using namespace zl;

namespace {

int GetNodes(void* hDB, const ZLRowRef& row, ENodeKind kind, CZLNodeArray& nodes, long setID) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeObjectArray(nodes);
    int code = ZLE_OK;
    try {
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) code = ReadNodes(record, kind, id, setID, nodes);
    } catch (...) {
      ZLFreeObjectArray(nodes);
      throw;
    }
    if (code != ZLE_OK) ZLFreeObjectArray(nodes);
    return ZLOutcome::FromCode(code);
  });
}

int SetNodes(void* hDB, const ZLRowRef& row, ENodeKind kind, CZLNodeArray& nodes, long setID) {
  // New node IDs stay in the caller's objects only when the write is kept
  // (its commit included).
  std::vector<long> before;
  for (int i = 0; i < nodes.GetSize(); ++i) {
    before.push_back(nodes[i] != nullptr ? nodes[i]->m_lNodeID : 0);
  }
  const int result = RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    const int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    if (NodeKind(kind).setValues && setID != 0) {
      return ZLOutcome::FromCode(WriteParamSetValues(setID, record, nodes));
    }
    return ZLOutcome::FromCode(WriteNodes(record, kind, id, nodes));
  });
  if (result == 0) {
    for (int i = 0; i < nodes.GetSize() && static_cast<size_t>(i) < before.size(); ++i) {
      if (nodes[i] != nullptr) nodes[i]->m_lNodeID = before[i];
    }
  }
  return result;
}

constexpr ENodeKind kC = ENodeKind::kConservative;
constexpr ENodeKind kNC = ENodeKind::kNonConservative;

}  // namespace

int ZLGetNodesCByID(void* hDB, long lID, CZLNodeArray& nodes) {
  return GetNodes(hDB, RecordByID(lID), kC, nodes, 0);
}
int ZLGetNodesCByBookmark(void* hDB, const COleVariant& bm, CZLNodeArray& nodes) {
  return GetNodes(hDB, RecordByBookmark(bm), kC, nodes, 0);
}
int ZLGetNodesNCByID(void* hDB, long lID, CZLNodeArray& nodes, long lParamSetID) {
  return GetNodes(hDB, RecordByID(lID), kNC, nodes, lParamSetID);
}
int ZLGetNodesNCByBookmark(void* hDB, const COleVariant& bm, CZLNodeArray& nodes,
                           long lParamSetID) {
  return GetNodes(hDB, RecordByBookmark(bm), kNC, nodes, lParamSetID);
}
int ZLSetNodesCByID(void* hDB, long lID, CZLNodeArray& nodes) {
  return SetNodes(hDB, RecordByID(lID), kC, nodes, 0);
}
int ZLSetNodesCByBookmark(void* hDB, const COleVariant& bm, CZLNodeArray& nodes) {
  return SetNodes(hDB, RecordByBookmark(bm), kC, nodes, 0);
}
int ZLSetNodesNCByID(void* hDB, long lID, CZLNodeArray& nodes, long lParamSetID) {
  return SetNodes(hDB, RecordByID(lID), kNC, nodes, lParamSetID);
}
int ZLSetNodesNCByBookmark(void* hDB, const COleVariant& bm, CZLNodeArray& nodes,
                           long lParamSetID) {
  return SetNodes(hDB, RecordByBookmark(bm), kNC, nodes, lParamSetID);
}
