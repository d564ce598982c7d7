#include "export/meter_list.hpp"

#include <charconv>
#include <string>

#include "text/cp932.hpp"
#include "text/line_writer.hpp"

namespace varkelo::exporting {
namespace {

namespace config = dump::config;

// The year of manufacture as the list shows it: four-digit years as they are,
// two-digit years in the 2000s, anything else (an erased 65535 among them) "****".
std::string MakeYearText(std::string_view stored) {
  long value = 0;
  const auto [end, error] = std::from_chars(stored.data(), stored.data() + stored.size(), value);
  if (error != std::errc() || end != stored.data() + stored.size() || stored.empty()) return "****";
  if (value >= 1000 && value <= 9999) return std::to_string(value);
  if (value >= 100 || value < 0) return "****";
  return std::to_string(value + 2000);
}

}  // namespace

bool WriteMeterList(const dump::Dump& dump, const std::filesystem::path& path) {
  try {
    text::LineWriter writer;
    if (!writer.Open(path) || !writer.WriteLine("収集ID,計器情報")) return false;
    std::string line;
    for (int n = 1; n <= dump::MeterCount; ++n) {
      const std::int32_t group = config::MeterGroup(n);
      const dump::FieldText maker = dump.GetFieldText(group + config::Maker);
      const dump::FieldText type = dump.GetFieldText(group + config::TypeText);
      const dump::FieldText number = dump.GetFieldText(group + config::Number);

      line = std::to_string(n);
      line += ',';
      line += maker == text::ErasedByteChar ? std::string_view("*") : maker.view();
      line += '-';
      line += MakeYearText(dump.GetFieldText(group + config::YearMade));
      line += '-';
      line += type.empty() ? std::string_view("****") : type.view();
      line += '-';
      line += number.empty() ? std::string_view("**********") : number.view();
      if (!writer.WriteLine(line)) return false;
    }
    return static_cast<bool>(writer.Close());
  } catch (...) {
    return false;
  }
}

}  // namespace varkelo::exporting
