// A Norvik installation for the end-to-end tests, made in the prefix's temp
// folder: both registry values, a stand-in NORVIK.EXE, the common folder
// with a real master and the Home folder, and a copy of the updater in a
// folder of its own where a package can be laid beside it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "transaction/transaction_file.h"

namespace e2e {

class Installation {
 public:
  // Folder names may be Japanese.  Directories are registered without their
  // final separator, as a user may have typed them.
  Installation(const std::wstring& productName = L"App", const std::wstring& commonName = L"Common");

  void UseVersion(const std::string& tag);  // e.g. "2_8_65535_65535", "noversion"
  void SetProductDir(const std::wstring& value);
  void SetCommonDir(const std::wstring& value);
  void DeleteProductDir();
  void DeleteCommonDir();

  // The master, through SQLite directly (texts in UTF-8).
  void MasterSql(const std::string& script);
  std::vector<std::string> MasterRows(const std::string& sql);

  // A package beside the updater's copy.
  void WritePackage(const std::string& name, const std::vector<TransactionRecord>& records);
  std::string UpdaterPath() const;  // the copy, as a Windows path in UTF-8

  std::filesystem::path root, product, common, updaterDir;
  std::filesystem::path MasterPath() const { return common / L"DAT" / L"BNKDB.LCA"; }
  std::filesystem::path BackupPath() const { return common / L"Home" / L"ZMF0.BAK"; }
};

TransactionRecord Bank(int code, const char* kanaUtf8, const char* kanjiUtf8, int y, int m, int d);
TransactionRecord Branch(int bank, int branch, const char* kanaUtf8, const char* kanjiUtf8, int y, int m,
                         int d);

}  // namespace e2e
