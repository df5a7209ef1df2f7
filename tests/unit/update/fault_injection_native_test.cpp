// Every write, flush, sync, rename, truncation and deletion of a whole
// update made to fail in turn, and the update killed at points all through
// it: the master holds the old edition or the new one and the backup is the
// previous one or the complete new one, whatever happens.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "support/update_fixture.h"

namespace fs = std::filesystem;
using platform::FileError;
namespace faults = platform::faults;

namespace {

struct Variant {
  const char* name;
  bool deleteRange;
  FileError error;  // of an injected failure
  int bulkBanks;    // banks of 20 branches each, beyond the few of the fixture
};

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

class OldOrNewTest : public UpdateRunTest, public ::testing::WithParamInterface<Variant> {
 protected:
  OldOrNewTest() {
    ui.deleteRange = GetParam().deleteRange;
    if (GetParam().bulkBanks > 0) AddBulk(GetParam().bulkBanks);
    // The result of a run that nothing disturbs, and how many operations it
    // makes.
    Restore();
    faults::FailNth(LONG_MAX, FileError::kHardIO);
    EXPECT_EQ(Run(), 0);
    operations = faults::Count();
    faults::Disarm();
    EXPECT_EQ(context.updateResult, 1);
    rowsAfter = MasterRows();
    newBackup = FileBytes(backupPath);
    EXPECT_NE(rowsAfter, rowsBefore);
    EXPECT_NE(newBackup, previousBackup);
  }
  ~OldOrNewTest() override { faults::Disarm(); }

  // A master and a package large enough that the transaction outgrows the
  // engine's cache and reaches the file before its commit.
  void AddBulk(int banks) {
    std::string script = "BEGIN;";
    std::vector<TransactionRecord> package;
    const base::OleDate d = base::CalendarDate(2006, 4, 1);
    for (int bank = 1000; bank < 1000 + banks; ++bank) {
      const std::string b = std::to_string(bank);
      script += "INSERT INTO TBANK VALUES (" + b + ",'ｷﾞﾝｺｳ','銀行',1,38443.0);";
      package.push_back(BankRecord(bank, "ｼﾝｷﾞﾝｺｳ", "新銀行", d));
      for (int branch = 0; branch < 20; ++branch) {
        script += "INSERT INTO TBRAN VALUES (" + b + "," + std::to_string(branch) + ",'ｼﾃﾝ','支店',0,38443.0);";
        package.push_back(BranchRecord(bank, branch, "ｼﾝｼﾃﾝ", "新支店", d));
      }
    }
    Restore();
    FileSql(masterPath, script + "COMMIT;");
    pristine = FileBytes(masterPath);
    rowsBefore = MasterRows();
    context.packagePath = WritePackage("ZMF0", package);
  }

  // What every failure and every crash must leave.
  void ExpectOldOrNew(const std::string& when) {
    EXPECT_EQ(FileRows(masterPath, "PRAGMA integrity_check"), std::vector<std::string>{"ok"}) << when;
    const auto rows = MasterRows();
    EXPECT_TRUE(rows == rowsBefore || rows == rowsAfter) << when << ": a mix of the two editions";
    const std::string backup = FileBytes(backupPath);
    EXPECT_TRUE(backup == previousBackup || backup == newBackup) << when << ": a backup that is not whole";
  }

  long operations = 0;
  std::vector<std::string> rowsAfter;
  std::string newBackup;
};

using FaultTest = OldOrNewTest;
using CrashTest = OldOrNewTest;

}  // namespace

TEST_P(FaultTest, EveryFailingOperationLeavesTheOldMasterOrTheNewOne) {
  ASSERT_GT(operations, 20);
  int lateCommitFailures = 0;
  for (long n = 1; n <= operations + 1; ++n) {
    const std::string when = "operation " + std::to_string(n) + " of " + std::to_string(operations);
    Restore();
    ui.errors.clear();
    faults::FailNth(n, GetParam().error);
    Run();
    const bool reached = faults::Count() >= n;
    faults::Disarm();
    ExpectOldOrNew(when);
    EXPECT_FALSE(fs::exists(backupPath + ".tmp")) << when;
    if (context.updateResult == 1) {
      EXPECT_EQ(MasterRows(), rowsAfter) << when;
      EXPECT_EQ(FileBytes(backupPath), newBackup) << when;
      EXPECT_TRUE(ui.errors.empty()) << when << ": a success after a failure was told";
    } else if (MasterRows() != rowsBefore) {
      // Only the last steps of a commit, after the engine has the new
      // edition whole on the disk, can fail that late: the user is told,
      // and the old edition is whole in the backup.
      ++lateCommitFailures;
      EXPECT_FALSE(ui.errors.empty()) << when;
      EXPECT_EQ(FileBytes(backupPath), newBackup) << when << ": the old edition is lost";
    }
    if (!reached) {
      // The run made fewer operations than n: it went through untouched.
      EXPECT_EQ(context.updateResult, 1) << when;
      break;
    }
    if (HasFailure()) break;
  }
  EXPECT_LE(lateCommitFailures, 3) << "failures after the commit point are the commit's last steps only";
}

TEST_P(CrashTest, AKilledRunLeavesTheOldMasterOrTheNewOneAndTheNextRunWorks) {
  // Half the points all through the run, half through its last twentieth,
  // where a large update's merge and commit are (its backup, one write a
  // record, takes most of the operations).
  constexpr int kPoints = 24;
  const long tail = std::max(operations / 20, static_cast<long>(kPoints));
  for (int point = 0; point < kPoints; ++point) {
    const long n = point < kPoints / 2 ? 1 + point * operations / (kPoints / 2)
                                       : operations - tail + 1 + (point - kPoints / 2) * tail / (kPoints / 2);
    const std::string when = "killed at operation " + std::to_string(n) + " of " + std::to_string(operations);
    Restore();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      faults::CrashAtNth(n);
      Run();
      _exit(0);  // not reached when the kill came
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << when;
    ExpectOldOrNew(when);
    // The engine's journal has put the master back at this open; a stale
    // temporary file is replaced by the next backup.  (Once is enough for
    // the large update.)
    if (GetParam().bulkBanks == 0 || point == kPoints - 1) {
      EXPECT_EQ(Run(), 0) << when;
      EXPECT_EQ(context.updateResult, 1) << when;
      EXPECT_EQ(MasterRows(), rowsAfter) << when;
    }
    if (HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FaultTest,
    ::testing::Values(Variant{"MergeDiskFull", false, FileError::kDiskFull, 0},
                      Variant{"MergeIoError", false, FileError::kHardIO, 0},
                      Variant{"DeleteRangeThenMergeDiskFull", true, FileError::kDiskFull, 0},
                      Variant{"DeleteRangeThenMergeIoError", true, FileError::kHardIO, 0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Runs, CrashTest,
    ::testing::Values(Variant{"Merge", false, FileError::kNone, 0},
                      Variant{"DeleteRangeThenMerge", true, FileError::kNone, 0},
                      Variant{"MergeBeyondTheCache", false, FileError::kNone, 2000}),
    [](const auto& info) { return std::string(info.param.name); });
