#include "install/guard.h"

#include "base/catalogue.h"
#include "platform/platform.h"

namespace install {
namespace {

struct RelatedProgram {
  const char* mutexName;
  unsigned message;
};

// Test order; only the first running program is reported.
constexpr RelatedProgram kRelatedPrograms[] = {
    {"hPrevInstanceNvk", catalogue::kMsgCloseNorvik},
    {"hPrevInstanceKlv", catalogue::kMsgCloseKelvane},
    {"hPrevInstancePlk", catalogue::kMsgClosePaylark},
};

}  // namespace

int IsRelatedProgramRunning(base::CatalogueMessages& messages) {
  for (const auto& program : kRelatedPrograms) {
    platform::Handle handle = platform::OpenNamedMutex(program.mutexName);
    if (handle != nullptr) {
      platform::CloseHandle(handle);
      messages.ShowMessage(program.message, catalogue::kStyleWarning);
      return 1;
    }
  }
  return 0;
}

}  // namespace install
