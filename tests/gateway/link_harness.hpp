#pragma once

// What the link tests share: an observer that records what the link reports,
// a loop runner with a deadline, and a scripted gateway on its own thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <asio.hpp>

#include "gateway/gateway_link.hpp"
#include "lib/sim_socket.hpp"

namespace varkelo::gateway::linktest {

using namespace std::chrono_literals;

class RecordingObserver : public LinkObserver {
 public:
  void OnRequestSent() override { ++requests; }
  void OnDataFrameAcknowledged() override { ++acknowledged; }
  void OnDownloadProgress(int percent) override { progress.push_back(percent); }
  void OnDownloadFinished(LinkOutcome result) override {
    outcome = result;
    ++finishes;
  }

  int requests = 0;
  int acknowledged = 0;
  int finishes = 0;
  std::vector<int> progress;
  std::optional<LinkOutcome> outcome;
};

// Runs the loop until done() holds; false when `limit` passed first.
inline bool RunUntil(asio::io_context& io, const std::function<bool()>& done,
                     std::chrono::milliseconds limit = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (io.stopped()) io.restart();
    if (io.run_one_for(5ms) == 0) std::this_thread::sleep_for(1ms);
  }
  return true;
}

// A one-way signal from the test thread to the gateway's thread.
class Gate {
 public:
  void Open() { promise_.set_value(); }
  bool Wait(std::chrono::milliseconds limit = 10s) {
    return future_.wait_for(limit) == std::future_status::ready;
  }

 private:
  std::promise<void> promise_;
  std::future<void> future_ = promise_.get_future();
};

// A gateway played by a script on its own thread, with blocking sockets.
class ScriptedGateway {
 public:
  ScriptedGateway() { listener_.Listen("127.0.0.1", 0); }
  ~ScriptedGateway() { Join(); }

  std::uint16_t Port() const { return listener_.Port(); }
  void Run(std::function<void(tools::SimConnection&)> script) {
    thread_ = std::thread([this, script = std::move(script)] {
      tools::SimConnection client = listener_.Accept(10s);
      if (client.IsOpen()) script(client);
    });
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  tools::SimListener listener_;
  std::thread thread_;
};

// Script steps: each returns the bytes read, empty when they did not come.
inline std::vector<std::uint8_t> ReadBytes(tools::SimConnection& client, std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  if (client.ReadExactly(bytes, 10s) != tools::ReadOutcome::ok) return {};
  return bytes;
}

}  // namespace varkelo::gateway::linktest
