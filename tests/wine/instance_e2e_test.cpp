// One updater at a time, seen from the user's side under Wine: the real
// named mutex, the real message box and the real wizard.
#include "e2e.h"

using namespace uidriver;

TEST(SingleInstanceE2E, SecondCopyIsRefusedAndTheFirstGoesOn) {
  Process first = Process::Start(e2e::UpdaterExe());
  ASSERT_NE(first.Pid(), 0u) << "cannot start " << e2e::UpdaterExe();
  HWND wizard = WaitForWizard(first.Pid(), e2e::kStartTimeout);
  ASSERT_NE(wizard, nullptr);
  EXPECT_EQ(e2e::SettledText(wizard, "銀行・支店情報の更新"), "銀行・支店情報の更新");
  EXPECT_TRUE(WaitUntil([&] { return !Enabled(Control(wizard, 0x3023)); }, e2e::kStepTimeout))
      << "Back must be disabled on the welcome page";
  EXPECT_EQ(e2e::SettledText(Control(wizard, 0x3024), "次へ(&N)"), "次へ(&N)");
  EXPECT_TRUE(Enabled(Control(wizard, IDCANCEL)));
  EXPECT_EQ(FindMessageBox(first.Pid()), nullptr) << "no box at an ordinary start";
  e2e::Snapshot("welcome-page");

  Process second = Process::Start(e2e::UpdaterExe());
  HWND box = WaitForMessageBox(second.Pid(), e2e::kStartTimeout);
  ASSERT_NE(box, nullptr);
  const BoxInfo info = ReadPaintedBox(box);
  EXPECT_EQ(info.caption, "銀行・支店情報の更新");
  EXPECT_EQ(info.text, "更新プログラムは既に起動しています。");
  EXPECT_EQ(info.icon, "stop");
  ASSERT_EQ(info.buttons.size(), 1u);
  EXPECT_EQ(info.buttons[0].id, IDOK);
  EXPECT_EQ(info.owner, nullptr);
  EXPECT_EQ(FindWizard(second.Pid()), nullptr);
  e2e::Snapshot("already-running");

  ASSERT_TRUE(Answer(box, IDOK));
  EXPECT_TRUE(second.WaitExit(e2e::kStepTimeout));
  EXPECT_EQ(FindWizard(second.Pid()), nullptr) << "the refused copy never shows the wizard";

  // The first copy was not disturbed.
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(FindWizard(first.Pid()), wizard);
  EXPECT_EQ(FindMessageBox(first.Pid()), nullptr);

  ASSERT_TRUE(Press(wizard, IDCANCEL));
  EXPECT_TRUE(first.WaitExit(e2e::kStepTimeout));

  // The name went with the first copy: a new one shows its wizard.
  Process third = Process::Start(e2e::UpdaterExe());
  HWND again = WaitForWizard(third.Pid(), e2e::kStartTimeout);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(FindMessageBox(third.Pid()), nullptr);
  ASSERT_TRUE(Press(again, IDCANCEL));
  EXPECT_TRUE(third.WaitExit(e2e::kStepTimeout));
}

TEST(SingleInstanceE2E, ACopyHoldingTheNameBlocksEvenWithoutAWindow) {
  // Whoever holds the name counts as a running updater, window or not.
  HANDLE name = CreateMutexA(nullptr, FALSE, "TOLMARKEB_APP_MORVATEX");
  ASSERT_NE(name, nullptr);
  Process copy = Process::Start(e2e::UpdaterExe());
  HWND box = WaitForMessageBox(copy.Pid(), e2e::kStartTimeout);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadBox(box).text, "更新プログラムは既に起動しています。");
  Answer(box, IDOK);
  EXPECT_TRUE(copy.WaitExit(e2e::kStepTimeout));
  CloseHandle(name);
}
