#include "frame/textpack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "frame/textpack_bits.h"
#include "frame/textpack_code.h"
#include "zldbctrl70/platform/globalmem.h"

namespace zl {
namespace {

using Bytes = std::vector<BYTE>;

// Copies a block handed out by the routines and frees it; checks that the
// block exists exactly when the result is non-zero and has that size.
Bytes TakeBlock(size_t result, HGLOBAL block) {
  if (result == 0) {
    EXPECT_EQ(block, nullptr);
    return Bytes();
  }
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), result);
  Bytes bytes(result);
  void* data = GlobalLock(block);
  if (data != nullptr) std::memcpy(bytes.data(), data, result);
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
  return bytes;
}

Bytes Pack(const Bytes& text) {
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);  // must be overwritten
  const size_t size = PackText(text.data(), text.size(), block);
  return TakeBlock(size, block);
}

// Unpacks from a heap copy of exactly the block's size, so that AddressSanitizer
// reports any read past its end.
Bytes Unpack(const Bytes& packed) {
  const std::unique_ptr<BYTE[]> copy(new BYTE[packed.size()]);
  std::copy(packed.begin(), packed.end(), copy.get());
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
  const size_t count = UnpackText(copy.get(), packed.size(), block);
  return TakeBlock(count, block);
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Packs text with its terminating zero and reads it back up to the first
// zero, as the callers that store texts do.
std::string RoundTrip(const std::string& text) {
  Bytes input = ToBytes(text);
  input.push_back(0);
  const Bytes decoded = Unpack(Pack(input));
  const auto end = std::find(decoded.begin(), decoded.end(), BYTE{0});
  EXPECT_NE(end, decoded.end()) << "terminating zero lost";
  return std::string(decoded.begin(), end);
}

// One table entry; the check byte is computed unless given.
Bytes Entry(unsigned length, BYTE value, const Bytes& code, int check = -1) {
  unsigned sum = 0;
  for (BYTE b : code) sum += b;
  Bytes entry = {static_cast<BYTE>(length), static_cast<BYTE>(length >> 8), value,
                 static_cast<BYTE>(check >= 0 ? check : sum)};
  entry.insert(entry.end(), code.begin(), code.end());
  return entry;
}

Bytes Block(const std::vector<Bytes>& entries, const Bytes& stream) {
  Bytes block = {static_cast<BYTE>(entries.size()), static_cast<BYTE>(entries.size() >> 8)};
  for (const Bytes& e : entries) block.insert(block.end(), e.begin(), e.end());
  block.insert(block.end(), stream.begin(), stream.end());
  return block;
}

std::string CodeString(const CTextCode& code) {
  std::string s;
  for (unsigned i = code.m_length; i > 0; --i) s += ((code.m_bits >> (i - 1)) & 1) ? '1' : '0';
  return s;
}

// ---------------------------------------------------------------------------
// The code construction.

class TextCodeTest : public ::testing::Test {
 protected:
  std::string Code(unsigned value) const { return CodeString(m_codes[value]); }
  CTextByteCounts m_counts{};
  CTextCodeTable m_codes;
};

// Fibonacci counts make a chain as deep as the values are many.
TEST_F(TextCodeTest, RefusesCodesLongerThanSixtyFourBits) {
  uint64_t a = 1, b = 1;
  for (unsigned v = 0; v < 80; ++v) {
    m_counts[v] = a;
    const uint64_t next = a + b;
    a = b;
    b = next;
  }
  EXPECT_FALSE(BuildTextCodes(m_counts, m_codes));
  for (const CTextCode& code : m_codes) EXPECT_EQ(code.m_length, 0u);

  for (unsigned v = 65; v < 80; ++v) m_counts[v] = 0;  // 65 values: depth 64
  ASSERT_TRUE(BuildTextCodes(m_counts, m_codes));
  EXPECT_EQ(m_codes[0].m_length, 64u);
  EXPECT_EQ(m_codes[1].m_length, 64u);
}

// Random counts: the code must be prefix-free, complete and as short in
// total as any Huffman code (measured with a plain priority-queue build).
TEST_F(TextCodeTest, RandomCountsGiveOptimalPrefixCode) {
  std::mt19937_64 rng(20240611);
  for (int round = 0; round < 300; ++round) {
    m_counts.fill(0);
    const unsigned distinct = 2 + rng() % 255;
    for (unsigned i = 0; i < distinct; ++i)
      m_counts[rng() % 256] = 1 + rng() % (round % 2 ? 5 : 100000);
    ASSERT_TRUE(BuildTextCodes(m_counts, m_codes));

    std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<uint64_t>> heap;
    std::vector<std::string> codes;
    uint64_t cost = 0;
    double kraft = 0;
    for (unsigned v = 0; v < 256; ++v) {
      ASSERT_EQ(m_counts[v] != 0, m_codes[v].m_length != 0) << v;
      if (m_counts[v] == 0) continue;
      heap.push(m_counts[v]);
      codes.push_back(Code(v));
      cost += m_counts[v] * m_codes[v].m_length;
      kraft += std::ldexp(1.0, -static_cast<int>(m_codes[v].m_length));
    }
    uint64_t best = 0;
    while (heap.size() > 1) {
      const uint64_t x = heap.top();
      heap.pop();
      const uint64_t y = heap.top();
      heap.pop();
      best += x + y;
      heap.push(x + y);
    }
    EXPECT_EQ(cost, best);
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    std::sort(codes.begin(), codes.end());
    for (size_t i = 1; i < codes.size(); ++i) {
      ASSERT_NE(codes[i].compare(0, codes[i - 1].size(), codes[i - 1]), 0)
          << codes[i - 1] << " is a prefix of " << codes[i];
    }
  }
}

// ---------------------------------------------------------------------------
// Exact blocks.

TEST(PackTextTest, TwoBytesPackIntoThirteen) {
  // a="0", b="1": stream 01 padded with zeros.
  const Bytes expected = {0x02, 0x00, 0x01, 0x00, 'a',  0x00, 0x00,
                          0x01, 0x00, 'b',  0x80, 0x80, 0x40};
  EXPECT_EQ(Pack(ToBytes("ab")), expected);
  Bytes reversed = expected;
  reversed.back() = 0x80;  // same table, stream 10
  EXPECT_EQ(Pack(ToBytes("ba")), reversed);
}

// "ccccbba": list c4 b2 a1; b+a=3 goes to the end (c4 > 3) -> c4 N(3).
// c="0", N="1", b="10", a="11".  Stream 0000 10 10 11 -> 00001010 11(000000).
// The table lists a, b, c in ascending value.
TEST(PackTextTest, ThreeValuesHandWorked) {
  const Bytes expected = {0x03, 0x00,                   // N
                          0x02, 0x00, 'a', 0xC0, 0xC0,  // a = 11
                          0x02, 0x00, 'b', 0x80, 0x80,  // b = 10
                          0x01, 0x00, 'c', 0x00, 0x00,  // c = 0
                          0x0A, 0xC0};
  EXPECT_EQ(Pack(ToBytes("ccccbba")), expected);
}

// "abacad", a3 b1 c1 d1: list a3 b1 c1 d1; c+d=2 goes before b1 -> a3 N(2)
// b1; N(2)+b=3 goes before a3 (on equal counts the merged node goes first)
// -> N(3) a3.  N(3)="0", a="1"; then N(2)="00", b="01"; then c="000",
// d="001".  Stream 1 01 1 000 1 001 -> 10110001 001(00000).
TEST(PackTextTest, FourValuesHandWorked) {
  const Bytes expected = {0x04, 0x00,                   //
                          0x01, 0x00, 'a', 0x80, 0x80,  // a = 1
                          0x02, 0x00, 'b', 0x40, 0x40,  // b = 01
                          0x03, 0x00, 'c', 0x00, 0x00,  // c = 000
                          0x03, 0x00, 'd', 0x20, 0x20,  // d = 001
                          0xB1, 0x20};
  EXPECT_EQ(Pack(ToBytes("abacad")), expected);
}

TEST(PackTextTest, SingleValue) {
  const Bytes expected = {0x01, 0x00, 0x01, 0x00, 'z', 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(Pack(ToBytes("zzzzzzzzz")), expected);  // 9 bits: two stream bytes
  EXPECT_EQ(Unpack(expected), ToBytes(std::string(16, 'z')));
}

TEST(PackTextTest, NothingToPack) {
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
  const BYTE byte = 'x';
  EXPECT_EQ(PackText(&byte, 0, block), 0u);
  EXPECT_EQ(block, nullptr);
  block = reinterpret_cast<HGLOBAL>(1);
  EXPECT_EQ(PackText(nullptr, 5, block), 0u);
  EXPECT_EQ(block, nullptr);
}

// Random code sequences, long codes at every bit offset included, against
// a string of bits.
TEST(BitWriterTest, MatchesBitString) {
  std::mt19937_64 rng(99);
  for (int round = 0; round < 2000; ++round) {
    std::string expected;
    Bytes out(9 * 64 + 1, 0xEE);
    CBitWriter writer(out.data());
    for (int n = static_cast<int>(rng() % 64); n > 0; --n) {
      CTextCode code;
      code.m_length = rng() % 4 == 0 ? 1 + rng() % 64 : 33 + rng() % 32;
      code.m_bits = rng() >> (64 - code.m_length);
      writer.Put(code);
      expected += CodeString(code);
    }
    writer.Finish();
    expected.resize((expected.size() + 7) / 8 * 8, '0');
    std::string written;
    for (size_t i = 0; i < expected.size() / 8; ++i) {
      for (int bit = 7; bit >= 0; --bit) written += ((out[i] >> bit) & 1) ? '1' : '0';
    }
    ASSERT_EQ(written, expected) << round;
    ASSERT_EQ(out[expected.size() / 8], 0xEE) << "wrote past the end";
  }
}

// ---------------------------------------------------------------------------
// Reading blocks.

TEST(UnpackTextTest, PaddingBitsDecodeAsTrailingBytes) {
  // Every padding bit of the "ab" block completes a code for 'a'.
  EXPECT_EQ(Unpack(Pack(ToBytes("ab"))), ToBytes("abaaaaaa"));
}

TEST(UnpackTextTest, IncompleteTrailingCodeIsIgnored) {
  // a=0 b=10 c=11; 0 10 11 11 1 -> a b c c and a lone 1.
  const Bytes block =
      Block({Entry(1, 'a', {0x00}), Entry(2, 'b', {0x80}), Entry(2, 'c', {0xC0})}, {0x5F});
  EXPECT_EQ(Unpack(block), ToBytes("abcc"));
}

TEST(UnpackTextTest, SixtyFourBitCode) {
  // x = 64 ones, y = "0": stream y x y fills 66 bits, 6 zero padding bits
  // follow.
  const Bytes ones(8, 0xFF);
  const Bytes block = Block({Entry(64, 'x', ones), Entry(1, 'y', {0x00})},
                            {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80});
  EXPECT_EQ(Unpack(block), ToBytes("yxyyyyyyy"));
}

TEST(UnpackTextTest, SeveralCodesForOneValue) {
  const Bytes block = Block({Entry(1, 'a', {0x00}), Entry(1, 'a', {0x80})}, {0x5A});
  EXPECT_EQ(Unpack(block), ToBytes("aaaaaaaa"));
}

TEST(UnpackTextTest, LowBitsBeyondTheCodeCountOnlyInCheck) {
  // a = "0" with junk low bits 0x7F, b = "1" with 0x80|0x3F.
  const Bytes block = Block({Entry(1, 'a', {0x7F}), Entry(1, 'b', {0xBF})}, {0x40});
  EXPECT_EQ(Unpack(block), ToBytes("abaaaaaa"));
}

class MalformedBlockTest : public ::testing::Test {
 protected:
  Bytes m_good = Pack(ToBytes("abacad"));  // 24 bytes, table of 22
};

TEST_F(MalformedBlockTest, WrongCheckByte) {
  Bytes bad = m_good;
  bad[2 + 5 + 3] ^= 0x01;  // check byte of 'b'
  EXPECT_TRUE(Unpack(bad).empty());
  bad = Block({Entry(1, 'a', {0x00}), Entry(1, 'b', {0x80}, 0x81)}, {0x40});
  EXPECT_TRUE(Unpack(bad).empty());
}

TEST_F(MalformedBlockTest, EntryCounts) {
  Bytes bad = m_good;
  bad[0] = 300 & 0xFF;
  bad[1] = 300 >> 8;
  EXPECT_TRUE(Unpack(bad).empty());
  bad[0] = 0;
  bad[1] = 0;
  EXPECT_TRUE(Unpack(bad).empty());
  bad[0] = 0xFF;  // 65535 entries announced in 24 bytes
  bad[1] = 0xFF;
  EXPECT_TRUE(Unpack(bad).empty());
  bad[0] = 0;  // 256: more than the block holds
  bad[1] = 1;
  EXPECT_TRUE(Unpack(bad).empty());
}

TEST_F(MalformedBlockTest, MoreThan256ValidEntries) {
  // Nine-bit codes 0..N-1 conflict with nothing; the values repeat.
  std::vector<Bytes> entries;
  for (unsigned i = 0; i < 257; ++i) {
    entries.push_back(Entry(9, static_cast<BYTE>(i),
                            {static_cast<BYTE>(i >> 1), static_cast<BYTE>((i & 1) << 7)}));
  }
  const Bytes stream = {0x00, 0x00};  // code 0, then 7 bits of padding
  EXPECT_TRUE(Unpack(Block(entries, stream)).empty());
  entries.pop_back();
  EXPECT_EQ(Unpack(Block(entries, stream)), Bytes{0x00});
}

TEST_F(MalformedBlockTest, CodeLengths) {
  EXPECT_TRUE(Unpack(Block({Entry(0, 'a', {}), Entry(1, 'b', {0x80})}, {0x40})).empty());
  EXPECT_TRUE(Unpack(Block({Entry(65, 'a', Bytes(9, 0)), Entry(1, 'b', {0x80})}, {0x40})).empty());
  Bytes bad = m_good;
  bad[3] = 0x01;  // 'a' now claims 257 bits
  EXPECT_TRUE(Unpack(bad).empty());
}

TEST_F(MalformedBlockTest, EveryTruncationOfTheTable) {
  for (size_t size = 0; size < 22; ++size) {
    EXPECT_TRUE(Unpack(Bytes(m_good.begin(), m_good.begin() + size)).empty()) << size;
  }
  // First stream byte only: 1 01 1 000 1.
  EXPECT_EQ(Unpack(Bytes(m_good.begin(), m_good.begin() + 23)), ToBytes("abaca"));
}

TEST_F(MalformedBlockTest, ConflictingCodes) {
  // Same code twice, for different and for equal values.
  EXPECT_TRUE(Unpack(Block({Entry(1, 'a', {0x00}), Entry(1, 'b', {0x00})}, {0x00})).empty());
  EXPECT_TRUE(Unpack(Block({Entry(2, 'a', {0x40}), Entry(2, 'a', {0x40})}, {0x55})).empty());
  // A code that begins with an earlier one, and one that an earlier begins with.
  EXPECT_TRUE(Unpack(Block({Entry(1, 'a', {0x00}), Entry(3, 'b', {0x20})}, {0x00})).empty());
  EXPECT_TRUE(Unpack(Block({Entry(3, 'a', {0x20}), Entry(1, 'b', {0x00})}, {0x00})).empty());
}

TEST_F(MalformedBlockTest, StreamIntoMissingBranch) {
  // Only a=0 and b=10 exist; "11" leads nowhere, even after valid codes.
  const std::vector<Bytes> table = {Entry(1, 'a', {0x00}), Entry(2, 'b', {0x80})};
  EXPECT_EQ(Unpack(Block(table, {0x20})), ToBytes("aabaaaa"));
  EXPECT_TRUE(Unpack(Block(table, {0x00, 0x30})).empty());
  EXPECT_TRUE(Unpack(Block({Entry(1, 'z', {0x00})}, {0x00, 0x01})).empty());
}

TEST_F(MalformedBlockTest, TableWithoutStream) {
  EXPECT_TRUE(Unpack(Bytes(m_good.begin(), m_good.begin() + 22)).empty());
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
  EXPECT_EQ(UnpackText(nullptr, 10, block), 0u);
  EXPECT_EQ(block, nullptr);
}

// ---------------------------------------------------------------------------
// Round trips.

using Generator = std::function<std::string(std::mt19937&)>;

// A text of exactly `size` bytes from the pieces `next` makes.
std::string MakeText(size_t size, const Generator& next) {
  std::mt19937 rng(static_cast<unsigned>(size) * 31 + 5);
  std::string text;
  while (text.size() < size) text += next(rng);
  text.resize(size);
  return text;
}

TEST(TextRoundTripTest, SizesAndAlphabets) {
  const std::vector<std::pair<const char*, Generator>> alphabets = {
      {"one byte", [](std::mt19937&) { return std::string("q"); }},
      {"two bytes", [](std::mt19937& r) { return std::string(r() % 2 ? "x" : "y"); }},
      {"all non-zero bytes",
       [](std::mt19937& r) { return std::string(1, static_cast<char>(1 + r() % 255)); }},
      {"skewed",
       [](std::mt19937& r) {
         const unsigned n = r() % 1000;
         const char c = n < 900   ? 'e'
                        : n < 990 ? 't'
                        : n < 999 ? '\n'
                                  : static_cast<char>(0x80 + r() % 64);
         return std::string(1, c);
       }},
      {"utf-8",
       [](std::mt19937& r) {
         static const char* kWords[] = {"Widerstand ",
                                        "\xC3\xBC"
                                        "ber ",
                                        "\xCE\xA9 ",
                                        "\xE2\x82\xAC",
                                        "R1 ",
                                        "\xF0\x9F\x94\x8C"};
         return std::string(kWords[r() % 6]);
       }},
  };
  for (size_t size : {0, 1, 2, 255, 256, 257, 2048, 100000}) {
    for (const auto& [name, next] : alphabets) {
      SCOPED_TRACE(std::string(name) + " size " + std::to_string(size));
      const std::string text = MakeText(size, next);
      EXPECT_EQ(RoundTrip(text), text);
    }
  }
}

TEST(TextRoundTripTest, Utf8TextCompresses) {
  std::string text;
  while (text.size() < 100000) {
    text +=
        "Widerstand R1 \xC3\xBC"
        "ber 10 k\xCE\xA9, Toleranz \xC2\xB1"
        "5 %; ";
  }
  EXPECT_EQ(RoundTrip(text), text);
  Bytes input = ToBytes(text);
  EXPECT_LT(Pack(input).size(), input.size() * 3 / 4);
}

// Every byte value, including zero, survives when the length is kept apart.
TEST(TextRoundTripTest, AllByteValuesWithKnownLength) {
  Bytes data;
  for (int round = 0; round < 3; ++round) {
    for (int v = 0; v < 256; ++v) data.push_back(static_cast<BYTE>(v * 7 + round));
  }
  const Bytes packed = Pack(data);
  EXPECT_EQ(packed[0] | (packed[1] << 8), 256);
  const Bytes decoded = Unpack(packed);
  ASSERT_GE(decoded.size(), data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), decoded.begin()));
}

// ---------------------------------------------------------------------------
// Seeded fuzzing: UnpackText must stay inside its input on anything (ASan
// checks that), and report results consistently.

class TextPackFuzzTest : public ::testing::Test {
 protected:
  // Unpacks and checks the bound on the result; Unpack checks the block.
  size_t Check(const Bytes& input) {
    const size_t count = Unpack(input).size();
    EXPECT_LE(count, input.size() * 8);
    ++m_inputs;
    return count;
  }

  Bytes RandomText() {
    const size_t size = 1 + m_rng() % 300;
    const unsigned spread = 1 + m_rng() % 256;
    Bytes text(size);
    for (BYTE& b : text) b = static_cast<BYTE>(m_rng() % spread);
    return text;
  }

  std::mt19937 m_rng{12345};
  size_t m_inputs = 0;
};

TEST_F(TextPackFuzzTest, RandomAndMutatedBlocks) {
  for (int i = 0; i < 10000; ++i) {
    Bytes random(m_rng() % 64);
    for (BYTE& b : random) b = static_cast<BYTE>(m_rng());
    if (random.size() >= 2 && m_rng() % 2) {
      random[0] = static_cast<BYTE>(1 + m_rng() % 4);  // plausible entry count
      random[1] = 0;
    }
    Check(random);

    const Bytes text = RandomText();
    const Bytes good = Pack(text);
    Bytes bad = good;
    switch (m_rng() % 4) {
      case 0:  // flip bits
        for (unsigned n = 1 + m_rng() % 4; n > 0; --n)
          bad[m_rng() % bad.size()] ^= 1 << (m_rng() % 8);
        break;
      case 1:  // truncate
        bad.resize(m_rng() % bad.size());
        break;
      case 2:  // overwrite a byte
        bad[m_rng() % bad.size()] = static_cast<BYTE>(m_rng());
        break;
      default:  // insert or delete a byte in the table region
        if (m_rng() % 2) {
          bad.insert(bad.begin() + m_rng() % bad.size(), static_cast<BYTE>(m_rng()));
        } else {
          bad.erase(bad.begin() + m_rng() % bad.size());
        }
    }
    Check(bad);
  }
  EXPECT_EQ(m_inputs, 20000u);
}

// The code PackText writes is complete whenever two or more values occur,
// so any stream after its table decodes, at least one value per 64 bits.
TEST_F(TextPackFuzzTest, AnyStreamDecodesUnderACompleteCode) {
  for (int i = 0; i < 5000; ++i) {
    Bytes text = RandomText();
    text.push_back(static_cast<BYTE>(text[0] + 1));  // at least two values
    Bytes block = Pack(text);
    ASSERT_EQ(Pack(text), block);
    const Bytes decoded = Unpack(block);
    ASSERT_GE(decoded.size(), text.size());
    ASSERT_TRUE(std::equal(text.begin(), text.end(), decoded.begin()));

    size_t tableEnd = 2;
    const unsigned entries = block[0] | (block[1] << 8);
    for (unsigned e = 0; e < entries; ++e) tableEnd += 4 + (block[tableEnd] + 7) / 8;
    Bytes stream(1 + m_rng() % 40);
    for (BYTE& b : stream) b = static_cast<BYTE>(m_rng());
    block.resize(tableEnd);
    block.insert(block.end(), stream.begin(), stream.end());
    EXPECT_GE(Check(block), stream.size() * 8 / 64) << i;
  }
  EXPECT_EQ(m_inputs, 5000u);
}

}  // namespace
}  // namespace zl
