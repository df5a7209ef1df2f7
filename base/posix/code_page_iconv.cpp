// The whole-text conversions natively: iconv, whose CP932 table maps as
// Windows does.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/code_page_whole.h"

namespace base {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Opening a converter costs more than most conversions, so each direction
// keeps its converter.  They are closed when the thread ends, so that a
// leak check at exit sees only real leaks.
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

// The whole text through iconv into `out`; whether anything was dropped.
bool ConvertWithIconv(const char* to, const char* from, std::string_view in, std::string& out) {
  out.clear();
  iconv_t cd = Converter(to, from);
  if (cd == kNoConverter) return !in.empty();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh start for each text
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
  return dropped;
}

}  // namespace

namespace internal {

bool WholeCp932ToUtf8(std::string_view cp932, std::string& out) {
  return ConvertWithIconv("UTF-8", "CP932", cp932, out);
}

bool WholeUtf8ToCp932(std::string_view utf8, std::string& out) {
  return ConvertWithIconv("CP932", "UTF-8", utf8, out);
}

}  // namespace internal

}  // namespace base
