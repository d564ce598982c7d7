#include "csv/csv_format.hpp"

namespace varkelo::csv {

std::optional<std::array<std::string_view, Columns>> SplitRow(std::string_view row) {
  std::array<std::string_view, Columns> columns;
  std::size_t count = 0;
  for (std::size_t start = 0;; ++count) {
    const std::size_t comma = row.find(',', start);
    if (count < Columns) columns[count] = row.substr(start, comma - start);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count + 1 != Columns) return std::nullopt;
  return columns;
}

}  // namespace varkelo::csv
