// The program's entry point: the framework's start-up around the one
// application object.
#include <windows.h>
#include <commctrl.h>

#include "framework/afx.h"
#include "framework/win32_backend.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  fw::win32::Win32Backend backend(instance);
  fw::SetBackend(&backend);
  const int code = AfxRunApplication();
  fw::SetBackend(nullptr);
  return code;
}
