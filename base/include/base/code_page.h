// Conversions between UTF-8 and code page 932 (Shift-JIS as Windows has it,
// NEC and IBM extensions included).  Natively through iconv, whose CP932
// table maps as Windows does; on Windows through the system's own tables.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Whether `byte` opens a double-byte character of code page 932.  The
// master's texts and the records are code page 932 whatever the system's
// own code page is.
constexpr bool IsCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Characters that have no counterpart, and a lead byte left without its
// second byte, are dropped; when `lossy` is given it reports whether
// anything was dropped.
std::string Cp932ToUtf8(std::string_view cp932, bool* lossy = nullptr);
std::string Utf8ToCp932(std::string_view utf8, bool* lossy = nullptr);

// The same into `out`, whose storage is reused: for texts converted one
// field after another.
void Cp932ToUtf8(std::string_view cp932, std::string& out, bool* lossy = nullptr);
void Utf8ToCp932(std::string_view utf8, std::string& out, bool* lossy = nullptr);

}  // namespace base
