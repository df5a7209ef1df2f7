// The conversions remember what the system (iconv, or Windows) makes of
// each character; they must give what it gives for the whole text, byte for
// byte, what is dropped included.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/code_page.h"
#include "base/code_page_whole.h"

namespace {

std::string Whole(bool fromCp932, const std::string& text, bool* dropped = nullptr) {
  std::string out;
  const bool d = fromCp932 ? base::internal::WholeCp932ToUtf8(text, out) : base::internal::WholeUtf8ToCp932(text, out);
  if (dropped) *dropped = d;
  return out;
}

// Texts of bytes a master's names are made of, and of bytes that are not.
std::string RandomText(std::mt19937& random, bool utf8) {
  static const std::string kPieces[] = {
      "A", " ", "\\", "~", "\x7F", "\xB1", "\xDF", "\x80", "\xA0", "\xFD", "\xFF", "\x81\x40", "\x82\xA0", "\x88\x9F",
      "\x87\x55", "\xED\x40", "\xFA\x5C", "\xFC\x4B", "\x81", "\x81\x20", "\x83\x5C", "\x95\x5C", "\xEB\x40",
      "\xEF\xBD\xB1", "\xE6\x9C\xAC", "\xE2\x85\xA1", "\xE3\x80\x80", "\xC2\xA5", "\xE2\x80\xBE", "\xEF\xBF\xA5",
      "\xF0\x9F\x8F\xA6", "\xED\xA0\x80", "\xC0\xAF", "\xE3\x81", "\xF4\x90\x80\x80", "\xEF\xBE\xA0",
  };
  std::string s;
  const int n = std::uniform_int_distribution<int>(0, 8)(random);
  for (int i = 0; i < n; ++i) {
    if (std::uniform_int_distribution<int>(0, 3)(random) == 0) {
      s += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    } else {
      s += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
    }
  }
  if (utf8 && std::uniform_int_distribution<int>(0, 1)(random) == 0) s = Whole(true, s);
  return s;
}

}  // namespace

TEST(CodePageWholeTest, AgreesWithTheSystemOnEveryText) {
  std::mt19937 random(20260401);
  for (int i = 0; i < 20000; ++i) {
    for (bool utf8 : {false, true}) {
      const std::string text = RandomText(random, utf8);
      bool lossy = false, systemLossy = false;
      if (!utf8) {
        EXPECT_EQ(base::Cp932ToUtf8(text, &lossy), Whole(true, text, &systemLossy));
      } else {
        EXPECT_EQ(base::Utf8ToCp932(text, &lossy), Whole(false, text, &systemLossy));
      }
      EXPECT_EQ(lossy, systemLossy);
      if (HasFailure()) {
        ADD_FAILURE() << "the text: " << ::testing::PrintToString(text);
        return;
      }
    }
  }
  // Every double-byte code, alone.
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      ASSERT_EQ(base::Cp932ToUtf8(code), Whole(true, code)) << lead << " " << trail;
      const std::string utf8 = Whole(true, code);
      ASSERT_EQ(base::Utf8ToCp932(utf8), Whole(false, utf8)) << lead << " " << trail;
    }
  }
  // Every character of the basic plane, alone: some map one way only.
  for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string utf8;
    if (cp < 0x800) {
      utf8 += static_cast<char>(0xC0 | (cp >> 6));
    } else {
      utf8 += static_cast<char>(0xE0 | (cp >> 12));
      utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    ASSERT_EQ(base::Utf8ToCp932(utf8), Whole(false, utf8)) << std::hex << static_cast<unsigned>(cp);
  }
}
