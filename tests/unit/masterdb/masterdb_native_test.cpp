// The master against other processes and the native file system: exclusive
// opening, and a folder whose name holds trail bytes 0x5C.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
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

namespace {

// Runs `check` in a child process as a user without privileges (root may
// write where nobody else may); its exit code.
int AsAnOrdinaryUser(const std::function<int()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    _exit(check());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

}  // namespace

TEST_F(MasterProcessTest, AMasterThatCannotBeChangedIsRefusedWhenItOpens) {
  const std::string folder = dir.File("DAT");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  app.databasePath = folder + "/BNKDB.LCA";
  ASSERT_EQ(masterdb::CreateMaster(app.databasePath, false), "");
  namespace fs = std::filesystem;
  const struct {
    const char* name;
    fs::perms file, folder;
    const char* message;
  } cases[] = {
      {"a read-only file", fs::perms(0444), fs::perms(0777), "データベースは読み取り専用のため、変更できません。"},
      {"a read-only folder", fs::perms(0666), fs::perms(0555),
       "データベースのフォルダーに書き込めないため、データベースを変更できません。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::permissions(app.databasePath, c.file);
    fs::permissions(folder, c.folder);
    const int result = AsAnOrdinaryUser([&] {
      if (app.OpenMasterDatabase() != 0) return 1;
      if (ui.boxes.size() != 1 || ui.boxes[0].text != Ansi(c.message)) return 2;
      app.CloseMasterDatabase();
      return 0;
    });
    fs::permissions(folder, fs::perms(0755));
    EXPECT_EQ(result, 0) << "1: opened, 2: another message, 99: cannot drop privileges";
  }
  // Writable again, it opens.
  fs::permissions(app.databasePath, fs::perms(0644));
  EXPECT_EQ(app.OpenMasterDatabase(), 1);
}
