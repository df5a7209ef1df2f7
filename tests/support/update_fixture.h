// Installations for the update's tests: a common folder with an empty master
// and the Home folder, with helpers to write packages and read files back;
// the steps of the update run on a context of their own against a fake
// page, and the update page (with the completion page) open in the
// in-memory wizard.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_app.h"
#include "support/fake_user.h"
#include "support/master_file.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"
#include "transaction/transaction_file.h"
#include "update/update_context.h"
#include "wizard/pages.h"

TransactionRecord BankRecord(int code, const char* kanaUtf8, const char* kanjiUtf8, base::OleDate date);
TransactionRecord BranchRecord(int bank, int branch, const char* kanaUtf8, const char* kanjiUtf8,
                               base::OleDate date);
TransactionRecord OtherRecord(int type);

// Fixtures' members are public: a table of cases may stage a case on them.
class UpdateFiles {
 public:
  UpdateFiles();

  // Writes a package with TransactionFile (names fitted to their fields).
  std::string WritePackage(const std::string& name, const std::vector<TransactionRecord>& records);
  std::string WriteRecords(const std::string& path, const std::vector<TransactionRecord>& records);
  std::string FileBytes(const std::string& path) const;

  TempDir dir;
  std::filesystem::path common;
  std::string masterPath, backupPath;
};

// The backup and the merge as the run calls them, reporting to `page`.
class UpdateStepsTest : public ::testing::Test, public UpdateFiles {
 public:
  UpdateStepsTest();
  ~UpdateStepsTest() override;

  // The master opened as the run opens it.
  void OpenMaster();
  std::vector<std::string> Rows(const std::string& sql);  // master closed first

  update::UpdateContext context;
  FakeProgress page;
};

// Whole update runs against a fake page: a master of a few banks and their
// branches, the post office among them, a package that renames some rows
// and adds others, and an older backup where the new one will go.
class UpdateRunTest : public UpdateStepsTest {
 public:
  UpdateRunTest();

  // Puts the master and the older backup back as they were before any run.
  void Restore();
  // One run on a fresh context, its master closed afterwards: what the run
  // handler returned.
  long Run();
  // Every column of both tables in key order, as another program reads them.
  std::vector<std::string> MasterRows() const;

  FakeRunUi ui;
  std::string pristine;        // the master before any run
  std::string previousBackup;  // the bytes of the backup before any run
  std::vector<std::string> rowsBefore;
};

class UpdateFixture : public MemoryUiTest, protected UpdateFiles {
 protected:
  UpdateFixture();
  ~UpdateFixture() override;

  // Opens the sheet with the update page first; its initialisation runs.
  void OpenUpdatePage();
  // The master opened as the run opens it.
  void OpenMaster();
  std::vector<std::string> Rows(const std::string& sql);  // master closed first

  UpdaterApp app;
  CWizPage2 page2{app};
  CWizPage3 page3{app};
  CPropertySheet sheet;
  std::unique_ptr<fw::memory::MemoryWizard> wizard;
};
