// The update run behind the update page's "更新" button: confirm a range
// deletion, make sure nothing related runs, open the master, ask before
// updating a master that is already current, lock the wizard, back up,
// delete the range when asked, merge, and move on to the completion page.
#include "app/messages.h"
#include "app/updater_app.h"
#include "masterdb/master_database.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

int CWizPage2::ConfirmEditionDate() { return ::ConfirmEditionDate(*App()); }

long CWizPage2::OnWizardNext() {
  UpdaterApp* app = App();
  CDlgItem deleteRange = GetDlgItem(wizard::kIdDeleteRange);
  CDlgItem keepPostOffice = GetDlgItem(wizard::kIdKeepPostOffice);

  if (deleteRange.GetCheck()) {
    if (keepPostOffice.GetCheck()) {
      if (AfxMessageBox(app::kMsgConfirmDeleteRangeKeepPostOffice, app::kStyleQuestion) != fw::kIdYes) {
        deleteRange.SetCheck(0);
        keepPostOffice.SetCheck(0);
        OnDeleteRangeClicked();
        return -1;
      }
    } else if (AfxMessageBox(app::kMsgConfirmDeleteRange, app::kStyleQuestion) != fw::kIdYes) {
      deleteRange.SetCheck(0);
      OnDeleteRangeClicked();
      return -1;
    }
  }

  if (app->IsRelatedProgramRunning() != 0) return -1;
  // A master that cannot be opened: the completion page reports it.
  if (app->OpenMasterDatabase() != 1) return 0;
  if (ConfirmEditionDate() != 1) {
    // Declined: the wizard closes once this handler has returned.
    GetParentSheet()->PostCommand(fw::kIdCancel);
    return 0;
  }
  // A program may have started while the question was on the screen.
  if (app->IsRelatedProgramRunning() != 0) return -1;

  // From here on messages are dispatched between records: nothing that could
  // start anything may stay enabled, and cancelling is refused.
  SetItemText(wizard::kIdHeading, Ansi("以下の金融機関の銀行・支店情報を更新しています..."));
  SetItemText(wizard::kIdInstruction, "");
  deleteRange.EnableWindow(false);
  keepPostOffice.EnableWindow(false);
  GetDlgItem(wizard::kIdProgress).ShowWindow(true);
  CPropertySheet* sheet = GetParentSheet();
  sheet->GetDlgItem(fw::kIdWizNext).EnableWindow(false);
  sheet->GetDlgItem(fw::kIdWizBack).EnableWindow(false);
  sheet->GetDlgItem(fw::kIdCancel).EnableWindow(false);
  app->updating = 1;

  if (BackupMaster() != 1) return 0;

  if (deleteRange.GetCheck()) {
    const Text& clause = keepPostOffice.GetCheck() ? app->rangeClauseKeepPostOffice : app->rangeClause;
    if (app->DeleteRows("TBANK", clause) != 1) return 0;
    if (app->DeleteRows("TBRAN", clause) != 1) return 0;
  }

  app->updateResult = MergePackage();
  return 0;
}
