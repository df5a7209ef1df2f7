// Reading values from the real registry (Wine's), written by the test itself.
#include <windows.h>

#include <gtest/gtest.h>

#include "install/registry.h"

namespace {

class RealRegistryTest : public ::testing::Test {
 protected:
  RealRegistryTest() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\UpdaterTests");
    Write("Software\\UpdaterTests\\Setup", "Dir", REG_SZ, std::string("C:\\App\\\0", 8));
    Write("Software\\UpdaterTests\\Setup", "NoNul", REG_SZ, "C:\\App");
    Write("Software\\UpdaterTests\\Setup", "Expand", REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11));
    Write("Software\\UpdaterTests\\Setup", "Binary", REG_BINARY, "\x01\x02\x03");
    Write("Software\\UpdaterTests\\Setup", "", REG_SZ, std::string("default\0", 8));
    Write("Software\\UpdaterTests\\Setup", "Large", REG_SZ, std::string(100000, 'x') + '\0');
    Write(Ansi("Software\\UpdaterTests\\共通\\SetUp"), "Dir", REG_SZ, Ansi("D:\\共通\\") + '\0');
  }
  ~RealRegistryTest() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\UpdaterTests"); }

  static void Write(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(k);
  }
};

}  // namespace

TEST_F(RealRegistryTest, ReadsStringValuesAndRefusesTheRest) {
  const std::string base = "HKEY_CURRENT_USER\\Software\\UpdaterTests\\Setup\\";
  struct Case {
    std::string path;
    std::string expected;
  } cases[] = {
      {base + "Dir", "C:\\App\\"},
      {base + "NoNul", "C:\\App"},
      {base + "Expand", "-"},  // not read, so not expanded
      {base + "Binary", "-"},
      {base + "Missing", "-"},
      {base, "default"},  // a final backslash names the key's unnamed value
      {"HKEY_CURRENT_USER\\Software\\UpdaterTests\\Nowhere\\Dir", "-"},
      {"HKEY_CURRENT_USER\\Software\\updatertests\\SETUP\\dir", "C:\\App\\"},
      {Ansi("HKEY_CURRENT_USER\\Software\\UpdaterTests\\共通\\SetUp\\Dir"), Ansi("D:\\共通\\")},
      {base + "Large", std::string(100000, 'x')},
  };
  for (const auto& c : cases) EXPECT_EQ(install::ReadRegistryString(c.path, "-"), c.expected) << c.path;
}
