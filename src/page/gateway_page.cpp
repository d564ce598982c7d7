#include "page/gateway_page.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "page/gateway_tree.hpp"
#include "page/last_report.hpp"
#include "page/page_html.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::page {

platform::Status WriteGatewayPage(const std::filesystem::path& gatewayFolder, const std::string& layout,
                                  const std::filesystem::path& pagePath) {
  const std::filesystem::path folder =
      gatewayFolder.has_filename() ? gatewayFolder : gatewayFolder.parent_path();
  const std::filesystem::path target = pagePath.empty() ? folder / PageFileName : pagePath;
  if (platform::KindOfEntry(folder) != platform::EntryKind::Folder) {
    return platform::Failure{"no gateway folder at", platform::Utf8FromPath(folder),
                             std::make_error_code(std::errc::not_a_directory)};
  }
  const GatewayTree tree = ReadGatewayTree(folder, platform::Utf8FromPath(target.filename()));

  PageFacts facts;
  facts.layout = layout;
  if (layout.empty() && std::any_of(tree.days.begin(), tree.days.end(), [](const DayValues& day) {
        return day.kind == DayFileKind::NextDayStart;
      })) {
    facts.layout = "15分ごとの区間値（翌日開始ファイルがあることから推定）";
  }
  const LastReport report = ReadLastReport(folder.parent_path());
  facts.lastReport = report.line;
  facts.lastReportTime = report.time;
  facts.madeAt = UtcText(std::chrono::system_clock::now());

  platform::WholeFileWriter writer;
  platform::Status written = writer.Open(target);
  if (written) written = writer.Write(GatewayPageHtml(tree, facts));
  if (written) written = writer.Commit();
  return written;
}

}  // namespace varkelo::page
