#pragma once

// RunExport: "read.nmd" to "ID.csv" and one CSV file per stored day.

#include <cstdint>
#include <filesystem>

#include "dump/dump_image.hpp"
#include "export/carry_over.hpp"

namespace varkelo::exporting {

enum class ExportOutcome { Success, CsvError };

// Whoever runs the export hears from it once per sector block.
class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  // Before each block: lets the events that are waiting run.
  virtual void LetEventsRun() = 0;
  // After each block: how far the export is, 0 to 100.
  virtual void OnProgress(int percent) = 0;
};

class Exporter {
 public:
  explicit Exporter(std::filesystem::path appFolder);

  // Writes the output tree from the image at imagePath.
  [[nodiscard]] ExportOutcome RunExport(const std::filesystem::path& imagePath, ExportProgress& progress);

 private:
  // One pass of the sector loop; false stops the export.
  bool ExportBlock(const std::filesystem::path& imagePath, std::int32_t block, std::int32_t schemaId,
                   const std::filesystem::path& gatewayFolder);

  std::filesystem::path appFolder_;
  dump::Dump dump_;
  CarryOver carryOver_;
};

}  // namespace varkelo::exporting
