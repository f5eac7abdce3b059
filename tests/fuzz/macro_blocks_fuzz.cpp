// libFuzzer target for stored macro blocks.  The input is split into a text
// block and an option block (the first two bytes give the text block's
// length); both are decoded in compressed and plain form.  Decoding must
// succeed or refuse with 31, never read outside the blocks, and a decoded
// text packed again must decode to itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "frame/stored_text.h"
#include "macros/macro_blocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t split = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8;
  data += 2;
  size -= 2;
  if (split > size) split = size;
  COleVariant text, option;
  text.SetByteArray(data, split);
  option.SetByteArray(data + split, size - split);
  for (bool compressed : {true, false}) {
    std::string body, optionText;
    const int code = zl::DecodeMacroBlocks(text, option, compressed, body, optionText);
    if (code != 0 && code != 31) std::abort();
    if (code != 0) {
      if (!body.empty() || !optionText.empty()) std::abort();
      continue;
    }
    if (!compressed) continue;
    const std::string bytes = zl::MacroOptionBytes(body.size(), optionText);
    const COleVariant again = zl::StoreTextBlock(body.data(), body.size(), true);
    const COleVariant againOption = zl::StoreTextBlock(bytes.data(), bytes.size(), true);
    std::string body2, option2;
    if (zl::DecodeMacroBlocks(again, againOption, true, body2, option2) != 0) std::abort();
    if (body2 != body || option2 != optionText) std::abort();
  }
  return 0;
}
