// The first failure is the one the user is told about.
#include "install/installation_checks.h"

#include <memory>
#include <new>

#include "base/catalogue.h"
#include "install/guard.h"
#include "install/registry.h"
#include "platform/platform.h"
#include "platform/probes.h"

namespace install {
namespace {

const char kProductDirValue[] = "HKEY_CURRENT_USER\\Software\\TolmarkEB\\Norvik\\Setup\\Dir";

// Ends a directory with a backslash unless it already ends in one.  A final
// double-byte character whose second byte is 0x5C (ソ, 表) is not a
// backslash: the directory still needs its separator.
Text WithFinalBackslash(Text dir) {
  if (platform::FindLastChar(dir, '\\') != static_cast<int>(dir.size()) - 1) dir += '\\';
  return dir;
}

// Shows the message of a failed check; the check then fails.
int Refuse(base::CatalogueMessages& messages, unsigned messageId) {
  messages.ShowMessage(messageId, catalogue::kStyleStop);
  return 0;
}

}  // namespace

int CheckInstallation(const InstallationPaths& paths, base::CatalogueMessages& messages) {
  const Text productDir = ReadRegistryString(kProductDirValue, Text());
  if (productDir.empty()) return Refuse(messages, catalogue::kMsgNotInstalled350);
  paths.productDir = WithFinalBackslash(productDir);
  paths.productExePath = paths.productDir + "NORVIK.EXE";
  if (platform::FileExists(paths.productExePath) != 1) return Refuse(messages, catalogue::kMsgNorvikNotFound);

  const Text commonDir = ReadRegistryString(Ansi("HKEY_CURRENT_USER\\Software\\TolmarkEB\\共通\\SetUp\\Dir"), Text());
  if (commonDir.empty()) return Refuse(messages, catalogue::kMsgNotInstalled351);
  paths.commonDir = WithFinalBackslash(commonDir);
  paths.databasePath = paths.commonDir + "DAT\\BNKDB.LCA";
  if (platform::FileExists(paths.databasePath) != 1) return Refuse(messages, catalogue::kMsgDatabaseNotFound);

  // The backup's place only; whether its folder exists is the backup's concern.
  paths.backupPath = paths.commonDir + "Home\\ZMF0.BAK";

  if (CheckProductVersion(paths.productExePath, messages) != 1) return 0;
  if (IsRelatedProgramRunning(messages) != 0) return 0;
  return 1;
}

int CheckProductVersion(const Text& productExePath, base::CatalogueMessages& messages) {
  std::uint32_t versionMS = 0, versionLS = 0;
  if (ReadFileVersion(productExePath, versionMS, versionLS) == 0)
    return Refuse(messages, catalogue::kMsgNorvikNotFound);
  const std::uint32_t major = versionMS >> 16;
  const std::uint32_t minor = versionMS & 0xFFFFu;
  if (major != 2 || minor >= 9) return Refuse(messages, catalogue::kMsgVersionNotSupported);
  return 1;
}

int ReadFileVersion(Text path, std::uint32_t& versionMS, std::uint32_t& versionLS) {
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

}  // namespace install
