#include "run/gateway_pages.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>

#include "dump/block_image.hpp"
#include "dump/field_text.hpp"
#include "export/export_driver.hpp"
#include "export/output_paths.hpp"
#include "page/gateway_page.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::run {
namespace {

struct ImageGateway {
  std::filesystem::path folder;
  std::string layout;
};

// The gateway folder and the layout that the configuration block of the image names.
std::optional<ImageGateway> GatewayOfImage(const std::filesystem::path& appFolder) {
  dump::BlockImage image;
  const std::filesystem::path path = appFolder / "read.nmd";
  if (platform::KindOfEntry(path) != platform::EntryKind::RegularFile ||
      !image.LoadBlock(path, dump::ConfigBlock)) {
    return std::nullopt;
  }
  const bool halfHourly = exporting::SectorLayout(image) == dump::Layout::HalfHour;
  return ImageGateway{
      exporting::GatewayFolder(appFolder, dump::DecodeByteText(image.Text(dump::config::DeviceIdField))),
      halfHourly ? "30分ごとの値（30分値を記録する形式）" : "15分ごとの区間値（2区間を30分にまとめる形式）"};
}

bool IsMonthFolderName(const std::string& name) {
  return name.size() == 6 &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool LooksLikeGatewayFolder(const std::filesystem::path& folder) {
  if (platform::KindOfEntry(folder) != platform::EntryKind::Folder) return false;
  if (platform::KindOfEntry(folder / "ID.csv") == platform::EntryKind::RegularFile) return true;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (IsMonthFolderName(platform::Utf8FromPath(it->path().filename())) &&
        platform::KindOfEntry(it->path()) == platform::EntryKind::Folder) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<std::filesystem::path> GatewayFolderOf(const std::filesystem::path& appFolder) {
  const std::optional<ImageGateway> named = GatewayOfImage(appFolder);
  if (named && LooksLikeGatewayFolder(named->folder)) return named->folder;
  std::optional<std::filesystem::path> first;
  std::error_code error;
  for (std::filesystem::directory_iterator it(appFolder, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (LooksLikeGatewayFolder(it->path()) && (!first || it->path() < *first)) first = it->path();
  }
  return first;
}

PagesMade MakeGatewayPages(const std::filesystem::path& appFolder) {
  std::vector<std::pair<std::filesystem::path, std::string>> gateways;
  const std::optional<ImageGateway> named = GatewayOfImage(appFolder);
  if (named && LooksLikeGatewayFolder(named->folder)) {
    gateways.emplace_back(named->folder, named->layout);
  } else {
    std::error_code error;
    for (std::filesystem::directory_iterator it(appFolder, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
      if (LooksLikeGatewayFolder(it->path())) gateways.emplace_back(it->path(), "");
    }
    std::sort(gateways.begin(), gateways.end());
  }
  PagesMade made;
  if (gateways.empty()) {
    made.failures.push_back({"no gateway folder with CSV files in", platform::Utf8FromPath(appFolder), {}});
  }
  for (const auto& [folder, layout] : gateways) {
    if (const platform::Status written = page::WriteGatewayPage(folder, layout); !written) {
      made.failures.push_back(written.Reason());
    } else {
      made.written.push_back(folder / page::PageFileName);
    }
  }
  return made;
}

}  // namespace varkelo::run
