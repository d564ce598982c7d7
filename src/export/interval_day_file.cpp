// The day file of an interval sector: each half hour pairs two 15-minute
// slots (OwnSlot 2h, NextSlot 2h + 1), adds up their interval values, and
// takes readings and multiplier from the OwnSlot or else from the slot before
// it (PreviousSlot, at 0:00 the previous day's last slot in the carry-over).

#include <optional>
#include <stdexcept>

#include "dump/dump_image.hpp"
#include "export/carry_over.hpp"
#include "export/csv_line.hpp"
#include "export/day_file_format.hpp"
#include "export/day_files.hpp"
#include "export/slot_conditions.hpp"

namespace varkelo::exporting {
namespace {

namespace interval = dump::interval;
using interval::RecordEntries;
using interval::SlotEntries;

// The three slots of one half hour, each given by its first record's index.
struct HalfHour {
  std::int32_t Number = 0;
  std::int32_t Own = 0;
  std::int32_t Previous = 0;
  std::int32_t Next = 0;
  bool PreviousSaved = false;
  bool OwnSaved = false;
  bool NextSaved = false;

  bool FromCarryOver() const { return Number == 0; }
  // Rows get the position and the clock when any of the three slots was saved.
  bool HasTime() const { return PreviousSaved || OwnSaved || NextSaved; }
};

class IntervalRows {
 public:
  IntervalRows(const dump::Dump& dump, const CarryOver& carry) : dump_(dump), carry_(carry) {}

  HalfHour Slots(std::int32_t h) const {
    HalfHour slots;
    slots.Number = h;
    slots.Own = interval::Record(2 * h, 1);
    slots.Previous = slots.Own - SlotEntries;
    slots.Next = slots.Own + SlotEntries;
    slots.PreviousSaved = slots.FromCarryOver()
                              ? SlotSaved(carry_.CarryOverSaveFlag)
                              : SlotSaved(dump_.GetFieldText(slots.Previous + interval::TrailerSaveFlag));
    slots.OwnSaved = SlotSaved(dump_.GetFieldText(slots.Own + interval::TrailerSaveFlag));
    slots.NextSaved = SlotSaved(dump_.GetFieldText(slots.Next + interval::TrailerSaveFlag));
    return slots;
  }

  // When the OwnSlot was not saved, the saved neighbour standing in for it
  // must carry a time of day; anything else means the sector is not sound.
  bool NeighbourTimeValid(const HalfHour& slots) const {
    if (slots.OwnSaved) return true;
    if (slots.PreviousSaved) {
      if (slots.FromCarryOver())
        return SlotMinuteOfDay(carry_.CarryOverHour, carry_.CarryOverMinute).has_value();
      return SlotMinuteOfDay(dump_.GetFieldText(slots.Previous + interval::TrailerHour),
                             dump_.GetFieldText(slots.Previous + interval::TrailerMinute))
          .has_value();
    }
    if (slots.NextSaved) {
      return SlotMinuteOfDay(dump_.GetFieldText(slots.Next + interval::TrailerHour),
                             dump_.GetFieldText(slots.Next + interval::TrailerMinute))
          .has_value();
    }
    return true;
  }

  void BuildRow(const HalfHour& slots, const HalfHourClock& clock, std::int32_t m, CsvLine& line) const {
    const std::int32_t record = RecordEntries * (m - 1);
    const std::int32_t own = slots.Own + record;
    const std::int32_t next = slots.Next + record;

    line.Clear();
    if (slots.HasTime()) {
      line.Number(m);
      clock.AppendAll(line);
    } else {
      for (int column = 0; column < 6; ++column) line.Missing();
    }

    // A slot not saved counts as erased state: it fails every bit. The
    // PreviousSlot's state is read only when the OwnSlot leaves a gap.
    std::optional<CollectionState> previousStateRead;
    const auto previousState = [&]() -> const CollectionState& {
      if (!previousStateRead) {
        previousStateRead = slots.PreviousSaved ? CollectionState(PreviousField(slots, m, interval::State))
                                                : CollectionState();
      }
      return *previousStateRead;
    };
    const CollectionState ownState =
        slots.OwnSaved ? CollectionState(dump_.GetFieldText(own + interval::State)) : CollectionState();
    const CollectionState nextState =
        slots.NextSaved ? CollectionState(dump_.GetFieldText(next + interval::State)) : CollectionState();

    // Column 7 looks at the OwnSlot and the PreviousSlot: "1" when either
    // counts, "0" when one was saved but neither counts, "-" when neither was saved.
    if (ownState.CountsForReset() || previousState().CountsForReset()) {
      line.Field("1");
    } else if (!slots.PreviousSaved && !slots.OwnSaved) {
      line.Missing();
    } else {
      line.Field("0");
    }

    const bool ownIntervals = ownState.BitClear(IntervalBit);
    const bool nextIntervals = nextState.BitClear(IntervalBit);
    for (std::int32_t k = 0; k < interval::Directions; ++k) {
      std::int64_t sum = 0;
      bool any = false;
      if (ownIntervals) AddInterval(dump_.GetFieldText(own + interval::Interval + k), sum, any);
      if (nextIntervals) AddInterval(dump_.GetFieldText(next + interval::Interval + k), sum, any);
      if (any) {
        line.Number(sum);
      } else {
        line.Missing();
      }
    }

    // Readings and multiplier: the OwnSlot's, else the PreviousSlot's.
    const auto ownSlot = [&](std::int32_t field) -> std::optional<dump::FieldText> {
      if (!ownState.BitClear(ReadingBit)) return std::nullopt;
      return dump_.GetFieldText(own + field);
    };
    const auto previousSlot = [&](std::int32_t field) -> std::optional<dump::FieldText> {
      if (!previousState().BitClear(ReadingBit)) return std::nullopt;
      return PreviousField(slots, m, field);
    };
    AppendReadingsAndMultiplier(line, ownSlot, previousSlot);
  }

 private:
  // Field `field` of meter m in the PreviousSlot.
  dump::FieldText PreviousField(const HalfHour& slots, std::int32_t m, std::int32_t field) const {
    if (slots.FromCarryOver()) {
      return dump::FieldText(
          carry_.CarryOverTable[static_cast<std::size_t>(m - 1)].Fields[static_cast<std::size_t>(field)]);
    }
    return dump_.GetFieldText(slots.Previous + RecordEntries * (m - 1) + field);
  }

  static void AddInterval(const dump::FieldText& value, std::int64_t& sum, bool& any) {
    if (value == dump::ErasedWordText) return;
    const std::optional<std::int64_t> number = TextNumber(value);
    if (!number) throw std::runtime_error("interval value is no number");
    sum += *number;
    any = true;
  }

  const dump::Dump& dump_;
  const CarryOver& carry_;
};

}  // namespace

bool WriteIntervalDayFile(const dump::Dump& dump, const CarryOver& carry,
                          const std::filesystem::path& dayFile) {
  return WriteDayFileFrame(dump, dayFile, [&](HalfHourClock& clock, text::LineWriter& writer) {
    const IntervalRows rows(dump, carry);
    CsvLine line;
    for (std::int32_t h = 0; h < HalfHoursPerDay; ++h) {
      const HalfHour slots = rows.Slots(h);
      clock.SetHalfHour(h);
      if (!rows.NeighbourTimeValid(slots)) return false;
      for (std::int32_t m = 1; m <= dump::MeterCount; ++m) {
        rows.BuildRow(slots, clock, m, line);
        if (!writer.WriteLine(line.View())) return false;
      }
    }
    return true;
  });
}

}  // namespace varkelo::exporting
