// Compressed text blocks: the form in which long texts are kept in
// long-binary fields.  The layout is part of the database format; every
// number is little-endian:
//
//   2 bytes   N, the number of table entries (1 to 256)
//   N times   2 bytes code length L (1 to 64), 1 byte the value coded,
//             1 byte check (sum of the code bytes modulo 256),
//             (L + 7) / 8 code bytes, the code's first bit being the most
//             significant bit of the first byte
//   the rest  the codes of the text's bytes in order, most significant bit
//             first, across byte boundaries; the last byte is padded
//
// The stream holds no symbol count, so padding bits that complete a code
// decode as extra bytes at the end.  Texts are therefore packed together with
// their terminating zero byte, and a reader takes the decoded bytes up to the
// first zero; data without such an end mark must have its length kept
// elsewhere.
#ifndef ZLDBCTRL70_FRAME_TEXTPACK_H_
#define ZLDBCTRL70_FRAME_TEXTPACK_H_

#include <cstddef>

#include "zldbctrl70/platform/types.h"

namespace zl {

// Packs the nCount bytes at pData into a new movable global memory block
// (GMEM_MOVEABLE), stored in hBlock, and returns the block's size, which is
// exactly its GlobalSize.  The caller owns the block and frees it
// (CLongBinary takes it as it is).  The same bytes always give the same
// block.
//
// A text of a single distinct byte value gets the one-bit code "0"; its
// padding bits (zero) decode as more copies of that value.
//
// Returns 0 with hBlock null, creating nothing, when there is nothing to
// pack (nCount 0 or pData null) or when the text needs a code longer than 64
// bits (only possible beyond 4 * 10^13 bytes).  Callers store an empty text
// as an empty value.  Throws CMemoryException when memory is exhausted;
// hBlock is then null and nothing is left allocated.
size_t PackText(const BYTE* pData, size_t nCount, HGLOBAL& hBlock);

// Decodes the block of nCount bytes at pData into a new movable global
// memory block of exactly the decoded size, stored in hBlock, and returns
// the number of decoded bytes.  The caller owns the block and frees it.
//
// Returns 0 with hBlock null, creating nothing, when nothing is decoded or
// the block is malformed: too short for its table, N of 0 or above 256, a
// code length of 0 or above 64, a wrong check byte, two entries with the same
// code or a code that begins with another entry's code, or a stream that
// leads to a bit sequence no code starts with.  Several entries may code the
// same value.  Bits at the end that do not complete a code are ignored.
// Reads only the nCount bytes given, whatever they hold.  Throws
// CMemoryException when memory is exhausted; hBlock is then null.
size_t UnpackText(const BYTE* pData, size_t nCount, HGLOBAL& hBlock);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_TEXTPACK_H_
