// The update context: everything that one run of the updater shares between
// its pages and steps.  The application object holds it (it derives from
// it), the pages are given it, and the steps of the update take it as their
// argument; nothing reaches it through a global.
#pragma once

#include <cstdint>
#include <memory>

#include "base/ole_date.h"
#include "base/report.h"
#include "base/text.h"
#include "masterdb/dao.h"
#include "masterdb/record_sets.h"
#include "platform/platform.h"

namespace update {

// Fields in their order of declaration, with their initial values.
struct UpdateContext {
  UpdateContext();
  ~UpdateContext();
  UpdateContext(const UpdateContext&) = delete;
  UpdateContext& operator=(const UpdateContext&) = delete;

  std::int32_t updating = 0;           // 1 once the run has locked the wizard; never cleared
  base::OleDate packageEdition;        // date of the package's first record; 0.0, valid
  std::int32_t updateResult = 0;       // the merge's result, 1 success
  Text rangeClause;                    // WHERE condition of the package's whole range
  Text rangeClauseKeepPostOffice;      // the same without 9900; only where the range holds it
  std::int32_t keepPostOfficeEnabled = 0;  // mirrors the post-office box being enabled
  Text packagePath;                    // the package beside the updater; empty when none
  std::unique_ptr<CBranSet> branchSet;
  std::unique_ptr<CBankSet> bankSet;
  std::unique_ptr<CDaoDatabase> database;
  Text backupPath;                     // commonDir + "Home\ZMF0.BAK"
  Text commonDir;
  Text productExePath;
  Text databasePath;                   // commonDir + "DAT\BNKDB.LCA"
  Text productDir;
  platform::Handle instanceMutex = nullptr;
};

// Opens the master at databasePath with both record sets on their first
// rows: 1 opened; 0 failed (told through `report`).
int OpenMasterDatabase(UpdateContext& context, base::ErrorReporter& report);

// Closes the branch set, the bank set and the database, as far as each is
// there; the database object itself stays.
void CloseMasterDatabase(UpdateContext& context, base::ErrorReporter& report);

}  // namespace update
