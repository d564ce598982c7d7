#pragma once

// What the program learns from the system it runs on: its own folder, its
// command line, its console, and the signals that ask it to close.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace varkelo::platform {

// The folder of the program's own file, however long its path; argv0 only
// where the system cannot say.
std::filesystem::path ProgramFolder(const char* argv0);

// The command line as UTF-8 text, the program's name first. Windows hands
// main() its arguments in the ANSI code page, which cannot hold every name.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// True when `out` is a terminal that shows UTF-8 text and moves its cursor on
// escape sequences; sets such a console up for that where it must be asked.
bool PrepareTerminal(std::FILE* out);

// The signals by which a user or the system asks the program to close.
std::vector<int> CloseSignals();
// From now on none of them ends the program.
void IgnoreCloseSignals();

}  // namespace varkelo::platform
