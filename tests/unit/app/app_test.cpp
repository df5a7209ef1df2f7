// Start-up and shutdown of the application object.
#include <gtest/gtest.h>

#include "base/text.h"
#include "app/updater_app.h"
#include "support/memory_ui.h"

using AppTest = MemoryUiTest;

TEST_F(AppTest, SecondCopyIsRefusedWithoutAWizard) {
  platform::Handle firstCopy = platform::CreateNamedMutex(kInstanceMutexName, nullptr);
  ASSERT_NE(firstCopy, nullptr);
  {
    UpdaterApp app;
    ui.user = [](fw::memory::MemoryWizard&) { FAIL() << "no wizard may be shown"; };
    AfxRunApplication();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Ansi("更新プログラムは既に起動しています。"));
    EXPECT_EQ(ui.boxes[0].caption, Ansi("銀行・支店情報の更新"));
    EXPECT_EQ(ui.boxes[0].style, 0x10u);
    EXPECT_FALSE(ui.boxes[0].owned);
    EXPECT_EQ(app.database, nullptr);
    EXPECT_EQ(app.instanceMutex, nullptr);
  }
  // The first copy still holds its name.
  platform::Handle probe = platform::OpenNamedMutex(kInstanceMutexName);
  EXPECT_NE(probe, nullptr);
  platform::CloseHandle(probe);
  platform::CloseHandle(firstCopy);
}

TEST_F(AppTest, CancelOnWelcomePageTearsDownAndReleasesTheName) {
  UpdaterApp app;
  int asked = 0;
  ui.user = [&](fw::memory::MemoryWizard& w) {
    ++asked;
    // The welcome page as the user first sees it.
    EXPECT_EQ(w.GetText(), Ansi("銀行・支店情報の更新"));
    EXPECT_EQ(w.GetItemText(fw::kIdWizNext), Ansi("次へ(&N)"));
    EXPECT_FALSE(w.ButtonUsable(fw::kIdWizBack));
    EXPECT_TRUE(w.ButtonUsable(fw::kIdWizNext));
    EXPECT_TRUE(w.ButtonUsable(fw::kIdCancel));
    // While the wizard runs the mutex is held, and boxes belong to the wizard.
    platform::Handle probe = platform::OpenNamedMutex(kInstanceMutexName);
    EXPECT_NE(probe, nullptr);
    platform::CloseHandle(probe);
    EXPECT_NE(App()->database, nullptr);
    AfxMessageBox("probe", 0);
    EXPECT_TRUE(ui.boxes.back().owned);
    w.PressCancel();
  };
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ui.boxes.size(), 1u);  // only the probe: nothing at start-up

  // Nothing but the mutex and the database object was ever made, and both are gone.
  EXPECT_EQ(app.database, nullptr);
  EXPECT_EQ(app.bankSet, nullptr);
  EXPECT_EQ(app.branchSet, nullptr);
  EXPECT_EQ(app.instanceMutex, nullptr);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(platform::OpenNamedMutex(kInstanceMutexName), nullptr);
  // The context stays as it started.
  EXPECT_EQ(app.updating, 0);
  EXPECT_EQ(app.updateResult, 0);
  EXPECT_EQ(app.packageEdition.value, 0.0);
  EXPECT_EQ(app.packageEdition.status, base::OleDate::kValid);
  EXPECT_TRUE(app.packagePath.empty() && app.rangeClause.empty() && app.databasePath.empty());

  // A new copy after this one ended gets the wizard.
  UpdaterApp next;
  AfxRunApplication();
  EXPECT_EQ(asked, 2);
}
