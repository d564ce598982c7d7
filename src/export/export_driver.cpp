#include "export/export_driver.hpp"

#include <utility>

#include "export/day_files.hpp"
#include "export/meter_list.hpp"
#include "export/next_day_start.hpp"
#include "export/output_paths.hpp"
#include "export/sector_head.hpp"

namespace varkelo::exporting {

using dump::LastSectorBlock;

Exporter::Exporter(std::filesystem::path appFolder) : appFolder_(std::move(appFolder)) {}

ExportOutcome Exporter::RunExport(const std::filesystem::path& imagePath, ExportProgress& progress) {
  try {
    dump_.PrepareCatalog(dump::ConfigSchemaId);
    // Without a readable configuration block there is nothing to name the
    // output after: no folder and no meter list from an erased image.
    if (!dump_.LoadBlock(imagePath, dump::ConfigBlock)) return ExportOutcome::CsvError;
    const dump::FieldText version = dump_.GetFieldText(dump::config::ProgramVersion);
    const std::int32_t schemaId =
        version.view().starts_with("1") ? dump::HalfHourSchemaId : dump::IntervalSchemaId;

    const std::filesystem::path gatewayFolder =
        GatewayFolder(appFolder_, dump_.GetFieldText(dump::config::DeviceId));
    if (!EnsureFolder(gatewayFolder) || !WriteMeterList(dump_, gatewayFolder / "ID.csv")) {
      return ExportOutcome::CsvError;
    }

    dump_.PrepareCatalog(schemaId);
    bool lastResult = true;
    for (std::int32_t i = dump::FirstSectorBlock; i <= LastSectorBlock; ++i) {
      progress.LetEventsRun();
      lastResult = ExportBlock(imagePath, i, schemaId, gatewayFolder);
      // A failed block ends the loop with the bar full.
      if (!lastResult) i = LastSectorBlock;
      progress.OnProgress(i * 100 / LastSectorBlock);
    }
    return lastResult ? ExportOutcome::Success : ExportOutcome::CsvError;
  } catch (...) {
    return ExportOutcome::CsvError;
  }
}

bool Exporter::ExportBlock(const std::filesystem::path& imagePath, std::int32_t block, std::int32_t schemaId,
                           const std::filesystem::path& gatewayFolder) {
  if (!dump_.LoadBlock(imagePath, block)) return false;
  const SectorHead head = ReadSectorHead(dump_);
  if (head.Erased()) return true;
  const std::filesystem::path dayFolder = DayFolder(gatewayFolder, head.Year, head.Month);
  const std::filesystem::path dayFile = DayFile(gatewayFolder, head.Year, head.Month, head.Day);

  if (schemaId == dump::HalfHourSchemaId) {
    return EnsureFolder(dayFolder) && WriteHalfHourDayFile(dump_, dayFile);
  }
  // The carry-over reads the previous day's block; this block is loaded again after it.
  if (!LoadCarryOver(dump_, imagePath, head.Year, head.Month, head.Day, carryOver_)) return false;
  return dump_.LoadBlock(imagePath, block) && EnsureFolder(dayFolder) &&
         WriteIntervalDayFile(dump_, carryOver_, dayFile) &&
         WriteNextDayStart(dump_, gatewayFolder, head.Year, head.Month, head.Day);
}

}  // namespace varkelo::exporting
