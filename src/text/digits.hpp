#pragma once

// Decimal digits as the output names and lines write them.

#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace varkelo::text {

// A number 0 or above in decimal with a leading zero below 10, as a format
// pattern "00" gives it: 7 gives "07", 12 "12", 123 "123".
class TwoDigits {
 public:
  explicit TwoDigits(std::int32_t value) {
    if (value >= 0 && value < 10) digits_[size_++] = '0';
    size_ = static_cast<std::size_t>(
        std::to_chars(digits_.data() + size_, digits_.data() + digits_.size(), value).ptr - digits_.data());
  }
  std::string_view View() const { return {digits_.data(), size_}; }
  operator std::string_view() const { return View(); }

 private:
  std::array<char, 12> digits_{};
  std::size_t size_ = 0;
};

}  // namespace varkelo::text
