// The catalogue of block 0, the gateway's configuration area (config:: in layout.hpp).

#include <array>
#include <string>

#include "dump/field_catalogue.hpp"
#include "dump/layout.hpp"
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

static_assert(1 + std::tuple_size_v<decltype(NumberedLabels::dummies)> +
                  std::tuple_size_v<decltype(NumberedLabels::monitor)> ==
              NetworkFields);

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

void FieldCatalogue::BuildConfig() {
  const NumberedLabels& labels = Labels();
  const auto one = [this](std::string_view label, std::string_view path) {
    const FieldSpec field = ByteField(label);
    Register(std::span(&field, 1), {path});
  };
  one("ネットワーク設定", "Hard_Data-Network_Info");
  for (const std::string& label : labels.dummies) one(label, "Hard_Data-Network_Info");
  for (const std::string& label : labels.monitor) one(label, "Hard_Data-Network_Info");
  Register(ConfigCenter, {"Hard_Data-Center_Info"});
  Register(ConfigMainInfo, {"Hard_Data-Main_Info"});
  Register(ConfigHardData, {"Hard_Data"});
  for (const std::string& label : labels.rs485) one(label, "Hard_Data-Meter_Set-RS485");
  for (const std::string& label : labels.echo) one(label, "Hard_Data-Meter_Set-Echo");
  for (std::int32_t m = 1; m <= MeterCount; ++m) {
    Register(ConfigMeter, {"Hard_Data-Meter_Info", -1, static_cast<std::int16_t>(m)});
  }
  for (const std::string& label : labels.tags) {
    const FieldSpec tag{ConfigMeterTag.length, ConfigMeterTag.kind, label};
    Register(std::span(&tag, 1), {"Hard_Data-Meter_Tag"});
  }
}

}  // namespace varkelo::dump
