// Writes the fixture of the page script's tests: the data block the program
// puts into a page, made by its own encoder from days chosen for the value
// code's edges, beside the values it was given. The tests decode the block
// with the script that ships and compare, so the encoder and the decoder are
// checked against each other. Usage: page_fixture OUTPUT.json
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "page/page_html.hpp"

using namespace varkelo::page;

namespace {

// A budget that the two big days at the start do not fit into: they are summed.
constexpr std::size_t FixtureBudget = 4000;

DayValues Day(CalendarDay date, const std::function<std::int64_t(int, int)>& value,
              DayFileKind kind = DayFileKind::Day) {
  DayValues day{date, kind, {}};
  for (int m = 1; m <= MeterPositions; ++m) {
    MeterDay& meter = day.meters[static_cast<std::size_t>(m - 1)];
    for (int h = 0; h < HalfHours; ++h) meter.consumption[static_cast<std::size_t>(h)] = value(m, h);
    meter.multiplier = m % 2 ? "1" : "0.5";
  }
  return day;
}

std::int64_t Edges(int m, int h) {
  static constexpr std::int64_t Large[] = {44, 45, 2024, 2025, 91124, 91125, 4294967295, 999999999999999};
  switch (m) {
    case 1:  // one digit up to 44, two from 45 on
      return h;
    case 2:  // the edges of two and three digits, the largest value a day file holds; gaps after them
      return h < 8 ? Large[h] : NoValue;
    case 3:  // a value alone between gaps
      return h == 1 || h == HalfHours - 1 ? 7 : NoValue;
    case 5:
      return 0;
    default:
      return NoValue;
  }
}

void AppendExpected(std::string& out, const DayValues& day) {
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.date.year, day.date.month, day.date.day);
  out += std::string(R"({"d":")") + date + R"(","meters":{)";
  bool firstMeter = true;
  for (int m = 1; m <= MeterPositions; ++m) {
    const MeterDay& meter = day.meters[static_cast<std::size_t>(m - 1)];
    std::string values;
    bool any = false;
    for (const std::int64_t value : meter.consumption) {
      if (!values.empty()) values += ',';
      values += value == NoValue ? "null" : std::to_string(value);
      any = any || value != NoValue;
    }
    if (!any) continue;
    out += (firstMeter ? "\"" : ",\"") + std::to_string(m) + "\":[" + values + "]";
    firstMeter = false;
  }
  out += "}}";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: page_fixture OUTPUT.json\n";
    return 2;
  }
  GatewayTree tree;
  const auto big = [](int m, int h) -> std::int64_t { return 10000 + 100 * m + h; };
  tree.days = {Day({2012, 12, 30}, big), Day({2012, 12, 31}, big), Day({2013, 1, 5}, Edges),
               // a day that had ended: values up to 23:30
               Day({2013, 1, 6}, [](int m, int h) -> std::int64_t { return m <= 2 ? 10 * m + h : NoValue; }),
               // today's file, written at noon
               Day({2013, 1, 7}, [](int m, int h) -> std::int64_t { return m <= 2 && h < 24 ? 5 : NoValue; }),
               Day(
                   {2013, 1, 8}, [](int, int) { return NoValue; }, DayFileKind::NextDayStart)};
  tree.days[2].meters[4].multiplier = "\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3\uF8F3";  // erased

  std::string out = "{\"data\":" + PageDataJson(tree, FixtureBudget) + ",\"expected\":[";
  for (const DayValues& day : tree.days) {
    if (&day != &tree.days.front()) out += ',';
    AppendExpected(out, day);
  }
  out += "]}\n";
  std::ofstream file(argv[1], std::ios::binary);
  file << out;
  file.close();
  if (!file) {
    std::cerr << "page_fixture: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
