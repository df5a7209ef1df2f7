#include "install/installation_checks.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

CWizPage1::CWizPage1(update::UpdateContext& context)
    : CPropertyPage(wizard::kWelcomeTemplate), context_(context) {}

bool CWizPage1::OnSetActive() {
  CPropertySheet* sheet = GetParentSheet();
  sheet->SetWizardButtons(fw::kWizNext);
  sheet->SetTitle(Ansi("銀行・支店情報の更新"));
  // Back from the update page: put back the label that page replaced.
  sheet->GetDlgItem(fw::kIdWizNext).SetText(Ansi("次へ(&N)"));
  return CPropertyPage::OnSetActive();
}

long CWizPage1::OnWizardNext() {
  const install::InstallationPaths paths{context_.productDir, context_.productExePath, context_.commonDir,
                                         context_.databasePath, context_.backupPath};
  if (install::CheckInstallation(paths, *this) != 1) return -1;
  return CPropertyPage::OnWizardNext();
}

int CWizPage1::CheckProductVersion() { return install::CheckProductVersion(context_.productExePath, *this); }

int CWizPage1::ShowMessage(unsigned messageId, unsigned style) { return AfxMessageBox(messageId, style); }
