#include "frame/textpack_code.h"

#include <algorithm>
#include <vector>

namespace zl {

namespace {

// A node of the code tree: a leaf for one byte value or the parent of a
// merged pair.  At most 256 leaves and 255 parents exist.
struct CCodeNode {
  uint64_t m_count = 0;
  CTextCode m_code;
};

// A merge: the node made and the two it was made of, in list order.
struct CMerge {
  size_t m_parent;
  size_t m_first;
  size_t m_second;
};

// Gives `child` the code of `parent` followed by `bit`; false when that
// would be too long for the table.
bool Extend(const CTextCode& parent, unsigned bit, CTextCode& child) {
  if (parent.m_length >= kMaxTextCodeBits) return false;
  child.m_bits = (parent.m_bits << 1) | bit;
  child.m_length = parent.m_length + 1;
  return true;
}

}  // namespace

bool BuildTextCodes(const CTextByteCounts& counts, CTextCodeTable& codes) {
  codes.fill(CTextCode());

  std::vector<unsigned> values;
  for (unsigned value = 0; value < 256; ++value) {
    if (counts[value] != 0) values.push_back(value);
  }
  if (values.empty()) return true;
  if (values.size() == 1) {
    // Two codes cannot be made from one value; "0" alone decodes it, and
    // zero padding bits decode as more of the same value.
    codes[values[0]].m_length = 1;
    return true;
  }

  // Stable, so that equal counts stay in ascending order of value.
  std::stable_sort(values.begin(), values.end(),
                   [&counts](unsigned a, unsigned b) { return counts[a] > counts[b]; });

  std::vector<CCodeNode> nodes(values.size());
  for (size_t i = 0; i < values.size(); ++i) nodes[i].m_count = counts[values[i]];
  nodes.reserve(2 * values.size() - 1);

  std::vector<size_t> list(values.size());
  for (size_t i = 0; i < list.size(); ++i) list[i] = i;
  std::vector<CMerge> merges;
  merges.reserve(values.size() - 2);

  // The list has at most 256 entries, so the linear insert is cheap.
  while (list.size() > 2) {
    const size_t second = list.back();
    list.pop_back();
    const size_t first = list.back();
    list.pop_back();
    const uint64_t sum = nodes[first].m_count + nodes[second].m_count;
    const size_t parent = nodes.size();
    nodes.push_back(CCodeNode{sum, CTextCode()});
    auto where = std::find_if(list.begin(), list.end(),
                              [&nodes, sum](size_t node) { return nodes[node].m_count <= sum; });
    list.insert(where, parent);
    merges.push_back(CMerge{parent, first, second});
  }

  nodes[list[0]].m_code = CTextCode{0, 1};
  nodes[list[1]].m_code = CTextCode{1, 1};
  // Parents are made after their children, so walking the merges backwards
  // reaches every parent before its children.
  for (auto it = merges.rbegin(); it != merges.rend(); ++it) {
    const CTextCode parent = nodes[it->m_parent].m_code;
    if (!Extend(parent, 0, nodes[it->m_first].m_code) ||
        !Extend(parent, 1, nodes[it->m_second].m_code)) {
      codes.fill(CTextCode());
      return false;
    }
  }

  for (size_t i = 0; i < values.size(); ++i) codes[values[i]] = nodes[i].m_code;
  return true;
}

}  // namespace zl
