// Transaction file errors that only the native build can stage: a device
// that is always full, a size limit that cuts a write short, and a read the
// kernel refuses.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/text.h"
#include "app/updater_app.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"
#include "transaction/transaction_file.h"

namespace {

class TransactionFileErrorTest : public MemoryUiTest {
 protected:
  TransactionFileErrorTest() { AfxWinInit(); }

  void ExpectBox(size_t index, const Text& text) {
    ASSERT_GT(ui.boxes.size(), index);
    EXPECT_EQ(ui.boxes[index].text, text);
    EXPECT_EQ(ui.boxes[index].caption, Ansi("銀行・支店情報の更新"));
    EXPECT_EQ(ui.boxes[index].style, 0x30u);  // OK with the exclamation icon
  }

  UpdaterApp app;
  TempDir dir;
};

// Limits the size of files this process writes, for the length of a test.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST_F(TransactionFileErrorTest, AFailedWriteIsShownByTheCallThatMetItAndTheFileStaysOpen) {
  TransactionFile file(app);
  ASSERT_EQ(file.Open("/dev/full", 0), 1);
  file.record.type = 1;
  EXPECT_EQ(file.WriteRecord(), 1);  // buffered
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(file.Flush(), 0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  ExpectBox(0, Ansi("/dev/full へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。"));
  // Still open: the next write meets the same full device, not a closed file.
  EXPECT_EQ(file.WriteRecord(), 1);
  EXPECT_EQ(file.Flush(), 0);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text, ui.boxes[0].text);
  // A buffer that fills up is written by the record that found it full.
  for (int i = 0; ui.boxes.size() == 2u; ++i) {
    ASSERT_LT(i, 1000) << "the buffer never filled up";
    if (file.WriteRecord() == 0) {
      EXPECT_EQ(ui.boxes.size(), 3u);
    }
  }
}

TEST_F(TransactionFileErrorTest, ARecordCutShortIsADiskFullAndEarlierRecordsStay) {
  std::filesystem::create_directory(dir.path() / "Home");
  const std::string shaped = dir.File("Home") + "\\..\\ZMF0.BAK";
  std::string firstRecord;
  {
    FileSizeLimit limit(300);  // room for one record and 98 bytes
    TransactionFile file(app);
    ASSERT_EQ(file.Open(shaped, 0), 1);
    file.record.type = 1;
    file.record.bankCode = 5;
    ASSERT_EQ(file.WriteRecord(), 1);
    file.record.bankCode = 6;
    ASSERT_EQ(file.WriteRecord(), 1);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(file.Flush(), 0);
  }
  ASSERT_EQ(ui.boxes.size(), 1u);
  ExpectBox(0, dir.File("ZMF0.BAK") + Ansi(" へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。"));

  std::ifstream in(dir.File("ZMF0.BAK"), std::ios::binary);
  const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_EQ(written.size(), 300u);
  EXPECT_EQ(written.substr(0, 8), "10005   ");
  EXPECT_EQ(written.substr(200, 4), "\r\n10");
}

TEST_F(TransactionFileErrorTest, AReadErrorIsShownAndIsNotTakenForTheEnd) {
  // The process's memory at address 0 is unmapped: the kernel answers EIO.
  TransactionFile file(app);
  EXPECT_EQ(file.Open("/proc/self/mem", 1), 0);
  EXPECT_TRUE(file.ReadFailed());
  EXPECT_EQ(file.AtEnd(), 1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  ExpectBox(0, Ansi("/proc/self/mem へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"));
  EXPECT_EQ(file.ReadNext(), 0);
  EXPECT_EQ(ui.boxes.size(), 1u);  // told once
}

}  // namespace
