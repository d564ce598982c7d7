#pragma once

// The definition of a scheduled task that runs varkelo, in the XML that
// Windows' Task Scheduler imports (`schtasks /Create /TN NAME /XML FILE`), so
// that nobody picks its settings by hand in the scheduler's dialogs.

#include <string>
#include <vector>

namespace varkelo::app {

struct ScheduledTask {
  // The program to run, an absolute path (UTF-8).
  std::string program;
  // Its arguments (UTF-8), each quoted for the command line as it needs.
  std::vector<std::string> arguments;
  // "Start in": the folder the run works in (UTF-8).
  std::string workingFolder;
  std::string description;
};

// Every 30 minutes, the start put off by up to 15 minutes at random so that
// many tasks do not start at once; no second instance while one runs; ended
// after 2 hours; run whether a user is logged on or not; started as soon as
// possible after a missed start.
std::string TaskDefinitionXml(const ScheduledTask& task);

// The definition as Task Scheduler writes its own files: UTF-16 (little
// endian) with its byte-order mark, which every Windows version reads.
std::string TaskDefinitionFile(const ScheduledTask& task);

// One argument as Windows' command-line parser takes it back: quoted where it
// holds blanks or quotes, or is empty.
std::string QuotedArgument(const std::string& argument);

}  // namespace varkelo::app
