#include "sample_image.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <string_view>

#include "dump/dump_image.hpp"

namespace varkelo::tools {

namespace {

namespace chrono = std::chrono;

constexpr std::size_t BlockSize = varkelo::dump::DumpBlockSize;
constexpr int MeterPositions = 40;
constexpr std::uint8_t Erased = 0xFF;
static_assert(SampleImageSize == BlockSize * SampleBlockCount);

// Configuration block.
constexpr std::size_t ConfigMeterTable = 188;
constexpr std::size_t ConfigMeterEntrySize = 36;
constexpr std::size_t ConfigTags = 1628;
constexpr std::size_t ConfigTagSize = 52;
// Positions after the configured ones whose table entry and tag the setting
// software cleared to 0x00; the positions after them were never written.
constexpr int ClearedPositions = 3;

// Sectors.
constexpr std::size_t SectorHeadSize = 8;
constexpr std::size_t IntervalSlotSize = 1284;
constexpr std::size_t IntervalGroupSize = 32;
constexpr std::size_t IntervalMultiplierSize = 7;
constexpr std::size_t HalfHourSlotSize = 2724;
constexpr std::size_t HalfHourGroupSize = 68;
constexpr std::size_t MultiplierSize = 8;
constexpr std::uint16_t DeviceNumber = 1;

// Portable draws: the engine's output is fixed by the standard, the
// distributions of the standard library are not.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(engine_() % bound); }

 private:
  std::mt19937 engine_;
};

void PutU8(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
}

void PutU16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The text's bytes, then 0x00 up to the width (a text of the full width has no terminator).
void PutText(std::uint8_t* at, std::size_t width, std::string_view text) {
  const std::size_t length = std::min(width, text.size());
  std::copy_n(text.begin(), length, at);
  std::fill(at + length, at + width, std::uint8_t{0});
}

chrono::sys_days ToDays(const SampleDate& date) {
  return chrono::year_month_day{chrono::year{date.Year}, chrono::month{static_cast<unsigned>(date.Month)},
                                chrono::day{static_cast<unsigned>(date.Day)}};
}

SampleDate ToDate(chrono::year_month_day ymd) {
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

SampleDate ToDate(chrono::sys_days days) {
  return ToDate(chrono::year_month_day{days});
}

SampleDate FirstDate(const SampleOptions& options) {
  return {2000 + options.FirstYear, options.FirstMonth, options.FirstDay};
}

int SlotsPerDay(SampleLayout layout) {
  return layout == SampleLayout::HalfHour ? SampleSlotsPerDayHalfHour : SampleSlotsPerDayInterval;
}

// --- Meters ---------------------------------------------------------------

struct Meter {
  int Position = 0;
  char Maker = 'A';
  int TypeCode = 1;
  std::string_view TypeText;
  int MaxDigits = 6;
  int Year = 2010;  // four digits; the table holds some as two
  std::string Number;
  std::string_view Multiplier;
  bool Solar = false;          // feeds back: reverse consumption by day
  bool ExtraChannels = false;  // forward 2 and 3 in use
  std::uint32_t BaseLoad = 0;  // per 15 minutes
  // Forward 1, reverse 1, forward 2 to 5.
  std::array<std::uint32_t, 6> Readings{};
};

std::vector<Meter> MakeMeters(const SampleOptions& options, Random& random) {
  static const std::array<std::string_view, 3> typeTexts = {"1P2W", "1P3W", "3P3W"};
  static const std::array<std::string_view, 4> multipliers = {"1", "10", "1", "0.5"};
  static const std::string_view makers = "ADHKMT";
  std::vector<Meter> meters;
  for (int position = 1; position <= options.ConfiguredMeters; ++position) {
    Meter meter;
    meter.Position = position;
    meter.Maker = makers[random.Below(static_cast<std::uint32_t>(makers.size()))];
    meter.TypeCode = 1 + static_cast<int>(random.Below(3));
    meter.TypeText = typeTexts[static_cast<std::size_t>(meter.TypeCode - 1)];
    meter.MaxDigits = 6 + static_cast<int>(random.Below(2));
    meter.Year = 2006 + static_cast<int>(random.Below(7));
    meter.Number = std::to_string(1000000000u + random.Below(900000000u));
    meter.Multiplier = multipliers[static_cast<std::size_t>((position - 1) % 4)];
    meter.Solar = position % 5 == 0;
    meter.ExtraChannels = position % 3 == 0;
    meter.BaseLoad = 5 + random.Below(120);
    meter.Readings[0] = 100000 + random.Below(5000000);
    meter.Readings[1] = meter.Solar ? random.Below(200000) : 0;
    meter.Readings[2] = meter.ExtraChannels ? random.Below(1000000) : 0;
    meter.Readings[3] = meter.ExtraChannels ? random.Below(100000) : 0;
    meters.push_back(std::move(meter));
  }
  return meters;
}

// Meter tag names in Shift-JIS.
std::string TagOf(int position) {
  static const std::array<std::string_view, 12> names = {
      "\x83\x65\x83\x58\x83\x67",                  // テスト
      "\x8E\x96\x96\xB1\x8F\x8A\x31\x46",          // 事務所1F
      "\x91\x71\x8C\xC9",                          // 倉庫
      "\x8B\xF3\x92\xB2\x8B\x40",                  // 空調機
      "\x91\xBE\x97\x7A\x8C\xF5",                  // 太陽光
      "\x8F\xC6\x96\xBE",                          // 照明
      "\x90\x7E\x96\x5B",                          // 厨房
      "\x83\x7C\x83\x93\x83\x76\x8E\xBA",          // ポンプ室
      "\x32\x46\x89\xEF\x8B\x63\x8E\xBA",          // 2F会議室
      "\x93\x58\x95\xDC",                          // 店舗
      "\x8E\xF3\x93\x64",                          // 受電
      "\x83\x47\x83\x8C\x83\x78\x81\x5B\x83\x5E",  // エレベータ
  };
  std::string tag(names[static_cast<std::size_t>(position - 1) % names.size()]);
  if (position > static_cast<int>(names.size())) tag += std::to_string(position);
  return tag;
}

// --- Configuration block --------------------------------------------------

void PutHead(std::uint8_t* block, int sector, const SampleDate& date) {
  PutU16(block + 0, DeviceNumber);
  PutU16(block + 2, static_cast<unsigned>(sector));
  PutU8(block + 4, static_cast<unsigned>(date.Year % 100));
  PutU8(block + 5, static_cast<unsigned>(date.Month));
  PutU8(block + 6, static_cast<unsigned>(date.Day));
  PutU8(block + 7, 0);
}

void PutMeterEntry(std::uint8_t* entry, const Meter& meter) {
  PutU8(entry + 0, static_cast<unsigned>(meter.Position));  // collection ID
  PutU8(entry + 1, static_cast<unsigned>(meter.TypeCode));
  PutU8(entry + 2, static_cast<unsigned>(meter.Position));  // bus address
  PutU8(entry + 3, static_cast<unsigned>(meter.MaxDigits));
  PutU8(entry + 4, static_cast<unsigned char>(meter.Maker));
  PutU8(entry + 5, 1);  // set
  // Older setting software stored the year with two digits.
  PutU16(entry + 6, static_cast<unsigned>(meter.Position % 2 == 0 ? meter.Year % 100 : meter.Year));
  PutText(entry + 8, 8, meter.TypeText);
  PutText(entry + 16, 12, meter.Number);
  PutText(entry + 28, MultiplierSize, meter.Multiplier);
}

void PutConfigBlock(std::uint8_t* block, const SampleOptions& options, const SamplePlan& plan,
                    const std::vector<Meter>& meters) {
  PutHead(block, 0, plan.Days.back().Date);
  // Network: monitor port at 192.168.1.100/24.
  PutU8(block + 8, 1);
  std::fill(block + 9, block + 12, std::uint8_t{0});
  static const std::array<std::uint8_t, 16> network = {192, 168, 1,   100, 192, 168, 1, 1,
                                                       255, 255, 255, 0,   192, 168, 1, 1};
  std::copy(network.begin(), network.end(), block + 12);
  // Centre.
  PutText(block + 28, 68, "center.example.jp");
  PutU16(block + 96, 10080);
  PutU16(block + 98, 1);
  PutU32(block + 100, 3600);
  PutText(block + 104, 12, "kv7c31p0");
  // Main information.
  PutText(block + 116, 4, "1.00");
  PutText(block + 120, 4, options.Layout == SampleLayout::HalfHour ? "1.02" : "2.00");
  PutU8(block + 124, 1);
  const SampleDate testStart = ToDate(ToDays(FirstDate(options)) - chrono::days{30});
  PutU8(block + 125, static_cast<unsigned>(testStart.Year % 100));
  PutU8(block + 126, static_cast<unsigned>(testStart.Month));
  PutU8(block + 127, static_cast<unsigned>(testStart.Day));
  PutU8(block + 128, 10);
  PutU8(block + 129, 30);
  PutU8(block + 130, 0);
  PutU8(block + 131, 0);
  PutText(block + 132, 12, options.DeviceId);
  // Inputs: RS-485 in use, low-power radio not.
  PutU8(block + 144, 1);
  PutU8(block + 145, 0);
  PutU8(block + 146, 0);
  PutU8(block + 147, 0);
  // Collection switches: RS-485 inputs are positions 1 to 20, Echo inputs 21 to 40.
  for (int position = 1; position <= MeterPositions; ++position) {
    PutU8(block + 147 + static_cast<std::size_t>(position), position <= options.ConfiguredMeters ? 1 : 0);
  }
  for (int position = 1; position <= MeterPositions; ++position) {
    std::uint8_t* entry =
        block + ConfigMeterTable + ConfigMeterEntrySize * static_cast<std::size_t>(position - 1);
    std::uint8_t* tag = block + ConfigTags + ConfigTagSize * static_cast<std::size_t>(position - 1);
    if (position <= options.ConfiguredMeters) {
      PutMeterEntry(entry, meters[static_cast<std::size_t>(position - 1)]);
      PutText(tag, ConfigTagSize, TagOf(position));
    } else if (position <= options.ConfiguredMeters + ClearedPositions) {
      std::fill_n(entry, ConfigMeterEntrySize, std::uint8_t{0});
      std::fill_n(tag, ConfigTagSize, std::uint8_t{0});
    }  // else left erased
  }
}

// --- Measurements ---------------------------------------------------------

// Load through the day in percent of a meter's base load, hour 0 to 23.
int LoadPercent(int hour) {
  static const std::array<int, 24> percent = {45,  40,  38,  38,  40,  50,  70,  95,  120, 140, 150, 155,
                                              145, 150, 150, 145, 140, 150, 165, 160, 140, 110, 80,  55};
  return percent[static_cast<std::size_t>(hour)];
}

// Feed-back of a solar meter in percent of its base load, hour 0 to 23.
int SunPercent(int hour) {
  static const std::array<int, 24> percent = {0,   0,  0,  0,  0,  0,  5, 20, 45, 70, 90, 100,
                                              100, 95, 80, 60, 35, 10, 0, 0,  0,  0,  0,  0};
  return percent[static_cast<std::size_t>(hour)];
}

enum class SlotState { Saved, WrittenUnsaved, Erased };

struct DayTarget {
  SampleDate Date;
  int Block = 0;
  std::vector<SlotState> Slots;
};

// One slot's values of one meter.
struct Reading {
  std::array<std::uint32_t, 6> Consumption{};
  std::array<std::uint32_t, 6> Cumulative{};
  std::uint8_t IntervalState = 0;    // collection state, interval layout
  std::string_view Status = "0000";  // meter status, half-hourly layout
  bool Collected = true;
};

// Advances the meter by one slot starting at `minute` of the day.
Reading NextReading(Meter& meter, int minute, int slotMinutes, SampleLayout layout, Random& random) {
  const int hour = minute / 60;
  const std::uint32_t scale = static_cast<std::uint32_t>(slotMinutes / 15);
  Reading reading;
  const std::uint32_t load = meter.BaseLoad * scale * static_cast<std::uint32_t>(LoadPercent(hour)) / 100;
  reading.Consumption[0] = load + random.Below(meter.BaseLoad * scale / 4 + 1);
  if (meter.Solar) {
    const std::uint32_t sun = meter.BaseLoad * scale * static_cast<std::uint32_t>(SunPercent(hour)) / 100;
    reading.Consumption[1] = sun == 0 ? 0 : sun + random.Below(sun / 5 + 1);
  }
  if (meter.ExtraChannels) {
    reading.Consumption[2] = reading.Consumption[0] / 3 + random.Below(3);
    reading.Consumption[3] = random.Below(5 * scale);
  }
  for (std::size_t k = 0; k < meter.Readings.size(); ++k) {
    meter.Readings[k] += reading.Consumption[k];
    reading.Cumulative[k] = meter.Readings[k];
  }
  // Mostly clean; now and then a meter reports a condition or does not answer.
  const std::uint32_t draw = random.Below(1000);
  if (layout == SampleLayout::Interval) {
    if (draw < 950) {
      reading.IntervalState = 0;
    } else if (draw < 965) {
      reading.IntervalState = 1;
    } else if (draw < 978) {
      reading.IntervalState = 2;
    } else if (draw < 990) {
      reading.IntervalState = 4;
    } else {
      reading.IntervalState = 255;
      reading.Collected = false;
    }
  } else {
    if (draw < 975) {
      reading.Status = "0000";
    } else if (draw < 990) {
      reading.Status = "0100";
    } else {
      reading.Status = "FFFF";
      reading.Collected = false;
    }
  }
  return reading;
}

void PutIntervalGroup(std::uint8_t* group, const Meter& meter, const Reading& reading) {
  if (reading.Collected) {
    for (std::size_t k = 0; k < 4; ++k) PutU16(group + 2 * k, reading.Consumption[k]);
    for (std::size_t k = 0; k < 4; ++k) PutU32(group + 8 + 4 * k, reading.Cumulative[k]);
  }
  PutU8(group + 24, reading.IntervalState);
  PutText(group + 25, IntervalMultiplierSize, meter.Multiplier);
}

void PutHalfHourGroup(std::uint8_t* group, const Meter& meter, const Reading& reading, const SampleDate& date,
                      int slot) {
  PutU8(group + 0, static_cast<unsigned>(meter.Position));
  PutU8(group + 1, static_cast<unsigned>(date.Year % 100));
  PutU8(group + 2, static_cast<unsigned>(date.Month));
  PutU8(group + 3, static_cast<unsigned>(date.Day));
  PutU8(group + 4, static_cast<unsigned>(slot / 2));
  PutU8(group + 5, static_cast<unsigned>(30 * (slot % 2)));
  PutU16(group + 6, 0);  // no reset
  if (reading.Collected) {
    for (std::size_t k = 0; k < 6; ++k) PutU32(group + 8 + 4 * k, reading.Consumption[k]);
    for (std::size_t k = 0; k < 6; ++k) PutU32(group + 32 + 4 * k, reading.Cumulative[k]);
  }
  PutText(group + 56, 4, reading.Status);
  PutText(group + 60, MultiplierSize, meter.Multiplier);
}

// Every day from the oldest one written to the last stored runs through the
// meters, so the readings of the days written keep rising across the gaps.
void PutSectors(std::uint8_t* image, const SampleOptions& options, const SamplePlan& plan,
                std::vector<Meter>& meters, Random& random) {
  const int slotsPerDay = SlotsPerDay(options.Layout);
  const int slotMinutes = 24 * 60 / slotsPerDay;
  std::map<chrono::sys_days, DayTarget> targets;
  auto addTarget = [&](const SampleDay& day) {
    targets[ToDays(day.Date)] =
        DayTarget{day.Date, day.Block, std::vector<SlotState>(static_cast<std::size_t>(slotsPerDay))};
  };
  for (const SampleDay& day : plan.Days) addTarget(day);
  if (plan.OlderDay) addTarget(*plan.OlderDay);
  for (const SampleGap& gap : plan.Gaps) {
    DayTarget& target = targets.at(ToDays(gap.Date));
    for (int slot = gap.FirstSlot; slot < gap.FirstSlot + gap.SlotCount; ++slot) {
      target.Slots[static_cast<std::size_t>(slot)] =
          gap.DataErased ? SlotState::Erased : SlotState::WrittenUnsaved;
    }
  }

  const chrono::sys_days first = targets.begin()->first;
  const chrono::sys_days last = targets.rbegin()->first;
  for (chrono::sys_days day = first; day <= last; day += chrono::days{1}) {
    const auto found = targets.find(day);
    const DayTarget* target = found == targets.end() ? nullptr : &found->second;
    std::uint8_t* block =
        target == nullptr ? nullptr : image + BlockSize * static_cast<std::size_t>(target->Block);
    if (block != nullptr) PutHead(block, target->Block, target->Date);
    for (int slot = 0; slot < slotsPerDay; ++slot) {
      const SlotState state =
          target == nullptr ? SlotState::Erased : target->Slots[static_cast<std::size_t>(slot)];
      const bool written = state != SlotState::Erased;
      const bool saved = state == SlotState::Saved;
      std::uint8_t* slotStart = nullptr;
      if (block != nullptr) {
        const std::size_t slotSize =
            options.Layout == SampleLayout::Interval ? IntervalSlotSize : HalfHourSlotSize;
        slotStart = block + SectorHeadSize + slotSize * static_cast<std::size_t>(slot);
      }
      for (Meter& meter : meters) {
        // The meters keep counting whether or not the gateway stores the slot.
        const Reading reading = NextReading(meter, slot * slotMinutes, slotMinutes, options.Layout, random);
        if (slotStart == nullptr || !written) continue;
        const std::size_t index = static_cast<std::size_t>(meter.Position - 1);
        if (options.Layout == SampleLayout::Interval) {
          PutIntervalGroup(slotStart + IntervalGroupSize * index, meter, reading);
        } else {
          PutHalfHourGroup(slotStart + HalfHourGroupSize * index, meter, reading, target->Date, slot);
        }
      }
      if (slotStart == nullptr || !written) continue;
      if (options.Layout == SampleLayout::Interval) {
        std::uint8_t* trailer = slotStart + IntervalGroupSize * MeterPositions;
        PutU8(trailer + 0, static_cast<unsigned>(slot / 4));
        PutU8(trailer + 1, static_cast<unsigned>(15 * (slot % 4)));
        PutU16(trailer + 2, saved ? 0x0000 : 0xFFFF);
      } else {
        PutU32(slotStart + HalfHourGroupSize * MeterPositions, saved ? 0x00000000u : 0xFFFFFFFFu);
      }
    }
  }
}

std::vector<std::uint8_t> BuildImage(const SampleOptions& options) {
  const SamplePlan plan = PlanSampleImage(options);
  std::vector<std::uint8_t> image(SampleImageSize, Erased);
  // The plan draws from its own stream, so the values stay the same whoever asks for the plan.
  Random random(options.Seed ^ 0x9E3779B9u);
  std::vector<Meter> meters = MakeMeters(options, random);
  PutConfigBlock(image.data(), options, plan, meters);
  PutSectors(image.data(), options, plan, meters, random);
  return image;
}

}  // namespace

int BlockOfDate(int month, int day) {
  return month % 2 == 1 ? day : day + 31;
}

bool CheckSampleOptions(const SampleOptions& options, std::string* problem) {
  auto refuse = [&](std::string reason) {
    if (problem != nullptr) *problem = std::move(reason);
    return false;
  };
  if (options.FirstYear < 0 || options.FirstYear > 99) return refuse("the first year must be 0 to 99");
  // A day past the end of its month would come back as a day of the next month.
  if (options.FirstMonth < 1 || options.FirstMonth > 12 || options.FirstDay < 1 || options.FirstDay > 31 ||
      ToDate(ToDays(FirstDate(options))) != FirstDate(options)) {
    return refuse("the first date is no calendar date");
  }
  if (options.Days < 1 || options.Days > 366) return refuse("the number of days must be 1 to 366");
  if (ToDate(ToDays(FirstDate(options)) + chrono::days{options.Days - 1}).Year > 2099) {
    return refuse("the last day must lie before 2100");
  }
  if (options.ConfiguredMeters < 0 || options.ConfiguredMeters > MeterPositions) {
    return refuse("the number of meters must be 0 to 40");
  }
  if (options.DeviceId.size() > 12) return refuse("the device ID has more than 12 characters");
  for (const char c : options.DeviceId) {
    if (c < 0x20 || c > 0x7E) return refuse("the device ID must be printable ASCII");
  }
  return true;
}

SamplePlan PlanSampleImage(const SampleOptions& options) {
  SamplePlan plan;
  if (!CheckSampleOptions(options)) return plan;
  const chrono::sys_days first = ToDays(FirstDate(options));

  // A later day takes the block of an earlier day of the same block, as the gateway's memory does.
  std::array<std::optional<chrono::sys_days>, SampleBlockCount> owner{};
  for (int i = 0; i < options.Days; ++i) {
    const chrono::sys_days day = first + chrono::days{i};
    const SampleDate date = ToDate(day);
    owner[static_cast<std::size_t>(BlockOfDate(date.Month, date.Day))] = day;
  }
  for (int i = 0; i < options.Days; ++i) {
    const chrono::sys_days day = first + chrono::days{i};
    const SampleDate date = ToDate(day);
    const int block = BlockOfDate(date.Month, date.Day);
    if (owner[static_cast<std::size_t>(block)] == day) plan.Days.push_back({date, block});
  }

  // The older day keeps the block of a day before the first stored one: the
  // same day of month, two (or four, ...) months earlier.
  for (int back = 1; back <= 400 && !plan.OlderDay; ++back) {
    const SampleDate outside = ToDate(first - chrono::days{back});
    const int block = BlockOfDate(outside.Month, outside.Day);
    if (owner[static_cast<std::size_t>(block)]) continue;
    chrono::year_month_day older = chrono::year_month_day{first - chrono::days{back}} - chrono::months{2};
    while (!older.ok()) older -= chrono::months{2};
    if (static_cast<int>(older.year()) < 2000) break;
    plan.OlderDay = SampleDay{ToDate(older), block};
  }

  // Where the gateway missed slots: a power cut early in the range, a day
  // whose last slot was written but not marked saved, and the day of the
  // read-out, stored up to its afternoon.
  Random random(options.Seed);
  const int slotsPerDay = SlotsPerDay(options.Layout);
  const std::size_t days = plan.Days.size();
  if (days >= 4) {
    const int start =
        slotsPerDay / 3 + static_cast<int>(random.Below(static_cast<std::uint32_t>(slotsPerDay / 4)));
    const int count = slotsPerDay / 48 + static_cast<int>(random.Below(4));
    plan.Gaps.push_back({plan.Days[2].Date, start, count, true});
  }
  if (days >= 2) plan.Gaps.push_back({plan.Days[(days - 1) / 2].Date, slotsPerDay - 1, 1, false});
  const int cut =
      slotsPerDay / 2 + static_cast<int>(random.Below(static_cast<std::uint32_t>(slotsPerDay / 4)));
  plan.Gaps.push_back({plan.Days.back().Date, cut, slotsPerDay - cut, true});
  return plan;
}

std::vector<std::uint8_t> MakeSampleImage(const SampleOptions& options) {
  if (!CheckSampleOptions(options)) return {};
  try {
    return BuildImage(options);
  } catch (...) {
    return {};
  }
}

bool WriteSampleImage(const SampleOptions& options, const std::filesystem::path& path) {
  const std::vector<std::uint8_t> image = MakeSampleImage(options);
  if (image.empty()) return false;
  try {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    file.close();
    return !file.fail();
  } catch (...) {
    return false;
  }
}

}  // namespace varkelo::tools
