#include "dump/field_text.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace varkelo::dump {
namespace {

using namespace std::string_view_literals;

struct DecodeCase {
  FieldKind kind;
  std::vector<std::uint8_t> bytes;
  std::string_view text;
};

TEST(FieldDecodingTest, EachKindDecodesToItsText) {
  constexpr FieldKind N = FieldKind::Number, T = FieldKind::ByteText, M = FieldKind::TagText;
  const DecodeCase cases[] = {
      {N, {0x34, 0x12}, "4660"},
      {N, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {N, {0x01, 0x02, 0x03}, "0"},
      {T, {0x30, 0x2E, 0x31, 0x00, 0x41, 0x42, 0x43, 0x44}, "0.1"},
      {T, {0xFF, 0xFF, 0xB1, 0xDF}, "\uF8F3\uF8F3ｱﾟ"},
      // A lead byte read as a single byte stands for an invalid character.
      {T, {0x83, 0x65}, "・e"},
      {M, {0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x00, 0x00}, "テスト\0\0"sv},
      {M, {0x41, 0xB1, 0x83}, "Aｱ\xE3\x83\xBB"},
  };
  for (const DecodeCase& c : cases) {
    const FieldText text = c.kind == N   ? DecodeNumber(c.bytes)
                           : c.kind == T ? DecodeByteText(ByteText(c.bytes))
                                         : DecodeTagText(c.bytes);
    EXPECT_EQ(text.View(), c.text) << c.text;
  }
}

// GetFieldText reads each entry's own bytes by its kind: the half-hourly
// status text as single bytes, numbers by their width.
TEST(FieldDecodingTest, GetFieldTextReadsTheEntrysBytesByItsKind) {
  const FieldCatalogue catalogue(Layout::HalfHour);
  std::vector<std::uint8_t> block(DumpBlockSize, 0xFF);
  const std::int32_t record = halfhour::Record(1, 2);
  std::ranges::copy(std::array<std::uint8_t, 8>{1, 0, 0, 0, 0x30, 0x31, 0x00, 0x32},
                    block.begin() + catalogue.Entry(record + halfhour::Status).offset - 4);
  BlockImage image;
  image.LoadBlockBytes(block);
  EXPECT_EQ(GetFieldText(catalogue, image, record + halfhour::Reading + 5), "1");
  EXPECT_EQ(GetFieldText(catalogue, image, record + halfhour::Status), "01");
}

}  // namespace
}  // namespace varkelo::dump
