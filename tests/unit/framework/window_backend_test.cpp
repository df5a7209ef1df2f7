// What the pages do with their controls and the sheet's buttons, run on
// every window backend: the in-memory one that native tests use is held
// against the real comctl32 controls under Wine.
#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "framework/afx.h"
#include "support/window_backends.h"
#include "wizard/resource_ids.h"

namespace {

bool Usable(CDlgItem item) { return item.IsWindowVisible() && item.IsWindowEnabled(); }

}  // namespace

TEST_P(WindowBackendTest, ProgressBarKeepsSixteenBitsAndWraps) {
  OnUpdatePage([](CPropertyPage& page, CPropertySheet&) {
    CProgressCtrl bar;
    bar.Attach(page.GetDlgItem(wizard::kIdProgress));
    bar.SetRange(0, 65536 + 3);  // the control keeps 16 bits: 3
    bar.SetStep(1);
    bar.SetPos(0);
    for (int i = 0; i < 3; ++i) bar.StepIt();
    EXPECT_EQ(bar.GetPos(), 3);
    bar.StepIt();  // past the top starts over
    EXPECT_EQ(bar.GetPos(), 1);
    bar.SetPos(99);
    EXPECT_EQ(bar.GetPos(), 3);
    // Hidden until the run shows it.
    EXPECT_FALSE(page.GetDlgItem(wizard::kIdProgress).IsWindowVisible());
    page.GetDlgItem(wizard::kIdProgress).ShowWindow(true);
    EXPECT_TRUE(page.GetDlgItem(wizard::kIdProgress).IsWindowVisible());
  });
}

TEST_P(WindowBackendTest, CheckBoxesKeepTheirMarkWhileDisabled) {
  OnUpdatePage([](CPropertyPage& page, CPropertySheet&) {
    CDlgItem box = page.GetDlgItem(wizard::kIdKeepPostOffice);
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_TRUE(box.IsWindowEnabled());
    box.SetCheck(1);
    box.EnableWindow(false);
    EXPECT_FALSE(box.IsWindowEnabled());
    EXPECT_EQ(box.GetCheck(), 1);
    box.EnableWindow(true);
    EXPECT_EQ(box.GetCheck(), 1);
    box.SetCheck(0);
    EXPECT_EQ(box.GetCheck(), 0);
  });
}

TEST_P(WindowBackendTest, WizardButtonsFollowTheMask) {
  OnUpdatePage([](CPropertyPage&, CPropertySheet& sheet) {
    struct Case {
      unsigned mask;
      bool back, next, finish;
    } cases[] = {
        {fw::kWizNext, false, true, false},
        {fw::kWizBack | fw::kWizNext, true, true, false},
        {0, false, false, false},
        {fw::kWizFinish, false, false, true},
        {fw::kWizBack, true, false, false},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.mask);
      sheet.SetWizardButtons(c.mask);
      EXPECT_EQ(Usable(sheet.GetDlgItem(fw::kIdWizBack)), c.back);
      EXPECT_EQ(Usable(sheet.GetDlgItem(fw::kIdWizNext)), c.next);
      EXPECT_EQ(Usable(sheet.GetDlgItem(fw::kIdWizFinish)), c.finish);
      EXPECT_TRUE(Usable(sheet.GetDlgItem(fw::kIdCancel))) << "the mask never concerns Cancel";
    }
    // Disabled by the program, Cancel stays so whatever the mask says.
    sheet.GetDlgItem(fw::kIdCancel).EnableWindow(false);
    sheet.SetWizardButtons(fw::kWizFinish);
    EXPECT_FALSE(Usable(sheet.GetDlgItem(fw::kIdCancel)));
  });
}

TEST_P(WindowBackendTest, ControlTextsInCodePage932) {
  OnUpdatePage([](CPropertyPage& page, CPropertySheet& sheet) {
    EXPECT_EQ(page.GetDlgItem(wizard::kIdHeading).GetText(), Ansi("以下の金融機関の銀行・支店情報が更新されます。"));
    EXPECT_EQ(page.GetDlgItem(wizard::kIdStatusLine).GetText(), "");
    page.SetItemText(wizard::kIdStatusLine, Ansi("更新処理を行っています."));
    EXPECT_EQ(page.GetDlgItem(wizard::kIdStatusLine).GetText(), Ansi("更新処理を行っています."));
    // ソ and 表 end in the byte of a backslash, Ⅱ is an NEC extension.
    page.SetItemText(wizard::kIdPackageLine, Ansi("ソフト表示 NorvikⅡ"));
    EXPECT_EQ(page.GetDlgItem(wizard::kIdPackageLine).GetText(), Ansi("ソフト表示 NorvikⅡ"));
    sheet.GetDlgItem(fw::kIdWizNext).SetText(Ansi("更新"));
    EXPECT_EQ(sheet.GetDlgItem(fw::kIdWizNext).GetText(), Ansi("更新"));
    sheet.SetTitle(Ansi("銀行・支店情報の更新"));
  });
}

INSTANTIATE_TEST_SUITE_P(Memory, WindowBackendTest,
                         ::testing::Values(WindowBackend{"Memory", &RunOnMemoryBackend}),
                         [](const auto& info) { return std::string(info.param.name); });
