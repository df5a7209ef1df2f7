// PLACEHOLDER (to be replaced): closing the master at shutdown.
#include "app/updater_app.h"
#include "masterdb/record_sets.h"

void UpdaterApp::CloseMasterDatabase() {
  if (branchSet) {
    if (branchSet->IsOpen()) branchSet->Close();
    branchSet.reset();
  }
  if (bankSet) {
    if (bankSet->IsOpen()) bankSet->Close();
    bankSet.reset();
  }
  if (database && database->IsOpen()) database->Close();
}
