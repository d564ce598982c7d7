#pragma once

// The fields of every group of the three layouts, in the order they lie in a
// block: what the catalogue registers and where the field handles point.

#include <cstdint>
#include <span>
#include <string_view>

#include "dump/layout.hpp"

namespace varkelo::dump {

enum class FieldKind : std::uint8_t {
  Number,      // a little-endian unsigned number of 1, 2 or 4 bytes
  StatusText,  // the half-hourly "計器状態": single bytes, read like ByteText
  ByteText,    // single-byte text up to the first 0x00
  TagText,     // a meter tag, code page 932 text of every byte of the field
};

struct FieldSpec {
  std::int16_t length;
  FieldKind kind;
  std::string_view label;
};

constexpr FieldSpec ByteField(std::string_view label) {
  return {1, FieldKind::Number, label};
}
constexpr FieldSpec WordField(std::string_view label) {
  return {2, FieldKind::Number, label};
}
constexpr FieldSpec LongField(std::string_view label) {
  return {4, FieldKind::Number, label};
}
constexpr FieldSpec TextField(std::int16_t length, std::string_view label) {
  return {length, FieldKind::ByteText, label};
}

// The bytes of the fields before field `index` of a table, or of all of them.
constexpr std::int32_t OffsetIn(std::span<const FieldSpec> fields, std::size_t index) {
  std::int32_t offset = 0;
  for (std::size_t i = 0; i < index; ++i) offset += fields[i].length;
  return offset;
}
constexpr std::int32_t BytesOf(std::span<const FieldSpec> fields) {
  return OffsetIn(fields, fields.size());
}

// Whether field `index` of a table carries `label`: lets the tables be
// checked at compile time against the positions named in layout.hpp.
constexpr bool LabelIs(std::span<const FieldSpec> fields, std::int32_t index, std::string_view label) {
  return index >= 0 && static_cast<std::size_t>(index) < fields.size() &&
         fields[static_cast<std::size_t>(index)].label == label;
}

// The 8-byte head every block begins with, section "S[n]Flash_Head".
inline constexpr FieldSpec FlashHead[] = {
    WordField("デバイス番号"), WordField("セクタ番号"), ByteField("年"),
    ByteField("月"),           ByteField("日"),         ByteField("オプション"),
};

// Block 0. The network group's fields are single bytes with numbered labels,
// made where the catalogue is built.
inline constexpr std::int32_t NetworkFields = 20;
inline constexpr FieldSpec ConfigCenter[] = {
    TextField(68, "ホスト名"), WordField("センタポート"),   WordField("データ形式"),
    LongField("接続周期"),     TextField(12, "パスワード"),
};
inline constexpr FieldSpec ConfigMainInfo[] = {
    TextField(4, "データバージョン"), TextField(4, "プログラムバージョン"),
    ByteField("会員登録ステータス"),  ByteField("テスト通信開始年"),
    ByteField("テスト通信開始月"),    ByteField("テスト通信開始日"),
    ByteField("テスト通信開始時"),    ByteField("テスト通信開始分"),
    ByteField("テスト通信開始秒"),    ByteField("ダミーC"),
    TextField(12, "Kov機器ID"),
};
inline constexpr FieldSpec ConfigHardData[] = {ByteField("RS485計器設定オプション"),
                                               ByteField("特小計器設定オプション"), ByteField("ダミーC[0]"),
                                               ByteField("ダミーC[1]")};
// "計器種別" appears twice: the type as a number and as text.
inline constexpr FieldSpec ConfigMeter[] = {
    ByteField("収集ID"),          ByteField("計器種別"),     ByteField("アドレス"), ByteField("最大桁数"),
    TextField(1, "メーカー記号"), ByteField("計器設定状態"), WordField("製造年"),   TextField(8, "計器種別"),
    TextField(12, "計器番号"),    TextField(8, "乗率"),
};
inline constexpr FieldSpec ConfigMeterTag{52, FieldKind::TagText, ""};

// A half-hourly slot: a group per meter position, then the trailer.
inline constexpr FieldSpec HalfHourGroup[] = {
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
    {4, FieldKind::StatusText, "計器状態"},
    TextField(8, "乗率"),
};
// The save-complete flag is four bytes here, two in the interval layout.
inline constexpr FieldSpec HalfHourTrailer[] = {
    LongField("保存完了フラグ"),
};

// An interval slot. No date or time per group: the slot trailer carries hour
// and minute. The multiplier is one byte shorter than in the half-hourly group.
inline constexpr FieldSpec IntervalGroup[] = {
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
inline constexpr FieldSpec IntervalTrailer[] = {
    ByteField("時"),
    ByteField("分"),
    WordField("保存完了フラグ"),
};

// The tables against the positions layout.hpp names.
static_assert(std::size(FlashHead) == head::Entries && LabelIs(FlashHead, head::Year, "年") &&
              LabelIs(FlashHead, head::Month, "月") && LabelIs(FlashHead, head::Day, "日"));
static_assert(std::size(ConfigMeter) == config::MeterEntries &&
              LabelIs(ConfigMeter, config::Maker, "メーカー記号") &&
              LabelIs(ConfigMeter, config::YearMade, "製造年") &&
              LabelIs(ConfigMeter, config::TypeText, "計器種別") &&
              LabelIs(ConfigMeter, config::Number, "計器番号") &&
              LabelIs(ConfigMeter, config::Multiplier, "乗率"));
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

}  // namespace varkelo::dump
