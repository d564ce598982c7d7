// Writes what varkelo's status window shows to another process into the file named by its first
// argument, in UTF-8: "caption", "frame" (its place on the screen, WxH+X+Y), "text" of each static
// control and "bar" with each progress bar's position, one per line, or "absent". With "close" after
// it, also asks the window to close, as its close button does; with "end-session", ends the session
// for it, as a log-off does.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

std::wstring Text(HWND window) {
  wchar_t buffer[512] = {};
  // WM_GETTEXT, not GetWindowText: the control belongs to another process.
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM out) {
  std::FILE* file = reinterpret_cast<std::FILE*>(out);
  wchar_t windowClass[64] = {};
  GetClassNameW(child, windowClass, 64);
  if (lstrcmpiW(windowClass, PROGRESS_CLASSW) == 0) {
    std::fprintf(file, "bar %d\n", static_cast<int>(SendMessageW(child, PBM_GETPOS, 0, 0)));
  } else if (lstrcmpiW(windowClass, L"STATIC") == 0) {
    std::fprintf(file, "text %s\n", Utf8(Text(child)).c_str());
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::unique_ptr<std::FILE, decltype(&std::fclose)> out(std::fopen(argv[1], "wb"), &std::fclose);
  if (!out) return 2;
  HWND window = FindWindowW(nullptr, L"Kov2 - Varkelo");
  if (window == nullptr || !IsWindowVisible(window)) {
    std::fputs("absent\n", out.get());
    return 1;
  }
  std::fprintf(out.get(), "caption %s\n", Utf8(Text(window)).c_str());
  RECT frame{};
  GetWindowRect(window, &frame);
  std::fprintf(out.get(), "frame %ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top,
               frame.left, frame.top);
  EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(out.get()));
  const std::string command = argc > 2 ? argv[2] : "";
  if (command == "close") SendMessageW(window, WM_CLOSE, 0, 0);
  if (command == "end-session") {
    const LRESULT agreed = SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    std::fprintf(out.get(), "end-session %s\n", agreed != FALSE ? "agreed" : "refused");
    SendMessageW(window, WM_ENDSESSION, agreed != FALSE, ENDSESSION_LOGOFF);
  }
  return 0;
}
