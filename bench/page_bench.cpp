// The page of a gateway folder holding three years of day files for 40
// meters (1,096 files), with a warm page cache: time to read the tree and
// write the page, and the page's size. With VARKELO_BENCH_KEEP=FOLDER the tree
// and its page are made there and kept (bench/page_open.sh opens the page).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "page/gateway_page.hpp"
#include "text/cp932.hpp"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Header =
    "収集ID,年,月,日,時,分,リセットフラグ,30分使用電力量(順方向1),30分使用電力量(逆方向1),"
    "30分使用電力量(順方向2),30分使用電力量(順方向3),積算電力量(順方向1),積算電力量(逆方向1),"
    "積算電力量(順方向2),積算電力量(順方向3),乗率";

constexpr int Days = 1096;

// Day files from 2012-01-01 on: a daily load shape with noise, every 50th
// value missing.
void WriteTree(const fs::path& gateway) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> noise(0, 60);
  auto date = std::chrono::sys_days{std::chrono::year{2012} / 1 / 1};
  std::uint64_t reading = 1000000;
  for (int d = 0; d < Days; ++d, date += std::chrono::days{1}) {
    const std::chrono::year_month_day ymd{date};
    char month[8], name[16];
    std::snprintf(month, sizeof month, "%04d%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()));
    std::snprintf(name, sizeof name, "%s%02u.csv", month, static_cast<unsigned>(ymd.day()));
    fs::create_directories(gateway / month);
    std::string file;
    varkelo::text::EncodeCp932(Header, file);
    file += "\r\n";
    for (int h = 0; h < 48; ++h) {
      for (int m = 1; m <= 40; ++m) {
        const int value = 40 + static_cast<int>(120 * std::sin(h * 3.14159 / 48)) + noise(random) + m;
        reading += static_cast<std::uint64_t>(value);
        const bool missing = (d * 1920 + h * 40 + m) % 50 == 0;
        file += std::to_string(m) + ",12," + std::to_string(static_cast<unsigned>(ymd.month())) + "," +
                std::to_string(static_cast<unsigned>(ymd.day())) + "," + std::to_string(h / 2) + "," +
                (h % 2 ? "30" : "0") + ",0," + (missing ? "-" : std::to_string(value)) + ",0,0,0," +
                std::to_string(reading) + ",0,0,0," + (m % 3 ? "1" : "10") + "\r\n";
      }
    }
    std::ofstream(gateway / month / name, std::ios::binary) << file;
  }
}

void PageOfThreeYears(benchmark::State& state) {
  const char* keep = std::getenv("VARKELO_BENCH_KEEP");
  const fs::path app =
      keep ? fs::path(keep)
           : fs::temp_directory_path() / ("varkelo-bench-" + std::to_string(std::random_device{}()));
  const fs::path gateway = app / "SG012345";
  if (!fs::exists(gateway)) WriteTree(gateway);
  for (auto _ : state) {
    if (!varkelo::page::WriteGatewayPage(gateway, "")) state.SkipWithError("the page was not written");
  }
  state.counters["page_bytes"] = static_cast<double>(fs::file_size(gateway / varkelo::page::PageFileName));
  if (!keep) fs::remove_all(app);
}

BENCHMARK(PageOfThreeYears)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
