// The updater's version resource, read back from the built exe (UPDATER_EXE,
// set by CTest) through the real version API: the numbers the project's
// version gives, and the Japanese block Explorer shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "install/installation_checks.h"

namespace {

class VersionResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* exe = std::getenv("UPDATER_EXE");
    ASSERT_NE(exe, nullptr) << "UPDATER_EXE names the updater (set by CTest)";
    path_ = exe;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path_.c_str(), &handle);
    ASSERT_GT(size, 0u) << "no version resource in " << path_;
    block_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, size, block_.data()));
  }
  std::wstring Value(const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\041103a4\\" + name;
    if (!VerQueryValueW(block_.data(), path.c_str(), &value, &length) || length == 0) return L"(none)";
    return static_cast<const wchar_t*>(value);
  }
  static std::wstring Wide(const char* s) { return std::wstring(s, s + std::strlen(s)); }

  std::string path_;
  std::vector<char> block_;
};

}  // namespace

TEST_F(VersionResourceTest, CarriesTheProjectVersionInAJapaneseBlock) {
  // The updater's own reader of version words, as it reads NORVIK.EXE's.
  std::uint32_t ms = 0, ls = 0;
  ASSERT_EQ(install::ReadFileVersion(path_, ms, ls), 1);
  EXPECT_EQ(ms, (UPDATER_VERSION_MAJOR << 16u) | UPDATER_VERSION_MINOR);
  EXPECT_EQ(ls, UPDATER_VERSION_PATCH << 16u);

  struct Translation {
    WORD language, codePage;
  };
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, sizeof(Translation));
  EXPECT_EQ(static_cast<Translation*>(value)->language, 0x0411);
  EXPECT_EQ(static_cast<Translation*>(value)->codePage, 932);

  EXPECT_EQ(Value(L"ProductName"), L"銀行・支店情報の更新");
  EXPECT_EQ(Value(L"FileDescription"), L"銀行・支店情報の更新");
  EXPECT_EQ(Value(L"ProductVersion"), Wide(UPDATER_VERSION));
  EXPECT_EQ(Value(L"FileVersion"), Wide(UPDATER_VERSION));
  EXPECT_EQ(Value(L"OriginalFilename"), L"BankMasterUpdater.exe");
  EXPECT_EQ(Value(L"LegalCopyright"), Wide(UPDATER_COPYRIGHT));
}
