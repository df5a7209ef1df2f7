#include "support/update_fixture.h"

#include <fstream>
#include <iterator>

#include "masterdb/dao.h"
#include "masterdb/master_schema.h"

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
  const std::string path = dir.File(name);
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
