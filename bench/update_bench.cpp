// update_bench: the update run at national scale, in figures.
//
// Builds a master and a full package "ZMF0" shaped like Japan's national bank
// list (or takes a real list), runs the update page's own code on them, on a
// real file on disk, through the in-memory wizard, and prints how long the
// run takes next to the same job done by hand with the sqlite3 shell, and the
// peak resident memory of this process.
//
//   update_bench [--scale K] [--data FILE.tsv] [--repeat N] [--work DIR]
//                [--reference-seconds A[,B]] [--no-reference] [--variant a|b]
//                [--breakdown] [--keep]
//   update_bench --make-demo DIR [--data FILE.tsv]
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
// --breakdown   where the time of the plain merge's run goes: the calls it
//               makes, counted from the data, times their unit costs timed
//               in this build.
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
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/updater_app.h"
#include "framework/afx.h"
#include "framework/memory_backend.h"
#include "install/probes.h"
#include "masterdb/dao.h"
#include "masterdb/master_database.h"
#include "masterdb/master_schema.h"
#include "masterdb/record_sets.h"
#include "platform/platform.h"
#include "transaction/transaction_file.h"
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

// ---- Deterministic numbers (integers only, so every build makes the same data)

struct Rng {
  std::uint64_t state;
  explicit Rng(std::uint64_t seed) : state(seed) {}
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(Next() % n); }
  int Between(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1))); }
};

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) { return Rng(a ^ (b * 0xD6E8FEB86659FD93ull)).Next(); }

constexpr std::uint64_t kSeed = 0x5EED20260401ull;

// A reading in half-width katakana, 2 to 15 bytes; a fifth fill the field.
Text KanaName(Rng& r) {
  const std::size_t length = r.Below(5) == 0 ? 15 : static_cast<std::size_t>(r.Between(2, 14));
  Text s;
  while (s.size() < length) {
    s += static_cast<char>(0xB1 + r.Below(45));  // ｱ to ﾝ
    if (s.size() < length && r.Below(8) == 0) s += static_cast<char>(r.Below(4) ? 0xDE : 0xB0);  // ﾞ, ｰ
  }
  return s;
}

// A name of level-1 kanji: 2 to 8 characters, and about one in a hundred
// longer than the 16 bytes a record keeps.
Text KanjiName(Rng& r) {
  const int chars = r.Below(100) == 0 ? r.Between(9, 12) : r.Between(2, 8);
  Text s;
  for (int i = 0; i < chars; ++i) {
    s += static_cast<char>(0x89 + r.Below(15));
    int trail = 0x40 + static_cast<int>(r.Below(188));
    if (trail >= 0x7F) ++trail;
    s += static_cast<char>(trail);
  }
  return s;
}

// ---- The national list: what the package carries and what the master holds

struct Row {
  int type = 0;  // 1 bank, 2 branch
  int bank = 0;
  int branch = 0;
  Text kana, kanji;        // the current names (code page 932), as the package has them
  Text oldKana, oldKanji;  // what the master holds
  bool inMaster = true;
  bool inPackage = true;
};

class Source {
 public:
  virtual ~Source() = default;
  // The rows of one type, in key order, made afresh on every call.
  virtual void ForEach(int type, const std::function<void(const Row&)>& visit) = 0;
  virtual std::string Describe() const = 0;
};

// A list shaped like the real one: banks spread over the four-digit codes
// with the post office (9900) among them, a few banks with hundreds of
// branches and many with a handful.  Everything is drawn from per-bank
// streams, so the list can be walked any number of times without being held.
class SyntheticSource : public Source {
 public:
  explicit SyntheticSource(int scale) : scale_(scale) {
    if (scale == 0) return;
    Rng r(kSeed);
    // Four-digit codes run out at about scale 9; some stay free for the
    // banks the package adds.
    const int masterBanks = std::min(1146 * scale, 9999 * 100 / 102);
    const int addedBanks = std::max(1, masterBanks * 2 / 100);
    const int total = masterBanks + addedBanks;
    const long long masterBranches = 31219LL * scale;

    // Codes: 9900 always, the rest a sorted sample of 1..9999.
    int need = total - 1, left = 9998;
    for (int code = 1; code <= 9999; ++code) {
      if (code == 9900) {
        banks_.push_back({code, 0, 0, false, 256});
        continue;
      }
      if (static_cast<int>(r.Below(static_cast<std::uint32_t>(left))) < need) {
        banks_.push_back({code, 0, 0, false, static_cast<int>((1 + r.Below(16)) << r.Below(6))});
        --need;
      }
      --left;
    }
    // Added banks: a sample of the others.
    need = addedBanks;
    left = total - 1;
    for (Bank& b : banks_) {
      if (b.code == 9900) continue;
      if (static_cast<int>(r.Below(static_cast<std::uint32_t>(left))) < need) {
        b.added = true;
        --need;
      }
      --left;
    }
    // Branches of the master: at least one per bank, the rest by weight,
    // at most 999 (three-digit codes 001 to 999).
    long long weights = 0, assigned = 0;
    for (const Bank& b : banks_)
      if (!b.added) weights += b.weight;
    const long long spread = masterBranches - masterBanks;
    for (Bank& b : banks_) {
      if (b.added) continue;
      b.masterBranches = static_cast<int>(std::min<long long>(999, 1 + spread * b.weight / weights));
      assigned += b.masterBranches;
    }
    for (std::size_t i = 0; assigned < masterBranches; i = (i + 1) % banks_.size()) {
      Bank& b = banks_[i];
      if (b.added || b.masterBranches >= 999) continue;
      ++b.masterBranches;
      ++assigned;
    }
    // New branches: about two in a hundred beside the master's, and whole
    // branch lists of the added banks.
    const int average = static_cast<int>(masterBranches / masterBanks);
    for (Bank& b : banks_) {
      if (b.added)
        b.addedBranches = 1 + static_cast<int>(r.Below(static_cast<std::uint32_t>(2 * average)));
      else
        b.addedBranches = (b.masterBranches * 2 + static_cast<int>(r.Below(100))) / 100;
      b.addedBranches = std::min(b.addedBranches, 999 - b.masterBranches);
    }
  }

  void ForEach(int type, const std::function<void(const Row&)>& visit) override {
    for (const Bank& b : banks_) {
      if (type == 1) {
        Rng r(Mix(kSeed, static_cast<std::uint64_t>(b.code) * 2 + 1));
        Row row;
        row.type = 1;
        row.bank = b.code;
        Names(r, row, b.added);
        visit(row);
        continue;
      }
      Rng r(Mix(kSeed, static_cast<std::uint64_t>(b.code) * 2 + 2));
      int need = b.masterBranches + b.addedBranches, chosen = need, newOnes = b.addedBranches;
      int left = 999;
      for (int code = 1; code <= 999 && need > 0; ++code, --left) {
        if (static_cast<int>(r.Below(static_cast<std::uint32_t>(left))) >= need) continue;
        --need;
        const bool added = static_cast<int>(r.Below(static_cast<std::uint32_t>(chosen))) < newOnes;
        --chosen;
        if (added) --newOnes;
        Row row;
        row.type = 2;
        row.bank = b.code;
        row.branch = code;
        Names(r, row, added);
        visit(row);
      }
    }
  }

  std::string Describe() const override {
    return "synthetic national list x" + std::to_string(scale_) + " (fixed seed)";
  }

 private:
  struct Bank {
    int code;
    int masterBranches;
    int addedBranches;
    bool added;
    int weight;
  };

  // Current names, and the names the master still has: the same, except for
  // about three rows in a hundred that the package renames.
  static void Names(Rng& r, Row& row, bool added) {
    row.kana = KanaName(r);
    row.kanji = KanjiName(r);
    Text oldKana = KanaName(r), oldKanji = KanjiName(r);
    const bool renamed = r.Below(100) < 3;
    row.inMaster = !added;
    row.oldKana = renamed ? oldKana : row.kana;
    row.oldKanji = renamed ? oldKanji : row.kanji;
  }

  int scale_;
  std::vector<Bank> banks_;
};

// A real list.  The package is the whole list; the master lacks about two
// rows in a hundred and holds other names for about three in a hundred, as
// a year-old master would.
class TsvSource : public Source {
 public:
  explicit TsvSource(std::string path) : path_(std::move(path)) {}

  void ForEach(int type, const std::function<void(const Row&)>& visit) override {
    std::ifstream in(path_, std::ios::binary);
    if (!in) Fail("cannot read " + path_);
    std::string line;
    if (!std::getline(in, line) || line.rfind("type\tbank\tbranch\tkanji\tkana", 0) != 0)
      Fail(path_ + ": the first line is not the header \"type bank branch kanji kana\"");
    long long lastKey = -1;
    int lineNo = 1;
    while (std::getline(in, line)) {
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      std::vector<std::string> f;
      std::size_t start = 0;
      for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        f.push_back(line.substr(start, tab - start));
      f.push_back(line.substr(start));
      if (f.size() != 5) Fail(path_ + ":" + std::to_string(lineNo) + ": not five columns");
      const int t = std::atoi(f[0].c_str());
      if (t != type) continue;
      Row row;
      row.type = t;
      row.bank = std::atoi(f[1].c_str());
      row.branch = t == 2 ? std::atoi(f[2].c_str()) : 0;
      const long long key = row.bank * 1000LL + row.branch;
      if (key <= lastKey) Fail(path_ + ":" + std::to_string(lineNo) + ": not in key order");
      lastKey = key;
      bool lossy = false;
      row.kanji = platform::Utf8ToCp932(f[3], &lossy);
      row.kana = platform::Utf8ToCp932(f[4], &lossy);
      if (lossy) Fail(path_ + ":" + std::to_string(lineNo) + ": a name has no code page 932 form");
      const std::uint64_t h = Mix(kSeed, static_cast<std::uint64_t>(key) * 4 + static_cast<unsigned>(t));
      row.inMaster = h % 1000 >= 20;
      row.oldKana = row.kana;
      row.oldKanji = row.kanji;
      if (row.inMaster && (h >> 20) % 100 < 3) {
        Rng r(h);
        row.oldKana = KanaName(r);
        row.oldKanji = KanjiName(r);
      }
      visit(row);
    }
  }

  std::string Describe() const override { return "real list " + path_; }

 private:
  std::string path_;
};

struct ListStats {
  long masterBanks = 0, masterBranches = 0;
  long packageBanks = 0, packageBranches = 0;
  long renamed = 0, added = 0;
};

std::string Utf8(const Text& cp932) {
  bool lossy = false;
  std::string s = platform::Cp932ToUtf8(cp932, &lossy);
  if (lossy) Fail("a generated name has no UTF-8 form");
  return s;
}

double OleDay(int y, int m, int d) {
  app::OleDate date;
  date.SetDate(y, m, d);
  return date.value;
}

// ---- Files -----------------------------------------------------------------------

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    Fail(std::string(what) + ": " + sqlite3_errmsg(db));
}

// The master as the program finds it: names as the vendor shipped them (no
// padding, long kanji names whole), the new/old flag 0, dated a year ago.
void BuildMaster(const std::string& path, Source& source, double date, ListStats& stats) {
  const std::string error = masterdb::CreateMaster(path, true);
  if (!error.empty()) Fail("cannot create the master: " + error);
  sqlite3* db = nullptr;
  Check(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), "open master");
  Check(db, sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), "begin");
  sqlite3_stmt* bank = nullptr;
  sqlite3_stmt* branch = nullptr;
  Check(db, sqlite3_prepare_v2(db, "INSERT INTO TBANK VALUES (?,?,?,0,?)", -1, &bank, nullptr), "prepare");
  Check(db, sqlite3_prepare_v2(db, "INSERT INTO TBRAN VALUES (?,?,?,?,0,?)", -1, &branch, nullptr),
        "prepare");
  auto text = [](sqlite3_stmt* s, int i, const Text& cp932) {
    const std::string u = Utf8(cp932);
    sqlite3_bind_text(s, i, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  };
  for (int type : {1, 2}) {
    source.ForEach(type, [&](const Row& row) {
      if (row.inPackage) (type == 1 ? stats.packageBanks : stats.packageBranches)++;
      if (!row.inMaster) {
        ++stats.added;
        return;
      }
      if (row.oldKana != row.kana || row.oldKanji != row.kanji) ++stats.renamed;
      sqlite3_stmt* s = type == 1 ? bank : branch;
      sqlite3_reset(s);
      int i = 1;
      sqlite3_bind_int(s, i++, row.bank);
      if (type == 2) sqlite3_bind_int(s, i++, row.branch);
      text(s, i++, row.oldKana);
      text(s, i++, row.oldKanji);
      sqlite3_bind_double(s, i++, date);
      Check(db, sqlite3_step(s), "insert");
      (type == 1 ? stats.masterBanks : stats.masterBranches)++;
    });
  }
  sqlite3_finalize(bank);
  sqlite3_finalize(branch);
  Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "commit");
  sqlite3_close(db);
}

// The package as it ships: every bank, then every branch, in key order.
void WritePackage(const Text& path, Source& source, const app::OleDate& edition) {
  TransactionFile file;
  if (file.Open(path, 0) != 1) Fail("cannot write the package " + path);
  for (int type : {1, 2}) {
    source.ForEach(type, [&](const Row& row) {
      if (!row.inPackage) return;
      file.record.type = row.type;
      file.record.bankCode = row.bank;
      file.record.branchCode = row.branch;
      file.record.kanaName = row.kana;
      file.record.kanjiName = row.kanji;
      file.record.date = edition;
      if (file.WriteRecord() != 1) Fail("cannot write the package");
    });
  }
}

// The package as a UTF-8 TSV for the sqlite3 shell, read back with the
// program's reader so it holds what the merge would write: the kana name
// trimmed, the kanji field's 16 bytes, the date as the master stores it.
void PackageToTsv(const Text& package, const std::string& tsv) {
  TransactionFile file;
  if (file.Open(package, 1) != 1) Fail("cannot read the package back");
  std::ofstream out(tsv, std::ios::binary);
  char date[40];
  for (; !file.AtEnd(); file.ReadNext()) {
    const TransactionRecord& r = file.record;
    if (r.date.status == app::OleDate::kValid)
      std::snprintf(date, sizeof date, "%.17g", r.date.value);
    else
      date[0] = '\0';
    out << r.type << '\t' << r.bankCode << '\t' << r.branchCode << '\t' << Utf8(r.kanaName) << '\t'
        << Utf8(r.kanjiName) << '\t' << date << '\n';
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
  double open = 0, confirm = 0, backup = 0, del = 0, merge = 0, close = 0;
  double LockToEnd() const { return backup + del + merge; }
};

void DrainQueue() {
  while (platform::DispatchOnePendingMessage()) {
  }
}

std::string BoxTexts(const fw::memory::MemoryBackend& ui) {
  std::string s;
  for (const auto& box : ui.boxes) s += " [" + platform::Cp932ToUtf8(box.text) + "]";
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
  CWizPage2 page2;
  CWizPage3 page3;
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
  if (deleteRange) {
    start = Clock::now();
    s.Expect(s.app.DeleteRows("TBANK", s.app.rangeClause) == 1, "DeleteRows TBANK");
    s.Expect(s.app.DeleteRows("TBRAN", s.app.rangeClause) == 1, "DeleteRows TBRAN");
    t.del = Since(start);
  }
  start = Clock::now();
  s.Expect(s.page2.MergePackage() == 1, "MergePackage");
  t.merge = Since(start);
  start = Clock::now();
  s.app.CloseMasterDatabase();
  t.close = Since(start);
  s.Expect(s.ui.boxes.empty(), "the steps without messages");
  return t;
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

// How a sorted merge of `records` into `set` (both ascending keys) walks, as
// the merge does it: a drain at the start of each cycle, one per step of
// moving the set on, one after each consumed record.
struct WalkCounts {
  long drains = 0, moves = 0, catchUps = 0, edits = 0, adds = 0;
};

WalkCounts SimulateMerge(const std::vector<long long>& set, const std::vector<long long>& records) {
  constexpr long long kEnd = std::numeric_limits<long long>::max();
  WalkCounts c;
  std::size_t pos = 0;
  for (std::size_t r = 0; r < records.size();) {
    ++c.drains;
    long long current = pos < set.size() ? set[pos] : kEnd;
    if (current < records[r]) {
      ++c.catchUps;
      do {
        ++c.drains;
        if (pos >= set.size()) break;
        ++pos;
        ++c.moves;
        current = pos < set.size() ? set[pos] : kEnd;
      } while (current < records[r]);
      continue;
    }
    (current == records[r] ? c.edits : c.adds)++;
    ++c.drains;
    ++r;
  }
  return c;
}

std::vector<long long> MasterKeys(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  Check(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), "open for keys");
  sqlite3_stmt* s = nullptr;
  Check(db, sqlite3_prepare_v2(db, sql, -1, &s, nullptr), "keys");
  std::vector<long long> keys;
  while (sqlite3_step(s) == SQLITE_ROW) keys.push_back(sqlite3_column_int64(s, 0));
  sqlite3_finalize(s);
  sqlite3_close(db);
  return keys;
}

template <typename Body>
double MicrosPerCall(long calls, Body body) {
  const auto start = Clock::now();
  for (long i = 0; i < calls; ++i) body(i);
  return Since(start) * 1e6 / static_cast<double>(calls);
}

// Unit costs of the calls that the backup and the merge make, timed in this
// build on this machine, times how often the plain merge (b) makes them.
void Breakdown(fw::memory::MemoryBackend& ui, const Installation& inst, const Text& packagePath,
               const fs::path& work, double measuredBackup, double measuredMerge) {
  const std::string pristine = inst.pristine.string();
  const auto banks = MasterKeys(pristine, "SELECT BANKCODE FROM TBANK ORDER BY BANKCODE");
  const auto branches =
      MasterKeys(pristine, "SELECT BANKCODE * 1000 + BRNCCODE FROM TBRAN ORDER BY BANKCODE, BRNCCODE");
  std::vector<long long> packageBanks, packageBranches;
  {
    TransactionFile file;
    if (file.Open(packagePath, 1) != 1) Fail("cannot read the package");
    for (; !file.AtEnd(); file.ReadNext()) {
      if (file.record.type == 1) packageBanks.push_back(file.record.bankCode);
      if (file.record.type == 2)
        packageBranches.push_back(file.record.bankCode * 1000LL + file.record.branchCode);
    }
  }
  const long rows = static_cast<long>(banks.size() + branches.size());
  const long records = static_cast<long>(packageBanks.size() + packageBranches.size());
  if (rows == 0 || records == 0) {
    std::printf("\nwhere the time goes: nothing to look at with an empty master\n");
    return;
  }
  const WalkCounts b = SimulateMerge(banks, packageBanks);
  const WalkCounts r = SimulateMerge(branches, packageBranches);
  const long mergeDrains = b.drains + r.drains;
  const long mergeMoves = b.moves + r.moves;
  const long edits = b.edits + r.edits, adds = b.adds + r.adds;
  // Branch keys are formatted for both sides at every branch cycle, and the
  // set's again after each step on.
  const long keyFormats = 2 * (r.edits + r.adds + r.catchUps) + r.moves;

  // Unit costs.
  const long drainCalls = 20000;
  const double drainUs = MicrosPerCall(drainCalls, [](long) { DrainMessageQueue(); });

  const std::string kanjiUtf8 = "東京中央営業本部";
  const Text kanji = platform::Utf8ToCp932(kanjiUtf8);
  const double toCp932Us = MicrosPerCall(50000, [&](long) { (void)platform::Utf8ToCp932(kanjiUtf8); });
  const double toUtf8Us = MicrosPerCall(50000, [&](long) { (void)platform::Cp932ToUtf8(kanji); });
  Text key;
  const double keyUs = MicrosPerCall(100000, [&](long i) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%05ld%03ld", static_cast<long>(i % 10000), static_cast<long>(i % 1000));
    key = buffer;
  });

  double writeUs = 0, readUs = 0;
  {
    TransactionFile file;
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
    TransactionFile file;
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
    app::OleDate newDate;
    newDate.SetDate(2026, 4, 1);
    const Text pad = platform::Utf8ToCp932("\u3000");
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
    s.Expect(SaveMasterChanges(s.app) == 1, "SaveMasterChanges");
    saveSeconds = Since(start);
  }

  struct Part {
    std::string what;
    double calls;
    double us;
  };
  const Part backupParts[] = {
      {"DrainMessageQueue, empty queue (5 per row)", 5.0 * rows, drainUs},
      {"record set MoveNext (row fetched by rowid, 2 names to cp932)", static_cast<double>(rows), walkUs},
      {"TransactionFile::WriteRecord (one write call per row)", static_cast<double>(rows), writeUs},
  };
  const Part mergeParts[] = {
      {"DrainMessageQueue, empty queue", static_cast<double>(mergeDrains), drainUs},
      {"record set MoveNext", static_cast<double>(mergeMoves), walkUs},
      {"EditRow + UpdateRow (2 columns, 1 name to UTF-8)", static_cast<double>(edits), editUs},
      {"AddNewRow + UpdateRow, taken as costly as an edit", static_cast<double>(adds), editUs},
      {"TransactionFile::ReadNext (one read call per record)", static_cast<double>(records), readUs},
      {"branch key formatted with snprintf", static_cast<double>(keyFormats), keyUs},
  };
  std::printf("\nwhere the time goes, plain merge (b): calls counted from the data, unit costs timed here\n");
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
        "requery of the two sets (keyset of every row)");
  table("merge", mergeParts, std::size(mergeParts), measuredMerge, saveSeconds + 2 * requerySeconds,
        "requery of the two sets, and the last save");
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
  std::printf("  merge walk: %ld edits, %ld adds, %ld catch-up cycles, %ld rows moved past\n", edits, adds,
              b.catchUps + r.catchUps, mergeMoves);
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
  std::string makeDemo;  // only write a master and a package there
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
    } else if (a == "--make-demo") {
      o.makeDemo = value(i);
    } else if (a == "--breakdown") {
      o.breakdown = true;
    } else if (a == "--variant") {
      o.only = value(i);
      if (o.only != "a" && o.only != "b") Fail("--variant takes a or b");
    } else {
      std::fprintf(stderr,
                   "usage: update_bench [--scale K] [--data FILE.tsv] [--repeat N] [--work DIR]\n"
                   "                    [--reference-seconds A[,B]] [--no-reference] [--variant a|b] [--breakdown] [--keep]\n"
                   "       update_bench --make-demo DIR [--data FILE.tsv]\n");
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

// The demo's data: a year-old master and a fresh package, nothing timed.
int MakeDemo(const Options& opt) {
  const fs::path dir = opt.makeDemo;
  fs::create_directories(dir);
  std::unique_ptr<Source> source;
  if (opt.data.empty())
    source = std::make_unique<SyntheticSource>(1);
  else
    source = std::make_unique<TsvSource>(opt.data);
  const fs::path master = dir / "BNKDB.LCA";
  const fs::path package = dir / "ZMF0";
  fs::remove(master);
  fs::remove(package);
  app::OleDate edition;
  edition.SetDate(2026, 4, 1);
  ListStats stats;
  BuildMaster(master.string(), *source, OleDay(2025, 4, 1), stats);
  WritePackage(package.string(), *source, edition);
  std::printf("  %s\n  master : %ld banks, %ld branches, dated 2025-04-01\n"
              "  package: ZMF0, %ld banks and %ld branches, dated 2026-04-01 (%ld renamed, %ld added)\n",
              source->Describe().c_str(), stats.masterBanks, stats.masterBranches, stats.packageBanks,
              stats.packageBranches, stats.renamed, stats.added);
  return 0;
}

int Run(const Options& opt) {
  if (!opt.makeDemo.empty()) return MakeDemo(opt);
#ifdef _WIN32
  const char* build = "windows";
#else
  const char* build = "native";
#endif

  WorkFolder work;
  work.keep = opt.keep;
  {
    const fs::path base = opt.workBase.empty() ? fs::temp_directory_path() : fs::path(opt.workBase);
    Rng r(static_cast<std::uint64_t>(Clock::now().time_since_epoch().count()));
    for (int i = 0; i < 100 && work.path.empty(); ++i) {
      const fs::path candidate = base / ("update-bench-" + std::to_string(r.Below(1000000000)));
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
  std::unique_ptr<Source> source;
  if (opt.data.empty())
    source = std::make_unique<SyntheticSource>(opt.scale);
  else
    source = std::make_unique<TsvSource>(opt.data);
  const double masterDate = OleDay(2025, 4, 1);
  app::OleDate edition;
  edition.SetDate(2026, 4, 1);
  const std::string description = source->Describe();
  ListStats stats;
  const auto genStart = Clock::now();
  BuildMaster(inst.pristine.string(), *source, masterDate, stats);
  WritePackage(packagePath, *source, edition);
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
    std::vector<StepTimes> steps;
    StepTimes med;
    double wholeMed = 0, closeMed = 0;
    std::optional<double> refMed;
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

  for (int rep = 0; rep < opt.repeat; ++rep) {
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
      if (rep == 0) v.same = MasterDigest(refDb.string()) == productDigest;
#endif
    }
  }
  const long rssAfterRuns = PeakRssKiB();

  for (Variant& v : variants) {
    v.wholeMed = Median(v.whole);
    v.closeMed = Median(v.close);
    for (auto field : {&StepTimes::open, &StepTimes::confirm, &StepTimes::backup, &StepTimes::del,
                       &StepTimes::merge, &StepTimes::close}) {
      std::vector<double> xs;
      for (const StepTimes& t : v.steps) xs.push_back(t.*field);
      v.med.*field = Median(xs);
    }
    if (!v.ref.empty()) v.refMed = Median(v.ref);
    if (opt.refA) v.refMed = v.deleteRange ? opt.refA : opt.refB;
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
  std::printf("product, seconds        open  confirm   backup   delete    merge  lock..end    close"
              "  whole run\n");
  for (const Variant& v : variants) {
    std::printf("%-32s\n", v.name);
    std::printf("  steps one by one   %8.3f %8.3f %8.3f %8.3f %8.3f %10.3f %8.3f\n", v.med.open, v.med.confirm,
                v.med.backup, v.med.del, v.med.merge, v.med.LockToEnd(), v.med.close);
    std::printf("  the button pressed                                                       %8.3f"
                " %10.3f\n",
                v.closeMed, v.wholeMed);
  }
  std::printf("\nreference: %s\n", refNote.c_str());
  for (const Variant& v : variants) {
    if (!v.refMed) continue;
    std::printf("  %-34s %8.3f s; product lock..end %6.1fx, whole run %6.1fx%s\n", v.name, *v.refMed,
                *v.refMed > 0 ? v.med.LockToEnd() / *v.refMed : 0.0,
                *v.refMed > 0 ? v.wholeMed / *v.refMed : 0.0,
                !v.same ? "" : *v.same ? "; same rows as the product's run" : "; ROWS DIFFER from the product's run");
  }
  std::printf("\nrows: master %ld, package %ld; peak resident memory %s (%s once the data was made;\n"
              "  SQLite's own allocations peaked at %s)\n",
              masterRows, packageRows, Mib(rssAfterRuns).c_str(), Mib(rssAfterData).c_str(),
              Mib(static_cast<long>(sqlite3_memory_highwater(0) / 1024)).c_str());

  if (opt.breakdown) {
    double backup = 0, merge = 0;
    for (const Variant& v : variants)
      if (!v.deleteRange) backup = v.med.backup, merge = v.med.merge;
    Breakdown(ui, inst, packagePath, work.path, backup, merge);
  }
  fw::SetBackend(nullptr);

  std::printf("RESULT build=%s scale=%d master_rows=%ld package_rows=%ld", build, opt.scale, masterRows,
              packageRows);
  for (const Variant& v : variants) {
    const char* k = v.key;
    std::printf(" %s_open=%s %s_backup=%s %s_delete=%s %s_merge=%s %s_lock_to_end=%s %s_whole=%s", k,
                Fixed(v.med.open).c_str(), k, Fixed(v.med.backup).c_str(), k, Fixed(v.med.del).c_str(), k,
                Fixed(v.med.merge).c_str(), k, Fixed(v.med.LockToEnd()).c_str(), k, Fixed(v.wholeMed).c_str());
    if (v.refMed) std::printf(" %s_reference=%s", k, Fixed(*v.refMed).c_str());
  }
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
  }
}
