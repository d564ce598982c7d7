#include "run/export_turns.hpp"

#include <algorithm>
#include <asio/post.hpp>

namespace varkelo::run {

ExportTurns::Ticket ExportTurns::Take(std::function<void()> exportStep) {
  const Ticket ticket = next_++;
  waiting_.emplace_back(ticket, std::move(exportStep));
  PostNext();
  return ticket;
}

void ExportTurns::Leave(Ticket ticket) {
  if (holder_ == ticket) {
    holder_.reset();
    PostNext();
    return;
  }
  std::erase_if(waiting_, [ticket](const auto& waiting) { return waiting.first == ticket; });
}

void ExportTurns::PostNext() {
  if (holder_ || waiting_.empty()) return;
  auto next = std::move(waiting_.front());
  waiting_.pop_front();
  holder_ = next.first;
  // A turn left before its step ran (its run stopped) runs nothing.
  asio::post(io_, [this, ticket = next.first, step = std::move(next.second)] {
    if (holder_ == ticket) step();
  });
}

}  // namespace varkelo::run
