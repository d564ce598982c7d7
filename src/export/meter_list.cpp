#include "export/meter_list.hpp"

#include <charconv>
#include <optional>
#include <string>

#include "csv/csv_format.hpp"
#include "text/cp932.hpp"
#include "text/line_writer.hpp"

namespace varkelo::exporting {
namespace {

namespace config = dump::config;

// The year of manufacture as the list shows it: four-digit years as they are,
// two-digit years in the 2000s, anything else (an erased year among them) "****".
void AppendMakeYear(std::optional<std::uint16_t> stored, std::string& line) {
  if (!stored || (*stored >= 100 && (*stored < 1000 || *stored > 9999))) {
    line += "****";
    return;
  }
  const std::uint32_t year = *stored < 100 ? *stored + 2000u : *stored;
  char digits[8];
  line.append(digits,
              static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, year).ptr - digits));
}

// A stored text, or `placeholder` when it is empty.
void AppendTextOr(const dump::ByteText& text, std::string_view placeholder, std::string& line) {
  if (text.Empty()) {
    line += placeholder;
  } else {
    text::AppendSingleByteCodes(text.Bytes(), line);
  }
}

}  // namespace

platform::Status WriteMeterList(const dump::BlockImage& image, const std::filesystem::path& path) {
  text::LineWriter writer;
  if (platform::Status opened = writer.Open(path); !opened) return opened;
  if (platform::Status header = writer.WriteLine(csv::MeterListHeader); !header) return header;
  std::string line;
  for (int n = 1; n <= dump::MeterCount; ++n) {
    const config::MeterFields meter(n);
    const dump::ByteText maker = image.Text(meter.MakerField());
    const dump::ByteText type = image.Text(meter.TypeTextField());
    const dump::ByteText number = image.Text(meter.NumberField());

    line = std::to_string(n);
    line += ',';
    // Only an erased maker symbol is marked; an empty type or number is.
    if (maker.Erased()) {
      line += '*';
    } else {
      text::AppendSingleByteCodes(maker.Bytes(), line);
    }
    line += '-';
    AppendMakeYear(image.Number(meter.YearMadeField()), line);
    line += '-';
    AppendTextOr(type, "****", line);
    line += '-';
    AppendTextOr(number, "**********", line);
    if (platform::Status written = writer.WriteEncodedLine(line); !written) return written;
  }
  return writer.Close();
}

}  // namespace varkelo::exporting
