#include "run/frm_comm.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <thread>

#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"
#include "run/event_loop_window.hpp"
#include "run/result_report.hpp"
#include "temp_folder.hpp"
#include "text/cp932.hpp"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace varkelo::run;
using varkelo::tools::GatewaySimulator;
using varkelo::tools::SimFault;
using varkelo::tools::SimulatorOptions;

namespace {

// A window that records what it is told, with steps of 1 ms and ticks of 5 ms:
// the 100-tick response time-out takes half a second.
class RecordingWindow : public EventLoopWindow {
 public:
  explicit RecordingWindow(asio::io_context& io) : EventLoopWindow(io, WindowTiming{1ms, 5ms}) {}
  void SetStatusText(std::string_view text) override {
    if (statuses.empty() || statuses.back() != text) statuses.emplace_back(text);
    if (onStatus) onStatus(text);
  }
  void SetProgress(ProgressBar bar, int value) override {
    (bar == ProgressBar::prgComm ? comm : csv).push_back(value);
  }
  std::vector<std::string> statuses;  // each change once
  std::vector<int> comm, csv;
  std::function<void(std::string_view)> onStatus;
};

const std::vector<std::uint8_t>& SampleImage() {
  static const std::vector<std::uint8_t> image = [] {
    varkelo::tools::SampleOptions options;
    options.Days = 20;
    return varkelo::tools::MakeSampleImage(options);
  }();
  return image;
}

// One run of the program in a fresh application folder.
class RunHarness {
 public:
  void WriteIni(const std::string& address) {
    std::ofstream(temp.path() / "System.ini") << "[System]\r\nAddress=" << address << "\r\n";
  }

  // Runs from start-up until the window unloads, against a simulator when given.
  void Run(std::optional<SimulatorOptions> gateway, std::uint16_t port = 1) {
    std::optional<GatewaySimulator> simulator;
    std::thread serving;
    if (gateway) {
      gateway->IdleWait = 10s;
      simulator.emplace(*gateway);
      ASSERT_TRUE(simulator->Listen("127.0.0.1", 0));
      port = simulator->Port();
      serving = std::thread([&] { simulator->ServeOne(); });
    }
    varkelo::gateway::LinkOptions link;
    link.Port = port;
    link.ConnectWait = 300ms;
    form.emplace(io, window, temp.path(), link);
    window.Attach(*form);
    form->Form_Load();
    io.run_for(60s);
    if (serving.joinable()) serving.join();
  }

  std::string Report() const { return ReadFileBytes(temp.path() / "error.txt"); }

  TempFolder temp;
  asio::io_context io;
  RecordingWindow window{io};
  std::optional<frmComm> form;
};

// The report line of a code, as it stands in "error.txt".
std::string Expected(std::int32_t code, const std::string& address = "127.0.0.1") {
  std::string bytes;
  varkelo::text::EncodeCp932(ResultReportLine(code, address), bytes);
  return bytes + "\r\n";
}

SimulatorOptions Gateway(SimFault fault = SimFault::none, std::size_t records = 0) {
  SimulatorOptions gateway;
  gateway.Image = SampleImage();
  gateway.Fault = fault;
  gateway.FaultAfter = 5;
  gateway.Records = records;
  return gateway;
}

TEST(RunSequence, InvalidAddressesEndAtStartUp) {
  for (const std::string address :
       {"10.0.0", "10.0.0.1.5", "10.0.0.256", "10.0.0.-1", "10.0.0.x", "10..0.1", ""}) {
    RunHarness run;
    run.WriteIni(address);
    run.Run(std::nullopt);
    EXPECT_EQ(run.form->ResultCode, ResultInvalidAddress) << address;
    EXPECT_TRUE(run.window.Unloaded()) << address;
    EXPECT_EQ(run.window.statuses,
              std::vector<std::string>{"「" + address + "」のスマートゲートウェイに接続中"});
    EXPECT_EQ(run.Report(), Expected(ResultInvalidAddress)) << address;
    EXPECT_FALSE(fs::exists(run.temp.path() / "read.nmd"));
  }
}

TEST(RunSequence, MissingSystemIniIsAnInvalidAddress) {
  RunHarness run;
  run.Run(std::nullopt);
  EXPECT_EQ(run.form->ResultCode, ResultInvalidAddress);
  EXPECT_EQ(run.Report(), Expected(ResultInvalidAddress));
  EXPECT_EQ(run.window.comm.front(), 0);
  EXPECT_EQ(run.window.csv.front(), 0);
}

TEST(RunSequence, SuccessDownloadsExportsAndReports) {
  RunHarness run;
  run.WriteIni(" 127.0.0.1 ");
  run.Run(Gateway());
  EXPECT_EQ(run.form->ResultCode, ResultSuccess);
  EXPECT_EQ(run.Report(), Expected(ResultSuccess));
  EXPECT_TRUE(run.window.Unloaded());
  EXPECT_TRUE(ReadFileBytes(run.temp.path() / "read.nmd") ==
              std::string(SampleImage().begin(), SampleImage().end()));
  EXPECT_TRUE(fs::exists(run.temp.path() / "SG012345" / "ID.csv"));
  EXPECT_TRUE(fs::exists(run.temp.path() / "SG012345" / "201212" / "20121210.csv"));
  const std::vector<std::string> expected = {"「127.0.0.1」のスマートゲートウェイに接続中",
                                             "「127.0.0.1」のスマートゲートウェイの読込み応答待機中",
                                             "「127.0.0.1」のスマートゲートウェイの読込みデータ転送中",
                                             "「127.0.0.1」のスマートゲートウェイのCSV作成中"};
  EXPECT_EQ(run.window.statuses, expected);
  EXPECT_EQ(run.window.comm.back(), 100);
  EXPECT_EQ(run.window.csv.back(), 100);
  EXPECT_LE(*std::max_element(run.window.comm.begin(), run.window.comm.end()), 100);
}

TEST(RunSequence, WindowRefusesToCloseWhileConnectedOrExporting) {
  RunHarness run;
  run.WriteIni("127.0.0.1");
  std::vector<std::string> refusedDuring;
  run.window.onStatus = [&](std::string_view text) {
    const bool busy = text.find("データ転送中") != std::string_view::npos ||
                      text.find("CSV作成中") != std::string_view::npos;
    if (!busy || (!refusedDuring.empty() && refusedDuring.back() == text)) return;
    run.window.Unload();
    if (!run.window.Unloaded()) refusedDuring.emplace_back(text);
  };
  run.Run(Gateway());
  EXPECT_EQ(refusedDuring.size(), 2u);
  EXPECT_EQ(run.form->ResultCode, ResultSuccess);
  EXPECT_TRUE(run.form->UnloadAllowed);
  EXPECT_TRUE(run.window.Unloaded());
}

TEST(RunSequence, LinkAndExportFailuresEndWithTheirCodes) {
  const struct {
    const char* name;
    SimulatorOptions gateway;
    std::int32_t code;
  } cases[] = {
      {"no response", Gateway(SimFault::silent), ResultTimeout},
      {"peer closes", Gateway(SimFault::close), ResultTimeout},
      {"transfer refused", Gateway(SimFault::refuse, 3), ResultTimeout},
      {"malformed frame", Gateway(SimFault::malformed), ResultTimeout},
      {"export failure", Gateway(SimFault::none, 200),
       ResultCsvError},  // blocks past record 200 read as zeros
  };
  for (const auto& c : cases) {
    RunHarness run;
    run.WriteIni("127.0.0.1");
    run.Run(c.gateway);
    EXPECT_EQ(run.form->ResultCode, c.code) << c.name;
    EXPECT_EQ(run.Report(), Expected(c.code)) << c.name;
    EXPECT_TRUE(run.window.Unloaded()) << c.name;
  }
}

TEST(RunSequence, NoConnectionWithinTheWait) {
  RunHarness run;
  run.WriteIni("127.0.0.1");
  std::uint16_t closedPort;
  {
    asio::ip::tcp::acceptor probe(run.io, {asio::ip::address_v4::loopback(), 0});
    closedPort = probe.local_endpoint().port();
  }
  const auto start = std::chrono::steady_clock::now();
  run.Run(std::nullopt, closedPort);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
  EXPECT_EQ(run.form->ResultCode, ResultNoConnection);
  EXPECT_EQ(run.Report(), Expected(ResultNoConnection));
  EXPECT_EQ(run.window.statuses.back(), "「127.0.0.1」のスマートゲートウェイのタイムアウト");
}

TEST(RunSequence, ExportOnlyMakesTheCsvFilesAgain) {
  RunHarness run;
  {
    std::ofstream image(run.temp.path() / "read.nmd", std::ios::binary);
    image.write(reinterpret_cast<const char*>(SampleImage().data()),
                static_cast<std::streamsize>(SampleImage().size()));
  }
  run.WriteIni("192.0.2.10");
  frmComm form(run.io, run.window, run.temp.path());
  run.window.Attach(form);
  form.StartExportOnly();
  run.io.run_for(60s);
  EXPECT_EQ(form.ResultCode, ResultSuccess);
  EXPECT_EQ(run.window.statuses, std::vector<std::string>{"「192.0.2.10」のスマートゲートウェイのCSV作成中"});
  EXPECT_EQ(run.Report(), Expected(ResultSuccess));
  EXPECT_TRUE(fs::exists(run.temp.path() / "SG012345" / "201212" / "20121215.csv"));
  EXPECT_TRUE(run.window.Unloaded());
}

}  // namespace
