// The Win32 backend: the real comctl32 property sheet over the exe's dialog
// resources, real message boxes and the exe's string table.
#pragma once

#include <windows.h>

#include "framework/backend.h"

namespace fw::win32 {

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(HINSTANCE resources) : resources_(resources) {}

  std::string LoadStringResource(unsigned id) override;
  int ShowMessageBox(WindowPeer* owner, const std::string& text, const std::string& caption,
                 unsigned style) override;
  int RunModalSheet(CPropertySheet& sheet) override;

 private:
  HINSTANCE resources_;
};

// The window handle behind a peer of this backend (nullptr for others).
HWND WindowOf(WindowPeer* peer);

}  // namespace fw::win32
