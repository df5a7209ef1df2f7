// What the framework needs of a window system.  Implemented by the Win32
// backend (framework/win32) and the in-memory backend (framework/memory).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CPropertySheet;

namespace fw {

// The backend side of one window (a page or the sheet) and its children.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;

  virtual std::string GetText() = 0;
  virtual void SetText(std::string_view text) = 0;

  virtual std::string GetItemText(int id) = 0;
  virtual void SetItemText(int id, std::string_view text) = 0;
  virtual bool IsItemEnabled(int id) = 0;
  virtual void EnableItem(int id, bool enable) = 0;
  virtual bool IsItemVisible(int id) = 0;
  virtual void ShowItem(int id, bool show) = 0;
  virtual int GetItemCheck(int id) = 0;
  virtual void SetItemCheck(int id, int state) = 0;
  virtual std::intptr_t SendItemMessage(int id, unsigned msg, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
};

class SheetPeer : public virtual WindowPeer {
 public:
  virtual void SetWizardButtons(unsigned mask) = 0;
  virtual void PostCommand(int id) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::string LoadStringResource(unsigned id) = 0;
  // `owner` is null for a box without an owner window.
  virtual int ShowMessageBox(WindowPeer* owner, const std::string& text, const std::string& caption,
                         unsigned style) = 0;
  virtual int RunModalSheet(CPropertySheet& sheet) = 0;
};

// The backend in use; set once by the program's entry point or by a test.
void SetBackend(Backend* backend);
Backend& GetBackend();

}  // namespace fw
