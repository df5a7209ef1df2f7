// The master against other processes: exclusive opening, a crash in the
// middle of writing, and the cost of writing through the record sets.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "app/updater_app.h"
#include "masterdb/dao.h"
#include "masterdb/master_schema.h"
#include "masterdb/record_sets.h"
#include "support/master_file.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"

namespace {

// Another program: the sqlite3 shell, fed through its standard input.
class Shell {
 public:
  explicit Shell(const std::string& path) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(out[1], 2);
      close(in[1]);
      close(out[0]);
      execlp("sqlite3", "sqlite3", "-batch", path.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toShell_ = in[1];
    fromShell_ = out[0];
  }
  ~Shell() { Finish(); }

  void Send(const std::string& lines) {
    ASSERT_EQ(write(toShell_, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  }
  // Output up to and including `marker`, which a ".print" put there.
  std::string ReadUntil(const std::string& marker) {
    std::string got;
    char c;
    while (got.find(marker) == std::string::npos && read(fromShell_, &c, 1) == 1) got += c;
    return got;
  }
  // Ends its input and returns the rest of its output.
  std::string Finish() {
    if (pid_ <= 0) return {};
    close(toShell_);
    std::string rest;
    char buf[256];
    ssize_t n;
    while ((n = read(fromShell_, buf, sizeof buf)) > 0) rest.append(buf, static_cast<size_t>(n));
    close(fromShell_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return rest;
  }

 private:
  pid_t pid_ = -1;
  int toShell_ = -1;
  int fromShell_ = -1;
};

}  // namespace

using MasterProcessTest = MasterFixture;

TEST_F(MasterProcessTest, OnlyOneProgramAtATimeHasTheMaster) {
  // Another program holds the master: the updater cannot open it.
  {
    Shell other(path);
    other.Send("BEGIN EXCLUSIVE;\n.print held\n");
    ASSERT_NE(other.ReadUntil("held"), "");
    EXPECT_EQ(app.OpenMasterDatabase(), 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Ansi("データベースは他のプログラムで使用中です。"));
    EXPECT_EQ(ui.boxes[0].style, 0x30u);
    EXPECT_EQ(app.bankSet, nullptr);
    EXPECT_EQ(app.branchSet, nullptr);
    EXPECT_FALSE(app.database->IsOpen());
  }
  // The updater holds the master: no other program can read it, however
  // it asks, until the updater closes it.
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  for (const char* attempt : {"SELECT count(*) FROM TBANK;\n", "PRAGMA schema_version;\n",
                              "INSERT INTO TBANK (BANKCODE) VALUES (1);\n"}) {
    Shell other(path);
    other.Send(attempt);
    EXPECT_NE(other.Finish().find("database is locked"), std::string::npos) << attempt;
  }
  app.CloseMasterDatabase();
  Shell other(path);
  other.Send("SELECT 'rows:' || count(*) FROM TBANK;\n");
  EXPECT_EQ(other.Finish(), "rows:0\n");
}

TEST_F(MasterProcessTest, ACrashAtAnyMomentLeavesAPrefixOfTheWrites) {
  // Each of several runs is killed at a different moment while it writes a
  // bank, then a branch of it, row after row.
  for (int run = 0; run < 4; ++run) {
    ASSERT_EQ(masterdb::CreateMaster(path, true), "");
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(progress[0]);
      CDaoDatabase db;
      db.Open(path, true, false);
      CBankSet bank(&db);
      CBranSet branch(&db);
      bank.Open();
      branch.Open();
      for (std::int32_t i = 0; i < 1000000; ++i) {
        bank.AddNew();
        bank.m_BANKCODE = i;
        bank.m_BANKKNJI = Ansi("銀行");
        bank.Update();
        branch.AddNew();
        branch.m_BANKCODE = i;
        branch.m_BRNCCODE = 0;
        branch.Update();
        if (i == CDaoDatabase::kBatchRows) (void)!write(progress[1], "x", 1);
      }
      _exit(0);
    }
    close(progress[1]);
    char c;
    ASSERT_EQ(read(progress[0], &c, 1), 1);  // a batch has been saved
    close(progress[0]);
    usleep(static_cast<useconds_t>(run * 7000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    EXPECT_EQ(FileRows(path, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    const auto banks = FileRows(path, "SELECT count(*), coalesce(min(BANKCODE), 0), coalesce(max(BANKCODE), -1) FROM TBANK");
    const auto branches = FileRows(path, "SELECT count(*), coalesce(min(BANKCODE), 0), coalesce(max(BANKCODE), -1) FROM TBRAN");
    int bankCount = 0, bankMin = 0, bankMax = 0, branchCount = 0, branchMin = 0, branchMax = 0;
    std::sscanf(banks[0].c_str(), "%d|%d|%d", &bankCount, &bankMin, &bankMax);
    std::sscanf(branches[0].c_str(), "%d|%d|%d", &branchCount, &branchMin, &branchMax);
    // Rows 0..n-1 with nothing missing in between, the branches at most one
    // behind their banks.
    EXPECT_GE(bankCount, CDaoDatabase::kBatchRows / 2) << "run " << run;
    EXPECT_EQ(bankMin, 0);
    EXPECT_EQ(bankMax, bankCount - 1) << "run " << run;
    EXPECT_EQ(branchMax, branchCount - 1) << "run " << run;
    EXPECT_TRUE(branchCount == bankCount || branchCount == bankCount - 1)
        << bankCount << " banks, " << branchCount << " branches, run " << run;
  }
}

TEST_F(MasterProcessTest, AMasterInAFolderNamedWithSoAndHyouOpens) {
  // ソ (0x83 0x5C) and 表 (0x95 0x5C) end in the byte of a backslash: the
  // folder's name must reach the file system whole, and in UTF-8.
  const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"ソフト表");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  app.databasePath = Ansi(dir.path().string()) + "\\" + Ansi("ソフト表") + "\\BNKDB.LCA";
  ASSERT_EQ(masterdb::CreateMaster(app.databasePath, false), "");
  EXPECT_TRUE(std::filesystem::exists(folder / "BNKDB.LCA"));
  FileSql((folder / "BNKDB.LCA").string(), "INSERT INTO TBANK (BANKCODE) VALUES (6);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_EQ(app.bankSet->m_BANKCODE, 6);
  EXPECT_TRUE(ui.boxes.empty());
}
