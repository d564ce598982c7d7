// The tree the export writes from sample images, read back through the page's
// reader: every value the page takes from a day file is the image's.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "dump/block_image.hpp"
#include "dump/field_text.hpp"
#include "export/export_driver.hpp"
#include "lib/sample_image.hpp"
#include "page/gateway_tree.hpp"
#include "temp_folder.hpp"

namespace varkelo {
namespace {

namespace halfhour = dump::halfhour;
namespace interval = dump::interval;

class NoProgress : public exporting::ExportProgress {
  void LetEventsRun() override {}
  bool StopRequested() override { return false; }
  void OnProgress(int) override {}
};

// A row's use of meter m in half hour h, from the image of the day: an
// interval row adds up two 15-minute slots, saved and with bit 2 of the
// collection state clear.
std::int64_t UseOf(const dump::BlockImage& image, bool halfHourly, int h, int m) {
  std::optional<std::int64_t> sum;
  if (halfHourly) {
    if (const auto use = image.Number(halfhour::RecordFields(h, m).ConsumptionField(0))) sum = *use;
  }
  for (const int slot : {2 * h, 2 * h + 1}) {
    if (halfHourly || !image.Number(interval::TrailerFields(slot).SaveFlagField())) continue;
    const interval::RecordFields record(slot, m);
    const std::optional<std::uint8_t> state = image.Number(record.StateField());
    const std::optional<std::uint16_t> use = image.Number(record.IntervalField(0));
    if (state && (*state & 4) == 0 && use) sum = sum.value_or(0) + *use;
  }
  return sum.value_or(page::NoValue);
}

// The first multiplier of the day that is neither erased nor empty, as the
// page takes it; the half-hourly rows show each record's own.
std::string HalfHourMultiplier(const dump::BlockImage& image, int m) {
  for (int h = 0; h < halfhour::Slots; ++h) {
    const dump::ByteText text = image.Text(halfhour::RecordFields(h, m).MultiplierField());
    if (!text.Erased() && !text.Empty()) return dump::DecodeByteText(text).Str();
  }
  return "";
}

TEST(CsvRoundTripTest, ThePageReadsTheImagesValuesFromTheExportedTree) {
  for (const bool halfHourly : {true, false}) {
    SCOPED_TRACE(halfHourly ? "half-hourly" : "interval");
    TempFolder temp;
    tools::SampleOptions options;
    options.layout = halfHourly ? tools::SampleLayout::HalfHour : tools::SampleLayout::Interval;
    options.configuredMeters = dump::MeterCount - 2;
    ASSERT_TRUE(tools::WriteSampleImage(options, temp.Path() / "read.nmd"));
    NoProgress progress;
    const exporting::ExportResult exported =
        exporting::Exporter(temp.Path()).RunExport(temp.Path() / "read.nmd", progress);
    ASSERT_EQ(exported.outcome, exporting::ExportOutcome::Success) << exported.failure.Describe();

    const page::GatewayTree tree = page::ReadGatewayTree(exported.gatewayFolder, "report.html");
    EXPECT_TRUE(tree.skipped.empty());
    EXPECT_EQ(tree.meterInfo.size(), std::size_t{dump::MeterCount});
    int dayFiles = 0;
    dump::BlockImage image;
    // A start file holds no use of its own.
    for (const page::DayValues& day : tree.days) {
      const bool start = day.kind == page::DayFileKind::NextDayStart;
      dayFiles += start ? 0 : 1;
      ASSERT_TRUE(image.LoadBlock(temp.Path() / "read.nmd", dump::BlockOfDate(day.date.month, day.date.day)));
      for (int m = 1; m <= dump::MeterCount; ++m) {
        const page::MeterDay& meter = day.meters[static_cast<std::size_t>(m - 1)];
        for (int h = 0; h < halfhour::Slots; ++h) {
          ASSERT_EQ(meter.consumption[static_cast<std::size_t>(h)],
                    start ? page::NoValue : UseOf(image, halfHourly, h, m))
              << day.date.day << " " << m << " " << h;
        }
        if (halfHourly) {
          EXPECT_EQ(meter.multiplier, HalfHourMultiplier(image, m)) << day.date.day << " " << m;
        }
      }
    }
    EXPECT_EQ(dayFiles, exported.dayFiles);
  }
}

}  // namespace
}  // namespace varkelo
