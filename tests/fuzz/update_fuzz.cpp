// A whole small update with any bytes as its package: never a fault, the
// master whole afterwards, and a run that fails leaves it as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <string>

#include "masterdb/master_schema.h"
#include "support/fake_user.h"
#include "support/master_file.h"
#include "update/update_context.h"
#include "update/update_run.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Put(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct Installation {
  Installation() {
    root = fs::temp_directory_path() / ("update-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(root / "Home");
    master = root / "BNKDB.LCA";
    if (!masterdb::CreateMaster(master.string(), true).empty()) __builtin_trap();
    FileSql(master.string(),
            "BEGIN; INSERT INTO TBANK VALUES (1,'ｱ','亜',0,38443.0); INSERT INTO TBANK VALUES (5,'ｺﾞ','五',1,38443.0);"
            "INSERT INTO TBRAN VALUES (1,0,'ﾎﾝﾃﾝ','本店',0,38443.0); INSERT INTO TBRAN VALUES (5,2,'ﾆ','二',0,NULL);"
            "COMMIT;");
    pristine = Bytes(master);
    rowsBefore = Rows();
  }
  ~Installation() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  std::vector<std::string> Rows() const {
    auto rows = FileRows(master.string(), "SELECT * FROM TBANK ORDER BY 1");
    for (auto& row : FileRows(master.string(), "SELECT * FROM TBRAN ORDER BY 1, 2")) rows.push_back(row);
    return rows;
  }

  fs::path root, master;
  std::string pristine;
  std::vector<std::string> rowsBefore;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Installation inst;
  Put(inst.master, inst.pristine);
  const fs::path package = inst.root / "ZMF0";
  Put(package, std::string(reinterpret_cast<const char*>(data), size));

  update::UpdateContext context;
  context.database = std::make_unique<CDaoDatabase>();
  context.databasePath = inst.master.string();
  context.backupPath = (inst.root / "Home" / "ZMF0.BAK").string();
  context.packagePath = package.string();
  context.rangeClause = "[BANKCODE] BETWEEN 0 AND 9999";
  FakeRunUi ui;
  ui.deleteRange = size % 2 == 1;
  update::RunUpdate(context, ui);
  update::CloseMasterDatabase(context, ui);

  if (FileRows(inst.master.string(), "PRAGMA integrity_check") != std::vector<std::string>{"ok"}) __builtin_trap();
  if (context.updateResult == 0 && inst.Rows() != inst.rowsBefore) __builtin_trap();
  return 0;
}
