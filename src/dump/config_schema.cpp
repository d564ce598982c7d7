// Layout of block 0, the gateway's configuration area (config:: in layout.hpp).

#include <string>

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"

namespace varkelo::dump {

namespace {

// One switch per meter position: the RS-485 inputs, then as many Echo inputs.
constexpr std::int32_t SwitchCount = MeterCount / 2;

// Counted families in labels carry two digits: "収集有無[RS485-07]".
// Only meter positions occur.
std::string TwoDigits(std::int32_t n) {
  const char digits[] = {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
  return std::string(digits, sizeof digits);
}

}  // namespace

void Dump::BuildConfigSchema() {
  ClearCatalog();
  RegisterFlashHead(ConfigSchemaId);

  const std::string network = "S[0]Hard_Data-Network_Info";
  RegisterField("UC", 1, network, 0, "ネットワーク設定");
  for (int i = 0; i < 3; ++i) RegisterField("UC", 1, network, 0, "ダミーC[" + std::to_string(i) + "]");
  // The space after "モニタ" belongs to the last three families only.
  for (const std::string_view family :
       {"モニタIPアドレス", "モニタ ゲートウェイ", "モニタ ネットマスク", "モニタ DNSサーバ"}) {
    for (int i = 0; i < 4; ++i) {
      RegisterField("UC", 1, network, 0, std::string(family) + "[" + std::to_string(i) + "]");
    }
  }

  static const FieldSpec center[] = {
      {"UC", 68, 2, "ホスト名"}, {"US", 2, 0, "センタポート"}, {"US", 2, 0, "データ形式"},
      {"UL", 4, 0, "接続周期"},  {"UC", 12, 2, "パスワード"},
  };
  RegisterFields(*this, center, "S[0]Hard_Data-Center_Info");

  static const FieldSpec mainInfo[] = {
      {"UC", 4, 2, "データバージョン"},   {"UC", 4, 2, "プログラムバージョン"},
      {"UC", 1, 0, "会員登録ステータス"}, {"UC", 1, 0, "テスト通信開始年"},
      {"UC", 1, 0, "テスト通信開始月"},   {"UC", 1, 0, "テスト通信開始日"},
      {"UC", 1, 0, "テスト通信開始時"},   {"UC", 1, 0, "テスト通信開始分"},
      {"UC", 1, 0, "テスト通信開始秒"},   {"UC", 1, 0, "ダミーC"},
      {"UC", 12, 2, "Kov機器ID"},
  };
  RegisterFields(*this, mainInfo, "S[0]Hard_Data-Main_Info");

  const std::string_view hardData = "S[0]Hard_Data";
  RegisterField("UC", 1, hardData, 0, "RS485計器設定オプション");
  RegisterField("UC", 1, hardData, 0, "特小計器設定オプション");
  RegisterField("UC", 1, hardData, 0, "ダミーC[0]");
  RegisterField("UC", 1, hardData, 0, "ダミーC[1]");

  for (std::int32_t n = 1; n <= SwitchCount; ++n) {
    RegisterField("UC", 1, "S[0]Hard_Data-Meter_Set-RS485", 0, "収集有無[RS485-" + TwoDigits(n) + "]");
  }
  for (std::int32_t n = 1; n <= SwitchCount; ++n) {
    RegisterField("UC", 1, "S[0]Hard_Data-Meter_Set-Echo", 0, "収集有無[Echo-" + TwoDigits(n) + "]");
  }

  // "計器種別" appears twice: the type as a number and as text.
  static constexpr FieldSpec meter[] = {
      {"UC", 1, 0, "収集ID"},   {"UC", 1, 0, "計器種別"},     {"UC", 1, 0, "アドレス"},
      {"UC", 1, 0, "最大桁数"}, {"UC", 1, 2, "メーカー記号"}, {"UC", 1, 0, "計器設定状態"},
      {"US", 2, 0, "製造年"},   {"UC", 8, 2, "計器種別"},     {"UC", 12, 2, "計器番号"},
      {"UC", 8, 2, "乗率"},
  };
  static_assert(std::size(meter) == config::MeterEntries && LabelIs(meter, config::Maker, "メーカー記号") &&
                LabelIs(meter, config::YearMade, "製造年") && LabelIs(meter, config::TypeText, "計器種別") &&
                LabelIs(meter, config::Number, "計器番号") && LabelIs(meter, config::Multiplier, "乗率"));
  for (std::int32_t m = 1; m <= MeterCount; ++m) {
    const std::string section = "S[0]Hard_Data-Meter_Info[" + std::to_string(m) + "]";
    RegisterFields(*this, meter, section);
  }

  for (std::int32_t n = 1; n <= MeterCount; ++n) {
    RegisterField("UC", 52, "S[0]Hard_Data-Meter_Tag", 3, "計器タグ名[" + TwoDigits(n) + "]");
  }
}

}  // namespace varkelo::dump
