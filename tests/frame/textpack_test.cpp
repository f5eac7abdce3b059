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

// Runs PackText or UnpackText on a heap copy of exactly the input's size (for
// AddressSanitizer), checks that the block exists exactly when the result is
// non-zero and has that size, and gives its bytes.
template <class FN>
Bytes Run(FN fn, const Bytes& input) {
  const std::unique_ptr<BYTE[]> copy(new BYTE[input.size()]);
  std::copy(input.begin(), input.end(), copy.get());
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);  // must be overwritten
  const size_t result = fn(copy.get(), input.size(), block);
  if (result == 0) {
    EXPECT_EQ(block, nullptr);
    return Bytes();
  }
  EXPECT_EQ(GlobalSize(block), result);
  Bytes bytes(result);
  if (void* data = GlobalLock(block)) std::memcpy(bytes.data(), data, result);
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
  return bytes;
}

Bytes Pack(const Bytes& text) { return Run(PackText, text); }
Bytes Unpack(const Bytes& block) { return Run(UnpackText, block); }

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool StartsWith(const Bytes& all, const Bytes& start) {
  return all.size() >= start.size() && std::equal(start.begin(), start.end(), all.begin());
}

// One table entry; the check byte is the sum of the code bytes unless given.
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

// The packed form of "abacad": 24 bytes, a table of 22 and two stream bytes.
const Bytes& Abacad() {
  static const Bytes block = Pack(ToBytes("abacad"));
  return block;
}

std::string CodeString(const CTextCode& code) {
  std::string s;
  for (unsigned i = code.m_length; i > 0; --i) s += ((code.m_bits >> (i - 1)) & 1) ? '1' : '0';
  return s;
}

TEST(TextCodeTest, RefusesCodesLongerThanSixtyFourBits) {
  // Fibonacci counts make a chain as deep as the values are many.
  CTextByteCounts counts{};
  CTextCodeTable codes;
  counts[0] = counts[1] = 1;
  for (unsigned v = 2; v < 80; ++v) counts[v] = counts[v - 1] + counts[v - 2];
  EXPECT_FALSE(BuildTextCodes(counts, codes));
  for (const CTextCode& code : codes) EXPECT_EQ(code.m_length, 0u);
  for (unsigned v = 65; v < 80; ++v) counts[v] = 0;  // 65 values: depth 64
  ASSERT_TRUE(BuildTextCodes(counts, codes));
  EXPECT_TRUE(codes[0].m_length == 64 && codes[1].m_length == 64);
}

// Random counts: the code must be prefix-free, complete and as short in
// total as any Huffman code (measured with a plain priority-queue build).
TEST(TextCodeTest, RandomCountsGiveOptimalPrefixCode) {
  std::mt19937_64 rng(20240611);
  for (int round = 0; round < 300; ++round) {
    CTextByteCounts counts{};
    CTextCodeTable codes;
    for (unsigned i = 2 + rng() % 255; i > 0; --i)
      counts[rng() % 256] = 1 + rng() % (round % 2 ? 5 : 100000);
    ASSERT_TRUE(BuildTextCodes(counts, codes));
    std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<uint64_t>> heap;
    std::vector<std::string> strings;
    uint64_t cost = 0, best = 0;
    double kraft = 0;
    for (unsigned v = 0; v < 256; ++v) {
      ASSERT_EQ(counts[v] != 0, codes[v].m_length != 0) << v;
      if (counts[v] == 0) continue;
      heap.push(counts[v]);
      strings.push_back(CodeString(codes[v]));
      cost += counts[v] * codes[v].m_length;
      kraft += std::ldexp(1.0, -static_cast<int>(codes[v].m_length));
    }
    for (uint64_t sum = 0; heap.size() > 1; best += sum, heap.push(sum)) {
      sum = heap.top();
      heap.pop();
      sum += heap.top();
      heap.pop();
    }
    EXPECT_EQ(cost, best);
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    std::sort(strings.begin(), strings.end());
    for (size_t i = 1; i < strings.size(); ++i) {
      ASSERT_NE(strings[i].compare(0, strings[i - 1].size(), strings[i - 1]), 0)
          << strings[i - 1] << " is a prefix of " << strings[i];
    }
  }
}

// Random code sequences, long codes at every bit offset included, against
// a string of bits.
TEST(BitWriterTest, MatchesBitString) {
  std::mt19937_64 rng(99);
  for (int round = 0; round < 2000; ++round) {
    std::string expected, written;
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
    for (size_t i = 0; i < expected.size(); ++i)
      written += (out[i / 8] >> (7 - i % 8)) & 1 ? '1' : '0';
    ASSERT_EQ(written, expected) << round;
    ASSERT_EQ(out[expected.size() / 8], 0xEE) << "wrote past the end";
  }
}

TEST(PackTextTest, HandWorkedBlocks) {
  // "ab": a=0 b=1, stream 01 padded with zeros.  "ccccbba": c=0 b=10 a=11,
  // stream 00001010 11.  "abacad" (on equal counts the merged node goes
  // first): a=1 b=01 c=000 d=001, stream 10110001 001.  A single value gets
  // the code 0.  Tables list the values in ascending order.
  const std::pair<const char*, Bytes> packs[] = {
      {"ab", {0x02, 0x00, 0x01, 0x00, 'a', 0x00, 0x00, 0x01, 0x00, 'b', 0x80, 0x80, 0x40}},
      {"ccccbba",
       Block({Entry(2, 'a', {0xC0}), Entry(2, 'b', {0x80}), Entry(1, 'c', {0x00})}, {0x0A, 0xC0})},
      {"abacad", Block({Entry(1, 'a', {0x80}), Entry(2, 'b', {0x40}), Entry(3, 'c', {0x00}),
                        Entry(3, 'd', {0x20})},
                       {0xB1, 0x20})},
      {"zzzzzzzzz", {0x01, 0x00, 0x01, 0x00, 'z', 0x00, 0x00, 0x00, 0x00}}};
  for (const auto& [text, block] : packs) EXPECT_EQ(Pack(ToBytes(text)), block) << text;
  EXPECT_EQ(Unpack(packs[3].second), ToBytes(std::string(16, 'z')));  // 16 zero bits

  // Nothing to pack: no block.
  EXPECT_TRUE(Pack(Bytes()).empty());
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
  EXPECT_EQ(PackText(nullptr, 5, block), 0u);
  EXPECT_EQ(block, nullptr);
}

TEST(UnpackTextTest, DecodesWhatTheStreamHolds) {
  const Bytes ones(8, 0xFF);
  const std::pair<Bytes, std::string> cases[] = {
      // Every padding bit of the "ab" block completes a code for 'a'.
      {Pack(ToBytes("ab")), "abaaaaaa"},
      // a=0 b=10 c=11: 0 10 11 11 1 -> a b c c, and the lone 1 is ignored.
      {Block({Entry(1, 'a', {0x00}), Entry(2, 'b', {0x80}), Entry(2, 'c', {0xC0})}, {0x5F}),
       "abcc"},
      // x = 64 ones, y = "0": y x y fills 66 bits, 6 zero padding bits follow.
      {Block({Entry(64, 'x', ones), Entry(1, 'y', {0x00})},
             {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80}),
       "yxyyyyyyy"},
      // Several codes for one value.
      {Block({Entry(1, 'a', {0x00}), Entry(1, 'a', {0x80})}, {0x5A}), "aaaaaaaa"},
      // Low bits beyond the code length count only in the check byte.
      {Block({Entry(1, 'a', {0x7F}), Entry(1, 'b', {0xBF})}, {0x40}), "abaaaaaa"},
      // Only a=0 and b=10 exist; 00100000 stays on known branches.
      {Block({Entry(1, 'a', {0x00}), Entry(2, 'b', {0x80})}, {0x20}), "aabaaaa"},
      // The first stream byte of "abacad" only: 1 01 1 000 1.
      {Bytes(Abacad().begin(), Abacad().begin() + 23), "abaca"},
  };
  for (const auto& [block, text] : cases) EXPECT_EQ(Unpack(block), ToBytes(text)) << text;
}

// Copies the "abacad" block with some bytes replaced.
Bytes Patched(std::initializer_list<std::pair<size_t, int>> changes) {
  Bytes block = Abacad();
  for (const auto& [at, value] : changes) block[at] = static_cast<BYTE>(value);
  return block;
}

TEST(UnpackTextTest, MalformedBlocksDecodeToNothing) {
  std::vector<Bytes> cases = {
      // A wrong check byte.
      Patched({{10, 0x41}}), Block({Entry(1, 'a', {0x00}), Entry(1, 'b', {0x80}, 0x81)}, {0x40}),
      // Entry counts of 300, 0, 65535 and 256 (more than the block holds).
      Patched({{0, 300 & 0xFF}, {1, 300 >> 8}}), Patched({{0, 0}, {1, 0}}),
      Patched({{0, 0xFF}, {1, 0xFF}}), Patched({{0, 0}, {1, 1}}),
      // Code lengths of 0, 65 and 257.
      Block({Entry(0, 'a', {}), Entry(1, 'b', {0x80})}, {0x40}),
      Block({Entry(65, 'a', Bytes(9, 0)), Entry(1, 'b', {0x80})}, {0x40}), Patched({{3, 0x01}}),
      // The same code twice, for different and for equal values.
      Block({Entry(1, 'a', {0x00}), Entry(1, 'b', {0x00})}, {0x00}),
      Block({Entry(2, 'a', {0x40}), Entry(2, 'a', {0x40})}, {0x55}),
      // A code that begins with an earlier one, and one that an earlier begins with.
      Block({Entry(1, 'a', {0x00}), Entry(3, 'b', {0x20})}, {0x00}),
      Block({Entry(3, 'a', {0x20}), Entry(1, 'b', {0x00})}, {0x00}),
      // A stream leading into a missing branch ("11"), even after valid codes.
      Block({Entry(1, 'a', {0x00}), Entry(2, 'b', {0x80})}, {0x00, 0x30}),
      Block({Entry(1, 'z', {0x00})}, {0x00, 0x01})};
  // Every truncation of the table, the whole table without a stream included.
  for (size_t size = 0; size <= 22; ++size)
    cases.emplace_back(Abacad().begin(), Abacad().begin() + size);
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_TRUE(Unpack(cases[i]).empty()) << "case " << i;
  HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
  EXPECT_EQ(UnpackText(nullptr, 10, block), 0u);
  EXPECT_EQ(block, nullptr);

  // At most 256 entries.
  std::vector<Bytes> entries;  // nine-bit codes 0..256 conflict with nothing
  for (unsigned i = 0; i < 257; ++i)
    entries.push_back(Entry(9, BYTE(i), {BYTE(i >> 1), BYTE((i & 1) << 7)}));
  const Bytes stream = {0x00, 0x00};  // code 0, then 7 bits of padding
  EXPECT_TRUE(Unpack(Block(entries, stream)).empty());
  entries.pop_back();
  EXPECT_EQ(Unpack(Block(entries, stream)), Bytes{0x00});
}

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

TEST(TextRoundTripTest, SizesAndAlphabets) {
  // Texts drawn at random from pools of bytes, and repeated UTF-8 text.
  std::string allNonZero;
  for (int b = 1; b < 256; ++b) allNonZero += static_cast<char>(b);
  const std::string pools[] = {"q", "xy", allNonZero,
                               std::string(900, 'e') + std::string(90, 't') + "\n\n\x80\x9F\xBF",
                               "Widerstand R1 \xC3\xBC"
                               "ber 10 k\xCE\xA9, Toleranz \xC2\xB1"
                               "5 % \xE2\x82\xAC \xF0\x9F\x94\x8C; "};
  for (size_t size : {0, 1, 2, 255, 256, 257, 2048, 100000}) {
    std::mt19937 rng(static_cast<unsigned>(size) * 31 + 5);
    for (const std::string& pool : pools) {
      const bool utf8 = &pool == &pools[4];
      std::string text(size, ' ');
      for (size_t i = 0; i < size; ++i) text[i] = pool[(utf8 ? i : rng()) % pool.size()];
      EXPECT_EQ(RoundTrip(text), text) << "alphabet " << &pool - pools << ", size " << size;
      EXPECT_TRUE(!utf8 || size < 100000 || Pack(ToBytes(text)).size() < size * 3 / 4)
          << "long UTF-8 text does not compress";
    }
  }
}

// Every byte value, including zero, survives when the length is kept apart.
TEST(TextRoundTripTest, AllByteValuesWithKnownLength) {
  Bytes data;
  for (int i = 0; i < 3 * 256; ++i) data.push_back(static_cast<BYTE>(i * 7 + i / 256));
  const Bytes packed = Pack(data);
  EXPECT_EQ(packed[0] | (packed[1] << 8), 256);
  EXPECT_TRUE(StartsWith(Unpack(packed), data));
}

}  // namespace
}  // namespace zl
