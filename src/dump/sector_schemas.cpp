// Layouts of the measurement blocks: the half-hourly sector and the interval
// sector (halfhour:: and interval:: in layout.hpp). Each slot holds a group
// per meter position and a trailer; all sector blocks share one catalogue.

#include <span>

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"
#include "dump/layout.hpp"

namespace varkelo::dump {

namespace {

constexpr FieldSpec HalfHourGroup[] = {
    ByteField("収集ID"),
    ByteField("年"),
    ByteField("月"),
    ByteField("日"),
    ByteField("時"),
    ByteField("分"),
    WordField("リセットフラグ"),
    LongField("30分使用電力量(順方向1)"),
    LongField("30分使用電力量(逆方向1)"),
    LongField("30分使用電力量(順方向2)"),
    LongField("30分使用電力量(順方向3)"),
    LongField("30分使用電力量(順方向4)"),
    LongField("30分使用電力量(順方向5)"),
    LongField("積算電力量(順方向1)"),
    LongField("積算電力量(逆方向1)"),
    LongField("積算電力量(順方向2)"),
    LongField("積算電力量(順方向3)"),
    LongField("積算電力量(順方向4)"),
    LongField("積算電力量(順方向5)"),
    {TypeCode::Unsigned8, 4, FieldKind::StatusText, "計器状態"},
    TextField(8, "乗率"),
};

// The save-complete flag is four bytes here, two in the interval layout.
constexpr FieldSpec HalfHourTrailer[] = {
    LongField("保存完了フラグ"),
};

// No date or time per group: the slot trailer carries hour and minute. The
// multiplier is seven bytes, one fewer than in the half-hourly group.
constexpr FieldSpec IntervalGroup[] = {
    WordField("区間使用電力量(順方向1)"),
    WordField("区間使用電力量(逆方向1)"),
    WordField("区間使用電力量(順方向2)"),
    WordField("区間使用電力量(順方向3)"),
    LongField("積算電力量(順方向1)"),
    LongField("積算電力量(逆方向1)"),
    LongField("積算電力量(順方向2)"),
    LongField("積算電力量(順方向3)"),
    ByteField("収集状態"),
    TextField(interval::MultiplierBytes, "乗率"),
};

constexpr FieldSpec IntervalTrailer[] = {
    ByteField("時"),
    ByteField("分"),
    WordField("保存完了フラグ"),
};

static_assert(std::size(HalfHourGroup) == halfhour::RecordEntries);
static_assert(MeterCount * halfhour::RecordEntries + std::ssize(HalfHourTrailer) == halfhour::SlotEntries);
static_assert(LabelIs(HalfHourGroup, halfhour::CollectionId, "収集ID") &&
              LabelIs(HalfHourGroup, halfhour::Clock, "年") &&
              LabelIs(HalfHourGroup, halfhour::ResetFlag, "リセットフラグ") &&
              LabelIs(HalfHourGroup, halfhour::Consumption, "30分使用電力量(順方向1)") &&
              LabelIs(HalfHourGroup, halfhour::Reading, "積算電力量(順方向1)") &&
              LabelIs(HalfHourGroup, halfhour::Status, "計器状態") &&
              LabelIs(HalfHourGroup, halfhour::Multiplier, "乗率"));

static_assert(std::size(IntervalGroup) == interval::RecordEntries);
static_assert(MeterCount * interval::RecordEntries + std::ssize(IntervalTrailer) == interval::SlotEntries);
static_assert(LabelIs(IntervalGroup, interval::Interval, "区間使用電力量(順方向1)") &&
              LabelIs(IntervalGroup, interval::Reading, "積算電力量(順方向1)") &&
              LabelIs(IntervalGroup, interval::State, "収集状態") &&
              LabelIs(IntervalGroup, interval::Multiplier, "乗率"));
static_assert(LabelIs(IntervalTrailer, 0, "時") &&
              LabelIs(IntervalTrailer, interval::TrailerMinute - interval::TrailerHour, "分") &&
              LabelIs(IntervalTrailer, interval::TrailerSaveFlag - interval::TrailerHour, "保存完了フラグ"));

// Slots h = 0, 1, ...: a group per meter position, section "S[n]-Hour[h]-ID[j]", then
// the slot trailer, whose section has no "-" after "S[n]".
void RegisterSlots(Dump& dump, std::int32_t slots, std::span<const FieldSpec> group,
                   std::span<const FieldSpec> trailer) {
  for (std::int16_t h = 0; h < slots; ++h) {
    for (std::int16_t j = 1; j <= MeterCount; ++j) RegisterFields(dump, group, {"-Hour", h, j});
    RegisterFields(dump, trailer, {"Hour", h});
  }
}

}  // namespace

void Dump::BuildSectorSchema(Layout layout) {
  ClearCatalog(layout);
  RegisterFlashHead();
  if (layout == Layout::HalfHour) {
    RegisterSlots(*this, halfhour::Slots, HalfHourGroup, HalfHourTrailer);
  } else {
    RegisterSlots(*this, interval::Slots, IntervalGroup, IntervalTrailer);
  }
}

}  // namespace varkelo::dump
