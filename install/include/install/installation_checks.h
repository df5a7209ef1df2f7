// The checks run when the user leaves the welcome page: where Norvik and the
// common directory are, that the master exists, that this Norvik may be
// updated and that nothing related runs.
#pragma once

#include <cstdint>

#include "base/report.h"
#include "base/text.h"

namespace install {

// The five paths of the update context that the checks fill, each written
// as its check passes: after a failure, the paths before the failing check
// hold this attempt's values and the others what they held.
struct InstallationPaths {
  Text& productDir;      // Norvik's folder, ending in a backslash
  Text& productExePath;  // productDir + "NORVIK.EXE"
  Text& commonDir;       // the product family's common folder, ending in a backslash
  Text& databasePath;    // commonDir + "DAT\BNKDB.LCA"
  Text& backupPath;      // commonDir + "Home\ZMF0.BAK"
};

// 1 when every check passed, without a word; 0 after the one message of the
// first check that failed.
int CheckInstallation(const InstallationPaths& paths, base::CatalogueMessages& messages);

// 1 when the Norvik at `productExePath` has a version from 2.0 to 2.8;
// otherwise 0, with message 0xE004 (no version) or 0xE005 shown.
int CheckProductVersion(const Text& productExePath, base::CatalogueMessages& messages);

// 1 and the two words of the file's fixed version record; 0, the words left
// as they were, when the file has none.
int ReadFileVersion(Text path, std::uint32_t& versionMS, std::uint32_t& versionLS);

}  // namespace install
