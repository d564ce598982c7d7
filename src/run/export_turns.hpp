#pragma once

// Turns of the export among runs that share one event loop. An export yields
// to the loop once per block; another run's export must not start inside
// that yield, so exports take turns, in the order they asked.

#include <asio/io_context.hpp>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

namespace varkelo::run {

class ExportTurns {
 public:
  using Ticket = std::uint64_t;

  explicit ExportTurns(asio::io_context& io) : io_(io) {}

  // `exportStep` is posted to the loop when its turn comes: at once when no
  // export holds the turn.
  Ticket Take(std::function<void()> exportStep);
  // The export of `ticket` has ended, or will never run: the next one gets the turn.
  void Leave(Ticket ticket);

 private:
  void PostNext();

  asio::io_context& io_;
  std::deque<std::pair<Ticket, std::function<void()>>> waiting_;
  std::optional<Ticket> holder_;
  Ticket next_ = 0;
};

}  // namespace varkelo::run
