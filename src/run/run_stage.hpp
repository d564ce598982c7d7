#pragma once

// Where a run stands, as a value: the run reports its stages, and the views
// turn them into words (run_words.hpp).

#include <chrono>
#include <string>

namespace varkelo::run {

enum class RunStage {
  Connecting,        // the address is valid; the link connects
  AwaitingResponse,  // the read request went out
  Transferring,      // records arrive and are acknowledged
  Silent,            // the gateway has sent nothing for a while
  Exporting,         // the CSV files are being made
  TimedOut,          // no connection in time, or the gateway fell silent for good
  ConnectFailed,     // the connection was refused or the address names no gateway
  ConnectionClosed,  // the gateway closed the connection before its end frame
  RequestNotSent,    // the read request could not be sent
};

struct RunStatus {
  RunStage stage = RunStage::Connecting;
  // The address as "System.ini" gave it.
  std::string address;
  // Silent: how long the gateway has sent nothing.
  std::chrono::seconds silentFor{0};

  bool operator==(const RunStatus&) const = default;
};

}  // namespace varkelo::run
