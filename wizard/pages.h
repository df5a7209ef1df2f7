// The wizard's three pages.
#pragma once

#include "app/ole_date.h"
#include "app/text.h"
#include "framework/afx.h"

class CWizPage1 : public CPropertyPage {
 public:
  CWizPage1();
  bool OnSetActive() override;
  // The installation checks; -1 keeps the wizard here after one message.
  long OnWizardNext() override;

  // 1 when Norvik's version may be updated; otherwise its message is shown.
  int CheckProductVersion();
};

class CWizPage2 : public CPropertyPage {
 public:
  CWizPage2();
  void DoDataExchange() override;
  // Finds the package beside the updater and shows it.
  bool OnInitDialog() override;
  bool OnSetActive() override;
  bool OnQueryCancel() override;
  // The update run behind the "更新" button.
  long OnWizardNext() override;
  bool OnCommand(int id, unsigned notifyCode) override;

  // The date of the first record of the package at `path`.
  app::OleDate ReadPackageEdition(const Text& path);
  // 1 to go on; 0 when the user declines to update a current master.
  int ConfirmEditionDate();
  // The whole master into the backup file: 1 when every row was written.
  int BackupMaster();
  // The package into the master: 1 when all of it was applied.
  int MergePackage();

 private:
  int BackupMasterSteps();
  int MergePackageSteps();

 public:

  // Toggles whether the post-office check box may be used; runs on every
  // click on the delete-range check box.
  void OnDeleteRangeClicked();

  CProgressCtrl progressBar;
};

class CWizPage3 : public CPropertyPage {
 public:
  CWizPage3();
  bool OnSetActive() override;
};
