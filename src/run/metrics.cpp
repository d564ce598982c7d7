#include "run/metrics.hpp"

#include <cstdio>
#include <functional>
#include <utility>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"
#include "run/result_report.hpp"

namespace varkelo::run {
namespace {

// A label value with the backslash, the double quote and the line feed escaped.
std::string LabelValue(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return escaped;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

struct Family {
  const char* name;
  const char* help;
  std::function<std::string(const GatewayRun&)> value;
};

}  // namespace

std::string MetricsText(const std::vector<GatewayRun>& runs, const std::optional<FleetCounts>& fleet) {
  const auto seconds = [](auto duration) { return std::chrono::duration<double>(duration).count(); };
  const Family families[] = {
      {"varkelo_gateway_success", "Whether the gateway's last run succeeded (1) or not (0).",
       [](const GatewayRun& run) {
         return std::string(run.result.outcome == RunOutcome::Success && !run.result.reportFailure ? "1"
                                                                                                   : "0");
       }},
      {"varkelo_gateway_result_code",
       "The result code of the gateway's last run: 1 success, 2 invalid address, 3 no connection, 4 no "
       "response, "
       "5 CSV error, 0 none.",
       [](const GatewayRun& run) { return std::to_string(ResultCodeOf(run.result.outcome)); }},
      {"varkelo_gateway_end_time_seconds", "When the gateway's last run ended, in Unix seconds.",
       [&](const GatewayRun& run) { return Number(seconds(run.ended.time_since_epoch())); }},
      {"varkelo_gateway_duration_seconds", "How long the gateway's last run took.",
       [&](const GatewayRun& run) { return Number(seconds(run.duration)); }},
      {"varkelo_gateway_records_downloaded", "Records of the image the gateway's last run downloaded.",
       [](const GatewayRun& run) { return std::to_string(run.result.recordsDownloaded); }},
      {"varkelo_gateway_day_files_written", "Day files the gateway's last run wrote.",
       [](const GatewayRun& run) { return std::to_string(run.result.dayFiles); }},
  };
  std::string text;
  for (const Family& family : families) {
    text += std::string("# HELP ") + family.name + " " + family.help + "\n# TYPE " + family.name + " gauge\n";
    for (const GatewayRun& run : runs) {
      if (run.skipped) continue;
      text += std::string(family.name) + "{folder=\"" + LabelValue(platform::Utf8FromPath(run.folder)) +
              "\",address=\"" + LabelValue(run.result.gatewayAddress) + "\"} " + family.value(run) + "\n";
    }
  }
  if (fleet) {
    const std::size_t unread = fleet->total - fleet->succeeded - fleet->failed - fleet->skipped;
    text +=
        "# HELP varkelo_fleet_gateways Gateways of the fleet by how their run ended: succeeded, failed, "
        "skipped (the folder held by another run, or gone), not_read (a stop came first).\n"
        "# TYPE varkelo_fleet_gateways gauge\n";
    const std::pair<const char*, std::size_t> states[] = {{"succeeded", fleet->succeeded},
                                                          {"failed", fleet->failed},
                                                          {"skipped", fleet->skipped},
                                                          {"not_read", unread}};
    for (const auto& [state, count] : states)
      text += std::string("varkelo_fleet_gateways{state=\"") + state + "\"} " + std::to_string(count) + "\n";
  }
  return text;
}

platform::Status WriteMetrics(const std::filesystem::path& file, const std::string& text) {
  platform::WholeFileWriter writer;
  platform::Status written = writer.Open(file);
  if (written) written = writer.Write(text);
  if (written) written = writer.Commit();
  return written;
}

}  // namespace varkelo::run
