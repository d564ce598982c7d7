#include "platform/process.hpp"

#include <windows.h>
// After windows.h, which it needs.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <memory>

#include "platform/utf8_path.hpp"

namespace varkelo::platform {
namespace {

std::string Utf8FromWide(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating NUL
  return utf8;
}

}  // namespace

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

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(CommandLineToArgvW(GetCommandLineW(), &count),
                                                           &LocalFree);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8FromWide(wide.get()[i]));
  return arguments;
}

void SetBinaryMode(std::FILE* out) {
  _setmode(_fileno(out), _O_BINARY);
}

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

}  // namespace varkelo::platform
