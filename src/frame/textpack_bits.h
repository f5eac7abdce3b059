// Writing codes of the compressed text blocks as a bit stream.
#ifndef ZLDBCTRL70_FRAME_TEXTPACK_BITS_H_
#define ZLDBCTRL70_FRAME_TEXTPACK_BITS_H_

#include <cstdint>

#include "frame/textpack_code.h"
#include "zldbctrl70/platform/types.h"

namespace zl {

// Appends codes to a buffer, most significant bit first and across byte
// boundaries.  The buffer is sized by the caller: Finish writes the last
// partial byte, so codes of n bits in total need (n + 7) / 8 bytes.
class CBitWriter {
 public:
  explicit CBitWriter(BYTE* out) : m_out(out) {}
  CBitWriter(const CBitWriter&) = delete;
  CBitWriter& operator=(const CBitWriter&) = delete;

  // Appends a code of up to kMaxTextCodeBits bits.
  void Put(const CTextCode& code) {
    // Fewer than 8 bits are pending, so a part of at most 32 bits fits
    // beside them in 64.
    if (code.m_length > 32) {
      PutShort(code.m_bits >> 32, code.m_length - 32);
      PutShort(code.m_bits & 0xFFFFFFFFu, 32);
    } else {
      PutShort(code.m_bits, code.m_length);
    }
  }
  // Writes the pending bits as a last byte padded with zero bits.
  void Finish() {
    if (m_pending > 0) *m_out++ = static_cast<BYTE>(m_bits << (8 - m_pending));
    m_bits = 0;
    m_pending = 0;
  }

 private:
  void PutShort(uint64_t bits, unsigned length) {
    m_bits = (m_bits << length) | bits;
    m_pending += length;
    while (m_pending >= 8) {
      m_pending -= 8;
      *m_out++ = static_cast<BYTE>(m_bits >> m_pending);
    }
    m_bits &= (uint64_t{1} << m_pending) - 1;
  }

  BYTE* m_out;
  uint64_t m_bits = 0;  // the pending bits, fewer than 8 between calls
  unsigned m_pending = 0;
};

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_TEXTPACK_BITS_H_
