#include "app/updater_app.h"

#include "app/messages.h"
#include "masterdb/dao.h"
#include "masterdb/record_sets.h"
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
  auto page1 = std::make_unique<CWizPage1>();
  auto page2 = std::make_unique<CWizPage2>();
  auto page3 = std::make_unique<CWizPage3>();
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
    AfxMessageBox(app::kMsgAlreadyRunning, app::kStyleStop);
    return 0;
  }
  // A failed creation is not fatal: the run goes on, unguarded.
  return 1;
}
