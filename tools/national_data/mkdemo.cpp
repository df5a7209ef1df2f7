// mkdemo DIR [--data FILE.tsv]
//
// Writes the demo's data into DIR: BNKDB.LCA, a master holding the list as
// of 2025-04-01, and ZMF0, the package of 2026-04-01 that renames and adds
// rows.  Without --data the list is the synthetic national one.
#include <cstdio>
#include <filesystem>
#include <string>

#include "national_data.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::string dir, data;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--data" && i + 1 < argc) {
      data = argv[++i];
    } else if (dir.empty() && !a.empty() && a[0] != '-') {
      dir = a;
    } else {
      dir.clear();
      break;
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: mkdemo DIR [--data FILE.tsv]\n");
    return 2;
  }
  try {
    namespace fs = std::filesystem;
    fs::create_directories(dir);
    const fs::path master = fs::path(dir) / "BNKDB.LCA";
    const fs::path package = fs::path(dir) / "ZMF0";
    fs::remove(master);
    fs::remove(package);
    auto source = data.empty() ? national_data::SyntheticList(1) : national_data::TsvList(data);
    national_data::ListStats stats;
    national_data::BuildMaster(master.string(), *source, base::CalendarDate(2025, 4, 1).value, stats);
    national_data::WritePackage(platform::ProgramPath(package.string()), *source,
                                base::CalendarDate(2026, 4, 1));
    std::printf("  %s\n  master : %ld banks, %ld branches, dated 2025-04-01\n"
                "  package: ZMF0, %ld banks and %ld branches, dated 2026-04-01 (%ld renamed, %ld added)\n",
                source->Describe().c_str(), stats.masterBanks, stats.masterBranches, stats.packageBanks,
                stats.packageBranches, stats.renamed, stats.added);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkdemo: %s\n", e.what());
    return 1;
  }
  return 0;
}
