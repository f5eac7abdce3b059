// libFuzzer target for the compressed text blocks.  Every input is read as a
// block (which must never read outside the input or report inconsistently)
// and packed as a text (which must decode back to the same bytes).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame/textpack.h"
#include "zldbctrl70/platform/globalmem.h"

namespace {

// Checks a block handed out with `result` and frees it.
void CheckBlock(size_t result, HGLOBAL block, const uint8_t* expected, size_t expectedSize) {
  if (result == 0) {
    if (block != nullptr) std::abort();
    return;
  }
  if (block == nullptr || GlobalSize(block) != result) std::abort();
  const BYTE* data = static_cast<const BYTE*>(GlobalLock(block));
  if (data == nullptr) std::abort();
  if (expected != nullptr &&
      (result < expectedSize || std::memcmp(data, expected, expectedSize) != 0)) {
    std::abort();
  }
  GlobalUnlock(block);
  if (GlobalFree(block) != nullptr) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HGLOBAL block = nullptr;
  const size_t count = zl::UnpackText(data, size, block);
  if (count > size * 8) std::abort();
  CheckBlock(count, block, nullptr, 0);

  HGLOBAL packed = nullptr;
  const size_t packedSize = zl::PackText(data, size, packed);
  if ((packedSize == 0) != (size == 0)) std::abort();
  if (packedSize == 0) return 0;
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(packed));
  HGLOBAL decoded = nullptr;
  const size_t decodedCount = zl::UnpackText(bytes, packedSize, decoded);
  GlobalUnlock(packed);
  GlobalFree(packed);
  CheckBlock(decodedCount, decoded, data, size);
  return 0;
}
