#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "dump/dump_image.hpp"

namespace varkelo::dump {
namespace {

using namespace std::string_view_literals;
using enum TypeCode;
constexpr FieldKind N = FieldKind::Number, T = FieldKind::ByteText, M = FieldKind::MultibyteText;

struct DecodeCase {
  FieldKind kind;
  TypeCode type;
  std::vector<std::uint8_t> bytes;  // also gives the field's length
  std::string_view text;
};

// Every case becomes one catalogue entry; the entries tile the image, so each
// case also checks that a field reads its own bytes and no neighbour's.
TEST(FieldDecodingTest, CatalogueEntriesDecodeToTheirTexts) {
  const DecodeCase cases[] = {
      {N, Unsigned8, {0xFF}, "255"},
      {N, Unsigned32, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {N, Signed16, {0xFF, 0x7F}, "32767"},
      {N, Signed16, {0x00, 0x80}, "-32768"},
      {N, Signed16, {0xFF}, "255"},
      {N, Signed32, {0x00, 0x00, 0x00, 0x80}, "-2147483648"},
      {N, Unsigned32, {0x01, 0x02, 0x03}, "0"},
      {N, Signed8, {0x80}, "-128"},
      // The correction follows the type code whatever the length.
      {N, Signed16, {0xFF, 0xFF, 0xFF, 0xFF}, "4294901759"},
      {T, Unsigned8, {0x30, 0x2E, 0x31, 0x00, 0x41, 0x42, 0x43, 0x44}, "0.1"},
      {T, Unsigned8, {0x00, 0x41, 0x42}, ""},
      {FieldKind::StatusText, Unsigned8, {0x30, 0x31, 0x00, 0x32}, "01"},
      {T, Unsigned8, {0xFF, 0xFF, 0xB1, 0xDF}, "\uF8F3\uF8F3ｱﾟ"},
      // A lead byte read as a single byte stands for an invalid character.
      {T, Unsigned8, {0x83, 0x65}, "・e"},
      {M, Unsigned8, {0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x00, 0x00}, "テスト\0\0"sv},
      {M, Unsigned8, {0x41, 0xB1, 0x83}, "Aｱ\xE3\x83\xBB"},
  };
  Dump dump;
  std::vector<std::uint8_t> block(DumpBlockSize);
  for (const DecodeCase& c : cases) {
    std::ranges::copy(c.bytes, block.begin() + dump.NextOffset());
    dump.RegisterField(c.type, static_cast<std::int16_t>(c.bytes.size()), {"Test"}, c.kind, "test");
  }
  dump.LoadBlockBytes(block);
  for (std::int32_t i = 0; i < dump.FieldCount(); ++i)
    EXPECT_EQ(dump.GetFieldText(i).view(), cases[i].text) << "case " << i;
  for (const std::int32_t index : {-1, dump.FieldCount(), std::numeric_limits<std::int32_t>::max()})
    EXPECT_THROW(dump.GetFieldText(index), FieldError) << index;
  Dump text;
  text.RegisterField(Unsigned8, 200, {"Test"}, T, "long");  // 200 katakana-sized characters
  EXPECT_THROW(text.GetFieldText(0), FieldError);
}

// A field is read only as what it is. Erased memory as a state of the value
// (every byte 0xFF and only that) is checked over every field by the export
// fuzz target.
TEST(FieldDecodingTest, FieldsAreReadOnlyAsWhatTheyAre) {
  Dump dump;
  dump.RegisterField(Unsigned16, 2, {"Test"}, N, "word");
  dump.RegisterField(Unsigned8, 3, {"Test"}, T, "text");
  dump.LoadBlockBytes(std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0x00});
  EXPECT_EQ(dump.Text(1).Bytes().size(), 2u);
  EXPECT_THROW(dump.Number<std::uint8_t>(0), FieldError);
  EXPECT_THROW(dump.Number<std::uint8_t>(1), FieldError);
  EXPECT_THROW(dump.Text(0), FieldError);
  EXPECT_THROW(dump.Number<std::uint16_t>(2), FieldError);
}

}  // namespace
}  // namespace varkelo::dump
