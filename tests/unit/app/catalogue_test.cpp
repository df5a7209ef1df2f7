#include <gtest/gtest.h>

#include "support/catalogue_texts.h"
#include "base/text.h"
#include "support/memory_ui.h"

using CatalogueTest = MemoryUiTest;

TEST_F(CatalogueTest, EveryMessageIsByteExactInCodePage932) {
  for (const auto& entry : kCatalogue)
    EXPECT_EQ(ui.LoadStringResource(entry.id), Ansi(entry.text)) << std::hex << entry.id;
  EXPECT_EQ(ui.LoadStringResource(0xE00D), "");
}

TEST_F(CatalogueTest, SpotChecksAgainstRawBytes) {
  // Independent of any converter: the numeral II is the NEC row 13 character
  // 0x87 0x55, and the longest message is 332 bytes.
  EXPECT_EQ(ui.LoadStringResource(0xE001).substr(0, 8), std::string("Norvik\x87\x55"));
  EXPECT_EQ(ui.LoadStringResource(0xE00C).size(), 332u);
  EXPECT_EQ(ui.LoadStringResource(0xE000), "\x8B\xE2\x8D\x73\x81\x45\x8E\x78\x93\x58\x8F\xEE\x95\xF1\x82\xCC\x8D\x58\x90\x56");
  // 0xE005 names the product without the numeral.
  EXPECT_EQ(ui.LoadStringResource(0xE005).find("\x87\x55"), std::string::npos);
}

TEST_F(CatalogueTest, TheTwoDeleteWarningsDiffer) {
  const std::string keepAll = ui.LoadStringResource(0xE00B);
  const std::string keepPostOffice = ui.LoadStringResource(0xE00C);
  EXPECT_NE(keepAll.find(Ansi("(例として郵便貯金など)")), std::string::npos);
  EXPECT_EQ(keepPostOffice.find(Ansi("(例として郵便貯金など)")), std::string::npos);
  EXPECT_NE(keepPostOffice.find(Ansi("削除されます。\nこの範囲内")), std::string::npos);
  EXPECT_NE(keepAll.find(Ansi("削除されます。この範囲内")), std::string::npos);
  EXPECT_NE(keepPostOffice.find(Ansi("※但し、郵便局(9900)は削除されません。")), std::string::npos);
}
