// The texts of the field kinds, as GetFieldText gives them.

#include <charconv>
#include <span>
#include <string>

#include "dump/dump_image.hpp"
#include "text/cp932.hpp"

namespace varkelo::dump {

FieldText DecodeNumber(const std::uint8_t* bytes, std::int16_t length, TypeCode type) {
  // Little-endian; a length other than 1, 2 or 4 decodes to 0.
  std::int64_t value = 0;
  switch (length) {
    case 1:
      value = bytes[0];
      break;
    case 2:
      value = bytes[0] | (std::int64_t{bytes[1]} << 8);
      break;
    case 4:
      value = bytes[0] | (std::int64_t{bytes[1]} << 8) | (std::int64_t{bytes[2]} << 16) |
              (std::int64_t{bytes[3]} << 24);
      break;
    default:
      break;
  }
  // The correction follows the type code alone, whatever the length.
  switch (type) {
    case TypeCode::Signed8:
      if (value > 127) value -= 256;
      break;
    case TypeCode::Signed16:
      if (value > 32767) value -= 65536;
      break;
    case TypeCode::Signed32:
      if (value > 2147483647) value -= 4294967296;
      break;
    case TypeCode::Unsigned8:
    case TypeCode::Unsigned16:
    case TypeCode::Unsigned32:
      break;
  }
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  FieldText text;
  text.Append(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  return text;
}

FieldText DecodeByteText(const std::uint8_t* bytes, std::int16_t length) {
  FieldText text;
  for (std::int16_t i = 0; i < length && bytes[i] != 0; ++i) text.Append(text::SingleByteText(bytes[i]));
  return text;
}

FieldText DecodeMultibyteText(const std::uint8_t* bytes, std::int16_t length) {
  // Whole characters are converted one at a time: each one's text fits a
  // string's inline storage, so decoding stays off the heap. A lead byte takes
  // the next byte with it, as the conversion of the whole field would.
  FieldText text;
  std::int16_t i = 0;
  while (i < length) {
    const std::int16_t width = (text::IsLeadByte(bytes[i]) && i + 1 < length) ? 2 : 1;
    const std::string character = text::DecodeCp932(std::span(bytes + i, static_cast<std::size_t>(width)));
    text.Append(character);
    i = static_cast<std::int16_t>(i + width);
  }
  return text;
}

}  // namespace varkelo::dump
