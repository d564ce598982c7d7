#include "text/cp932.hpp"

#include <algorithm>
#include <array>

#include "text/cp932_table.hpp"
#include "util/unicode.hpp"
#include "util/utf8.hpp"

namespace varkelo::text {
namespace {

constexpr char32_t InvalidChar = 0x30FB;
constexpr char32_t KatakanaFirst = 0xFF61;  // byte 0xA1
constexpr char32_t KatakanaLast = 0xFF9F;   // byte 0xDF
// Private-use characters of the bytes that code page 932 leaves unassigned.
constexpr char32_t PrivateA0 = 0xF8F0;
constexpr char32_t PrivateFD = 0xF8F1;  // 0xFE and 0xFF follow on

constexpr bool IsTrailByte(std::uint8_t b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The character of one byte read alone; a lead byte alone is invalid.
constexpr char32_t SingleByteChar(std::uint8_t b) {
  if (b < 0x80 || b == 0x80) return b;
  if (b == 0xA0) return PrivateA0;
  if (b >= 0xA1 && b <= 0xDF) return KatakanaFirst + (b - 0xA1);
  if (b >= 0xFD) return PrivateFD + (b - 0xFD);
  return InvalidChar;
}

struct SingleByteTexts {
  std::array<std::array<char, 3>, 256> bytes{};
  std::array<std::uint8_t, 256> sizes{};
};

constexpr SingleByteTexts MakeSingleByteTexts() {
  SingleByteTexts texts;
  for (int b = 0; b < 256; ++b) {
    texts.sizes[b] = static_cast<std::uint8_t>(
        util::PutUtf8(SingleByteChar(static_cast<std::uint8_t>(b)), texts.bytes[b].data()));
  }
  return texts;
}

constexpr SingleByteTexts ByteTexts = MakeSingleByteTexts();

// InvalidByteChar in code page 932.
constexpr std::string_view InvalidByteCode = "\x81\x45";

// Reads one character of at least two bytes starting at utf8[pos] and moves pos past it.
// Rejects overlong forms, surrogates, values above U+10FFFF and cut-off sequences.
bool ReadUtf8(std::string_view utf8, std::size_t& pos, char32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(utf8[i]); };
  const std::uint8_t b0 = byte(pos);
  int length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  if (utf8.size() - pos < static_cast<std::size_t>(length)) return false;
  const std::uint8_t b1 = byte(pos + 1);
  if (b1 < low || b1 > high) return false;
  char32_t value = b0 & (0x7F >> length);
  value = (value << 6) | (b1 & 0x3F);
  for (int k = 2; k < length; ++k) {
    const std::uint8_t bk = byte(pos + k);
    if (!util::IsUtf8Continuation(bk)) return false;
    value = (value << 6) | (bk & 0x3F);
  }
  c = value;
  pos += length;
  return true;
}

// The code of a character at or above U+0080: one byte below 0x100, a lead and
// trail byte above it, or -1 when code page 932 has no code for it.
int CodeOf(char32_t c) {
  if (c == 0x80) return 0x80;
  if (c == PrivateA0) return 0xA0;
  if (c >= PrivateFD && c <= PrivateFD + 2) return 0xFD + static_cast<int>(c - PrivateFD);
  if (c >= KatakanaFirst && c <= KatakanaLast) return 0xA1 + static_cast<int>(c - KatakanaFirst);
  if (c > 0xFFFF) return -1;
  const detail::Cp932Code* first = detail::UnicodeToCode;
  const detail::Cp932Code* last = first + detail::UnicodeToCodeSize;
  const auto* found = std::lower_bound(
      first, last, c, [](const detail::Cp932Code& entry, char32_t value) { return entry.unicode < value; });
  if (found == last || found->unicode != c) return -1;
  return found->code;
}

}  // namespace

std::string_view SingleByteText(std::uint8_t byte) {
  return {ByteTexts.bytes[byte].data(), ByteTexts.sizes[byte]};
}

void AppendSingleByteCodes(std::span<const std::uint8_t> bytes, std::string& out) {
  // Every single byte's character has a code of its own byte, except a lead
  // byte's, which stands alone as the invalid character.
  for (const std::uint8_t b : bytes) {
    if (b == 0) return;
    if (SingleByteChar(b) == InvalidChar) {
      out.append(InvalidByteCode);
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
}

std::string DecodeCp932(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t b = bytes[i];
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
    } else if (IsLeadByte(b) && i + 1 < bytes.size() && IsTrailByte(bytes[i + 1])) {
      // An undefined pair stays one character, so it cannot take the next byte with it.
      const std::uint16_t unit = detail::DoubleByteToUnicode[detail::LeadIndex(b) * detail::TrailCount +
                                                             (bytes[i + 1] - detail::TrailFirst)];
      util::AppendUtf8(unit != 0 ? unit : InvalidChar, out);
      i += 2;
    } else {
      // A lead byte before a byte that cannot be a trail stands alone; the next byte is read on its own.
      out.append(SingleByteText(b));
      ++i;
    }
  }
  return out;
}

bool EncodeCp932(std::string_view utf8, std::string& out) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t run = i;
    while (i < utf8.size() && static_cast<std::uint8_t>(utf8[i]) < 0x80) ++i;
    if (i > run) out.append(utf8.data() + run, i - run);
    if (i == utf8.size()) break;

    char32_t c = 0;
    if (!ReadUtf8(utf8, i, c)) return false;
    const int code = CodeOf(c);
    if (code < 0) return false;
    if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
  return true;
}

}  // namespace varkelo::text
