// The update run behind the update page's "更新" button: confirm a range
// deletion, make sure nothing related runs, open the master, ask before
// updating a master that is already current, lock the wizard, back up,
// delete the range when asked, merge, and record the result.
#pragma once

#include "base/report.h"
#include "update/progress.h"
#include "update/update_context.h"

namespace update {

// What the run needs of the update page beyond the progress of its steps.
class RunUi : public Progress, public base::CatalogueMessages {
 public:
  // The two delete options as the user left them.
  virtual bool DeleteRangeChecked() = 0;
  virtual bool KeepPostOfficeChecked() = 0;
  // After a declined delete confirmation: the delete box unchecked (and the
  // post-office box too, when `keepPostOfficeToo`), and the post-office box
  // disabled again as its toggle does it.
  virtual void ClearDeleteOptions(bool keepPostOfficeToo) = 0;
  // From here on messages are dispatched between records: everything that
  // could start anything is disabled and the bar shown.
  virtual void LockWizard() = 0;
  // The wizard closes as a cancel closes it, once the run has returned.
  virtual void CloseWizardAfterwards() = 0;

 protected:
  ~RunUi() = default;
};

// The whole run.  -1 keeps the wizard on the update page (a declined
// deletion, a related program running); 0 lets it go on to the completion
// page, which shows updateResult.
long RunUpdate(UpdateContext& context, RunUi& ui);

}  // namespace update
