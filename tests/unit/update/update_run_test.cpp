// The whole run behind "更新" against a fake page: the master changes all
// at once or not at all, and the backup is always whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/update_fixture.h"

namespace fs = std::filesystem;

namespace {

using RunTest = UpdateRunTest;

// Six banks and three branches each, as the master held them.
constexpr std::size_t kBackupBytes = 24 * 202;

}  // namespace

TEST_F(RunTest, ASuccessfulRunCommitsTheWholePackage) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(context.updateResult, 1);
  EXPECT_TRUE(ui.errors.empty());
  const auto rows = MasterRows();
  EXPECT_EQ(rows.size(), rowsBefore.size() + 4) << "bank 2, and branches 1-7, 2-1 and 9900-19 added";
  EXPECT_EQ(FileRows(masterPath, "SELECT BANKKANA FROM TBANK WHERE BANKCODE IN (1, 2) ORDER BY 1"),
            (std::vector<std::string>{"ｼﾝｷ", "ﾐｽﾞﾎ"}));
  EXPECT_EQ(FileBytes(backupPath).size(), kBackupBytes);
  EXPECT_FALSE(fs::exists(backupPath + ".tmp"));
}

struct Failure {
  const char* name;
  std::function<void(RunTest&)> stage;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class FailedRunTest : public RunTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailedRunTest, LeavesTheMasterAsItWasAndTheBackupWhole) {
  GetParam().stage(*this);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(context.updateResult, 0);
  EXPECT_EQ(ui.errors.size(), 1u) << "the failure, told once";
  EXPECT_TRUE(ui.locked) << "the failure came after the wizard was locked";
  EXPECT_EQ(MasterRows(), rowsBefore);
  EXPECT_EQ(FileRows(masterPath, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
  // The backup was written before the master was touched: the master as it was.
  EXPECT_EQ(FileBytes(backupPath).size(), kBackupBytes);
  EXPECT_FALSE(fs::exists(backupPath + ".tmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedRunTest,
    ::testing::Values(
        Failure{"AKeyMetTwice",
                [](RunTest& t) {
                  const base::OleDate d = base::CalendarDate(2006, 4, 1);
                  t.context.packagePath = t.WritePackage(
                      "ZMF0", {BankRecord(1, "ﾐｽﾞﾎ", "みずほ", d), BankRecord(3, "ｻﾝ", "三", d),
                               BankRecord(3, "ｻﾝ", "三", d), BankRecord(4, "ﾖﾝ", "四", d)});
                }},
        Failure{"AnUndecodableName",
                [](RunTest& t) {
                  TransactionRecord bad = BankRecord(3, "ｻﾝ", "三", base::CalendarDate(2006, 4, 1));
                  bad.kanjiName = Ansi("名古") + "\x81\x20";
                  t.context.packagePath =
                      t.WritePackage("ZMF0", {BankRecord(1, "ﾐｽﾞﾎ", "みずほ", base::CalendarDate(2006, 4, 1)), bad});
                }},
        Failure{"TheBranchDeletionFailsAfterTheBanks",
                [](RunTest& t) {
                  t.ui.deleteRange = true;
                  FileSql(t.masterPath,
                          "CREATE TRIGGER keep5 BEFORE DELETE ON TBRAN WHEN old.BANKCODE = 5 "
                          "BEGIN SELECT RAISE(ABORT, 'kept'); END;");
                  t.rowsBefore = t.MasterRows();
                }}),
    [](const auto& info) { return std::string(info.param.name); });
