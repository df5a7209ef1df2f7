// Finding the package beside the updater when the update page is first
// shown, and telling the user which range and edition it brings.
#include <cstdio>

#include "app/updater_app.h"
#include "install/probes.h"
#include "install/registry.h"
#include "platform/platform.h"
#include "transaction/transaction_file.h"
#include "transaction/update_package.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

// There is no category 2: no "ZMF2" is looked for.
const UpdatePackage kUpdatePackages[] = {
    {"ZMF0", "一括 (0000～9999)", "[BANKCODE] BETWEEN 0 AND 9999",
     "([BANKCODE] BETWEEN 0 AND 9999) AND (NOT ([BANKCODE] = 9900))"},
    {"ZMF1", "Tolmark銀行 (0006)", "[BANKCODE] = 6", nullptr},
    {"ZMF3", "都市銀行 (0000～0099)", "[BANKCODE] BETWEEN 0 AND 99", nullptr},
    {"ZMF4", "地方銀行・信託銀行 (0100～0999)", "[BANKCODE] BETWEEN 100 AND 999", nullptr},
    {"ZMF5", "信用金庫 (1000～1999)", "[BANKCODE] BETWEEN 1000 AND 1999", nullptr},
    {"ZMF6", "信用組合 (2000～2999)", "[BANKCODE] BETWEEN 2000 AND 2999", nullptr},
    {"ZMF7", "農協・その他1 (3000～6499)", "[BANKCODE] BETWEEN 3000 AND 6499", nullptr},
    {"ZMF8", "農協・その他2 (6500～9999)", "[BANKCODE] BETWEEN 6500 AND 9999",
     "([BANKCODE] BETWEEN 6500 AND 9999) AND (NOT ([BANKCODE] = 9900))"},
};

bool CWizPage2::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  UpdaterApp* app = App();

  // The exe's own folder; a trail byte 0x5C in its name is no separator.
  const Text exePath = platform::ModuleFileName();
  const Text directory = exePath.substr(0, static_cast<std::size_t>(FindLastChar(exePath, '\\') + 1));

  GetDlgItem(wizard::kIdKeepPostOffice).EnableWindow(false);

  const UpdatePackage* found = nullptr;
  for (const auto& package : kUpdatePackages) {
    if (FileExists(directory + package.fileName)) {
      found = &package;
      break;
    }
  }

  Text packageLine;
  if (found != nullptr) {
    app->rangeClause = found->rangeClause;
    if (found->rangeClauseKeepPostOffice != nullptr)
      app->rangeClauseKeepPostOffice = found->rangeClauseKeepPostOffice;
    app->packagePath = directory + found->fileName;
    app->packageEdition = ReadPackageEdition(app->packagePath);
    // An edition that is not a valid date shows as -1年-1月-1日版.
    char line[256];
    std::snprintf(line, sizeof line, Ansi("%s    %d年%d月%d日版").c_str(), Ansi(found->label).c_str(),
                  app->packageEdition.GetYear(), app->packageEdition.GetMonth(),
                  app->packageEdition.GetDay());
    packageLine = line;
    SetItemText(wizard::kIdPackageNote, Ansi("(カッコ内は対象となる銀行コードの範囲です)"));
  } else {
    packageLine = Ansi("更新用のトランザクションが見つかりません。");
  }
  SetItemText(wizard::kIdPackageLine, packageLine);

  GetDlgItem(wizard::kIdDeleteRange).SetCheck(0);
  GetDlgItem(wizard::kIdKeepPostOffice).SetCheck(0);
  return true;
}

app::OleDate CWizPage2::ReadPackageEdition(const Text& path) {
  // A package that was just found but cannot be read has no edition.
  app::OleDate edition = app::OleDate::Invalid();
  TransactionFile file;
  if (file.Open(path, 1)) edition = file.record.date;
  return edition;
}
