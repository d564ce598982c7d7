#include "app/scheduled_task.hpp"

#include <cstdint>

#include "util/markup.hpp"

namespace varkelo::app {

std::string QuotedArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  // Backslashes are plain characters except before a quote, where each one
  // (and the quote) needs its own backslash; the closing quote counts too.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

std::string TaskDefinitionXml(const ScheduledTask& task) {
  std::string arguments;
  for (const std::string& argument : task.arguments) {
    arguments += (arguments.empty() ? "" : " ") + QuotedArgument(argument);
  }
  // Repetition without a duration repeats for ever; the random delay spreads
  // the starts of many gateways' tasks (and of many PCs').
  // S4U runs the task as its author without a stored password, whether or not
  // the author is logged on. The run's exit status becomes "Last Run Result".
  return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <RegistrationInfo>\r\n"
         "    <Description>" +
         util::MarkupText(task.description) +
         "</Description>\r\n"
         "  </RegistrationInfo>\r\n"
         "  <Triggers>\r\n"
         "    <TimeTrigger>\r\n"
         "      <Repetition>\r\n"
         "        <Interval>PT30M</Interval>\r\n"
         "        <StopAtDurationEnd>false</StopAtDurationEnd>\r\n"
         "      </Repetition>\r\n"
         "      <StartBoundary>2026-01-01T00:00:00</StartBoundary>\r\n"
         "      <Enabled>true</Enabled>\r\n"
         "      <RandomDelay>PT15M</RandomDelay>\r\n"
         "    </TimeTrigger>\r\n"
         "  </Triggers>\r\n"
         "  <Principals>\r\n"
         "    <Principal id=\"Author\">\r\n"
         "      <LogonType>S4U</LogonType>\r\n"
         "      <RunLevel>LeastPrivilege</RunLevel>\r\n"
         "    </Principal>\r\n"
         "  </Principals>\r\n"
         "  <Settings>\r\n"
         "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
         "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
         "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
         "    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
         "    <Enabled>true</Enabled>\r\n"
         "    <ExecutionTimeLimit>PT2H</ExecutionTimeLimit>\r\n"
         "  </Settings>\r\n"
         "  <Actions Context=\"Author\">\r\n"
         "    <Exec>\r\n"
         "      <Command>" +
         util::MarkupText(QuotedArgument(task.program)) +
         "</Command>\r\n"
         "      <Arguments>" +
         util::MarkupText(arguments) +
         "</Arguments>\r\n"
         "      <WorkingDirectory>" +
         util::MarkupText(task.workingFolder) +
         "</WorkingDirectory>\r\n"
         "    </Exec>\r\n"
         "  </Actions>\r\n"
         "</Task>\r\n";
}

std::string TaskDefinitionFile(const ScheduledTask& task) {
  std::string bytes = "\xff\xfe";
  const auto unit = [&bytes](std::uint32_t value) {
    bytes += static_cast<char>(value & 0xff);
    bytes += static_cast<char>(value >> 8);
  };
  const std::string xml = TaskDefinitionXml(task);
  // The text is UTF-8 made from paths and literals: decoded without checks
  // beyond its lead bytes.
  for (std::size_t i = 0; i < xml.size();) {
    const auto lead = static_cast<unsigned char>(xml[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    std::uint32_t code = length == 1 ? lead : lead & (0x7fu >> length);
    for (std::size_t k = 1; k < length && i + k < xml.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(xml[i + k]) & 0x3fu);
    i += length;
    if (code < 0x10000) {
      unit(code);
    } else {
      unit(0xd800 + ((code - 0x10000) >> 10));
      unit(0xdc00 + ((code - 0x10000) & 0x3ff));
    }
  }
  return bytes;
}

}  // namespace varkelo::app
