#include "update/backup.h"

#include "masterdb/master_operations.h"
#include "platform/file.h"
#include "transaction/transaction_file.h"
#include "update/row_mapping.h"

namespace update {
namespace {

// Copies every row of `set`, from its first, into `file`, keeping the
// window alive around each step.  false when a requery or a write failed
// (the user has been told).
template <typename Set>
bool CopyRows(Set& set, TransactionFile& file, Progress& progress) {
  if (masterdb::RequerySet(&set, progress) != 1) return false;
  while (!set.IsEOF()) {
    progress.DrainMessages();
    RecordFromRow(set, file.record);
    progress.DrainMessages();
    if (!file.WriteRecord()) return false;
    progress.DrainMessages();
    progress.StepProgress();
    progress.DrainMessages();
    set.MoveNext();
    progress.DrainMessages();
  }
  return true;
}

// The backup as it is written, beside the one it replaces: removed again
// unless it took that one's place.
struct NewBackup {
  Text path;
  bool inPlace = false;
  ~NewBackup() {
    if (!inPlace) platform::RemoveFile(path);
  }
};

int BackupSteps(UpdateContext& context, Progress& progress) {
  progress.SetStatus(Ansi("更新の準備を行っています."));
  const std::int32_t rows = masterdb::CountRows(context.database.get(), "TBANK", progress) +
                            masterdb::CountRows(context.database.get(), "TBRAN", progress);
  progress.StartProgress(rows);

  // The previous backup stays whole until the new one is whole and on the
  // disk; then the new one takes its place in one step.
  NewBackup written{context.backupPath + ".tmp"};
  {
    TransactionFile file(progress);
    if (!file.Open(written.path, 0)) return 0;
    if (!CopyRows(*context.bankSet, file, progress)) return 0;
    if (!CopyRows(*context.branchSet, file, progress)) return 0;
    if (!file.Flush()) return 0;
  }
  // Refused like a backup that cannot be created: without a word.
  if (!platform::MoveReplacing(written.path, context.backupPath)) return 0;
  written.inPlace = true;
  return 1;
}

}  // namespace

int BackupMaster(UpdateContext& context, Progress& progress) {
  return masterdb::GuardDatabaseErrors([&] { return BackupSteps(context, progress); }, progress);
}

}  // namespace update
