// The application object: start-up and shutdown, and the update context
// that every page and step shares (it derives from it).  Its operations over
// the installation and the master are the entry points of the layers below;
// each forwards to its layer and shows what that layer reports in a message
// box.
#pragma once

#include <cstdint>

#include "base/ole_date.h"
#include "base/report.h"
#include "base/text.h"
#include "framework/afx.h"
#include "masterdb/dao.h"
#include "update/update_context.h"


class UpdaterApp : public CWinApp,
                   public update::UpdateContext,
                   public base::CatalogueMessages,
                   public base::ErrorReporter {
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
  base::OleDate ReadFirstEditionDate();
  int DeleteRows(const Text& table, const Text& whereClause);
  int RequerySet(CDaoRecordset* set);
  int AddNewRow(CDaoRecordset* set);
  int EditRow(CDaoRecordset* set);
  int UpdateRow(CDaoRecordset* set);

  // How the layers' reports reach the user: message boxes under the title.
  int ShowMessage(unsigned messageId, unsigned style) override;
  void ReportError(const Text& description) override;
};

// The current application, as the framework knows it.
UpdaterApp* App();

// The single-instance mutex's name.
inline constexpr const char* kInstanceMutexName = "TOLMARKEB_APP_MORVATEX";
