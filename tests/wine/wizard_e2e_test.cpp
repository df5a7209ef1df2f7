// The wizard from the user's side under Wine: every state of its buttons,
// the texts of its pages, the delete options, the questions, a failed run,
// and a full update that a user walks from the welcome page to Finish.
#include <sqlite3.h>

#include "e2e.h"
#include "e2e_install.h"

using namespace uidriver;
namespace fs = std::filesystem;

namespace {

constexpr int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025;
constexpr int kDeleteRange = 1000, kKeepPostOffice = 1006;

class WizardE2E : public ::testing::Test {
 protected:
  WizardE2E() {
    const std::string d = std::to_string(base::CalendarDate(2005, 4, 1).value);
    inst.MasterSql("INSERT INTO TBANK VALUES (1,'ﾐｽﾞﾎ','みずほ',0," + d + ");"
                   "INSERT INTO TBANK VALUES (9900,'ﾕｳﾁﾖ','ゆうちょ',0," + d + ");"
                   "INSERT INTO TBRAN VALUES (1,1,'ﾄｳｷﾖｳ','東京',0," + d + ");"
                   "INSERT INTO TBRAN VALUES (9900,19,'ｾﾞﾛｲﾁｷﾕｳ','〇一九',0," + d + ");");
  }

  static std::vector<TransactionRecord> Package() {
    return {e2e::Bank(1, "ﾐｽﾞﾎ", "みずほ銀行", 2006, 4, 1), e2e::Bank(2, "ﾃｽﾄ", "テスト", 2006, 4, 1),
            e2e::Branch(1, 1, "ﾄｳｷﾖｳ", "東京営業部", 2006, 4, 1), e2e::Branch(1, 2, "ｵｵｻｶ", "大阪", 2006, 4, 1)};
  }

  void Start() {
    updater = Process::Start(inst.UpdaterPath());
    wizard = WaitForWizard(updater.Pid(), e2e::kStartTimeout);
    ASSERT_NE(wizard, nullptr);
  }
  HWND Page() { return ActivePage(wizard); }
  bool OnPage(int index) {
    return WaitUntil([&] { return ActivePageIndex(wizard) == index; }, e2e::kStepTimeout);
  }
  // The buttons as the situation table has them, once the program is idle.
  void ExpectButtons(bool back, bool next, bool finish, bool cancel, const std::string& nextText) {
    auto usable = [&](int id) { return Visible(Control(wizard, id)) && Enabled(Control(wizard, id)); };
    EXPECT_TRUE(WaitUntil([&] { return usable(kBack) == back && usable(kNext) == next && usable(kFinish) == finish &&
                                       usable(IDCANCEL) == cancel; },
                          e2e::kStepTimeout))
        << "back " << usable(kBack) << " next " << usable(kNext) << " finish " << usable(kFinish) << " cancel "
        << usable(IDCANCEL);
    if (!nextText.empty()) {
      EXPECT_EQ(e2e::SettledText(Control(wizard, kNext), nextText), nextText);
    }
  }
  void Click(int id) {
    const int before = Checked(Control(Page(), id));
    ASSERT_TRUE(ClickCheckBox(Page(), id));
    ASSERT_TRUE(WaitUntil([&] { return Checked(Control(Page(), id)) != before; }, e2e::kStepTimeout));
  }
  BoxInfo Question(const std::string& shot = "") {
    HWND box = WaitForMessageBox(updater.Pid(), e2e::kStepTimeout);
    if (box == nullptr) {
      ADD_FAILURE() << "no question";
      return {};
    }
    BoxInfo info = ReadPaintedBox(box);
    EXPECT_EQ(info.icon, "exclamation");
    EXPECT_EQ(info.defaultButton, IDNO) << "Enter must answer No";
    EXPECT_EQ(info.buttons.size(), 2u);
    if (!shot.empty()) e2e::Snapshot(shot);
    box_ = box;
    return info;
  }
  void Reply(int id) {
    Answer(box_, id);
    WaitUntil([&] { return !IsWindow(box_); }, e2e::kStepTimeout);
  }

  e2e::Installation inst;
  Process updater;
  HWND wizard = nullptr;
  HWND box_ = nullptr;
};

}  // namespace

TEST_F(WizardE2E, AFullUpdateWithATripBackAndTheSparedPostOffice) {
  inst.WritePackage("ZMF0", Package());
  Start();
  ExpectButtons(false, true, false, true, "次へ(&N)");
  EXPECT_EQ(e2e::SettledText(wizard, "銀行・支店情報の更新"), "銀行・支店情報の更新");
  e2e::Snapshot("wizard-1-welcome");

  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ExpectButtons(true, true, false, true, "更新");
  EXPECT_EQ(TextOf(Control(Page(), 1002)), "一括 (0000～9999)    2006年4月1日版");
  EXPECT_EQ(TextOf(Control(Page(), 1005)), "(カッコ内は対象となる銀行コードの範囲です)");
  EXPECT_FALSE(Enabled(Control(Page(), kKeepPostOffice)));
  EXPECT_FALSE(Visible(Control(Page(), 1003))) << "the progress bar waits for the run";
  EXPECT_EQ(e2e::SettledText(wizard, "銀行・支店情報の更新"), "銀行・支店情報の更新");
  e2e::Snapshot("wizard-2-update");

  Click(kDeleteRange);
  EXPECT_TRUE(Enabled(Control(Page(), kKeepPostOffice)));
  Click(kKeepPostOffice);

  // Back and forth: the welcome page puts its label back; the options stay.
  ASSERT_TRUE(Press(wizard, kBack));
  ASSERT_TRUE(OnPage(0));
  ExpectButtons(false, true, false, true, "次へ(&N)");
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ExpectButtons(true, true, false, true, "更新");
  EXPECT_EQ(Checked(Control(Page(), kDeleteRange)), 1);
  EXPECT_EQ(Checked(Control(Page(), kKeepPostOffice)), 1);
  EXPECT_TRUE(Enabled(Control(Page(), kKeepPostOffice)));

  ASSERT_TRUE(Press(wizard, kNext));
  const BoxInfo q = Question("wizard-3-confirm");
  EXPECT_NE(q.text.find("※但し、郵便局(9900)は削除されません。"), std::string::npos);
  Reply(IDYES);

  ASSERT_TRUE(OnPage(2));
  ExpectButtons(false, false, true, false, "");
  EXPECT_EQ(TextOf(Control(Page(), 1007)), "更新が完了しました。");
  EXPECT_EQ(TextOf(Control(Page(), 1006)), "「完了」をクリックすると、プログラムは終了します。");
  EXPECT_EQ(e2e::SettledText(Control(wizard, kFinish), "完了"), "完了");
  e2e::Snapshot("wizard-4-done");
  ASSERT_TRUE(Press(wizard, kFinish));
  ASSERT_TRUE(updater.WaitExit(e2e::kStepTimeout));

  EXPECT_EQ(inst.MasterRows("SELECT BANKCODE, BANKKNJI FROM TBANK ORDER BY 1"),
            (std::vector<std::string>{"1|みずほ銀行\u3000\u3000\u3000", "2|テスト\u3000\u3000\u3000\u3000\u3000",
                                      "9900|ゆうちょ"}));
  EXPECT_EQ(inst.MasterRows("SELECT BANKCODE, BRNCCODE FROM TBRAN ORDER BY 1, 2"),
            (std::vector<std::string>{"1|1", "1|2", "9900|19"}));
  EXPECT_EQ(fs::file_size(inst.BackupPath()), 4u * 202) << "the master as it was";
}

TEST_F(WizardE2E, WithoutAPackageOnlyCancelIsLeft) {
  Start();
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ExpectButtons(false, false, false, true, "更新");
  EXPECT_EQ(TextOf(Control(Page(), 1002)), "更新用のトランザクションが見つかりません。");
  e2e::Snapshot("wizard-no-package");
  ASSERT_TRUE(Press(wizard, IDCANCEL));
  EXPECT_TRUE(updater.WaitExit(e2e::kStepTimeout));
}

TEST_F(WizardE2E, CityBanksNeverOfferThePostOfficeAndADeclinedDeletionStays) {
  inst.WritePackage("ZMF3", Package());
  Start();
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  EXPECT_EQ(TextOf(Control(Page(), 1002)), "都市銀行 (0000～0099)    2006年4月1日版");
  Click(kDeleteRange);
  EXPECT_FALSE(Enabled(Control(Page(), kKeepPostOffice)));
  Click(kDeleteRange);
  Click(kDeleteRange);
  EXPECT_FALSE(Enabled(Control(Page(), kKeepPostOffice)));

  ASSERT_TRUE(Press(wizard, kNext));
  const BoxInfo q = Question();
  EXPECT_NE(q.text.find("(例として郵便貯金など)"), std::string::npos);
  Reply(IDNO);
  EXPECT_TRUE(WaitUntil([&] { return Checked(Control(Page(), kDeleteRange)) == 0; }, e2e::kStepTimeout));
  EXPECT_EQ(ActivePageIndex(wizard), 1);
  ExpectButtons(true, true, false, true, "更新");
  EXPECT_FALSE(fs::exists(inst.BackupPath()));
  ASSERT_TRUE(Press(wizard, IDCANCEL));
  EXPECT_TRUE(updater.WaitExit(e2e::kStepTimeout));
}

TEST_F(WizardE2E, DecliningToUpdateACurrentMasterClosesTheWizard) {
  inst.MasterSql("UPDATE TBANK SET FDENTYMD = " + std::to_string(base::CalendarDate(2007, 1, 1).value));
  inst.WritePackage("ZMF0", Package());
  Start();
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ASSERT_TRUE(Press(wizard, kNext));
  const BoxInfo q = Question("wizard-already-current");
  EXPECT_EQ(q.text, "銀行支店マスターの内容は既に最新です。更新処理を行いますか?");
  Reply(IDNO);
  EXPECT_TRUE(updater.WaitExit(e2e::kStepTimeout)) << "the wizard closes";
  EXPECT_FALSE(fs::exists(inst.BackupPath()));
  EXPECT_EQ(inst.MasterRows("SELECT COUNT(*) FROM TBANK WHERE BANKKNJI = 'みずほ'"),
            (std::vector<std::string>{"1"}));
}

TEST_F(WizardE2E, AFailedRunSaysSoAndOffersToClose) {
  fs::remove_all(inst.common / L"Home");
  inst.WritePackage("ZMF0", Package());
  Start();
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(2));
  ExpectButtons(false, false, true, false, "");
  EXPECT_EQ(TextOf(Control(Page(), 1007)), "更新処理は失敗しました。");
  EXPECT_EQ(TextOf(Control(Page(), 1006)), "「閉じる」をクリックするとプログラムは終了します。");
  EXPECT_EQ(e2e::SettledText(Control(wizard, kFinish), "閉じる"), "閉じる");
  e2e::Snapshot("wizard-failed");
  ASSERT_TRUE(Press(wizard, kFinish));
  EXPECT_TRUE(updater.WaitExit(e2e::kStepTimeout));
  EXPECT_EQ(inst.MasterRows("SELECT COUNT(*) FROM TBANK"), (std::vector<std::string>{"2"})) << "untouched";
}

TEST_F(WizardE2E, AMasterHeldByAnotherProgramFailsBeforeTheLock) {
  inst.WritePackage("ZMF0", Package());
  // Another program holds the master open, as the updater itself would.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open_v2(Utf8(inst.MasterPath().wstring()).c_str(), &other, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  Start();
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ASSERT_TRUE(Press(wizard, kNext));
  HWND box = WaitForMessageBox(updater.Pid(), e2e::kStepTimeout);
  ASSERT_NE(box, nullptr) << "the engine's error";
  const BoxInfo error = ReadPaintedBox(box);
  EXPECT_EQ(error.icon, "exclamation");
  EXPECT_EQ(error.caption, "銀行・支店情報の更新");
  EXPECT_FALSE(error.text.empty());
  e2e::Snapshot("wizard-master-in-use");
  Answer(box, IDOK);
  ASSERT_TRUE(OnPage(2));
  // The run never locked the wizard: Cancel is still there.
  ExpectButtons(false, false, true, true, "");
  EXPECT_EQ(TextOf(Control(Page(), 1007)), "更新処理は失敗しました。");
  EXPECT_EQ(e2e::SettledText(Control(wizard, kFinish), "閉じる"), "閉じる");
  ASSERT_TRUE(Press(wizard, IDCANCEL));
  EXPECT_TRUE(updater.WaitExit(e2e::kStepTimeout));
  sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_FALSE(fs::exists(inst.BackupPath()));
}

TEST_F(WizardE2E, NoCancelRequestEndsTheWizardWhileTheMasterIsRewritten) {
  // Large enough that the run lasts while the requests arrive.
  std::vector<TransactionRecord> records;
  for (int bank = 1; bank <= 100; ++bank) {
    records.push_back(e2e::Bank(bank, "ｷﾞﾝｺｳ", "銀行", 2006, 4, 1));
  }
  for (int bank = 1; bank <= 100; ++bank)
    for (int branch = 0; branch < 100; ++branch)
      records.push_back(e2e::Branch(bank, branch, "ｼﾃﾝ", "支店", 2006, 4, 1));
  inst.WritePackage("ZMF0", records);
  Start();
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(OnPage(1));
  ASSERT_TRUE(Press(wizard, kNext));
  ASSERT_TRUE(WaitUntil([&] { return Visible(Control(Page(), 1003)); }, e2e::kStepTimeout));
  EXPECT_EQ(TextOf(Control(Page(), 1001)), "以下の金融機関の銀行・支店情報を更新しています...");
  ExpectButtons(false, false, false, false, "");
  EXPECT_FALSE(Press(wizard, IDCANCEL)) << "a user cannot press a disabled Cancel";
  e2e::Snapshot("wizard-running");
  const bool stillRunning = ActivePageIndex(wizard) == 1;
  SendEscape(wizard);
  CloseFromFrame(wizard);
  ASSERT_TRUE(stillRunning) << "the run ended before the requests could be sent";
  ASSERT_TRUE(WaitUntil([&] { return ActivePageIndex(wizard) == 2; }, 120000)) << "the run must finish";
  EXPECT_TRUE(updater.Running());
  EXPECT_EQ(TextOf(Control(Page(), 1007)), "更新が完了しました。");
  ASSERT_TRUE(Press(wizard, kFinish));
  EXPECT_TRUE(updater.WaitExit(e2e::kStepTimeout));
  EXPECT_EQ(inst.MasterRows("SELECT COUNT(*) FROM TBRAN"), (std::vector<std::string>{"10001"}));
}
