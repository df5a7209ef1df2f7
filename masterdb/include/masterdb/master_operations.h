// The operations of the update over the master: opening and closing it with
// its two record sets, counting rows, reading its edition date, deleting a
// range, and the record-set steps that the backup and the merge take.  Each
// catches the engine's errors and lack of memory itself, tells the user once
// through `report`, and hands its caller only a result.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "base/ole_date.h"
#include "base/report.h"
#include "base/text.h"
#include "masterdb/dao.h"
#include "masterdb/record_sets.h"

namespace masterdb {

// Opens `database` on `path` (exclusive; left as it is when already open)
// and both record sets anew on their first rows.  1 opened; 0 failed, with
// whatever was reached left for CloseMaster.
int OpenMaster(std::unique_ptr<CDaoDatabase>& database, const Text& path,
               std::unique_ptr<CBankSet>& bankSet, std::unique_ptr<CBranSet>& branchSet,
               base::ErrorReporter& report);

// Closes and frees the branch set, then the bank set, then closes the
// database; each step is skipped when there is nothing to close, and a
// failing one does not stop the next.
void CloseMaster(CDaoDatabase* database, std::unique_ptr<CBankSet>& bankSet,
                 std::unique_ptr<CBranSet>& branchSet, base::ErrorReporter& report);

// The number of rows of `table`; 0 on failure.
std::int32_t CountRows(CDaoDatabase* database, const Text& table, base::ErrorReporter& report);

// FDENTYMD of the first bank the engine returns within `rangeClause` (all
// banks when it is empty).  Status null for a NULL date; invalid when there
// is no such bank or the query failed.
base::OleDate ReadFirstEditionDate(CDaoDatabase* database, const Text& rangeClause,
                                   base::ErrorReporter& report);

// Deletes the rows of `table` that `whereClause` names (all of them when it
// is empty), all or nothing.  1 done, 0 failed.
int DeleteRows(CDaoDatabase* database, const Text& table, const Text& whereClause,
               base::ErrorReporter& report);

// One step on a record set each, 1 done or 0 failed.  RequerySet leaves a
// lack of memory to its caller.
int RequerySet(CDaoRecordset* set, base::ErrorReporter& report);
int AddNewRow(CDaoRecordset* set, base::ErrorReporter& report);
int EditRow(CDaoRecordset* set, base::ErrorReporter& report);
int UpdateRow(CDaoRecordset* set, base::ErrorReporter& report);

// The transaction of the database's workspace.  Begin and commit: 1 done,
// 0 failed; a failed commit leaves the master as it was before the begin.
// Rolling back tells nothing: whatever made it necessary has been told.
int BeginTransaction(CDaoDatabase* database, base::ErrorReporter& report);
int CommitTransaction(CDaoDatabase* database, base::ErrorReporter& report);
void RollbackTransaction(CDaoDatabase* database);

// Runs work that walks the record sets itself (end tests, moving on) and
// hands back its result; an engine error or lack of memory on the way is
// reported like any other and gives 0, so that the error never reaches the
// window.
int GuardDatabaseErrors(const std::function<int()>& work, base::ErrorReporter& report);

}  // namespace masterdb
