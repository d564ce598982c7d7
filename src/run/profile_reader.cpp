#include "run/profile_reader.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace varkelo::run {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// Takes the next line off `rest`, whatever its line end (CR LF, LF or CR).
std::string_view NextLine(std::string_view& rest) {
  const std::size_t end = rest.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    const std::string_view line = rest;
    rest = {};
    return line;
  }
  const std::string_view line = rest.substr(0, end);
  std::size_t next = end + 1;
  if (rest[end] == '\r' && next < rest.size() && rest[next] == '\n') ++next;
  rest.remove_prefix(next);
  return line;
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return {};
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string FindValue(std::string_view content, std::string_view section, std::string_view key) {
  static const std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());

  const std::string_view wantedSection = TrimBlanks(section);
  const std::string_view wantedKey = TrimBlanks(key);
  bool inSection = false;
  while (!content.empty()) {
    const std::string_view line = TrimBlanks(NextLine(content));
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      // A "[" line without "]" names no section; it is no key line either.
      if (close == std::string_view::npos) continue;
      // Only the first section of the name counts: leaving it ends the search.
      if (inSection) return {};
      inSection = NamesMatch(TrimBlanks(line.substr(1, close - 1)), wantedSection);
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!NamesMatch(TrimBlanks(line.substr(0, equals)), wantedKey)) continue;
    const std::string_view value = Unquote(TrimBlanks(line.substr(equals + 1)));
    return std::string(value.substr(0, ProfileValueMaxLength));
  }
  return {};
}

}  // namespace

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key) {
  try {
    return FindValue(ReadWholeFile(file), section, key);
  } catch (...) {
    // An unreadable file reads as one without the key.
    return {};
  }
}

std::string ReadGatewayAddress(const std::filesystem::path& appFolder) {
  try {
    std::string value = ReadProfileString(appFolder / "System.ini", "System", "Address");
    value.resize(std::min(value.size(), value.find('\0')));
    const std::size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::size_t last = value.find_last_not_of(' ');
    return value.substr(first, last - first + 1);
  } catch (...) {
    return {};
  }
}

}  // namespace varkelo::run
