#include "zldbctrl70/platform/longbinary.h"

#include <algorithm>
#include <cstring>

#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"

IMPLEMENT_DYNAMIC(CLongBinary, CObject)

CLongBinary::CLongBinary() : m_hData(nullptr), m_dwDataLength(0) {}

CLongBinary::~CLongBinary() { Release(); }

void CLongBinary::Release() {
  if (m_hData != nullptr) GlobalFree(m_hData);
  m_hData = nullptr;
  m_dwDataLength = 0;
}

void CLongBinary::Assign(const void* pData, size_t nSize) {
  Release();
  if (nSize == 0) return;
  HGLOBAL block = GlobalAlloc(GHND, nSize);
  if (block == nullptr) throw CMemoryException();
  void* dest = GlobalLock(block);
  if (pData != nullptr) std::memcpy(dest, pData, nSize);
  GlobalUnlock(block);
  m_hData = block;
  m_dwDataLength = nSize;
}

void CLongBinary::Assign(const CLongBinary& src) {
  if (&src == this) return;
  // Only bytes that really are in the source block are copied.
  size_t size = std::min(src.m_dwDataLength, GlobalSize(src.m_hData));
  const void* data = size > 0 ? GlobalLock(src.m_hData) : nullptr;
  if (data == nullptr) {
    Release();
    return;
  }
  try {
    Assign(data, size);
  } catch (...) {
    GlobalUnlock(src.m_hData);
    throw;
  }
  GlobalUnlock(src.m_hData);
}
