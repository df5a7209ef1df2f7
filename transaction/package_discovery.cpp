// Finding the package beside the updater, and telling the user which range
// and edition it brings.
#include <cstdio>

#include "platform/platform.h"
#include "platform/probes.h"
#include "transaction/transaction_file.h"
#include "transaction/update_package.h"

namespace transaction {

DiscoveredPackage DiscoverPackage(const Text& exePath, base::ErrorReporter& report) {
  // The exe's own folder; a trail byte 0x5C in its name is no separator.
  const Text folder = exePath.substr(0, static_cast<std::size_t>(platform::FindLastChar(exePath, '\\') + 1));
  DiscoveredPackage found;
  for (const auto& package : kUpdatePackages) {
    if (platform::FileExists(folder + package.fileName)) {
      found.package = &package;
      break;
    }
  }
  if (found.package == nullptr) {
    found.line = Ansi("更新用のトランザクションが見つかりません。");
    return found;
  }
  found.path = folder + found.package->fileName;
  found.edition = ReadPackageEdition(found.path, report);
  // An edition that is not a valid date shows as -1年-1月-1日版.
  char line[256];
  std::snprintf(line, sizeof line, Ansi("%s    %d年%d月%d日版").c_str(), Ansi(found.package->label).c_str(),
                found.edition.GetYear(), found.edition.GetMonth(), found.edition.GetDay());
  found.line = line;
  found.note = Ansi("(カッコ内は対象となる銀行コードの範囲です)");
  return found;
}

base::OleDate ReadPackageEdition(const Text& path, base::ErrorReporter& report) {
  // A package that was just found but cannot be read has no edition.
  base::OleDate edition = base::OleDate::Invalid();
  TransactionFile file(report);
  if (file.Open(path, 1)) edition = file.record.date;
  return edition;
}

}  // namespace transaction
