// Fakes of the user for the layers below the pages: they keep what a step
// tells or asks, show nothing, and answer questions from a queue.
#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "base/report.h"
#include "base/text.h"
#include "update/progress.h"
#include "update/update_run.h"

struct ShownMessage {
  unsigned id;
  unsigned style;
  bool operator==(const ShownMessage&) const = default;
};

inline void PrintTo(const ShownMessage& m, std::ostream* os) {
  *os << std::hex << "{0x" << m.id << ", 0x" << m.style << "}" << std::dec;
}

// Errors told in the engine's or the file layer's words.
class FakeReporter : public base::ErrorReporter {
 public:
  void ReportError(const Text& description) override { errors.push_back(description); }
  std::vector<Text> errors;
};

// Catalogue messages; a question gets the front of `answers`, or No (what
// Enter gives) when it is empty.
class FakeMessages : public base::CatalogueMessages {
 public:
  int ShowMessage(unsigned messageId, unsigned style) override;
  std::vector<ShownMessage> shown;
  std::deque<int> answers;
};

// The update page as the backup and the merge see it.
class FakeProgress : public update::Progress {
 public:
  void SetStatus(const Text& text) override { status = text; }
  void StartProgress(int upper) override {
    range = upper;
    steps = 0;
  }
  void StepProgress() override { ++steps; }
  // Runs what was posted, as the page's drain does.
  void DrainMessages() override;
  void ReportError(const Text& description) override { errors.push_back(description); }

  Text status;
  int range = -1;  // not started
  int steps = 0;
  int drains = 0;
  std::vector<Text> errors;
};

// The update page as the run sees it: the delete options as set here, every
// question answered Yes, and what the run told kept.
class FakeRunUi : public update::RunUi {
 public:
  int ShowMessage(unsigned messageId, unsigned style) override;
  void ReportError(const Text& description) override { errors.push_back(description); }
  void SetStatus(const Text&) override {}
  void StartProgress(int) override {}
  void StepProgress() override {}
  void DrainMessages() override {}
  bool DeleteRangeChecked() override { return deleteRange; }
  bool KeepPostOfficeChecked() override { return keepPostOffice; }
  void ClearDeleteOptions(bool keepPostOfficeToo) override;
  void LockWizard() override { locked = true; }
  void CloseWizardAfterwards() override { closed = true; }

  bool deleteRange = false;
  bool keepPostOffice = false;
  bool locked = false;
  bool closed = false;
  std::vector<ShownMessage> shown;
  std::vector<Text> errors;
};
