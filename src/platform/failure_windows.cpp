// The system's error texts on Windows, always as UTF-8. A code of
// GetLastError or WSAGetLastError, in the standard library's category or in
// Asio's, is described by the system in the user's language, taken in UTF-16;
// the narrow texts of every other category, and of exceptions, may come in the
// ANSI code page (code page 932 on a Japanese PC) and are converted.

#include <asio/error.hpp>
// After Asio, which brings winsock2.h first.
#include <windows.h>

#include <string>

#include "platform/failure.hpp"
#include "platform/wide_text.hpp"

namespace varkelo::platform {
namespace {

// The system's own text for a Win32 or Winsock code; empty where it has none.
std::string SystemText(int code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  // The system ends its texts with a line end (and sometimes a blank).
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
    wide.pop_back();
  return Utf8FromWide(wide);
}

// Words for the Winsock errors a system may have no text for (Wine has none
// for several): the same as a POSIX system's.
std::string_view NetworkErrorWords(int code) {
  switch (code) {
    case WSAECONNREFUSED:
      return "Connection refused";
    case WSAECONNRESET:
      return "Connection reset by peer";
    case WSAECONNABORTED:
      return "Software caused connection abort";
    case WSAEHOSTUNREACH:
      return "No route to host";
    case WSAENETUNREACH:
      return "Network is unreachable";
    case WSAENETDOWN:
      return "Network is down";
    case WSAETIMEDOUT:
      return "Connection timed out";
    case WSAEADDRNOTAVAIL:
      return "Cannot assign requested address";
    default:
      return {};
  }
}

bool IsUtf8(std::string_view text) {
  return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

}  // namespace

std::string Utf8FromSystemText(std::string_view text) {
  if (IsUtf8(text)) return std::string(text);
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return Utf8FromWide(wide);
}

std::string ErrorText(const std::error_code& error) {
  const bool systemCode =
      error.category() == std::system_category() || error.category() == asio::error::get_system_category();
  if (!systemCode) return Utf8FromSystemText(error.message());
  if (std::string text = SystemText(error.value()); !text.empty()) return text;
  const std::string code = "system error " + std::to_string(error.value());
  const std::string_view words = NetworkErrorWords(error.value());
  return words.empty() ? code : std::string(words) + " (" + code + ")";
}

}  // namespace varkelo::platform
