// The whole-text conversions on Windows: the Win32 conversion functions, by
// way of UTF-16.
#include <windows.h>

#include <string>

#include "base/code_page_whole.h"

namespace base {
namespace {

std::wstring ToWide(UINT cp, std::string_view in, bool* lossy) {
  std::wstring out;
  if (in.empty()) return out;
  const int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                                    nullptr, 0);
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), out.data(), n);
    return out;
  }
  // Something does not convert: go character by character and drop what
  // fails, as the native build does.
  if (lossy) *lossy = true;
  size_t i = 0;
  while (i < in.size()) {
    size_t len = 1;
    if (cp == 932 && IsDBCSLeadByteEx(932, static_cast<BYTE>(in[i]))) len = 2;
    if (cp == CP_UTF8) {
      const auto b = static_cast<unsigned char>(in[i]);
      len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    }
    if (i + len > in.size()) break;  // incomplete at the end
    wchar_t w[2];
    const int m = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, in.data() + i, static_cast<int>(len), w, 2);
    if (m > 0) {
      out.append(w, static_cast<size_t>(m));
      i += len;
    } else {
      i += 1;
    }
  }
  return out;
}

std::string FromWide(UINT cp, const std::wstring& in, bool* lossy) {
  std::string out;
  if (in.empty()) return out;
  BOOL usedDefault = FALSE;
  BOOL* pUsed = cp == CP_UTF8 ? nullptr : &usedDefault;
  const DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(cp, flags, in.data(), static_cast<int>(in.size()), nullptr, 0,
                                    nullptr, pUsed);
  if (n > 0 && !usedDefault) {
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(cp, flags, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
  }
  if (lossy) *lossy = true;
  for (size_t i = 0; i < in.size(); ++i) {
    const size_t len = (IS_HIGH_SURROGATE(in[i]) && i + 1 < in.size()) ? 2 : 1;
    char buf[8];
    BOOL used = FALSE;
    const int m = WideCharToMultiByte(cp, flags, in.data() + i, static_cast<int>(len), buf, sizeof buf,
                                      nullptr, pUsed ? &used : nullptr);
    if (m > 0 && !used) out.append(buf, static_cast<size_t>(m));
    i += len - 1;
  }
  return out;
}

}  // namespace

namespace internal {

bool WholeCp932ToUtf8(std::string_view cp932, std::string& out) {
  bool dropped = false;
  out = FromWide(CP_UTF8, ToWide(932, cp932, &dropped), &dropped);
  return dropped;
}

bool WholeUtf8ToCp932(std::string_view utf8, std::string& out) {
  bool dropped = false;
  out = FromWide(932, ToWide(CP_UTF8, utf8, &dropped), &dropped);
  return dropped;
}

}  // namespace internal

}  // namespace base
