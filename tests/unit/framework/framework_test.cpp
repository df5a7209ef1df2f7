// The framework stand-in's rules that the program relies on, checked through
// the in-memory backend.
#include <gtest/gtest.h>

#include "base/text.h"
#include "framework/afx.h"
#include "support/memory_ui.h"
#include "wizard/resource_ids.h"

using FrameworkTest = MemoryUiTest;

TEST_F(FrameworkTest, MessageBoxIconRuleAndCaption) {
  CWinApp app;  // nameless: the title comes from string 0xE000
  AfxWinInit();
  ASSERT_EQ(app.AppTitle(), Ansi("銀行・支店情報の更新"));

  struct Case {
    unsigned style, shown;
  } cases[] = {
      {0x0, 0x30},     // OK without icon: exclamation added
      {0x1, 0x31},     // OK/Cancel
      {0x4, 0x34},     // Yes/No
      {0x3, 0x33},     // Yes/No/Cancel
      {0x2, 0x2},      // Abort/Retry/Ignore: left alone
      {0x10, 0x10},    // an icon of its own is kept
      {0x134, 0x134},
  };
  for (const auto& c : cases) {
    AfxMessageBox("x", c.style);
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().style, c.shown) << std::hex << c.style;
    EXPECT_EQ(ui.boxes.back().caption, Ansi("銀行・支店情報の更新"));
    EXPECT_FALSE(ui.boxes.back().owned);
  }
}

TEST_F(FrameworkTest, EnterAnswersTheDefaultButton) {
  EXPECT_EQ(fw::memory::DefaultAnswer(0x134), fw::kIdNo);
  EXPECT_EQ(fw::memory::DefaultAnswer(0x34), fw::kIdYes);
  EXPECT_EQ(fw::memory::DefaultAnswer(0x10), fw::kIdOk);
}

TEST_F(FrameworkTest, UpdatePageTemplateAsWritten) {
  auto page = ui.CreatePageWindow(wizard::kUpdateTemplate);
  const auto& controls = page->Controls();
  ASSERT_EQ(controls.size(), 9u);
  // The first control without an identifier is the instruction line.
  EXPECT_EQ(page->Item(wizard::kIdInstruction).text.substr(0, 14), Ansi("続行する場合は"));
  const auto& bar = page->Item(wizard::kIdProgress);
  EXPECT_TRUE(bar.IsProgressBar());
  EXPECT_FALSE(bar.visible);
  EXPECT_EQ(bar.style, 0x40800000u);
  EXPECT_TRUE(page->Item(wizard::kIdDeleteRange).IsAutoCheckBox());
  EXPECT_EQ(page->Item(wizard::kIdKeepPostOffice).style, 0x50010003u);
  EXPECT_THROW(page->Item(4242), std::out_of_range);
}
