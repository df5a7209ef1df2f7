// The string table as windres compiled it into the exe, read back through the
// real LoadString.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/text.h"
#include "framework/win32_backend.h"
#include "support/catalogue_texts.h"

TEST(CatalogueResourceTest, RealStringTableMatchesByteForByte) {
  ASSERT_EQ(GetACP(), 932u) << "run under a Japanese locale (LANG/LC_ALL=ja_JP.UTF-8)";
  fw::win32::Win32Backend backend(GetModuleHandleA(nullptr));
  for (const auto& entry : kCatalogue)
    EXPECT_EQ(backend.LoadStringResource(entry.id), Ansi(entry.text)) << std::hex << entry.id;
}
