#pragma once

// The tests the interval writers apply to a 15-minute slot and to a meter's
// collection state in it, on the values stored in the image, or in the
// carry-over for the previous day's last slot.

#include <array>
#include <cstdint>
#include <optional>

#include "dump/block_image.hpp"
#include "export/csv_line.hpp"

namespace varkelo::exporting {

// A slot whose save-complete flag is erased was never finished by the gateway.
inline bool SlotSaved(std::optional<std::uint16_t> saveFlag) {
  return saveFlag.has_value();
}

// Bits of the collection state: what a set bit keeps out of the row.
enum class StateBit : std::uint8_t {
  Reset = 0,           // with Readings: the reset flag's "1"
  Readings = 1,        // the readings and the multiplier
  IntervalValues = 2,  // the interval values
};

// A meter's "収集状態" in one slot; erased, or a slot not saved, fails every bit.
class CollectionState {
 public:
  CollectionState() = default;
  explicit CollectionState(std::optional<std::uint8_t> stored)
      : stored_(stored.has_value()), value_(stored.value_or(0)) {}

  // The state is not erased and the bit is 0.
  bool BitClear(StateBit bit) const { return stored_ && (value_ >> static_cast<int>(bit) & 1) == 0; }

  // Bits 0 and 1 clear: the slot counts for a "1" in column 7.
  bool CountsForReset() const { return BitClear(StateBit::Reset) && BitClear(StateBit::Readings); }

 private:
  // Held as two plain members: an optional here leaves some compilers
  // unsure that its value is set.
  bool stored_ = false;
  std::uint8_t value_ = 0;
};

// What one slot shows of one meter in columns 12 to 16: its four readings and
// its multiplier, erased where the gateway stored nothing.
struct MeterReadings {
  std::array<std::optional<std::uint32_t>, dump::interval::Directions> readings;
  dump::ByteText multiplier;
};

// The readings of a meter record.
inline MeterReadings ReadMeterReadings(const dump::BlockImage& image,
                                       const dump::interval::RecordFields& record) {
  return {{image.Number(record.ReadingField(0)), image.Number(record.ReadingField(1)),
           image.Number(record.ReadingField(2)), image.Number(record.ReadingField(3))},
          image.Text(record.MultiplierField())};
}

// Columns 12 to 16 of an interval row, the same in day and start files: each
// reading and the multiplier from the first slot that has it, else from the
// second, else "-". A slot is none when it may not show readings (not saved,
// or bit 1 of the meter's state set); `readSecond` gives the second slot and
// is called only when the first leaves a gap. True when any of the five
// columns got a value.
template <typename ReadSecond>
bool AppendReadingsAndMultiplier(CsvLine& line, const std::optional<MeterReadings>& first,
                                 ReadSecond&& readSecond) {
  std::optional<std::optional<MeterReadings>> second;
  const auto fallback = [&]() -> const std::optional<MeterReadings>& {
    if (!second) second.emplace(readSecond());
    return *second;
  };
  bool any = false;
  for (std::size_t k = 0; k < dump::interval::Directions; ++k) {
    std::optional<std::uint32_t> value;
    if (first && first->readings[k]) {
      value = first->readings[k];
    } else if (const std::optional<MeterReadings>& other = fallback()) {
      value = other->readings[k];
    }
    line.Number(value);
    any = any || value.has_value();
  }
  if (first && !first->multiplier.Erased()) {
    line.Text(first->multiplier);
  } else if (const std::optional<MeterReadings>& other = fallback(); other && !other->multiplier.Erased()) {
    line.Text(other->multiplier);
  } else {
    line.Missing();
    return any;
  }
  return true;
}

// Minutes after midnight of a slot's stored hour and minute, or none when
// they give no time of day (hour above 23, minute above 59, either erased).
inline std::optional<std::int32_t> SlotMinuteOfDay(std::optional<std::uint8_t> hour,
                                                   std::optional<std::uint8_t> minute) {
  if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
  return *hour * 60 + *minute;
}

}  // namespace varkelo::exporting
