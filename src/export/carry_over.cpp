#include "export/carry_over.hpp"

#include <algorithm>

namespace varkelo::exporting {

namespace interval = dump::interval;

platform::Status LoadCarryOver(dump::BlockImage& image, const std::filesystem::path& imagePath,
                               const SectorDay& day, CarryOver& carry) {
  carry = CarryOver{};
  const SectorDay previous = day.Previous();
  if (platform::Status loaded =
          image.LoadBlock(imagePath, dump::BlockOfDate(previous.Month(), previous.Day()));
      !loaded) {
    return loaded;
  }
  // The block of that date may still hold an older day, or nothing.
  const std::optional<SectorHead> head = ReadSectorHead(image);
  if (!head || !previous.IsIn(*head)) return {};
  for (std::int32_t m = 1; m <= dump::MeterCount; ++m) {
    const interval::RecordFields record(interval::LastSlot, m);
    CarryOverMeter& meter = carry.meters[static_cast<std::size_t>(m - 1)];
    for (std::int32_t k = 0; k < interval::Directions; ++k) {
      meter.readings[static_cast<std::size_t>(k)] = image.Number(record.ReadingField(k));
    }
    meter.state = image.Number(record.StateField());
    static_assert(std::tuple_size_v<decltype(meter.multiplier)> == interval::MultiplierBytes);
    std::ranges::copy(image.Bytes(record.MultiplierField()), meter.multiplier.begin());
  }
  const interval::TrailerFields trailer(interval::LastSlot);
  carry.hour = image.Number(trailer.HourField());
  carry.minute = image.Number(trailer.MinuteField());
  carry.saveFlag = image.Number(trailer.SaveFlagField());
  return {};
}

}  // namespace varkelo::exporting
