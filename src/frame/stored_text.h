// Texts kept in long-binary fields: the bytes of the text with a
// terminating zero byte, either as they are or as a compressed block
// (textpack.h).  Macro texts, their option blocks and package texts are
// stored this way.
#ifndef ZLDBCTRL70_FRAME_STORED_TEXT_H_
#define ZLDBCTRL70_FRAME_STORED_TEXT_H_

#include <cstddef>
#include <string>

#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/variant.h"

namespace zl {

// The bytes of a locked block, unlocked on every way out.
class CBlockView {
 public:
  explicit CBlockView(HGLOBAL block) : m_block(block) {
    m_data = static_cast<const BYTE*>(GlobalLock(block));
    if (m_data == nullptr) throw CMemoryException();
  }
  ~CBlockView() { GlobalUnlock(m_block); }
  CBlockView(const CBlockView&) = delete;
  CBlockView& operator=(const CBlockView&) = delete;
  const BYTE* Data() const { return m_data; }

 private:
  HGLOBAL m_block;
  const BYTE* m_data;
};

// The stored block of the nCount bytes at pData followed by one zero byte:
// packed when compressed is set, else the bytes as they are.  The result is
// a byte-array variant.  Throws CMemoryException when memory is exhausted or
// the text cannot be packed.
COleVariant StoreTextBlock(const char* pData, size_t nCount, bool compressed);

// Every byte a stored block holds: unpacked when compressed is set (the
// decoded bytes, padding included), else the block as it is.  Returns 0, or
// 31 when the block is not a byte array or does not unpack.  Never reads
// past the block.  Throws CMemoryException.
int LoadBlockBytes(const COleVariant& block, bool compressed, std::string& bytes);

// Reads a stored block back: unpacks it when compressed is set, then takes
// the bytes up to the first zero byte (all of them when there is none).
// Never reads past the block.  Returns 0, or 31 when the block is not a
// byte array or does not unpack.  Throws CMemoryException.
int LoadTextBlock(const COleVariant& block, bool compressed, std::string& text);

// The same into a CString.
int LoadTextBlock(const COleVariant& block, bool compressed, CString& text);

// A long-binary field value: the variant of the caller's block, or NULL when
// it holds no bytes.
COleVariant BinaryOrNull(const CLongBinary& binary);

// Copies a byte-array field value into binary (freed first); a value that is
// not a byte array, or an empty one, leaves no block.  Throws
// CMemoryException.
void CopyBinary(const COleVariant& value, CLongBinary& binary);

// Hands out a copy of binary's bytes in a new buffer from the global
// operator new (the caller releases it with operator delete) with its
// length, or null and 0 when binary holds no bytes.  Throws std::bad_alloc
// or CMemoryException.
void CopyToNewBuffer(const CLongBinary& binary, long& length, unsigned char*& buffer);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_STORED_TEXT_H_
