// Master operations that are not members of the application object.  The
// members (OpenMasterDatabase, CountRows, ...) are declared in
// app/updater_app.h and defined in master_database.cpp.
#pragma once

#include <functional>

class UpdaterApp;

// The edition check before an update: 1 to go on, 0 when the user declines
// to update a master that is already current.  A master whose first bank in
// the package's range is as new as the package, or newer, asks with message
// 0xE009; one that is older, or that has no edition at all (no bank in the
// range, or no date on it), goes on without asking.
int ConfirmEditionDate(UpdaterApp& app);

// Makes every row written to the master so far durable, before a result is
// shown.  1 done; 0 failed, with the error already shown.
int SaveMasterChanges(UpdaterApp& app);

// Runs work that walks the record sets itself (end tests, moving on) and
// hands back its result; an engine error or lack of memory on the way is
// shown like any other and gives 0, so the error never reaches the window.
int GuardDatabaseErrors(const std::function<int()>& work);
