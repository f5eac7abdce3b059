// The code of the compressed text blocks: from the number of times each byte
// value occurs, the prefix code that PackText writes into a block's table.
// It is a static Huffman code built in one fixed way, so that a text always
// packs into the same bytes.
#ifndef ZLDBCTRL70_FRAME_TEXTPACK_CODE_H_
#define ZLDBCTRL70_FRAME_TEXTPACK_CODE_H_

#include <array>
#include <cstdint>

namespace zl {

// The longest code a block's table can hold, in bits.
constexpr unsigned kMaxTextCodeBits = 64;

// One byte value's code: the m_length low bits of m_bits, the first bit of
// the code being the most significant of them.  m_length 0: no code.
struct CTextCode {
  uint64_t m_bits = 0;
  unsigned m_length = 0;
};

using CTextByteCounts = std::array<uint64_t, 256>;
using CTextCodeTable = std::array<CTextCode, 256>;

// Fills `codes` with the code for `counts` (the sum of all counts must fit in
// 64 bits).  The values that occur are listed by descending count, equal
// counts by ascending value; the last two are merged into a node that goes in
// front of the first node whose count is less than or equal to theirs (at the
// end if there is none), until two nodes are left, which get "0" and "1";
// every merged pair then gets its parent's code followed by 0 (the first of
// the pair) and 1 (the second).
//
// A single value that occurs gets the one-bit code "0"; when no value occurs
// every entry is left without a code.  Returns false, with every entry left
// without a code, when some code would be longer than kMaxTextCodeBits (which
// needs more than 4 * 10^13 input bytes, as code lengths grow with the
// Fibonacci numbers).
bool BuildTextCodes(const CTextByteCounts& counts, CTextCodeTable& codes);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_TEXTPACK_CODE_H_
