#include "macros/macro_blocks.h"

#include <cstdint>

#include "frame/stored_text.h"
#include "zldbctrl70/errors.h"

namespace zl {

int DecodeMacroBlocks(const COleVariant& text, const COleVariant& option, bool compressed,
                      std::string& body, std::string& optionText) {
  body.clear();
  optionText.clear();
  if (!text.IsByteArray()) return ZLE_OK;
  int code = LoadTextBlock(text, compressed, body);
  if (code != ZLE_OK || !compressed) return code;
  std::string bytes;
  code = LoadBlockBytes(option, true, bytes);
  if (code == ZLE_OK && bytes.size() < 4) code = ZLE_MACRO_CORRUPT;
  if (code == ZLE_OK) {
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<uint8_t>(bytes[i]);
    if (length != body.size()) code = ZLE_MACRO_CORRUPT;
  }
  if (code != ZLE_OK) {
    body.clear();
    return code;
  }
  const size_t zero = bytes.find('\0', 4);
  optionText = bytes.substr(4, zero == std::string::npos ? std::string::npos : zero - 4);
  return ZLE_OK;
}

std::string MacroOptionBytes(size_t textLength, const std::string& optionText) {
  std::string bytes(4, '\0');
  const uint32_t length = static_cast<uint32_t>(textLength);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  return bytes + optionText;
}

}  // namespace zl
