#include "support/master_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "masterdb/dao.h"
#include "masterdb/master_schema.h"

std::vector<std::string> FileRows(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path;
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  } else {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        if (i > 0) row += "|";
        const auto* text = sqlite3_column_text(stmt, i);
        row += text == nullptr ? "NULL" : reinterpret_cast<const char*>(text);
      }
      rows.push_back(row);
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

void FileSql(const std::string& path, const std::string& script) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
            SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << script << ": " << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

MasterFixture::MasterFixture() {
  AfxWinInit();
  app.database = std::make_unique<CDaoDatabase>();
  app.databasePath = path;
  EXPECT_EQ(masterdb::CreateMaster(path, false), "");
}

MasterFixture::~MasterFixture() { app.CloseMasterDatabase(); }
