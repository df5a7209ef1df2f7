// A small UI driver for end-to-end tests under Wine: starts the updater,
// finds its wizard and message boxes, reads what they show, presses their
// buttons as a user would, and takes screenshots.  Not part of the product.
//
// Texts come back as UTF-8.  Reading another process's controls never uses a
// plain SendMessage: a busy target would hang the driver.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

std::wstring Widen(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
// "/tmp/x" -> "Z:\\tmp\\x"; a Windows path is returned unchanged.
std::string WindowsPath(const std::string& path);

class Process {
 public:
  // Starts `exe` (a Windows or Unix path) with the given working directory
  // (empty: the exe's own directory).
  static Process Start(const std::string& exe, const std::string& workDir = "");
  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();  // kills the process if it still runs

  DWORD Pid() const { return pid_; }
  bool Running() const;
  // true when the process ended within `ms`; its exit code in `code`.
  bool WaitExit(DWORD ms, DWORD* code = nullptr);
  void Kill();
  // Lets the process run on after this object is gone.
  void Detach();

 private:
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// The process id of a running program by its file name ("X.exe"); 0 if none.
DWORD FindProcess(const std::string& imageName);

// Waits until `condition` holds, polling; false when `ms` ran out.
template <typename F>
bool WaitUntil(F condition, DWORD ms) {
  const DWORD start = GetTickCount();
  while (true) {
    if (condition()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(20);
  }
}

// The wizard: a visible top-level dialog of `pid` with a Next button.
HWND FindWizard(DWORD pid);
HWND WaitForWizard(DWORD pid, DWORD ms);
// A message box: a visible top-level dialog of `pid` that is not the wizard.
HWND FindMessageBox(DWORD pid);
HWND WaitForMessageBox(DWORD pid, DWORD ms);

std::string TextOf(HWND window);
// The control with `id` (0xFFFF: the first one without an identifier).
HWND Control(HWND parent, int id);
bool Enabled(HWND window);
bool Visible(HWND window);  // its own WS_VISIBLE bit
int Checked(HWND checkBox);  // -1 when the target does not answer
int ProgressPos(HWND bar);
int ProgressMax(HWND bar);

// The wizard's active page and its index among the pages.
HWND ActivePage(HWND wizard);
int ActivePageIndex(HWND wizard);

struct ButtonInfo {
  int id;
  std::string text;
};

struct BoxInfo {
  std::string caption;
  std::string text;
  std::string icon;  // "stop", "exclamation", "question", "information" or ""
  std::vector<ButtonInfo> buttons;
  int defaultButton = 0;
  HWND owner = nullptr;
};
BoxInfo ReadBox(HWND box);
// As ReadBox, once the box has painted its icon (a box read the moment it
// appears may not have drawn it yet); gives up after `ms`.
BoxInfo ReadPaintedBox(HWND box, DWORD ms = 5000);

// Presses a button as a user could: refused (false) when the button or its
// top-level window is disabled or the button is hidden.
bool Press(HWND button);
bool Press(HWND parent, int id);
bool ClickCheckBox(HWND page, int id);
// Answers a message box with IDOK, IDYES, IDNO...
bool Answer(HWND box, int id);
// Escape and the title bar's close box: cancel requests that bypass the
// Cancel button.
void SendEscape(HWND window);
void CloseFromFrame(HWND window);

// The whole screen (the virtual desktop) as a PNG file.
bool Screenshot(const std::string& pngPath);

}  // namespace uidriver
