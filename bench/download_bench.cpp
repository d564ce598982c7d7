// Time of a whole download over loopback: 8969 records and the end frame
// (8970 frames, the progress bar's full count) from the gateway simulator,
// through GatewayLink with a host that does nothing but end the loop, against
// a bare client that only reads each frame and echoes its acknowledgement
// (blocking socket, no file, no event loop).
//
// With nagle:1 the simulator holds back the tail of every frame until TCP has
// acknowledged its start. On the normal loopback a frame is one segment and
// nothing changes; run inside a network namespace whose loopback MTU is 576 to
// see the delayed-ACK stall and the link's answer to it:
//   unshare -n bash -c 'ip link set lo up; ip link set lo mtu 576; ./download_bench'

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "gateway/gateway_link.hpp"
#include "lib/gateway_simulator.hpp"
#include "lib/sim_socket.hpp"

namespace {

using namespace varkelo;
using namespace std::chrono_literals;

constexpr std::size_t ImageRecords = 8969;

const std::vector<std::uint8_t>& Image() {
  static const std::vector<std::uint8_t> image = [] {
    std::vector<std::uint8_t> bytes(ImageRecords * 1024);
    std::mt19937 random(1);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
  }();
  return image;
}

// A folder of its own for "read.nmd", removed at the end.
class BenchFolder {
 public:
  BenchFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "varkelo-bench-XXXXXX").string();
    if (::mkdtemp(name.data()) != nullptr) path_ = name;
  }
  ~BenchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The least an owner of the link must do: note the outcome and end the loop.
class MinimalObserver : public gateway::LinkObserver {
 public:
  explicit MinimalObserver(asio::io_context& io) : io_(io) {}
  void OnRequestSent() override {}
  void OnDataFrameAcknowledged() override {}
  void OnDownloadProgress(int) override {}
  void OnDownloadFinished(const gateway::LinkResult& result) override {
    succeeded = result.outcome == gateway::LinkOutcome::Downloaded;
    io_.stop();
  }
  bool succeeded = false;

 private:
  asio::io_context& io_;
};

tools::SimulatorOptions Options(std::size_t records, bool nagle) {
  tools::SimulatorOptions options;
  options.image = Image();
  options.records = records;
  options.fault = nagle ? tools::SimFault::Nagle : tools::SimFault::None;
  options.idleWait = 60s;
  return options;
}

int LoopbackSegment() {
  tools::SimListener listener;
  if (!listener.Listen("127.0.0.1", 0)) return 0;
  tools::SimConnection client = tools::ConnectTo("127.0.0.1", listener.Port());
  return client.SegmentSize();
}

// Frames, time per frame (wall clock, set-up included) and the loopback's segment size.
void SetCounters(benchmark::State& state, std::size_t frames, std::chrono::steady_clock::duration total) {
  const double runs = static_cast<double>(state.iterations());
  const double microseconds = std::chrono::duration<double, std::micro>(total).count();
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["per_frame_us"] = runs > 0 ? microseconds / (runs * static_cast<double>(frames)) : 0;
  state.counters["mss"] = LoopbackSegment();
}

// Times one whole download per iteration: the simulator serves `records`
// records to `download`, given the simulator's port; set-up included.
template <typename Download>
void TimeDownloads(benchmark::State& state, std::size_t records, bool nagle, Download&& download) {
  std::chrono::steady_clock::duration total{};
  for (auto _ : state) {
    tools::SimulatorOptions options = Options(records, nagle);
    const auto start = std::chrono::steady_clock::now();
    tools::GatewaySimulator simulator(std::move(options));
    if (!simulator.Listen("127.0.0.1", 0)) {
      state.SkipWithError("cannot listen");
      break;
    }
    tools::SimulatorResult result;
    std::thread gatewayThread([&] { result = simulator.ServeOne(); });
    const bool downloaded = download(simulator.Port());
    gatewayThread.join();
    total += std::chrono::steady_clock::now() - start;
    if (!downloaded || !result.AllAcksRight()) {
      state.SkipWithError(result.Summary().c_str());
      break;
    }
  }
  SetCounters(state, records + 1, total);
}

void LinkDownload(benchmark::State& state) {
  BenchFolder folder;
  TimeDownloads(state, ImageRecords, state.range(0) != 0, [&](std::uint16_t port) {
    asio::io_context io{1};
    MinimalObserver observer(io);
    gateway::LinkOptions options;
    options.port = port;
    gateway::GatewayLink link(io, observer, options);
    link.Start({127, 0, 0, 1}, folder.path() / "read.nmd");
    io.run();
    return observer.succeeded;
  });
}
BENCHMARK(LinkDownload)->ArgName("nagle")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Linux delays the ACK of a segment when it expects an answer soon; re-arming
// quick acknowledgements after a read sends the pending one at once.
void QuickAck(tools::SimConnection& client, bool on) {
  if (!on) return;
  const int one = 1;
  ::setsockopt(client.Handle(), IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
}

// Reads one frame (a data frame or the end frame) and answers a data frame; false at the end.
bool BareExchange(tools::SimConnection& client, std::array<std::uint8_t, 1030>& frame, bool quickAck) {
  if (client.ReadExactly(std::span(frame).first(4), 10s) != tools::ReadOutcome::Ok) return false;
  QuickAck(client, quickAck);
  if (frame[2] == '1' && frame[3] == '1') {
    client.ReadExactly(std::span(frame).subspan(4, 1), 10s);
    return false;
  }
  if (client.ReadExactly(std::span(frame).subspan(4), 10s) != tools::ReadOutcome::Ok) return false;
  QuickAck(client, quickAck);
  frame[2] = '1';
  frame[3] = '5';
  return client.WriteAll(frame);
}

void BareClient(benchmark::State& state) {
  const bool nagle = state.range(0) != 0;
  const bool quickAck = state.range(1) != 0;
  // Without quick acknowledgements a split frame costs about 40 ms: keep that run short.
  const std::size_t records = nagle && !quickAck ? 50 : ImageRecords;
  std::array<std::uint8_t, 1030> frame{};
  TimeDownloads(state, records, nagle, [&](std::uint16_t port) {
    tools::SimConnection client = tools::ConnectTo("127.0.0.1", port);
    client.SetNoDelay(true);
    const std::array<std::uint8_t, 4> request = {0x02, 0x00, 0x30, 0x31};
    client.WriteAll(request);
    while (BareExchange(client, frame, quickAck)) {
    }
    return true;
  });
}
BENCHMARK(BareClient)
    ->ArgNames({"nagle", "quickack"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
