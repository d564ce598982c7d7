#pragma once

// What the link tests share: a window stand-in that records every call and
// ticks Timer1 fast (or only when the test says), a loop runner with a
// deadline, and a scripted gateway on its own thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <asio.hpp>

#include "gateway/gateway_link.hpp"
#include "lib/sim_socket.hpp"

namespace varkelo::gateway::linktest {

using namespace std::chrono_literals;

class TestHost : public LinkHost {
 public:
  explicit TestHost(asio::io_context& io) : io_(io), tick_(io) {}

  void Attach(GatewayLink& link) { link_ = &link; }
  // Ticks of Timer1 come only from the test calling GatewayLink::Timer1_Timer.
  bool ManualTicks = false;
  // timSend is recorded but not run; the test calls timSend_Timer itself.
  bool HoldTimSend = false;
  std::chrono::milliseconds TickInterval{5};

  void SetStatusText(std::string_view text) override { Statuses.emplace_back(text); }
  void SetCommProgress(int value) override { Progress.push_back(value); }
  void StartDeferredStep(DeferredStep step) override {
    Started.push_back(step);
    if (step == DeferredStep::timSend && HoldTimSend) return;
    asio::post(io_, [this, step] { Fire(step); });
  }
  void StartTimer1() override {
    Timer1Running = true;
    if (!ManualTicks) ArmTick();
  }
  void StopTimer1() override {
    Timer1Running = false;
    tick_.cancel();
  }
  void SetUnloadAllowed(bool allowed) override { Unload.push_back(allowed); }
  void SetResultCode(std::int32_t code) override { ResultCode = code; }

  bool Ended() const { return Fired(DeferredStep::timCSV) || Fired(DeferredStep::timEnd); }
  bool Fired(DeferredStep step) const {
    for (DeferredStep s : Done) {
      if (s == step) return true;
    }
    return false;
  }
  std::string LastStatus() const { return Statuses.empty() ? std::string() : Statuses.back(); }
  int LastProgress() const { return Progress.empty() ? -1 : Progress.back(); }

  std::vector<std::string> Statuses;
  std::vector<int> Progress;
  std::vector<DeferredStep> Started;
  std::vector<DeferredStep> Done;
  std::vector<bool> Unload;
  std::optional<std::int32_t> ResultCode;
  bool Timer1Running = false;

 private:
  void Fire(DeferredStep step) {
    Done.push_back(step);
    if (link_ == nullptr) return;
    if (step == DeferredStep::timSend) link_->timSend_Timer();
    if (step == DeferredStep::timClose) link_->timClose_Timer();
  }
  void ArmTick() {
    tick_.expires_after(TickInterval);
    tick_.async_wait([this](const std::error_code& error) {
      if (error || !Timer1Running || link_ == nullptr) return;
      link_->Timer1_Timer();
      if (Timer1Running) ArmTick();
    });
  }

  asio::io_context& io_;
  asio::steady_timer tick_;
  GatewayLink* link_ = nullptr;
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
