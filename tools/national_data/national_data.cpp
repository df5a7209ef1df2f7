#include "national_data.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "base/code_page.h"
#include "masterdb/master_schema.h"
#include "platform/platform.h"
#include "transaction/transaction_file.h"

namespace national_data {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw Error(what); }

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

// ---- The lists ----------------------------------------------------------------------

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
      row.kanji = base::Utf8ToCp932(f[3], &lossy);
      row.kana = base::Utf8ToCp932(f[4], &lossy);
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

// Failures of writing the package end the making of the data.
struct ThrowingReporter : base::ErrorReporter {
  void ReportError(const Text& description) override { Fail("the package: " + ToUtf8(description)); }
};

}  // namespace

std::string ToUtf8(const Text& cp932) {
  bool lossy = false;
  std::string s = base::Cp932ToUtf8(cp932, &lossy);
  if (lossy) Fail("a name has no UTF-8 form");
  return s;
}

std::unique_ptr<Source> SyntheticList(int scale) { return std::make_unique<SyntheticSource>(scale); }
std::unique_ptr<Source> TsvList(const std::string& tsvPath) { return std::make_unique<TsvSource>(tsvPath); }

// ---- Files -----------------------------------------------------------------------

namespace {

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    Fail(std::string(what) + ": " + sqlite3_errmsg(db));
}

}  // namespace

void BuildMaster(const std::string& path, Source& source, double date, ListStats& stats) {
  const std::string error = masterdb::CreateMaster(platform::ProgramPath(path), true);
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
    const std::string u = ToUtf8(cp932);
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

void WritePackage(const Text& path, Source& source, const base::OleDate& edition) {
  ThrowingReporter reporter;
  TransactionFile file(reporter);
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

}  // namespace national_data
