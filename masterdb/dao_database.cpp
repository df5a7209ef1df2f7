// The database object: the master opened exclusively over one engine
// connection, its action statements and its workspace's transaction.
#include "masterdb/dao.h"
#include "engine.h"

using masterdb::LayerError;

namespace {

masterdb::Connection& OpenConnection(const CDaoDatabase& database) {
  if (!database.IsOpen()) throw LayerError("データベースが開かれていません。");
  return *database.Connection();
}

}  // namespace

CDaoDatabase::CDaoDatabase() = default;

CDaoDatabase::~CDaoDatabase() = default;

void CDaoDatabase::Open(const Text& path, bool exclusive, bool readOnly, const Text& connect) {
  if (IsOpen()) throw LayerError("データベースは既に開かれています。");
  if (!connect.empty()) throw LayerError("接続文字列は使用できません。");
  connection_ = std::make_unique<masterdb::Connection>(path, exclusive, readOnly);
}

void CDaoDatabase::Close() { connection_.reset(); }

void CDaoDatabase::Execute(const Text& sql, int /*options*/) {
  OpenConnection(*this).Execute(masterdb::ToEngineSql(sql));
}

void CDaoWorkspace::BeginTrans() { OpenConnection(database_).BeginTransaction(); }
void CDaoWorkspace::CommitTrans() { OpenConnection(database_).CommitTransaction(); }
void CDaoWorkspace::Rollback() { OpenConnection(database_).RollbackTransaction(); }
