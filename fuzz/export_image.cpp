// Fuzz target: the field decoders and the whole CSV export of an arbitrary
// image, up to the last block the export reads.
//
// The input patches a sample image: see export_input.hpp.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dump/block_image.hpp"
#include "dump/field_catalogue.hpp"
#include "dump/field_text.hpp"
#include "dump/layout.hpp"
#include "export/export_driver.hpp"
#include "export_input.hpp"
#include "fuzz_check.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// --- Every call into the dump, the export and the tools; the one place to follow their renames. ---

using varkelo::exporting::ExportOutcome;

constexpr std::size_t BlockSize = varkelo::dump::DumpBlockSize;
constexpr std::size_t BlockCount = varkelo::dump::ImageBlocks;

class NoWindow : public varkelo::exporting::ExportProgress {
 public:
  void OnProgress(int percent) override { FUZZ_CHECK(percent >= 0 && percent <= 100); }
  void LetEventsRun() override {}
  bool StopRequested() override { return false; }
};

// A failed export says why; a successful one names its folder.
ExportOutcome RunExport(const fs::path& appFolder, const fs::path& imagePath) {
  varkelo::exporting::Exporter exporter(appFolder);
  NoWindow window;
  const varkelo::exporting::ExportResult result = exporter.RunExport(imagePath, window);
  FUZZ_CHECK(result.failure.what.empty() == (result.outcome != ExportOutcome::CsvError));
  FUZZ_CHECK(result.outcome == ExportOutcome::CsvError || result.gatewayFolder.parent_path() == appFolder);
  return result.outcome;
}

using varkelo::dump::Layout;

// --- End of the calls. ---

// Every registered field of a block of the image decodes to a well-formed
// text, and a single-byte text reads as erased exactly when all its bytes are.
void CheckDecodedFields(Layout layout, const fs::path& imagePath, std::int32_t block) {
  const varkelo::dump::FieldCatalogue catalogue(layout);
  varkelo::dump::BlockImage image;
  if (!image.LoadBlock(imagePath, block)) return;
  for (std::int32_t i = 0; i < catalogue.FieldCount(); ++i) {
    const varkelo::dump::FieldDescriptor& entry = catalogue.Entry(i);
    const std::string text = varkelo::dump::GetFieldText(catalogue, image, i).Str();
    FUZZ_CHECK(IsValidUtf8(text));
    if (entry.kind != varkelo::dump::FieldKind::ByteText) continue;
    std::string erased;
    for (int k = 0; k < entry.length; ++k) erased += varkelo::text::ErasedByteChar;
    const varkelo::dump::ByteText value(image.Bytes().subspan(static_cast<std::size_t>(entry.offset),
                                                              static_cast<std::size_t>(entry.length)));
    FUZZ_CHECK(value.Erased() == (text == erased));
  }
}

fuzz_input::BuiltImage BuildImage(std::span<const std::uint8_t> input) {
  static const Bytes interval = varkelo::tools::MakeSampleImage(fuzz_input::FuzzSampleOptions(false));
  static const Bytes halfHour = varkelo::tools::MakeSampleImage(fuzz_input::FuzzSampleOptions(true));
  FUZZ_CHECK(interval.size() == BlockCount * BlockSize && halfHour.size() == interval.size());
  return fuzz_input::BuildImage(input, interval, halfHour);
}

// The last two bytes of a file.
std::string Tail(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const auto size = static_cast<std::streamoff>(in.tellg());
  std::string tail(static_cast<std::size_t>(std::min<std::streamoff>(2, size)), '\0');
  in.seekg(size - static_cast<std::streamoff>(tail.size()));
  in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  return tail;
}

void EmptyFolder(const fs::path& folder) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
}

// The folder holds exactly one entry, the given one.
void CheckOnlyEntry(const fs::path& folder, const fs::path& only) {
  FUZZ_CHECK(std::distance(fs::directory_iterator(folder), fs::directory_iterator()) == 1 &&
             fs::exists(only));
}

// What the export left: only folders and regular files, inside the
// application folder. Every file is whole lines, ending with CR LF, and no
// temporary file of a writer is left behind.
void CheckWrittenFiles(const fs::path& root, const fs::path& outside, const fs::path& appFolder,
                       const fs::path& imagePath) {
  CheckOnlyEntry(root, outside);
  CheckOnlyEntry(outside, appFolder);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(appFolder)) {
    FUZZ_CHECK(!entry.is_symlink());
    if (entry.is_directory()) continue;
    FUZZ_CHECK(entry.is_regular_file());
    if (entry.path() == imagePath) continue;
    FUZZ_CHECK(entry.path().extension() != ".tmp");
    if (Tail(entry.path()) == "\r\n") continue;
    std::fprintf(stderr, "written without a CR LF at its end: %s\n", entry.path().c_str());
    FUZZ_CHECK(!"every file written ends with CR LF");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  // The application folder lies two levels down, so that a step out of it shows.
  static const TempFolder root;
  static const fs::path outside = root.Path() / "outside";
  static const fs::path appFolder = outside / "app";
  static const fs::path imagePath = appFolder / "read.nmd";
  fs::create_directories(appFolder);
  EmptyFolder(appFolder);

  const fuzz_input::BuiltImage built = BuildImage(input);
  FUZZ_CHECK(WriteFileBytes(imagePath, built.image));

  const std::uint8_t flags = input.empty() ? 0 : input[0];
  const bool halfHour =
      ((flags & fuzz_input::HalfHourSample) != 0) != ((flags & fuzz_input::OtherCatalogue) != 0);
  const auto sectorBlock = static_cast<std::int32_t>(std::clamp<std::size_t>(
      built.firstPatch / BlockSize, varkelo::dump::FirstSectorBlock, varkelo::dump::LastSectorBlock));
  // Every field of the configuration block and of the first patched sector.
  CheckDecodedFields(Layout::Config, imagePath, 0);
  CheckDecodedFields(halfHour ? Layout::HalfHour : Layout::Interval, imagePath, sectorBlock);
  // A text field is decoded a character at a time, and must read as the whole field converted at once,
  // cut-off and invalid pairs included (64 bytes: their text always fits a field's).
  const std::span<const std::uint8_t> text = input.first(std::min<std::size_t>(size, 64));
  FUZZ_CHECK(varkelo::dump::DecodeTagText(text).View() == varkelo::text::DecodeCp932(text));

  const ExportOutcome outcome = RunExport(appFolder, imagePath);
  FUZZ_CHECK(outcome == ExportOutcome::Success || outcome == ExportOutcome::CsvError);
  CheckWrittenFiles(root.Path(), outside, appFolder, imagePath);
  EmptyFolder(appFolder);
  return 0;
}
