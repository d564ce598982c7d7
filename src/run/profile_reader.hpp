#pragma once

// Reading one value of an INI file ("System.ini") the way the platform's
// profile reader of the program's origin does, so that a file written for the
// original tool yields the same text here.

#include <filesystem>
#include <string>
#include <string_view>

namespace varkelo::run {

// The longest value the profile reader hands back: a buffer of 255 characters
// less its terminating NUL.
inline constexpr std::size_t ProfileValueMaxLength = 254;

// The value of `key` in `section` of the INI file, or "" when the file cannot
// be read or holds no such section or key.
//
// Lines end in CR LF, LF or CR; a UTF-8 byte-order mark at the start is
// skipped. A line whose first non-blank character is ";" is a comment; there
// are no comments after a value ("a ; b" is the value). "[" name "]" opens a
// section; section and key names match without regard to ASCII case, with
// spaces and tabs around them ignored. Only the first section of the name is
// searched, and in it the first line of the key wins; a line without "=" is
// skipped. Spaces and tabs around the value are removed, then one pair of
// matching quotes (' or ") around it, and at most ProfileValueMaxLength bytes
// of it are kept, as they stand in the file.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key);

// GatewayAddress: "Address" in section "System" of "System.ini" in appFolder,
// up to its first NUL, with leading and trailing spaces removed.
std::string ReadGatewayAddress(const std::filesystem::path& appFolder);

}  // namespace varkelo::run
