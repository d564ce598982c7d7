#include "dump/field_text.hpp"

#include <charconv>

#include "text/cp932.hpp"

namespace varkelo::dump {

static_assert(
    [] {
      for (const auto fields :
           {std::span<const FieldSpec>(FlashHead), std::span<const FieldSpec>(ConfigCenter),
            std::span<const FieldSpec>(ConfigMainInfo), std::span<const FieldSpec>(ConfigMeter),
            std::span<const FieldSpec>(HalfHourGroup), std::span<const FieldSpec>(IntervalGroup)}) {
        for (const FieldSpec& field : fields) {
          if (field.length * 3 > static_cast<std::int32_t>(FieldText::Capacity)) return false;
        }
      }
      return ConfigMeterTag.length * 3 <= static_cast<std::int32_t>(FieldText::Capacity);
    }(),
    "every field's text fits a FieldText");

FieldText DecodeNumber(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  if (bytes.size() == 1 || bytes.size() == 2 || bytes.size() == 4) {
    for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | bytes[i];
  }
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  FieldText text;
  text.Append(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  return text;
}

FieldText DecodeByteText(const ByteText& value) {
  FieldText text;
  for (const std::uint8_t byte : value.Bytes()) text.Append(text::SingleByteText(byte));
  return text;
}

FieldText DecodeTagText(std::span<const std::uint8_t> bytes) {
  // Whole characters are converted one at a time: each one's text fits a
  // string's inline storage, so decoding stays off the heap. A lead byte takes
  // the next byte with it, as the conversion of the whole field would.
  FieldText text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t width = (text::IsLeadByte(bytes[i]) && i + 1 < bytes.size()) ? 2 : 1;
    text.Append(text::DecodeCp932(bytes.subspan(i, width)));
    i += width;
  }
  return text;
}

FieldText GetFieldText(const FieldCatalogue& catalogue, const BlockImage& image, std::int32_t index) {
  const FieldDescriptor& entry = catalogue.Entry(index);
  const std::span<const std::uint8_t> bytes =
      image.Bytes().subspan(static_cast<std::size_t>(entry.offset), static_cast<std::size_t>(entry.length));
  switch (entry.kind) {
    case FieldKind::Number:
      return DecodeNumber(bytes);
    case FieldKind::StatusText:
    case FieldKind::ByteText:
      return DecodeByteText(ByteText(bytes));
    case FieldKind::TagText:
      return DecodeTagText(bytes);
  }
  return FieldText{};
}

}  // namespace varkelo::dump
