#pragma once

// RunExport: "read.nmd" to "ID.csv" and one CSV file per stored day.

#include <cstdint>
#include <filesystem>
#include <set>
#include <vector>

#include "dump/block_image.hpp"
#include "export/carry_over.hpp"
#include "platform/failure.hpp"

namespace varkelo::exporting {

enum class ExportOutcome { Success, CsvError, Stopped };

struct ExportResult {
  ExportOutcome outcome = ExportOutcome::Success;
  // Why the export failed, with CsvError; empty otherwise.
  platform::Failure failure;
  // The gateway's folder, once its name is known; empty before.
  std::filesystem::path gatewayFolder;
  // Day files of stored days written, next-day start files not counted.
  std::int32_t dayFiles = 0;
};

// Whoever runs the export hears from it once per sector block.
class ExportProgress {
 public:
  virtual ~ExportProgress() = default;
  // Before each block: lets the events that are waiting run.
  virtual void LetEventsRun() = 0;
  // Asked right after LetEventsRun: true ends the export there, with
  // ExportOutcome::Stopped and only whole files written.
  virtual bool StopRequested() = 0;
  // After each block: how far the export is, 0 to 100.
  virtual void OnProgress(int percent) = 0;
};

// The layout of the sectors that the configuration block loaded in `image`
// names: half-hourly when its program version begins with "1", else interval.
dump::Layout SectorLayout(const dump::BlockImage& image);

class Exporter {
 public:
  explicit Exporter(std::filesystem::path appFolder);

  // Writes the output tree from the image at imagePath.
  [[nodiscard]] ExportResult RunExport(const std::filesystem::path& imagePath, ExportProgress& progress);

 private:
  ExportResult Export(const std::filesystem::path& imagePath, ExportProgress& progress);
  // One pass of the sector loop; a failure stops the export.
  platform::Status ExportBlock(const std::filesystem::path& imagePath, std::int32_t block,
                               dump::Layout layout, ExportResult& result);

  // Notes a folder this export wrote or kept a file in, to be flushed at its
  // end: a kept file's name may be a killed run's rename that the system had
  // not yet written, and a flush of a folder with nothing new costs next to
  // nothing.
  void NoteFolderWritten(const std::filesystem::path& folder);
  // Puts the entries of every folder noted on the disk.
  platform::Status FlushFoldersWritten() const;

  std::filesystem::path appFolder_;
  // Folders this export wrote or kept files in, each once, in the order made.
  std::vector<std::filesystem::path> foldersWritten_;
  // Interval layout: the day files written or kept, and the next-day start
  // files written or found in place, which are flushed unless a day's own.
  std::set<std::filesystem::path> dayFiles_;
  std::vector<std::filesystem::path> starts_;
  dump::BlockImage image_;
  CarryOver carryOver_;
};

}  // namespace varkelo::exporting
