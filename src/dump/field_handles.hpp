#pragma once

// Handles of the fields the export reads, made from the layout tables: each
// names where a field lies in a block and what it is (a number of its exact
// width, or a single-byte text of its length). A handle can only be made for
// a field of that kind inside the block, so reading through one cannot fail.

#include <cassert>
#include <concepts>
#include <cstdint>
#include <span>

#include "dump/field_tables.hpp"
#include "dump/layout.hpp"

namespace varkelo::dump {

template <std::unsigned_integral T>
class NumberAt {
 public:
  constexpr std::int32_t Offset() const { return offset_; }

 private:
  friend class FieldPlace;
  constexpr explicit NumberAt(std::int32_t offset) : offset_(offset) {}
  std::int32_t offset_;
};

class TextAt {
 public:
  constexpr std::int32_t Offset() const { return offset_; }
  constexpr std::int16_t Length() const { return length_; }

 private:
  friend class FieldPlace;
  constexpr TextAt(std::int32_t offset, std::int16_t length) : offset_(offset), length_(length) {}
  std::int32_t offset_;
  std::int16_t length_;
};

// Makes the handles of field `Index` of table `Fields` (or of field `Index` +
// k of a run of Run alike fields), in a group that starts at byte `group` of
// the block; checks when compiled that the fields are of that kind and width.
class FieldPlace {
 public:
  template <std::unsigned_integral T, const auto& Fields, std::size_t Index, std::int32_t Run = 1>
  static constexpr NumberAt<T> Number(std::int32_t group, std::int32_t k = 0) {
    static_assert(NumbersOf<T>(Fields, Index, Run));
    assert(k >= 0 && k < Run);
    return NumberAt<T>(group + OffsetIn(Fields, Index) + k * static_cast<std::int32_t>(sizeof(T)));
  }
  template <const auto& Fields, std::size_t Index>
  static constexpr TextAt Text(std::int32_t group) {
    static_assert(Fields[Index].kind != FieldKind::Number && Fields[Index].kind != FieldKind::TagText);
    return TextAt(group + OffsetIn(Fields, Index), Fields[Index].length);
  }

 private:
  template <typename T>
  static constexpr bool NumbersOf(std::span<const FieldSpec> fields, std::size_t index, std::int32_t run) {
    for (std::size_t i = index; i < index + static_cast<std::size_t>(run); ++i) {
      if (i >= fields.size() || fields[i].kind != FieldKind::Number || fields[i].length != sizeof(T))
        return false;
    }
    return true;
  }
};

namespace head {
inline constexpr NumberAt<std::uint8_t> YearField = FieldPlace::Number<std::uint8_t, FlashHead, Year>(0);
inline constexpr NumberAt<std::uint8_t> MonthField = FieldPlace::Number<std::uint8_t, FlashHead, Month>(0);
inline constexpr NumberAt<std::uint8_t> DayField = FieldPlace::Number<std::uint8_t, FlashHead, Day>(0);
inline constexpr std::int32_t Bytes = BytesOf(FlashHead);
}  // namespace head

namespace config {
inline constexpr std::int32_t MainInfoOffset = head::Bytes + NetworkFields + BytesOf(ConfigCenter);
inline constexpr TextAt ProgramVersionField =
    FieldPlace::Text<ConfigMainInfo, ProgramVersion - DataVersion>(MainInfoOffset);
inline constexpr TextAt DeviceIdField =
    FieldPlace::Text<ConfigMainInfo, DeviceId - DataVersion>(MainInfoOffset);
inline constexpr std::int32_t MeterTableOffset =
    MainInfoOffset + BytesOf(ConfigMainInfo) + BytesOf(ConfigHardData) + MeterCount;

// The fields of meter position m (1 to MeterCount) in the meter table.
class MeterFields {
 public:
  constexpr explicit MeterFields(std::int32_t m) : group_(MeterTableOffset + BytesOf(ConfigMeter) * (m - 1)) {
    assert(m >= 1 && m <= MeterCount);
  }
  constexpr TextAt MakerField() const { return FieldPlace::Text<ConfigMeter, Maker>(group_); }
  constexpr NumberAt<std::uint16_t> YearMadeField() const {
    return FieldPlace::Number<std::uint16_t, ConfigMeter, YearMade>(group_);
  }
  constexpr TextAt TypeTextField() const { return FieldPlace::Text<ConfigMeter, TypeText>(group_); }
  constexpr TextAt NumberField() const { return FieldPlace::Text<ConfigMeter, Number>(group_); }

 private:
  std::int32_t group_;
};
}  // namespace config

namespace halfhour {
inline constexpr std::int32_t SlotBytes = MeterCount * BytesOf(HalfHourGroup) + BytesOf(HalfHourTrailer);
static_assert(head::Bytes + Slots * SlotBytes == Bytes);
// Columns show the first four of the six directions.
inline constexpr std::int32_t ShownDirections = 4;

// The record of meter position m (1 to MeterCount) in slot s (0 to Slots - 1).
class RecordFields {
 public:
  constexpr RecordFields(std::int32_t slot, std::int32_t m)
      : group_(head::Bytes + SlotBytes * slot + BytesOf(HalfHourGroup) * (m - 1)) {
    assert(slot >= 0 && slot < Slots && m >= 1 && m <= MeterCount);
  }
  constexpr NumberAt<std::uint8_t> CollectionIdField() const {
    return FieldPlace::Number<std::uint8_t, HalfHourGroup, CollectionId>(group_);
  }
  // 年, 月, 日, 時, 分: part 0 to 4.
  constexpr NumberAt<std::uint8_t> ClockField(std::int32_t part) const {
    return FieldPlace::Number<std::uint8_t, HalfHourGroup, Clock, 5>(group_, part);
  }
  constexpr NumberAt<std::uint16_t> ResetFlagField() const {
    return FieldPlace::Number<std::uint16_t, HalfHourGroup, ResetFlag>(group_);
  }
  // Direction k, 0 to ShownDirections - 1.
  constexpr NumberAt<std::uint32_t> ConsumptionField(std::int32_t k) const {
    return FieldPlace::Number<std::uint32_t, HalfHourGroup, Consumption, ShownDirections>(group_, k);
  }
  constexpr NumberAt<std::uint32_t> ReadingField(std::int32_t k) const {
    return FieldPlace::Number<std::uint32_t, HalfHourGroup, Reading, ShownDirections>(group_, k);
  }
  constexpr TextAt MultiplierField() const { return FieldPlace::Text<HalfHourGroup, Multiplier>(group_); }

 private:
  std::int32_t group_;
};
}  // namespace halfhour

namespace interval {
inline constexpr std::int32_t SlotBytes = MeterCount * BytesOf(IntervalGroup) + BytesOf(IntervalTrailer);
static_assert(head::Bytes + Slots * SlotBytes == Bytes);

// The record of meter position m (1 to MeterCount) in slot s (0 to Slots - 1).
class RecordFields {
 public:
  constexpr RecordFields(std::int32_t slot, std::int32_t m)
      : group_(head::Bytes + SlotBytes * slot + BytesOf(IntervalGroup) * (m - 1)) {
    assert(slot >= 0 && slot < Slots && m >= 1 && m <= MeterCount);
  }
  // Direction k, 0 to Directions - 1.
  constexpr NumberAt<std::uint16_t> IntervalField(std::int32_t k) const {
    return FieldPlace::Number<std::uint16_t, IntervalGroup, Interval, Directions>(group_, k);
  }
  constexpr NumberAt<std::uint32_t> ReadingField(std::int32_t k) const {
    return FieldPlace::Number<std::uint32_t, IntervalGroup, Reading, Directions>(group_, k);
  }
  constexpr NumberAt<std::uint8_t> StateField() const {
    return FieldPlace::Number<std::uint8_t, IntervalGroup, State>(group_);
  }
  constexpr TextAt MultiplierField() const { return FieldPlace::Text<IntervalGroup, Multiplier>(group_); }

 private:
  std::int32_t group_;
};

// The trailer of slot s (0 to Slots - 1): its time and save-complete flag.
class TrailerFields {
 public:
  constexpr explicit TrailerFields(std::int32_t slot)
      : trailer_(head::Bytes + SlotBytes * slot + MeterCount * BytesOf(IntervalGroup)) {
    assert(slot >= 0 && slot < Slots);
  }
  constexpr NumberAt<std::uint8_t> HourField() const {
    return FieldPlace::Number<std::uint8_t, IntervalTrailer, 0>(trailer_);
  }
  constexpr NumberAt<std::uint8_t> MinuteField() const {
    return FieldPlace::Number<std::uint8_t, IntervalTrailer, TrailerMinute - TrailerHour>(trailer_);
  }
  constexpr NumberAt<std::uint16_t> SaveFlagField() const {
    return FieldPlace::Number<std::uint16_t, IntervalTrailer, TrailerSaveFlag - TrailerHour>(trailer_);
  }

 private:
  std::int32_t trailer_;
};
}  // namespace interval

}  // namespace varkelo::dump
