// Splitting registry paths: pure logic, the same in both builds.
#include <gtest/gtest.h>

#include "base/text.h"
#include "install/registry.h"
#include "platform/platform.h"

namespace {

struct SplitCase {
  const char* name;
  std::string path;  // code page 932
  int ok;
  std::uintptr_t root;
  std::string subKey, valueName;
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

std::vector<SplitCase> Cases() {
  const std::uintptr_t hkcu = platform::kHkeyCurrentUser;
  return {
      {"product key", "HKEY_CURRENT_USER\\Software\\TolmarkEB\\Norvik\\Setup\\Dir", 1, hkcu,
       "Software\\TolmarkEB\\Norvik\\Setup", "Dir"},
      {"trailing backslash names the default value", "HKEY_CURRENT_USER\\Software\\Key\\", 1, hkcu,
       "Software\\Key", ""},
      {"other roots", "HKEY_LOCAL_MACHINE\\A\\B", 1, platform::kHkeyLocalMachine, "A", "B"},
      {"classes root", "HKEY_CLASSES_ROOT\\A\\B", 1, platform::kHkeyClassesRoot, "A", "B"},
      {"users", "HKEY_USERS\\A\\B", 1, platform::kHkeyUsers, "A", "B"},
      {"single part", "HKEY_CURRENT_USER\\Dir", 0, 0, "", ""},
      {"root only", "HKEY_CURRENT_USER", 0, 0, "", ""},
      {"root and separator only", "HKEY_CURRENT_USER\\", 0, 0, "", ""},
      {"lower case root", "hkey_current_user\\Software\\Dir", 0, 0, "", ""},
      {"abbreviated root", "HKCU\\Software\\Dir", 0, 0, "", ""},
      {"unknown root", "HKEY_CURRENT_CONFIG\\Software\\Dir", 0, 0, "", ""},
      {"separator byte is not examined", "HKEY_CURRENT_USERXSoftware\\Dir", 1, hkcu, "Software", "Dir"},
      {"trail byte 0x5C inside 表 is no separator", Ansi("HKEY_CURRENT_USER\\Software\\表示"), 1, hkcu,
       "Software", Ansi("表示")},
      {"component ending in ソ stays whole", Ansi("HKEY_CURRENT_USER\\Software\\共通\\データソ"), 1, hkcu,
       Ansi("Software\\共通"), Ansi("データソ")},
      {"longest path that fits", "HKEY_CURRENT_USER\\" + Repeat('k', 228) + "\\" + Repeat('v', 255), 1, hkcu,
       Repeat('k', 228), Repeat('v', 255)},
      {"sub key at its limit", "HKEY_CURRENT_USER\\" + Repeat('k', 228) + "\\" + Repeat('v', 200), 1, hkcu,
       Repeat('k', 228), Repeat('v', 200)},
      {"sub key over its limit", "HKEY_CURRENT_USER\\" + Repeat('k', 229) + "\\v", 0, 0, "", ""},
      {"value name at its limit", "HKEY_CURRENT_USER\\k\\" + Repeat('v', 255), 1, hkcu, "k",
       Repeat('v', 255)},
      {"value name over its limit", "HKEY_CURRENT_USER\\k\\" + Repeat('v', 256), 0, 0, "", ""},
      {"remainder over its limit", "HKEY_CURRENT_USER\\k\\" + Repeat('v', 600), 0, 0, "", ""},
  };
}

}  // namespace

TEST(RegistryPathTest, SplitsAsTheRulesSay) {
  for (const auto& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::uintptr_t root = 0;
    std::string subKey = "untouched", valueName = "untouched";
    const int ok = install::SplitRegistryPath(c.path, root, subKey, valueName);
    EXPECT_EQ(ok, c.ok);
    if (c.ok == 1) {
      EXPECT_EQ(root, c.root);
      EXPECT_EQ(subKey, c.subKey);
      EXPECT_EQ(valueName, c.valueName);
    }
  }
}

TEST(RegistryPathTest, ParseRootKeyEmptiesTheRemainderFirst) {
  std::uintptr_t root = 0;
  std::string remainder = "stale";
  EXPECT_EQ(install::ParseRootKey("HKCU\\x", root, remainder), 0);
  EXPECT_EQ(remainder, "");
  EXPECT_EQ(install::ParseRootKey("HKEY_USERS\\a\\b", root, remainder), 1);
  EXPECT_EQ(remainder, "a\\b");
}

TEST(RegistryPathTest, FindLastCharWalksDoubleByteCharacters) {
  EXPECT_EQ(platform::FindLastChar("a\\b\\c", '\\'), 3);
  EXPECT_EQ(platform::FindLastChar("abc", '\\'), -1);
  EXPECT_EQ(platform::FindLastChar("", '\\'), -1);
  EXPECT_EQ(platform::FindLastChar(Ansi("a\\ソ"), '\\'), 1);   // ソ is 0x83 0x5C
  EXPECT_EQ(platform::FindLastChar(Ansi("表\\"), '\\'), 2);    // 表 is 0x95 0x5C
  EXPECT_EQ(platform::FindLastChar(std::string("a\\\x83"), '\\'), 1);  // a lead byte at the very end
  EXPECT_EQ(platform::FindLastChar(std::string("\x83\\\\"), '\\'), 2);  // lead byte pairs with the first 0x5C
}
