// The code page 932 conversions, spelled out in bytes on both sides.
#include <gtest/gtest.h>

#include <string>

#include "base/code_page.h"

TEST(CodePageTest, ConvertsBothWaysAndDropsWhatHasNoCounterpart) {
  const struct {
    const char* what;
    std::string cp932, utf8;
    bool lossy;
  } cases[] = {
      {"ASCII", "Norvik 2.8\\", "Norvik 2.8\\", false},
      {"half-width katakana", "\xD0\xC2\xCB\xDE\xBC", "\xEF\xBE\x90\xEF\xBE\x82\xEF\xBE\x8B\xEF\xBE\x9E\xEF\xBD\xBC", false},
      {"kanji and kana", "\x96\x7B\x93\x58\xB1", "\xE6\x9C\xAC\xE5\xBA\x97\xEF\xBD\xB1", false},
      {"an NEC extension (Roman II)", "\x87\x55", "\xE2\x85\xA1", false},
      {"a lead byte left alone at the end", "\xB1\x96", "\xEF\xBD\xB1", true},
      // (A lone 0x80 is no character natively, U+0080 on Windows: not used here.)
      {"a lead byte whose second byte is no trail", "\xB1\x81\x20\xB2", "\xEF\xBD\xB1 \xEF\xBD\xB2", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool lossy = !c.lossy;
    EXPECT_EQ(base::Cp932ToUtf8(c.cp932, &lossy), c.utf8);
    EXPECT_EQ(lossy, c.lossy);
    if (!c.lossy) {
      EXPECT_EQ(base::Utf8ToCp932(c.utf8, &lossy), c.cp932);
      EXPECT_FALSE(lossy);
    }
  }
  // A character code page 932 has no form for is dropped on the way in.
  bool lossy = false;
  EXPECT_EQ(base::Utf8ToCp932("\xEF\xBD\xB1\xF0\x9F\x8F\xA6\xEF\xBD\xB2", &lossy), "\xB1\xB2");
  EXPECT_TRUE(lossy);
  // Half-width katakana end at U+FF9F; U+FFA0 is a Hangul letter.
  EXPECT_EQ(base::Utf8ToCp932("\xEF\xBE\x9F\xEF\xBE\xA0", &lossy), "\xDF");
  EXPECT_TRUE(lossy);
}
