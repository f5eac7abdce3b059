// Case folding of UTF-8 byte strings as the library understands case: ASCII
// letters and the Latin-1 letters U+00C0..U+00DE / U+00E0..U+00FE (except
// the signs U+00D7 and U+00F7).  In UTF-8 those letters are C3 80..C3 9E and
// C3 A0..C3 BE, so upper and lower case differ by 0x20 in the second byte and
// folding never changes a string's length.  Everything else is left as is.
#ifndef ZLDBCTRL70_SRC_PLATFORM_TEXTCASE_H_
#define ZLDBCTRL70_SRC_PLATFORM_TEXTCASE_H_

#include <string>

namespace zl {

// Upper- or lower-cases the foldable letters of *text in place.
void FoldUpper(std::string* text);
void FoldLower(std::string* text);

// Compares two NUL-terminated strings byte by byte after folding both to
// lower case; <0, 0 or >0.  Bytes compare as unsigned values.
int CompareFolded(const char* a, const char* b);

}  // namespace zl

#endif  // ZLDBCTRL70_SRC_PLATFORM_TEXTCASE_H_
