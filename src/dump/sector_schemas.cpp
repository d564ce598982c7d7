// Layouts of the measurement blocks: the half-hourly sector and the interval
// sector (halfhour:: and interval:: in layout.hpp). Each slot holds a group
// per meter position and a trailer; all sector blocks share one catalogue.

#include <span>
#include <string>

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"
#include "dump/layout.hpp"

namespace varkelo::dump {

namespace {

constexpr FieldSpec HalfHourGroup[] = {
    {"UC", 1, 0, "収集ID"},
    {"UC", 1, 0, "年"},
    {"UC", 1, 0, "月"},
    {"UC", 1, 0, "日"},
    {"UC", 1, 0, "時"},
    {"UC", 1, 0, "分"},
    {"US", 2, 0, "リセットフラグ"},
    {"UL", 4, 0, "30分使用電力量(順方向1)"},
    {"UL", 4, 0, "30分使用電力量(逆方向1)"},
    {"UL", 4, 0, "30分使用電力量(順方向2)"},
    {"UL", 4, 0, "30分使用電力量(順方向3)"},
    {"UL", 4, 0, "30分使用電力量(順方向4)"},
    {"UL", 4, 0, "30分使用電力量(順方向5)"},
    {"UL", 4, 0, "積算電力量(順方向1)"},
    {"UL", 4, 0, "積算電力量(逆方向1)"},
    {"UL", 4, 0, "積算電力量(順方向2)"},
    {"UL", 4, 0, "積算電力量(順方向3)"},
    {"UL", 4, 0, "積算電力量(順方向4)"},
    {"UL", 4, 0, "積算電力量(順方向5)"},
    {"UC", 4, 1, "計器状態"},
    {"UC", 8, 2, "乗率"},
};

// The save-complete flag is four bytes here, two in the interval layout.
constexpr FieldSpec HalfHourTrailer[] = {
    {"UL", 4, 0, "保存完了フラグ"},
};

// No date or time per group: the slot trailer carries hour and minute. The
// multiplier is seven bytes, one fewer than in the half-hourly group.
constexpr FieldSpec IntervalGroup[] = {
    {"US", 2, 0, "区間使用電力量(順方向1)"},
    {"US", 2, 0, "区間使用電力量(逆方向1)"},
    {"US", 2, 0, "区間使用電力量(順方向2)"},
    {"US", 2, 0, "区間使用電力量(順方向3)"},
    {"UL", 4, 0, "積算電力量(順方向1)"},
    {"UL", 4, 0, "積算電力量(逆方向1)"},
    {"UL", 4, 0, "積算電力量(順方向2)"},
    {"UL", 4, 0, "積算電力量(順方向3)"},
    {"UC", 1, 0, "収集状態"},
    {"UC", 7, 2, "乗率"},
};

constexpr FieldSpec IntervalTrailer[] = {
    {"UC", 1, 0, "時"},
    {"UC", 1, 0, "分"},
    {"US", 2, 0, "保存完了フラグ"},
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
void RegisterSlots(Dump& dump, std::int32_t sectionNumber, std::int32_t slots,
                   std::span<const FieldSpec> group, std::span<const FieldSpec> trailer) {
  const std::string prefix = "S[" + std::to_string(sectionNumber) + "]";
  for (std::int32_t h = 0; h < slots; ++h) {
    const std::string hour = "Hour[" + std::to_string(h) + "]";
    for (std::int32_t j = 1; j <= MeterCount; ++j) {
      const std::string section = prefix + "-" + hour + "-ID[" + std::to_string(j) + "]";
      RegisterFields(dump, group, section);
    }
    RegisterFields(dump, trailer, prefix + hour);
  }
}

}  // namespace

void Dump::BuildHalfHourSchema(std::int32_t sectionNumber) {
  ClearCatalog();
  RegisterFlashHead(sectionNumber);
  RegisterSlots(*this, sectionNumber, halfhour::Slots, HalfHourGroup, HalfHourTrailer);
}

void Dump::BuildIntervalSchema(std::int32_t sectionNumber) {
  ClearCatalog();
  RegisterFlashHead(sectionNumber);
  RegisterSlots(*this, sectionNumber, interval::Slots, IntervalGroup, IntervalTrailer);
}

}  // namespace varkelo::dump
