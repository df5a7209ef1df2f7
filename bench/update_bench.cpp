// update_bench: the update run at national scale, in figures.
//
// Builds a master and a full package "ZMF0" from the national list (synthetic
// or real; tools/national_data), runs the update page's own code on them, on
// a real file on disk, through the in-memory wizard, and prints how long the
// run takes next to the same job done by hand with the sqlite3 shell and next
// to the floor of its file work (the package read and the backup's bytes
// written, no database), and the peak resident memory of this process.
//
//   update_bench [--scale K] [--data FILE.tsv] [--repeat N] [--work DIR]
//                [--reference-seconds A[,B]] [--no-reference] [--variant a|b]
//                [--breakdown] [--keep]
//
// --scale K     rows x K (branches x K, banks x K up to what four-digit codes
//               allow); 0 is an empty master and an empty package.
// --data FILE   a real list instead: UTF-8 TSV with the header
//               "type bank branch kanji kana" (1 bank, 2 branch).
// --repeat N    runs of each measurement; the figures are medians.
// --reference-seconds A[,B]
//               the sqlite3 job's times, measured elsewhere (for the Windows
//               build, which cannot start the shell under Wine): A for the run
//               that deletes the range first, B for the plain merge (B = A
//               when left out).
// --variant a|b only the run that deletes the range first (a), or only the
//               plain merge (b): for looking at one with a profiler.
// --breakdown   where the time of the plain merge's run goes: the calls that
//               the product's backup and merge make, counted as they run,
//               times their unit costs timed in this build; and the drain of
//               the message queue, timed as the product calls it.
//
// The last line of the output, "RESULT key=value ...", is for scripts.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/updater_app.h"
#include "base/code_page.h"
#include "framework/afx.h"
#include "framework/memory_backend.h"
#include "masterdb/dao.h"
#include "masterdb/master_operations.h"
#include "masterdb/master_schema.h"
#include "masterdb/record_sets.h"
#include "national_data.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/probes.h"
#include "transaction/transaction_file.h"
#include "update/all_or_nothing.h"
#include "update/backup.h"
#include "update/merge.h"
#include "update/progress.h"
#include "update/range_deletion.h"
#include "wizard/pages.h"
#include "wizard/resource_ids.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim.h"
extern char** environ;
#endif

extern const char kMessagesScript[];
extern const char kPagesScript[];

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Thrown rather than exiting, so that the work folder and the package are
// removed on the way out.
struct BenchError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& what) { throw BenchError(what); }

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Peak resident memory of this process so far, in KiB.
long PeakRssKiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS pmc{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) return -1;
  return static_cast<long>(pmc.PeakWorkingSetSize / 1024);
#else
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  return usage.ru_maxrss;  // KiB on Linux
#endif
}

std::string Mib(long kib) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f MiB", kib / 1024.0);
  return buf;
}

std::string Fixed(double v, int digits = 3) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

using national_data::ListStats;
using national_data::Source;

using national_data::ToUtf8;

// The bench's own failures of the product's file layer end the run.
struct FailingReporter : base::ErrorReporter {
  void ReportError(const Text& description) override { Fail(ToUtf8(description)); }
};

// ---- Files -----------------------------------------------------------------------

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    Fail(std::string(what) + ": " + sqlite3_errmsg(db));
}

// The package as a UTF-8 TSV for the sqlite3 shell, read back with the
// program's reader so it holds what the merge would write: the kana name
// trimmed, the kanji field's 16 bytes, the date as the master stores it.
void PackageToTsv(const Text& package, const std::string& tsv) {
  FailingReporter reporter;
  TransactionFile file(reporter);
  if (file.Open(package, 1) != 1) Fail("cannot read the package back");
  std::ofstream out(tsv, std::ios::binary);
  char date[40];
  for (; !file.AtEnd(); file.ReadNext()) {
    const TransactionRecord& r = file.record;
    if (r.date.status == base::OleDate::kValid)
      std::snprintf(date, sizeof date, "%.17g", r.date.value);
    else
      date[0] = '\0';
    out << r.type << '\t' << r.bankCode << '\t' << r.branchCode << '\t' << ToUtf8(r.kanaName) << '\t'
        << ToUtf8(r.kanjiName) << '\t' << date << '\n';
  }
  if (!out) Fail("cannot write " + tsv);
}

// A digest of both tables' rows in key order, every column with its type.
std::uint64_t MasterDigest(const std::string& path) {
  sqlite3* db = nullptr;
  Check(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), "open for digest");
  std::uint64_t h = 0xCBF29CE484222325ull;
  auto mix = [&h](const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 0x100000001B3ull;
  };
  for (const char* sql : {"SELECT * FROM TBANK ORDER BY BANKCODE", "SELECT * FROM TBRAN ORDER BY BANKCODE, BRNCCODE"}) {
    sqlite3_stmt* s = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql, -1, &s, nullptr), "digest query");
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        const unsigned char type = static_cast<unsigned char>(sqlite3_column_type(s, i));
        mix(&type, 1);
        if (type == SQLITE_INTEGER) {
          const std::int64_t v = sqlite3_column_int64(s, i);
          mix(&v, sizeof v);
        } else if (type == SQLITE_FLOAT) {
          const double v = sqlite3_column_double(s, i);
          mix(&v, sizeof v);
        } else if (type != SQLITE_NULL) {
          const void* p = sqlite3_column_blob(s, i);
          mix(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
        }
      }
      mix("\n", 1);
    }
    Check(db, rc, "digest");
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return h;
}

void CopyFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::remove(to.string() + "-journal", ec);
  // Removed first: mingw's copy_file refuses to overwrite.
  fs::remove(to, ec);
  fs::copy_file(from, to, ec);
  if (ec) Fail("cannot copy " + from.string() + ": " + ec.message());
}

// ---- The product's run -----------------------------------------------------------------

struct Installation {
  fs::path common;
  fs::path pristine;  // the master before any run; copied for each
  Text masterPath, backupPath;
};

struct StepTimes {
  double open = 0, confirm = 0, backup = 0, del = 0, merge = 0, commit = 0, close = 0;
  double LockToEnd() const { return backup + del + merge + commit; }
};

void DrainQueue() {
  while (platform::DispatchOnePendingMessage()) {
  }
}

std::string BoxTexts(const fw::memory::MemoryBackend& ui) {
  std::string s;
  for (const auto& box : ui.boxes) s += " [" + base::Cp932ToUtf8(box.text) + "]";
  return s;
}

// The update context and the wizard as the program has them when the user
// stands on the update page: a fresh copy of the master, discovery done.
struct Session {
  Session(fw::memory::MemoryBackend& ui, const Installation& inst) : ui(ui) {
    CopyFile(inst.pristine, fs::path(inst.masterPath));
    std::error_code ec;
    fs::remove(fs::path(inst.backupPath), ec);
    DrainQueue();
    ui.boxes.clear();
    ui.answers.clear();
    AfxWinInit();
    app.database = std::make_unique<CDaoDatabase>();
    app.databasePath = inst.masterPath;
    app.backupPath = inst.backupPath;
    sheet.AddPage(&page2);
    sheet.AddPage(&page3);
    wizard = ui.OpenSheet(sheet);
    if (app.packagePath.empty()) Fail("the update page found no package");
  }
  ~Session() {
    wizard.reset();
    app.CloseMasterDatabase();
    DrainQueue();
  }
  void Expect(bool ok, const char* step) const {
    if (!ok) Fail(std::string(step) + " failed; messages:" + BoxTexts(ui));
  }

  fw::memory::MemoryBackend& ui;
  UpdaterApp app;
  CWizPage2 page2{app};
  CWizPage3 page3{app};
  CPropertySheet sheet;
  std::unique_ptr<fw::memory::MemoryWizard> wizard;
};

// "更新" pressed on the update page, as the user does it: the real handler
// from the delete confirmation to the completion page.  Returns its seconds;
// the master is left as the run left it, closed.
double WholeRun(fw::memory::MemoryBackend& ui, const Installation& inst, bool deleteRange, double* close) {
  Session s(ui, inst);
  if (deleteRange) {
    s.Expect(s.wizard->ClickCheckBox(wizard::kIdDeleteRange), "ticking the delete box");
    ui.answers = {fw::kIdYes};
  }
  const auto start = Clock::now();
  const bool pressed = s.wizard->PressNext();
  const double seconds = Since(start);
  s.Expect(pressed, "pressing the update button");
  s.Expect(s.app.updateResult == 1 && s.wizard->ActivePageIndex() == 1, "the update run");
  s.Expect(ui.boxes.size() == (deleteRange ? 1u : 0u), "the run without unexpected messages");
  const auto closing = Clock::now();
  s.wizard.reset();
  s.app.CloseMasterDatabase();
  *close = Since(closing);
  return seconds;
}

// The same steps one by one, each timed.
StepTimes SteppedRun(fw::memory::MemoryBackend& ui, const Installation& inst, bool deleteRange) {
  Session s(ui, inst);
  StepTimes t;
  auto start = Clock::now();
  s.Expect(s.app.OpenMasterDatabase() == 1, "OpenMasterDatabase");
  t.open = Since(start);
  start = Clock::now();
  s.Expect(s.page2.ConfirmEditionDate() == 1, "ConfirmEditionDate");
  t.confirm = Since(start);
  start = Clock::now();
  s.Expect(s.page2.BackupMaster() == 1, "BackupMaster");
  t.backup = Since(start);
  // One transaction from the deletion to the end of the merge, as the run
  // has it; its begin is counted with the deletion.
  start = Clock::now();
  s.Expect(masterdb::BeginTransaction(s.app.database.get(), s.app) == 1, "BeginTransaction");
  if (deleteRange) s.Expect(update::DeleteRange(s.app, s.app.rangeClause, s.app) == 1, "DeleteRange");
  t.del = Since(start);
  start = Clock::now();
  s.Expect(s.page2.MergePackage() == 1, "MergePackage");
  t.merge = Since(start);
  start = Clock::now();
  s.Expect(masterdb::CommitTransaction(s.app.database.get(), s.app) == 1, "CommitTransaction");
  t.commit = Since(start);
  start = Clock::now();
  s.app.CloseMasterDatabase();
  t.close = Since(start);
  s.Expect(s.ui.boxes.empty(), "the steps without messages");
  return t;
}

// ---- The floor: the product's file work with no database ----------------------------

// Reads the package and writes as many bytes as the backup holds, through the
// platform's file calls in blocks as large as the transaction file's, the
// written file synced and put in place as the backup is: what no update of
// this package can do faster.
double FloorRun(const Text& packagePath, std::uintmax_t backupBytes, const fs::path& work) {
  std::vector<char> block(320 * 202, ' ');
  const std::string temporary = (work / "floor.bak.tmp").string(), target = (work / "floor.bak").string();
  const auto start = Clock::now();
  platform::File in;
  if (!in.OpenForReading(packagePath)) Fail("floor: cannot read the package");
  long long n = 0;
  while ((n = in.Read(block.data(), block.size())) > 0) {
  }
  if (n < 0) Fail("floor: cannot read the package");
  in.Close();
  platform::File out;
  if (!out.CreateForWriting(temporary)) Fail("floor: cannot write " + temporary);
  for (std::uintmax_t left = backupBytes; left > 0;) {
    const long long written = out.Write(block.data(), static_cast<std::size_t>(std::min<std::uintmax_t>(left, block.size())));
    if (written <= 0) Fail("floor: cannot write " + temporary);
    left -= static_cast<std::uintmax_t>(written);
  }
  if (!out.Flush()) Fail("floor: cannot sync " + temporary);
  out.Close();
  if (!platform::MoveReplacing(temporary, target)) Fail("floor: cannot move " + temporary);
  return Since(start);
}

// SQLite alone doing what the plain merge (b) asks of it at the least: each
// table walked in key order, every column read, and each row's date set by
// an UPDATE of its own, in one transaction, opened as the product opens the
// master.  No backup, no package, no record set: the floor of an update that
// edits the master row by row.
double EngineFloorRun(const std::string& path) {
  const auto start = Clock::now();
  sqlite3* db = nullptr;
  Check(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), "engine floor: open");
  Check(db, sqlite3_exec(db, "PRAGMA synchronous = FULL; PRAGMA cache_size = -2048; PRAGMA locking_mode = EXCLUSIVE; BEGIN",
                         nullptr, nullptr, nullptr), "engine floor: begin");
  const double date = base::CalendarDate(2026, 4, 1).value;
  for (const char* table : {"TBANK", "TBRAN"}) {
    const std::string t = table;
    const std::string walkSql = "SELECT rowid, * FROM " + t + (t == "TBANK" ? " ORDER BY BANKCODE" : " ORDER BY BANKCODE, BRNCCODE");
    sqlite3_stmt* walk = nullptr;
    sqlite3_stmt* edit = nullptr;
    Check(db, sqlite3_prepare_v2(db, walkSql.c_str(), -1, &walk, nullptr), "engine floor: walk");
    Check(db, sqlite3_prepare_v2(db, ("UPDATE " + t + " SET FDENTYMD = ? WHERE rowid = ?").c_str(), -1, &edit, nullptr),
          "engine floor: edit");
    int rc;
    std::size_t bytes = 0;
    while ((rc = sqlite3_step(walk)) == SQLITE_ROW) {
      for (int i = 1; i < sqlite3_column_count(walk); ++i)
        if (sqlite3_column_type(walk, i) == SQLITE_TEXT) bytes += static_cast<std::size_t>(sqlite3_column_bytes(walk, i));
      sqlite3_bind_double(edit, 1, date);
      sqlite3_bind_int64(edit, 2, sqlite3_column_int64(walk, 0));
      Check(db, sqlite3_step(edit) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db), "engine floor: update");
      sqlite3_reset(edit);
    }
    Check(db, rc == SQLITE_DONE ? SQLITE_OK : rc, "engine floor: walk");
    sqlite3_finalize(walk);
    sqlite3_finalize(edit);
    if (bytes == std::numeric_limits<std::size_t>::max()) Fail("engine floor: impossible");
  }
  Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "engine floor: commit");
  sqlite3_close(db);
  return Since(start);
}

// ---- The reference: the same job by hand with the sqlite3 shell --------------------

#ifndef _WIN32
std::string ReferenceScript(const fs::path& work, bool deleteRange) {
  const std::string w = work.string();
  std::string s =
      ".bail on\n"
      ".mode tabs\n"
      ".headers off\n"
      ".once '" + w + "/ref-backup-banks.tsv'\n"
      "SELECT * FROM TBANK ORDER BY BANKCODE;\n"
      ".once '" + w + "/ref-backup-branches.tsv'\n"
      "SELECT * FROM TBRAN ORDER BY BANKCODE, BRNCCODE;\n"
      "CREATE TEMP TABLE pkg (type INTEGER, bank INTEGER, branch INTEGER, kana TEXT, kanji TEXT, date REAL);\n"
      ".import '" + w + "/package.tsv' pkg\n";
  if (deleteRange)
    s += "DELETE FROM TBANK WHERE [BANKCODE] BETWEEN 0 AND 9999;\n"
         "DELETE FROM TBRAN WHERE [BANKCODE] BETWEEN 0 AND 9999;\n";
  s += "BEGIN;\n"
       "INSERT INTO TBANK (BANKCODE, BANKKANA, BANKKNJI, FDENTYMD)\n"
       "  SELECT bank, NULLIF(kana, ''), NULLIF(kanji, ''), NULLIF(date, '') FROM pkg WHERE type = 1\n"
       "  ON CONFLICT (BANKCODE) DO UPDATE SET BANKKANA = excluded.BANKKANA,\n"
       "    BANKKNJI = excluded.BANKKNJI, FDENTYMD = excluded.FDENTYMD;\n"
       "COMMIT;\n"
       "BEGIN;\n"
       "INSERT INTO TBRAN (BANKCODE, BRNCCODE, BRNCKANA, BRNCKNJI, FDENTYMD)\n"
       "  SELECT bank, branch, NULLIF(kana, ''), NULLIF(kanji, ''), NULLIF(date, '') FROM pkg WHERE type = 2\n"
       "  ON CONFLICT (BANKCODE, BRNCCODE) DO UPDATE SET BRNCKANA = excluded.BRNCKANA,\n"
       "    BRNCKNJI = excluded.BRNCKNJI, FDENTYMD = excluded.FDENTYMD;\n"
       "COMMIT;\n";
  return s;
}

// Runs `sqlite3 DB < script`; the wall-clock seconds of the whole
// invocation, or nothing when the shell cannot be started or fails.
std::optional<double> RunSqliteShell(const std::string& db, const std::string& script) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, script.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = {"sqlite3", "-batch", "-bail", db};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "sqlite3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return std::nullopt;
  const double seconds = Since(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return seconds;
}

std::string SqliteShellVersion() {
  FILE* p = popen("sqlite3 -version 2>/dev/null", "r");
  if (p == nullptr) return "?";
  char buf[128] = {0};
  if (std::fgets(buf, sizeof buf, p) == nullptr) buf[0] = '\0';
  pclose(p);
  std::string v = buf;
  const auto space = v.find(' ');
  return space == std::string::npos ? v : v.substr(0, space);
}
#endif

// ---- Where the time goes: the run's calls counted, their unit costs timed -----

// The page as the product's backup and merge see it, counting what they ask
// of it.
struct CountingProgress : update::Progress {
  // timed: each drain timed as the product calls it; otherwise, for the time
  // of everything else, the drains are counted and left out (the product
  // always drains).
  explicit CountingProgress(bool timed) : timed(timed) {}
  bool timed;
  long drains = 0, steps = 0;
  double drainSeconds = 0;
  void SetStatus(const Text&) override {}
  void StartProgress(int) override {}
  void StepProgress() override { ++steps; }
  void DrainMessages() override {
    ++drains;
    if (!timed) return;
    const auto start = Clock::now();
    platform::DrainMessageQueue();
    drainSeconds += Since(start);
  }
  void ReportError(const Text& description) override { Fail(ToUtf8(description)); }
};

template <typename Body>
double MicrosPerCall(long calls, Body body) {
  const auto start = Clock::now();
  for (long i = 0; i < calls; ++i) body(i);
  return Since(start) * 1e6 / static_cast<double>(calls);
}

// The drain's part of the plain merge's run (b), timed in the counting run.
struct DrainShare {
  double backupDrain = 0, backupSeconds = 0, mergeDrain = 0, mergeSeconds = 0;
  // The same steps once more with the drains left out.
  double backupWithout = 0, mergeWithout = 0;
};

// Unit costs of the calls that the backup and the merge make, timed in this
// build on this machine, times how often the plain merge (b) makes them.
DrainShare Breakdown(fw::memory::MemoryBackend& ui, const Installation& inst, const Text& packagePath,
               const fs::path& work, double measuredBackup, double measuredMerge) {
  // The plain merge (b) once more, its steps run by the product with a page
  // that counts: the rows backed up, the records applied, the drains.
  CountingProgress backupCalls(true), mergeCalls(true);
  long rows = 0, rowsAfter = 0;
  DrainShare share;
  // The backup and the merge on a fresh copy of the master, each timed.
  auto backupAndMerge = [&](CountingProgress& backup, CountingProgress& merge, double& backupSeconds,
                            double& mergeSeconds) {
    Session s(ui, inst);
    s.Expect(s.app.OpenMasterDatabase() == 1, "OpenMasterDatabase");
    rows = s.app.CountRows("TBANK") + s.app.CountRows("TBRAN");
    auto start = Clock::now();
    s.Expect(update::BackupMaster(s.app, backup) == 1, "BackupMaster");
    backupSeconds = Since(start);
    start = Clock::now();
    s.Expect(update::AllOrNothing(s.app, s.app, [&] { return update::MergePackage(s.app, merge); }) == 1,
             "MergePackage");
    mergeSeconds = Since(start);
    rowsAfter = s.app.CountRows("TBANK") + s.app.CountRows("TBRAN");
  };
  CountingProgress backupCounts(false), mergeCounts(false);
  backupAndMerge(backupCounts, mergeCounts, share.backupWithout, share.mergeWithout);
  backupAndMerge(backupCalls, mergeCalls, share.backupSeconds, share.mergeSeconds);
  share.backupDrain = backupCalls.drainSeconds;
  share.mergeDrain = mergeCalls.drainSeconds;
  const long records = mergeCalls.steps;
  if (rows == 0 || records == 0) {
    std::printf("\nwhere the time goes: nothing to look at with an empty master\n");
    return share;
  }
  // Every record of the package edits a row or adds one, and the walk passes
  // each row of the master once.
  const long adds = rowsAfter - rows;
  const long edits = records - adds;
  const long mergeMoves = rows;

  // Unit costs.
  const long drainCalls = 20000;
  const double drainUs = MicrosPerCall(drainCalls, [](long) { platform::DrainMessageQueue(); });

  const std::string kanjiUtf8 = "東京中央営業本部";
  const Text kanji = base::Utf8ToCp932(kanjiUtf8);
  const double toCp932Us = MicrosPerCall(50000, [&](long) { (void)base::Utf8ToCp932(kanjiUtf8); });
  const double toUtf8Us = MicrosPerCall(50000, [&](long) { (void)base::Cp932ToUtf8(kanji); });

  double writeUs = 0, readUs = 0;
  FailingReporter reporter;
  {
    TransactionFile file(reporter);
    if (file.Open((work / "scratch.bak").string(), 0) != 1) Fail("cannot write a scratch file");
    file.record.type = 2;
    file.record.bankCode = 1;
    file.record.kanaName = Text(12, static_cast<char>(0xB1));
    file.record.kanjiName = kanji;
    file.record.date.SetDate(2025, 4, 1);
    writeUs = MicrosPerCall(rows, [&](long i) {
      file.record.branchCode = static_cast<int>(i % 1000);
      if (file.WriteRecord() != 1) Fail("cannot write a scratch file");
    });
  }
  {
    TransactionFile file(reporter);
    if (file.Open(packagePath, 1) != 1) Fail("cannot read the package");
    readUs = MicrosPerCall(records, [&](long) { file.ReadNext(); });
  }

  double walkUs = 0, editUs = 0, saveSeconds = 0, requerySeconds = 0;
  {
    Session s(ui, inst);
    s.Expect(s.app.OpenMasterDatabase() == 1, "OpenMasterDatabase");
    CBranSet& set = *s.app.branchSet;
    auto start = Clock::now();
    s.Expect(s.app.RequerySet(&set) == 1, "RequerySet");
    requerySeconds = Since(start);
    long n = 0;
    start = Clock::now();
    for (; !set.IsEOF(); ++n) set.MoveNext();
    walkUs = Since(start) * 1e6 / static_cast<double>(std::max(1L, n));
    s.Expect(s.app.RequerySet(&set) == 1, "RequerySet");
    s.Expect(masterdb::BeginTransaction(s.app.database.get(), s.app) == 1, "BeginTransaction");
    const base::OleDate newDate = base::CalendarDate(2026, 4, 1);
    const Text pad = base::Utf8ToCp932("\u3000");
    n = 0;
    start = Clock::now();
    for (; !set.IsEOF(); ++n) {
      s.Expect(s.app.EditRow(&set) == 1, "EditRow");
      set.m_BRNCKNJI += pad;
      set.m_FDENTYMD = newDate;
      s.Expect(s.app.UpdateRow(&set) == 1, "UpdateRow");
      set.MoveNext();
    }
    const double editAndWalk = Since(start) * 1e6 / static_cast<double>(std::max(1L, n));
    editUs = editAndWalk - walkUs;
    start = Clock::now();
    s.Expect(masterdb::CommitTransaction(s.app.database.get(), s.app) == 1, "CommitTransaction");
    saveSeconds = Since(start);
  }

  struct Part {
    std::string what;
    double calls;
    double us;
  };
  const Part backupParts[] = {
      {"DrainMessageQueue, empty queue", static_cast<double>(backupCalls.drains), drainUs},
      {"record set MoveNext (the walk's own row, 2 names to cp932)", static_cast<double>(rows), walkUs},
      {"TransactionFile::WriteRecord (one write call per 320 records)", static_cast<double>(rows), writeUs},
  };
  const Part mergeParts[] = {
      {"DrainMessageQueue, empty queue", static_cast<double>(mergeCalls.drains), drainUs},
      {"record set MoveNext (each row of the master once)", static_cast<double>(mergeMoves), walkUs},
      {"EditRow + UpdateRow (2 columns, 1 name to UTF-8)", static_cast<double>(edits), editUs},
      {"AddNewRow + UpdateRow, taken as costly as an edit", static_cast<double>(adds), editUs},
      {"TransactionFile::ReadNext (one read call per 320 records)", static_cast<double>(records), readUs},
  };
  std::printf("\nwhere the time goes, plain merge (b): calls counted as the product made them, unit costs timed here\n");
  std::printf("  %-62s %9s %9s %8s\n", "", "calls", "us each", "seconds");
  auto table = [](const char* title, const Part* parts, std::size_t n, double measured, double extra,
                  const char* extraWhat) {
    std::printf("  %s\n", title);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const double seconds = parts[i].calls * parts[i].us / 1e6;
      sum += seconds;
      std::printf("    %-60s %9.0f %9.2f %8.3f\n", parts[i].what.c_str(), parts[i].calls, parts[i].us, seconds);
    }
    if (extraWhat != nullptr) {
      sum += extra;
      std::printf("    %-60s %9s %9s %8.3f\n", extraWhat, "", "", extra);
    }
    if (measured > 0)
      std::printf("    %-60s %9s %9s %8.3f (measured %.3f)\n", "sum", "", "", sum, measured);
    else
      std::printf("    %-60s %9s %9s %8.3f\n", "sum", "", "", sum);
  };
  table("backup", backupParts, std::size(backupParts), measuredBackup, 2 * requerySeconds,
        "requery of the two sets (each walk started afresh)");
  table("merge", mergeParts, std::size(mergeParts), measuredMerge, saveSeconds + 2 * requerySeconds,
        "requery of the two sets, and the commit");
  std::printf("  code page conversion of an 8-kanji name: to cp932 %.2f us, to UTF-8 %.2f us\n", toCp932Us,
              toUtf8Us);
#ifdef _WIN32
  // What a cheaper test for pending input would cost here.
  const double queueStatusUs = MicrosPerCall(drainCalls, [](long) { (void)GetQueueStatus(QS_ALLINPUT); });
  const double inputStateUs = MicrosPerCall(drainCalls, [](long) { (void)GetInputState(); });
  const double tickUs = MicrosPerCall(drainCalls, [](long) { (void)GetTickCount64(); });
  std::printf("  for comparison: GetQueueStatus %.2f us, GetInputState %.2f us, GetTickCount64 %.3f us\n",
              queueStatusUs, inputStateUs, tickUs);
#endif
  std::printf("  merge walk: %ld edits, %ld adds, %ld rows moved past\n", edits, adds, mergeMoves);
  const double drain = share.backupDrain + share.mergeDrain, run = share.backupSeconds + share.mergeSeconds;
  std::printf("\nthe drain of the message queue, plain merge (b), timed as the product called it:\n"
              "  %ld calls, each dispatching every pending message: %.3f s of the backup and merge's %.3f s (%.0f%%);\n"
              "  the same steps with the drains left out (for this figure only): backup %.3f s, merge %.3f s\n",
              backupCalls.drains + mergeCalls.drains, drain, run, run > 0 ? 100 * drain / run : 0.0,
              share.backupWithout, share.mergeWithout);
  return share;
}

// ---- Options --------------------------------------------------------------------------

struct Options {
  int scale = 1;
  std::string data;
  int repeat = 0;  // 0: 3 up to scale 1, else 1
  std::string workBase;
  std::optional<double> refA, refB;
  bool reference = true;
  bool keep = false;
  std::string only;  // "a" or "b": that variant alone
  bool breakdown = false;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) Fail(std::string(argv[i]) + " needs a value");
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--scale") {
      o.scale = std::atoi(value(i).c_str());
      if (o.scale < 0 || o.scale > 100) Fail("--scale takes 0 to 100");
    } else if (a == "--data") {
      o.data = value(i);
    } else if (a == "--repeat") {
      o.repeat = std::max(1, std::atoi(value(i).c_str()));
    } else if (a == "--work") {
      o.workBase = value(i);
    } else if (a == "--reference-seconds") {
      const std::string v = value(i);
      const auto comma = v.find(',');
      o.refA = std::atof(v.substr(0, comma).c_str());
      o.refB = comma == std::string::npos ? *o.refA : std::atof(v.substr(comma + 1).c_str());
    } else if (a == "--no-reference") {
      o.reference = false;
    } else if (a == "--keep") {
      o.keep = true;
    } else if (a == "--breakdown") {
      o.breakdown = true;
    } else if (a == "--variant") {
      o.only = value(i);
      if (o.only != "a" && o.only != "b") Fail("--variant takes a or b");
    } else {
      std::fprintf(stderr,
                   "usage: update_bench [--scale K] [--data FILE.tsv] [--repeat N] [--work DIR]\n"
                   "                    [--reference-seconds A[,B]] [--no-reference] [--variant a|b] [--breakdown] [--keep]\n");
      std::exit(a == "--help" ? 0 : 2);
    }
  }
  if (!o.data.empty() && o.scale != 1) Fail("--data takes the list as it is: no --scale");
  if (o.repeat == 0) o.repeat = o.scale <= 1 ? 3 : 1;
  return o;
}

// The folder the package must lie in: beside the updater's executable.  The
// native build is told where that is; the Windows build is that executable.
std::string PackageFolder(const fs::path& work) {
#ifdef _WIN32
  (void)work;
  const Text exe = platform::ModuleFileName();
  return exe.substr(0, exe.find_last_of('\\') + 1);
#else
  platform::sim::SetModuleFileName(work.string() + "\\update_bench");
  return work.string() + "/";
#endif
}

struct WorkFolder {
  fs::path path;
  Text package;  // removed too, wherever it lies
  bool keep = false;
  ~WorkFolder() {
    if (keep) return;
    std::error_code ec;
    if (!package.empty()) {
#ifdef _WIN32
      DeleteFileA(package.c_str());
#else
      fs::remove(package, ec);
#endif
    }
    fs::remove_all(path, ec);
  }
};

int Run(const Options& opt) {
#ifdef _WIN32
  const char* build = "windows";
#else
  const char* build = "native";
#endif

  WorkFolder work;
  work.keep = opt.keep;
  {
    const fs::path base = opt.workBase.empty() ? fs::temp_directory_path() : fs::path(opt.workBase);
    std::random_device random;
    for (int i = 0; i < 100 && work.path.empty(); ++i) {
      const fs::path candidate = base / ("update-bench-" + std::to_string(random() % 1000000000));
      std::error_code ec;
      if (fs::create_directories(candidate, ec)) work.path = candidate;
    }
    if (work.path.empty()) Fail("cannot make a work folder in " + base.string());
  }

  // The installation: the common folder with the master and Home, the
  // package beside the executable.
  Installation inst;
  inst.common = work.path / "Common";
  fs::create_directories(inst.common / "DAT");
  fs::create_directories(inst.common / "Home");
  inst.pristine = work.path / "master-before.db";
  inst.masterPath = (inst.common / "DAT" / "BNKDB.LCA").string();
  inst.backupPath = (inst.common / "Home" / "ZMF0.BAK").string();
  const std::string packageFolder = PackageFolder(work.path);
  for (const char* name : {"ZMF0", "ZMF1", "ZMF3", "ZMF4", "ZMF5", "ZMF6", "ZMF7", "ZMF8"}) {
    if (fs::exists(fs::path(packageFolder + name)))
      Fail("a package " + std::string(name) + " already lies in " + packageFolder +
           "; run the benchmark from a folder of its own");
  }
  const Text packagePath = packageFolder + "ZMF0";
  work.package = packagePath;

  // The data: untimed.
  std::unique_ptr<Source> source =
      opt.data.empty() ? national_data::SyntheticList(opt.scale) : national_data::TsvList(opt.data);
  const double masterDate = base::CalendarDate(2025, 4, 1).value;
  const base::OleDate edition = base::CalendarDate(2026, 4, 1);
  const std::string description = source->Describe();
  ListStats stats;
  const auto genStart = Clock::now();
  national_data::BuildMaster(inst.pristine.string(), *source, masterDate, stats);
  national_data::WritePackage(packagePath, *source, edition);
  const fs::path tsv = work.path / "package.tsv";
  PackageToTsv(packagePath, tsv.string());
  const double genSeconds = Since(genStart);
  source.reset();
  const long rssAfterData = PeakRssKiB();

  const long masterRows = stats.masterBanks + stats.masterBranches;
  const long packageRows = stats.packageBanks + stats.packageBranches;
  std::printf("update_bench (%s build): %s; %d run(s) of each measurement, medians shown\n", build,
              description.c_str(), opt.repeat);
  std::printf("  master : %ld banks, %ld branches (%.1f MiB on disk), dated 2025-04-01\n", stats.masterBanks,
              stats.masterBranches, fs::file_size(inst.pristine) / 1048576.0);
  std::printf("  package: ZMF0, %ld banks then %ld branches = %ld records (%.1f MiB), dated 2026-04-01;\n"
              "           %ld rows renamed, %ld rows added, the rest the same names with the new date\n",
              stats.packageBanks, stats.packageBranches, packageRows,
              fs::file_size(fs::path(packagePath)) / 1048576.0, stats.renamed, stats.added);
  std::printf("  work folder %s (data made in %.1f s, untimed)\n\n", work.path.string().c_str(), genSeconds);

  // ---- The product
  fw::memory::MemoryBackend ui{std::vector<std::string_view>{kMessagesScript, kPagesScript}};
  fw::SetBackend(&ui);

  struct Variant {
    Variant(const char* k, const char* n, bool d) : key(k), name(n), deleteRange(d) {}
    const char* key;
    const char* name;
    bool deleteRange;
    std::vector<double> whole, close, ref;
    std::vector<double> refRatio, floorRatio;  // lock..end over the reference, the floor: run by run
    std::vector<StepTimes> steps;
    StepTimes med;
    double wholeMed = 0, closeMed = 0;
    std::optional<double> refMed, refRatioMed;
    double floorRatioMed = 0;
    std::optional<bool> same;  // the reference left the rows the product's run left
  };
  std::vector<Variant> variants;
  if (opt.only != "b") variants.emplace_back("a", "(a) delete the range, then merge", true);
  if (opt.only != "a") variants.emplace_back("b", "(b) merge into the master", false);

  // The reference runs beside the product's, repeat by repeat, so that both
  // see the same machine.
  [[maybe_unused]] bool runReference = false;
  std::string refNote;
#ifndef _WIN32
  runReference = opt.reference && !opt.refA;
  const fs::path refDb = work.path / "reference.db";
  if (runReference) {
    for (const Variant& v : variants)
      std::ofstream(work.path / ("reference-" + std::string(v.key) + ".sql"), std::ios::binary)
          << ReferenceScript(work.path, v.deleteRange);
  }
#endif

  const std::uintmax_t backupBytes = static_cast<std::uintmax_t>(masterRows) * 202;
  std::vector<double> floors, engineFloors;
  const fs::path engineFloorDb = work.path / "engine-floor.db";
  for (int rep = 0; rep < opt.repeat; ++rep) {
    floors.push_back(FloorRun(packagePath, backupBytes, work.path));
    CopyFile(inst.pristine, engineFloorDb);
    engineFloors.push_back(EngineFloorRun(engineFloorDb.string()));
    for (Variant& v : variants) {
      double close = 0;
      v.whole.push_back(WholeRun(ui, inst, v.deleteRange, &close));
      v.close.push_back(close);
      [[maybe_unused]] std::uint64_t productDigest = 0;
      if (rep == 0) {
        const auto bytes = fs::file_size(fs::path(inst.backupPath));
        if (bytes != static_cast<std::uintmax_t>(masterRows) * 202)
          Fail("the backup holds " + std::to_string(bytes) + " bytes, not 202 per master row");
        productDigest = MasterDigest(inst.masterPath);
      }
      v.steps.push_back(SteppedRun(ui, inst, v.deleteRange));
      if (floors.back() > 0) v.floorRatio.push_back(v.steps.back().LockToEnd() / floors.back());
#ifndef _WIN32
      if (!runReference) continue;
      CopyFile(inst.pristine, refDb);
      const auto seconds =
          RunSqliteShell(refDb.string(), (work.path / ("reference-" + std::string(v.key) + ".sql")).string());
      if (!seconds) {
        runReference = false;
        refNote = "the sqlite3 shell could not be run (Debian package sqlite3); no reference";
        for (Variant& w : variants) w.ref.clear();
        continue;
      }
      v.ref.push_back(*seconds);
      if (*seconds > 0) v.refRatio.push_back(v.steps.back().LockToEnd() / *seconds);
      if (rep == 0) v.same = MasterDigest(refDb.string()) == productDigest;
#endif
    }
  }
  const long rssAfterRuns = PeakRssKiB();

  for (Variant& v : variants) {
    v.wholeMed = Median(v.whole);
    v.closeMed = Median(v.close);
    for (auto field : {&StepTimes::open, &StepTimes::confirm, &StepTimes::backup, &StepTimes::del,
                       &StepTimes::merge, &StepTimes::commit, &StepTimes::close}) {
      std::vector<double> xs;
      for (const StepTimes& t : v.steps) xs.push_back(t.*field);
      v.med.*field = Median(xs);
    }
    if (!v.ref.empty()) v.refMed = Median(v.ref);
    if (!v.refRatio.empty()) v.refRatioMed = Median(v.refRatio);
    if (opt.refA) {
      v.refMed = v.deleteRange ? opt.refA : opt.refB;
      if (*v.refMed > 0) v.refRatioMed = v.med.LockToEnd() / *v.refMed;
    }
    if (!v.floorRatio.empty()) v.floorRatioMed = Median(v.floorRatio);
  }
#ifndef _WIN32
  if (runReference)
    refNote = "sqlite3 shell " + SqliteShellVersion() +
              ", one invocation timed whole: export both tables (.mode tabs, .once), .import the "
              "package\n  (converted to a UTF-8 TSV beforehand, untimed), [DELETE the range,] one "
              "INSERT ... ON CONFLICT DO UPDATE\n  per table in one transaction each, on a copy of "
              "the same master";
#endif
  if (opt.refA)
    refNote = "sqlite3 shell timed natively on the same data (given with --reference-seconds)";
  else if (refNote.empty())
    refNote = opt.reference ? "not run in this build (give --reference-seconds)" : "not run (--no-reference)";

  // ---- Figures
  std::printf("product, seconds        open  confirm   backup   delete    merge   commit  lock..end    close"
              "  whole run\n");
  for (const Variant& v : variants) {
    std::printf("%-32s\n", v.name);
    std::printf("  steps one by one   %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %10.3f %8.3f\n", v.med.open,
                v.med.confirm, v.med.backup, v.med.del, v.med.merge, v.med.commit, v.med.LockToEnd(),
                v.med.close);
    std::printf("  the button pressed                                                                %8.3f"
                " %10.3f\n",
                v.closeMed, v.wholeMed);
  }
  std::printf("\nreference: %s\n", refNote.c_str());
  for (const Variant& v : variants) {
    if (!v.refMed) continue;
    std::printf("  %-34s %8.3f s; product lock..end %5.2fx, whole run %5.2fx%s\n", v.name, *v.refMed,
                v.refRatioMed.value_or(0.0), *v.refMed > 0 ? v.wholeMed / *v.refMed : 0.0,
                !v.same ? "" : *v.same ? "; same rows as the product's run" : "; ROWS DIFFER from the product's run");
  }
  if (!variants.empty() && variants.front().refRatio.size() > 1)
    std::printf("  (lock..end's ratio is the median of the runs' own ratios, each run beside its reference)\n");
  const double floorMed = Median(floors);
  std::printf("\nfloor: the package read (%.1f MiB) and the backup's bytes written (%.1f MiB) in blocks of\n"
              "  320 records, synced and moved into place, no database: %.3f s\n",
              fs::file_size(fs::path(packagePath)) / 1048576.0, backupBytes / 1048576.0, floorMed);
  for (const Variant& v : variants)
    std::printf("  %-34s product lock..end %5.1fx the floor\n", v.name, v.floorRatioMed);
  const double engineFloorMed = Median(engineFloors);
  std::printf("engine floor: SQLite alone walking both tables in key order and setting each row's date with an\n"
              "  UPDATE of its own, one transaction, no backup and no package: %.3f s\n",
              engineFloorMed);
  std::printf("\nrows: master %ld, package %ld; peak resident memory %s (%s once the data was made;\n"
              "  SQLite's own allocations peaked at %s)\n",
              masterRows, packageRows, Mib(rssAfterRuns).c_str(), Mib(rssAfterData).c_str(),
              Mib(static_cast<long>(sqlite3_memory_highwater(0) / 1024)).c_str());

  std::optional<DrainShare> drain;
  if (opt.breakdown) {
    double backup = 0, merge = 0;
    for (const Variant& v : variants)
      if (!v.deleteRange) backup = v.med.backup, merge = v.med.merge;
    drain = Breakdown(ui, inst, packagePath, work.path, backup, merge);
  }
  fw::SetBackend(nullptr);

  std::printf("RESULT build=%s scale=%d master_rows=%ld package_rows=%ld", build, opt.scale, masterRows,
              packageRows);
  for (const Variant& v : variants) {
    const char* k = v.key;
    std::printf(" %s_open=%s %s_backup=%s %s_delete=%s %s_merge=%s %s_lock_to_end=%s %s_whole=%s", k,
                Fixed(v.med.open).c_str(), k, Fixed(v.med.backup).c_str(), k, Fixed(v.med.del).c_str(), k,
                Fixed(v.med.merge).c_str(), k, Fixed(v.med.LockToEnd()).c_str(), k, Fixed(v.wholeMed).c_str());
    std::printf(" %s_commit=%s %s_floor_ratio=%.2f", k, Fixed(v.med.commit).c_str(), k, v.floorRatioMed);
    if (v.refMed) std::printf(" %s_reference=%s", k, Fixed(*v.refMed).c_str());
    if (v.refRatioMed) std::printf(" %s_ratio=%.2f", k, *v.refRatioMed);
  }
  std::printf(" floor=%s engine_floor=%s", Fixed(floorMed).c_str(), Fixed(engineFloorMed).c_str());
  if (drain)
    std::printf(" b_backup_drain=%s b_backup_run=%s b_merge_drain=%s b_merge_run=%s b_backup_undrained=%s b_merge_undrained=%s",
                Fixed(drain->backupDrain, 4).c_str(), Fixed(drain->backupSeconds).c_str(),
                Fixed(drain->mergeDrain, 4).c_str(), Fixed(drain->mergeSeconds).c_str(),
                Fixed(drain->backupWithout).c_str(), Fixed(drain->mergeWithout).c_str());
  std::printf(" peak_rss_kib=%ld\n", rssAfterRuns);
  for (const Variant& v : variants)
    if (v.same && !*v.same) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(ParseOptions(argc, argv));
  } catch (const BenchError& e) {
    std::fprintf(stderr, "update_bench: %s\n", e.what());
    return 1;
  } catch (const national_data::Error& e) {
    std::fprintf(stderr, "update_bench: %s\n", e.what());
    return 1;
  }
}
