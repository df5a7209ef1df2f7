// The backup of the master written before the update changes anything.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/faults.h"
#include "support/update_fixture.h"
#include "update/backup.h"

namespace {

class BackupTest : public UpdateStepsTest {
 protected:
  int Backup() {
    OpenMaster();
    return update::BackupMaster(context, page);
  }
};

}  // namespace

TEST_F(BackupTest, BanksThenBranchesInKeyOrder) {
  const std::string d = std::to_string(base::CalendarDate(2006, 4, 1).value);
  FileSql(masterPath,
          "INSERT INTO TBANK VALUES (40,'ﾖﾝｼﾞﾕｳ','四十',1," + d + ");"
          "INSERT INTO TBANK VALUES (5,'ｺﾞ',NULL,1,NULL);"
          "INSERT INTO TBANK VALUES (123,'ﾎﾝﾃﾝ','本店',1," + d + ");"
          "INSERT INTO TBRAN VALUES (40,1,'ｲﾁ','一',0," + d + ");"
          "INSERT INTO TBRAN VALUES (5,12,'ｼﾞﾕｳﾆ','十二',0," + d + ");"
          "INSERT INTO TBRAN VALUES (5,2,'ﾆ','二',0," + d + ");"
          "INSERT INTO TBRAN VALUES (123,45,'ﾎﾝﾃﾝ','一二三四五六七八九',0," + d + ");"
          "INSERT INTO TBRAN VALUES (6,0,'ﾛｸ','六',0," + d + ");");
  EXPECT_EQ(Backup(), 1);
  EXPECT_TRUE(page.errors.empty());
  const std::string bytes = FileBytes(backupPath);
  ASSERT_EQ(bytes.size(), 1616u);

  std::vector<std::string> keys;
  for (size_t at = 0; at < bytes.size(); at += 202) keys.push_back(bytes.substr(at, 8));
  EXPECT_EQ(keys, (std::vector<std::string>{"10005   ", "10040   ", "10123   ", "20005002", "20005012",
                                            "20006000", "20040001", "20123045"}));
  // A NULL date is written as 1 January 1900, a NULL name as padding only.
  EXPECT_EQ(bytes.substr(39, 8), "19000101");
  EXPECT_EQ(bytes.substr(23, 16), Ansi("　　　　　　　　"));
  EXPECT_EQ(bytes.substr(202 + 39, 8), "20060401");
  // Nine kanji do not fit a 16-byte field: the first eight are kept.
  EXPECT_EQ(bytes.substr(7 * 202 + 23, 16), Ansi("一二三四五六七八"));

  EXPECT_EQ(page.status, Ansi("更新の準備を行っています."));
  EXPECT_EQ(page.range, 8);
  EXPECT_EQ(page.steps, 8);
}

TEST_F(BackupTest, ABranchRecordCarriesTheBranchsOwnNamesAndDate) {
  const std::string bankDay = std::to_string(base::CalendarDate(2006, 4, 1).value);
  const std::string branchDay = std::to_string(base::CalendarDate(2007, 10, 9).value);
  FileSql(masterPath,
          "INSERT INTO TBANK VALUES (5,'ｷﾞﾝｺｳ','銀行',1," + bankDay + ");"
          "INSERT INTO TBRAN VALUES (5,3,'ｼﾃﾝ','支店',0," + branchDay + ");");
  EXPECT_EQ(Backup(), 1);
  const std::string bytes = FileBytes(backupPath);
  ASSERT_EQ(bytes.size(), 2u * 202);
  // Kana padded with spaces, kanji with full-width spaces, then the date.
  EXPECT_EQ(bytes.substr(202 + 8, 39),
            Ansi("ｼﾃﾝ") + std::string(12, ' ') + Ansi("支店　　　　　　") + "20071009");
}

TEST_F(BackupTest, EmptyMasterGivesAnEmptyFileAndReplacesTheLastBackup) {
  std::ofstream(backupPath) << "an older backup";
  EXPECT_EQ(Backup(), 1);
  EXPECT_TRUE(std::filesystem::exists(backupPath));
  EXPECT_EQ(std::filesystem::file_size(backupPath), 0u);
}

TEST_F(BackupTest, AFailedWriteKeepsThePreviousBackupWholeAndLeavesNoTemporaryFile) {
  FileSql(masterPath, "INSERT INTO TBANK VALUES (1,'ｱ','亜',0,NULL); INSERT INTO TBANK VALUES (2,'ｲ','伊',0,NULL);"
                      "INSERT INTO TBANK VALUES (3,'ｳ','宇',0,NULL);");
  std::ofstream(backupPath, std::ios::binary) << "the previous backup";
  platform::faults::FailNth(2, platform::FileError::kDiskFull);  // the second record
  EXPECT_EQ(Backup(), 0);
  platform::faults::Disarm();
  ASSERT_EQ(page.errors.size(), 1u);
  EXPECT_NE(page.errors[0].find(Ansi("ﾃﾞｨｽｸの空き容量が不足しました。")), Text::npos);
  EXPECT_EQ(FileBytes(backupPath), "the previous backup");
  EXPECT_FALSE(std::filesystem::exists(backupPath + ".tmp"));
}

TEST_F(BackupTest, NoHomeFolderFailsWithoutAWord) {
  std::filesystem::remove_all(common / "Home");
  FileSql(masterPath, "INSERT INTO TBANK VALUES (1,'ｱ','亜',0,NULL);");
  EXPECT_EQ(Backup(), 0);
  EXPECT_TRUE(page.errors.empty());
  EXPECT_FALSE(std::filesystem::exists(backupPath));
}
