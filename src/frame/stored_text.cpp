#include "frame/stored_text.h"

#include <cstring>
#include <vector>

#include "frame/textpack.h"
#include "zldbctrl70/errors.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"

namespace zl {
namespace {

// Owns a block handed out by the codec.
class CBlockOwner {
 public:
  explicit CBlockOwner(HGLOBAL block) : m_block(block) {}
  ~CBlockOwner() {
    if (m_block != nullptr) GlobalFree(m_block);
  }
  CBlockOwner(const CBlockOwner&) = delete;
  CBlockOwner& operator=(const CBlockOwner&) = delete;
  HGLOBAL Get() const { return m_block; }

 private:
  HGLOBAL m_block;
};

}  // namespace

COleVariant StoreTextBlock(const char* pData, size_t nCount, bool compressed) {
  std::vector<BYTE> bytes(nCount + 1, 0);
  if (nCount != 0) std::memcpy(bytes.data(), pData, nCount);
  COleVariant block;
  if (!compressed) {
    block.SetByteArray(bytes.data(), bytes.size());
    return block;
  }
  HGLOBAL packed = nullptr;
  const size_t size = PackText(bytes.data(), bytes.size(), packed);
  CBlockOwner owner(packed);
  if (size == 0) throw CMemoryException();
  CBlockView view(packed);
  block.SetByteArray(view.Data(), size);
  return block;
}

int LoadBlockBytes(const COleVariant& block, bool compressed, std::string& bytes) {
  bytes.clear();
  if (!block.IsByteArray()) return ZLE_MACRO_CORRUPT;
  const BYTE* data = block.GetByteArrayData();
  const size_t size = block.GetByteArraySize();
  if (size == 0) return compressed ? ZLE_MACRO_CORRUPT : ZLE_OK;
  if (!compressed) {
    bytes.assign(reinterpret_cast<const char*>(data), size);
    return ZLE_OK;
  }
  HGLOBAL unpacked = nullptr;
  const size_t count = UnpackText(data, size, unpacked);
  CBlockOwner owner(unpacked);
  if (count == 0) return ZLE_MACRO_CORRUPT;
  CBlockView view(unpacked);
  bytes.assign(reinterpret_cast<const char*>(view.Data()), count);
  return ZLE_OK;
}

int LoadTextBlock(const COleVariant& block, bool compressed, std::string& text) {
  const int code = LoadBlockBytes(block, compressed, text);
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return code;
}

int LoadTextBlock(const COleVariant& block, bool compressed, CString& text) {
  std::string bytes;
  const int code = LoadTextBlock(block, compressed, bytes);
  text = bytes.c_str();
  return code;
}

COleVariant BinaryOrNull(const CLongBinary& binary) {
  if (binary.m_hData == nullptr || binary.m_dwDataLength == 0) {
    COleVariant null;
    null.SetNull();
    return null;
  }
  return COleVariant(binary);
}

void CopyBinary(const COleVariant& value, CLongBinary& binary) {
  binary.Release();
  if (value.IsByteArray() && value.GetByteArraySize() != 0) {
    binary.Assign(value.GetByteArrayData(), value.GetByteArraySize());
  }
}

void CopyToNewBuffer(const CLongBinary& binary, long& length, unsigned char*& buffer) {
  length = 0;
  buffer = nullptr;
  if (binary.m_hData == nullptr || binary.m_dwDataLength == 0) return;
  CBlockView view(binary.m_hData);
  auto* copy = static_cast<unsigned char*>(::operator new(binary.m_dwDataLength));
  std::memcpy(copy, view.Data(), binary.m_dwDataLength);
  buffer = copy;
  length = static_cast<long>(binary.m_dwDataLength);
}

}  // namespace zl
