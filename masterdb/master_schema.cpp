#include "masterdb/master_schema.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace masterdb {

const char kMasterSchema[] =
    "CREATE TABLE TBANK ("
    "BANKCODE INTEGER NOT NULL, BANKKANA TEXT, BANKKNJI TEXT, NEWOLDFLG INTEGER, FDENTYMD REAL, "
    "PRIMARY KEY (BANKCODE));"
    "CREATE TABLE TBRAN ("
    "BANKCODE INTEGER NOT NULL, BRNCCODE INTEGER NOT NULL, BRNCKANA TEXT, BRNCKNJI TEXT, "
    "NEWOLDFLG INTEGER, FDENTYMD REAL, PRIMARY KEY (BANKCODE, BRNCCODE));";

namespace {

std::filesystem::path FsPath(const std::string& enginePath) {
  // SQLite takes UTF-8 names on every system; so does this path.
  return std::filesystem::path(std::u8string(enginePath.begin(), enginePath.end()));
}

// Writes the schema into a new file at `enginePath`.
std::string Build(const std::string& enginePath) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(enginePath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
      const std::string script = std::string("BEGIN;") + kMasterSchema + "COMMIT;";
      rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr);
    }
  }
  std::string error = rc == SQLITE_OK ? std::string() : std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  if (sqlite3_close(db) != SQLITE_OK && error.empty()) error = "cannot close the new master";
  return error;
}

}  // namespace

std::string CreateMaster(const std::string& path, bool replace) {
  bool ok = false;
  const std::string enginePath = platform::EngineFileName(path, &ok);
  if (!ok) return "the path cannot be used: " + path;
  const std::filesystem::path target = FsPath(enginePath);
  std::error_code ec;
  const bool exists = std::filesystem::exists(target, ec);
  if (exists && !replace) return "a file already exists at " + path + " (replace it with --force)";

  // Built under another name and moved into place: a failure half-way never
  // leaves a broken master at the path.
  const std::string buildPath = enginePath + ".new";
  std::filesystem::remove(FsPath(buildPath), ec);
  std::filesystem::remove(FsPath(buildPath + "-journal"), ec);
  std::string error = Build(buildPath);
  if (error.empty() && exists) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
      std::filesystem::remove(FsPath(enginePath + suffix), ec);
      if (ec) {
        error = "cannot remove " + path + suffix + ": " + ec.message();
        break;
      }
    }
  }
  if (error.empty()) {
    if (!exists && std::filesystem::exists(target, ec)) {
      error = "a file appeared at " + path + " meanwhile; it was left alone";
    } else {
      std::filesystem::rename(FsPath(buildPath), target, ec);
      if (ec) error = "cannot put the master in place: " + ec.message();
    }
  }
  if (!error.empty()) std::filesystem::remove(FsPath(buildPath), ec);
  return error;
}

}  // namespace masterdb
