// Rows of the master and transaction records, one into the other: a row
// becomes a record in the backup, a record's columns go into a row in the
// merge.
#pragma once

#include "masterdb/record_sets.h"
#include "transaction/record_codec.h"

namespace update {

// The record of the row where the set stands: type 1 (bank, branch code 0)
// or type 2 (branch), the names and the date as the row holds them.
void RecordFromRow(const CBankSet& banks, TransactionRecord& record);
void RecordFromRow(const CBranSet& branches, TransactionRecord& record);

// The columns a record sets on an edited row: the two names and the date.
// The key stays, and NEWOLDFLG is never touched.
void EditColumnsFromRecord(CBankSet& banks, const TransactionRecord& record);
void EditColumnsFromRecord(CBranSet& branches, const TransactionRecord& record);

// The columns of an added row: its key, then those of an edit.
void AddColumnsFromRecord(CBankSet& banks, const TransactionRecord& record);
void AddColumnsFromRecord(CBranSet& branches, const TransactionRecord& record);

}  // namespace update
