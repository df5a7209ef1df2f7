// The database object: the master opened exclusively over one engine
// connection, and its action statements.  The connection keeps the batches
// in which record-set writes are saved (engine.h).
#include "masterdb/dao.h"
#include "engine.h"

using masterdb::LayerError;

CDaoDatabase::CDaoDatabase() = default;

CDaoDatabase::~CDaoDatabase() = default;

void CDaoDatabase::Open(const Text& path, bool exclusive, bool readOnly, const Text& connect) {
  if (IsOpen()) throw LayerError("データベースは既に開かれています。");
  if (!connect.empty()) throw LayerError("接続文字列は使用できません。");
  connection_ = std::make_unique<masterdb::Connection>(path, exclusive, readOnly);
}

void CDaoDatabase::Close() {
  if (!IsOpen()) return;
  // Gone from this object whatever closing reports.
  const std::unique_ptr<masterdb::Connection> connection = std::move(connection_);
  connection->Close();
}

void CDaoDatabase::Execute(const Text& sql, int /*options*/) {
  if (!IsOpen()) throw LayerError("データベースが開かれていません。");
  connection_->Execute(masterdb::ToEngineSql(sql));
}

void CDaoDatabase::CommitPending() {
  if (IsOpen()) connection_->SaveBatch();
}
