// Layout of block 0, the gateway's configuration area (config:: in layout.hpp).

#include <array>
#include <string>

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"
#include "text/digits.hpp"

namespace varkelo::dump {

namespace {

// One switch per meter position: the RS-485 inputs, then as many Echo inputs.
constexpr std::int32_t SwitchCount = MeterCount / 2;

// The labels with a number in them, made once for the whole program: every
// configuration catalogue points into them.
struct NumberedLabels {
  std::array<std::string, 3> dummies;
  // "モニタIPアドレス[0]" to "モニタ DNSサーバ[3]"; the space after "モニタ"
  // belongs to the last three families only.
  std::array<std::string, 16> monitor;
  // Counted families carry two digits: "収集有無[RS485-07]", "計器タグ名[07]".
  std::array<std::string, SwitchCount> rs485, echo;
  std::array<std::string, MeterCount> tags;
};

const NumberedLabels& Labels() {
  static const NumberedLabels labels = [] {
    NumberedLabels made;
    for (std::size_t i = 0; i < made.dummies.size(); ++i)
      made.dummies[i] = "ダミーC[" + std::to_string(i) + "]";
    std::size_t next = 0;
    for (const std::string_view family :
         {"モニタIPアドレス", "モニタ ゲートウェイ", "モニタ ネットマスク", "モニタ DNSサーバ"}) {
      for (int i = 0; i < 4; ++i) made.monitor[next++] = std::string(family) + "[" + std::to_string(i) + "]";
    }
    for (std::int32_t n = 1; n <= SwitchCount; ++n) {
      const std::string digits(text::TwoDigits(n).View());
      made.rs485[static_cast<std::size_t>(n - 1)] = "収集有無[RS485-" + digits + "]";
      made.echo[static_cast<std::size_t>(n - 1)] = "収集有無[Echo-" + digits + "]";
    }
    for (std::int32_t n = 1; n <= MeterCount; ++n) {
      made.tags[static_cast<std::size_t>(n - 1)] =
          "計器タグ名[" + std::string(text::TwoDigits(n).View()) + "]";
    }
    return made;
  }();
  return labels;
}

}  // namespace

void Dump::BuildConfigSchema() {
  const NumberedLabels& labels = Labels();
  ClearCatalog(Layout::Config);
  RegisterFlashHead();

  const Section network{"Hard_Data-Network_Info"};
  RegisterFields(*this, std::array{ByteField("ネットワーク設定")}, network);
  for (const std::string& label : labels.dummies)
    RegisterFields(*this, std::array{ByteField(label)}, network);
  for (const std::string& label : labels.monitor)
    RegisterFields(*this, std::array{ByteField(label)}, network);

  static constexpr FieldSpec center[] = {
      TextField(68, "ホスト名"), WordField("センタポート"),   WordField("データ形式"),
      LongField("接続周期"),     TextField(12, "パスワード"),
  };
  RegisterFields(*this, center, {"Hard_Data-Center_Info"});

  static constexpr FieldSpec mainInfo[] = {
      TextField(4, "データバージョン"), TextField(4, "プログラムバージョン"),
      ByteField("会員登録ステータス"),  ByteField("テスト通信開始年"),
      ByteField("テスト通信開始月"),    ByteField("テスト通信開始日"),
      ByteField("テスト通信開始時"),    ByteField("テスト通信開始分"),
      ByteField("テスト通信開始秒"),    ByteField("ダミーC"),
      TextField(12, "Kov機器ID"),
  };
  RegisterFields(*this, mainInfo, {"Hard_Data-Main_Info"});

  static constexpr FieldSpec hardData[] = {ByteField("RS485計器設定オプション"),
                                           ByteField("特小計器設定オプション"), ByteField("ダミーC[0]"),
                                           ByteField("ダミーC[1]")};
  RegisterFields(*this, hardData, {"Hard_Data"});

  for (const std::string& label : labels.rs485) {
    RegisterFields(*this, std::array{ByteField(label)}, {"Hard_Data-Meter_Set-RS485"});
  }
  for (const std::string& label : labels.echo) {
    RegisterFields(*this, std::array{ByteField(label)}, {"Hard_Data-Meter_Set-Echo"});
  }

  // "計器種別" appears twice: the type as a number and as text.
  static constexpr FieldSpec meter[] = {
      ByteField("収集ID"),   ByteField("計器種別"),        ByteField("アドレス"),
      ByteField("最大桁数"), TextField(1, "メーカー記号"), ByteField("計器設定状態"),
      WordField("製造年"),   TextField(8, "計器種別"),     TextField(12, "計器番号"),
      TextField(8, "乗率"),
  };
  static_assert(std::size(meter) == config::MeterEntries && LabelIs(meter, config::Maker, "メーカー記号") &&
                LabelIs(meter, config::YearMade, "製造年") && LabelIs(meter, config::TypeText, "計器種別") &&
                LabelIs(meter, config::Number, "計器番号") && LabelIs(meter, config::Multiplier, "乗率"));
  for (std::int32_t m = 1; m <= MeterCount; ++m) {
    RegisterFields(*this, meter, {"Hard_Data-Meter_Info", -1, static_cast<std::int16_t>(m)});
  }

  for (const std::string& label : labels.tags) {
    RegisterField(TypeCode::Unsigned8, 52, {"Hard_Data-Meter_Tag"}, FieldKind::MultibyteText, label);
  }
}

}  // namespace varkelo::dump
