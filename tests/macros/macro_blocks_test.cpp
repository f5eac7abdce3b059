// Stored macro blocks: a seeded run of mutated blocks must decode or be
// refused with 31, never read outside the block (the sanitizer build
// watches), and what decodes is what the blocks say.
#include "macros/macro_blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "frame/stored_text.h"
#include "frame/textpack.h"
#include "zldbctrl70/errors.h"

namespace {

std::string Bytes(const COleVariant& block) {
  return std::string(reinterpret_cast<const char*>(block.GetByteArrayData()),
                     block.GetByteArraySize());
}

COleVariant Block(const std::string& bytes) {
  COleVariant block;
  block.SetByteArray(bytes.data(), bytes.size());
  return block;
}

TEST(MacroBlocksTest, ValidBlocksDecodeAndTheLengthPrefixIsChecked) {
  for (const std::string& text :
       std::vector<std::string>{"", "x", "a macro\nwith lines", std::string(70000, 'z')}) {
    const std::string optionBytes = zl::MacroOptionBytes(text.size(), "-opt");
    const COleVariant textBlock = zl::StoreTextBlock(text.data(), text.size(), true);
    const COleVariant optionBlock =
        zl::StoreTextBlock(optionBytes.data(), optionBytes.size(), true);
    std::string body, option;
    ASSERT_EQ(zl::DecodeMacroBlocks(textBlock, optionBlock, true, body, option), 0);
    EXPECT_TRUE(body == text && option == "-opt");
    // The plain form ignores the option block.
    const COleVariant plain = zl::StoreTextBlock(text.data(), text.size(), false);
    ASSERT_EQ(zl::DecodeMacroBlocks(plain, COleVariant(), false, body, option), 0);
    EXPECT_TRUE(body == text && option.empty());
    // A prefix for another length, a missing or empty option block.
    const std::string wrong = zl::MacroOptionBytes(text.size() + 1, "-opt");
    for (const COleVariant& bad :
         {zl::StoreTextBlock(wrong.data(), wrong.size(), true), COleVariant(), Block("")}) {
      EXPECT_EQ(zl::DecodeMacroBlocks(textBlock, bad, true, body, option), ZLE_MACRO_CORRUPT);
      EXPECT_TRUE(body.empty() && option.empty());
    }
  }
  // A plain block without its zero byte gives every byte it holds.
  std::string body, option;
  ASSERT_EQ(zl::DecodeMacroBlocks(Block("abc"), COleVariant(), false, body, option), 0);
  EXPECT_EQ(body, "abc");
}

TEST(MacroBlocksTest, MutatedBlocksDecodeConsistentlyOrAreRefused) {
  const unsigned seed = 20261207;
  std::mt19937 random(seed);
  const std::string text = "X1 in out amp\n.model amp opamp(gain=1e5)\n.ends\n";
  const std::string optionBytes = zl::MacroOptionBytes(text.size(), "--flex");
  const std::string textBlock = Bytes(zl::StoreTextBlock(text.data(), text.size(), true));
  const std::string optionBlock =
      Bytes(zl::StoreTextBlock(optionBytes.data(), optionBytes.size(), true));
  int decoded = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string blocks[2] = {textBlock, optionBlock};
    std::string& target = blocks[random() % 2];
    const int edits = 1 + random() % 3;
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % target.size();
      switch (random() % 4) {
        case 0:
          target[at] = static_cast<char>(random());
          break;
        case 1:
          target[at] = static_cast<char>(target[at] ^ (1 << (random() % 8)));
          break;
        case 2:
          target.resize(at + 1);  // cut short
          break;
        default:
          target.insert(at, 1, static_cast<char>(random()));
          break;
      }
    }
    std::string body, option;
    const int code = zl::DecodeMacroBlocks(Block(blocks[0]), Block(blocks[1]), true, body, option);
    ASSERT_TRUE(code == 0 || code == ZLE_MACRO_CORRUPT) << "seed " << seed << " round " << round;
    if (code != 0) {
      ++refused;
      EXPECT_TRUE(body.empty() && option.empty());
      continue;
    }
    ++decoded;
    // Whatever decodes agrees with the codec's own reading of the blocks.
    std::string expected, optionDecoded;
    ASSERT_EQ(zl::LoadTextBlock(Block(blocks[0]), true, expected), 0);
    ASSERT_EQ(zl::LoadBlockBytes(Block(blocks[1]), true, optionDecoded), 0);
    EXPECT_EQ(body, expected) << "round " << round;
    EXPECT_EQ(optionDecoded.compare(0, 4, zl::MacroOptionBytes(body.size(), "")), 0);
  }
  // The run exercises both outcomes.
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
