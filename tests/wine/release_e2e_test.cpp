// The updater as the release zip ships it: the unpacked exe (UPDATER_EXE
// names it for this test alone) carries its version, and runs an update
// from the welcome page to the completion page.  The caption buttons of the
// screens are drawn with their symbols, as on Windows.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e.h"
#include "e2e_install.h"

using namespace uidriver;

namespace {

constexpr int kNext = 0x3024, kFinish = 0x3025;

// A value of the exe's Japanese version block, or "" when there is none.
std::wstring VersionString(const std::wstring& exe, const wchar_t* name) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
  if (size == 0) return L"";
  std::vector<char> block(size);
  if (!GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) return L"";
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041103a4\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return L"";
  return static_cast<const wchar_t*>(value);
}

}  // namespace

TEST(ReleaseE2E, TheUnpackedUpdaterRunsAnUpdateToTheCompletionPage) {
  const char* version = std::getenv("RELEASE_VERSION");
  ASSERT_NE(version, nullptr) << "run by the release_under_wine test, which names the unpacked exe";
  const std::wstring exe = Widen(WindowsPath(e2e::UpdaterExe()));
  EXPECT_EQ(VersionString(exe, L"ProductVersion"), Widen(version));
  EXPECT_EQ(VersionString(exe, L"ProductName"), L"銀行・支店情報の更新");

  e2e::Installation inst;
  const std::string d = std::to_string(base::CalendarDate(2025, 4, 1).value);
  inst.MasterSql("INSERT INTO TBANK VALUES (1,'ﾐｽﾞﾎ','みずほ',0," + d + ");"
                 "INSERT INTO TBRAN VALUES (1,1,'ﾄｳｷﾖｳ','東京',0," + d + ");");
  inst.WritePackage("ZMF0", {e2e::Bank(1, "ﾐｽﾞﾎ", "みずほ銀行", 2026, 4, 1),
                             e2e::Branch(1, 1, "ﾄｳｷﾖｳ", "東京営業部", 2026, 4, 1),
                             e2e::Branch(1, 2, "ｵｵｻｶ", "大阪", 2026, 4, 1)});
  Process updater = Process::Start(inst.UpdaterPath());
  HWND wizard = WaitForWizard(updater.Pid(), e2e::kStartTimeout);
  ASSERT_NE(wizard, nullptr);
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(WaitUntil([&] { return ActivePageIndex(wizard) == 1; }, e2e::kStepTimeout));
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(WaitUntil([&] { return ActivePageIndex(wizard) == 2; }, e2e::kStepTimeout));
  EXPECT_EQ(e2e::SettledText(Control(ActivePage(wizard), 1007), "更新が完了しました。"), "更新が完了しました。");
  e2e::Snapshot("release-done");
  ASSERT_TRUE(Press(wizard, kFinish));
  ASSERT_TRUE(updater.WaitExit(e2e::kStepTimeout));
  EXPECT_EQ(inst.MasterRows("SELECT BANKCODE, BRNCCODE FROM TBRAN ORDER BY 1, 2"),
            (std::vector<std::string>{"1|1", "1|2"}));
}

// Title bars draw their close, minimise and maximise boxes with the symbol
// font Marlett; without it they show letters ("r" for the close box).
TEST(ScreensE2E, TheCaptionButtonsHaveTheirSymbolFont) {
  HDC dc = GetDC(nullptr);
  LOGFONTW wanted = {};
  wanted.lfCharSet = SYMBOL_CHARSET;
  wcscpy_s(wanted.lfFaceName, L"Marlett");
  bool found = false;
  EnumFontFamiliesExW(
      dc, &wanted, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
        *reinterpret_cast<bool*>(found) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  EXPECT_TRUE(found) << "no Marlett in this prefix (Debian package fonts-wine)";
}
