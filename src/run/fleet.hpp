#pragma once

// Many gateways read out by one process on one event loop: up to `parallel`
// runs at once, each exactly the run of its own application folder, their
// exports one at a time. Two folders that name the same address are never
// read at once: one gateway, one connection. A stop ends every run under way,
// each with its report; gateways not yet started are left as they are.

#include <asio/io_context.hpp>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gateway/gateway_link.hpp"
#include "run/export_turns.hpp"
#include "run/run_result.hpp"
#include "run/view.hpp"

namespace varkelo::run {

struct FleetOptions {
  std::size_t parallel = 64;
  bool exportOnly = false;
  // Each gateway's page after its successful export.
  bool report = false;
  gateway::LinkOptions link;
  // Called with each gateway folder once it is held, before its run starts
  // (the program removes what killed runs left there).
  std::function<void(const std::filesystem::path&)> folderHeld;
};

// One gateway's end in the fleet.
struct GatewayRun {
  std::filesystem::path folder;
  RunResult result;
  std::chrono::steady_clock::duration duration{};
  // When the run ended (its report written).
  std::chrono::system_clock::time_point ended;
  // Pages that could not be made.
  std::vector<platform::Failure> pageFailures;
  // Why the gateway was not read at all: its folder held by another run, or gone.
  std::optional<platform::Failure> skipped;
};

struct FleetCounts {
  std::size_t total = 0;
  std::size_t succeeded = 0;
  // Ran and did not succeed.
  std::size_t failed = 0;
  // Not read at all: the folder held by another run, or gone.
  std::size_t skipped = 0;
  std::size_t running = 0;
};

class FleetObserver {
 public:
  virtual ~FleetObserver() = default;
  virtual void OnGatewayEnded(const GatewayRun& run, const FleetCounts& counts) = 0;
  // The export under way, 0 to 100.
  virtual void OnExportProgress(int percent) = 0;
  // Every run has ended (or, after a stop, every run under way).
  virtual void OnFleetEnded(const FleetCounts& counts) = 0;
};

class Fleet : public CloseRequests {
 public:
  Fleet(asio::io_context& io, std::vector<std::filesystem::path> gateways, FleetOptions options,
        FleetObserver& observer);
  ~Fleet() override;
  Fleet(const Fleet&) = delete;
  Fleet& operator=(const Fleet&) = delete;

  void Start();
  // Refused while the fleet runs: a fleet is stopped, not closed.
  bool OnCloseRequested() override;
  void OnStopRequested(std::string_view request) override;

  // The gateways that have ended, in the order they ended.
  const std::vector<GatewayRun>& Runs() const { return runs_; }
  FleetCounts Counts() const;
  bool Ended() const { return ended_; }

 private:
  class Member;

  void StartMore();
  void StartGateway(std::size_t index);
  void Skip(std::size_t index, platform::Failure reason);
  // The address a gateway's "System.ini" names, read once; empty when none.
  const std::string& AddressOf(std::size_t index);
  void OnMemberEnded(Member& member);
  void EndIfDone();

  asio::io_context& io_;
  std::vector<std::filesystem::path> gateways_;
  std::vector<std::optional<std::string>> addresses_;
  FleetOptions options_;
  FleetObserver& observer_;
  ExportTurns exportTurns_;
  std::list<std::size_t> pending_;
  std::list<std::unique_ptr<Member>> running_;
  std::set<std::string> busyAddresses_;
  std::vector<GatewayRun> runs_;
  std::size_t succeeded_ = 0;
  std::size_t skipped_ = 0;
  bool stopping_ = false;
  bool ended_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace varkelo::run
