// PLACEHOLDER (to be replaced by the SQLite engine layer): just enough of the
// database objects for start-up and shutdown to compile.
#pragma once

class CDaoDatabase {
 public:
  virtual ~CDaoDatabase() = default;
  bool IsOpen() const { return open_; }
  void Close() { open_ = false; }

 private:
  bool open_ = false;
};

class CDaoRecordset {
 public:
  virtual ~CDaoRecordset() = default;
  bool IsOpen() const { return open_; }
  void Close() { open_ = false; }

 private:
  bool open_ = false;
};
