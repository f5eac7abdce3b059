// CLongBinary: the contents of a long-binary field, a movable global memory
// block and its length in bytes.  The object owns the block and frees it when
// destroyed; it cannot be copied (the value classes copy the bytes
// explicitly).
#ifndef ZLDBCTRL70_PLATFORM_LONGBINARY_H_
#define ZLDBCTRL70_PLATFORM_LONGBINARY_H_

#include <cstddef>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

class ZL_EXPORT CLongBinary : public CObject {
  DECLARE_DYNAMIC(CLongBinary)

 public:
  HGLOBAL m_hData;        // block handle, or null
  size_t m_dwDataLength;  // bytes of data in the block

  CLongBinary();
  ~CLongBinary() override;
  CLongBinary(const CLongBinary&) = delete;
  CLongBinary& operator=(const CLongBinary&) = delete;

  // Frees the block (if any) and sets handle and length to 0.
  void Release();
  // Replaces the contents with a new block (GHND) holding a copy of the
  // bytes (zeros when pData is null); nSize 0 leaves no block.  Throws
  // CMemoryException when the block cannot be allocated (the old contents
  // are then already released).
  void Assign(const void* pData, size_t nSize);
  // Replaces the contents with an independent copy of src's bytes (as many
  // as src's block really holds); no block when src has none.  Assigning an
  // object to itself changes nothing.  Throws as above.
  void Assign(const CLongBinary& src);
};

#endif  // ZLDBCTRL70_PLATFORM_LONGBINARY_H_
