#pragma once

// A window whose deferred steps and response timer are timers on one Asio
// event loop. How the status and progress are shown is left to the kind of
// window (console, test).

#include <array>
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstdint>

#include "run/window.hpp"

namespace varkelo::run {

struct WindowTiming {
  std::chrono::milliseconds DeferredDelay{1};    // a deferred step fires this long after its start
  std::chrono::milliseconds TickInterval{1000};  // Timer1
};

class EventLoopWindow : public Window {
 public:
  EventLoopWindow(asio::io_context& io, WindowTiming timing = {});

  // The owner that receives the steps, ticks and unload questions.
  void Attach(WindowEvents& events) { events_ = &events; }

  void StartDeferredStep(DeferredStep step) override;
  void StopDeferredStep(DeferredStep step) override;
  void StartTimer1() override;
  void StopTimer1() override;
  void Unload() override;
  void LetEventsRun() override {}

  bool Unloaded() const { return unloaded_; }
  bool Timer1Running() const { return timer1Running_; }

 private:
  struct OneShot {
    explicit OneShot(asio::io_context& io) : timer(io) {}
    asio::steady_timer timer;
    std::uint64_t generation = 0;  // a completion of an earlier start is ignored
    bool armed = false;
  };

  void ArmTimer1();

  asio::io_context& io_;
  WindowTiming timing_;
  WindowEvents* events_ = nullptr;
  std::array<OneShot, 4> steps_;
  asio::steady_timer timer1_;
  std::uint64_t timer1Generation_ = 0;
  bool timer1Running_ = false;
  bool unloaded_ = false;
};

}  // namespace varkelo::run
