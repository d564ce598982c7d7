#include "app/window_view.hpp"

// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace varkelo::app {
namespace {

constexpr wchar_t WindowClass[] = L"VarkeloStatusWindow";
// How often waiting window messages are served while the run works.
constexpr std::chrono::milliseconds MessageInterval{10};

// Client area: the status text above, the two labelled bars below it.
constexpr int Width = 440;
constexpr int Height = 118;
constexpr int Margin = 12;
constexpr int LabelWidth = 64;
constexpr int RowHeight = 20;

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
  return text;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<WindowView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcW(window, message, wParam, lParam);
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

WindowView::WindowView(asio::io_context& io) : messageTimer_(io) {}

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

  // A fixed-size window: it can be moved and minimised, not resized.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, Width, Height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND window =
      CreateWindowExW(0, WindowClass, Wide(run::Caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
  if (window == nullptr) return false;
  window_ = window;

  font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
  const int barX = Margin + LabelWidth;
  const int barWidth = Width - barX - Margin;
  // The status text on a sunken background a little larger than the text.
  status_ = MakeChild(window, L"STATIC", Wide(run::InitialStatus), SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX,
                      Margin, Margin, Width - 2 * Margin, RowHeight + 6, font_, WS_EX_STATICEDGE);
  const int downloadY = Margin + RowHeight + 6 + 16;
  const int exportY = downloadY + RowHeight + 12;
  MakeChild(window, L"STATIC", L"読み込み", SS_LEFT | SS_CENTERIMAGE, Margin, downloadY, LabelWidth,
            RowHeight, font_);
  MakeChild(window, L"STATIC", L"CSV作成", SS_LEFT | SS_CENTERIMAGE, Margin, exportY, LabelWidth, RowHeight,
            font_);
  downloadBar_ = MakeChild(window, PROGRESS_CLASSW, L"", 0, barX, downloadY, barWidth, RowHeight, nullptr);
  exportBar_ = MakeChild(window, PROGRESS_CLASSW, L"", 0, barX, exportY, barWidth, RowHeight, nullptr);
  for (HWND bar : {downloadBar_, exportBar_}) {
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
  }

  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  ServeMessages();
  return true;
}

void WindowView::ListenForCloseRequests(run::CloseRequests& run) {
  run_ = &run;
}

void WindowView::ShowStatus(std::string_view text) {
  if (status_ != nullptr) SetWindowTextW(status_, Wide(text).c_str());
}

void WindowView::ShowProgress(run::Progress bar, int percent) {
  HWND control = bar == run::Progress::Download ? downloadBar_ : exportBar_;
  if (control != nullptr)
    SendMessageW(control, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

void WindowView::Close() {
  closed_ = true;
  Destroy();
}

void WindowView::Destroy() {
  messageTimer_.cancel();
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = status_ = downloadBar_ = exportBar_ = nullptr;
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
      // The run answers: refused while busy, otherwise it ends, reports and
      // closes this view itself.
      if (run_ != nullptr) run_->OnCloseRequested();
      return 0;
    case WM_QUERYENDSESSION:
      // Logging off while the gateway is connected or the export runs is
      // refused, as far as Windows lets a program refuse it; otherwise the run
      // ends and reports before the session does.
      return run_ == nullptr || run_->OnCloseRequested() ? TRUE : FALSE;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace varkelo::app
