#include "support/update_fixture.h"

#include <fstream>
#include <iterator>

#include "masterdb/dao.h"
#include "masterdb/master_schema.h"
#include "update/update_run.h"

namespace fs = std::filesystem;

TransactionRecord BankRecord(int code, const char* kanaUtf8, const char* kanjiUtf8, base::OleDate date) {
  TransactionRecord r;
  r.type = 1;
  r.bankCode = code;
  r.kanaName = Ansi(kanaUtf8);
  r.kanjiName = Ansi(kanjiUtf8);
  r.date = date;
  return r;
}

TransactionRecord BranchRecord(int bank, int branch, const char* kanaUtf8, const char* kanjiUtf8,
                               base::OleDate date) {
  TransactionRecord r = BankRecord(bank, kanaUtf8, kanjiUtf8, date);
  r.type = 2;
  r.branchCode = branch;
  return r;
}

TransactionRecord OtherRecord(int type) {
  TransactionRecord r = BankRecord(77, "ｻﾞﾂ", "雑", base::CalendarDate(2006, 1, 1));
  r.type = type;
  return r;
}

UpdateFiles::UpdateFiles() {
  common = dir.path() / "Common";
  fs::create_directories(common / "DAT");
  fs::create_directories(common / "Home");
  masterPath = (common / "DAT" / "BNKDB.LCA").string();
  backupPath = (common / "Home" / "ZMF0.BAK").string();
  EXPECT_EQ(masterdb::CreateMaster(masterPath, false), "");
}

std::string UpdateFiles::WritePackage(const std::string& name, const std::vector<TransactionRecord>& records) {
  return WriteRecords(dir.File(name), records);
}

std::string UpdateFiles::WriteRecords(const std::string& path, const std::vector<TransactionRecord>& records) {
  FakeReporter reporter;
  TransactionFile file(reporter);
  EXPECT_EQ(file.Open(path, 0), 1);
  for (const auto& r : records) {
    file.record = r;
    EXPECT_EQ(file.WriteRecord(), 1);
  }
  EXPECT_TRUE(reporter.errors.empty());
  return path;
}

std::string UpdateFiles::FileBytes(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

UpdateStepsTest::UpdateStepsTest() {
  context.database = std::make_unique<CDaoDatabase>();
  context.databasePath = masterPath;
  context.backupPath = backupPath;
}

UpdateStepsTest::~UpdateStepsTest() { update::CloseMasterDatabase(context, page); }

void UpdateStepsTest::OpenMaster() { ASSERT_EQ(update::OpenMasterDatabase(context, page), 1); }

std::vector<std::string> UpdateStepsTest::Rows(const std::string& sql) {
  update::CloseMasterDatabase(context, page);
  return FileRows(masterPath, sql);
}

UpdateRunTest::UpdateRunTest() {
  std::string script = "BEGIN;";
  const std::string day = std::to_string(base::CalendarDate(2005, 4, 1).value);
  for (int bank : {1, 5, 9, 40, 123, 9900}) {
    const std::string b = std::to_string(bank);
    script += "INSERT INTO TBANK VALUES (" + b + ",'ｷﾞﾝｺｳ" + b + "','銀行" + b + "',1," + day + ");";
    for (int branch = 0; branch < 3; ++branch)
      script += "INSERT INTO TBRAN VALUES (" + b + "," + std::to_string(branch) + ",'ｼﾃﾝ','支店'," +
                std::to_string(branch) + "," + day + ");";
  }
  FileSql(masterPath, script + "COMMIT;");
  pristine = FileBytes(masterPath);
  rowsBefore = MasterRows();

  const base::OleDate d = base::CalendarDate(2006, 4, 1);
  context.packagePath = WritePackage(
      "ZMF0", {BankRecord(1, "ﾐｽﾞﾎ", "みずほ", d), BankRecord(2, "ｼﾝｷ", "新規", d), BankRecord(9, "ｷﾞﾝｺｳ9", "銀行9", d),
               BankRecord(9900, "ﾕｳﾁﾖ", "ゆうちょ", d), BranchRecord(1, 0, "ﾎﾝﾃﾝ", "本店", d),
               BranchRecord(1, 7, "ｼﾝｷ", "新規", d), BranchRecord(2, 1, "ｼﾝｷ", "新規", d),
               BranchRecord(123, 2, "ｼﾃﾝ2", "支店二", d), BranchRecord(9900, 19, "ｾﾞﾛｲﾁｷﾕｳ", "〇一九", d)});
  context.packageEdition = d;
  context.rangeClause = "[BANKCODE] BETWEEN 0 AND 9999";
  context.rangeClauseKeepPostOffice = "([BANKCODE] BETWEEN 0 AND 9999) AND (NOT ([BANKCODE] = 9900))";
  WriteRecords(backupPath, {BankRecord(77, "ﾌﾙｲ", "古い", base::CalendarDate(2004, 1, 1))});
  previousBackup = FileBytes(backupPath);
}

void UpdateRunTest::Restore() {
  std::ofstream(masterPath, std::ios::binary | std::ios::trunc) << pristine;
  std::ofstream(backupPath, std::ios::binary | std::ios::trunc) << previousBackup;
  std::error_code ec;
  fs::remove(masterPath + "-journal", ec);
  fs::remove(backupPath + ".tmp", ec);
}

long UpdateRunTest::Run() {
  context.updating = 0;
  context.updateResult = 0;
  const long next = update::RunUpdate(context, ui);
  update::CloseMasterDatabase(context, page);
  return next;
}

std::vector<std::string> UpdateRunTest::MasterRows() const {
  std::vector<std::string> rows = FileRows(masterPath, "SELECT * FROM TBANK ORDER BY BANKCODE");
  for (auto& row : FileRows(masterPath, "SELECT * FROM TBRAN ORDER BY BANKCODE, BRNCCODE")) rows.push_back(row);
  return rows;
}

UpdateFixture::UpdateFixture() {
  AfxWinInit();
  app.database = std::make_unique<CDaoDatabase>();
  app.databasePath = masterPath;
  app.backupPath = backupPath;
  sheet.AddPage(&page2);
  sheet.AddPage(&page3);
}

UpdateFixture::~UpdateFixture() {
  wizard.reset();
  app.CloseMasterDatabase();
}

void UpdateFixture::OpenUpdatePage() { wizard = ui.OpenSheet(sheet); }

void UpdateFixture::OpenMaster() { ASSERT_EQ(app.OpenMasterDatabase(), 1); }

std::vector<std::string> UpdateFixture::Rows(const std::string& sql) {
  app.CloseMasterDatabase();
  return FileRows(masterPath, sql);
}
