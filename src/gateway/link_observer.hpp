#pragma once

// What the gateway link tells whoever runs it. The link decides nothing about
// the run: it reports what happened on the wire, and its owner chooses what
// follows and what it means for the run's outcome.

namespace varkelo::gateway {

// How one download ended.
enum class LinkOutcome {
  Downloaded,    // the gateway ended the transfer with success
  Refused,       // the gateway ended the transfer with a failure result
  NoResponse,    // nothing arrived for the whole response time-out, or a frame could not be handled
  NotConnected,  // no connection within the connect wait
  SendFailed,    // the read request could not be sent
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
  // The download is over and the connection closed; called once per download.
  virtual void OnDownloadFinished(LinkOutcome outcome) = 0;
};

}  // namespace varkelo::gateway
