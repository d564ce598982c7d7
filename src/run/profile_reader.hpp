#pragma once

// Reading one value of an INI file ("System.ini") as Windows' own INI reader
// reads it, so that a file written for that reader yields the same text on
// every platform.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/failure.hpp"

namespace varkelo::run {

// The longest value the profile reader hands back: a buffer of 255 characters
// less its terminating NUL.
inline constexpr std::size_t ProfileValueMaxLength = 254;

// The value of `key` in `section` of an INI file's bytes.
//
// A file that starts with a UTF-16 byte-order mark (FF FE little endian, FE FF
// big endian) is read as UTF-16 and its value handed back as UTF-8; a UTF-8
// byte-order mark at the start is skipped; any other file is taken as bytes.
// Lines end in CR LF, LF or CR. A line whose first non-blank character is ";"
// is a comment; there are no comments after a value ("a ; b" is the value).
// "[" name "]" opens a section; section and key names match without regard to
// ASCII case, with blanks around them ignored. Only the first section of the
// name is searched, and in it the first line of the key wins; a line without
// "=" is skipped. Blanks around the value are removed, then one pair of
// matching quotes (' or ") around it, and at most ProfileValueMaxLength bytes
// of it are kept, as they stand in the file (a character decoded from UTF-16
// is kept whole or not at all). Blanks are space, tab, vertical tab, form feed
// and Ctrl-Z.
std::string ParseProfileString(std::string_view fileBytes, std::string_view section, std::string_view key);

// ParseProfileString of the regular file `file`. Fails when the file cannot
// be read (missing, a folder, a FIFO, a link), as "cannot read" the file.
platform::Result<std::string> ReadProfileString(const std::filesystem::path& file, std::string_view section,
                                                std::string_view key);

// The gateway's address: "Address" in section "System" of "System.ini" in appFolder,
// up to its first NUL, with leading and trailing spaces removed; empty when
// the file has none. Fails when "System.ini" cannot be read.
platform::Result<std::string> ReadGatewayAddress(const std::filesystem::path& appFolder);

}  // namespace varkelo::run
