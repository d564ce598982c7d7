#include "run/profile_reader.hpp"

#include <algorithm>
#include <optional>
#include <span>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "util/ascii.hpp"
#include "util/unicode.hpp"
#include "util/utf8.hpp"

namespace varkelo::run {

namespace {

// Vertical tab, form feed and Ctrl-Z count as blanks, as they do for the
// platform's own profile reader, which "System.ini" files are written for.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (util::AsciiLower(a[i]) != util::AsciiLower(b[i])) return false;
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

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The text of a file saved as UTF-16, which starts with a byte-order mark; none for any other file.
std::optional<std::string> DecodedUtf16(std::string_view bytes) {
  const std::span<const std::uint8_t> units(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                            bytes.size());
  if (bytes.starts_with("\xFF\xFE"))
    return util::DecodeUtf16(units.subspan(2), util::ByteOrder::LittleEndian);
  if (bytes.starts_with("\xFE\xFF")) return util::DecodeUtf16(units.subspan(2), util::ByteOrder::BigEndian);
  return std::nullopt;
}

// At most ProfileValueMaxLength bytes; a UTF-8 character is not cut in two.
std::string_view CutToLength(std::string_view value, bool utf8) {
  if (value.size() <= ProfileValueMaxLength) return value;
  std::size_t length = ProfileValueMaxLength;
  while (utf8 && length > 0 && util::IsUtf8Continuation(static_cast<unsigned char>(value[length]))) --length;
  return value.substr(0, length);
}

}  // namespace

std::string ParseProfileString(std::string_view fileBytes, std::string_view section, std::string_view key) {
  const std::optional<std::string> decoded = DecodedUtf16(fileBytes);
  std::string_view content = decoded ? std::string_view(*decoded) : fileBytes;
  if (!decoded && content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
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
    return std::string(CutToLength(Unquote(TrimBlanks(line.substr(equals + 1))), decoded.has_value()));
  }
  return {};
}

platform::Result<std::string> ReadProfileString(const std::filesystem::path& file, std::string_view section,
                                                std::string_view key) {
  const auto cannotRead = [&](std::error_code error) {
    return platform::Failure{.what = "cannot read", .subject = platform::Utf8FromPath(file), .error = error};
  };
  try {
    platform::Result<platform::RegularFile> opened = platform::RegularFile::OpenForReading(file);
    if (!opened) return cannotRead(opened.Reason().error);
    const platform::Result<std::string> bytes = opened->ReadAll();
    if (!bytes) return cannotRead(bytes.Reason().error);
    return ParseProfileString(*bytes, section, key);
  } catch (const std::bad_alloc&) {
    return cannotRead(std::make_error_code(std::errc::not_enough_memory));
  }
}

platform::Result<std::string> ReadGatewayAddress(const std::filesystem::path& appFolder) {
  platform::Result<std::string> value = ReadProfileString(appFolder / "System.ini", "System", "Address");
  if (!value) return value;
  value->resize(std::min(value->size(), value->find('\0')));
  const std::size_t first = value->find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const std::size_t last = value->find_last_not_of(' ');
  return value->substr(first, last - first + 1);
}

}  // namespace varkelo::run
