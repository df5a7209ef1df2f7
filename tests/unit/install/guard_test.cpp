#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/guard.h"
#include "platform/platform.h"
#include "support/fake_user.h"

namespace {

struct GuardCase {
  const char* name;
  std::vector<std::string> running;  // mutexes held by "other programs"
  int result;
  unsigned message;  // 0: none
};

// Shown by name when a case fails.
void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

class GuardTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(GuardTest, ReportsOnlyTheFirstRunningProgramAndKeepsNoHandle) {
  const GuardCase& c = GetParam();
  std::vector<platform::Handle> held;
  for (const auto& name : c.running) held.push_back(platform::CreateNamedMutex(name, nullptr));

  FakeMessages messages;
  EXPECT_EQ(install::IsRelatedProgramRunning(messages), c.result);
  if (c.message == 0) {
    EXPECT_TRUE(messages.shown.empty());
  } else {
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{c.message, 0x30}}));
  }

  // Once the programs are gone their mutexes must be gone: a handle the
  // guard kept would keep one alive.
  for (auto h : held) platform::CloseHandle(h);
  for (const char* name : {"hPrevInstanceNvk", "hPrevInstanceKlv", "hPrevInstancePlk"})
    EXPECT_EQ(platform::OpenNamedMutex(name), nullptr) << name;
}

INSTANTIATE_TEST_SUITE_P(
    RunningPrograms, GuardTest,
    ::testing::Values(GuardCase{"NoneRuns", {}, 0, 0},
                      GuardCase{"Norvik", {"hPrevInstanceNvk"}, 1, 0xE001},
                      GuardCase{"Kelvane", {"hPrevInstanceKlv"}, 1, 0xE003},
                      GuardCase{"Paylark", {"hPrevInstancePlk"}, 1, 0xE002},
                      GuardCase{"NorvikBeforePaylark", {"hPrevInstanceNvk", "hPrevInstancePlk"}, 1, 0xE001},
                      GuardCase{"KelvaneBeforePaylark", {"hPrevInstanceKlv", "hPrevInstancePlk"}, 1, 0xE003},
                      GuardCase{"NorvikFirstOfAll", {"hPrevInstancePlk", "hPrevInstanceKlv", "hPrevInstanceNvk"},
                                1, 0xE001},
                      // Names are exact: another program's similar mutex is not one of them.
                      GuardCase{"SimilarNamesAreNotThem", {"hPrevInstanceNVK", "TOLMARKEB_APP_MORVATEX"}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });
