#pragma once

// RunExport: "read.nmd" to "ID.csv" and one CSV file per stored day.

#include <cstdint>
#include <filesystem>

#include "dump/dump_image.hpp"
#include "export/carry_over.hpp"

namespace varkelo::exporting {

// The window operations the export uses; the export runs with or without a window.
class ExportWindow {
 public:
  virtual ~ExportWindow() = default;
  virtual void SetCsvProgress(int value) = 0;  // prgCSV, 0 to 100
  virtual void LetEventsRun() = 0;             // once per block
};

class Exporter {
 public:
  explicit Exporter(std::filesystem::path appFolder);

  // Writes the output tree from the image at imagePath; ResultCode becomes 1
  // (success) or 5 (CSV error).
  void RunExport(const std::filesystem::path& imagePath, ExportWindow& window, std::int32_t& ResultCode);

  dump::Dump& Image() { return dump_; }

 private:
  // One pass of the sector loop; false stops the export.
  bool ExportBlock(const std::filesystem::path& imagePath, std::int32_t block, std::int32_t schemaId,
                   const std::filesystem::path& gatewayFolder);

  std::filesystem::path appFolder_;
  dump::Dump dump_;
  CarryOver carryOver_;
};

}  // namespace varkelo::exporting
