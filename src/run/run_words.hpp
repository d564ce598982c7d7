#pragma once

// The one place that turns a run's stages and ends into words: the status
// lines the views show, the sentences that say why a run failed, and the
// line a console ends with. The run itself deals in values only.

#include <filesystem>
#include <string>
#include <string_view>

#include "gateway/gateway_link.hpp"
#include "platform/failure.hpp"
#include "run/fleet.hpp"
#include "run/run_result.hpp"
#include "run/run_stage.hpp"

namespace varkelo::run {

// The status line of a stage: "「address」のスマートゲートウェイ…", or
// "送信エラー" for a request that could not be sent.
std::string StatusText(const RunStatus& status);

// Why an address read from "System.ini" was not used.
enum class AddressProblem {
  Missing,         // no Address in the [System] section
  NotFourNumbers,  // not a dotted IPv4 address
  HostName,        // a name where the address should be
  NamesNoGateway,  // 0.0.0.0
};
// Its words, as the error code of a Failure gives them.
std::string_view ReasonText(AddressProblem problem);
platform::Failure AddressFailure(AddressProblem problem, std::string_view address,
                                 const std::filesystem::path& ini);

// What a download that did not end with the image was about.
struct DownloadContext {
  std::string address;
  gateway::LinkOptions options;
  std::filesystem::path imagePath;
};
// Why a download ended without the image, naming the gateway or the file.
platform::Failure DownloadFailure(const gateway::LinkResult& result, const DownloadContext& context);

// The last line of a run's output: the report line and, on success, the day
// files written, their folder and the page made.
std::string OutcomeLine(const RunResult& result);

// A fleet's line of one ended gateway: its folder's name, its report line
// and its seconds ("gw07  成功  12.3 s"), or why it was skipped.
std::string GatewayLine(const GatewayRun& run);
// A fleet's line of the whole: "done 12, failed 3, running 64 of 500".
std::string FleetLine(const FleetCounts& counts);
// A fleet's last line: "成功 47 / 50; 3 failed: gw07 (3), gw19 (4), gw33 (5)",
// each failed gateway with its exit status as a single run ("skipped" for
// one not read); gateways a stop left unread are counted at the end.
std::string FleetSummary(const std::vector<GatewayRun>& runs, const FleetCounts& counts);

// The exit status a gateway's run would have had alone, with --exit-code.
int GatewayExitStatus(const RunResult& result);

}  // namespace varkelo::run
