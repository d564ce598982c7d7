#include "run/fleet.hpp"

#include <asio/post.hpp>
#include <exception>
#include <utility>

#include "platform/folder_lock.hpp"
#include "run/gateway_pages.hpp"
#include "run/profile_reader.hpp"
#include "run/run_sequence.hpp"

namespace varkelo::run {

// One gateway under way: its run, and the view that passes the run's export
// progress on to the fleet.
class Fleet::Member : public View {
 public:
  Member(Fleet& fleet, std::size_t index, platform::FolderLock lock)
      : fleet_(fleet),
        index_(index),
        lock_(std::move(lock)),
        started_(std::chrono::steady_clock::now()),
        run_(
            fleet.io_, *this, fleet.gateways_[index], fleet.options_.link,
            [this] { fleet_.OnMemberEnded(*this); }, &fleet.exportTurns_) {}

  void ShowStatus(const RunStatus& status) override { exporting_ = status.stage == RunStage::Exporting; }
  void ShowProgress(Progress bar, int percent) override {
    // The fleet's export bar is the export under way: a run that starts
    // elsewhere meanwhile resets only its own bars.
    if (bar == Progress::Export && exporting_) fleet_.observer_.OnExportProgress(percent);
  }
  void Close(const RunResult&) override {}

  std::size_t Index() const { return index_; }
  std::chrono::steady_clock::time_point Started() const { return started_; }
  RunSequence& Run() { return run_; }

 private:
  Fleet& fleet_;
  std::size_t index_;
  // Held from before the run touches the folder until the gateway has left the fleet.
  platform::FolderLock lock_;
  std::chrono::steady_clock::time_point started_;
  bool exporting_ = false;
  RunSequence run_;
};

Fleet::Fleet(asio::io_context& io, std::vector<std::filesystem::path> gateways, FleetOptions options,
             FleetObserver& observer)
    : io_(io),
      gateways_(std::move(gateways)),
      addresses_(gateways_.size()),
      options_(std::move(options)),
      observer_(observer),
      exportTurns_(io) {
  if (options_.parallel == 0) options_.parallel = 1;
  for (std::size_t i = 0; i < gateways_.size(); ++i) pending_.push_back(i);
}

Fleet::~Fleet() = default;

FleetCounts Fleet::Counts() const {
  return {.total = gateways_.size(),
          .succeeded = succeeded_,
          .failed = runs_.size() - succeeded_ - skipped_,
          .skipped = skipped_,
          .running = running_.size()};
}

void Fleet::Start() {
  StartMore();
  EndIfDone();
}

const std::string& Fleet::AddressOf(std::size_t index) {
  if (!addresses_[index]) {
    const platform::Result<std::string> read = ReadGatewayAddress(gateways_[index]);
    addresses_[index] = read ? *read : std::string();
  }
  return *addresses_[index];
}

void Fleet::StartMore() {
  for (auto next = pending_.begin();
       next != pending_.end() && running_.size() < options_.parallel && !stopping_;) {
    const std::size_t index = *next;
    // A gateway whose address another run is reading waits for it.
    const std::string& address = AddressOf(index);
    if (!options_.exportOnly && !address.empty() && busyAddresses_.contains(address)) {
      ++next;
      continue;
    }
    next = pending_.erase(next);
    StartGateway(index);
  }
}

void Fleet::StartGateway(std::size_t index) {
  // One writer per folder: a single run or another fleet may hold it.
  platform::Result<platform::FolderLock> lock = platform::LockFolder(gateways_[index]);
  if (!lock) {
    Skip(index, lock.Reason());
    return;
  }
  if (options_.folderHeld) options_.folderHeld(gateways_[index]);
  if (!options_.exportOnly && !AddressOf(index).empty()) busyAddresses_.insert(AddressOf(index));
  Member& member = *running_.emplace_back(std::make_unique<Member>(*this, index, std::move(*lock)));
  if (options_.exportOnly) {
    member.Run().StartExportOnly();
  } else {
    member.Run().Start();
  }
}

void Fleet::Skip(std::size_t index, platform::Failure reason) {
  runs_.push_back({.folder = gateways_[index],
                   .result = {},
                   .duration = {},
                   .ended = std::chrono::system_clock::now(),
                   .pageFailures = {},
                   .skipped = std::move(reason)});
  ++skipped_;
  observer_.OnGatewayEnded(runs_.back(), Counts());
}

void Fleet::OnMemberEnded(Member& member) {
  // Called from inside the run's last step: the run is dropped, and the next
  // one started, from a handler of its own.
  GatewayRun ended{.folder = gateways_[member.Index()],
                   .result = member.Run().Result(),
                   .duration = std::chrono::steady_clock::now() - member.Started(),
                   .ended = std::chrono::system_clock::now(),
                   .pageFailures = {},
                   .skipped = {}};
  asio::post(io_, [this, alive = std::weak_ptr<int>(alive_), &member, ended = std::move(ended)]() mutable {
    if (alive.expired()) return;
    if (!options_.exportOnly) busyAddresses_.erase(AddressOf(member.Index()));
    running_.remove_if(
        [&member](const std::unique_ptr<Member>& running) { return running.get() == &member; });
    // The page follows the files and "error.txt", whose line it shows; it never changes the outcome.
    if (options_.report && ended.result.outcome == RunOutcome::Success && !ended.result.reportFailure) {
      PagesMade made = MakeGatewayPages(ended.folder);
      ended.result.pages = std::move(made.written);
      ended.pageFailures = std::move(made.failures);
    }
    if (ended.result.outcome == RunOutcome::Success && !ended.result.reportFailure) ++succeeded_;
    runs_.push_back(std::move(ended));
    // Heard before the next ones start: a folder skipped there is the last run then.
    observer_.OnGatewayEnded(runs_.back(), Counts());
    StartMore();
    EndIfDone();
  });
}

void Fleet::EndIfDone() {
  if (ended_ || !running_.empty() || (!pending_.empty() && !stopping_)) return;
  ended_ = true;
  observer_.OnFleetEnded(Counts());
}

bool Fleet::OnCloseRequested() {
  return ended_;
}

void Fleet::OnStopRequested(std::string_view request) {
  if (stopping_) return;
  stopping_ = true;
  // Each run writes its report now; they leave the fleet from handlers of their own.
  for (const std::unique_ptr<Member>& member : running_) member->Run().OnStopRequested(request);
  EndIfDone();
}

}  // namespace varkelo::run
