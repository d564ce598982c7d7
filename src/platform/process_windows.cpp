#include "platform/process.hpp"

#include <windows.h>
// After windows.h, which it needs.
#include <fcntl.h>
#include <io.h>

#include <string_view>

#include "platform/utf8_path.hpp"
#include "platform/wide_text.hpp"

namespace varkelo::platform {

std::filesystem::path ProgramFile(const char* argv0) {
  // The path may be longer than MAX_PATH: grow the buffer until it fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (size == 0) break;
    if (size < buffer.size()) {
      buffer.resize(size);
      return std::filesystem::path(buffer);
    }
    if (buffer.size() >= 32768) break;  // no path of Windows is longer
    buffer.resize(buffer.size() * 2);
  }
  std::error_code error;
  return std::filesystem::absolute(PathFromUtf8(argv0), error);
}

std::filesystem::path ProgramFolder(const char* argv0) {
  return ProgramFile(argv0).parent_path();
}

bool ProgramFolderAlwaysServes() {
  return true;
}

std::vector<std::string> CommandLineArguments(int, char**) {
  // Split here, by the C runtime's rules, rather than by shell32's
  // CommandLineToArgvW: a console program that loads shell32 (and so user32)
  // counts as a windowed one, whose console control handler the system no
  // longer sends the shutdown and log-off events.
  const std::wstring_view line = GetCommandLineW();
  const auto blank = [&line](std::size_t i) { return line[i] == L' ' || line[i] == L'\t'; };
  // The program's name: up to the closing quote, or the first blank; no escapes.
  const bool quoted = !line.empty() && line[0] == L'"';
  const std::size_t end = quoted ? line.find(L'"', 1) : line.find_first_of(L" \t");
  const std::size_t nameStart = quoted ? 1 : 0;
  std::vector<std::string> arguments{Utf8FromWide(line.substr(nameStart, end - nameStart))};
  std::size_t i = end == std::wstring_view::npos ? line.size() : end + nameStart;
  for (;;) {
    while (i < line.size() && blank(i)) ++i;
    if (i == line.size()) return arguments;
    std::wstring argument;
    bool inQuotes = false;
    while (i < line.size() && (inQuotes || !blank(i))) {
      std::size_t backslashes = 0;
      for (; i < line.size() && line[i] == L'\\'; ++i) ++backslashes;
      if (i < line.size() && line[i] == L'"') {
        // 2n backslashes and a quote: n backslashes, and the quote opens or
        // closes quoting ("" within quotes is one quote); 2n+1: n and a quote.
        argument.append(backslashes / 2, L'\\');
        if (backslashes % 2 == 1) {
          argument += L'"';
        } else if (inQuotes && i + 1 < line.size() && line[i + 1] == L'"') {
          argument += L'"';
          ++i;
        } else {
          inQuotes = !inQuotes;
        }
        ++i;
      } else {
        argument.append(backslashes, L'\\');
        if (i < line.size() && (inQuotes || !blank(i))) argument += line[i++];
      }
    }
    arguments.push_back(Utf8FromWide(argument));
  }
}

void SetBinaryMode(std::FILE* out) {
  _setmode(_fileno(out), _O_BINARY);
}

void TurnWriteSignalsIntoErrors() {}

bool PrepareTerminal(std::FILE* out) {
  if (_isatty(_fileno(out)) == 0) return false;
  const HANDLE console = GetStdHandle(out == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) return false;  // a device, not a console
  SetConsoleOutputCP(CP_UTF8);
  // Without escape sequences the bars cannot be redrawn in place: plain lines then.
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns(std::FILE* out) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(out == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), &info))
    return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

std::optional<std::size_t> RaiseOpenFileLimit() {
  // Sockets and file handles are bounded by memory only.
  return std::nullopt;
}

}  // namespace varkelo::platform
