// mkmaster [--force] PATH
//
// Creates an empty bank and branch master (tables TBANK and TBRAN) at PATH.
// An existing file is left alone unless --force is given; then it is
// replaced in one step.  Exit code 0 on success, 1 on failure, 2 on bad use.
#include <cstdio>
#include <cstring>
#include <string>

#include "masterdb/master_schema.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  bool force = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--force") == 0) {
      force = true;
    } else if (path == nullptr && argv[i][0] != '-') {
      path = argv[i];
    } else {
      path = nullptr;
      break;
    }
  }
  if (path == nullptr) {
    std::fprintf(stderr, "usage: mkmaster [--force] PATH\n"
                         "Creates an empty bank and branch master at PATH.\n");
    return 2;
  }
  const std::string error = masterdb::CreateMaster(platform::ProgramPath(path), force);
  if (!error.empty()) {
    std::fprintf(stderr, "mkmaster: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
