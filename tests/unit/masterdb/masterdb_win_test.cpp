// The master held by another program, with real Windows processes: this test
// program starts a second copy of itself as the other program.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/text.h"
#include "app/updater_app.h"
#include "masterdb/dao.h"
#include "masterdb/master_schema.h"
#include "masterdb/record_sets.h"
#include "support/master_file.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"

namespace {

constexpr const char* kHoldVariable = "MASTERDB_TEST_HOLD";  // hold the master until released
constexpr const char* kOpenVariable = "MASTERDB_TEST_OPEN";  // try to open it, tell by exit code
constexpr DWORD kOpened = 10, kRefusedInUse = 11, kRefusedOtherwise = 12;

std::string Variable(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// In the second copy, the other program's part runs before any test would
// and ends the process.
struct OtherProgram {
  OtherProgram() {
    if (const std::string path = Variable(kHoldVariable); !path.empty()) {
      CDaoDatabase db;
      db.Open(path, true, false);
      CloseHandle(CreateFileA((path + ".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      for (int i = 0; i < 600 && GetFileAttributesA((path + ".release").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
      db.Close();
      ExitProcess(0);
    }
    if (const std::string path = Variable(kOpenVariable); !path.empty()) {
      DWORD code = kOpened;
      try {
        CDaoDatabase db;
        db.Open(path, true, false);
      } catch (const CDaoException& e) {
        code = e.Description() == Ansi("データベースは他のプログラムで使用中です。") ? kRefusedInUse
                                                                                   : kRefusedOtherwise;
      }
      ExitProcess(code);
    }
  }
} otherProgram;

// Starts the second copy with `variable` set to `path`.
HANDLE StartOtherProgram(const char* variable, const std::string& path) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  SetEnvironmentVariableA(variable, path.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = std::string("\"") + exe + "\"";
  const BOOL started = CreateProcessA(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableA(variable, nullptr);
  if (!started) return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

DWORD WaitForExit(HANDLE process) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

}  // namespace

using MasterProcessWinTest = MasterFixture;

TEST_F(MasterProcessWinTest, OnlyOneProgramAtATimeHasTheMaster) {
  // Another program holds the master: the updater cannot open it.
  HANDLE holder = StartOtherProgram(kHoldVariable, path);
  ASSERT_NE(holder, nullptr);
  for (int i = 0; i < 600 && !std::filesystem::exists(path + ".held"); ++i) Sleep(50);
  ASSERT_TRUE(std::filesystem::exists(path + ".held"));
  EXPECT_EQ(app.OpenMasterDatabase(), 0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, Ansi("データベースは他のプログラムで使用中です。"));
  EXPECT_EQ(app.bankSet, nullptr);
  EXPECT_EQ(app.branchSet, nullptr);
  dir.Write("Bnkdb.lca.release", "");
  EXPECT_EQ(WaitForExit(holder), 0u);

  // The updater holds it: the other program is refused until it closes.
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_EQ(WaitForExit(StartOtherProgram(kOpenVariable, path)), kRefusedInUse);
  app.CloseMasterDatabase();
  EXPECT_EQ(WaitForExit(StartOtherProgram(kOpenVariable, path)), kOpened);
}

TEST_F(MasterProcessWinTest, AMasterUnderAJapaneseDirectoryOpens) {
  // The common directory's name is in the ANSI code page, as the registry
  // gives it.
  const std::string common = dir.File("") + Ansi("共通");
  ASSERT_TRUE(CreateDirectoryA(common.c_str(), nullptr));
  app.databasePath = common + "\\BNKDB.LCA";
  ASSERT_EQ(masterdb::CreateMaster(app.databasePath, false), "");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_TRUE(app.bankSet->IsEOF());
  EXPECT_NE(GetFileAttributesA(app.databasePath.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ui.boxes.empty());
}
