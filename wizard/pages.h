// The wizard's three pages.
#pragma once

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
  bool OnSetActive() override;
  bool OnQueryCancel() override;
  bool OnCommand(int id, unsigned notifyCode) override;

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
