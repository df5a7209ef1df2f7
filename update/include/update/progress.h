// What the long steps of the update need of the page while they run: the
// status line, the progress bar, the window kept alive, and the user told
// of a database or file error.  The update page implements it on top of
// its controls; the steps never touch a window.
#pragma once

#include "base/report.h"
#include "base/text.h"

namespace update {

class Progress : public base::ErrorReporter {
 public:
  // The status line (control 1004).
  virtual void SetStatus(const Text& text) = 0;
  // The bar: range 0 to `upper` (the control keeps 16 bits of it), step 1,
  // position 0, in that order.
  virtual void StartProgress(int upper) = 0;
  // The bar one step on.
  virtual void StepProgress() = 0;
  // Every pending window message dispatched, so that the window paints and
  // the bar moves while the one thread is busy.
  virtual void DrainMessages() = 0;

 protected:
  ~Progress() = default;
};

}  // namespace update
