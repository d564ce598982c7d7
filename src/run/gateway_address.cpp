#include "run/gateway_address.hpp"

#include <algorithm>
#include <cstddef>

namespace varkelo::run {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Exponents beyond this size all judge alike: the value is then far outside
// 0..255 or rounds to 0, however many digits the part has.
constexpr std::int64_t ExponentLimit = 1'000'000'000'000;

// One part of the address as a byte: the rounded value of the number it
// holds, when that lies in 0..255.
std::optional<std::uint8_t> ParsePart(std::string_view part) {
  while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
  while (!part.empty() && part.back() == ' ') part.remove_suffix(1);

  bool negative = false;
  if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
    negative = part.front() == '-';
    part.remove_prefix(1);
  }

  std::size_t mantissaEnd = 0;
  while (mantissaEnd < part.size() && IsDigit(part[mantissaEnd])) ++mantissaEnd;
  if (mantissaEnd == 0) return std::nullopt;
  std::string_view digits = part.substr(0, mantissaEnd);
  part.remove_prefix(mantissaEnd);

  std::int64_t exponent = 0;
  if (!part.empty()) {
    if (part.front() != 'e' && part.front() != 'E') return std::nullopt;
    part.remove_prefix(1);
    bool exponentNegative = false;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
      exponentNegative = part.front() == '-';
      part.remove_prefix(1);
    }
    if (part.empty()) return std::nullopt;
    for (const char c : part) {
      if (!IsDigit(c)) return std::nullopt;
      // Saturate rather than overflow: see ExponentLimit.
      if (exponent < ExponentLimit) exponent = exponent * 10 + (c - '0');
    }
    if (exponentNegative) exponent = -exponent;
  }

  while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
  if (digits.empty()) return std::uint8_t{0};  // zero, whatever its sign and exponent

  // The value is 0.<digits> times ten to the power integerDigits.
  const std::int64_t integerDigits = static_cast<std::int64_t>(std::min<std::size_t>(
                                         digits.size(), static_cast<std::size_t>(ExponentLimit))) +
                                     exponent;
  if (integerDigits > 3) return std::nullopt;     // 1000 or more
  if (integerDigits < 0) return std::uint8_t{0};  // below 0.1: rounds to zero

  const auto digitAt = [&](std::int64_t i) -> int {
    return i < static_cast<std::int64_t>(digits.size()) ? digits[static_cast<std::size_t>(i)] - '0' : 0;
  };
  int whole = 0;
  for (std::int64_t i = 0; i < integerDigits; ++i) whole = whole * 10 + digitAt(i);

  // Round to nearest, halves to even, on the exact decimal fraction.
  const int firstFraction = digitAt(integerDigits);
  bool roundUp = firstFraction > 5;
  if (firstFraction == 5) {
    const std::size_t restStart = static_cast<std::size_t>(integerDigits) + 1;
    const bool moreThanHalf = restStart < digits.size() &&
                              digits.substr(restStart).find_first_not_of('0') != std::string_view::npos;
    roundUp = moreThanHalf || whole % 2 == 1;
  }
  if (roundUp) ++whole;

  if (whole == 0) return std::uint8_t{0};  // also a negative value that rounds to zero
  if (negative || whole > 255) return std::nullopt;
  return static_cast<std::uint8_t>(whole);
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> ParseGatewayAddress(std::string_view address) {
  std::array<std::uint8_t, 4> bytes{};
  std::size_t count = 0;
  while (true) {
    // An empty address is one empty part, and an empty part is no number.
    const std::size_t dot = address.find('.');
    const std::optional<std::uint8_t> value = ParsePart(address.substr(0, dot));
    if (!value || count == bytes.size()) return std::nullopt;
    bytes[count++] = *value;
    if (dot == std::string_view::npos) break;
    address.remove_prefix(dot + 1);
  }
  if (count != bytes.size()) return std::nullopt;
  return bytes;
}

}  // namespace varkelo::run
