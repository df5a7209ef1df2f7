// The master database: the engine layer over SQLite, the two record sets and
// the application's master operations, on real files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "base/text.h"
#include "app/updater_app.h"
#include "masterdb/dao.h"
#include "masterdb/master_operations.h"
#include "masterdb/master_schema.h"
#include "masterdb/record_sets.h"
#include "support/master_file.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"

namespace {

std::string FileBytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The file's bytes as another reader sees them while the updater holds it.
void CopyFileBytes(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(to, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                              static_cast<std::streamsize>(bytes.size()));
}


}  // namespace

class MasterDbTest : public MasterFixture {
 protected:
  std::vector<std::string> Rows(const std::string& sql) { return FileRows(path, sql); }
  void Sql(const std::string& script) { FileSql(path, script); }

  // Texts of the boxes shown so far, each checked to be an OK box with the
  // exclamation icon under the program's title.
  std::vector<Text> Errors() {
    std::vector<Text> texts;
    for (const auto& box : ui.boxes) {
      EXPECT_EQ(box.style, 0x30u) << box.text;
      EXPECT_EQ(box.caption, Ansi("銀行・支店情報の更新"));
      texts.push_back(box.text);
    }
    return texts;
  }

  void AddBank(CBankSet& set, std::int32_t code, const char* kana, const char* kanji,
               base::OleDate date) {
    ASSERT_EQ(app.AddNewRow(&set), 1);
    set.m_BANKCODE = code;
    set.m_BANKKANA = Ansi(kana);
    set.m_BANKKNJI = Ansi(kanji);
    set.m_FDENTYMD = date;
    ASSERT_EQ(app.UpdateRow(&set), 1);
  }

};

// ---- Reading ----------------------------------------------------------------------

TEST_F(MasterDbTest, EmptyTablesOpenPastTheEndWithNullMarkers) {
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBankSet& bank = *app.bankSet;
  EXPECT_TRUE(bank.IsEOF());
  EXPECT_EQ(bank.m_BANKCODE, 1246576928);
  EXPECT_EQ(bank.m_BANKKANA, "");
  EXPECT_EQ(bank.m_BANKKNJI, "");
  EXPECT_EQ(bank.m_NEWOLDFLG, 255);
  EXPECT_EQ(bank.m_FDENTYMD.status, base::OleDate::kNull);
  EXPECT_TRUE(app.branchSet->IsEOF());
  EXPECT_EQ(app.branchSet->m_BRNCCODE, 1246576928);
  EXPECT_EQ(bank.GetSQL(),
            "SELECT [BANKCODE],[BANKKANA],[BANKKNJI],[NEWOLDFLG],[FDENTYMD] FROM [TBANK] ORDER BY BANKCODE");
  EXPECT_EQ(app.branchSet->GetSQL(),
            "SELECT [BANKCODE],[BRNCCODE],[BRNCKANA],[BRNCKNJI],[NEWOLDFLG],[FDENTYMD] FROM [TBRAN] "
            "ORDER BY BANKCODE, BRNCCODE");
  EXPECT_TRUE(ui.boxes.empty());
}

// The installed master owns its column definitions: the walk must not rely
// on the keys that the tables happen to define.
class MasterOrderTest : public MasterDbTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MasterOrderTest, BranchesWalkByBankThenBranchNumerically) {
  if (!GetParam()) {
    Sql("DROP TABLE TBRAN; CREATE TABLE TBRAN (BANKCODE INTEGER, BRNCCODE INTEGER, BRNCKANA TEXT, "
        "BRNCKNJI TEXT, NEWOLDFLG INTEGER, FDENTYMD REAL);");
  }
  Sql("INSERT INTO TBRAN (BANKCODE, BRNCCODE, BRNCKANA) VALUES "
      "(40, 1, 'a'), (5, 12, 'b'), (100, 0, 'c'), (5, 2, 'd'), (40, 0, 'e');");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBranSet& branch = *app.branchSet;
  std::vector<std::string> walked;
  for (; !branch.IsEOF(); branch.MoveNext())
    walked.push_back(std::to_string(branch.m_BANKCODE) + "-" + std::to_string(branch.m_BRNCCODE) +
                     branch.m_BRNCKANA);
  EXPECT_EQ(walked, (std::vector<std::string>{"5-2d", "5-12b", "40-0e", "40-1a", "100-0c"}));
  EXPECT_EQ(branch.m_BANKCODE, 1246576928);

  // Edits and adds work without a key as well.
  ASSERT_EQ(app.RequerySet(&branch), 1);
  ASSERT_EQ(app.EditRow(&branch), 1);
  branch.m_BRNCKANA = "x";
  ASSERT_EQ(app.UpdateRow(&branch), 1);
  ASSERT_EQ(app.AddNewRow(&branch), 1);
  branch.m_BANKCODE = 7;
  branch.m_BRNCCODE = 3;
  ASSERT_EQ(app.UpdateRow(&branch), 1);
  app.CloseMasterDatabase();
  EXPECT_EQ(Rows("SELECT BANKCODE, BRNCCODE, BRNCKANA FROM TBRAN ORDER BY 1, 2"),
            (std::vector<std::string>{"5|2|x", "5|12|b", "7|3|NULL", "40|0|e", "40|1|a", "100|0|c"}));
}

INSTANTIATE_TEST_SUITE_P(Keys, MasterOrderTest, ::testing::Bool(), [](const auto& info) {
  return std::string(info.param ? "WithPrimaryKey" : "WithoutPrimaryKey");
});

TEST_F(MasterDbTest, NullColumnsReadAsNullMarkers) {
  Sql("INSERT INTO TBANK VALUES (1, 'ｱ', NULL, NULL, NULL);"
      "INSERT INTO TBANK VALUES (2, NULL, '銀行', 3, 45000.5);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBankSet& bank = *app.bankSet;
  EXPECT_EQ(bank.m_BANKCODE, 1);
  EXPECT_EQ(bank.m_BANKKANA, Ansi("ｱ"));
  EXPECT_EQ(bank.m_BANKKNJI, "");
  EXPECT_EQ(bank.m_NEWOLDFLG, 255);
  EXPECT_EQ(bank.m_FDENTYMD.status, base::OleDate::kNull);
  bank.MoveNext();
  EXPECT_EQ(bank.m_BANKKANA, "");
  EXPECT_EQ(bank.m_BANKKNJI, Ansi("銀行"));
  EXPECT_EQ(bank.m_NEWOLDFLG, 3);
  EXPECT_EQ(bank.m_FDENTYMD.status, base::OleDate::kValid);
  EXPECT_EQ(bank.m_FDENTYMD.value, 45000.5);
}

// ---- Writing ----------------------------------------------------------------------

TEST_F(MasterDbTest, EditWritesOnlyChangedFieldsAndKeepsTheFlag) {
  Sql("INSERT INTO TBANK VALUES (6, 'ｷﾞﾝｺｳ', '銀行', 7, 40000);"
      "CREATE TABLE written (col TEXT);");
  for (const char* column : {"BANKCODE", "BANKKANA", "BANKKNJI", "NEWOLDFLG", "FDENTYMD"})
    Sql(std::string("CREATE TRIGGER log_") + column + " AFTER UPDATE OF " + column +
        " ON TBANK BEGIN INSERT INTO written VALUES ('" + column + "'); END;");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBankSet& bank = *app.bankSet;

  // Assigned the values it already holds: nothing is written.
  ASSERT_EQ(app.EditRow(&bank), 1);
  bank.m_BANKKANA = Ansi("ｷﾞﾝｺｳ");
  bank.m_FDENTYMD = {40000, base::OleDate::kValid};
  ASSERT_EQ(app.UpdateRow(&bank), 1);

  ASSERT_EQ(app.EditRow(&bank), 1);
  bank.m_BANKKANA = Ansi("ｷﾞﾝｺｳ");
  bank.m_BANKKNJI = Ansi("新銀行");
  bank.m_FDENTYMD = base::CalendarDate(2024, 4, 1);
  ASSERT_EQ(app.UpdateRow(&bank), 1);
  EXPECT_EQ(bank.m_BANKKNJI, Ansi("新銀行"));

  // A date whose status is invalid is stored as NULL, not as whatever value
  // it still carries.
  ASSERT_EQ(app.EditRow(&bank), 1);
  bank.m_FDENTYMD.status = base::OleDate::kInvalid;
  ASSERT_EQ(app.UpdateRow(&bank), 1);
  app.CloseMasterDatabase();

  EXPECT_EQ(Rows("SELECT col FROM written ORDER BY col"),
            (std::vector<std::string>{"BANKKNJI", "FDENTYMD", "FDENTYMD"}));
  EXPECT_EQ(Rows("SELECT BANKCODE, BANKKANA, BANKKNJI, NEWOLDFLG, typeof(FDENTYMD) FROM TBANK"),
            (std::vector<std::string>{"6|ｷﾞﾝｺｳ|新銀行|7|null"}));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MasterDbTest, AddNewLeavesTheSetOnThePreviousRow) {
  Sql("INSERT INTO TBANK VALUES (10, 'ｼﾞｭｳ', '十', 1, 40000);"
      "INSERT INTO TBANK VALUES (30, 'ｻﾝｼﾞｭｳ', '三十', 1, 40000);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBankSet& bank = *app.bankSet;

  ASSERT_EQ(app.AddNewRow(&bank), 1);
  // The new row starts from the null markers.
  EXPECT_EQ(bank.m_BANKCODE, 1246576928);
  EXPECT_EQ(bank.m_NEWOLDFLG, 255);
  EXPECT_EQ(bank.m_FDENTYMD.status, base::OleDate::kNull);
  bank.m_BANKCODE = 20;
  bank.m_BANKKANA = Ansi("ﾆｼﾞｭｳ");
  bank.m_BANKKNJI = "";  // empty counts as unassigned
  bank.m_FDENTYMD = {45000, base::OleDate::kInvalid};
  ASSERT_EQ(app.UpdateRow(&bank), 1);

  EXPECT_EQ(bank.m_BANKCODE, 10);
  EXPECT_EQ(bank.m_BANKKANA, Ansi("ｼﾞｭｳ"));
  EXPECT_EQ(bank.m_BANKKNJI, Ansi("十"));
  EXPECT_EQ(bank.m_FDENTYMD.value, 40000);
  bank.MoveNext();
  EXPECT_EQ(bank.m_BANKCODE, 30);  // the new row joins only at the next requery

  // Editing after an add still edits the row the set stands on.
  ASSERT_EQ(app.EditRow(&bank), 1);
  bank.m_BANKKNJI = Ansi("参拾");
  ASSERT_EQ(app.UpdateRow(&bank), 1);

  ASSERT_EQ(app.RequerySet(&bank), 1);
  std::vector<std::int32_t> codes;
  for (; !bank.IsEOF(); bank.MoveNext()) codes.push_back(bank.m_BANKCODE);
  EXPECT_EQ(codes, (std::vector<std::int32_t>{10, 20, 30}));
  app.CloseMasterDatabase();
  EXPECT_EQ(Rows("SELECT BANKCODE, BANKKANA, BANKKNJI, NEWOLDFLG, FDENTYMD FROM TBANK ORDER BY 1"),
            (std::vector<std::string>{"10|ｼﾞｭｳ|十|1|40000.0", "20|ﾆｼﾞｭｳ|NULL|NULL|NULL",
                                      "30|ｻﾝｼﾞｭｳ|参拾|1|40000.0"}));
}

TEST_F(MasterDbTest, TextsAreCodePage932InMembersAndUtf8InTheFile) {
  // A name stored by another program, with a character that code page 932
  // lacks (U+1F3E6).
  Sql("INSERT INTO TBANK VALUES (1, 'ﾐﾂﾋﾞｼ', '三菱🏦銀行', NULL, NULL);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBankSet& bank = *app.bankSet;
  EXPECT_EQ(bank.m_BANKKANA, std::string("\xD0\xC2\xCB\xDE\xBC"));  // single-byte kana
  EXPECT_EQ(bank.m_BANKKNJI, Ansi("三菱銀行"));

  // Left unchanged, the stored name keeps what the member could not show.
  ASSERT_EQ(app.EditRow(&bank), 1);
  bank.m_BANKKANA = Ansi("ﾐﾂﾋﾞｼUFJ");
  ASSERT_EQ(app.UpdateRow(&bank), 1);

  // A lead byte left alone at the end of a field (a name cut through its
  // last character) is dropped; the rest is stored.
  AddBank(bank, 2, "ﾄｳｷｮｳ", "東京", base::CalendarDate(2024, 1, 1));
  ASSERT_EQ(app.AddNewRow(&bank), 1);
  bank.m_BANKCODE = 3;
  bank.m_BANKKNJI = Ansi("大阪") + "\x8B";
  ASSERT_EQ(app.UpdateRow(&bank), 1);

  // Any other byte that is no character fails the row, and nothing of it
  // is written.
  ASSERT_EQ(app.AddNewRow(&bank), 1);
  bank.m_BANKCODE = 4;
  bank.m_BANKKNJI = Ansi("名古") + "\x81\x20" + Ansi("屋");
  EXPECT_EQ(app.UpdateRow(&bank), 0);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], Ansi("フィールド 'BANKKNJI' の文字列に、文字として読めないバイトがあります。"));
  bank.CancelUpdate();
  EXPECT_EQ(bank.m_BANKKNJI, Ansi("三菱銀行"));
  app.CloseMasterDatabase();

  EXPECT_EQ(Rows("SELECT BANKCODE, BANKKANA, BANKKNJI FROM TBANK ORDER BY 1"),
            (std::vector<std::string>{"1|ﾐﾂﾋﾞｼUFJ|三菱🏦銀行", "2|ﾄｳｷｮｳ|東京", "3|NULL|大阪"}));
}

// ---- Opening and closing -------------------------------------------------------------

struct OpenFailure {
  const char* name;
  const char* setup;  // what the file at the master's path is
  const char* error;  // UTF-8; empty: the path is shown as given
};

// Shown by name when a case fails.
void PrintTo(const OpenFailure& c, std::ostream* os) { *os << c.name; }

class MasterOpenFailureTest : public MasterDbTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(MasterOpenFailureTest, ShowsTheEngineErrorAndCreatesNoSet) {
  const OpenFailure& c = GetParam();
  const std::string setup = c.setup;
  // A file that is no database is refused as it is: the engine never writes
  // into it.
  const bool noDatabase = setup == "text" || setup == "empty";
  if (setup == "missing") {
    std::filesystem::remove(path);
  } else if (noDatabase) {
    dir.Write("Bnkdb.lca", setup == "text" ? std::string(4096, 'x') : std::string());
  } else {
    Sql(setup);
  }
  const std::string before = noDatabase ? FileBytesOf(path) : std::string();
  EXPECT_EQ(app.OpenMasterDatabase(), 0);
  if (noDatabase) {
    EXPECT_EQ(FileBytesOf(path), before);
  }
  const Text expected = *c.error != '\0' ? Ansi(c.error)
                                         : Ansi("データベース ファイル '") + path + Ansi("' を開けません。");
  EXPECT_EQ(Errors(), std::vector<Text>{expected});
  if (setup == "missing" || noDatabase) {
    EXPECT_FALSE(app.database->IsOpen());
    EXPECT_EQ(app.bankSet, nullptr);
    EXPECT_EQ(app.branchSet, nullptr);
  }
  // Whatever was reached is cleaned up by closing, without a word.
  app.CloseMasterDatabase();
  EXPECT_EQ(app.bankSet, nullptr);
  EXPECT_EQ(app.branchSet, nullptr);
  EXPECT_FALSE(app.database->IsOpen());
  EXPECT_EQ(ui.boxes.size(), 1u);
  // ... and nothing of it keeps the file.
  if (setup != "missing" && !noDatabase) {
    EXPECT_EQ(Rows("SELECT count(*) FROM sqlite_master").size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MasterOpenFailureTest,
    ::testing::Values(OpenFailure{"Missing", "missing", ""},
                      OpenFailure{"NotADatabase", "text", "ファイルはデータベースではありません。"},
                      OpenFailure{"EmptyFile", "empty", "ファイルはデータベースではありません。"},
                      // Stored values the members cannot hold, on the first rows the sets read.
                      OpenFailure{"DateThatIsNoDateNumber", "INSERT INTO TBANK VALUES (1, 'ｱ', '亜', 0, 1e300);",
                                  "フィールド 'FDENTYMD' の値 1e+300 は日付として読めません。"},
                      OpenFailure{"CodeBeyond32Bits", "INSERT INTO TBRAN (BANKCODE, BRNCCODE) VALUES (4294967297, 1);",
                                  "フィールド 'BANKCODE' の値 4294967297 はこのフィールドに収まりません。"},
                      OpenFailure{"NoBankTable", "DROP TABLE TBANK;", "テーブル 'TBANK' が見つかりません。"},
                      OpenFailure{"NoBranchTable", "DROP TABLE TBRAN;", "テーブル 'TBRAN' が見つかりません。"},
                      OpenFailure{"NoColumn",
                                  "DROP TABLE TBANK; CREATE TABLE TBANK (BANKCODE INTEGER, BANKKANA TEXT, "
                                  "BANKKNJI TEXT, FDENTYMD REAL);",
                                  "フィールド 'NEWOLDFLG' が見つかりません。"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MasterDbTest, FailedOpenLeavesWhatItReachedForCloseToCleanUp) {
  Sql("DROP TABLE TBRAN;");
  EXPECT_EQ(app.OpenMasterDatabase(), 0);
  // The database and the bank set were reached; the branch set was made but
  // could not open.
  EXPECT_TRUE(app.database->IsOpen());
  ASSERT_NE(app.bankSet, nullptr);
  EXPECT_TRUE(app.bankSet->IsOpen());
  ASSERT_NE(app.branchSet, nullptr);
  EXPECT_FALSE(app.branchSet->IsOpen());
  app.CloseMasterDatabase();
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_FALSE(app.database->IsOpen());
  EXPECT_EQ(Rows("SELECT count(*) FROM TBANK"), std::vector<std::string>{"0"});  // lock released
}

TEST_F(MasterDbTest, SecondOpenKeepsTheDatabaseAndReopensTheSetsOnTheirFirstRows) {
  Sql("INSERT INTO TBANK (BANKCODE) VALUES (1), (2);"
      "INSERT INTO TBRAN (BANKCODE, BRNCCODE) VALUES (1, 1), (1, 2);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CDaoDatabase* database = app.database.get();
  app.bankSet->MoveNext();
  app.bankSet->MoveNext();
  app.branchSet->MoveNext();
  ASSERT_TRUE(app.bankSet->IsEOF());

  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_EQ(app.database.get(), database);
  EXPECT_TRUE(database->IsOpen());
  EXPECT_EQ(app.bankSet->m_BANKCODE, 1);
  EXPECT_EQ(app.branchSet->m_BRNCCODE, 1);
  EXPECT_TRUE(ui.boxes.empty());
}

// ---- Queries and statements -------------------------------------------------------------

TEST_F(MasterDbTest, CountRowsCountsAndReportsAMissingTable) {
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_EQ(app.CountRows("TBANK"), 0);
  AddBank(*app.bankSet, 1, "ｱ", "亜", base::CalendarDate(2024, 1, 1));
  AddBank(*app.bankSet, 2, "ｲ", "伊", base::CalendarDate(2024, 1, 1));
  EXPECT_EQ(app.CountRows("TBANK"), 2);
  EXPECT_TRUE(ui.boxes.empty());

  EXPECT_EQ(app.CountRows("TNOSUCH"), 0);
  EXPECT_EQ(Errors(), std::vector<Text>{Ansi("テーブル 'TNOSUCH' が見つかりません。")});
  // The bound sets are left where they stood.
  EXPECT_TRUE(app.bankSet->IsEOF());
  EXPECT_TRUE(app.bankSet->IsOpen());
}

TEST_F(MasterDbTest, DeleteRowsRunsTheJetStatementAllOrNothing) {
  Sql("INSERT INTO TBANK (BANKCODE) VALUES (5), (6), (9900);"
      "INSERT INTO TBRAN (BANKCODE, BRNCCODE) VALUES (5, 1), (6, 1), (6, 2), (7, 1), (9900, 1);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);

  EXPECT_EQ(app.DeleteRows("TBRAN", "[BANKCODE] = 6"), 1);
  EXPECT_EQ(app.DeleteRows("TBANK", "([BANKCODE] BETWEEN 0 AND 9999) AND (NOT ([BANKCODE] = 9900))"), 1);
  EXPECT_EQ(app.CountRows("TBRAN"), 3);
  EXPECT_EQ(app.CountRows("TBANK"), 1);

  // A statement that fails part-way changes nothing.
  app.CloseMasterDatabase();
  Sql("CREATE TRIGGER keep7 BEFORE DELETE ON TBRAN WHEN old.BANKCODE = 7 "
      "BEGIN SELECT RAISE(ABORT, 'kept'); END;");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_EQ(app.DeleteRows("TBRAN", ""), 0);
  EXPECT_EQ(app.CountRows("TBRAN"), 3);
  EXPECT_EQ(app.DeleteRows("TBRAN", "[NOSUCH] = 1"), 0);
  EXPECT_EQ(Errors(), (std::vector<Text>{Ansi("制約に違反するため、書き込めません。 (kept)"), Ansi("フィールド 'NOSUCH' が見つかりません。")}));

  EXPECT_EQ(app.DeleteRows("TBANK", ""), 1);
  app.CloseMasterDatabase();
  EXPECT_EQ(Rows("SELECT count(*) FROM TBANK"), std::vector<std::string>{"0"});
  EXPECT_EQ(Rows("SELECT BANKCODE, BRNCCODE FROM TBRAN ORDER BY 1"),
            (std::vector<std::string>{"5|1", "7|1", "9900|1"}));
}

TEST_F(MasterDbTest, ReadFirstEditionDateReadsTheRange) {
  Sql("INSERT INTO TBANK (BANKCODE, FDENTYMD) VALUES (5, 45000), (150, NULL);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);

  struct Case {
    const char* clause;
    base::OleDate::Status status;
    double value;
  };
  for (const Case& c : {Case{"", base::OleDate::kValid, 45000},
                        Case{"[BANKCODE] BETWEEN 0 AND 99", base::OleDate::kValid, 45000},
                        Case{"[BANKCODE] BETWEEN 100 AND 199", base::OleDate::kNull, 0},
                        Case{"[BANKCODE] BETWEEN 200 AND 299", base::OleDate::kInvalid, 0}}) {
    app.rangeClause = c.clause;
    const base::OleDate date = app.ReadFirstEditionDate();
    EXPECT_EQ(date.status, c.status) << c.clause;
    if (c.status == base::OleDate::kValid) {
      EXPECT_EQ(date.value, c.value) << c.clause;
    }
  }
  EXPECT_TRUE(ui.boxes.empty());

  app.rangeClause = "[NOSUCH] = 1";
  EXPECT_EQ(app.ReadFirstEditionDate().status, base::OleDate::kInvalid);
  EXPECT_EQ(ui.boxes.size(), 1u);
}

// ---- Durability -----------------------------------------------------------------------

TEST_F(MasterDbTest, OutsideATransactionEachRowStandsAlone) {
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CBankSet& bank = *app.bankSet;
  AddBank(bank, 1, "ｱ", "亜", base::CalendarDate(2024, 1, 1));
  AddBank(bank, 2, "ｲ", "伊", base::CalendarDate(2024, 1, 1));
  std::vector<std::string> seenWhileShown;
  const std::string copy = dir.File("copy.lca");
  ui.onBox = [&](const fw::memory::ShownBox&) {
    CopyFileBytes(path, copy);
    seenWhileShown = FileRows(copy, "SELECT BANKCODE FROM TBANK ORDER BY 1");
  };
  ASSERT_EQ(app.AddNewRow(&bank), 1);
  bank.m_BANKCODE = 1;  // a key the master already has
  EXPECT_EQ(app.UpdateRow(&bank), 0);
  EXPECT_EQ(Errors(), std::vector<Text>{Ansi("同じキーのレコードが既にあるため、書き込めません。 (TBANK.BANKCODE)")});
  EXPECT_EQ(seenWhileShown, (std::vector<std::string>{"1", "2"}));
}

TEST_F(MasterDbTest, ATransactionReachesTheFileAtItsCommitAndARollbackLeavesNothing) {
  Sql("INSERT INTO TBANK (BANKCODE) VALUES (1);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  CDaoWorkspace& workspace = *app.database->m_pWorkspace;
  const std::string copy = dir.File("copy.lca");
  auto onDisk = [&] {
    CopyFileBytes(path, copy);
    return FileRows(copy, "SELECT BANKCODE FROM TBANK ORDER BY 1");
  };

  workspace.BeginTrans();
  AddBank(*app.bankSet, 8, "ﾊ", "八", base::CalendarDate(2024, 1, 1));
  EXPECT_EQ(app.DeleteRows("TBANK", "[BANKCODE] = 1"), 1);
  EXPECT_EQ(onDisk(), std::vector<std::string>{"1"});
  workspace.CommitTrans();
  EXPECT_EQ(onDisk(), std::vector<std::string>{"8"});
  EXPECT_TRUE(app.database->IsOpen());

  workspace.BeginTrans();
  AddBank(*app.bankSet, 9, "ｸ", "九", base::CalendarDate(2024, 1, 1));
  workspace.Rollback();
  // Closed in the middle of a transaction: nothing of it is kept either.
  workspace.BeginTrans();
  AddBank(*app.bankSet, 10, "ｼﾞﾕｳ", "十", base::CalendarDate(2024, 1, 1));
  app.CloseMasterDatabase();
  EXPECT_EQ(Rows("SELECT BANKCODE FROM TBANK ORDER BY 1"), std::vector<std::string>{"8"});
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MasterDbTest, ADiskFullInsideATransactionLeavesNothingOfIt) {
  Sql("INSERT INTO TBANK (BANKCODE) VALUES (-1);");
  const int pages = std::stoi(Rows("PRAGMA page_count")[0]);
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  app.database->Execute("PRAGMA max_page_count = " + std::to_string(pages + 2), dbFailOnError);
  ASSERT_EQ(masterdb::BeginTransaction(app.database.get(), app), 1);
  CBankSet& bank = *app.bankSet;
  int written = 0;
  for (;; ++written) {
    ASSERT_LT(written, 1000) << "the file never filled up";
    ASSERT_EQ(app.AddNewRow(&bank), 1);
    bank.m_BANKCODE = written;
    bank.m_BANKKNJI = Text(200, 'x');
    if (app.UpdateRow(&bank) != 1) break;
  }
  EXPECT_GT(written, 10);
  EXPECT_EQ(Errors(), std::vector<Text>{Ansi("ディスクに空きがないため、データベースに書き込めません。")});
  // Whatever the engine kept of the transaction cannot be committed.
  EXPECT_EQ(masterdb::CommitTransaction(app.database.get(), app), 0);
  app.CloseMasterDatabase();
  EXPECT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(Rows("SELECT count(*), min(BANKCODE) FROM TBANK"), std::vector<std::string>{"1|-1"});
  EXPECT_EQ(Rows("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

// ---- Memory -----------------------------------------------------------------------------

TEST_F(MasterDbTest, LackOfMemoryIsReportedButPassesThroughRequery) {
  // Without a key to walk by, the branches are sorted in memory: that is
  // where the engine meets the limit.
  Sql("DROP TABLE TBRAN; CREATE TABLE TBRAN (BANKCODE INTEGER, BRNCCODE INTEGER, BRNCKANA TEXT, "
      "BRNCKNJI TEXT, NEWOLDFLG INTEGER, FDENTYMD REAL);"
      "INSERT INTO TBRAN (BANKCODE, BRNCCODE) VALUES (2, 1), (1, 1);");
  ASSERT_EQ(app.OpenMasterDatabase(), 1);
  struct HeapLimit {
    HeapLimit() { sqlite3_hard_heap_limit64(1); }
    ~HeapLimit() { sqlite3_hard_heap_limit64(0); }
  };
  {
    HeapLimit limit;
    EXPECT_THROW(app.RequerySet(app.branchSet.get()), CMemoryException);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(app.OpenMasterDatabase(), 0);
  }
  EXPECT_EQ(Errors(), std::vector<Text>{Ansi("ﾒﾓﾘが不足しています。")});
  EXPECT_EQ(app.OpenMasterDatabase(), 1);
  EXPECT_EQ(app.branchSet->m_BANKCODE, 1);
}

// ---- The empty master ---------------------------------------------------------------------

TEST(MasterSchemaTest, CreatesAnEmptyMasterAndReplacesOnlyWhenAsked) {
  TempDir dir;
  const std::string path = dir.File("Bnkdb.lca");
  ASSERT_EQ(masterdb::CreateMaster(path, false), "");
  FileSql(path, "INSERT INTO TBANK (BANKCODE) VALUES (1);");
  EXPECT_NE(masterdb::CreateMaster(path, false), "");
  EXPECT_EQ(FileRows(path, "SELECT count(*) FROM TBANK"), std::vector<std::string>{"1"});

  // A journal left by a crash of the old master must not be played into
  // the new one.
  dir.Write("Bnkdb.lca-journal", std::string(1024, '\x01'));
  ASSERT_EQ(masterdb::CreateMaster(path, true), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("Bnkdb.lca-journal")));
  EXPECT_EQ(FileRows(path, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY 1"),
            (std::vector<std::string>{
                "TBANK|CREATE TABLE TBANK (BANKCODE INTEGER NOT NULL, BANKKANA TEXT, BANKKNJI TEXT, "
                "NEWOLDFLG INTEGER, FDENTYMD REAL, PRIMARY KEY (BANKCODE))",
                "TBRAN|CREATE TABLE TBRAN (BANKCODE INTEGER NOT NULL, BRNCCODE INTEGER NOT NULL, "
                "BRNCKANA TEXT, BRNCKNJI TEXT, NEWOLDFLG INTEGER, FDENTYMD REAL, "
                "PRIMARY KEY (BANKCODE, BRNCCODE))"}));
  EXPECT_EQ(FileRows(path, "SELECT count(*) FROM TBANK"), std::vector<std::string>{"0"});
}
