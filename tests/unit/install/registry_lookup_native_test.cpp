// Reading values through the native build's registry stand-in, where a test
// can stage what a real registry rarely shows: denied keys, values changed
// between the two reads, and the count of open keys.
#include <gtest/gtest.h>

#include "install/registry.h"
#include "platform/platform.h"
#include "platform/sim.h"

namespace {

const std::uintptr_t kHkcu = platform::kHkeyCurrentUser;
const char kPath[] = "HKEY_CURRENT_USER\\Software\\TolmarkEB\\Norvik\\Setup\\Dir";

class RegistryLookupTest : public ::testing::Test {
 protected:
  RegistryLookupTest() { platform::sim::ClearRegistry(); }
  ~RegistryLookupTest() override {
    EXPECT_EQ(platform::sim::OpenRegistryKeyCount(), 0) << "a key was left open";
    platform::sim::OnRegistryDataQuery(nullptr);
    platform::sim::ClearRegistry();
  }
  void Set(std::uint32_t type, const std::string& data) {
    platform::sim::SetRegistryValue(kHkcu, "Software\\TolmarkEB\\Norvik\\Setup", "Dir", type,
                                    data);
  }
  Text Read() { return install::ReadRegistryString(kPath, "default"); }
};

}  // namespace

TEST_F(RegistryLookupTest, StringValuesOnly) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string data;
    Text expected;
  } cases[] = {
      {"REG_SZ", 1, std::string("C:\\App\\\0", 8), "C:\\App\\"},
      {"REG_SZ without its NUL", 1, "C:\\App", "C:\\App"},
      {"REG_SZ with bytes after the NUL", 1, std::string("C:\\A\0junk", 9), "C:\\A"},
      {"empty REG_SZ", 1, std::string("\0", 1), ""},
      {"REG_EXPAND_SZ is not read or expanded", 2, std::string("%APPDATA%\\App\0", 14), "default"},
      {"REG_BINARY", 3, "\x01\x02", "default"},
      {"REG_DWORD", 4, std::string("\x01\0\0\0", 4), "default"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Set(c.type, c.data);
    EXPECT_EQ(Read(), c.expected);
  }
}

TEST_F(RegistryLookupTest, KeyNamesIgnoreCase) {
  platform::sim::SetRegistryValue(kHkcu, Ansi("Software\\TolmarkEB\\共通\\SetUp"), "Dir", 1,
                                  std::string("D:\\Common\0", 10));
  EXPECT_EQ(install::ReadRegistryString(Ansi("HKEY_CURRENT_USER\\software\\tolmarkeb\\共通\\setup\\DIR"), ""),
            "D:\\Common");
}

TEST_F(RegistryLookupTest, EveryFailureGivesTheDefault) {
  EXPECT_EQ(Read(), "default");  // no key
  platform::sim::SetRegistryValue(kHkcu, "Software\\TolmarkEB\\Norvik\\Setup", "Other", 1, "x");
  EXPECT_EQ(Read(), "default");  // no value
  Set(1, "C:\\App");
  platform::sim::DenyRegistryKey(kHkcu, "Software\\TolmarkEB\\Norvik\\Setup");
  EXPECT_EQ(Read(), "default");  // no read access
}

TEST_F(RegistryLookupTest, ValueChangedBetweenTheReads) {
  // Grown: the data no longer fits what the first read measured.
  Set(1, "C:\\App");
  platform::sim::OnRegistryDataQuery([&] { Set(1, "C:\\A much longer directory name"); });
  EXPECT_EQ(Read(), "default");
  // Replaced by another type.
  Set(1, "C:\\App");
  platform::sim::OnRegistryDataQuery([&] { Set(2, "C:\\App"); });
  EXPECT_EQ(Read(), "default");
  // Removed.
  platform::sim::OnRegistryDataQuery([&] { platform::sim::ClearRegistry(); });
  Set(1, "C:\\App");
  EXPECT_EQ(Read(), "default");
}
