#pragma once

// Paths from and to the UTF-8 text the program works in. A path made from a
// plain std::string takes the system's narrow encoding (code page 932 on a
// Japanese Windows), so every name built from text goes through these.

#include <filesystem>
#include <string>
#include <string_view>

namespace varkelo::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace varkelo::platform
