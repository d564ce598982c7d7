#pragma once

// What the run shows, and how a view passes on the user's wish to close it.
// A view only shows: time-outs and steps belong to the run, and the words of
// a stage to run_words.hpp.

#include <string_view>

#include "run/run_result.hpp"
#include "run/run_stage.hpp"

namespace varkelo::run {

inline constexpr std::string_view Caption = "Kov2 - Varkelo";
// What the status line reads before the run says anything.
inline constexpr std::string_view InitialStatus =
    "「255.255.255.255」のスマートゲートウェイの読込み応答待機中";

enum class Progress { Download, Export };

class View {
 public:
  virtual ~View() = default;
  virtual void ShowStatus(const RunStatus& status) = 0;
  // percent is 0 to 100.
  virtual void ShowProgress(Progress bar, int percent) = 0;
  // The run is over, its report written or not (and its page made, when one
  // was asked for): the view shows how the run ended, as far as it shows
  // anything, and goes away. The run's owner calls it.
  virtual void Close(const RunResult& result) = 0;
};

// The run's side of a close request: a view asks, the run answers.
class CloseRequests {
 public:
  virtual ~CloseRequests() = default;
  // The user's wish to close (a window's close button). True when the run has
  // ended (its report written) and the view may go; false when the run is
  // busy and the request is dropped.
  virtual bool OnCloseRequested() = 0;
  // The system's demand to stop (a signal, a log-off, a shutdown; `request`
  // names it): the run ends here and now, reporting, whatever it was doing.
  virtual void OnStopRequested(std::string_view request) = 0;
};

}  // namespace varkelo::run
