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

struct DecodeCase {
  std::uint8_t Kind;
  std::string_view TypeCode;
  std::vector<std::uint8_t> Bytes;  // also gives the field's length
  std::string_view Text;
};

// Every case becomes one catalogue entry; the entries tile the image, so each
// case also checks that a field reads its own bytes and no neighbour's.
const std::vector<DecodeCase>& DecodeCases() {
  static const std::vector<DecodeCase> cases = {
      {0, "UC", {0xFF}, "255"},
      {0, "US", {0xFF, 0xFF}, "65535"},
      {0, "UL", {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {0, "S", {0xFF, 0x7F}, "32767"},
      {0, "S", {0x00, 0x80}, "-32768"},
      {0, "S", {0xFF}, "255"},
      {0, "L", {0x00, 0x00, 0x00, 0x80}, "-2147483648"},
      {0, "L", {0xFF, 0xFF, 0xFF, 0x7F}, "2147483647"},
      {0, "UL", {0x01, 0x02, 0x03}, "0"},
      {0, "US", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}, "0"},
      // "C" is a signed byte.
      {0, "C", {0x80}, "-128"},
      {0, "C", {0x7F}, "127"},
      // The correction follows the type code whatever the length.
      {0, "S", {0xFF, 0xFF, 0xFF, 0xFF}, "4294901759"},
      {0, "C", {0x00, 0x01}, "0"},
      // Unknown codes read as unsigned.
      {0, "X", {0xFF, 0xFF}, "65535"},
      {2, "UC", {0x30, 0x2E, 0x31, 0x00, 0x41, 0x42, 0x43, 0x44}, "0.1"},
      {2, "UC", {0x31, 0x30, 0x30, 0x30}, "1000"},
      {2, "UC", {0x00, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B}, ""},
      {1, "UC", {0x30, 0x31, 0x00, 0x32}, "01"},
      {2, "UC", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, ErasedMultiplierText},
      {2, "UC", {0xB1, 0xDF, 0x41}, "ｱﾟA"},
      // A lead byte read as a single byte stands for an invalid character.
      {2, "UC", {0x83, 0x65}, "・e"},
      {3, "UC", {0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x00, 0x00}, "テスト\0\0"sv},
      {3, "UC", {0x41, 0xB1, 0x83}, "Aｱ\xE3\x83\xBB"},
      {5, "UC", {0x41}, ""},
  };
  return cases;
}

TEST(FieldDecodingTest, CatalogueEntriesDecodeToTheirTexts) {
  Dump dump;
  for (const DecodeCase& c : DecodeCases()) {
    dump.RegisterField(c.TypeCode, static_cast<std::int16_t>(c.Bytes.size()), "S[9]Test", c.Kind, "test");
  }
  const auto& cases = DecodeCases();
  std::vector<std::uint8_t> block(DumpBlockSize);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::copy(cases[i].Bytes.begin(), cases[i].Bytes.end(), block.begin() + dump.Catalog()[i].Offset);
  }
  dump.LoadBlockBytes(block);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ", type code " + std::string(cases[i].TypeCode));
    EXPECT_EQ(dump.GetFieldText(static_cast<std::int32_t>(i)).view(), cases[i].Text);
  }
}

TEST(FieldDecodingTest, FieldsThatCannotBeDecodedThrow) {
  Dump dump;
  dump.PrepareCatalog(ConfigSchemaId);
  for (std::int32_t index :
       {-1, config::FieldCount, CatalogSlots - 1, CatalogSlots, std::numeric_limits<std::int32_t>::max(),
        std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_THROW(dump.GetFieldText(index), FieldError) << index;
  }
  EXPECT_NO_THROW(dump.GetFieldText(config::FieldCount - 1));
  dump.PrepareCatalog(7);
  EXPECT_THROW(dump.GetFieldText(0), FieldError);

  // A field reaching past the image, and a text longer than any field's.
  Dump fill;
  for (int i = 0; i < 4; ++i)
    fill.RegisterField("UC", 32767, "S[9]Test", 1, "fill");  // up to 4 bytes before the end
  fill.RegisterField("UL", 4, "S[9]Test", 0, "last");
  fill.RegisterField("UC", 1, "S[9]Test", 0, "past");
  EXPECT_EQ(fill.GetFieldText(4), "4294967295");
  EXPECT_THROW(fill.GetFieldText(5), FieldError);
  Dump text;
  text.RegisterField("UC", 200, "S[9]Test", 2, "long");  // 200 katakana-sized characters
  EXPECT_THROW(text.GetFieldText(0), FieldError);
}

}  // namespace
}  // namespace varkelo::dump
