#include "app/updater_app.h"

#include "base/catalogue.h"
#include "install/guard.h"
#include "install/installation_checks.h"
#include "install/registry.h"
#include "masterdb/master_operations.h"
#include "wizard/pages.h"

UpdaterApp::UpdaterApp() : CWinApp(nullptr) {}

// The database object, the record sets and the mutex are gone by the end of
// InitInstance; what is left to free here is the context's texts.
UpdaterApp::~UpdaterApp() = default;

UpdaterApp* App() { return static_cast<UpdaterApp*>(AfxGetApp()); }

bool UpdaterApp::InitInstance() {
  if (ClaimSingleInstance() != 1) return false;

  database = std::make_unique<CDaoDatabase>();

  CPropertySheet sheet;
  auto page1 = std::make_unique<CWizPage1>(*this);
  auto page2 = std::make_unique<CWizPage2>(*this);
  auto page3 = std::make_unique<CWizPage3>(*this);
  m_pMainWnd = &sheet;
  sheet.AddPage(page1.get());
  sheet.AddPage(page2.get());
  sheet.AddPage(page3.get());
  sheet.m_psh.dwFlags |= fw::kPshWizard;

  sheet.DoModal();  // Finish and Cancel end the same way

  page3.reset();
  page2.reset();
  page1.reset();
  CloseMasterDatabase();
  database.reset();
  platform::CloseHandle(instanceMutex);
  instanceMutex = nullptr;
  return false;
}

int UpdaterApp::ClaimSingleInstance() {
  instanceMutex = platform::OpenNamedMutex(kInstanceMutexName);
  bool anotherCopy = instanceMutex != nullptr;
  if (!anotherCopy) {
    instanceMutex = platform::CreateNamedMutex(kInstanceMutexName, &anotherCopy);
    // A copy that created the mutex between our open and our create is
    // running too: without this test both would go on.
  }
  if (anotherCopy) {
    platform::CloseHandle(instanceMutex);
    instanceMutex = nullptr;
    ShowMessage(catalogue::kMsgAlreadyRunning, catalogue::kStyleStop);
    return 0;
  }
  // A failed creation is not fatal: the run goes on, unguarded.
  return 1;
}

int UpdaterApp::IsRelatedProgramRunning() { return install::IsRelatedProgramRunning(*this); }

Text UpdaterApp::ReadRegistryString(const Text& path, const Text& defaultValue) {
  return install::ReadRegistryString(path, defaultValue);
}

int UpdaterApp::ReadFileVersion(Text path, std::uint32_t& versionMS, std::uint32_t& versionLS) {
  return install::ReadFileVersion(std::move(path), versionMS, versionLS);
}

int UpdaterApp::OpenMasterDatabase() { return update::OpenMasterDatabase(*this, *this); }

void UpdaterApp::CloseMasterDatabase() { update::CloseMasterDatabase(*this, *this); }

std::int32_t UpdaterApp::CountRows(const Text& table) { return masterdb::CountRows(database.get(), table, *this); }

base::OleDate UpdaterApp::ReadFirstEditionDate() {
  return masterdb::ReadFirstEditionDate(database.get(), rangeClause, *this);
}

int UpdaterApp::DeleteRows(const Text& table, const Text& whereClause) {
  return masterdb::DeleteRows(database.get(), table, whereClause, *this);
}

int UpdaterApp::RequerySet(CDaoRecordset* set) { return masterdb::RequerySet(set, *this); }
int UpdaterApp::AddNewRow(CDaoRecordset* set) { return masterdb::AddNewRow(set, *this); }
int UpdaterApp::EditRow(CDaoRecordset* set) { return masterdb::EditRow(set, *this); }
int UpdaterApp::UpdateRow(CDaoRecordset* set) { return masterdb::UpdateRow(set, *this); }

int UpdaterApp::ShowMessage(unsigned messageId, unsigned style) { return AfxMessageBox(messageId, style); }

void UpdaterApp::ReportError(const Text& description) { AfxMessageBox(description, 0); }
