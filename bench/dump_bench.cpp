// Cost of reading fields through the catalogue: as the values the export
// reads (about 2.5 million of them for a whole image), and as text.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "dump/dump_image.hpp"
#include "dump/layout.hpp"

namespace {

using varkelo::dump::Dump;
namespace halfhour = varkelo::dump::halfhour;

// A sector image that decodes to varied numbers and texts: printable bytes
// mixed with high bytes and the occasional zero.
void FillWithPattern(Dump& dump) {
  std::vector<std::uint8_t> block(varkelo::dump::DumpBlockSize);
  for (std::size_t i = 0; i < block.size(); ++i) {
    const auto b = static_cast<std::uint8_t>((i * 131 + (i >> 7) * 17) & 0xFF);
    block[i] = (i % 29 == 0) ? 0 : b;
  }
  dump.LoadBlockBytes(block);
}

void NumberValue(benchmark::State& state) {
  Dump dump;
  dump.PrepareCatalog(varkelo::dump::Layout::HalfHour);
  FillWithPattern(dump);
  for (auto _ : state) {
    auto value = dump.Number<std::uint32_t>(halfhour::Record(0, 1) + halfhour::Reading);  // 4 bytes
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(NumberValue);

void GetFieldTextNumber(benchmark::State& state) {
  Dump dump;
  dump.PrepareCatalog(varkelo::dump::Layout::HalfHour);
  FillWithPattern(dump);
  for (auto _ : state) {
    auto text = dump.GetFieldText(halfhour::Record(0, 1) + halfhour::Reading);  // 4 bytes
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(GetFieldTextNumber);

void GetFieldTextMultiplier(benchmark::State& state) {
  Dump dump;
  dump.PrepareCatalog(varkelo::dump::Layout::HalfHour);
  // "0.1" padded with spaces: eight characters, no NUL to stop at.
  const char multiplier[] = "0.1     ";
  std::vector<std::uint8_t> block(dump.Image().begin(), dump.Image().end());
  const std::int32_t index = halfhour::Record(0, 1) + halfhour::Multiplier;
  const auto offset = static_cast<std::size_t>(dump.Catalog()[static_cast<std::size_t>(index)].offset);
  for (std::size_t k = 0; k < 8; ++k) block[offset + k] = static_cast<std::uint8_t>(multiplier[k]);
  dump.LoadBlockBytes(block);
  for (auto _ : state) {
    auto text = dump.GetFieldText(index);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(GetFieldTextMultiplier);

void DecodeHalfHourSector(benchmark::State& state) {
  Dump dump;
  dump.PrepareCatalog(varkelo::dump::Layout::HalfHour);
  FillWithPattern(dump);
  for (auto _ : state) {
    std::size_t total = 0;
    for (std::int32_t i = 0; i < dump.FieldCount(); ++i) total += dump.GetFieldText(i).size();
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * dump.FieldCount());
}
BENCHMARK(DecodeHalfHourSector)->Unit(benchmark::kMicrosecond);

void PrepareHalfHourCatalog(benchmark::State& state) {
  Dump dump;
  for (auto _ : state) {
    dump.PrepareCatalog(varkelo::dump::Layout::HalfHour);
    benchmark::DoNotOptimize(dump.FieldCount());
  }
}
BENCHMARK(PrepareHalfHourCatalog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
