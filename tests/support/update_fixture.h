// An installation for the update page's tests: a common folder with the
// master and the Home folder, the update page (and the completion page) open
// in the in-memory wizard, and helpers to write packages and read files.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "support/master_file.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"
#include "transaction/transaction_file.h"
#include "wizard/pages.h"

TransactionRecord BankRecord(int code, const char* kanaUtf8, const char* kanjiUtf8, app::OleDate date);
TransactionRecord BranchRecord(int bank, int branch, const char* kanaUtf8, const char* kanjiUtf8,
                               app::OleDate date);
TransactionRecord OtherRecord(int type);

class UpdateFixture : public MemoryUiTest {
 protected:
  UpdateFixture();
  ~UpdateFixture() override;

  // Writes a package with TransactionFile (names fitted to their fields).
  std::string WritePackage(const std::string& name, const std::vector<TransactionRecord>& records);
  // Opens the sheet with the update page first; its initialisation runs.
  void OpenUpdatePage();
  // The master opened as the run opens it.
  void OpenMaster();
  std::vector<std::string> Rows(const std::string& sql);  // master closed first
  std::string FileBytes(const std::string& path) const;

  TempDir dir;
  std::filesystem::path common;
  std::string masterPath, backupPath;
  UpdaterApp app;
  CWizPage2 page2;
  CWizPage3 page3;
  CPropertySheet sheet;
  std::unique_ptr<fw::memory::MemoryWizard> wizard;
};
