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
  options.FirstYear = parts[0];
  options.FirstMonth = parts[1];
  options.FirstDay = parts[2];
  return true;
}

std::string DateText(const SampleDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year % 10000, date.Month % 100, date.Day % 100);
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
  app.add_option("--seed", options.Seed, "seed of the values")->capture_default_str();
  app.add_option("--out", out, "file to write")->required();
  app.add_option("--days", options.Days, "consecutive days stored")->capture_default_str();
  app.add_option("--first-date", firstDate, "first stored day, YY-MM-DD")->capture_default_str();
  app.add_option("--meters", options.ConfiguredMeters, "meter positions with data, from 1")
      ->capture_default_str();
  app.add_option("--device-id", options.DeviceId, "gateway device ID, up to 12 characters")
      ->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  options.Layout = layout == "half" ? SampleLayout::HalfHour : SampleLayout::Interval;
  if (!ParseFirstDate(firstDate, options)) {
    std::cerr << "make_sample_image: --first-date must read YY-MM-DD\n";
    return 2;
  }
  std::string problem;
  if (!CheckSampleOptions(options, &problem)) {
    std::cerr << "make_sample_image: " << problem << "\n";
    return 2;
  }
  if (!WriteSampleImage(options, out)) {
    std::cerr << "make_sample_image: cannot write " << out << "\n";
    return 1;
  }

  const SamplePlan plan = PlanSampleImage(options);
  std::cout << "wrote " << out << ": " << SampleImageSize << " bytes, "
            << (options.Layout == SampleLayout::HalfHour ? "half-hourly" : "interval") << " layout, seed "
            << options.Seed << ", device ID \"" << options.DeviceId << "\"\n";
  if (options.ConfiguredMeters > 0) {
    std::cout << "meters: positions 1 to " << options.ConfiguredMeters << "\n";
  } else {
    std::cout << "meters: none\n";
  }
  // Days in runs of consecutive blocks, one line each.
  std::cout << "days (" << plan.Days.size() << "):\n";
  for (std::size_t begin = 0; begin < plan.Days.size();) {
    std::size_t end = begin + 1;
    while (end < plan.Days.size() && plan.Days[end].Block == plan.Days[end - 1].Block + 1) ++end;
    const SampleDay& from = plan.Days[begin];
    const SampleDay& to = plan.Days[end - 1];
    if (end - begin == 1) {
      std::cout << "  " << DateText(from.Date) << " at block " << from.Block << "\n";
    } else {
      std::cout << "  " << DateText(from.Date) << " to " << DateText(to.Date) << " at blocks " << from.Block
                << " to " << to.Block << "\n";
    }
    begin = end;
  }
  if (plan.OlderDay) {
    std::cout << "older day: " << DateText(plan.OlderDay->Date) << " at block " << plan.OlderDay->Block
              << "\n";
  } else {
    std::cout << "older day: none (no block free)\n";
  }
  for (const SampleGap& gap : plan.Gaps) {
    std::cout << "unsaved: " << DateText(gap.Date) << " slots " << gap.FirstSlot << " to "
              << gap.FirstSlot + gap.SlotCount - 1
              << (gap.DataErased ? " (erased)" : " (written, flag erased)") << "\n";
  }
  return 0;
}
