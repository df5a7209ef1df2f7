#include "app/updater_app.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

CWizPage1::CWizPage1() : CPropertyPage(wizard::kWelcomeTemplate) {}

bool CWizPage1::OnSetActive() {
  CPropertySheet* sheet = GetParentSheet();
  sheet->SetWizardButtons(fw::kWizNext);
  sheet->SetTitle(Ansi("銀行・支店情報の更新"));
  // Back from the update page: put back the label that page replaced.
  sheet->GetDlgItem(fw::kIdWizNext).SetText(Ansi("次へ(&N)"));
  return CPropertyPage::OnSetActive();
}
