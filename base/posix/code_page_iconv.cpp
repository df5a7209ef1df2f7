// The code page 932 conversions through iconv.
#include <iconv.h>

#include <cerrno>
#include <map>
#include <string>
#include <utility>

#include "base/code_page.h"

namespace base {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Opening a converter costs more than most conversions; the master's texts
// convert one field at a time, so each direction keeps its converter.  They
// are closed when the thread ends, so that a leak check at exit sees only
// real leaks.
class Converters {
 public:
  ~Converters() {
    for (auto& [directions, cd] : open_)
      if (cd != kNoConverter) iconv_close(cd);
  }
  iconv_t For(const char* to, const char* from) {
    auto [it, added] = open_.try_emplace({to, from}, kNoConverter);
    if (it->second == kNoConverter) it->second = iconv_open(to, from);
    return it->second;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> open_;
};

iconv_t Converter(const char* to, const char* from) {
  static thread_local Converters converters;
  return converters.For(to, from);
}

std::string Convert(const char* to, const char* from, std::string_view in, bool* lossy) {
  iconv_t cd = Converter(to, from);
  if (cd == kNoConverter) {
    if (lossy) *lossy = !in.empty();
    return {};
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh start for each text
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  bool dropped = false;
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    if (errno == EINVAL) {  // incomplete character at the end: drop it
      dropped = true;
      break;
    }
    if (errno == EILSEQ) {  // no counterpart or malformed: drop one byte, go on
      dropped = true;
      ++src;
      --srcLeft;
      continue;
    }
    if (errno == E2BIG) {  // cannot happen with 4x room, but stay safe
      const size_t used = static_cast<size_t>(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    dropped = true;
    break;
  }
  out.resize(static_cast<size_t>(dst - out.data()));
  if (lossy) *lossy = dropped;
  return out;
}

// Most texts of the master are ASCII and half-width katakana, which map one
// to one without a converter: 0x00-0x7F as themselves, 0xA1-0xDF to
// U+FF61-U+FF9F (three bytes of UTF-8 each).  A text with anything else
// goes through iconv whole.
bool ByHandFromCp932(std::string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size() * 3);
  for (const char c : in) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else if (b >= 0xA1 && b <= 0xDF) {
      const unsigned cp = 0xFF61 + (b - 0xA1);
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      return false;
    }
  }
  return true;
}

bool ByHandToCp932(std::string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out += in[i];
      continue;
    }
    // U+FF61-U+FFBF are EF BD A1-BF and EF BE 80-9F.
    if (b != 0xEF || i + 2 >= in.size()) return false;
    const auto b1 = static_cast<unsigned char>(in[i + 1]), b2 = static_cast<unsigned char>(in[i + 2]);
    const unsigned cp = (b1 & 0x3F) << 6 | (b2 & 0x3F);
    if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) return false;
    const unsigned full = 0xF000 | cp;
    if (full < 0xFF61 || full > 0xFF9F) return false;
    out += static_cast<char>(0xA1 + (full - 0xFF61));
    i += 2;
  }
  return true;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932, bool* lossy) {
  std::string out;
  if (ByHandFromCp932(cp932, out)) {
    if (lossy) *lossy = false;
    return out;
  }
  return Convert("UTF-8", "CP932", cp932, lossy);
}

std::string Utf8ToCp932(std::string_view utf8, bool* lossy) {
  std::string out;
  if (ByHandToCp932(utf8, out)) {
    if (lossy) *lossy = false;
    return out;
  }
  return Convert("CP932", "UTF-8", utf8, lossy);
}

}  // namespace base
