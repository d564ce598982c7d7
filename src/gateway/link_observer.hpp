#pragma once

// What the gateway link tells whoever runs it. The link decides nothing about
// the run: it reports what happened on the wire, and its owner chooses what
// follows and what it means for the run's outcome.

#include <chrono>
#include <cstdint>
#include <optional>
#include <system_error>

#include "platform/failure.hpp"

namespace varkelo::gateway {

// How one download ended.
enum class LinkOutcome {
  Downloaded,         // the gateway ended the transfer with success
  Refused,            // the gateway ended the transfer with a failure result
  NoResponse,         // nothing arrived for the whole response time-out
  NotConnected,       // no connection within the connect wait
  ConnectionRefused,  // the connection failed before the wait was over (refused, unreachable)
  ClosedEarly,        // the gateway closed or broke the connection before its end frame
  RecordNotStored,    // a record could not be written into "read.nmd"
  BadFrame,           // a frame with an unreadable header or record number 0
  AckNotSent,         // an acknowledgement could not be sent
  RequestNotSent,     // the read request could not be sent
  Stopped,            // the owner stopped the download
};

// One download's end and its reason, where there is one.
struct LinkResult {
  LinkOutcome outcome = LinkOutcome::Stopped;
  // The socket's reason: of a failed connection, or of a connection broken
  // rather than closed. Empty when the gateway closed it in order.
  std::error_code error;
  // "read.nmd" that could not be opened, written or closed (RecordNotStored).
  std::optional<platform::Failure> failure;
  // Records written into "read.nmd" in this download.
  std::int32_t recordsStored = 0;
};

class LinkObserver {
 public:
  virtual ~LinkObserver() = default;
  // The read request went out; the link now waits for the gateway's frames.
  virtual void OnRequestSent() = 0;
  // A data frame was stored (when it carried a record) and acknowledged.
  virtual void OnDataFrameAcknowledged() = 0;
  // Share of the whole image received so far, 0 to 100.
  virtual void OnDownloadProgress(int percent) = 0;
  // At each tick of the response timer: how long the gateway has sent nothing.
  virtual void OnSilence(std::chrono::milliseconds /*silentFor*/) {}
  // The download is over, "read.nmd" and the connection closed; called once per download.
  virtual void OnDownloadFinished(const LinkResult& result) = 0;
};

}  // namespace varkelo::gateway
