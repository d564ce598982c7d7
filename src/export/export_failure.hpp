#pragma once

// A failure of the export that the program itself decided (a date that is no
// calendar date, a slot without a time of day): what could not be done, and
// the file or folder concerned.

#include <filesystem>
#include <string>
#include <utility>

#include "platform/failure.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::exporting {

inline platform::Failure ExportFailure(std::string what, const std::filesystem::path& path) {
  return {.what = std::move(what), .subject = platform::Utf8FromPath(path), .error = {}};
}

}  // namespace varkelo::exporting
