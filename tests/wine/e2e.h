// Shared pieces of the end-to-end tests: where the updater is, where the
// screenshots go, and a started updater that is killed if a test fails.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "uidriver.h"

namespace e2e {

// Set by CTest (see tests/wine/CMakeLists.txt).
inline std::string UpdaterExe() {
  const char* p = std::getenv("UPDATER_EXE");
  return p ? p : "";
}

// Saves a screenshot of the virtual display under the artifacts folder.
inline void Snapshot(const std::string& name) {
  const char* dir = std::getenv("ARTIFACTS_DIR");
  if (dir == nullptr) return;
  uidriver::Screenshot(std::string(dir) + "/" + name + ".png");
}

constexpr DWORD kStartTimeout = 20000;
constexpr DWORD kStepTimeout = 10000;

// Reads a text once the target has settled on `expected`, or the last one read.
inline std::string SettledText(HWND window, const std::string& expected) {
  std::string text;
  uidriver::WaitUntil([&] { return (text = uidriver::TextOf(window)) == expected; }, kStepTimeout);
  return text;
}

}  // namespace e2e
