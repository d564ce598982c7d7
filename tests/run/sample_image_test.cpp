// The whole export of sample images of both layouts, byte for byte, against
// digests recorded from a reviewed export: a change to any day file, start
// file, meter list or name under the gateway folder changes the digest. When a
// change is meant, the failure shows the digest to record.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "export/export_driver.hpp"
#include "lib/sample_image.hpp"
#include "temp_folder.hpp"

namespace fs = std::filesystem;
using namespace varkelo;

namespace {

class NoProgress : public exporting::ExportProgress {
  void LetEventsRun() override {}
  void OnProgress(int) override {}
};

// FNV-1a over each file's path under `folder` and its bytes, in path order.
std::uint64_t TreeDigest(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(folder).generic_string()] = ReadFileBytes(entry.path());
  }
  std::uint64_t digest = 14695981039346656037u;
  for (const auto& [name, bytes] : files) {
    for (const unsigned char c : name + '\0' + bytes) digest = (digest ^ c) * 1099511628211u;
  }
  return digest;
}

TEST(SampleExports, BothLayoutsExportToTheRecordedTrees) {
  // From 10 December over the year end; the interval image runs into February
  // and holds every meter position.
  const struct {
    tools::SampleOptions options;
    std::uint64_t digest;
  } cases[] = {
      {{.Layout = tools::SampleLayout::HalfHour, .Seed = 7}, 8348917459504594327u},
      {{.Layout = tools::SampleLayout::Interval, .Seed = 3, .Days = 60, .ConfiguredMeters = dump::MeterCount},
       7342519597395886440u},
  };
  for (const auto& c : cases) {
    TempFolder app;
    ASSERT_TRUE(tools::WriteSampleImage(c.options, app.path() / "read.nmd"));
    NoProgress progress;
    exporting::Exporter exporter(app.path());
    ASSERT_EQ(exporter.RunExport(app.path() / "read.nmd", progress), exporting::ExportOutcome::Success);
    fs::remove(app.path() / "read.nmd");
    EXPECT_EQ(TreeDigest(app.path()), c.digest) << "seed " << c.options.Seed;
  }
}

}  // namespace
