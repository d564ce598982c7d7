#pragma once

// The text of one decoded field, held inline: decoding a field never touches
// the heap, whichever of the tools, tests and the gateway folder name asks.

#include <array>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varkelo::dump {

// Raised while decoding a field that cannot be decoded (an index the catalogue
// does not register, a field outside the image). The export's writers catch it
// at their boundary and report failure.
class FieldError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FieldText {
 public:
  // The longest text a field may decode to: 68 single bytes, 3 UTF-8 bytes each, and more.
  static constexpr std::size_t Capacity = 256;

  FieldText() = default;
  explicit FieldText(std::string_view text) { Append(text); }

  std::string_view view() const { return {data_.data(), size_}; }
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(view()); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  void Append(std::string_view text) {
    if (text.size() > Capacity - size_) throw FieldError("field text too long");
    std::memcpy(data_.data() + size_, text.data(), text.size());
    size_ += text.size();
  }
  void Append(char c) { Append(std::string_view(&c, 1)); }

  friend bool operator==(const FieldText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const FieldText& a, const FieldText& b) { return a.view() == b.view(); }

 private:
  std::array<char, Capacity> data_;
  std::size_t size_ = 0;
};

}  // namespace varkelo::dump
