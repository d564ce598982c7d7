#pragma once

// A written CSV file as its lines, decoded from code page 932, for comparing
// exact texts. Every line must end in CR LF, the last one included.

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dump/layout.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

inline std::vector<std::string> ReadCsvLines(const std::filesystem::path& path) {
  const std::string bytes = ReadFileBytes(path);
  const std::string text = varkelo::text::DecodeCp932(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  std::vector<std::string> lines;
  for (std::size_t begin = 0, end; begin < text.size(); begin = end + 2) {
    end = text.find("\r\n", begin);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line of " << path << " does not end in CR LF";
      end = text.size();
    }
    lines.push_back(text.substr(begin, end - begin));
  }
  return lines;
}

// Line (h, m) of a day file: the header is line 0 here.
inline std::size_t DayFileLine(int halfHour, int meter) {
  return static_cast<std::size_t>(1 + varkelo::dump::MeterCount * halfHour + (meter - 1));
}

// Sixteen "-": a row with nothing in it.
inline constexpr std::string_view EmptyRow = "-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-";
