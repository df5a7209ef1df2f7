// The checks run when the user leaves the welcome page: where Norvik and the
// common directory are, that the master exists, that this Norvik may be
// updated and that nothing related runs.  The first failure is the one the
// user is told about.
#include <memory>
#include <new>

#include "app/messages.h"
#include "app/updater_app.h"
#include "install/probes.h"
#include "install/registry.h"
#include "platform/platform.h"
#include "wizard/pages.h"

namespace {

const char kProductDirValue[] = "HKEY_CURRENT_USER\\Software\\TolmarkEB\\Norvik\\Setup\\Dir";

// Ends a directory with a backslash unless it already ends in one.  A final
// double-byte character whose second byte is 0x5C (ソ, 表) is not a
// backslash: the directory still needs its separator.
Text WithFinalBackslash(Text dir) {
  if (FindLastChar(dir, '\\') != static_cast<int>(dir.size()) - 1) dir += '\\';
  return dir;
}

}  // namespace

long CWizPage1::OnWizardNext() {
  UpdaterApp* app = App();

  Text productDir = app->ReadRegistryString(kProductDirValue, Text());
  if (productDir.empty()) {
    AfxMessageBox(app::kMsgNotInstalled350, app::kStyleStop);
    return -1;
  }
  app->productDir = WithFinalBackslash(productDir);
  app->productExePath = app->productDir + "NORVIK.EXE";
  if (FileExists(app->productExePath) != 1) {
    AfxMessageBox(app::kMsgNorvikNotFound, app::kStyleStop);
    return -1;
  }

  Text commonDir = app->ReadRegistryString(Ansi("HKEY_CURRENT_USER\\Software\\TolmarkEB\\共通\\SetUp\\Dir"), Text());
  if (commonDir.empty()) {
    AfxMessageBox(app::kMsgNotInstalled351, app::kStyleStop);
    return -1;
  }
  app->commonDir = WithFinalBackslash(commonDir);
  app->databasePath = app->commonDir + "DAT\\BNKDB.LCA";
  if (FileExists(app->databasePath) != 1) {
    AfxMessageBox(app::kMsgDatabaseNotFound, app::kStyleStop);
    return -1;
  }

  // The backup's place only; whether its folder exists is the backup's concern.
  app->backupPath = app->commonDir + "Home\\ZMF0.BAK";

  if (CheckProductVersion() != 1) return -1;
  if (app->IsRelatedProgramRunning() != 0) return -1;
  return CPropertyPage::OnWizardNext();
}

int CWizPage1::CheckProductVersion() {
  std::uint32_t versionMS = 0, versionLS = 0;
  if (App()->ReadFileVersion(App()->productExePath, versionMS, versionLS) == 0) {
    AfxMessageBox(app::kMsgNorvikNotFound, app::kStyleStop);
    return 0;
  }
  const std::uint32_t major = versionMS >> 16;
  const std::uint32_t minor = versionMS & 0xFFFFu;
  if (major != 2 || minor >= 9) {
    AfxMessageBox(app::kMsgVersionNotSupported, app::kStyleStop);
    return 0;
  }
  return 1;
}

int UpdaterApp::ReadFileVersion(Text path, std::uint32_t& versionMS, std::uint32_t& versionLS) {
  const std::uint32_t size = platform::FileVersionInfoSize(path);
  if (size == 0) return 0;
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[size]);
  if (!block) return 0;
  std::uint32_t ms = 0, ls = 0;
  if (!platform::FileVersionInfo(path, size, block.get())) return 0;
  if (!platform::QueryFixedFileVersion(block.get(), &ms, &ls)) return 0;
  versionMS = ms;
  versionLS = ls;
  return 1;
}
