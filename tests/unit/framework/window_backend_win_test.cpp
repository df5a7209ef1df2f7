// The window backend suite on the real Win32 backend: a property sheet of
// comctl32 over the test exe's own copy of the dialog resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/backend.h"
#include "framework/win32_backend.h"
#include "support/window_backends.h"

namespace {

CPropertySheet* g_sheet = nullptr;
const std::function<void()>* g_body = nullptr;

// The modal sheet's own loop dispatches thread timers: the body runs once
// the sheet's window is there, and a cancel closes it.
void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  if (g_sheet == nullptr || !g_sheet->HasWindow()) return;  // not up yet: the next tick
  KillTimer(nullptr, timer);
  (*g_body)();
  g_sheet->PostCommand(IDCANCEL);
  g_sheet = nullptr;
}

void RunOnWin32Backend(CPropertySheet& sheet, const std::function<void()>& body) {
  fw::win32::Win32Backend backend(GetModuleHandleA(nullptr));
  fw::SetBackend(&backend);
  g_sheet = &sheet;
  g_body = &body;
  SetTimer(nullptr, 0, 20, &OnTimer);
  sheet.DoModal();
  g_sheet = nullptr;
  g_body = nullptr;
  fw::SetBackend(nullptr);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Win32, WindowBackendTest,
                         ::testing::Values(WindowBackend{"Win32", &RunOnWin32Backend}),
                         [](const auto& info) { return std::string(info.param.name); });
