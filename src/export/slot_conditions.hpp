#pragma once

// The tests the interval writers apply to a 15-minute slot and to a meter's
// collection state in it. The slot's texts come from GetFieldText, or from the
// carry-over for the previous day's last slot.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "dump/dump_image.hpp"
#include "export/csv_line.hpp"

namespace varkelo::exporting {

// Seven U+F8F3: an erased seven-byte multiplier of the interval layout.
inline constexpr std::string_view ErasedIntervalMultiplierText =
    "\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3";

// The whole text as a decimal number, or none.
inline std::optional<std::int64_t> TextNumber(std::string_view text) {
  std::int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

// A slot whose save-complete flag is erased was never finished by the gateway.
inline bool SlotSaved(std::string_view saveFlagText) {
  return saveFlagText != dump::ErasedWordText;
}

// Bits of the collection state.
inline constexpr int ResetBit = 0;
inline constexpr int ReadingBit = 1;
inline constexpr int IntervalBit = 2;

// A meter's "収集状態" in one slot. 255 (erased) fails every bit.
class CollectionState {
 public:
  static constexpr std::int64_t Erased = 255;

  CollectionState() = default;
  // A text that is no number 0 to 254 counts as erased.
  explicit CollectionState(std::string_view text) {
    const std::optional<std::int64_t> number = TextNumber(text);
    if (number && *number >= 0 && *number < Erased) value_ = *number;
  }

  // StateBitsClear for bit 0 (reset), 1 (readings, multiplier) or 2 (interval values).
  bool BitClear(int bit) const { return value_ != Erased && (value_ & (std::int64_t{1} << bit)) == 0; }

  // Bits 0 and 1 clear: the slot counts for a "1" in column 7.
  bool CountsForReset() const { return BitClear(ResetBit) && BitClear(ReadingBit); }

 private:
  std::int64_t value_ = Erased;
};

// An erased multiplier of either width: the eight characters of an erased
// eight-byte field (and of a carry-over that found no previous day), or the
// seven of the interval layout's own field.
inline bool IsErasedMultiplier(std::string_view text) {
  return text == dump::ErasedMultiplierText || text == ErasedIntervalMultiplierText;
}

// Columns 12 to 16 of an interval row, the same in day and start files: each
// of the four readings and the multiplier of one meter from the first of
// `slots` that may show it, else "-". A slot is a callable that gives the text
// of one of the meter's record fields, or nothing when the slot may not show
// readings (not saved, or bit 1 of the meter's state set); an erased value
// counts as none. True when any of the five columns got a value.
template <typename... Slots>
bool AppendReadingsAndMultiplier(CsvLine& line, const Slots&... slots) {
  namespace interval = dump::interval;
  const auto takeFrom = [&line](const auto& slot, std::int32_t field) {
    const std::optional<dump::FieldText> value = slot(field);
    const bool erased = !value || (field == interval::Multiplier ? IsErasedMultiplier(*value)
                                                                 : *value == dump::ErasedLongText);
    if (!erased) line.Field(*value);
    return !erased;
  };
  bool any = false;
  for (std::int32_t field : {interval::Reading, interval::Reading + 1, interval::Reading + 2,
                             interval::Reading + 3, interval::Multiplier}) {
    if ((takeFrom(slots, field) || ...)) {
      any = true;
    } else {
      line.Missing();
    }
  }
  return any;
}

// Minutes after midnight of a slot's stored hour and minute, or none when
// they give no time of day (hour above 23, minute above 59, erased 255).
inline std::optional<std::int32_t> SlotMinuteOfDay(std::string_view hourText, std::string_view minuteText) {
  const std::optional<std::int64_t> hour = TextNumber(hourText);
  const std::optional<std::int64_t> minute = TextNumber(minuteText);
  if (!hour || !minute || *hour < 0 || *hour > 23 || *minute < 0 || *minute > 59) return std::nullopt;
  return static_cast<std::int32_t>(*hour * 60 + *minute);
}

}  // namespace varkelo::exporting
