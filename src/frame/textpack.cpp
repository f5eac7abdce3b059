#include "frame/textpack.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "frame/textpack_bits.h"
#include "frame/textpack_code.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"

namespace zl {

namespace {

constexpr size_t kCountSize = 2;
constexpr size_t kEntryHeadSize = 4;  // length, value, check
constexpr size_t kMaxEntries = 256;

size_t CodeByteCount(unsigned length) { return (length + 7) / 8; }

// A new movable block, locked while the object lives and freed with it
// unless handed on with Release.
class CNewBlock {
 public:
  explicit CNewBlock(size_t size) : m_handle(GlobalAlloc(GMEM_MOVEABLE, size)) {
    if (m_handle != nullptr) m_data = static_cast<BYTE*>(GlobalLock(m_handle));
    if (m_data == nullptr) {
      if (m_handle != nullptr) GlobalFree(m_handle);
      throw CMemoryException();
    }
  }
  ~CNewBlock() {
    if (m_handle != nullptr) {
      GlobalUnlock(m_handle);
      GlobalFree(m_handle);
    }
  }
  CNewBlock(const CNewBlock&) = delete;
  CNewBlock& operator=(const CNewBlock&) = delete;

  BYTE* Data() const { return m_data; }
  // Unlocks the block and gives up ownership of it.
  HGLOBAL Release() {
    GlobalUnlock(m_handle);
    HGLOBAL handle = m_handle;
    m_handle = nullptr;
    m_data = nullptr;
    return handle;
  }

 private:
  HGLOBAL m_handle;
  BYTE* m_data = nullptr;
};

// The decoding tree of a block's table.  Node 0 is the root; a child index
// of 0 means no child, as the root is nobody's child.  Every node is either
// on the way to a deeper code (it has a child) or ends a code (it has a
// value), because conflicting codes are refused.
class CDecodeTree {
 public:
  CDecodeTree() {
    m_nodes.reserve(256);
    m_nodes.push_back(CNode());
  }

  // Enters a code of `length` bits read from `code`; false when it collides
  // with a code already entered (same code, or one a prefix of the other).
  bool Add(const BYTE* code, unsigned length, BYTE value) {
    uint32_t node = 0;
    for (unsigned i = 0; i < length; ++i) {
      if (m_nodes[node].m_value >= 0) return false;  // an entered code is a prefix
      const unsigned bit = (code[i / 8] >> (7 - i % 8)) & 1u;
      uint32_t next = m_nodes[node].m_child[bit];
      if (next == 0) {
        next = static_cast<uint32_t>(m_nodes.size());
        m_nodes.push_back(CNode());
        m_nodes[node].m_child[bit] = next;
      }
      node = next;
    }
    const CNode& end = m_nodes[node];
    if (end.m_value >= 0 || end.m_child[0] != 0 || end.m_child[1] != 0) return false;
    m_nodes[node].m_value = value;
    return true;
  }

  // Appends the values coded in the stream to `out`; false when the stream
  // takes a branch that no code has.
  bool Decode(const BYTE* stream, size_t size, std::vector<BYTE>& out) const {
    uint32_t node = 0;
    for (size_t i = 0; i < size; ++i) {
      const unsigned byte = stream[i];
      for (int shift = 7; shift >= 0; --shift) {
        node = m_nodes[node].m_child[(byte >> shift) & 1u];
        if (node == 0) return false;
        const int value = m_nodes[node].m_value;
        if (value >= 0) {
          out.push_back(static_cast<BYTE>(value));
          node = 0;
        }
      }
    }
    return true;
  }

 private:
  struct CNode {
    uint32_t m_child[2] = {0, 0};
    int m_value = -1;
  };
  std::vector<CNode> m_nodes;  // at most 1 + 256 * 64 nodes
};

// Reads the table at the front of a block into `tree`; returns the offset of
// the stream and the shortest code length, or false when the table is
// malformed.
bool ReadTable(const BYTE* data, size_t size, CDecodeTree& tree, size_t& streamStart,
               unsigned& shortest) {
  if (size < kCountSize) return false;
  const size_t entries = data[0] | (size_t{data[1]} << 8);
  if (entries == 0 || entries > kMaxEntries) return false;
  size_t pos = kCountSize;
  shortest = kMaxTextCodeBits;
  for (size_t e = 0; e < entries; ++e) {
    if (size - pos < kEntryHeadSize) return false;
    const unsigned length = data[pos] | (unsigned{data[pos + 1]} << 8);
    if (length == 0 || length > kMaxTextCodeBits) return false;
    const BYTE value = data[pos + 2];
    const BYTE check = data[pos + 3];
    pos += kEntryHeadSize;
    const size_t codeBytes = CodeByteCount(length);
    if (size - pos < codeBytes) return false;
    unsigned sum = 0;
    for (size_t i = 0; i < codeBytes; ++i) sum += data[pos + i];
    if (static_cast<BYTE>(sum) != check) return false;
    if (!tree.Add(data + pos, length, value)) return false;
    pos += codeBytes;
    if (length < shortest) shortest = length;
  }
  streamStart = pos;
  return true;
}

}  // namespace

size_t PackText(const BYTE* pData, size_t nCount, HGLOBAL& hBlock) {
  hBlock = nullptr;
  if (pData == nullptr || nCount == 0) return 0;

  CTextByteCounts counts{};
  for (size_t i = 0; i < nCount; ++i) ++counts[pData[i]];
  CTextCodeTable codes;
  try {
    if (!BuildTextCodes(counts, codes)) return 0;
  } catch (const std::bad_alloc&) {
    throw CMemoryException();
  }

  // The size is known before writing, so the block is allocated once.
  size_t tableSize = kCountSize;
  uint64_t streamBits = 0;
  size_t entries = 0;
  for (unsigned value = 0; value < 256; ++value) {
    const CTextCode& code = codes[value];
    if (code.m_length == 0) continue;
    ++entries;
    tableSize += kEntryHeadSize + CodeByteCount(code.m_length);
    // Codes are at most 64 bits and counts at most nCount, so the bit
    // count overflows only for inputs far larger than memory.
    streamBits += counts[value] * code.m_length;
  }
  const size_t blockSize = tableSize + static_cast<size_t>((streamBits + 7) / 8);

  CNewBlock block(blockSize);
  BYTE* out = block.Data();
  out[0] = static_cast<BYTE>(entries);
  out[1] = static_cast<BYTE>(entries >> 8);
  out += kCountSize;
  for (unsigned value = 0; value < 256; ++value) {
    const CTextCode& code = codes[value];
    if (code.m_length == 0) continue;
    const size_t codeBytes = CodeByteCount(code.m_length);
    // Left-align the code in its bytes; the unused low bits stay zero.
    const uint64_t aligned = code.m_bits << (codeBytes * 8 - code.m_length);
    out[0] = static_cast<BYTE>(code.m_length);
    out[1] = static_cast<BYTE>(code.m_length >> 8);
    out[2] = static_cast<BYTE>(value);
    unsigned sum = 0;
    for (size_t i = 0; i < codeBytes; ++i) {
      const BYTE b = static_cast<BYTE>(aligned >> (8 * (codeBytes - 1 - i)));
      out[kEntryHeadSize + i] = b;
      sum += b;
    }
    out[3] = static_cast<BYTE>(sum);
    out += kEntryHeadSize + codeBytes;
  }

  CBitWriter writer(out);
  for (size_t i = 0; i < nCount; ++i) writer.Put(codes[pData[i]]);
  writer.Finish();

  hBlock = block.Release();
  return blockSize;
}

size_t UnpackText(const BYTE* pData, size_t nCount, HGLOBAL& hBlock) {
  hBlock = nullptr;
  if (pData == nullptr) return 0;

  std::vector<BYTE> decoded;
  try {
    CDecodeTree tree;
    size_t streamStart = 0;
    unsigned shortest = 0;
    if (!ReadTable(pData, nCount, tree, streamStart, shortest)) return 0;
    const size_t streamSize = nCount - streamStart;
    if (streamSize == 0) return 0;
    // Every code takes at least `shortest` bits, which bounds the output;
    // common texts need about two bytes per stream byte, and the vector
    // grows geometrically from there.
    const size_t bound = streamSize / shortest * 8 + (streamSize % shortest) * 8 / shortest;
    decoded.reserve(std::min(bound, streamSize * 2 + 64));
    if (!tree.Decode(pData + streamStart, streamSize, decoded)) return 0;
  } catch (const std::bad_alloc&) {
    throw CMemoryException();
  }
  if (decoded.empty()) return 0;

  CNewBlock block(decoded.size());
  std::memcpy(block.Data(), decoded.data(), decoded.size());
  hBlock = block.Release();
  return decoded.size();
}

}  // namespace zl
