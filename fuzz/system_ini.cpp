// Fuzz target: the "System.ini" reader and the address check, fed arbitrary
// files. The same bytes are also checked as an address text of their own.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.hpp"
#include "run/gateway_address.hpp"
#include "run/profile_reader.hpp"
#include "temp_folder.hpp"

namespace {

// --- Every call into the run layer; the one place to follow its renames. ---

// The address text the program takes from a "System.ini" holding these bytes.
std::string ReadAddressFromIni(std::string_view fileBytes) {
  static const TempFolder folder;
  static const std::filesystem::path file = folder.Path() / "System.ini";
  // Plain system calls: a stream per execution would cost more than the reading itself.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(::write(fd, fileBytes.data(), fileBytes.size()) == static_cast<ssize_t>(fileBytes.size()));
  ::close(fd);
  const auto address = varkelo::run::ReadGatewayAddress(folder.Path());
  FUZZ_CHECK(address);  // the file was just written: it can be read
  return *address;
}

std::optional<std::array<std::uint8_t, 4>> CheckAddress(std::string_view address) {
  return varkelo::run::ParseGatewayAddress(address);
}

constexpr std::size_t MaxValueLength = 254;

// --- End of the calls. ---

void CheckParsedAddress(std::string_view address) {
  const std::optional<std::array<std::uint8_t, 4>> bytes = CheckAddress(address);
  if (!bytes) return;
  // Four parts: exactly three dots, and the bytes read back as the same address.
  FUZZ_CHECK(std::ranges::count(address, '.') == 3);
  const std::string plain = std::to_string((*bytes)[0]) + "." + std::to_string((*bytes)[1]) + "." +
                            std::to_string((*bytes)[2]) + "." + std::to_string((*bytes)[3]);
  FUZZ_CHECK(CheckAddress(plain) == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view fileBytes(reinterpret_cast<const char*>(data), size);
  const std::string address = ReadAddressFromIni(fileBytes);

  FUZZ_CHECK(address.size() <= MaxValueLength);
  // The value is taken as it stands in the file: cut at a NUL, without spaces
  // around it. A reader that decodes a UTF-16 file gives whole UTF-8 characters.
  FUZZ_CHECK(address.find('\0') == std::string::npos);
  FUZZ_CHECK(address.empty() || (address.front() != ' ' && address.back() != ' '));
  const bool utf16 = fileBytes.starts_with("\xFF\xFE") || fileBytes.starts_with("\xFE\xFF");
  FUZZ_CHECK(fileBytes.find(address) != std::string_view::npos || (utf16 && IsValidUtf8(address)));
  CheckParsedAddress(address);

  CheckParsedAddress(fileBytes);
  return 0;
}
