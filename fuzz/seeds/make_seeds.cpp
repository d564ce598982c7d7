// Writes the generated seeds of the frames, link_frames and export_image
// targets into fuzz/corpus/: frames as the gateway simulator sends them, and
// patches over the sample image at the places the field catalogue names.
//
//   fuzz_make_seeds CORPUS_FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "dump/field_catalogue.hpp"
#include "export_input.hpp"
#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"
#include "temp_folder.hpp"

namespace {

namespace fs = std::filesystem;
namespace tools = varkelo::tools;
using Bytes = std::vector<std::uint8_t>;

void WriteSeed(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  WriteFileBytes(folder / name, bytes);
}

// --- frames: one byte k, k cut sizes (16-bit little-endian), then the stream. ---

Bytes FramesInput(std::initializer_list<std::uint16_t> cuts, std::initializer_list<Bytes> frames) {
  Bytes input{static_cast<std::uint8_t>(cuts.size())};
  for (const std::uint16_t cut : cuts) {
    input.push_back(static_cast<std::uint8_t>(cut & 0xFF));
    input.push_back(static_cast<std::uint8_t>(cut >> 8));
  }
  for (const Bytes& frame : frames) input.insert(input.end(), frame.begin(), frame.end());
  return input;
}

// link_frames takes one byte of failures to inject before the input of frames.
void WriteFrameSeeds(const fs::path& folder, const fs::path& linkFolder) {
  const Bytes image = tools::MakeSampleImage(fuzz_input::FuzzSampleOptions(false));
  // Record `number`, carrying the bytes of the image's record of that number where it has one.
  const auto record = [&](std::uint16_t number) {
    const std::size_t records = image.size() / tools::SimRecordSize;
    const std::size_t from = (number - 1u) % records;
    return tools::MakeDataFrame(number,
                                std::span(image).subspan(from * tools::SimRecordSize, tools::SimRecordSize));
  };
  const Bytes end = tools::MakeEndFrame('0');
  Bytes malformed = record(2);
  malformed[1] |= 0x80;
  Bytes recordZero = record(2);
  recordZero[4] = recordZero[5] = 0;

  const Bytes whole = FramesInput({}, {record(1), record(2), record(3), end});
  WriteSeed(folder, "download_whole", whole);
  WriteSeed(folder, "download_byte_by_byte", FramesInput({1}, {record(1), end}));
  WriteSeed(folder, "download_small_segments", FramesInput({536}, {record(1), record(2), end}));
  WriteSeed(folder, "last_record_and_end_joined", FramesInput({1030, 1035}, {record(1), record(2), end}));
  WriteSeed(folder, "uneven_cuts", FramesInput({4, 2, 1000, 24, 5}, {record(1), record(2), end}));
  WriteSeed(folder, "transfer_refused", FramesInput({}, {record(1), tools::MakeEndFrame('1')}));
  WriteSeed(folder, "length_high_bit", FramesInput({}, {record(1), malformed, end}));
  WriteSeed(folder, "record_number_0", FramesInput({}, {recordZero, end}));
  WriteSeed(folder, "last_record_number", FramesInput({}, {record(8192), record(32767)}));
  WriteSeed(folder, "data_frame_without_record", FramesInput({6}, {{0x02, 0x00, '0', '5', 0x01, 0x00}, end}));
  WriteSeed(folder, "ignored_code_15", FramesInput({}, {{0x02, 0x00, '1', '5', 0x01, 0x00}, end}));

  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    Bytes seed{0};
    seed.insert(seed.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    WriteSeed(linkFolder, entry.path().filename().string(), seed);
  }
  const auto withFailures = [&](std::uint8_t failures) {
    Bytes seed{failures};
    seed.insert(seed.end(), whole.begin(), whole.end());
    return seed;
  };
  WriteSeed(linkFolder, "record_store_fails_once", withFailures(1));
  WriteSeed(linkFolder, "ack_fails_twice", withFailures(2 | 4));
}

// --- export_image: patches over the sample image (export_input.hpp). ---

std::size_t FieldOffset(varkelo::dump::Layout layout, std::int32_t index) {
  return static_cast<std::size_t>(varkelo::dump::FieldCatalogue(layout).Entry(index).offset);
}

void WriteExportSeeds(const fs::path& folder) {
  using fuzz_input::InputWriter;
  constexpr std::size_t Block = fuzz_input::BlockSize;
  // Field places named by the catalogue: the configuration block's program
  // version and device ID, and the first meter's maker, type and number.
  namespace config = varkelo::dump::config;
  const std::size_t version = FieldOffset(varkelo::dump::Layout::Config, config::ProgramVersion);
  const std::size_t deviceId = FieldOffset(varkelo::dump::Layout::Config, config::DeviceId);
  const std::size_t meterType =
      FieldOffset(varkelo::dump::Layout::Config, config::MeterGroup(1) + config::TypeText);
  // The head's year, month and day of a sector block.
  const std::size_t year = FieldOffset(varkelo::dump::Layout::Interval, varkelo::dump::head::Year);
  // A stored day of the sample and the block of the day after it.
  const tools::SamplePlan plan = tools::PlanSampleImage(fuzz_input::FuzzSampleOptions(false));
  const std::size_t dayBlock = static_cast<std::size_t>(plan.days.front().block);
  const std::size_t lastDayBlock = static_cast<std::size_t>(plan.days.back().block);

  const std::uint8_t interval = 0;
  const std::uint8_t halfHour = fuzz_input::HalfHourSample;
  WriteSeed(folder, "interval_sample", InputWriter(interval).Input());
  WriteSeed(folder, "half_hour_sample", InputWriter(halfHour).Input());
  WriteSeed(folder, "half_hour_read_as_interval",
            InputWriter(halfHour | fuzz_input::OtherCatalogue).Patch(dayBlock * Block + 7, "\x01").Input());
  WriteSeed(folder, "empty_image", InputWriter(interval).CutTo(0).Input());
  WriteSeed(folder, "configuration_block_only", InputWriter(halfHour).CutTo(Block).Input());
  WriteSeed(folder, "cut_inside_a_day", InputWriter(interval).CutTo(dayBlock * Block + 5000).Input());
  WriteSeed(folder, "device_id_dot_dot",
            InputWriter(interval).Patch(deviceId, std::string("..\0", 3)).Input());
  WriteSeed(folder, "device_id_path", InputWriter(halfHour).Patch(deviceId, "../../x/").Input());
  WriteSeed(folder, "device_id_empty", InputWriter(interval).Patch(deviceId, std::string(1, '\0')).Input());
  WriteSeed(folder, "device_id_double_byte",
            InputWriter(interval).Patch(deviceId, "\x82\xa0\x81\x5c\x83\x40\xff\x81").Input());
  WriteSeed(folder, "version_1_on_interval_image", InputWriter(interval).Patch(version, "1").Input());
  WriteSeed(folder, "meter_type_lone_lead_byte",
            InputWriter(interval).Patch(meterType, "\x81\x81\x81\xfd").Input());
  WriteSeed(folder, "head_30_february",
            InputWriter(halfHour).Patch(dayBlock * Block + year, "\x0c\x02\x1e").Input());
  WriteSeed(folder, "head_month_13",
            InputWriter(interval).Patch(dayBlock * Block + year, "\x0c\x0d\x01").Input());
  WriteSeed(folder, "day_after_last_erased_from_its_slots",
            InputWriter(interval).FillBlockFrom((lastDayBlock + 1) * Block + 8, 0xFF).Input());
  WriteSeed(folder, "day_zeroed_after_head",
            InputWriter(interval).FillBlockFrom(dayBlock * Block + 8, 0).Input());
  WriteSeed(folder, "configuration_erased", InputWriter(interval).FillBlockFrom(0, 0xFF).Input());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds CORPUS_FOLDER\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  WriteFrameSeeds(corpus / "frames", corpus / "link_frames");
  WriteExportSeeds(corpus / "export_image");
  return 0;
}
