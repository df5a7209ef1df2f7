// The wizard's three pages.  Each is given the update context; its handlers
// gather what a step needs from the controls and the context, call the
// step's one function in the layer below, and show its result.  The pages
// are also how those layers speak to the user: they implement the layers'
// interfaces on top of the framework's message boxes and controls.
#pragma once

#include "base/ole_date.h"
#include "base/report.h"
#include "base/text.h"
#include "framework/afx.h"
#include "update/update_context.h"
#include "update/update_run.h"

class CWizPage1 : public CPropertyPage, public base::CatalogueMessages {
 public:
  explicit CWizPage1(update::UpdateContext& context);
  bool OnSetActive() override;
  // The installation checks; -1 keeps the wizard here after one message.
  long OnWizardNext() override;

  // 1 when Norvik's version may be updated; otherwise its message is shown.
  int CheckProductVersion();

  // A catalogue message in a box owned by the wizard.
  int ShowMessage(unsigned messageId, unsigned style) override;

 private:
  update::UpdateContext& context_;
};

class CWizPage2 : public CPropertyPage, public update::RunUi {
 public:
  explicit CWizPage2(update::UpdateContext& context);
  void DoDataExchange() override;
  // Finds the package beside the updater and shows it.
  bool OnInitDialog() override;
  bool OnSetActive() override;
  bool OnQueryCancel() override;
  // The update run behind the "更新" button.
  long OnWizardNext() override;
  bool OnCommand(int id, unsigned notifyCode) override;

  // The date of the first record of the package at `path`.
  base::OleDate ReadPackageEdition(const Text& path);
  // 1 to go on; 0 when the user declines to update a current master.
  int ConfirmEditionDate();
  // The whole master into the backup file: 1 when every row was written.
  int BackupMaster();
  // The package into the master: 1 when all of it was applied.
  int MergePackage();

  // Toggles whether the post-office check box may be used; runs on every
  // click on the delete-range check box.
  void OnDeleteRangeClicked();

  CProgressCtrl progressBar;

  // What the run and its steps need of the page (update::RunUi).
  int ShowMessage(unsigned messageId, unsigned style) override;
  void ReportError(const Text& description) override;
  void SetStatus(const Text& text) override;
  void StartProgress(int upper) override;
  void StepProgress() override;
  void DrainMessages() override;
  bool DeleteRangeChecked() override;
  bool KeepPostOfficeChecked() override;
  void ClearDeleteOptions(bool keepPostOfficeToo) override;
  void LockWizard() override;
  void CloseWizardAfterwards() override;

 private:
  update::UpdateContext& context_;
};

class CWizPage3 : public CPropertyPage {
 public:
  explicit CWizPage3(update::UpdateContext& context);
  bool OnSetActive() override;

 private:
  update::UpdateContext& context_;
};
