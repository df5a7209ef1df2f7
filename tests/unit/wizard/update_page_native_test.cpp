// The update page from the user's side: finding the package beside the
// updater, the delete options, and the whole run behind "更新", on the
// in-memory wizard with scripted answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "base/catalogue.h"
#include "platform/probes.h"
#include "masterdb/dao.h"
#include "masterdb/master_schema.h"
#include "platform/sim.h"
#include "support/update_fixture.h"
#include "wizard/resource_ids.h"

namespace fs = std::filesystem;
using wizard::kIdDeleteRange;
using wizard::kIdKeepPostOffice;

namespace {

class UpdatePageTest : public UpdateFixture {
 protected:
  // Windows-shaped, as the program sees its own path.
  UpdatePageTest() { platform::sim::SetModuleFileName(dir.path().string() + "\\BankMasterUpdater.exe"); }
  ~UpdatePageTest() override {
    platform::sim::SetModuleFileName("");
    for (auto h : held_) platform::CloseHandle(h);
  }

  fw::memory::MemoryWindow& Page() { return wizard->PageWindow(0); }
  fw::memory::Control& Item(int id) { return Page().Item(id); }
  void Hold(const char* mutex) { held_.push_back(platform::CreateNamedMutex(mutex, nullptr)); }

  // A master of the whole country in miniature, as of 2005, post office included.
  void FillMaster() {
    const std::string d = std::to_string(base::CalendarDate(2005, 4, 1).value);
    FileSql(masterPath, "INSERT INTO TBANK VALUES (1,'ﾐｽﾞﾎ','みずほ',0," + d + ");"
                        "INSERT INTO TBANK VALUES (9900,'ﾕｳﾁﾖ','ゆうちょ',0," + d + ");"
                        "INSERT INTO TBRAN VALUES (1,1,'ﾄｳｷﾖｳ','東京',0," + d + ");"
                        "INSERT INTO TBRAN VALUES (9900,19,'ｾﾞﾛｲﾁｷﾕｳ','〇一九',0," + d + ");");
  }
  std::vector<TransactionRecord> Package2006() {
    const base::OleDate d = base::CalendarDate(2006, 4, 1);
    return {BankRecord(1, "ﾐｽﾞﾎ", "みずほ銀行", d), BankRecord(2, "ﾃｽﾄ", "テスト", d),
            BranchRecord(1, 1, "ﾄｳｷﾖｳ", "東京営業部", d)};
  }

  std::vector<platform::Handle> held_;
};

}  // namespace

// ---- Finding the package ---------------------------------------------------------

TEST_F(UpdatePageTest, DiscoveryTakesTheFirstPackageInProbeOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> files;  // "dir:NAME" makes a folder
    const char* line;                // UTF-8
    const char* clause;
    const char* keepClause;
  } cases[] = {
      {"city banks before the second agricultural range", {"ZMF8", "ZMF3"},
       "都市銀行 (0000～0099)    2006年4月1日版", "[BANKCODE] BETWEEN 0 AND 99", ""},
      {"all banks", {"ZMF0"}, "一括 (0000～9999)    2006年4月1日版", "[BANKCODE] BETWEEN 0 AND 9999",
       "([BANKCODE] BETWEEN 0 AND 9999) AND (NOT ([BANKCODE] = 9900))"},
      {"a folder is no package", {"dir:ZMF0", "ZMF1"}, "Tolmark銀行 (0006)    2006年4月1日版",
       "[BANKCODE] = 6", ""},
      {"second agricultural range", {"ZMF8"}, "農協・その他2 (6500～9999)    2006年4月1日版",
       "[BANKCODE] BETWEEN 6500 AND 9999",
       "([BANKCODE] BETWEEN 6500 AND 9999) AND (NOT ([BANKCODE] = 9900))"},
      {"regional and trust banks", {"ZMF4"}, "地方銀行・信託銀行 (0100～0999)    2006年4月1日版",
       "[BANKCODE] BETWEEN 100 AND 999", ""},
      {"shinkin banks", {"ZMF5"}, "信用金庫 (1000～1999)    2006年4月1日版", "[BANKCODE] BETWEEN 1000 AND 1999", ""},
      {"credit cooperatives", {"ZMF6"}, "信用組合 (2000～2999)    2006年4月1日版", "[BANKCODE] BETWEEN 2000 AND 2999",
       ""},
      {"first agricultural range", {"ZMF7"}, "農協・その他1 (3000～6499)    2006年4月1日版",
       "[BANKCODE] BETWEEN 3000 AND 6499", ""},
      {"there is no category 2", {"ZMF2"}, "更新用のトランザクションが見つかりません。", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& f : fs::directory_iterator(dir.path())) fs::remove_all(f.path());
    for (const auto& f : c.files) {
      if (f.rfind("dir:", 0) == 0)
        fs::create_directory(dir.path() / f.substr(4));
      else
        WritePackage(f, {BankRecord(1, "ｱ", "亜", base::CalendarDate(2006, 4, 1))});
    }
    UpdaterApp fresh;  // discovery runs once per process: a new context each time
    AfxWinInit();
    CWizPage2 page{fresh};
    CPropertySheet s;
    s.AddPage(&page);
    auto w = ui.OpenSheet(s);
    EXPECT_EQ(w->PageWindow(0).Item(wizard::kIdPackageLine).text, Ansi(c.line));
    EXPECT_EQ(fresh.rangeClause, c.clause);
    EXPECT_EQ(fresh.rangeClauseKeepPostOffice, c.keepClause);
    const bool found = std::string(c.clause) != "";
    EXPECT_EQ(fresh.packagePath.empty(), !found);
    EXPECT_EQ(w->PageWindow(0).Item(wizard::kIdPackageNote).text,
              found ? Ansi("(カッコ内は対象となる銀行コードの範囲です)") : "");
    // Without a package only Cancel is left.
    EXPECT_EQ(w->ButtonUsable(fw::kIdWizNext), found);
    EXPECT_EQ(w->ButtonUsable(fw::kIdWizBack), found);
    EXPECT_TRUE(w->ButtonUsable(fw::kIdCancel));
    EXPECT_FALSE(w->PageWindow(0).Item(kIdKeepPostOffice).enabled);
  }
}

TEST_F(UpdatePageTest, EditionOfAnEmptyOrOddlyDatedPackage) {
  dir.Write("ZMF3", "");
  OpenUpdatePage();
  EXPECT_EQ(Item(wizard::kIdPackageLine).text, Ansi("都市銀行 (0000～0099)    -1年-1月-1日版"));
  EXPECT_EQ(app.packageEdition.status, base::OleDate::kInvalid);
  EXPECT_FALSE(app.packagePath.empty());
}

TEST_F(UpdatePageTest, EditionOfTheLastDayOfTheYear) {
  WritePackage("ZMF5", {BankRecord(1000, "ｼﾝｷﾝ", "信金", base::CalendarDate(2006, 12, 31))});
  OpenUpdatePage();
  EXPECT_EQ(Item(wizard::kIdPackageLine).text, Ansi("信用金庫 (1000～1999)    2006年12月31日版"));
}

// ---- The delete options -------------------------------------------------------------

TEST_F(UpdatePageTest, PostOfficeBoxFollowsTheDeleteBoxOnlyWhereTheRangeHoldsIt) {
  WritePackage("ZMF3", Package2006());
  OpenUpdatePage();
  for (int i = 0; i < 3; ++i) {
    wizard->ClickCheckBox(kIdDeleteRange);
    EXPECT_FALSE(Item(kIdKeepPostOffice).enabled);
  }
}

TEST_F(UpdatePageTest, PostOfficeBoxKeepsItsMarkWhileDisabled) {
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  EXPECT_FALSE(Item(kIdKeepPostOffice).enabled);
  wizard->ClickCheckBox(kIdDeleteRange);
  EXPECT_TRUE(Item(kIdKeepPostOffice).enabled);
  wizard->ClickCheckBox(kIdKeepPostOffice);
  wizard->ClickCheckBox(kIdDeleteRange);
  EXPECT_FALSE(Item(kIdKeepPostOffice).enabled);
  EXPECT_EQ(Item(kIdKeepPostOffice).check, 1);
  wizard->ClickCheckBox(kIdDeleteRange);
  EXPECT_TRUE(Item(kIdKeepPostOffice).enabled);
  EXPECT_EQ(Item(kIdKeepPostOffice).check, 1);
}

TEST_F(UpdatePageTest, DeclinedDeleteConfirmationsClearTheBoxesAndTouchNothing) {
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  // The range only.
  wizard->ClickCheckBox(kIdDeleteRange);
  ui.answers = {fw::kIdNo};
  wizard->PressNext();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, ui.LoadStringResource(catalogue::kMsgConfirmDeleteRange));
  EXPECT_EQ(ui.boxes[0].style, 0x134u);
  EXPECT_EQ(Item(kIdDeleteRange).check, 0);
  EXPECT_FALSE(Item(kIdKeepPostOffice).enabled);
  EXPECT_EQ(wizard->ActivePageIndex(), 0u);
  EXPECT_FALSE(app.database->IsOpen()) << "the master is not even opened";
  // The range without the post office.
  wizard->ClickCheckBox(kIdDeleteRange);
  wizard->ClickCheckBox(kIdKeepPostOffice);
  ui.answers = {fw::kIdNo};
  wizard->PressNext();
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text, ui.LoadStringResource(catalogue::kMsgConfirmDeleteRangeKeepPostOffice));
  EXPECT_EQ(Item(kIdDeleteRange).check, 0);
  EXPECT_EQ(Item(kIdKeepPostOffice).check, 0);
  EXPECT_FALSE(Item(kIdKeepPostOffice).enabled);
  EXPECT_EQ(app.keepPostOfficeEnabled, 0);
  EXPECT_FALSE(app.database->IsOpen());
  EXPECT_FALSE(fs::exists(backupPath));
}

// ---- The run ----------------------------------------------------------------------------

TEST_F(UpdatePageTest, ASuccessfulRunBacksUpTheMasterAsItWasThenMerges) {
  FillMaster();
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  ASSERT_TRUE(wizard->PressNext());
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(wizard->ActivePageIndex(), 1u);
  EXPECT_EQ(app.updateResult, 1);
  EXPECT_EQ(app.updating, 1);
  // The page stays locked behind the completion page.
  EXPECT_EQ(Item(wizard::kIdHeading).text, Ansi("以下の金融機関の銀行・支店情報を更新しています..."));
  EXPECT_EQ(Item(wizard::kIdInstruction).text, "");
  EXPECT_TRUE(Item(wizard::kIdProgress).visible);
  EXPECT_FALSE(Item(kIdDeleteRange).enabled);
  // Completion page: success texts, Finish in its own label, Cancel gone grey.
  auto& done = wizard->PageWindow(1);
  EXPECT_EQ(done.Item(wizard::kIdResultHeading).text, Ansi("更新が完了しました。"));
  EXPECT_TRUE(wizard->ButtonUsable(fw::kIdWizFinish));
  EXPECT_EQ(wizard->GetItemText(fw::kIdWizFinish), Ansi("完了"));
  EXPECT_FALSE(wizard->ButtonUsable(fw::kIdCancel));
  EXPECT_FALSE(wizard->ButtonUsable(fw::kIdWizBack));

  // The backup is the master before the run: two banks, two branches, 2005.
  const std::string backup = FileBytes(backupPath);
  ASSERT_EQ(backup.size(), 4u * 202);
  EXPECT_EQ(backup.substr(0, 5) + backup.substr(39, 8), "1000120050401");
  EXPECT_EQ(backup.substr(202, 5), "19900");
  EXPECT_EQ(Rows("SELECT BANKCODE, BANKKANA FROM TBANK ORDER BY 1"),
            (std::vector<std::string>{"1|ﾐｽﾞﾎ", "2|ﾃｽﾄ", "9900|ﾕｳﾁﾖ"}));
  wizard->PressFinish();
  EXPECT_TRUE(wizard->IsClosed());
}

TEST_F(UpdatePageTest, DeletingTheRangeCanSpareThePostOffice) {
  FillMaster();
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  wizard->ClickCheckBox(kIdDeleteRange);
  wizard->ClickCheckBox(kIdKeepPostOffice);
  ui.answers = {fw::kIdYes};
  wizard->PressNext();
  EXPECT_EQ(app.updateResult, 1);
  EXPECT_EQ(Rows("SELECT BANKCODE FROM TBANK ORDER BY 1"), (std::vector<std::string>{"1", "2", "9900"}));
  EXPECT_EQ(Rows("SELECT BANKCODE, BRNCCODE, BRNCKNJI FROM TBRAN ORDER BY 1, 2"),
            (std::vector<std::string>{"1|1|東京営業部\u3000\u3000\u3000", "9900|19|〇一九"}));
}

TEST_F(UpdatePageTest, DeletingTheWholeRangeTakesThePostOfficeToo) {
  FillMaster();
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  wizard->ClickCheckBox(kIdDeleteRange);
  ui.answers = {fw::kIdYes};
  wizard->PressNext();
  EXPECT_EQ(app.updateResult, 1);
  EXPECT_EQ(Rows("SELECT BANKCODE FROM TBANK ORDER BY 1"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM TBRAN"), (std::vector<std::string>{"1"}));
}

TEST_F(UpdatePageTest, TheGuardStopsTheRunBeforeTheMasterOpens) {
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  Hold("hPrevInstanceNvk");
  wizard->PressNext();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, ui.LoadStringResource(catalogue::kMsgCloseNorvik));
  EXPECT_EQ(wizard->ActivePageIndex(), 0u);
  EXPECT_FALSE(app.database->IsOpen());
}

TEST_F(UpdatePageTest, AProgramStartedWhileTheEditionQuestionIsUpStopsTheRunUnlocked) {
  // The master is as new as the package: the run asks first.
  const std::string d = std::to_string(base::CalendarDate(2006, 4, 1).value);
  FileSql(masterPath, "INSERT INTO TBANK VALUES (1,'ﾐｽﾞﾎ','みずほ',0," + d + ");");
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  ui.onBox = [&](const fw::memory::ShownBox& box) {
    if (box.text == ui.LoadStringResource(catalogue::kMsgMasterIsCurrent)) Hold("hPrevInstanceKlv");
  };
  ui.answers = {fw::kIdYes};
  wizard->PressNext();
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].style, 0x134u);
  EXPECT_EQ(ui.boxes[1].text, ui.LoadStringResource(catalogue::kMsgCloseKelvane));
  EXPECT_EQ(wizard->ActivePageIndex(), 0u);
  EXPECT_EQ(app.updating, 0);
  EXPECT_FALSE(Item(wizard::kIdProgress).visible);
  EXPECT_TRUE(wizard->ButtonUsable(fw::kIdCancel));
  // The master stays open; pressing again opens the sets anew and runs.
  ui.onBox = nullptr;
  for (auto h : held_) platform::CloseHandle(h);
  held_.clear();
  ui.answers = {fw::kIdYes};
  wizard->PressNext();
  EXPECT_EQ(app.updateResult, 1);
}

TEST_F(UpdatePageTest, DecliningToUpdateACurrentMasterClosesTheWizard) {
  const std::string d = std::to_string(base::CalendarDate(2007, 1, 1).value);
  FileSql(masterPath, "INSERT INTO TBANK VALUES (1,'ﾐｽﾞﾎ','みずほ',0," + d + ");");
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  ui.answers = {fw::kIdNo};
  wizard->PressNext();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, ui.LoadStringResource(catalogue::kMsgMasterIsCurrent));
  EXPECT_EQ(wizard->ActivePageIndex(), 1u) << "the completion page first";
  platform::DrainMessageQueue();  // then the posted cancel
  EXPECT_TRUE(wizard->IsClosed());
  EXPECT_FALSE(fs::exists(backupPath));
  EXPECT_EQ(Rows("SELECT BANKKNJI FROM TBANK"), (std::vector<std::string>{"みずほ"}));
}

TEST_F(UpdatePageTest, FailuresBeforeTheMergeShowTheFailurePage) {
  struct Case {
    const char* name;
    std::function<void()> spoil;
    size_t boxes;
  } cases[] = {
      {"master missing", [&] { fs::remove(masterPath); }, 1},
      {"no Home folder", [&] { fs::remove_all(common / "Home"); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UpdaterApp fresh;
    AfxWinInit();
    fresh.database = std::make_unique<CDaoDatabase>();
    fresh.databasePath = masterPath;
    fresh.backupPath = backupPath;
    fs::create_directories(common / "Home");
    fs::remove(masterPath);
    masterdb::CreateMaster(masterPath, false);
    FillMaster();
    WritePackage("ZMF0", Package2006());
    c.spoil();
    ui.boxes.clear();
    CWizPage2 p2{fresh};
    CWizPage3 p3{fresh};
    CPropertySheet s;
    s.AddPage(&p2);
    s.AddPage(&p3);
    auto w = ui.OpenSheet(s);
    w->PressNext();
    EXPECT_EQ(ui.boxes.size(), c.boxes);
    EXPECT_EQ(fresh.updateResult, 0);
    EXPECT_EQ(w->ActivePageIndex(), 1u);
    EXPECT_EQ(w->PageWindow(1).Item(wizard::kIdResultHeading).text, Ansi("更新処理は失敗しました。"));
    EXPECT_EQ(w->PageWindow(1).Item(wizard::kIdClosingLine).text,
              Ansi("「閉じる」をクリックするとプログラムは終了します。"));
    EXPECT_EQ(w->GetItemText(fw::kIdWizFinish), Ansi("閉じる"));
    fresh.CloseMasterDatabase();
    if (fs::exists(masterPath)) {
      EXPECT_EQ(FileRows(masterPath, "SELECT COUNT(*) FROM TBANK"), (std::vector<std::string>{"2"}));
    }
  }
}

TEST_F(UpdatePageTest, NoCancelRequestEndsTheWizardDuringTheRun) {
  FillMaster();
  WritePackage("ZMF0", Package2006());
  OpenUpdatePage();
  int refused = 0;
  // Arrives while the backup drains the queue, as Escape would.
  platform::PostTask([&] {
    wizard->RequestCancel();
    if (!wizard->IsClosed()) ++refused;
  });
  wizard->PressNext();
  EXPECT_EQ(refused, 1);
  EXPECT_FALSE(wizard->IsClosed());
  EXPECT_EQ(app.updateResult, 1);
}
