// The checks behind the welcome page's Next, against files in a temporary
// folder and the native registry and version stand-ins.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "install/installation_checks.h"
#include "platform/platform.h"
#include "platform/sim.h"
#include "support/fake_user.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::uintptr_t kHkcu = platform::kHkeyCurrentUser;
constexpr std::uint32_t V(std::uint32_t major, std::uint32_t minor) { return major << 16 | minor; }

class InstallationChecksTest : public ::testing::Test {
 public:
  InstallationChecksTest() {
    platform::sim::ClearRegistry();
    platform::sim::ClearFileVersions();
  }
  ~InstallationChecksTest() override {
    platform::sim::ClearRegistry();
    platform::sim::ClearFileVersions();
    for (auto h : held_) platform::CloseHandle(h);
  }

  // A complete installation that passes every check.  Directories are given
  // without their final separator, as a user may have typed them.
  void Install(const std::string& productFolder = "App", const std::string& commonFolder = "Common") {
    productDir_ = tmp_.path() / productFolder;
    commonDir_ = tmp_.path() / commonFolder;
    fs::create_directories(productDir_);
    fs::create_directories(commonDir_ / "DAT");
    fs::create_directories(commonDir_ / "Home");
    std::ofstream(productDir_ / "NORVIK.EXE") << "MZ";
    std::ofstream(commonDir_ / "DAT" / "BNKDB.LCA") << "db";
    SetProductDir(Ansi(productDir_.string()));
    SetCommonDir(Ansi(commonDir_.string()));
    SetVersion(V(2, 8), 0);
  }
  void SetProductDir(const std::string& value, std::uint32_t type = platform::kRegSz) {
    platform::sim::SetRegistryValue(kHkcu, "Software\\TolmarkEB\\Norvik\\Setup", "Dir", type, value + '\0');
  }
  void SetCommonDir(const std::string& value) {
    platform::sim::SetRegistryValue(kHkcu, Ansi("Software\\TolmarkEB\\共通\\SetUp"), "Dir", platform::kRegSz,
                                    value + '\0');
  }
  void SetVersion(std::uint32_t ms, std::uint32_t ls) {
    platform::sim::SetFileVersion(Ansi((productDir_ / "NORVIK.EXE").string()), ms, ls);
  }
  void Run(const std::string& mutex) { held_.push_back(platform::CreateNamedMutex(mutex, nullptr)); }

  // What the welcome page's Next gives: -1 stays on the page.
  long PressNext() {
    const install::InstallationPaths paths{found.productDir, found.productExePath, found.commonDir,
                                           found.databasePath, found.backupPath};
    return install::CheckInstallation(paths, messages) == 1 ? 0 : -1;
  }

  TempDir tmp_;
  fs::path productDir_, commonDir_;
  std::vector<platform::Handle> held_;
  struct {
    Text productDir, productExePath, commonDir, databasePath, backupPath;
  } found;
  FakeMessages messages;
};

struct FailureCase {
  const char* name;
  std::function<void(InstallationChecksTest&)> spoil;
  unsigned message;
  unsigned style;
};

// Shown by name when a case fails.
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

class InstallationFailureTest : public InstallationChecksTest,
                                public ::testing::WithParamInterface<FailureCase> {};

TEST_P(InstallationFailureTest, ShowsOneMessageAndStaysOnTheWelcomePage) {
  Install();
  GetParam().spoil(*this);
  EXPECT_EQ(PressNext(), -1);
  EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{GetParam().message, GetParam().style}}));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, InstallationFailureTest,
    ::testing::Values(
        FailureCase{"NoProductDirectory", [](auto&) { platform::sim::ClearRegistry(); }, 0xE006, 0x10},
        FailureCase{"EmptyProductDirectory", [](auto& t) { t.SetProductDir(""); }, 0xE006, 0x10},
        FailureCase{"ExpandableProductDirectory",
                    [](auto& t) { t.SetProductDir(Ansi(t.productDir_.string()), platform::kRegExpandSz); },
                    0xE006, 0x10},
        FailureCase{"NoExecutable", [](auto& t) { fs::remove(t.productDir_ / "NORVIK.EXE"); }, 0xE004, 0x10},
        FailureCase{"ExecutableIsADirectory",
                    [](auto& t) {
                      fs::remove(t.productDir_ / "NORVIK.EXE");
                      fs::create_directory(t.productDir_ / "NORVIK.EXE");
                    },
                    0xE004, 0x10},
        FailureCase{"NoCommonDirectory", [](auto& t) { t.SetCommonDir(""); }, 0xE007, 0x10},
        FailureCase{"NoDatabase", [](auto& t) { fs::remove(t.commonDir_ / "DAT" / "BNKDB.LCA"); }, 0xE008, 0x10},
        FailureCase{"NoDatabaseComesBeforeNoVersion",
                    [](auto& t) {
                      platform::sim::ClearFileVersions();
                      fs::remove(t.commonDir_ / "DAT" / "BNKDB.LCA");
                    },
                    0xE008, 0x10},
        FailureCase{"NoVersionResource", [](auto&) { platform::sim::ClearFileVersions(); }, 0xE004, 0x10},
        FailureCase{"Version29", [](auto& t) { t.SetVersion(V(2, 9), 0); }, 0xE005, 0x10},
        FailureCase{"Version210", [](auto& t) { t.SetVersion(V(2, 10), 0); }, 0xE005, 0x10},
        FailureCase{"Version19", [](auto& t) { t.SetVersion(V(1, 9), 0); }, 0xE005, 0x10},
        FailureCase{"Version30", [](auto& t) { t.SetVersion(V(3, 0), 0); }, 0xE005, 0x10},
        FailureCase{"VersionBeforeTheGuard",
                    [](auto& t) {
                      t.SetVersion(V(3, 0), 0);
                      t.Run("hPrevInstanceNvk");
                    },
                    0xE005, 0x10},
        FailureCase{"NorvikRunning", [](auto& t) { t.Run("hPrevInstanceNvk"); }, 0xE001, 0x30},
        FailureCase{"KelvaneAndPaylarkRunning",
                    [](auto& t) {
                      t.Run("hPrevInstancePlk");
                      t.Run("hPrevInstanceKlv");
                    },
                    0xE003, 0x30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallationChecksTest, AcceptedVersionsPassSilentlyAndFillThePaths) {
  for (auto [ms, ls] : {std::pair{V(2, 0), 0u}, std::pair{V(2, 8), 0xFFFFFFFFu}}) {
    Install();
    SetVersion(ms, ls);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_TRUE(messages.shown.empty());
  }
  const std::string product = Ansi(productDir_.string()) + "\\";
  const std::string common = Ansi(commonDir_.string()) + "\\";
  EXPECT_EQ(found.productDir, product);
  EXPECT_EQ(found.productExePath, product + "NORVIK.EXE");
  EXPECT_EQ(found.commonDir, common);
  EXPECT_EQ(found.databasePath, common + "DAT\\BNKDB.LCA");
  EXPECT_EQ(found.backupPath, common + "Home\\ZMF0.BAK");
}

TEST_F(InstallationChecksTest, FinalBackslashIsKeptNotDoubled) {
  Install();
  SetProductDir(Ansi(productDir_.string()) + "\\");
  EXPECT_EQ(PressNext(), 0);
  EXPECT_EQ(found.productExePath, Ansi(productDir_.string()) + "\\NORVIK.EXE");
}

TEST_F(InstallationChecksTest, JapaneseFoldersAndOneEndingInSo) {
  // ソ ends in the byte 0x5C: a byte test would take it for the separator
  // and build ".../データソNORVIK.EXE".
  Install("データソ", "共通");
  EXPECT_EQ(PressNext(), 0);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(found.productExePath, Ansi((productDir_).string()) + "\\NORVIK.EXE");
  EXPECT_EQ(found.databasePath, Ansi(commonDir_.string()) + "\\DAT\\BNKDB.LCA");
}

TEST_F(InstallationChecksTest, MissingHomeFolderDoesNotStopTheWizardHere) {
  Install();
  fs::remove_all(commonDir_ / "Home");
  EXPECT_EQ(PressNext(), 0);
  EXPECT_TRUE(messages.shown.empty());
}
