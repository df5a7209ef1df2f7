// Putting the old master back from ZMF0.BAK: the backup is itself a package
// of the whole range; laid beside the updater as ZMF0 and applied with the
// range deleted first, it brings back every row, as far as the record
// format can carry it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/update_fixture.h"

namespace fs = std::filesystem;

using RestoreTest = UpdateRunTest;

TEST_F(RestoreTest, TheBackupAppliedWithTheRangeDeletedBringsTheOldMasterBack) {
  // Rows the format cannot carry back whole: a kanji name longer than its
  // field, a character outside code page 932, a missing date.  (Names come
  // back padded to their fields, which the comparison leaves aside.)
  FileSql(masterPath,
          "INSERT INTO TBANK VALUES (7,'ﾅﾅ','一二三四五六七八九',1,NULL);"
          "INSERT INTO TBANK VALUES (8,'ﾊﾁ','八🏦銀行',1,38443.0);");
  pristine = FileBytes(masterPath);
  const std::string columns =
      "SELECT BANKCODE, BANKKANA, rtrim(BANKKNJI, '　 '), FDENTYMD FROM TBANK ORDER BY 1";
  const std::string branchColumns =
      "SELECT BANKCODE, BRNCCODE, BRNCKANA, rtrim(BRNCKNJI, '　 '), FDENTYMD FROM TBRAN ORDER BY 1, 2";
  std::vector<std::string> oldBanks = FileRows(masterPath, columns);
  const std::vector<std::string> oldBranches = FileRows(masterPath, branchColumns);

  Restore();
  ASSERT_EQ(Run(), 0);
  ASSERT_EQ(context.updateResult, 1);
  ASSERT_NE(FileRows(masterPath, columns), oldBanks);

  // The user lays the backup beside the updater as ZMF0 and ticks "delete
  // the range first"; the master is newer than the backup, so the run asks
  // first, and the answer is Yes.
  fs::copy_file(backupPath, dir.path() / "restore-ZMF0");
  context.packagePath = dir.File("restore-ZMF0");
  context.packageEdition = base::CalendarDate(2005, 4, 1);
  ui.deleteRange = true;
  ASSERT_EQ(Run(), 0);
  ASSERT_EQ(context.updateResult, 1);
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(ui.shown, (std::vector<ShownMessage>{{0xE00B, 0x134}, {0xE009, 0x134}}));

  for (std::string& row : oldBanks) {
    if (row.rfind("7|", 0) == 0) row = "7|ﾅﾅ|一二三四五六七八|2.0";  // cut to 16 bytes; 1900-01-01
    if (row.rfind("8|", 0) == 0) row = "8|ﾊﾁ|八銀行|38443.0";        // what code page 932 has no form for is gone
  }
  EXPECT_EQ(FileRows(masterPath, columns), oldBanks);
  EXPECT_EQ(FileRows(masterPath, branchColumns), oldBranches);
  // Nor has the record a place for the new/old flag.
  EXPECT_EQ(FileRows(masterPath, "SELECT COUNT(*) FROM TBANK WHERE NEWOLDFLG IS NOT NULL"),
            std::vector<std::string>{"0"});
}
