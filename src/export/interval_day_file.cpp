// The day file of an interval sector: each half hour pairs two 15-minute
// slots (own slot 2h and next slot 2h + 1), adds up their interval
// values, and takes readings and multiplier from the own slot or else from the
// slot before it (the previous slot; at 0:00 the previous day's last slot,
// from the carry-over).

#include <cassert>
#include <optional>
#include <string>

#include "dump/block_image.hpp"
#include "export/carry_over.hpp"
#include "export/csv_line.hpp"
#include "export/day_file_format.hpp"
#include "export/day_files.hpp"
#include "export/export_failure.hpp"
#include "export/slot_conditions.hpp"

namespace varkelo::exporting {
namespace {

namespace interval = dump::interval;

// The three slots of one half hour; at 0:00 the previous one is the carry-over's.
struct HalfHour {
  std::int32_t number = 0;
  std::int32_t own = 0;
  std::int32_t previous = 0;
  std::int32_t next = 0;
  bool previousSaved = false;
  bool ownSaved = false;
  bool nextSaved = false;

  bool FromCarryOver() const { return number == 0; }
  // Rows get the position and the clock when any of the three slots was saved.
  bool HasTime() const { return previousSaved || ownSaved || nextSaved; }
};

class IntervalRows {
 public:
  IntervalRows(const dump::BlockImage& image, const CarryOver& carry) : image_(image), carry_(carry) {}

  HalfHour Slots(std::int32_t h) const {
    HalfHour slots;
    slots.number = h;
    slots.own = 2 * h;
    slots.previous = slots.own - 1;
    slots.next = slots.own + 1;
    slots.previousSaved = slots.FromCarryOver() ? SlotSaved(carry_.saveFlag) : SaveFlagOf(slots.previous);
    slots.ownSaved = SaveFlagOf(slots.own);
    slots.nextSaved = SaveFlagOf(slots.next);
    return slots;
  }

  // When the own slot was not saved, the saved neighbour standing in for it
  // must carry a time of day; anything else means the sector is not sound.
  bool NeighbourTimeValid(const HalfHour& slots) const {
    if (slots.ownSaved) return true;
    if (slots.previousSaved) {
      if (slots.FromCarryOver()) return SlotMinuteOfDay(carry_.hour, carry_.minute).has_value();
      return TimeOf(slots.previous).has_value();
    }
    if (slots.nextSaved) return TimeOf(slots.next).has_value();
    return true;
  }

  void BuildRow(const HalfHour& slots, const HalfHourClock& clock, std::int32_t m, CsvLine& line) const {
    const interval::RecordFields own(slots.own, m);
    const interval::RecordFields next(slots.next, m);

    line.Clear();
    if (slots.HasTime()) {
      line.Number(static_cast<std::uint64_t>(m));
      clock.AppendAll(line);
    } else {
      for (int column = 0; column < 6; ++column) line.Missing();
    }

    // A slot not saved counts as an erased state: it fails every bit.
    const CollectionState previousState =
        slots.previousSaved ? CollectionState(PreviousState(slots, m)) : CollectionState();
    const CollectionState ownState =
        slots.ownSaved ? CollectionState(image_.Number(own.StateField())) : CollectionState();
    const CollectionState nextState =
        slots.nextSaved ? CollectionState(image_.Number(next.StateField())) : CollectionState();

    assert(line.Next() == csv::Column::ResetFlag);
    // Column 7 looks at the own slot and the previous slot: "1" when either
    // counts, "0" when one was saved but neither counts, "-" when neither was saved.
    if (ownState.CountsForReset() || previousState.CountsForReset()) {
      line.Field("1");
    } else if (!slots.previousSaved && !slots.ownSaved) {
      line.Missing();
    } else {
      line.Field("0");
    }

    const bool ownIntervals = ownState.BitClear(StateBit::IntervalValues);
    const bool nextIntervals = nextState.BitClear(StateBit::IntervalValues);
    for (std::int32_t k = 0; k < interval::Directions; ++k) {
      const std::optional<std::uint16_t> ownPart =
          ownIntervals ? image_.Number(own.IntervalField(k)) : std::nullopt;
      const std::optional<std::uint16_t> nextPart =
          nextIntervals ? image_.Number(next.IntervalField(k)) : std::nullopt;
      if (ownPart || nextPart) {
        line.Number(std::uint64_t{ownPart.value_or(0)} + nextPart.value_or(0));
      } else {
        line.Missing();
      }
    }

    // Readings and multiplier: the own slot's, else the previous slot's.
    assert(line.Next() == csv::Column::Reading1Forward);
    std::optional<MeterReadings> ownReadings;
    if (ownState.BitClear(StateBit::Readings)) ownReadings = ReadMeterReadings(image_, own);
    AppendReadingsAndMultiplier(line, ownReadings, [&]() -> std::optional<MeterReadings> {
      if (!previousState.BitClear(StateBit::Readings)) return std::nullopt;
      return PreviousReadings(slots, m);
    });
  }

 private:
  bool SaveFlagOf(std::int32_t slot) const {
    return SlotSaved(image_.Number(interval::TrailerFields(slot).SaveFlagField()));
  }
  std::optional<std::int32_t> TimeOf(std::int32_t slot) const {
    const interval::TrailerFields trailer(slot);
    return SlotMinuteOfDay(image_.Number(trailer.HourField()), image_.Number(trailer.MinuteField()));
  }

  // Meter m's collection state and readings in the previous slot.
  std::optional<std::uint8_t> PreviousState(const HalfHour& slots, std::int32_t m) const {
    if (slots.FromCarryOver()) return carry_.meters[static_cast<std::size_t>(m - 1)].state;
    return image_.Number(interval::RecordFields(slots.previous, m).StateField());
  }
  MeterReadings PreviousReadings(const HalfHour& slots, std::int32_t m) const {
    if (slots.FromCarryOver()) {
      const CarryOverMeter& meter = carry_.meters[static_cast<std::size_t>(m - 1)];
      return {meter.readings, dump::ByteText(meter.multiplier)};
    }
    return ReadMeterReadings(image_, interval::RecordFields(slots.previous, m));
  }

  const dump::BlockImage& image_;
  const CarryOver& carry_;
};

}  // namespace

platform::Status WriteIntervalDayFile(const dump::BlockImage& image, const SectorDay& day,
                                      const CarryOver& carry, const std::filesystem::path& dayFile) {
  return WriteDayFileFrame(day, dayFile, [&](HalfHourClock& clock, text::LineWriter& writer) {
    const IntervalRows rows(image, carry);
    CsvLine line;
    for (std::int32_t h = 0; h < HalfHoursPerDay; ++h) {
      const HalfHour slots = rows.Slots(h);
      clock.SetHalfHour(h);
      if (!rows.NeighbourTimeValid(slots)) {
        return platform::Status(ExportFailure("a saved slot standing in at half hour " + std::to_string(h) +
                                                  " has no time of day: cannot write",
                                              dayFile));
      }
      for (std::int32_t m = 1; m <= dump::MeterCount; ++m) {
        rows.BuildRow(slots, clock, m, line);
        if (platform::Status written = writer.WriteEncodedLine(line.View()); !written) return written;
      }
    }
    return platform::Status();
  });
}

}  // namespace varkelo::exporting
