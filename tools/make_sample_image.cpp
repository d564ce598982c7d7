// Writes a sample "read.nmd" of either measurement layout from a seed and
// tells what it holds.

#include <cstdio>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "lib/sample_image.hpp"

namespace {

using varkelo::tools::SampleDate;

// "YY-MM-DD" into the options; the calendar check is CheckSampleOptions's.
bool ParseFirstDate(const std::string& text, varkelo::tools::SampleOptions& options) {
  if (text.size() != 8 || text[2] != '-' || text[5] != '-') return false;
  int parts[3] = {};
  for (int part = 0; part < 3; ++part) {
    const char high = text[static_cast<std::size_t>(3 * part)];
    const char low = text[static_cast<std::size_t>(3 * part + 1)];
    if (high < '0' || high > '9' || low < '0' || low > '9') return false;
    parts[part] = (high - '0') * 10 + (low - '0');
  }
  options.firstYear = parts[0];
  options.firstMonth = parts[1];
  options.firstDay = parts[2];
  return true;
}

std::string DateText(const SampleDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year % 10000, date.month % 100, date.day % 100);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace varkelo::tools;
  CLI::App app{"Writes a sample gateway memory image (read.nmd)."};
  std::string layout;
  std::string firstDate = "12-12-10";
  std::string out;
  SampleOptions options;
  app.add_option("--layout", layout, "measurement layout")
      ->required()
      ->check(CLI::IsMember({"half", "interval"}));
  app.add_option("--seed", options.seed, "seed of the values")->capture_default_str();
  app.add_option("--out", out, "file to write")->required();
  app.add_option("--days", options.days, "consecutive days stored")->capture_default_str();
  app.add_option("--first-date", firstDate, "first stored day, YY-MM-DD")->capture_default_str();
  app.add_option("--meters", options.configuredMeters, "meter positions with data, from 1")
      ->capture_default_str();
  app.add_option("--device-id", options.deviceId, "gateway device ID, up to 12 characters")
      ->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  options.layout = layout == "half" ? SampleLayout::HalfHour : SampleLayout::Interval;
  if (!ParseFirstDate(firstDate, options)) {
    std::cerr << "make_sample_image: --first-date must read YY-MM-DD\n";
    return 2;
  }
  if (const varkelo::platform::Status checked = CheckSampleOptions(options); !checked) {
    std::cerr << "make_sample_image: " << checked.Reason().Describe() << "\n";
    return 2;
  }
  if (const varkelo::platform::Status written = WriteSampleImage(options, out); !written) {
    std::cerr << "make_sample_image: " << written.Reason().Describe() << "\n";
    return 1;
  }

  const SamplePlan plan = PlanSampleImage(options);
  std::cout << "wrote " << out << ": " << SampleImageSize << " bytes, "
            << (options.layout == SampleLayout::HalfHour ? "half-hourly" : "interval") << " layout, seed "
            << options.seed << ", device ID \"" << options.deviceId << "\"\n";
  if (options.configuredMeters > 0) {
    std::cout << "meters: positions 1 to " << options.configuredMeters << "\n";
  } else {
    std::cout << "meters: none\n";
  }
  // Days in runs of consecutive blocks, one line each.
  std::cout << "days (" << plan.days.size() << "):\n";
  for (std::size_t begin = 0; begin < plan.days.size();) {
    std::size_t end = begin + 1;
    while (end < plan.days.size() && plan.days[end].block == plan.days[end - 1].block + 1) ++end;
    const SampleDay& from = plan.days[begin];
    const SampleDay& to = plan.days[end - 1];
    if (end - begin == 1) {
      std::cout << "  " << DateText(from.date) << " at block " << from.block << "\n";
    } else {
      std::cout << "  " << DateText(from.date) << " to " << DateText(to.date) << " at blocks " << from.block
                << " to " << to.block << "\n";
    }
    begin = end;
  }
  if (plan.olderDay) {
    std::cout << "older day: " << DateText(plan.olderDay->date) << " at block " << plan.olderDay->block
              << "\n";
  } else {
    std::cout << "older day: none (no block free)\n";
  }
  for (const SampleGap& gap : plan.gaps) {
    std::cout << "unsaved: " << DateText(gap.date) << " slots " << gap.firstSlot << " to "
              << gap.firstSlot + gap.slotCount - 1
              << (gap.dataErased ? " (erased)" : " (written, flag erased)") << "\n";
  }
  return 0;
}
