#include "app/updater_app.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

CWizPage2::CWizPage2() : CPropertyPage(wizard::kUpdateTemplate) {}

void CWizPage2::DoDataExchange() { progressBar.Attach(GetDlgItem(wizard::kIdProgress)); }

bool CWizPage2::OnSetActive() {
  CPropertySheet* sheet = GetParentSheet();
  sheet->GetDlgItem(fw::kIdWizNext).SetText(Ansi("更新"));
  // Without a package the only way out is Cancel.
  sheet->SetWizardButtons(App()->packagePath.empty() ? 0 : fw::kWizBack | fw::kWizNext);
  return CPropertyPage::OnSetActive();
}

bool CWizPage2::OnQueryCancel() {
  // The run dispatches messages between records, so a cancel request from
  // the keyboard or the frame can arrive while the master is rewritten.
  if (App()->updating != 0) return false;
  return CPropertyPage::OnQueryCancel();
}

bool CWizPage2::OnCommand(int id, unsigned notifyCode) {
  if (id == wizard::kIdDeleteRange && notifyCode == fw::kBnClicked) {
    OnDeleteRangeClicked();
    return true;
  }
  return CPropertyPage::OnCommand(id, notifyCode);
}

void CWizPage2::OnDeleteRangeClicked() {
  UpdaterApp* app = App();
  // Only the packages whose range holds the post office offer to spare it.
  if (app->rangeClauseKeepPostOffice.empty()) return;
  const bool enable = app->keepPostOfficeEnabled == 0;
  GetDlgItem(wizard::kIdKeepPostOffice).EnableWindow(enable);
  app->keepPostOfficeEnabled = enable ? 1 : 0;
}
