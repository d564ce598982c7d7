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

// Catalogue steps of the interval layout.
constexpr std::int32_t FirstRecord = 6;
constexpr std::int32_t RecordEntries = 10;
constexpr std::int32_t SlotEntries = 403;  // 40 records and the trailer
constexpr std::int32_t HalfHourEntries = 2 * SlotEntries;

// Offsets inside a meter's record.
constexpr std::int32_t FirstInterval = 0;  // 順方向1, 逆方向1, 順方向2, 順方向3
constexpr std::int32_t FirstReading = 4;   // same four directions
constexpr std::int32_t State = 8;
constexpr std::int32_t Multiplier = 9;
constexpr std::int32_t Directions = 4;

// Trailer fields, counted from the slot's first record.
constexpr std::int32_t SlotHour = 400;
constexpr std::int32_t SlotMinute = 401;
constexpr std::int32_t SlotSaveFlag = 402;

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
    slots.Own = FirstRecord + HalfHourEntries * h;
    slots.Previous = slots.Own - SlotEntries;
    slots.Next = slots.Own + SlotEntries;
    slots.PreviousSaved = slots.FromCarryOver()
                              ? SlotSaved(carry_.CarryOverSaveFlag)
                              : SlotSaved(dump_.GetFieldText(slots.Previous + SlotSaveFlag));
    slots.OwnSaved = SlotSaved(dump_.GetFieldText(slots.Own + SlotSaveFlag));
    slots.NextSaved = SlotSaved(dump_.GetFieldText(slots.Next + SlotSaveFlag));
    return slots;
  }

  // When the OwnSlot was not saved, the saved neighbour standing in for it
  // must carry a time of day; anything else means the sector is not sound.
  bool NeighbourTimeValid(const HalfHour& slots) const {
    if (slots.OwnSaved) return true;
    if (slots.PreviousSaved) {
      if (slots.FromCarryOver())
        return SlotMinuteOfDay(carry_.CarryOverHour, carry_.CarryOverMinute).has_value();
      return SlotMinuteOfDay(dump_.GetFieldText(slots.Previous + SlotHour),
                             dump_.GetFieldText(slots.Previous + SlotMinute))
          .has_value();
    }
    if (slots.NextSaved) {
      return SlotMinuteOfDay(dump_.GetFieldText(slots.Next + SlotHour),
                             dump_.GetFieldText(slots.Next + SlotMinute))
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
        previousStateRead =
            slots.PreviousSaved ? CollectionState(PreviousField(slots, m, State)) : CollectionState();
      }
      return *previousStateRead;
    };
    const CollectionState ownState =
        slots.OwnSaved ? CollectionState(dump_.GetFieldText(own + State)) : CollectionState();
    const CollectionState nextState =
        slots.NextSaved ? CollectionState(dump_.GetFieldText(next + State)) : CollectionState();

    const auto good = [](const CollectionState& state) {
      return state.BitClear(ResetBit) && state.BitClear(ReadingBit);
    };
    if (good(ownState) || good(previousState())) {
      line.Field("1");
    } else if (!slots.PreviousSaved && !slots.OwnSaved) {
      line.Missing();
    } else {
      line.Field("0");
    }

    const bool ownIntervals = ownState.BitClear(IntervalBit);
    const bool nextIntervals = nextState.BitClear(IntervalBit);
    for (std::int32_t k = 0; k < Directions; ++k) {
      std::int64_t sum = 0;
      bool any = false;
      if (ownIntervals) AddInterval(dump_.GetFieldText(own + FirstInterval + k), sum, any);
      if (nextIntervals) AddInterval(dump_.GetFieldText(next + FirstInterval + k), sum, any);
      if (any) {
        line.Number(sum);
      } else {
        line.Missing();
      }
    }

    const bool ownReadable = ownState.BitClear(ReadingBit);
    for (std::int32_t k = 0; k < Directions; ++k) {
      if (ownReadable) {
        const dump::FieldText reading = dump_.GetFieldText(own + FirstReading + k);
        if (reading != dump::ErasedLongText) {
          line.Field(reading);
          continue;
        }
      }
      if (previousState().BitClear(ReadingBit)) {
        const dump::FieldText reading = PreviousField(slots, m, FirstReading + k);
        if (reading != dump::ErasedLongText) {
          line.Field(reading);
          continue;
        }
      }
      line.Missing();
    }

    if (ownReadable) {
      const dump::FieldText multiplier = dump_.GetFieldText(own + Multiplier);
      if (!IsErasedMultiplier(multiplier)) {
        line.Field(multiplier);
        return;
      }
    }
    if (previousState().BitClear(ReadingBit)) {
      const dump::FieldText multiplier = PreviousField(slots, m, Multiplier);
      if (!IsErasedMultiplier(multiplier)) {
        line.Field(multiplier);
        return;
      }
    }
    line.Missing();
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
      for (std::int32_t m = 1; m <= MeterPositions; ++m) {
        rows.BuildRow(slots, clock, m, line);
        if (!writer.WriteLine(line.View())) return false;
      }
    }
    return true;
  });
}

}  // namespace varkelo::exporting
