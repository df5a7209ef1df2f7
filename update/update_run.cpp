#include "update/update_run.h"

#include "base/catalogue.h"
#include "install/guard.h"
#include "update/all_or_nothing.h"
#include "update/backup.h"
#include "update/edition_check.h"
#include "update/merge.h"
#include "update/range_deletion.h"

namespace update {
namespace {

bool Confirmed(RunUi& ui, unsigned question) {
  return ui.ShowMessage(question, catalogue::kStyleQuestion) == catalogue::kAnswerYes;
}

}  // namespace

long RunUpdate(UpdateContext& context, RunUi& ui) {
  if (ui.DeleteRangeChecked()) {
    const bool keepPostOffice = ui.KeepPostOfficeChecked();
    if (!Confirmed(ui, keepPostOffice ? catalogue::kMsgConfirmDeleteRangeKeepPostOffice
                                      : catalogue::kMsgConfirmDeleteRange)) {
      ui.ClearDeleteOptions(keepPostOffice);
      return -1;
    }
  }

  if (install::IsRelatedProgramRunning(ui) != 0) return -1;
  // A master that cannot be opened: the completion page reports it.
  if (OpenMasterDatabase(context, ui) != 1) return 0;
  if (ConfirmEditionDate(context, ui, ui) != 1) {
    // Declined: the wizard closes once this run has returned.
    ui.CloseWizardAfterwards();
    return 0;
  }
  // A program may have started while the question was on the screen.
  if (install::IsRelatedProgramRunning(ui) != 0) return -1;

  ui.LockWizard();
  context.updating = 1;

  if (BackupMaster(context, ui) != 1) return 0;

  // The master holds the old edition or the new one, never a mix: the
  // result is a success only once the commit has succeeded.
  context.updateResult = AllOrNothing(context, ui, [&] {
    if (ui.DeleteRangeChecked()) {
      const Text& clause =
          ui.KeepPostOfficeChecked() ? context.rangeClauseKeepPostOffice : context.rangeClause;
      if (DeleteRange(context, clause, ui) != 1) return 0;
    }
    return MergePackage(context, ui);
  });
  return 0;
}

}  // namespace update
