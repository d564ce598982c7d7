#include "app/window_view.hpp"

// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

namespace varkelo::app {
namespace {

constexpr wchar_t WindowClass[] = L"VarkeloStatusWindow";
// How often waiting window messages are served while the run works.
constexpr std::chrono::milliseconds MessageInterval{10};

// Client area: the status text above, the two labelled bars below it, in
// pixels at 96 dots per inch; the window scales them to its display's DPI.
constexpr int DefaultDpi = 96;
constexpr int Width = 440;
constexpr int Height = 118;
constexpr int Margin = 12;
constexpr int LabelWidth = 64;
constexpr int RowHeight = 20;
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

// A function of user32 that older Windows versions lack, or null there.
template <typename Function>
Function User32Function(const char* name) {
  const FARPROC address = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The DPI of the display the window is on (Windows 10 1607 and later), else
// the system's.
int WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : DefaultDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : DefaultDpi;
}

// The window's outer size for a client area of width x height at dpi.
SIZE FrameSize(int width, int height, DWORD style, int dpi) {
  using AdjustFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Function<AdjustFunction>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, width, height};
  if (adjustForDpi != nullptr)
    adjustForDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi));
  else
    AdjustWindowRectEx(&frame, style, FALSE, 0);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<WindowView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_DPICHANGED) {
    // Moved to a display of another scale: Windows proposes the new frame.
    view->OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    return 0;
  }
  return view->OnMessage(window, message, wParam, lParam);
}

HWND MakeChild(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style, int x, int y,
               int width, int height, HFONT font, DWORD extendedStyle = 0) {
  HWND child = CreateWindowExW(extendedStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                               width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (child != nullptr && font != nullptr)
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

WindowView::WindowView(asio::io_context& io, std::chrono::milliseconds lastWordTime)
    : messageTimer_(io), lastWordTimer_(io), lastWordTime_(lastWordTime) {}

WindowView::~WindowView() {
  Destroy();
}

bool WindowView::Open() {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = WindowClass;
  RegisterClassExW(&windowClass);

  // A fixed-size window: it can be moved and minimised, not resized. Its
  // size follows the DPI of the display it opens on.
  HWND window = CreateWindowExW(0, WindowClass, Wide(run::Caption).c_str(), WindowStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, Width, Height, nullptr, nullptr, instance, this);
  if (window == nullptr) return false;
  window_ = window;
  dpi_ = WindowDpi(window);
  const SIZE frame = FrameSize(Scaled(Width), Scaled(Height), WindowStyle, dpi_);
  SetWindowPos(window, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // The status text on a sunken background a little larger than the text; a
  // text too long for it (a fleet's summary of many failures) ends in "...".
  status_ = MakeChild(window, L"STATIC", Wide(run::InitialStatus),
                      SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_ENDELLIPSIS, 0, 0, 0, 0, nullptr,
                      WS_EX_STATICEDGE);
  downloadLabel_ = MakeChild(window, L"STATIC", L"読み込み", SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, nullptr);
  exportLabel_ = MakeChild(window, L"STATIC", L"CSV作成", SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, nullptr);
  downloadBar_ = MakeChild(window, PROGRESS_CLASSW, L"", 0, 0, 0, 0, 0, nullptr);
  exportBar_ = MakeChild(window, PROGRESS_CLASSW, L"", 0, 0, 0, 0, 0, nullptr);
  for (HWND bar : {downloadBar_, exportBar_}) {
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
  }
  Layout();

  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  ServeMessages();
  return true;
}

int WindowView::Scaled(int pixels) const {
  return MulDiv(pixels, dpi_, DefaultDpi);
}

void WindowView::Layout() {
  HFONT font =
      CreateFontW(-Scaled(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
  const int barX = Margin + LabelWidth;
  const int barWidth = Width - barX - Margin;
  const int downloadY = Margin + RowHeight + 6 + 16;
  const int exportY = downloadY + RowHeight + 12;
  const auto place = [&](HWND control, int x, int y, int width, int height, bool text) {
    MoveWindow(control, Scaled(x), Scaled(y), Scaled(width), Scaled(height), TRUE);
    if (text && font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  };
  place(status_, Margin, Margin, Width - 2 * Margin, RowHeight + 6, true);
  place(downloadLabel_, Margin, downloadY, LabelWidth, RowHeight, true);
  place(exportLabel_, Margin, exportY, LabelWidth, RowHeight, true);
  place(downloadBar_, barX, downloadY, barWidth, RowHeight, false);
  place(exportBar_, barX, exportY, barWidth, RowHeight, false);
  // The controls use the new font from now on; the old one can go.
  if (font == nullptr) return;
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

void WindowView::OnDpiChanged(int dpi, const RECT& suggested) {
  if (window_ == nullptr || dpi <= 0) return;
  dpi_ = dpi;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void WindowView::ListenForCloseRequests(run::CloseRequests& run) {
  run_ = &run;
}

void WindowView::ShowText(std::string_view text) {
  if (status_ != nullptr) SetWindowTextW(status_, Wide(text).c_str());
}

void WindowView::ShowProgress(run::Progress bar, int percent) {
  HWND control = bar == run::Progress::Download ? downloadBar_ : exportBar_;
  if (control != nullptr)
    SendMessageW(control, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

void WindowView::Close(const run::RunResult&) {
  closed_ = true;
  Destroy();
}

void WindowView::End(std::string_view lastLine) {
  ShowText(lastLine);
  ended_ = true;
}

void WindowView::HoldLastWord(std::function<void()> done) {
  ended_ = true;
  lastWordDone_ = std::move(done);
  if (window_ == nullptr || closeRequested_) {
    EndLastWord();
    return;
  }
  lastWordTimer_.expires_after(lastWordTime_);
  lastWordTimer_.async_wait([this](const std::error_code& error) {
    if (!error) EndLastWord();
  });
}

void WindowView::CloseAfterEnd() {
  closeRequested_ = true;
  if (lastWordDone_) EndLastWord();
}

void WindowView::EndLastWord() {
  closed_ = true;
  Destroy();
  // Once only, whichever came first: the time, or a close request.
  std::function<void()> done = std::move(lastWordDone_);
  lastWordDone_ = nullptr;
  if (done) done();
}

void WindowView::Destroy() {
  messageTimer_.cancel();
  lastWordTimer_.cancel();
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = status_ = downloadLabel_ = exportLabel_ = downloadBar_ = exportBar_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
    font_ = nullptr;
  }
}

void WindowView::ServeMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (closed_ || window_ == nullptr) return;
  messageTimer_.expires_after(MessageInterval);
  messageTimer_.async_wait([this](const std::error_code& error) {
    if (!error) ServeMessages();
  });
}

LRESULT WindowView::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The close button is the user's wish, not a stop: the run refuses it
      // while busy, otherwise it ends, reports and closes this view itself.
      // After the last word there is nothing left to refuse.
      if (ended_) {
        CloseAfterEnd();
      } else if (run_ != nullptr) {
        run_->OnCloseRequested();
      }
      return 0;
    case WM_QUERYENDSESSION:
      // A log-off or a shutdown is never refused: the run stops when the
      // session really ends.
      return TRUE;
    case WM_ENDSESSION:
      // The process may be ended as soon as this returns: the run stops and
      // reports first.
      if (wParam != FALSE && ended_) {
        CloseAfterEnd();
      } else if (wParam != FALSE && run_ != nullptr) {
        run_->OnStopRequested("the end of the Windows session");
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace varkelo::app
