// The program's strings are Windows-1252 on every host; the Win32 API speaks
// UTF-16.  These convert at that border with code page 1252 itself, not the
// process's ANSI code page, so that a name with umlauts means the same file
// whatever the workstation's locale.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace q32 {

constexpr UINT kProgramCodePage = 1252;

inline std::wstring AnsiToWide(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Characters that Windows-1252 lacks become "?".
inline std::string WideToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              "?", nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, "?",
                        nullptr);
  return out;
}

}  // namespace q32
