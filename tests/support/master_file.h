// A master file in a test: made empty, filled and read back with SQLite
// directly, as another tool would (texts as stored, UTF-8).
#pragma once

#include <string>
#include <vector>

#include "base/ole_date.h"
#include "app/updater_app.h"
#include "support/memory_ui.h"
#include "support/temp_dir.h"

// Rows of `sql`, each as its columns joined by '|', NULL as "NULL".
std::vector<std::string> FileRows(const std::string& path, const std::string& sql);
// Runs a script on the file (creating it if need be).
void FileSql(const std::string& path, const std::string& script);

// An application with an empty master in a folder of its own, closed at the end.
class MasterFixture : public MemoryUiTest {
 protected:
  MasterFixture();
  ~MasterFixture() override;

  TempDir dir;
  std::string path = dir.File("Bnkdb.lca");
  UpdaterApp app;
};
