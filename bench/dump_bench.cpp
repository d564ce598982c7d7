// Cost of reading fields: as the values the export reads through their
// handles (about 2.5 million of them for a whole image), and as text through
// the catalogue.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "dump/block_image.hpp"
#include "dump/field_catalogue.hpp"
#include "dump/field_text.hpp"
#include "dump/layout.hpp"

namespace {

namespace dump = varkelo::dump;
namespace halfhour = dump::halfhour;

// A sector image that decodes to varied numbers and texts: printable bytes
// mixed with high bytes and the occasional zero.
void FillWithPattern(dump::BlockImage& image) {
  std::vector<std::uint8_t> block(dump::DumpBlockSize);
  for (std::size_t i = 0; i < block.size(); ++i) {
    const auto b = static_cast<std::uint8_t>((i * 131 + (i >> 7) * 17) & 0xFF);
    block[i] = (i % 29 == 0) ? 0 : b;
  }
  image.LoadBlockBytes(block);
}

void NumberValue(benchmark::State& state) {
  dump::BlockImage image;
  FillWithPattern(image);
  const auto field = halfhour::RecordFields(0, 1).ReadingField(0);  // 4 bytes
  for (auto _ : state) {
    auto value = image.Number(field);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(NumberValue);

void GetFieldTextNumber(benchmark::State& state) {
  const dump::FieldCatalogue catalogue(dump::Layout::HalfHour);
  dump::BlockImage image;
  FillWithPattern(image);
  for (auto _ : state) {
    auto text = dump::GetFieldText(catalogue, image, halfhour::Record(0, 1) + halfhour::Reading);  // 4 bytes
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(GetFieldTextNumber);

void GetFieldTextMultiplier(benchmark::State& state) {
  const dump::FieldCatalogue catalogue(dump::Layout::HalfHour);
  dump::BlockImage image;
  // "0.1" padded with spaces: eight characters, no NUL to stop at.
  const char multiplier[] = "0.1     ";
  std::vector<std::uint8_t> block(dump::DumpBlockSize, 0xFF);
  const std::int32_t index = halfhour::Record(0, 1) + halfhour::Multiplier;
  const auto offset = static_cast<std::size_t>(catalogue.Entry(index).offset);
  for (std::size_t k = 0; k < 8; ++k) block[offset + k] = static_cast<std::uint8_t>(multiplier[k]);
  image.LoadBlockBytes(block);
  for (auto _ : state) {
    auto text = dump::GetFieldText(catalogue, image, index);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(GetFieldTextMultiplier);

void DecodeHalfHourSector(benchmark::State& state) {
  const dump::FieldCatalogue catalogue(dump::Layout::HalfHour);
  dump::BlockImage image;
  FillWithPattern(image);
  for (auto _ : state) {
    std::size_t total = 0;
    for (std::int32_t i = 0; i < catalogue.FieldCount(); ++i)
      total += dump::GetFieldText(catalogue, image, i).View().size();
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * catalogue.FieldCount());
}
BENCHMARK(DecodeHalfHourSector)->Unit(benchmark::kMicrosecond);

void BuildHalfHourCatalogue(benchmark::State& state) {
  for (auto _ : state) {
    const dump::FieldCatalogue catalogue(dump::Layout::HalfHour);
    benchmark::DoNotOptimize(catalogue.FieldCount());
  }
}
BENCHMARK(BuildHalfHourCatalogue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
