#include "export/export_driver.hpp"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "export/calendar.hpp"
#include "export/day_files.hpp"
#include "export/export_failure.hpp"
#include "export/meter_list.hpp"
#include "export/next_day_start.hpp"
#include "export/output_paths.hpp"
#include "export/sector_head.hpp"
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

dump::Layout SectorLayout(const dump::Dump& dump) {
  const std::span<const std::uint8_t> version = dump.Text(dump::config::ProgramVersion).Bytes();
  return !version.empty() && version.front() == '1' ? dump::Layout::HalfHour : dump::Layout::Interval;
}

Exporter::Exporter(std::filesystem::path appFolder) : appFolder_(std::move(appFolder)) {}

ExportResult Exporter::RunExport(const std::filesystem::path& imagePath, ExportProgress& progress) {
  ExportResult result;
  try {
    dump_.PrepareCatalog(dump::Layout::Config);
    // Without a readable configuration block there is nothing to name the
    // output after: no folder and no meter list from an erased image.
    if (platform::Status loaded = dump_.LoadBlock(imagePath, dump::ConfigBlock); !loaded) {
      return Failed(std::move(result), BlockFailure(loaded, dump::ConfigBlock));
    }
    const dump::Layout layout = SectorLayout(dump_);

    result.gatewayFolder = GatewayFolder(appFolder_, dump_.GetFieldText(dump::config::DeviceId));
    foldersWritten_.clear();
    started_ = std::filesystem::file_time_type::clock::now();
    // A new gateway folder is an entry of the application folder.
    if (!FolderExists(result.gatewayFolder)) NoteFolderWritten(appFolder_);
    if (platform::Status folder = EnsureFolder(result.gatewayFolder); !folder) {
      return Failed(std::move(result), folder.Reason());
    }
    NoteFolderWritten(result.gatewayFolder);
    if (platform::Status written = WriteMeterList(dump_, result.gatewayFolder / "ID.csv"); !written) {
      return Failed(std::move(result), written.Reason());
    }

    dump_.PrepareCatalog(layout);
    for (std::int32_t i = dump::FirstSectorBlock; i <= LastSectorBlock; ++i) {
      progress.LetEventsRun();
      // Between blocks every file is whole: nothing is left half made.
      if (progress.StopRequested()) {
        result.outcome = ExportOutcome::Stopped;
        return result;
      }
      std::optional<platform::Failure> failure = ExportBlock(imagePath, i, layout, result);
      // A failed block ends the loop with the bar full.
      progress.OnProgress(failure ? 100 : i * 100 / LastSectorBlock);
      if (failure) return Failed(std::move(result), std::move(*failure));
    }
    // Each file's data went to the disk before its rename; the names follow.
    if (platform::Status flushed = FlushFoldersWritten(); !flushed)
      return Failed(std::move(result), flushed.Reason());
    return result;
  } catch (const std::exception& e) {
    return Failed(std::move(result), ExportFailure(std::string("cannot export: ") + e.what(), imagePath));
  } catch (...) {
    return Failed(std::move(result), ExportFailure("cannot export", imagePath));
  }
}

std::optional<platform::Failure> Exporter::ExportBlock(const std::filesystem::path& imagePath,
                                                       std::int32_t block, dump::Layout layout,
                                                       ExportResult& result) {
  if (platform::Status loaded = dump_.LoadBlock(imagePath, block); !loaded)
    return BlockFailure(loaded, block);
  const std::optional<SectorHead> stored = ReadSectorHead(dump_);
  if (!stored) return std::nullopt;
  const SectorHead& head = *stored;
  const std::filesystem::path& gatewayFolder = result.gatewayFolder;
  const std::filesystem::path dayFolder = DayFolder(gatewayFolder, head.year, head.month);
  const std::filesystem::path dayFile = DayFile(gatewayFolder, head.year, head.month, head.day);
  const bool dated = SectorDate(head.year, head.month, head.day).has_value();

  if (layout == dump::Layout::HalfHour) {
    // The month folder comes first, dated or not.
    if (platform::Status folder = EnsureFolder(dayFolder); !folder) return folder.Reason();
    if (!dated) return DateFailure(imagePath, block, head);
    if (platform::Status written = WriteHalfHourDayFile(dump_, dayFile); !written) return written.Reason();
    NoteFolderWritten(dayFolder);
    ++result.dayFiles;
    return std::nullopt;
  }
  if (!dated) return DateFailure(imagePath, block, head);
  // The carry-over reads the previous day's block into the image.
  if (platform::Status carried = LoadCarryOver(dump_, imagePath, head.year, head.month, head.day, carryOver_);
      !carried) {
    return carried.Reason();
  }
  if (platform::Status back = dump_.ReturnToBlock(imagePath, block); !back) return BlockFailure(back, block);
  if (platform::Status folder = EnsureFolder(dayFolder); !folder) return folder.Reason();
  if (platform::Status written = WriteIntervalDayFile(dump_, carryOver_, dayFile); !written) {
    return written.Reason();
  }
  NoteFolderWritten(dayFolder);
  ++result.dayFiles;
  if (platform::Status started = WriteNextDayStart(dump_, gatewayFolder, head.year, head.month, head.day);
      !started) {
    return started.Reason();
  }
  const Date nextDay = NextDay(*SectorDate(head.year, head.month, head.day));
  NoteFolderWritten(DayFolder(gatewayFolder, nextDay.year - 2000, nextDay.month));
  return std::nullopt;
}

void Exporter::NoteFolderWritten(const std::filesystem::path& folder) {
  if (std::find(foldersWritten_.begin(), foldersWritten_.end(), folder) == foldersWritten_.end())
    foldersWritten_.push_back(folder);
}

platform::Status Exporter::FlushFoldersWritten() const {
  // A folder last changed before the export took no new name from it (its
  // files were the same as those in place): a flush of it would cost the disk
  // a flush for nothing. The margin covers the coarser clock of the files' times.
  const std::filesystem::file_time_type unchangedBefore = started_ - std::chrono::seconds(2);
  // The deepest first: a new folder's own entries are on the disk before its name is.
  for (auto folder = foldersWritten_.rbegin(); folder != foldersWritten_.rend(); ++folder) {
    std::error_code error;
    if (std::filesystem::last_write_time(*folder, error) < unchangedBefore && !error) continue;
    if (platform::Status flushed = platform::FlushFolder(*folder); !flushed) return flushed;
  }
  return {};
}

}  // namespace varkelo::exporting
