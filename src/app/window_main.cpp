// varkelo.exe: the Windows program. Shows the run in its status window and
// ends when the run has reported; no console, so the exit status is all a
// scheduler gets besides "error.txt".

#include <memory>

#include "app/program.hpp"
#include "app/window_view.hpp"

int main(int argc, char** argv) {
  return varkelo::app::RunProgram(argc, argv, [](asio::io_context& io) {
    auto view = std::make_unique<varkelo::app::WindowView>(io);
    // Without a desktop (a task started while nobody is logged on) the run
    // goes on without a window.
    view->Open();
    return view;
  });
}
