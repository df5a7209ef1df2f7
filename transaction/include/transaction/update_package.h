// The update packages an updater can ship with: one file beside the exe,
// named for the range of bank codes it covers, and finding it.
#pragma once

#include "base/ole_date.h"
#include "base/report.h"
#include "base/text.h"

namespace transaction {

struct UpdatePackage {
  const char* fileName;
  const char* label;        // UTF-8; shown on the update page
  const char* rangeClause;  // WHERE condition over BANKCODE
  // The same range without the post office (9900); only where it lies in it.
  const char* rangeClauseKeepPostOffice;
};

// In the order they are looked for; the first one found is the package.
// There is no category 2: no "ZMF2" is looked for.
inline constexpr UpdatePackage kUpdatePackages[] = {
    {"ZMF0", "一括 (0000～9999)", "[BANKCODE] BETWEEN 0 AND 9999",
     "([BANKCODE] BETWEEN 0 AND 9999) AND (NOT ([BANKCODE] = 9900))"},
    {"ZMF1", "Tolmark銀行 (0006)", "[BANKCODE] = 6", nullptr},
    {"ZMF3", "都市銀行 (0000～0099)", "[BANKCODE] BETWEEN 0 AND 99", nullptr},
    {"ZMF4", "地方銀行・信託銀行 (0100～0999)", "[BANKCODE] BETWEEN 100 AND 999", nullptr},
    {"ZMF5", "信用金庫 (1000～1999)", "[BANKCODE] BETWEEN 1000 AND 1999", nullptr},
    {"ZMF6", "信用組合 (2000～2999)", "[BANKCODE] BETWEEN 2000 AND 2999", nullptr},
    {"ZMF7", "農協・その他1 (3000～6499)", "[BANKCODE] BETWEEN 3000 AND 6499", nullptr},
    {"ZMF8", "農協・その他2 (6500～9999)", "[BANKCODE] BETWEEN 6500 AND 9999",
     "([BANKCODE] BETWEEN 6500 AND 9999) AND (NOT ([BANKCODE] = 9900))"},
};

// What discovery found beside the updater, and what the update page shows
// of it.
struct DiscoveredPackage {
  const UpdatePackage* package = nullptr;  // null: none was found
  Text path;                               // the folder followed by its file name
  base::OleDate edition;                   // the date of its first record
  Text line;                               // the package line: label and edition, or that there is none
  Text note;                               // the note under it; empty when none was found
};

// Looks for each package of kUpdatePackages, in order, in the folder of the
// executable at `exePath` and takes the first that exists.
DiscoveredPackage DiscoverPackage(const Text& exePath, base::ErrorReporter& report);

// The date of the first record of the package at `path`; status invalid
// when the file cannot be opened.
base::OleDate ReadPackageEdition(const Text& path, base::ErrorReporter& report);

}  // namespace transaction
