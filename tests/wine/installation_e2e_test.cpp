// The welcome page's installation checks under Wine: the real registry, real
// version resources of stand-in NORVIK.EXE files, real named mutexes, and
// the message boxes a user sees.  One updater is kept on the welcome page
// while the installation is broken in one way after another, as a user would
// fix one cause and press Next again.
#include <filesystem>

#include "e2e.h"
#include "e2e_install.h"

using namespace uidriver;
namespace fs = std::filesystem;

namespace {

struct Holder {
  HANDLE mutex;
  explicit Holder(const char* name) : mutex(CreateMutexA(nullptr, FALSE, name)) {}
  ~Holder() { CloseHandle(mutex); }
};

class InstallationE2E : public ::testing::Test {
 protected:
  void StartUpdater(const e2e::Installation& inst) {
    updater_ = Process::Start(inst.UpdaterPath());
    wizard_ = WaitForWizard(updater_.Pid(), e2e::kStartTimeout);
    ASSERT_NE(wizard_, nullptr);
  }

  void PressNext() {
    ASSERT_TRUE(WaitUntil([&] { return Press(wizard_, 0x3024); }, e2e::kStepTimeout));
  }

  // Presses Next and expects one message, after which the wizard stays on
  // the welcome page.
  void ExpectRefusal(const std::string& text, const std::string& icon, const std::string& shot = "") {
    SCOPED_TRACE(text);
    PressNext();
    HWND box = WaitForMessageBox(updater_.Pid(), e2e::kStepTimeout);
    ASSERT_NE(box, nullptr) << "no message box";
    const BoxInfo info = ReadPaintedBox(box);
    EXPECT_EQ(info.text, text);
    EXPECT_EQ(info.icon, icon);
    EXPECT_EQ(info.caption, "銀行・支店情報の更新");
    EXPECT_EQ(info.owner, wizard_);
    ASSERT_EQ(info.buttons.size(), 1u);
    if (!shot.empty()) e2e::Snapshot(shot);
    Answer(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return FindMessageBox(updater_.Pid()) == nullptr; }, e2e::kStepTimeout));
    EXPECT_EQ(ActivePageIndex(wizard_), 0);
    EXPECT_EQ(FindMessageBox(updater_.Pid()), nullptr) << "exactly one message";
  }

  void ExpectUpdatePage() {
    PressNext();
    EXPECT_TRUE(WaitUntil([&] { return ActivePageIndex(wizard_) == 1; }, e2e::kStepTimeout));
    EXPECT_EQ(FindMessageBox(updater_.Pid()), nullptr);
    EXPECT_EQ(e2e::SettledText(Control(wizard_, 0x3024), "更新"), "更新");
  }

  void Quit() {
    Press(wizard_, IDCANCEL);
    EXPECT_TRUE(updater_.WaitExit(e2e::kStepTimeout));
  }

  Process updater_;
  HWND wizard_ = nullptr;
};

}  // namespace

TEST_F(InstallationE2E, EachCauseHasItsMessageUntilTheInstallationIsWhole) {
  e2e::Installation inst(L"App", L"Common");
  StartUpdater(inst);

  inst.DeleteProductDir();
  ExpectRefusal("NorvikⅡがインストールされていません(コード350)。", "stop", "check-350");
  inst.SetProductDir(inst.product.wstring());

  fs::remove(inst.product / L"NORVIK.EXE");
  ExpectRefusal("NorvikⅡが見つかりません。", "stop");
  inst.UseVersion("2_8_65535_65535");

  inst.DeleteCommonDir();
  ExpectRefusal("NorvikⅡがインストールされていません(コード351)。", "stop");
  inst.SetCommonDir(inst.common.wstring());

  fs::rename(inst.common / L"DAT" / L"BNKDB.LCA", inst.common / L"DAT" / L"moved");
  ExpectRefusal("共通のデータベースファイルを認識できません。", "stop");
  fs::rename(inst.common / L"DAT" / L"moved", inst.common / L"DAT" / L"BNKDB.LCA");

  inst.UseVersion("noversion");
  ExpectRefusal("NorvikⅡが見つかりません。", "stop");

  for (const char* refused : {"2_9_0_0", "2_10_0_0", "1_9_0_0", "3_0_0_0"}) {
    inst.UseVersion(refused);
    ExpectRefusal("このプログラムでは、現在ご利用のNorvikを更新することはできません。", "stop",
                  std::string(refused) == "2_9_0_0" ? "check-version" : "");
  }
  inst.UseVersion("2_8_65535_65535");
  {
    Holder norvik("hPrevInstanceNvk");
    Holder paylark("hPrevInstancePlk");
    ExpectRefusal("NorvikⅡを終了させてください。", "exclamation", "check-running");
  }
  {
    Holder paylark("hPrevInstancePlk");
    Holder kelvane("hPrevInstanceKlv");
    ExpectRefusal("Kelvaneを終了させてください。", "exclamation");
  }
  {
    Holder paylark("hPrevInstancePlk");
    ExpectRefusal("Paylarkを終了させてください。", "exclamation");
  }

  ExpectUpdatePage();
  Quit();
}

TEST_F(InstallationE2E, JapaneseFoldersAndTheLowestVersion) {
  // A product folder ending in ソ (its second byte is 0x5C) and a common
  // folder named 共通.
  e2e::Installation inst(L"ノルヴィクソ", L"共通");
  inst.UseVersion("2_0_0_0");
  StartUpdater(inst);
  ExpectUpdatePage();
  e2e::Snapshot("update-page-reached");
  Quit();
}
