// The code page 932 conversions.  A text is a string of characters that
// convert one by one (the code page keeps no state), and the master's texts
// hold a few thousand different ones: what the system's conversion
// (code_page_whole.h) makes of each is remembered the first time, so that a
// text of characters already seen converts without it.  A text with
// anything the system would drop goes through it whole, so that what is
// dropped, and how, is the system's own doing.
#include <cstdint>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "base/code_page_whole.h"

namespace base {
namespace {

// Half-width katakana 0xA1-0xDF are U+FF61-U+FF9F, and ASCII is itself, in
// both systems' tables.
char* PutKana(unsigned char b, char* out) {
  const unsigned cp = 0xFF61 + (b - 0xA1);
  *out++ = static_cast<char>(0xE0 | (cp >> 12));
  *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  return out;
}

// What the system made of each character so far, in 16-bit entries so that
// the tables stay small in the cache: 0 while unknown, kNone when the system
// has no counterpart.
class Memo {
 public:
  // The UTF-8 of the double-byte character `lead` `trail`, written at `out`
  // (room for three bytes); null when it has none.  An entry is the code
  // point, of the basic plane and never below 0x80.
  char* FromDoubleByte(unsigned char lead, unsigned char trail, char* out) {
    if (fromDoubleByte_.empty()) fromDoubleByte_.assign(128 * 256, 0);
    std::uint16_t& entry = fromDoubleByte_[(lead - 0x80u) * 256 + trail];
    if (entry == 0) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const bool dropped = internal::WholeCp932ToUtf8(std::string_view(pair, 2), scratch_);
      entry = kNone;
      // One character of two or three bytes of UTF-8.
      const auto* u = reinterpret_cast<const unsigned char*>(scratch_.data());
      if (!dropped && scratch_.size() == 2 && u[0] >= 0xC2 && u[0] <= 0xDF)
        entry = static_cast<std::uint16_t>((u[0] & 0x1F) << 6 | (u[1] & 0x3F));
      else if (!dropped && scratch_.size() == 3 && u[0] >= 0xE0 && u[0] <= 0xEF)
        entry = static_cast<std::uint16_t>((u[0] & 0x0F) << 12 | (u[1] & 0x3F) << 6 | (u[2] & 0x3F));
    }
    if (entry == kNone) return nullptr;
    if (entry < 0x800) {
      *out++ = static_cast<char>(0xC0 | (entry >> 6));
    } else {
      *out++ = static_cast<char>(0xE0 | (entry >> 12));
      *out++ = static_cast<char>(0x80 | ((entry >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (entry & 0x3F));
    return out;
  }

  // The code page 932 bytes of the character `utf8` (code point `cp`, of
  // the basic plane), written at `out` (room for two); null when it has
  // none.  An entry is lead << 8 | trail for two bytes (the lead is never
  // below 0x81), 0x100 | byte for one.
  char* ToCp932(char32_t cp, std::string_view utf8, char* out) {
    if (toCp932_.empty()) toCp932_.assign(0x10000, 0);
    std::uint16_t& entry = toCp932_[cp];
    if (entry == 0) {
      const bool dropped = internal::WholeUtf8ToCp932(utf8, scratch_);
      const auto* c = reinterpret_cast<const unsigned char*>(scratch_.data());
      entry = kNone;
      if (!dropped && scratch_.size() == 1)
        entry = static_cast<std::uint16_t>(0x100 | c[0]);
      else if (!dropped && scratch_.size() == 2 && IsCp932LeadByte(c[0]))
        entry = static_cast<std::uint16_t>(c[0] << 8 | c[1]);
    }
    if (entry == kNone) return nullptr;
    if (entry >= 0x8100) *out++ = static_cast<char>(entry >> 8);
    *out++ = static_cast<char>(entry & 0xFF);
    return out;
  }

 private:
  static constexpr std::uint16_t kNone = 1;

  std::vector<std::uint16_t> fromDoubleByte_;
  std::vector<std::uint16_t> toCp932_;
  std::string scratch_;
};

Memo& Remembered() {
  static thread_local Memo memo;
  return memo;
}

// Converts `in` character by character; false, with `out` left half done,
// as soon as a character is one the system would drop.
bool ByCharacterFromCp932(std::string_view in, std::string& out) {
  out.resize(in.size() * 3);  // a character of n bytes is at most 3n of UTF-8
  char* o = out.data();
  Memo& memo = Remembered();
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
    } else if (b >= 0xA1 && b <= 0xDF) {
      o = PutKana(b, o);
    } else if (!IsCp932LeadByte(b) || i + 1 == in.size() ||
               (o = memo.FromDoubleByte(b, static_cast<unsigned char>(in[++i]), o)) == nullptr) {
      return false;
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

bool ByCharacterToCp932(std::string_view in, std::string& out) {
  out.resize(in.size());  // never more bytes than the UTF-8
  char* o = out.data();
  Memo& memo = Remembered();
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
      ++i;
      continue;
    }
    // Only well-formed characters of two or three bytes: code page 932 has
    // nothing beyond the basic plane.
    char32_t cp = 0;
    std::size_t n = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      n = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 3;
      cp = b & 0x0F;
    } else {
      return false;
    }
    if (i + n > in.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(in[i + k]);
      if (!IsContinuation(c)) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (cp >= 0xD800 && cp <= 0xDFFF)) return false;  // overlong, surrogate
    if (cp >= 0xFF61 && cp <= 0xFF9F)
      *o++ = static_cast<char>(0xA1 + (cp - 0xFF61));
    else if ((o = memo.ToCp932(cp, in.substr(i, n), o)) == nullptr)
      return false;
    i += n;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

}  // namespace

void Cp932ToUtf8(std::string_view cp932, std::string& out, bool* lossy) {
  bool dropped = false;
  if (!ByCharacterFromCp932(cp932, out)) dropped = internal::WholeCp932ToUtf8(cp932, out);
  if (lossy) *lossy = dropped;
}

void Utf8ToCp932(std::string_view utf8, std::string& out, bool* lossy) {
  bool dropped = false;
  if (!ByCharacterToCp932(utf8, out)) dropped = internal::WholeUtf8ToCp932(utf8, out);
  if (lossy) *lossy = dropped;
}

std::string Cp932ToUtf8(std::string_view cp932, bool* lossy) {
  std::string out;
  Cp932ToUtf8(cp932, out, lossy);
  return out;
}

std::string Utf8ToCp932(std::string_view utf8, bool* lossy) {
  std::string out;
  Utf8ToCp932(utf8, out, lossy);
  return out;
}

}  // namespace base
