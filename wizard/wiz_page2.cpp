// The update page: the package it found, the two delete options, and the
// run behind "更新", whose steps report through this page's controls.
#include "platform/platform.h"
#include "platform/probes.h"
#include "transaction/update_package.h"
#include "update/backup.h"
#include "update/edition_check.h"
#include "update/merge.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

CWizPage2::CWizPage2(update::UpdateContext& context)
    : CPropertyPage(wizard::kUpdateTemplate), context_(context) {}

void CWizPage2::DoDataExchange() { progressBar.Attach(GetDlgItem(wizard::kIdProgress)); }

bool CWizPage2::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  GetDlgItem(wizard::kIdKeepPostOffice).EnableWindow(false);

  const transaction::DiscoveredPackage found = transaction::DiscoverPackage(platform::ModuleFileName(), *this);
  if (found.package != nullptr) {
    context_.rangeClause = found.package->rangeClause;
    if (found.package->rangeClauseKeepPostOffice != nullptr)
      context_.rangeClauseKeepPostOffice = found.package->rangeClauseKeepPostOffice;
    context_.packagePath = found.path;
    context_.packageEdition = found.edition;
    SetItemText(wizard::kIdPackageNote, found.note);
  }
  SetItemText(wizard::kIdPackageLine, found.line);

  GetDlgItem(wizard::kIdDeleteRange).SetCheck(0);
  GetDlgItem(wizard::kIdKeepPostOffice).SetCheck(0);
  return true;
}

bool CWizPage2::OnSetActive() {
  CPropertySheet* sheet = GetParentSheet();
  sheet->GetDlgItem(fw::kIdWizNext).SetText(Ansi("更新"));
  // Without a package the only way out is Cancel.
  sheet->SetWizardButtons(context_.packagePath.empty() ? 0 : fw::kWizBack | fw::kWizNext);
  return CPropertyPage::OnSetActive();
}

bool CWizPage2::OnQueryCancel() {
  // The run dispatches messages between records, so a cancel request from
  // the keyboard or the frame can arrive while the master is rewritten.
  if (context_.updating != 0) return false;
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
  // Only the packages whose range holds the post office offer to spare it.
  if (context_.rangeClauseKeepPostOffice.empty()) return;
  const bool enable = context_.keepPostOfficeEnabled == 0;
  GetDlgItem(wizard::kIdKeepPostOffice).EnableWindow(enable);
  context_.keepPostOfficeEnabled = enable ? 1 : 0;
}

long CWizPage2::OnWizardNext() { return update::RunUpdate(context_, *this); }

base::OleDate CWizPage2::ReadPackageEdition(const Text& path) {
  return transaction::ReadPackageEdition(path, *this);
}

int CWizPage2::ConfirmEditionDate() { return update::ConfirmEditionDate(context_, *this, *this); }

int CWizPage2::BackupMaster() { return update::BackupMaster(context_, *this); }

int CWizPage2::MergePackage() { return update::MergePackage(context_, *this); }

// ---- What the run and its steps need of the page ------------------------------------

int CWizPage2::ShowMessage(unsigned messageId, unsigned style) { return AfxMessageBox(messageId, style); }

void CWizPage2::ReportError(const Text& description) { AfxMessageBox(description, 0); }

void CWizPage2::SetStatus(const Text& text) { SetItemText(wizard::kIdStatusLine, text); }

void CWizPage2::StartProgress(int upper) {
  progressBar.SetRange(0, upper);
  progressBar.SetStep(1);
  progressBar.SetPos(0);
}

void CWizPage2::StepProgress() { progressBar.StepIt(); }

void CWizPage2::DrainMessages() { platform::DrainMessageQueue(); }

bool CWizPage2::DeleteRangeChecked() { return GetDlgItem(wizard::kIdDeleteRange).GetCheck() != 0; }

bool CWizPage2::KeepPostOfficeChecked() { return GetDlgItem(wizard::kIdKeepPostOffice).GetCheck() != 0; }

void CWizPage2::ClearDeleteOptions(bool keepPostOfficeToo) {
  GetDlgItem(wizard::kIdDeleteRange).SetCheck(0);
  if (keepPostOfficeToo) GetDlgItem(wizard::kIdKeepPostOffice).SetCheck(0);
  OnDeleteRangeClicked();
}

void CWizPage2::LockWizard() {
  SetItemText(wizard::kIdHeading, Ansi("以下の金融機関の銀行・支店情報を更新しています..."));
  SetItemText(wizard::kIdInstruction, "");
  GetDlgItem(wizard::kIdDeleteRange).EnableWindow(false);
  GetDlgItem(wizard::kIdKeepPostOffice).EnableWindow(false);
  GetDlgItem(wizard::kIdProgress).ShowWindow(true);
  CPropertySheet* sheet = GetParentSheet();
  sheet->GetDlgItem(fw::kIdWizNext).EnableWindow(false);
  sheet->GetDlgItem(fw::kIdWizBack).EnableWindow(false);
  sheet->GetDlgItem(fw::kIdCancel).EnableWindow(false);
}

void CWizPage2::CloseWizardAfterwards() { GetParentSheet()->PostCommand(fw::kIdCancel); }
