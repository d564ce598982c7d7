#include "run/gateway_address.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varkelo::run;

namespace {

TEST(GatewayAddress, AcceptedTextsGiveTheirBytes) {
  const struct {
    std::string text;
    std::array<std::uint8_t, 4> bytes;
  } cases[] = {
      {"192.0.2.10", {192, 0, 2, 10}},
      {"0.0.0.0", {0, 0, 0, 0}},
      {"255.255.255.255", {255, 255, 255, 255}},
      // Leading zeros are plain zeros, never octal; spaces around a part and a sign are allowed.
      {"010.000.0.1", {10, 0, 0, 1}},
      {" 10 . 0 .0. 1 ", {10, 0, 0, 1}},
      {"+10.+0.0.1", {10, 0, 0, 1}},
      {"-0.0.0.1", {0, 0, 0, 1}},
      // Exponents, in either case and with either sign.
      {"1e2.1E0.25e+1.2000e-1", {100, 1, 250, 200}},
      {"0e999999999999999999999.1.1.1", {0, 1, 1, 1}},
      {"1e-400.1.1.1", {0, 1, 1, 1}},
      {"1e00000000000000000000002.1.1.1", {100, 1, 1, 1}},
      // Rounding to the nearest whole number, halves to even; a negative value that rounds to zero is zero.
      {"25e-1.35e-1.5e-1.15e-1", {2, 4, 0, 2}},
      {"26e-1.24e-1.2501e-3.5000000000000000000001e-22", {3, 2, 3, 1}},
      {"2545e-1.25549e-2.9e-1.0", {254, 255, 1, 0}},
      {"-4e-1.-5e-1.-0e7.-1e-9", {0, 0, 0, 0}},
      {"1" + std::string(100000, '0') + "e-100000.0.0.0", {1, 0, 0, 0}},  // judged without overflow
  };
  for (const auto& c : cases) EXPECT_EQ(ParseGatewayAddress(c.text), c.bytes) << c.text.substr(0, 40);
}

TEST(GatewayAddress, RejectedTexts) {
  const std::vector<std::string> cases = {
      // Wrong number of parts, empty parts.
      "", "10.0.0", "10.0.0.1.5", "10..0.1", ".10.0.0", "10.0.0.1.", "10.0.0. ", "...",
      // Out of range, also after rounding, and too large for any integer: judged, not wrapped round.
      "10.0.0.256", "10.0.0.-1", "2555e-1.0.0.0", "-6e-1.0.0.0", "-15e-1.0.0.0", "1000.0.0.0", "1e3.0.0.0",
      "4294967296.0.0.0", "4294967306.0.0.0", "99999999999999999999.0.0.0", "1e400.0.0.0",
      "1e99999999999999999999999.0.0.0", std::string(100000, '9') + ".0.0.0",
      // Not a number; a NUL is no digit.
      "10.0.0.x", "10.0.0.1x", "0x10.0.0.1", "&H10.0.0.1", "1 0.0.0.1", "+.0.0.1", "- 1.0.0.1", "+-1.0.0.1",
      "1e.0.0.1", "1e+.0.0.1", "e2.0.0.1", "1e2e1.0.0.1", "1,0.0.0.1", "\t10.0.0.1", "10.0.0.1\r",
      std::string("10.0.0.1\0", 9), std::string("10.0\0.0.1", 9)};
  for (const std::string& text : cases)
    EXPECT_FALSE(ParseGatewayAddress(text).has_value()) << text.substr(0, 40);
}

}  // namespace
