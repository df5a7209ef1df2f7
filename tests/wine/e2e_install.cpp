#include "e2e_install.h"

#include <windows.h>
#include <sqlite3.h>

#include <fstream>

#include "base/text.h"
#include "e2e.h"
#include "masterdb/master_schema.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

const wchar_t kProductKey[] = L"Software\\TolmarkEB\\Norvik\\Setup";
const wchar_t kCommonKey[] = L"Software\\TolmarkEB\\共通\\SetUp";

void SetDir(const wchar_t* key, const std::wstring& value) {
  HKEY k = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
  RegSetValueExW(k, L"Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
}

// The program's own spelling of a path: the ANSI code page.
std::string Acp(const fs::path& p) {
  const std::wstring w = p.wstring();
  const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

Installation::Installation(const std::wstring& productName, const std::wstring& commonName) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  root = fs::path(temp) / L"updater-e2e";
  product = root / productName;
  common = root / commonName;
  updaterDir = root / L"配布";
  fs::remove_all(root);
  fs::create_directories(product);
  fs::create_directories(common / L"DAT");
  fs::create_directories(common / L"Home");
  fs::create_directories(updaterDir);
  EXPECT_EQ(masterdb::CreateMaster(Acp(MasterPath()), false), "");
  UseVersion("2_8_65535_65535");
  SetProductDir(product.wstring());
  SetCommonDir(common.wstring());
  fs::copy_file(fs::path(uidriver::Widen(uidriver::WindowsPath(UpdaterExe()))),
                updaterDir / L"BankMasterUpdater.exe");
}

void Installation::UseVersion(const std::string& tag) {
  const fs::path fixture =
      fs::path(uidriver::Widen(uidriver::WindowsPath(std::getenv("FIXTURES_DIR")))) / uidriver::Widen("norvik_" + tag + ".exe");
  fs::copy_file(fixture, product / L"NORVIK.EXE", fs::copy_options::overwrite_existing);
}

void Installation::SetProductDir(const std::wstring& value) { SetDir(kProductKey, value); }
void Installation::SetCommonDir(const std::wstring& value) { SetDir(kCommonKey, value); }
void Installation::DeleteProductDir() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKey, L"Dir"); }
void Installation::DeleteCommonDir() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kCommonKey, L"Dir"); }

void Installation::MasterSql(const std::string& script) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(uidriver::Utf8(MasterPath().wstring()).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

std::vector<std::string> Installation::MasterRows(const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(uidriver::Utf8(MasterPath().wstring()).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open the master";
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        if (i > 0) row += "|";
        const auto* text = sqlite3_column_text(stmt, i);
        row += text ? reinterpret_cast<const char*>(text) : "NULL";
      }
      rows.push_back(row);
    }
  } else {
    ADD_FAILURE() << sqlite3_errmsg(db);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

void Installation::WritePackage(const std::string& name, const std::vector<TransactionRecord>& records) {
  struct : base::ErrorReporter {
    void ReportError(const Text& description) override { ADD_FAILURE() << "writing the package: " << description; }
  } reporter;
  TransactionFile file(reporter);
  ASSERT_EQ(file.Open(Acp(updaterDir / uidriver::Widen(name)), 0), 1);
  for (const auto& r : records) {
    file.record = r;
    ASSERT_EQ(file.WriteRecord(), 1);
  }
}

std::string Installation::UpdaterPath() const {
  return uidriver::Utf8((updaterDir / L"BankMasterUpdater.exe").wstring());
}

TransactionRecord Bank(int code, const char* kanaUtf8, const char* kanjiUtf8, int y, int m, int d) {
  TransactionRecord r;
  r.type = 1;
  r.bankCode = code;
  r.kanaName = Ansi(kanaUtf8);
  r.kanjiName = Ansi(kanjiUtf8);
  r.date.SetDate(y, m, d);
  return r;
}

TransactionRecord Branch(int bank, int branch, const char* kanaUtf8, const char* kanjiUtf8, int y, int m, int d) {
  TransactionRecord r = Bank(bank, kanaUtf8, kanjiUtf8, y, m, d);
  r.type = 2;
  r.branchCode = branch;
  return r;
}

}  // namespace e2e
