// The code page conversions on any bytes, both ways: never a fault, and
// what converts without loss converts back to text that converts the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  bool lossy = false;
  const std::string utf8 = base::Cp932ToUtf8(in, &lossy);
  if (!lossy) {
    // Code page 932 has several codes for some characters (NEC and IBM
    // rows): the way back may choose another, but that one reads the same.
    bool backLossy = false;
    const std::string back = base::Utf8ToCp932(utf8, &backLossy);
    if (backLossy || base::Cp932ToUtf8(back) != utf8) __builtin_trap();
  }
  (void)base::Utf8ToCp932(in, &lossy);
  return 0;
}
