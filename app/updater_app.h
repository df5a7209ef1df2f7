// The application object: start-up and shutdown, and the update context that
// every page and step shares.  Its operations are defined beside the code of
// their subsystem (install/, masterdb/, ...); this header gathers them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/ole_date.h"
#include "framework/afx.h"
#include "platform/platform.h"

class CDaoDatabase;
class CDaoRecordset;
class CBankSet;
class CBranSet;

#include "app/text.h"

class UpdaterApp : public CWinApp {
 public:
  UpdaterApp();
  ~UpdaterApp() override;

  bool InitInstance() override;

  // Start-up: 1 when this process may run and holds the instance mutex;
  // 0 when another copy runs (message already shown).
  int ClaimSingleInstance();

  // Running-program guard: 1 when Norvik, Kelvane or Paylark runs (its
  // message already shown), else 0.
  int IsRelatedProgramRunning();

  // Registry and version probes of the installation checks.
  Text ReadRegistryString(const Text& path, const Text& defaultValue);
  int ReadFileVersion(Text path, std::uint32_t& versionMS, std::uint32_t& versionLS);

  // Master database operations.  Each reports its own errors and returns 0.
  int OpenMasterDatabase();
  void CloseMasterDatabase();
  std::int32_t CountRows(const Text& table);
  app::OleDate ReadFirstEditionDate();
  int DeleteRows(const Text& table, const Text& whereClause);
  int RequerySet(CDaoRecordset* set);
  int AddNewRow(CDaoRecordset* set);
  int EditRow(CDaoRecordset* set);
  int UpdateRow(CDaoRecordset* set);

  // ---- The update context, in declaration order -------------------------------
  std::int32_t updating = 0;
  app::OleDate packageEdition;  // 0.0, valid
  std::int32_t updateResult = 0;
  Text rangeClause;
  Text rangeClauseKeepPostOffice;
  std::int32_t keepPostOfficeEnabled = 0;
  Text packagePath;
  std::unique_ptr<CBranSet> branchSet;
  std::unique_ptr<CBankSet> bankSet;
  std::unique_ptr<CDaoDatabase> database;
  Text backupPath;
  Text commonDir;
  Text productExePath;
  Text databasePath;
  Text productDir;
  platform::Handle instanceMutex = nullptr;
};

// The current application, as every page and step reaches it.
UpdaterApp* App();

// The single-instance mutex's name.
inline constexpr const char* kInstanceMutexName = "TOLMARKEB_APP_MORVATEX";
