#pragma once

// The check of GatewayAddress made at start-up, before any connection is tried.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varkelo::run {

// The four bytes of a dotted IPv4 address text, or nothing when the text is
// not one.
//
// The text is split at every "." and must give exactly four parts. Each part
// is a number: optional spaces around it, an optional sign, decimal digits
// (leading zeros are plain zeros, "010" is ten) and an optional exponent
// ("1e2" is one hundred). Its value is rounded to the nearest whole number,
// halves to even ("25e-1" gives 2, "35e-1" 4, "-4e-1" 0), and must lie between
// 0 and 255. A value of any size is judged exactly; none wraps round.
std::optional<std::array<std::uint8_t, 4>> ParseGatewayAddress(std::string_view address);

}  // namespace varkelo::run
