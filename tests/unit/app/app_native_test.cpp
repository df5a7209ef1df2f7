// Start-up against failures only the native stand-ins can stage.
#include <gtest/gtest.h>

#include "app/updater_app.h"
#include "platform/sim.h"
#include "support/memory_ui.h"

using AppNativeTest = MemoryUiTest;

TEST_F(AppNativeTest, FailedMutexCreationStillRunsTheWizard) {
  platform::sim::FailMutexCreation(true);
  UpdaterApp app;
  bool shown = false;
  ui.user = [&](fw::memory::MemoryWizard& w) {
    shown = true;
    w.RequestCancel();
  };
  AfxRunApplication();
  platform::sim::FailMutexCreation(false);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(platform::sim::OpenMutexHandleCount(), 0);
}

TEST_F(AppNativeTest, TeardownLeavesNoHandleOpen) {
  const int before = platform::sim::OpenMutexHandleCount();
  UpdaterApp app;
  ui.user = [](fw::memory::MemoryWizard& w) { w.PressCancel(); };
  AfxRunApplication();
  EXPECT_EQ(platform::sim::OpenMutexHandleCount(), before);
}
