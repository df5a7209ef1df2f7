// Merging a package into the master.
#include <gtest/gtest.h>

#include <fstream>

#include "masterdb/record_sets.h"
#include "support/update_fixture.h"
#include "update/merge.h"

namespace {

class MergeTest : public UpdateStepsTest {
 protected:
  int Merge(const std::vector<TransactionRecord>& records) {
    context.packagePath = WritePackage("ZMF0", records);
    return MergeAgain();
  }
  // The package at the context's path, into the master opened anew.
  int MergeAgain() {
    OpenMaster();
    return update::MergePackage(context, page);
  }
};

const double d2005 = base::CalendarDate(2005, 4, 1).value;

}  // namespace

TEST_F(MergeTest, EditsKnownKeysAndAddsNewOnesInOneForwardPass) {
  FileSql(masterPath,
          "INSERT INTO TBANK VALUES (1,'ｲﾁ','一',7," + std::to_string(d2005) + ");"
          "INSERT INTO TBANK VALUES (5,'ｺﾞ','五',7," + std::to_string(d2005) + ");"
          "INSERT INTO TBANK VALUES (40,'ﾖﾝｼﾞﾕｳ','四十',7," + std::to_string(d2005) + ");"
          "INSERT INTO TBRAN VALUES (5,0,'ﾎﾝﾃﾝ','本店',3," + std::to_string(d2005) + ");"
          "INSERT INTO TBRAN VALUES (5,2,'ﾆ','二',3," + std::to_string(d2005) + ");"
          "INSERT INTO TBRAN VALUES (40,1,'ｲﾁ','一',3," + std::to_string(d2005) + ");");
  const base::OleDate d = base::CalendarDate(2006, 4, 1);
  const int result = Merge({
      BankRecord(1, "ｲﾁ2", "一二", d),                 // edit
      BranchRecord(5, 1, "ｲﾁ", "一", d),                // between branches 0 and 2: add
      OtherRecord(3),                                   // passed over
      BankRecord(3, "ｻﾝ", "三", d),                     // add before bank 5
      BranchRecord(5, 2, "ﾆ2", "二二", d),              // edit
      BranchRecord(10, 0, "ｼﾞﾕｳ", "十", d),            // 00010000 after 00005002: add
      BankRecord(40, "ﾖﾝｼﾞﾕｳ2", "四十二", d),          // set moves over bank 5: edit
      OtherRecord(0),                                   // a type byte that is a space
      BranchRecord(40, 1, "ｲﾁ2", "一二", d),            // edit
      BankRecord(41, "ﾖﾝｼﾞﾕｳｲﾁ", "四十一", d),        // past the last bank: add
      BranchRecord(40, 5, "ｺﾞ", "五", d),               // past the last branch: add
      BankRecord(9999, "ｷﾕｳ", "九", d),                 // add
      BranchRecord(9999, 999, "ｷﾕｳ", "九", d),          // add
  });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(page.errors.empty());
  // The bar moved once per record, over a range of the record count.
  EXPECT_EQ(page.range, 13);
  EXPECT_EQ(page.steps, 13);
  EXPECT_EQ(page.status, Ansi("更新処理を行っています."));

  const std::string day = std::to_string(base::CalendarDate(2006, 4, 1).value);
  auto pad = [](const char* kanji, int fullWidthSpaces) {
    std::string s = kanji;
    for (int i = 0; i < fullWidthSpaces; ++i) s += "\u3000";
    return s;
  };
  EXPECT_EQ(Rows("SELECT BANKCODE, BANKKANA, BANKKNJI, NEWOLDFLG, FDENTYMD = " + day +
                 " FROM TBANK ORDER BY BANKCODE"),
            (std::vector<std::string>{
                "1|ｲﾁ2|" + pad("一二", 6) + "|7|1",  // the flag stays, the rest is the record's
                "3|ｻﾝ|" + pad("三", 7) + "|NULL|1",
                "5|ｺﾞ|五|7|0",  // not in the package: untouched
                "40|ﾖﾝｼﾞﾕｳ2|" + pad("四十二", 5) + "|7|1",
                "41|ﾖﾝｼﾞﾕｳｲﾁ|" + pad("四十一", 5) + "|NULL|1",
                "9999|ｷﾕｳ|" + pad("九", 7) + "|NULL|1",
            }));
  EXPECT_EQ(Rows("SELECT BANKCODE, BRNCCODE, BRNCKANA, NEWOLDFLG FROM TBRAN ORDER BY BANKCODE, BRNCCODE"),
            (std::vector<std::string>{"5|0|ﾎﾝﾃﾝ|3", "5|1|ｲﾁ|NULL", "5|2|ﾆ2|3", "10|0|ｼﾞﾕｳ|NULL",
                                      "40|1|ｲﾁ2|3", "40|5|ｺﾞ|NULL", "9999|999|ｷﾕｳ|NULL"}));
}

TEST_F(MergeTest, TheBranchSetMovesOnToARowWithAnEqualKey) {
  FileSql(masterPath,
          "INSERT INTO TBRAN VALUES (5,0,'ﾎﾝﾃﾝ','本店',3," + std::to_string(d2005) + ");"
          "INSERT INTO TBRAN VALUES (5,1,'ｲﾁ','一',3," + std::to_string(d2005) + ");");
  EXPECT_EQ(Merge({BranchRecord(5, 1, "ｲﾁ2", "一二", base::CalendarDate(2006, 4, 1))}), 1);
  EXPECT_TRUE(page.errors.empty());
  EXPECT_EQ(Rows("SELECT BANKCODE, BRNCCODE, BRNCKANA, NEWOLDFLG FROM TBRAN ORDER BY 1, 2"),
            (std::vector<std::string>{"5|0|ﾎﾝﾃﾝ|3", "5|1|ｲﾁ2|3"}));
}

TEST_F(MergeTest, CodesBeyondTheirWidthsCompareAsTheirTexts) {
  // "%05ld%03ld" of bank 5, branch 1000 is "000051000": before "00006000"
  // as a text, though 5 x 1000 + 1000 is 6 x 1000 + 0.
  FileSql(masterPath, "INSERT INTO TBRAN VALUES (5,1000,'ｾﾝ','千',3," + std::to_string(d2005) + ");");
  EXPECT_EQ(Merge({BranchRecord(6, 0, "ﾛｸ", "六", base::CalendarDate(2006, 4, 1))}), 1);
  EXPECT_EQ(Rows("SELECT BANKCODE, BRNCCODE, BRNCKANA FROM TBRAN ORDER BY 1, 2"),
            (std::vector<std::string>{"5|1000|ｾﾝ", "6|0|ﾛｸ"}));
}

TEST_F(MergeTest, ARecordOfAnotherTypeIsPassedOverWhateverItsTypeByte) {
  // The encoder writes type 3 as a space: the byte is set afterwards.
  context.packagePath = WritePackage("ZMF0", {OtherRecord(3)});
  {
    std::fstream f(context.packagePath, std::ios::in | std::ios::out | std::ios::binary);
    f << '3';
  }
  EXPECT_EQ(MergeAgain(), 1);
  EXPECT_EQ(page.steps, 1) << "the bar steps for it all the same";
  EXPECT_EQ(Rows("SELECT (SELECT COUNT(*) FROM TBANK), (SELECT COUNT(*) FROM TBRAN)"),
            (std::vector<std::string>{"0|0"}));
}

TEST_F(MergeTest, EmptyShortAndRaggedPackages) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {{"empty", ""}, {"shorter than a record", std::string(100, '1')}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    context.packagePath = dir.Write("ZMF0", c.bytes);
    EXPECT_EQ(MergeAgain(), 1);
    EXPECT_TRUE(Rows("SELECT * FROM TBANK").empty());
  }
  // Two whole records and the start of a third: the tail is not a record.
  WritePackage("ZMF0", {BankRecord(1, "ｱ", "亜", base::CalendarDate(2006, 1, 1)), BankRecord(2, "ｲ", "伊", base::CalendarDate(2006, 1, 1))});
  std::ofstream(dir.File("ZMF0"), std::ios::binary | std::ios::app) << "1000399";
  context.packagePath = dir.File("ZMF0");
  EXPECT_EQ(MergeAgain(), 1);
  EXPECT_EQ(Rows("SELECT BANKCODE FROM TBANK ORDER BY 1"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(MergeTest, AFailureAtTheTenthRecordKeepsTheFirstNine) {
  FileSql(masterPath,
          "CREATE TRIGGER refuse_ten BEFORE INSERT ON TBANK WHEN NEW.BANKCODE = 10 "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
  std::vector<TransactionRecord> records;
  for (int code = 1; code <= 12; ++code) records.push_back(BankRecord(code, "ｷﾞﾝｺｳ", "銀行", base::CalendarDate(2006, 1, 1)));
  EXPECT_EQ(Merge(records), 0);
  EXPECT_EQ(page.errors.size(), 1u) << "the engine's error, once";
  EXPECT_EQ(page.steps, 9);
  EXPECT_EQ(Rows("SELECT COUNT(*), MIN(BANKCODE), MAX(BANKCODE) FROM TBANK"),
            (std::vector<std::string>{"9|1|9"}));
}

TEST_F(MergeTest, ARepeatedKeyStopsAtTheRepeatWithoutLosingEarlierRows) {
  // The master's key refuses the second row of bank 7: the merge stops
  // there, and what it wrote before stays.
  EXPECT_EQ(Merge({BankRecord(6, "ﾛｸ", "六", base::CalendarDate(2006, 1, 1)), BankRecord(7, "ﾅﾅ", "七", base::CalendarDate(2006, 1, 1)),
                   BankRecord(7, "ﾅﾅ2", "七二", base::CalendarDate(2006, 1, 1)), BankRecord(8, "ﾊﾁ", "八", base::CalendarDate(2006, 1, 1))}),
            0);
  EXPECT_EQ(page.errors.size(), 1u);
  EXPECT_EQ(Rows("SELECT BANKCODE, BANKKANA FROM TBANK ORDER BY 1"), (std::vector<std::string>{"6|ﾛｸ", "7|ﾅﾅ"}));
}

TEST_F(MergeTest, AnInvalidDateIsStoredAsNullNotAsTheDateBeforeIt) {
  // The reader keeps the last valid date's value behind an invalid one.
  WritePackage("ZMF0", {BankRecord(1, "ｱ", "亜", base::CalendarDate(2006, 1, 1)), BankRecord(2, "ｲ", "伊", base::CalendarDate(2006, 1, 1))});
  {
    std::fstream f(dir.File("ZMF0"), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(202 + 39);
    f << "20060230";
  }
  context.packagePath = dir.File("ZMF0");
  EXPECT_EQ(MergeAgain(), 1);
  EXPECT_EQ(Rows("SELECT BANKCODE, FDENTYMD IS NULL FROM TBANK ORDER BY 1"),
            (std::vector<std::string>{"1|0", "2|1"}));
}

TEST_F(MergeTest, GarbageRecordsNeverCrashTheMerge) {
  std::string bytes;
  for (int i = 0; i < 3 * 202; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
  context.packagePath = dir.Write("ZMF0", bytes);
  const int result = MergeAgain();
  // Whatever the bytes decode to, the run ends with a result and a master
  // that still opens.
  EXPECT_TRUE(result == 0 || result == 1);
  EXPECT_FALSE(Rows("SELECT COUNT(*) FROM TBANK").empty());
}
