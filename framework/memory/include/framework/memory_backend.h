// The in-memory window backend: the same framework API over control tables
// built from the resource scripts.  Tests drive it as a user would (press
// Next, click a check box, answer a message box) and read every control.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/afx.h"
#include "framework/backend.h"

namespace fw::memory {

struct ResourceScript;

struct ShownBox {
  std::string text;     // code page 932
  std::string caption;  // code page 932
  unsigned style = 0;
  bool owned = false;  // had an owner window (the wizard)
  int answer = 0;
};

struct Control {
  int id = 0;
  std::string className;
  std::uint32_t style = 0;
  std::string text;  // code page 932
  bool enabled = true;
  bool visible = true;
  int check = 0;
  // Progress bars only, with the control's own defaults.
  int rangeLow = 0, rangeHigh = 100, step = 10, pos = 0;

  bool IsAutoCheckBox() const;
  bool IsProgressBar() const;
};

// A window with children: a page, or the sheet with its four buttons.
class MemoryWindow : public virtual WindowPeer {
 public:
  std::string GetText() override { return text_; }
  void SetText(std::string_view text) override { text_ = std::string(text); }
  std::string GetItemText(int id) override { return Item(id).text; }
  void SetItemText(int id, std::string_view text) override { Item(id).text = std::string(text); }
  bool IsItemEnabled(int id) override { return Item(id).enabled; }
  void EnableItem(int id, bool enable) override { Item(id).enabled = enable; }
  bool IsItemVisible(int id) override { return Item(id).visible; }
  void ShowItem(int id, bool show) override { Item(id).visible = show; }
  int GetItemCheck(int id) override { return Item(id).check; }
  void SetItemCheck(int id, int state) override { Item(id).check = state; }
  std::intptr_t SendItemMessage(int id, unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

  // The first control with this identifier, in template order.  Throws
  // std::out_of_range when there is none: code that reaches for a control the
  // layout lacks is a fault the tests must see.
  Control& Item(int id);
  const std::vector<Control>& Controls() const { return controls_; }

 protected:
  std::string text_;
  std::vector<Control> controls_;
};

class MemoryBackend;

// A running wizard sheet.  The user-level operations refuse what a user
// could not do (pressing a disabled or hidden button).
class MemoryWizard : public MemoryWindow, public SheetPeer {
 public:
  MemoryWizard(MemoryBackend& backend, CPropertySheet& sheet);
  ~MemoryWizard() override;

  void SetWizardButtons(unsigned mask) override;
  void PostCommand(int id) override;

  // What a user does.  Each returns false when the user could not do it.
  bool PressNext();
  bool PressBack();
  bool PressFinish();
  bool PressCancel();
  bool ClickCheckBox(int id);  // on the active page
  // Escape or the window's close box: a cancel request however the buttons stand.
  void RequestCancel();

  bool IsClosed() const { return closed_; }
  int Result() const { return result_; }
  size_t ActivePageIndex() const { return active_; }
  CPropertyPage* ActivePage() const;
  MemoryWindow& PageWindow(size_t index);
  MemoryWindow& ActivePageWindow() { return PageWindow(active_); }
  bool ButtonUsable(int id);  // visible and enabled

 private:
  friend class MemoryBackend;
  void Start();
  void Activate(size_t index);
  void Close(int result);
  void HandleCommand(int id);

  MemoryBackend& backend_;
  CPropertySheet& sheet_;
  std::vector<std::unique_ptr<MemoryWindow>> pageWindows_;
  size_t active_ = 0;
  bool closed_ = false;
  int result_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class MemoryBackend : public Backend {
 public:
  // Resource scripts (UTF-8 text) that hold the string table and dialogs.
  explicit MemoryBackend(const std::vector<std::string_view>& resourceScripts);
  ~MemoryBackend() override;

  std::string LoadStringResource(unsigned id) override;
  int ShowMessageBox(WindowPeer* owner, const std::string& text, const std::string& caption,
                 unsigned style) override;
  int RunModalSheet(CPropertySheet& sheet) override;

  // Message boxes: answers are taken from the front of `answers`; when it is
  // empty the box gets its default button (what Enter gives).
  std::deque<int> answers;
  std::vector<ShownBox> boxes;
  // Runs just before a box returns its answer; lets a test act "while the
  // box is on the screen" (start another program, say).
  std::function<void(const ShownBox&)> onBox;

  // The user of a modal wizard: called whenever the wizard waits for input.
  std::function<void(MemoryWizard&)> user;

  // Opens a sheet without a modal loop, for tests that drive pages step by step.
  std::unique_ptr<MemoryWizard> OpenSheet(CPropertySheet& sheet);
  MemoryWizard* CurrentWizard() const { return current_; }

  std::unique_ptr<MemoryWindow> CreatePageWindow(unsigned templateId);
  const ResourceScript& Resources() const { return *resources_; }

 private:
  friend class MemoryWizard;
  std::unique_ptr<ResourceScript> resources_;
  MemoryWizard* current_ = nullptr;
};

// Default button of a message box style: what pressing Enter answers.
int DefaultAnswer(unsigned style);

}  // namespace fw::memory
