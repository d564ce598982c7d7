// RunExport on full sample images of both layouts, with a warm page
// cache: time per image, and the bytes of CSV written.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <random>

#include "dump/layout.hpp"
#include "export/export_driver.hpp"
#include "lib/sample_image.hpp"

namespace fs = std::filesystem;

namespace {

class NoProgress : public varkelo::exporting::ExportProgress {
 public:
  void LetEventsRun() override {}
  bool StopRequested() override { return false; }
  void OnProgress(int) override {}
};

std::uintmax_t BytesUnder(const fs::path& folder) {
  std::uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) total += entry.file_size();
  }
  return total;
}

void ExportImage(benchmark::State& state, varkelo::tools::SampleLayout layout) {
  const fs::path folder =
      fs::temp_directory_path() / ("varkelo-bench-" + std::to_string(std::random_device{}()));
  fs::create_directories(folder);
  varkelo::tools::SampleOptions options;
  options.layout = layout;
  options.configuredMeters = varkelo::dump::MeterCount;
  if (!varkelo::tools::WriteSampleImage(options, folder / "read.nmd")) {
    state.SkipWithError("cannot write the sample image");
    return;
  }
  NoProgress progress;
  auto outcome = varkelo::exporting::ExportOutcome::CsvError;
  for (auto _ : state) {
    varkelo::exporting::Exporter exporter(folder);
    outcome = exporter.RunExport(folder / "read.nmd", progress).outcome;
  }
  if (outcome != varkelo::exporting::ExportOutcome::Success) state.SkipWithError("the export failed");
  const std::uintmax_t written = BytesUnder(folder) - fs::file_size(folder / "read.nmd");
  state.counters["csv_bytes"] = static_cast<double>(written);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_kib"] = static_cast<double>(usage.ru_maxrss);
  fs::remove_all(folder);
}

BENCHMARK_CAPTURE(ExportImage, half_hour, varkelo::tools::SampleLayout::HalfHour)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportImage, interval, varkelo::tools::SampleLayout::Interval)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
