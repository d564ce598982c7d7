#pragma once

// What the process learns from the system it runs on: its own folder, its
// command line and its terminal.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varkelo::platform {

// The folder of the program's own file, however long its path; argv0 only
// where the system cannot say.
std::filesystem::path ProgramFolder(const char* argv0);

// The program's own file, an absolute path; argv0 only where the system
// cannot say.
std::filesystem::path ProgramFile(const char* argv0);

// True where the program's own folder is the application folder whatever it
// holds (Windows: the program is copied into the folder it serves); false
// where programs are installed into shared folders such as /usr/bin (Linux),
// which serve only when set up as an application folder.
bool ProgramFolderAlwaysServes();

// The command line as UTF-8 text, the program's name first. Windows hands
// main() its arguments in the ANSI code page, which cannot hold every name.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// True when `out` is a terminal that shows UTF-8 text and moves its cursor on
// escape sequences; sets such a console up for that where it must be asked.
bool PrepareTerminal(std::FILE* out);

// Makes `out` pass bytes through unchanged (Windows' C library turns LF into
// CR LF in text mode).
void SetBinaryMode(std::FILE* out);

// A write the process's own limits refuse fails with its reason, as on a full
// disk, instead of ending the process without a report: a closed pipe on
// standard output or error (EPIPE, not SIGPIPE) and a file-size limit (EFBIG,
// not SIGXFSZ). Nothing to do on Windows, where such writes only fail.
void TurnWriteSignalsIntoErrors();

// How many columns the terminal `out` shows; 0 when it is no terminal or
// does not say.
int TerminalColumns(std::FILE* out);

// Raises the number of files (sockets included) the process may hold open
// to the most the system allows it, and gives that number; none where the
// system sets no such limit (Windows).
std::optional<std::size_t> RaiseOpenFileLimit();

}  // namespace varkelo::platform
