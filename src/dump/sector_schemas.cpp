// Layouts of the measurement blocks 1 to 63: the half-hourly sector (48 slots)
// and the interval sector (96 slots). Each slot holds 40 meter groups and a
// trailer; all 63 blocks share one catalogue.

#include <span>
#include <string>

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"

namespace varkelo::dump {

namespace {

constexpr std::int32_t HalfHourSlots = 48;
constexpr std::int32_t IntervalSlots = 96;

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

// Slots h = 0, 1, ...: 40 meter groups, section "S[n]-Hour[h]-ID[j]", then
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
  RegisterSlots(*this, sectionNumber, HalfHourSlots, HalfHourGroup, HalfHourTrailer);
}

void Dump::BuildIntervalSchema(std::int32_t sectionNumber) {
  ClearCatalog();
  RegisterFlashHead(sectionNumber);
  RegisterSlots(*this, sectionNumber, IntervalSlots, IntervalGroup, IntervalTrailer);
}

}  // namespace varkelo::dump
