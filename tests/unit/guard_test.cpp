#include <gtest/gtest.h>

#include "app/text.h"
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "support/memory_ui.h"

namespace {

struct GuardCase {
  std::vector<std::string> running;  // mutexes held by "other programs"
  int result;
  unsigned message;  // 0: none
};

}  // namespace

class GuardTest : public MemoryUiTest, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(GuardTest, ReportsOnlyTheFirstRunningProgramAndKeepsNoHandle) {
  const GuardCase& c = GetParam();
  UpdaterApp app;
  AfxWinInit();
  std::vector<platform::Handle> held;
  for (const auto& name : c.running) held.push_back(platform::CreateNamedMutex(name, nullptr));

  EXPECT_EQ(app.IsRelatedProgramRunning(), c.result);
  if (c.message == 0) {
    EXPECT_TRUE(ui.boxes.empty());
  } else {
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, ui.LoadStringResource(c.message));
    EXPECT_EQ(ui.boxes[0].style, 0x30u);
    EXPECT_EQ(ui.boxes[0].caption, Ansi("銀行・支店情報の更新"));
  }

  // Once the programs are gone their mutexes must be gone: a handle the
  // guard kept would keep one alive.
  for (auto h : held) platform::CloseHandle(h);
  for (const char* name : {"hPrevInstanceNvk", "hPrevInstanceKlv", "hPrevInstancePlk"})
    EXPECT_EQ(platform::OpenNamedMutex(name), nullptr) << name;
}

INSTANTIATE_TEST_SUITE_P(
    RunningPrograms, GuardTest,
    ::testing::Values(GuardCase{{}, 0, 0},
                      GuardCase{{"hPrevInstanceNvk"}, 1, 0xE001},
                      GuardCase{{"hPrevInstanceKlv"}, 1, 0xE003},
                      GuardCase{{"hPrevInstancePlk"}, 1, 0xE002},
                      GuardCase{{"hPrevInstanceNvk", "hPrevInstancePlk"}, 1, 0xE001},
                      GuardCase{{"hPrevInstanceKlv", "hPrevInstancePlk"}, 1, 0xE003},
                      GuardCase{{"hPrevInstancePlk", "hPrevInstanceKlv", "hPrevInstanceNvk"}, 1, 0xE001},
                      // Names are exact: another program's similar mutex is not one of them.
                      GuardCase{{"hPrevInstanceNVK", "TOLMARKEB_APP_MORVATEX"}, 0, 0}));
