#include "wizard/pages.h"
#include "wizard/resource_ids.h"

CWizPage3::CWizPage3(update::UpdateContext& context)
    : CPropertyPage(wizard::kCompletionTemplate), context_(context) {}

bool CWizPage3::OnSetActive() {
  CPropertySheet* sheet = GetParentSheet();
  sheet->SetWizardButtons(fw::kWizFinish);
  if (context_.updateResult == 0) {
    sheet->GetDlgItem(fw::kIdWizFinish).SetText(Ansi("閉じる"));
    SetItemText(wizard::kIdResultHeading, Ansi("更新処理は失敗しました。"));
    SetItemText(wizard::kIdClosingLine, Ansi("「閉じる」をクリックするとプログラムは終了します。"));
  }
  return CPropertyPage::OnSetActive();
}
