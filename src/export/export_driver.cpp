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
    const std::int32_t SchemaId =
        version.view().starts_with("1") ? dump::HalfHourSchemaId : dump::IntervalSchemaId;

    const std::filesystem::path gatewayFolder =
        GatewayFolder(appFolder_, dump_.GetFieldText(dump::config::DeviceId));
    if (!EnsureFolder(gatewayFolder) || !WriteMeterList(dump_, gatewayFolder / "ID.csv")) {
      return ExportOutcome::CsvError;
    }

    dump_.PrepareCatalog(SchemaId);
    bool LastResult = true;
    for (std::int32_t i = dump::FirstSectorBlock; i <= LastSectorBlock; ++i) {
      progress.LetEventsRun();
      LastResult = ExportBlock(imagePath, i, SchemaId, gatewayFolder);
      if (!LastResult) i = LastSectorBlock;
      progress.OnProgress(i * 100 / LastSectorBlock);
    }
    return LastResult ? ExportOutcome::Success : ExportOutcome::CsvError;
  } catch (...) {
    return ExportOutcome::CsvError;
  }
}

bool Exporter::ExportBlock(const std::filesystem::path& imagePath, std::int32_t block, std::int32_t schemaId,
                           const std::filesystem::path& gatewayFolder) {
  if (!dump_.LoadBlock(imagePath, block)) return false;
  const SectorHead head = ReadSectorHead(dump_);
  if (head.Erased()) return true;
  const std::int32_t Year = head.Year;
  const std::int32_t Month = head.Month;
  const std::int32_t Day = head.Day;

  if (schemaId == dump::HalfHourSchemaId) {
    return EnsureFolder(DayFolder(gatewayFolder, Year, Month)) &&
           WriteHalfHourDayFile(dump_, DayFile(gatewayFolder, Year, Month, Day));
  }
  if (!LoadCarryOver(dump_, imagePath, Year, Month, Day, carryOver_)) return false;
  return dump_.LoadBlock(imagePath, block) && EnsureFolder(DayFolder(gatewayFolder, Year, Month)) &&
         WriteIntervalDayFile(dump_, carryOver_, DayFile(gatewayFolder, Year, Month, Day)) &&
         WriteNextDayStart(dump_, gatewayFolder, Year, Month, Day);
}

}  // namespace varkelo::exporting
