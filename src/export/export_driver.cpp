#include "export/export_driver.hpp"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "dump/field_text.hpp"
#include "export/day_files.hpp"
#include "export/export_failure.hpp"
#include "export/meter_list.hpp"
#include "export/next_day_start.hpp"
#include "export/output_paths.hpp"
#include "export/sector_day.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::exporting {
namespace {

using dump::LastSectorBlock;

// Why block `block` could not be read: the system's reason, said of the block.
platform::Failure BlockFailure(const platform::Status& loaded, std::int32_t block) {
  platform::Failure failure = loaded.Reason();
  failure.what = "cannot read block " + std::to_string(block) + " of";
  return failure;
}

// Why a block names no day: past the end of a short image it reads as zeros.
platform::Failure DateFailure(const std::filesystem::path& imagePath, std::int32_t block,
                              const SectorHead& head) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(imagePath, error);
  if (!error && size < static_cast<std::uintmax_t>(block + 1) * dump::DumpBlockSize) {
    return ExportFailure("the image ends before the end of block " + std::to_string(block) + ":", imagePath);
  }
  return ExportFailure("block " + std::to_string(block) + " names no calendar date (" +
                           std::to_string(head.year) + "-" + std::to_string(head.month) + "-" +
                           std::to_string(head.day) + ") in",
                       imagePath);
}

ExportResult Failed(ExportResult result, platform::Failure failure) {
  result.outcome = ExportOutcome::CsvError;
  result.failure = std::move(failure);
  return result;
}

}  // namespace

dump::Layout SectorLayout(const dump::BlockImage& image) {
  const std::span<const std::uint8_t> version = image.Text(dump::config::ProgramVersionField).Bytes();
  return !version.empty() && version.front() == '1' ? dump::Layout::HalfHour : dump::Layout::Interval;
}

Exporter::Exporter(std::filesystem::path appFolder) : appFolder_(std::move(appFolder)) {}

ExportResult Exporter::RunExport(const std::filesystem::path& imagePath, ExportProgress& progress) {
  // Memory is the one thing the export can run out of that it does not check
  // itself: the strings and paths it builds.
  try {
    return Export(imagePath, progress);
  } catch (const std::bad_alloc&) {
    return Failed({}, platform::Failure{.what = "cannot export",
                                        .subject = platform::Utf8FromPath(imagePath),
                                        .error = std::make_error_code(std::errc::not_enough_memory)});
  }
}

ExportResult Exporter::Export(const std::filesystem::path& imagePath, ExportProgress& progress) {
  ExportResult result;
  // Without a readable configuration block there is nothing to name the
  // output after: no folder and no meter list from an erased image.
  if (platform::Status loaded = image_.LoadBlock(imagePath, dump::ConfigBlock); !loaded) {
    return Failed(std::move(result), BlockFailure(loaded, dump::ConfigBlock));
  }
  const dump::Layout layout = SectorLayout(image_);

  result.gatewayFolder =
      GatewayFolder(appFolder_, dump::DecodeByteText(image_.Text(dump::config::DeviceIdField)));
  foldersWritten_.clear();
  dayFiles_.clear();
  starts_.clear();
  // The gateway folder is an entry of the application folder: new, or made by
  // a killed run before the system wrote it.
  NoteFolderWritten(appFolder_);
  if (platform::Status folder = EnsureFolder(result.gatewayFolder); !folder) {
    return Failed(std::move(result), folder.Reason());
  }
  NoteFolderWritten(result.gatewayFolder);
  if (platform::Status written = WriteMeterList(image_, result.gatewayFolder / "ID.csv"); !written) {
    return Failed(std::move(result), written.Reason());
  }

  for (std::int32_t i = dump::FirstSectorBlock; i <= LastSectorBlock; ++i) {
    progress.LetEventsRun();
    // Between blocks every file is whole: nothing is left half made.
    if (progress.StopRequested()) {
      result.outcome = ExportOutcome::Stopped;
      return result;
    }
    const platform::Status exported = ExportBlock(imagePath, i, layout, result);
    // A failed block ends the loop with the bar full.
    progress.OnProgress(!exported ? 100 : i * 100 / LastSectorBlock);
    if (!exported) return Failed(std::move(result), exported.Reason());
  }
  // A start file of a day that has no file of its own in the image was left
  // as it stood, maybe by a killed run that the system had not yet written.
  for (const std::filesystem::path& start : starts_) {
    if (dayFiles_.contains(start) || !FileExists(start)) continue;
    if (platform::Status flushed = platform::FlushFile(start); !flushed)
      return Failed(std::move(result), flushed.Reason());
  }
  // Each file's data went to the disk before its rename; the names follow.
  if (platform::Status flushed = FlushFoldersWritten(); !flushed)
    return Failed(std::move(result), flushed.Reason());
  return result;
}

platform::Status Exporter::ExportBlock(const std::filesystem::path& imagePath, std::int32_t block,
                                       dump::Layout layout, ExportResult& result) {
  if (platform::Status loaded = image_.LoadBlock(imagePath, block); !loaded)
    return BlockFailure(loaded, block);
  const std::optional<SectorHead> head = ReadSectorHead(image_);
  if (!head) return {};
  const std::optional<SectorDay> day = SectorDay::Of(*head);
  const std::filesystem::path& gatewayFolder = result.gatewayFolder;

  if (layout == dump::Layout::HalfHour) {
    // The month folder comes first, dated or not.
    if (platform::Status folder = EnsureFolder(DayFolder(gatewayFolder, *head)); !folder) return folder;
    if (!day) return DateFailure(imagePath, block, *head);
    if (platform::Status written = WriteHalfHourDayFile(image_, *day, DayFile(gatewayFolder, *day));
        !written) {
      return written;
    }
    NoteFolderWritten(DayFolder(gatewayFolder, *day));
    ++result.dayFiles;
    return {};
  }
  if (!day) return DateFailure(imagePath, block, *head);
  // The carry-over reads the previous day's block into the image.
  if (platform::Status carried = LoadCarryOver(image_, imagePath, *day, carryOver_); !carried) return carried;
  if (platform::Status back = image_.ReturnToBlock(imagePath, block); !back) return BlockFailure(back, block);
  if (platform::Status folder = EnsureFolder(DayFolder(gatewayFolder, *day)); !folder) return folder;
  if (platform::Status written = WriteIntervalDayFile(image_, *day, carryOver_, DayFile(gatewayFolder, *day));
      !written) {
    return written;
  }
  NoteFolderWritten(DayFolder(gatewayFolder, *day));
  dayFiles_.insert(DayFile(gatewayFolder, *day));
  ++result.dayFiles;
  if (platform::Status started = WriteNextDayStart(image_, gatewayFolder, *day); !started) return started;
  NoteFolderWritten(DayFolder(gatewayFolder, day->Next()));
  starts_.push_back(DayFile(gatewayFolder, day->Next()));
  return {};
}

void Exporter::NoteFolderWritten(const std::filesystem::path& folder) {
  if (std::find(foldersWritten_.begin(), foldersWritten_.end(), folder) == foldersWritten_.end())
    foldersWritten_.push_back(folder);
}

platform::Status Exporter::FlushFoldersWritten() const {
  // The deepest first: a new folder's own entries are on the disk before its name is.
  for (auto folder = foldersWritten_.rbegin(); folder != foldersWritten_.rend(); ++folder) {
    if (platform::Status flushed = platform::FlushFolder(*folder); !flushed) return flushed;
  }
  return {};
}

}  // namespace varkelo::exporting
