// The resource-script reader of the in-memory window backend on any text:
// it reads what it supports and refuses the rest with an error, never with
// a fault.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "resource_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fw::memory::ResourceScript script;
  try {
    fw::memory::ParseResourceScript(std::string_view(reinterpret_cast<const char*>(data), size), script);
  } catch (const std::runtime_error&) {
  }
  return 0;
}
