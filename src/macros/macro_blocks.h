// The stored blocks of one macro text, decoded without the database: the
// text block and, for compressed macros, the option block (the text's
// length as 32-bit little-endian, the option text, a zero byte; packed).
#ifndef ZLDBCTRL70_MACROS_MACRO_BLOCKS_H_
#define ZLDBCTRL70_MACROS_MACRO_BLOCKS_H_

#include <string>

#include "zldbctrl70/platform/variant.h"

namespace zl {

// Decodes text (and, when compressed, option) into body and optionText:
// 0, or 31 when a block is missing where required, does not unpack, or the
// option block's length prefix differs from the body's length.  A text
// block that is not a byte array gives 0 with empty texts (the caller
// decides what an absent text means).  Reads nothing past either block.
// Throws CMemoryException.
int DecodeMacroBlocks(const COleVariant& text, const COleVariant& option, bool compressed,
                      std::string& body, std::string& optionText);

// The option block's bytes before packing: length prefix, option text.
std::string MacroOptionBytes(size_t textLength, const std::string& optionText);

}  // namespace zl

#endif  // ZLDBCTRL70_MACROS_MACRO_BLOCKS_H_
