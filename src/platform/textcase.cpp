#include "platform/textcase.h"

namespace zl {
namespace {

constexpr unsigned char kLatin1Lead = 0xC3;

// The folded form of byte `b` given the byte before it (0 at the start).
// Only the second byte of a C3 sequence changes for Latin-1 letters.
unsigned char ToLower(unsigned char prev, unsigned char b) {
  if (prev == kLatin1Lead) {
    return (b >= 0x80 && b <= 0x9E && b != 0x97) ? static_cast<unsigned char>(b + 0x20) : b;
  }
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 0x20) : b;
}

unsigned char ToUpper(unsigned char prev, unsigned char b) {
  if (prev == kLatin1Lead) {
    return (b >= 0xA0 && b <= 0xBE && b != 0xB7) ? static_cast<unsigned char>(b - 0x20) : b;
  }
  return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : b;
}

template <unsigned char (*Fold)(unsigned char, unsigned char)>
void FoldInPlace(std::string* text) {
  unsigned char prev = 0;
  for (char& c : *text) {
    unsigned char original = static_cast<unsigned char>(c);
    c = static_cast<char>(Fold(prev, original));
    prev = original;  // the lead byte is never itself folded, so either works
  }
}

}  // namespace

void FoldUpper(std::string* text) { FoldInPlace<ToUpper>(text); }
void FoldLower(std::string* text) { FoldInPlace<ToLower>(text); }

int CompareFolded(const char* a, const char* b) {
  const unsigned char* pa = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* pb = reinterpret_cast<const unsigned char*>(b);
  unsigned char prevA = 0;
  unsigned char prevB = 0;
  for (;; ++pa, ++pb) {
    unsigned char ca = ToLower(prevA, *pa);
    unsigned char cb = ToLower(prevB, *pb);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
    prevA = *pa;
    prevB = *pb;
  }
}

}  // namespace zl
