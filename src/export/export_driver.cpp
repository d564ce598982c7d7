#include "export/export_driver.hpp"

#include <string>
#include <system_error>
#include <utility>

#include "export/day_files.hpp"
#include "export/meter_list.hpp"
#include "export/next_day_start.hpp"
#include "export/output_paths.hpp"
#include "export/sector_head.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::exporting {
namespace {

using dump::LastSectorBlock;

platform::Failure FailureAt(std::string what, const std::filesystem::path& path, std::error_code error = {}) {
  return {std::move(what), platform::Utf8FromPath(path), error};
}

// Why a block could not be read: the image missing, or not a file to read.
platform::Failure ImageFailure(const std::filesystem::path& imagePath, std::int32_t block) {
  std::error_code error;
  if (std::filesystem::symlink_status(imagePath, error).type() == std::filesystem::file_type::not_found) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
  }
  return FailureAt("cannot read block " + std::to_string(block) + " of", imagePath, error);
}

// Why a block names no day: past the end of a short image it reads as zeros.
platform::Failure DateFailure(const std::filesystem::path& imagePath, std::int32_t block,
                              const SectorHead& head) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(imagePath, error);
  if (!error && size < static_cast<std::uintmax_t>(block + 1) * dump::DumpBlockSize) {
    return FailureAt("the image ends before the end of block " + std::to_string(block) + ":", imagePath);
  }
  return FailureAt("block " + std::to_string(block) + " names no calendar date (" +
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

Exporter::Exporter(std::filesystem::path appFolder) : appFolder_(std::move(appFolder)) {}

ExportResult Exporter::RunExport(const std::filesystem::path& imagePath, ExportProgress& progress) {
  ExportResult result;
  try {
    dump_.PrepareCatalog(dump::Layout::Config);
    // Without a readable configuration block there is nothing to name the
    // output after: no folder and no meter list from an erased image.
    if (!dump_.LoadBlock(imagePath, dump::ConfigBlock)) {
      return Failed(std::move(result), ImageFailure(imagePath, dump::ConfigBlock));
    }
    // A program version whose first character is "1" stores half-hourly sectors.
    const std::span<const std::uint8_t> version = dump_.Text(dump::config::ProgramVersion).Bytes();
    const dump::Layout layout =
        !version.empty() && version.front() == '1' ? dump::Layout::HalfHour : dump::Layout::Interval;

    result.gatewayFolder = GatewayFolder(appFolder_, dump_.GetFieldText(dump::config::DeviceId));
    if (!EnsureFolder(result.gatewayFolder)) {
      return Failed(std::move(result), FailureAt("cannot make the folder", result.gatewayFolder));
    }
    const std::filesystem::path meterList = result.gatewayFolder / "ID.csv";
    if (!WriteMeterList(dump_, meterList))
      return Failed(std::move(result), FailureAt("cannot write", meterList));

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
    return result;
  } catch (const std::exception& e) {
    return Failed(std::move(result), FailureAt(std::string("cannot export: ") + e.what(), imagePath));
  } catch (...) {
    return Failed(std::move(result), FailureAt("cannot export", imagePath));
  }
}

std::optional<platform::Failure> Exporter::ExportBlock(const std::filesystem::path& imagePath,
                                                       std::int32_t block, dump::Layout layout,
                                                       ExportResult& result) {
  if (!dump_.LoadBlock(imagePath, block)) return ImageFailure(imagePath, block);
  const std::optional<SectorHead> stored = ReadSectorHead(dump_);
  if (!stored) return std::nullopt;
  const SectorHead& head = *stored;
  const std::filesystem::path& gatewayFolder = result.gatewayFolder;
  const std::filesystem::path dayFolder = DayFolder(gatewayFolder, head.year, head.month);
  const std::filesystem::path dayFile = DayFile(gatewayFolder, head.year, head.month, head.day);
  const bool dated = SectorDate(head.year, head.month, head.day).has_value();

  if (layout == dump::Layout::HalfHour) {
    // The month folder comes first, dated or not.
    if (!EnsureFolder(dayFolder)) return FailureAt("cannot make the folder", dayFolder);
    if (!dated) return DateFailure(imagePath, block, head);
    if (!WriteHalfHourDayFile(dump_, dayFile)) return FailureAt("cannot write", dayFile);
    ++result.dayFiles;
    return std::nullopt;
  }
  if (!dated) return DateFailure(imagePath, block, head);
  // The carry-over reads the previous day's block into the image.
  if (!LoadCarryOver(dump_, imagePath, head.year, head.month, head.day, carryOver_)) {
    return ImageFailure(imagePath, block);
  }
  if (!dump_.ReturnToBlock(imagePath, block)) return ImageFailure(imagePath, block);
  if (!EnsureFolder(dayFolder)) return FailureAt("cannot make the folder", dayFolder);
  if (!WriteIntervalDayFile(dump_, carryOver_, dayFile)) return FailureAt("cannot write", dayFile);
  ++result.dayFiles;
  if (!WriteNextDayStart(dump_, gatewayFolder, head.year, head.month, head.day)) {
    return FailureAt("cannot write the start of the day after", dayFile);
  }
  return std::nullopt;
}

}  // namespace varkelo::exporting
