// uidriver: the UI driver as a command for scripts and for trying things by
// hand under Wine.  Output is in the ANSI code page, like every console
// program of the system.  Exit code 0: done; 1: not found or refused; 2: usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "uidriver.h"

using namespace uidriver;

namespace {

void Print(const std::string& utf8) {
  const std::wstring w = Widen(utf8 + "\n");
  const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
}

int Usage() {
  Print(
      "usage: uidriver COMMAND ...\n"
      "  start EXE                       start a program and print its process id\n"
      "  wait-wizard [MS]                wait for the updater's wizard\n"
      "  wizard                          print the wizard's title, buttons and active page\n"
      "  wait-page INDEX [MS]            wait until the wizard shows page INDEX (0, 1, 2)\n"
      "  press back|next|finish|cancel   press a wizard button as a user would\n"
      "  check ID                        click a check box of the active page\n"
      "  escape | close                  Escape key / the title bar's close box\n"
      "  wait-box [MS]                   wait for a message box of the updater\n"
      "  box                             print the message box\n"
      "  answer ok|yes|no                answer the message box\n"
      "  wait-exit [MS]                  wait until the updater has ended\n"
      "  screenshot FILE.png             the whole virtual screen\n"
      "  hold-mutex NAME [SECONDS]       create a named mutex and hold it (default: until stdin closes)\n"
      "options: --exe NAME (default BankMasterUpdater.exe) names the program to drive");
  return 2;
}

const char* OnOff(bool b) { return b ? "enabled" : "disabled"; }

void PrintControls(HWND parent) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(c, cls, 64);
    std::string line = "  control " + std::to_string(GetDlgCtrlID(c)) + " " + Utf8(cls) + " " +
                       OnOff(Enabled(c)) + (Visible(c) ? " visible" : " hidden");
    if (_wcsicmp(cls, L"Button") == 0) line += Checked(c) == 1 ? " checked" : " unchecked";
    if (_wcsicmp(cls, L"msctls_progress32") == 0)
      line += " pos=" + std::to_string(ProgressPos(c)) + "/" + std::to_string(ProgressMax(c));
    Print(line + " \"" + TextOf(c) + "\"");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string exeName = "BankMasterUpdater.exe";
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--exe" && i + 1 < argc)
      exeName = argv[++i];
    else
      args.push_back(a);
  }
  if (args.empty()) return Usage();
  const std::string& cmd = args[0];
  auto arg = [&](size_t i, const char* fallback) { return args.size() > i ? args[i] : std::string(fallback); };
  auto ms = [&](size_t i) { return static_cast<DWORD>(std::stoul(arg(i, "15000"))); };
  auto pid = [&] { return FindProcess(exeName); };

  if (cmd == "start") {
    if (args.size() < 2) return Usage();
    Process p = Process::Start(args[1]);
    if (p.Pid() == 0) return 1;
    Print(std::to_string(p.Pid()));
    p.Detach();
    return 0;
  }
  if (cmd == "wait-wizard") {
    HWND w = nullptr;
    WaitUntil([&] { return pid() != 0 && (w = FindWizard(pid())) != nullptr; }, ms(1));
    return w ? 0 : 1;
  }
  if (cmd == "wizard") {
    HWND w = pid() ? FindWizard(pid()) : nullptr;
    if (!w) return 1;
    Print("title \"" + TextOf(w) + "\"");
    Print("page " + std::to_string(ActivePageIndex(w)));
    for (int id : {0x3023, 0x3024, 0x3025, IDCANCEL}) {
      HWND b = Control(w, id);
      Print("  button " + std::to_string(id) + " " + OnOff(Enabled(b)) + (Visible(b) ? " visible" : " hidden") +
            " \"" + TextOf(b) + "\"");
    }
    if (HWND page = ActivePage(w)) PrintControls(page);
    return 0;
  }
  if (cmd == "wait-page") {
    const int index = std::stoi(arg(1, "0"));
    return WaitUntil([&] {
             HWND w = pid() ? FindWizard(pid()) : nullptr;
             return w && ActivePageIndex(w) == index;
           }, ms(2)) ? 0 : 1;
  }
  if (cmd == "press") {
    const std::string which = arg(1, "");
    const int id = which == "back" ? 0x3023 : which == "next" ? 0x3024 : which == "finish" ? 0x3025
                 : which == "cancel" ? IDCANCEL : 0;
    HWND w = pid() ? FindWizard(pid()) : nullptr;
    return id && w && Press(w, id) ? 0 : 1;
  }
  if (cmd == "check") {
    HWND w = pid() ? FindWizard(pid()) : nullptr;
    return w && ClickCheckBox(ActivePage(w), std::stoi(arg(1, "0"))) ? 0 : 1;
  }
  if (cmd == "escape" || cmd == "close") {
    HWND w = pid() ? FindWizard(pid()) : nullptr;
    if (!w) return 1;
    cmd == "escape" ? SendEscape(w) : CloseFromFrame(w);
    return 0;
  }
  if (cmd == "wait-box") {
    HWND b = nullptr;
    WaitUntil([&] { return pid() != 0 && (b = FindMessageBox(pid())) != nullptr; }, ms(1));
    return b ? 0 : 1;
  }
  if (cmd == "box") {
    HWND b = pid() ? FindMessageBox(pid()) : nullptr;
    if (!b) return 1;
    BoxInfo info = ReadPaintedBox(b);
    Print("caption \"" + info.caption + "\"");
    Print("text \"" + info.text + "\"");
    Print("icon " + (info.icon.empty() ? std::string("none") : info.icon));
    for (const auto& button : info.buttons) Print("  button " + std::to_string(button.id) + " \"" + button.text + "\"");
    Print("default " + std::to_string(info.defaultButton));
    Print(std::string("owner ") + (info.owner ? "wizard" : "none"));
    return 0;
  }
  if (cmd == "answer") {
    const std::string which = arg(1, "");
    const int id = which == "ok" ? IDOK : which == "yes" ? IDYES : which == "no" ? IDNO : 0;
    HWND b = pid() ? FindMessageBox(pid()) : nullptr;
    return id && b && Answer(b, id) ? 0 : 1;
  }
  if (cmd == "wait-exit") return WaitUntil([&] { return pid() == 0; }, ms(1)) ? 0 : 1;
  if (cmd == "screenshot") return args.size() > 1 && Screenshot(args[1]) ? 0 : 1;
  if (cmd == "hold-mutex") {
    if (args.size() < 2) return Usage();
    HANDLE m = CreateMutexA(nullptr, FALSE, args[1].c_str());
    if (!m) return 1;
    Print("holding " + args[1]);
    if (args.size() > 2) {
      Sleep(static_cast<DWORD>(std::stod(args[2]) * 1000));
    } else {
      char buf[256];
      while (fread(buf, 1, sizeof buf, stdin) > 0) {
      }
    }
    CloseHandle(m);
    return 0;
  }
  return Usage();
}
