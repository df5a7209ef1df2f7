// The in-memory window backend, loaded with the program's own resource
// scripts, installed for the length of a test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "framework/memory_backend.h"

std::vector<std::string_view> ProgramResourceScripts();

class MemoryUiTest : public ::testing::Test {
 protected:
  MemoryUiTest();
  ~MemoryUiTest() override;

  fw::memory::MemoryBackend ui{ProgramResourceScripts()};
};
