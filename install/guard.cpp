// The guard against updating while Norvik or a sibling program runs.  Each
// program announces itself with a named mutex; its existence is the signal.
#include "app/messages.h"
#include "app/updater_app.h"

namespace {

struct RelatedProgram {
  const char* mutexName;
  unsigned message;
};

// Test order; only the first running program is reported.
constexpr RelatedProgram kRelatedPrograms[] = {
    {"hPrevInstanceNvk", app::kMsgCloseNorvik},
    {"hPrevInstanceKlv", app::kMsgCloseKelvane},
    {"hPrevInstancePlk", app::kMsgClosePaylark},
};

}  // namespace

int UpdaterApp::IsRelatedProgramRunning() {
  for (const auto& program : kRelatedPrograms) {
    platform::Handle handle = platform::OpenNamedMutex(program.mutexName);
    if (handle != nullptr) {
      platform::CloseHandle(handle);
      AfxMessageBox(program.message, app::kStyleWarning);
      return 1;
    }
  }
  return 0;
}
