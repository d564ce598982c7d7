#include "run/event_loop_window.hpp"

namespace varkelo::run {

EventLoopWindow::EventLoopWindow(asio::io_context& io, WindowTiming timing)
    : io_(io), timing_(timing), steps_{OneShot(io), OneShot(io), OneShot(io), OneShot(io)}, timer1_(io) {}

void EventLoopWindow::StartDeferredStep(DeferredStep step) {
  if (unloaded_) return;
  OneShot& shot = steps_[static_cast<std::size_t>(step)];
  if (shot.armed) return;  // already started: it fires once
  shot.armed = true;
  const std::uint64_t generation = ++shot.generation;
  shot.timer.expires_after(timing_.DeferredDelay);
  shot.timer.async_wait([this, step, generation](const std::error_code& error) {
    OneShot& fired = steps_[static_cast<std::size_t>(step)];
    if (error || generation != fired.generation || !fired.armed || unloaded_) return;
    if (events_ != nullptr) events_->OnDeferredStep(step);
  });
}

void EventLoopWindow::StopDeferredStep(DeferredStep step) {
  OneShot& shot = steps_[static_cast<std::size_t>(step)];
  shot.armed = false;
  ++shot.generation;
  shot.timer.cancel();
}

void EventLoopWindow::StartTimer1() {
  if (timer1Running_ || unloaded_) return;
  timer1Running_ = true;
  ArmTimer1();
}

void EventLoopWindow::ArmTimer1() {
  const std::uint64_t generation = ++timer1Generation_;
  timer1_.expires_after(timing_.TickInterval);
  timer1_.async_wait([this, generation](const std::error_code& error) {
    if (error || generation != timer1Generation_ || !timer1Running_ || unloaded_) return;
    ArmTimer1();  // periodic: the next tick is due one interval after this one
    if (events_ != nullptr) events_->OnTimer1();
  });
}

void EventLoopWindow::StopTimer1() {
  timer1Running_ = false;
  ++timer1Generation_;
  timer1_.cancel();
}

void EventLoopWindow::Unload() {
  if (unloaded_ || (events_ != nullptr && !events_->Form_QueryUnload())) return;
  unloaded_ = true;
  for (std::size_t i = 0; i < steps_.size(); ++i) StopDeferredStep(static_cast<DeferredStep>(i));
  StopTimer1();
  // The only window is gone: the program ends, whatever else is still pending.
  io_.stop();
}

}  // namespace varkelo::run
