// A failed write on Win32, staged through Wine's view of the Unix file
// system: its drive Z: reaches /dev/full, a device that is always full.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/text.h"
#include "app/updater_app.h"
#include "support/memory_ui.h"
#include "transaction/transaction_file.h"

namespace {

class TransactionFileWinTest : public MemoryUiTest {
 protected:
  TransactionFileWinTest() { AfxWinInit(); }
  UpdaterApp app;
};

TEST_F(TransactionFileWinTest, AFailedWriteIsShownWithTheFullPathAndTheFileStaysOpen) {
  if (GetFileAttributesA("Z:\\dev") == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "needs Wine's Z: drive";
  TransactionFile file(app);
  ASSERT_EQ(file.Open("Z:\\dev\\null\\..\\full", 0), 1);
  file.record.type = 2;
  EXPECT_EQ(file.WriteRecord(), 1);  // buffered
  EXPECT_EQ(file.Flush(), 0);
  EXPECT_EQ(file.WriteRecord(), 1);
  EXPECT_EQ(file.Flush(), 0);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, Ansi("Z:\\dev\\full へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。"));
  EXPECT_EQ(ui.boxes[0].caption, Ansi("銀行・支店情報の更新"));
  EXPECT_EQ(ui.boxes[0].style, 0x30u);
  EXPECT_EQ(ui.boxes[1].text, ui.boxes[0].text);
}

}  // namespace
