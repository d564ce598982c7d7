#include "sample_image.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <random>
#include <string_view>

#include "dump/field_catalogue.hpp"
#include "dump/field_writer.hpp"
#include "dump/layout.hpp"
#include "platform/files.hpp"

namespace varkelo::tools {

namespace {

namespace chrono = std::chrono;
namespace config = dump::config;
namespace halfhour = dump::halfhour;
namespace interval = dump::interval;
using dump::FieldWriter;

constexpr std::size_t BlockSize = dump::DumpBlockSize;
constexpr int MeterPositions = dump::MeterCount;
constexpr std::uint8_t Erased = 0xFF;
// Positions after the configured ones whose table entry and tag the setting
// software cleared to 0x00; the positions after them were never written.
constexpr int ClearedPositions = 3;
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

chrono::sys_days ToDays(const SampleDate& date) {
  return chrono::year_month_day{chrono::year{date.year}, chrono::month{static_cast<unsigned>(date.month)},
                                chrono::day{static_cast<unsigned>(date.day)}};
}

SampleDate ToDate(chrono::year_month_day ymd) {
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

SampleDate ToDate(chrono::sys_days days) {
  return ToDate(chrono::year_month_day{days});
}

SampleDate FirstDate(const SampleOptions& options) {
  return {2000 + options.firstYear, options.firstMonth, options.firstDay};
}

int SlotsPerDay(SampleLayout layout) {
  return layout == SampleLayout::HalfHour ? dump::halfhour::Slots : dump::interval::Slots;
}

// --- Meters ---------------------------------------------------------------

struct Meter {
  int position = 0;
  char maker = 'A';
  int typeCode = 1;
  std::string_view typeText;
  int maxDigits = 6;
  int year = 2010;  // four digits; the table holds some as two
  std::string number;
  std::string_view multiplier;
  bool solar = false;          // feeds back: reverse consumption by day
  bool extraChannels = false;  // forward 2 and 3 in use
  std::uint32_t baseLoad = 0;  // per 15 minutes
  // Forward 1, reverse 1, forward 2 to 5.
  std::array<std::uint32_t, 6> Readings{};
};

std::vector<Meter> MakeMeters(const SampleOptions& options, Random& random) {
  static const std::array<std::string_view, 3> typeTexts = {"1P2W", "1P3W", "3P3W"};
  static const std::array<std::string_view, 4> multipliers = {"1", "10", "1", "0.5"};
  static const std::string_view makers = "ADHKMT";
  std::vector<Meter> meters;
  for (int position = 1; position <= options.configuredMeters; ++position) {
    Meter meter;
    meter.position = position;
    meter.maker = makers[random.Below(static_cast<std::uint32_t>(makers.size()))];
    meter.typeCode = 1 + static_cast<int>(random.Below(3));
    meter.typeText = typeTexts[static_cast<std::size_t>(meter.typeCode - 1)];
    meter.maxDigits = 6 + static_cast<int>(random.Below(2));
    meter.year = 2006 + static_cast<int>(random.Below(7));
    meter.number = std::to_string(1000000000u + random.Below(900000000u));
    meter.multiplier = multipliers[static_cast<std::size_t>((position - 1) % 4)];
    meter.solar = position % 5 == 0;
    meter.extraChannels = position % 3 == 0;
    meter.baseLoad = 5 + random.Below(120);
    meter.Readings[0] = 100000 + random.Below(5000000);
    meter.Readings[1] = meter.solar ? random.Below(200000) : 0;
    meter.Readings[2] = meter.extraChannels ? random.Below(1000000) : 0;
    meter.Readings[3] = meter.extraChannels ? random.Below(100000) : 0;
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

void PutHead(const FieldWriter& block, int sector, const SampleDate& date) {
  block.Number(dump::head::DeviceNumber, DeviceNumber);
  block.Number(dump::head::SectorNumber, static_cast<std::uint32_t>(sector));
  block.Number(dump::head::Year, static_cast<std::uint32_t>(date.year % 100));
  block.Number(dump::head::Month, static_cast<std::uint32_t>(date.month));
  block.Number(dump::head::Day, static_cast<std::uint32_t>(date.day));
  block.Number(dump::head::Option, 0);
}

void PutMeterEntry(const FieldWriter& block, const Meter& meter) {
  const std::int32_t group = config::MeterGroup(meter.position);
  const auto position = static_cast<std::uint32_t>(meter.position);
  block.Number(group + config::CollectionId, position);
  block.Number(group + config::TypeCode, static_cast<std::uint32_t>(meter.typeCode));
  block.Number(group + config::BusAddress, position);
  block.Number(group + config::MaxDigits, static_cast<std::uint32_t>(meter.maxDigits));
  block.Number(group + config::Maker, static_cast<unsigned char>(meter.maker));
  block.Number(group + config::SettingState, 1);  // set
  // Older setting software stored the year with two digits.
  block.Number(group + config::YearMade,
               static_cast<std::uint32_t>(meter.position % 2 == 0 ? meter.year % 100 : meter.year));
  block.Text(group + config::TypeText, meter.typeText);
  block.Text(group + config::Number, meter.number);
  block.Text(group + config::Multiplier, meter.multiplier);
}

void PutConfigBlock(const FieldWriter& block, const SampleOptions& options, const SamplePlan& plan,
                    const std::vector<Meter>& meters) {
  PutHead(block, 0, plan.days.back().date);
  // Network: monitor port at 192.168.1.100/24.
  block.Number(config::NetworkSetting, 1);
  block.Fill(config::NetworkSetting + 1, 0, 3);
  static const std::array<std::uint8_t, 16> network = {192, 168, 1,   100, 192, 168, 1, 1,
                                                       255, 255, 255, 0,   192, 168, 1, 1};
  for (std::size_t i = 0; i < network.size(); ++i) {
    block.Number(config::MonitorOctets + static_cast<std::int32_t>(i), network[i]);
  }
  // Centre.
  block.Text(config::HostName, "center.example.jp");
  block.Number(config::CenterPort, 10080);
  block.Number(config::DataFormat, 1);
  block.Number(config::ConnectionPeriod, 3600);
  block.Text(config::Password, "kv7c31p0");
  // Main information.
  block.Text(config::DataVersion, "1.00");
  block.Text(config::ProgramVersion, options.layout == SampleLayout::HalfHour ? "1.02" : "2.00");
  block.Number(config::MemberStatus, 1);
  const SampleDate testStart = ToDate(ToDays(FirstDate(options)) - chrono::days{30});
  const std::uint32_t start[] = {static_cast<std::uint32_t>(testStart.year % 100),
                                 static_cast<std::uint32_t>(testStart.month),
                                 static_cast<std::uint32_t>(testStart.day),
                                 10,
                                 30,
                                 0,
                                 0};
  for (std::int32_t i = 0; i < 7; ++i) block.Number(config::TestStart + i, start[i]);
  block.Text(config::DeviceId, options.deviceId);
  // Inputs: RS-485 in use, low-power radio not.
  block.Number(config::InputOptions, 1);
  block.Fill(config::InputOptions + 1, 0, 3);
  // Collection switches: the RS-485 inputs, then the Echo inputs.
  for (int position = 1; position <= MeterPositions; ++position) {
    block.Number(config::CollectionSwitch(position), position <= options.configuredMeters ? 1 : 0);
  }
  for (int position = 1; position <= MeterPositions; ++position) {
    if (position <= options.configuredMeters) {
      PutMeterEntry(block, meters[static_cast<std::size_t>(position - 1)]);
      block.Text(config::MeterTag(position), TagOf(position));
    } else if (position <= options.configuredMeters + ClearedPositions) {
      block.Fill(config::MeterGroup(position), 0, config::MeterEntries);
      block.Fill(config::MeterTag(position), 0);
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

enum class SlotState { Saved, WrittenUnsaved, NeverWritten };

struct DayTarget {
  SampleDate date;
  int block = 0;
  std::vector<SlotState> slots;
};

// One slot's values of one meter.
struct Reading {
  std::array<std::uint32_t, 6> consumption{};
  std::array<std::uint32_t, 6> cumulative{};
  std::uint8_t intervalState = 0;    // collection state, interval layout
  std::string_view status = "0000";  // meter status, half-hourly layout
  bool collected = true;
};

// Advances the meter by one slot starting at `minute` of the day.
Reading NextReading(Meter& meter, int minute, int slotMinutes, SampleLayout layout, Random& random) {
  const int hour = minute / 60;
  const std::uint32_t scale = static_cast<std::uint32_t>(slotMinutes / 15);
  Reading reading;
  const std::uint32_t load = meter.baseLoad * scale * static_cast<std::uint32_t>(LoadPercent(hour)) / 100;
  reading.consumption[0] = load + random.Below(meter.baseLoad * scale / 4 + 1);
  if (meter.solar) {
    const std::uint32_t sun = meter.baseLoad * scale * static_cast<std::uint32_t>(SunPercent(hour)) / 100;
    reading.consumption[1] = sun == 0 ? 0 : sun + random.Below(sun / 5 + 1);
  }
  if (meter.extraChannels) {
    reading.consumption[2] = reading.consumption[0] / 3 + random.Below(3);
    reading.consumption[3] = random.Below(5 * scale);
  }
  for (std::size_t k = 0; k < meter.Readings.size(); ++k) {
    meter.Readings[k] += reading.consumption[k];
    reading.cumulative[k] = meter.Readings[k];
  }
  // Mostly clean; now and then a meter reports a condition or does not answer.
  const std::uint32_t draw = random.Below(1000);
  if (layout == SampleLayout::Interval) {
    if (draw < 950) {
      reading.intervalState = 0;
    } else if (draw < 965) {
      reading.intervalState = 1;
    } else if (draw < 978) {
      reading.intervalState = 2;
    } else if (draw < 990) {
      reading.intervalState = 4;
    } else {
      reading.intervalState = 255;
      reading.collected = false;
    }
  } else {
    if (draw < 975) {
      reading.status = "0000";
    } else if (draw < 990) {
      reading.status = "0100";
    } else {
      reading.status = "FFFF";
      reading.collected = false;
    }
  }
  return reading;
}

void PutIntervalRecord(const FieldWriter& block, int slot, const Meter& meter, const Reading& reading) {
  const std::int32_t record = interval::Record(slot, meter.position);
  if (reading.collected) {
    for (std::int32_t k = 0; k < interval::Directions; ++k) {
      block.Number(record + interval::Interval + k, reading.consumption[static_cast<std::size_t>(k)]);
      block.Number(record + interval::Reading + k, reading.cumulative[static_cast<std::size_t>(k)]);
    }
  }
  block.Number(record + interval::State, reading.intervalState);
  block.Text(record + interval::Multiplier, meter.multiplier);
}

void PutHalfHourRecord(const FieldWriter& block, int slot, const Meter& meter, const Reading& reading,
                       const SampleDate& date) {
  const std::int32_t record = halfhour::Record(slot, meter.position);
  block.Number(record + halfhour::CollectionId, static_cast<std::uint32_t>(meter.position));
  const std::uint32_t clock[] = {static_cast<std::uint32_t>(date.year % 100),
                                 static_cast<std::uint32_t>(date.month), static_cast<std::uint32_t>(date.day),
                                 static_cast<std::uint32_t>(slot / 2),
                                 static_cast<std::uint32_t>(30 * (slot % 2))};
  for (std::int32_t k = 0; k < 5; ++k) block.Number(record + halfhour::Clock + k, clock[k]);
  block.Number(record + halfhour::ResetFlag, 0);  // no reset
  if (reading.collected) {
    for (std::int32_t k = 0; k < 6; ++k) {
      block.Number(record + halfhour::Consumption + k, reading.consumption[static_cast<std::size_t>(k)]);
      block.Number(record + halfhour::Reading + k, reading.cumulative[static_cast<std::size_t>(k)]);
    }
  }
  block.Text(record + halfhour::Status, reading.status);
  block.Text(record + halfhour::Multiplier, meter.multiplier);
}

// Every day from the oldest one written to the last stored runs through the
// meters, so the readings of the days written keep rising across the gaps.
void PutSectors(std::uint8_t* image, const dump::FieldCatalogue& layout, const SampleOptions& options,
                const SamplePlan& plan, std::vector<Meter>& meters, Random& random) {
  const int slotsPerDay = SlotsPerDay(options.layout);
  const int slotMinutes = 24 * 60 / slotsPerDay;
  std::map<chrono::sys_days, DayTarget> targets;
  auto addTarget = [&](const SampleDay& day) {
    targets[ToDays(day.date)] =
        DayTarget{day.date, day.block, std::vector<SlotState>(static_cast<std::size_t>(slotsPerDay))};
  };
  for (const SampleDay& day : plan.days) addTarget(day);
  if (plan.olderDay) addTarget(*plan.olderDay);
  for (const SampleGap& gap : plan.gaps) {
    DayTarget& target = targets.at(ToDays(gap.date));
    for (int slot = gap.firstSlot; slot < gap.firstSlot + gap.slotCount; ++slot) {
      target.slots[static_cast<std::size_t>(slot)] =
          gap.dataErased ? SlotState::NeverWritten : SlotState::WrittenUnsaved;
    }
  }

  const chrono::sys_days first = targets.begin()->first;
  const chrono::sys_days last = targets.rbegin()->first;
  for (chrono::sys_days day = first; day <= last; day += chrono::days{1}) {
    const auto found = targets.find(day);
    const DayTarget* target = found == targets.end() ? nullptr : &found->second;
    std::optional<FieldWriter> block;
    if (target != nullptr) {
      block.emplace(layout,
                    std::span(image + BlockSize * static_cast<std::size_t>(target->block), BlockSize));
      PutHead(*block, target->block, target->date);
    }
    for (int slot = 0; slot < slotsPerDay; ++slot) {
      const SlotState state =
          target == nullptr ? SlotState::NeverWritten : target->slots[static_cast<std::size_t>(slot)];
      const bool written = state != SlotState::NeverWritten;
      const bool saved = state == SlotState::Saved;
      for (Meter& meter : meters) {
        // The meters keep counting whether or not the gateway stores the slot.
        const Reading reading = NextReading(meter, slot * slotMinutes, slotMinutes, options.layout, random);
        if (!block || !written) continue;
        if (options.layout == SampleLayout::Interval) {
          PutIntervalRecord(*block, slot, meter, reading);
        } else {
          PutHalfHourRecord(*block, slot, meter, reading, target->date);
        }
      }
      if (!block || !written) continue;
      if (options.layout == SampleLayout::Interval) {
        const std::int32_t trailer = interval::Record(slot, 1);
        block->Number(trailer + interval::TrailerHour, static_cast<std::uint32_t>(slot / 4));
        block->Number(trailer + interval::TrailerMinute, static_cast<std::uint32_t>(15 * (slot % 4)));
        block->Number(trailer + interval::TrailerSaveFlag, saved ? 0x0000 : 0xFFFF);
      } else {
        block->Number(halfhour::SaveFlag(slot), saved ? 0x00000000u : 0xFFFFFFFFu);
      }
    }
  }
}

std::vector<std::uint8_t> BuildImage(const SampleOptions& options) {
  const SamplePlan plan = PlanSampleImage(options);
  std::vector<std::uint8_t> image(SampleImageSize, Erased);
  // The plan draws from its own stream, so the values stay the same whoever asks for the plan.
  Random random(options.seed ^ 0x9E3779B9u);
  std::vector<Meter> meters = MakeMeters(options, random);
  const dump::FieldCatalogue config(dump::Layout::Config);
  PutConfigBlock(FieldWriter(config, std::span(image.data(), BlockSize)), options, plan, meters);
  const dump::FieldCatalogue layout(options.layout == SampleLayout::HalfHour ? dump::Layout::HalfHour
                                                                             : dump::Layout::Interval);
  PutSectors(image.data(), layout, options, plan, meters, random);
  return image;
}

}  // namespace

platform::Status CheckSampleOptions(const SampleOptions& options) {
  const auto refuse = [](std::string reason) {
    return platform::Status(platform::Failure{.what = std::move(reason), .subject = {}, .error = {}});
  };
  if (options.firstYear < 0 || options.firstYear > 99) return refuse("the first year must be 0 to 99");
  // A day past the end of its month would come back as a day of the next month.
  if (options.firstMonth < 1 || options.firstMonth > 12 || options.firstDay < 1 || options.firstDay > 31 ||
      ToDate(ToDays(FirstDate(options))) != FirstDate(options)) {
    return refuse("the first date is no calendar date");
  }
  if (options.days < 1 || options.days > 366) return refuse("the number of days must be 1 to 366");
  if (ToDate(ToDays(FirstDate(options)) + chrono::days{options.days - 1}).year > 2099) {
    return refuse("the last day must lie before 2100");
  }
  if (options.configuredMeters < 0 || options.configuredMeters > MeterPositions) {
    return refuse("the number of meters must be 0 to " + std::to_string(MeterPositions));
  }
  if (options.deviceId.size() > 12) return refuse("the device ID has more than 12 characters");
  for (const char c : options.deviceId) {
    if (c < 0x20 || c > 0x7E) return refuse("the device ID must be printable ASCII");
  }
  return {};
}

SamplePlan PlanSampleImage(const SampleOptions& options) {
  SamplePlan plan;
  if (!CheckSampleOptions(options)) return plan;
  const chrono::sys_days first = ToDays(FirstDate(options));

  // A later day takes the block of an earlier day of the same block, as the gateway's memory does.
  std::array<std::optional<chrono::sys_days>, dump::ImageBlocks> owner{};
  for (int i = 0; i < options.days; ++i) {
    const chrono::sys_days day = first + chrono::days{i};
    const SampleDate date = ToDate(day);
    owner[static_cast<std::size_t>(dump::BlockOfDate(date.month, date.day))] = day;
  }
  for (int i = 0; i < options.days; ++i) {
    const chrono::sys_days day = first + chrono::days{i};
    const SampleDate date = ToDate(day);
    const int block = dump::BlockOfDate(date.month, date.day);
    if (owner[static_cast<std::size_t>(block)] == day) plan.days.push_back({date, block});
  }

  // The older day keeps the block of a day before the first stored one: the
  // same day of month, two (or four, ...) months earlier.
  for (int back = 1; back <= 400 && !plan.olderDay; ++back) {
    const SampleDate outside = ToDate(first - chrono::days{back});
    const int block = dump::BlockOfDate(outside.month, outside.day);
    if (owner[static_cast<std::size_t>(block)]) continue;
    chrono::year_month_day older = chrono::year_month_day{first - chrono::days{back}} - chrono::months{2};
    while (!older.ok()) older -= chrono::months{2};
    if (static_cast<int>(older.year()) < 2000) break;
    plan.olderDay = SampleDay{ToDate(older), block};
  }

  // Where the gateway missed slots: a power cut early in the range, a day
  // whose last slot was written but not marked saved, and the day of the
  // read-out, stored up to its afternoon.
  Random random(options.seed);
  const int slotsPerDay = SlotsPerDay(options.layout);
  const std::size_t days = plan.days.size();
  if (days >= 4) {
    const int start =
        slotsPerDay / 3 + static_cast<int>(random.Below(static_cast<std::uint32_t>(slotsPerDay / 4)));
    const int count = slotsPerDay / dump::halfhour::Slots + static_cast<int>(random.Below(4));
    plan.gaps.push_back({plan.days[2].date, start, count, true});
  }
  if (days >= 2) plan.gaps.push_back({plan.days[(days - 1) / 2].date, slotsPerDay - 1, 1, false});
  const int cut =
      slotsPerDay / 2 + static_cast<int>(random.Below(static_cast<std::uint32_t>(slotsPerDay / 4)));
  plan.gaps.push_back({plan.days.back().date, cut, slotsPerDay - cut, true});
  return plan;
}

std::vector<std::uint8_t> MakeSampleImage(const SampleOptions& options) {
  if (!CheckSampleOptions(options)) return {};
  return BuildImage(options);
}

platform::Status WriteSampleImage(const SampleOptions& options, const std::filesystem::path& path) {
  if (platform::Status checked = CheckSampleOptions(options); !checked) return checked;
  const std::vector<std::uint8_t> image = BuildImage(options);
  platform::WholeFileWriter file;
  platform::Status written = file.Open(path);
  if (written) written = file.Write({reinterpret_cast<const char*>(image.data()), image.size()});
  if (written) written = file.Commit();
  return written;
}

}  // namespace varkelo::tools
