#pragma once

// Where things lie in "read.nmd": its blocks, and the catalogue index of every
// field that the export, the tools and the tests address. The schema builders
// register the same layouts field by field and are checked against these
// numbers; every other file names a position through this header.

#include <cstdint>

namespace varkelo::dump {

// The layouts of a block; the number of each is the n of its catalogue's section texts "S[n]".
enum class Layout : std::uint8_t { Config = 0, HalfHour = 1, Interval = 2 };

// "read.nmd" in blocks: block 0 holds the configuration, blocks 1 to 63 one day each.
inline constexpr std::int32_t DumpBlockSize = 131072;
inline constexpr std::int32_t ConfigBlock = 0;
inline constexpr std::int32_t FirstSectorBlock = 1;
inline constexpr std::int32_t LastSectorBlock = 63;
// The blocks the export reads, from the start of the file.
inline constexpr std::int32_t ImageBlocks = LastSectorBlock + 1;

// Meter positions of the configuration table and of every measurement slot.
inline constexpr std::int32_t MeterCount = 40;

// The block a day is stored in: the day of an odd month, the day + 31 of an even one.
constexpr std::int32_t BlockOfDate(std::int32_t month, std::int32_t day) {
  return month % 2 == 1 ? day : day + 31;
}

// The head every block begins with, the same in all three layouts.
namespace head {
inline constexpr std::int32_t DeviceNumber = 0;
inline constexpr std::int32_t SectorNumber = 1;
inline constexpr std::int32_t Year = 2;  // two-digit year of the 2000s
inline constexpr std::int32_t Month = 3;
inline constexpr std::int32_t Day = 4;
inline constexpr std::int32_t Option = 5;
inline constexpr std::int32_t Entries = 6;
}  // namespace head

// Block 0, the configuration area.
namespace config {
inline constexpr std::int32_t NetworkSetting = 6;  // then three dummy bytes
// Monitor address, gateway, netmask and DNS server, four octets each.
inline constexpr std::int32_t MonitorOctets = 10;
inline constexpr std::int32_t HostName = 26;
inline constexpr std::int32_t CenterPort = 27;
inline constexpr std::int32_t DataFormat = 28;
inline constexpr std::int32_t ConnectionPeriod = 29;
inline constexpr std::int32_t Password = 30;
inline constexpr std::int32_t DataVersion = 31;
// Its first character chooses the layout of the sectors.
inline constexpr std::int32_t ProgramVersion = 32;
inline constexpr std::int32_t MemberStatus = 33;
inline constexpr std::int32_t TestStart = 34;  // year, month, day, hour, minute, second, a dummy byte
// The gateway's device ID, which names the output folder.
inline constexpr std::int32_t DeviceId = 41;
inline constexpr std::int32_t InputOptions = 42;  // RS-485, low-power radio, two dummy bytes

// Whether a meter position is collected: the 20 RS-485 inputs, then the 20 Echo inputs.
constexpr std::int32_t CollectionSwitch(std::int32_t position) {
  return InputOptions + 3 + position;
}

// The group of meter position m in the meter table, and its fields.
inline constexpr std::int32_t MeterEntries = 10;
constexpr std::int32_t MeterGroup(std::int32_t m) {
  return CollectionSwitch(MeterCount) + 1 + MeterEntries * (m - 1);
}
inline constexpr std::int32_t CollectionId = 0;
inline constexpr std::int32_t TypeCode = 1;
inline constexpr std::int32_t BusAddress = 2;
inline constexpr std::int32_t MaxDigits = 3;
inline constexpr std::int32_t Maker = 4;
inline constexpr std::int32_t SettingState = 5;
inline constexpr std::int32_t YearMade = 6;
inline constexpr std::int32_t TypeText = 7;
inline constexpr std::int32_t Number = 8;
inline constexpr std::int32_t Multiplier = 9;

constexpr std::int32_t MeterTag(std::int32_t n) {
  return MeterGroup(MeterCount + 1) + n - 1;
}

inline constexpr std::int32_t FieldCount = MeterTag(MeterCount + 1);
inline constexpr std::int32_t Bytes = 3708;
}  // namespace config

// Blocks 1 to 63 of a gateway whose program version begins with "1": 48 slots
// of 40 records and the slot's save-complete flag.
namespace halfhour {
inline constexpr std::int32_t Slots = 48;
inline constexpr std::int32_t RecordEntries = 21;
inline constexpr std::int32_t SlotEntries = MeterCount * RecordEntries + 1;

// Fields of a record.
inline constexpr std::int32_t CollectionId = 0;
inline constexpr std::int32_t Clock = 1;  // 年, 月, 日, 時, 分
inline constexpr std::int32_t ResetFlag = 6;
inline constexpr std::int32_t Consumption = 7;  // 順方向1, 逆方向1, 順方向2 to 順方向5
inline constexpr std::int32_t Reading = 13;     // the same six directions
inline constexpr std::int32_t Status = 19;
inline constexpr std::int32_t Multiplier = 20;

// The record of meter position m in slot s.
constexpr std::int32_t Record(std::int32_t slot, std::int32_t m) {
  return head::Entries + SlotEntries * slot + RecordEntries * (m - 1);
}
constexpr std::int32_t SaveFlag(std::int32_t slot) {
  return Record(slot, MeterCount + 1);
}

inline constexpr std::int32_t FieldCount = Record(Slots, 1);
inline constexpr std::int32_t Bytes = 130760;
}  // namespace halfhour

// Blocks 1 to 63 of every other gateway: 96 slots of 15 minutes, two to a
// half hour, of 40 records and a trailer with the slot's time and its
// save-complete flag.
namespace interval {
inline constexpr std::int32_t Slots = 2 * halfhour::Slots;
// Slot 95 ends at midnight: the start of the next day.
inline constexpr std::int32_t LastSlot = Slots - 1;
inline constexpr std::int32_t RecordEntries = 10;
inline constexpr std::int32_t SlotEntries = MeterCount * RecordEntries + 3;

// Fields of a record.
inline constexpr std::int32_t Interval = 0;  // 順方向1, 逆方向1, 順方向2, 順方向3
inline constexpr std::int32_t Reading = 4;   // the same four directions
inline constexpr std::int32_t Directions = 4;
inline constexpr std::int32_t State = 8;
inline constexpr std::int32_t Multiplier = 9;
// The multiplier's width: one byte fewer than in the half-hourly layout.
inline constexpr std::int16_t MultiplierBytes = 7;

// The trailer, counted from the slot's first record.
inline constexpr std::int32_t TrailerHour = MeterCount * RecordEntries;
inline constexpr std::int32_t TrailerMinute = TrailerHour + 1;
inline constexpr std::int32_t TrailerSaveFlag = TrailerHour + 2;

// The record of meter position m in slot s.
constexpr std::int32_t Record(std::int32_t slot, std::int32_t m) {
  return head::Entries + SlotEntries * slot + RecordEntries * (m - 1);
}
// The first record of the last slot: the carry-over into the next day and the next day's start.
inline constexpr std::int32_t LastSlotRecord = Record(LastSlot, 1);

inline constexpr std::int32_t FieldCount = Record(Slots, 1);
inline constexpr std::int32_t Bytes = 123272;
}  // namespace interval

// The positions written out, as a check on the formulas above.
static_assert(BlockOfDate(1, 1) == 1 && BlockOfDate(3, 31) == 31 && BlockOfDate(2, 1) == 32 &&
              BlockOfDate(12, 31) == 62);
static_assert(config::ProgramVersion == 32 && config::MeterGroup(1) == 86 && config::MeterTag(1) == 486);
static_assert(config::FieldCount == 526);
static_assert(halfhour::SlotEntries == 841 && halfhour::SaveFlag(47) == 40373);
static_assert(halfhour::FieldCount == 40374);
static_assert(interval::SlotEntries == 403 && interval::LastSlotRecord == 38291);
static_assert(interval::LastSlotRecord + interval::TrailerHour == 38691);
static_assert(interval::LastSlotRecord + interval::TrailerSaveFlag == 38693);
static_assert(interval::FieldCount == 38694);

}  // namespace varkelo::dump
