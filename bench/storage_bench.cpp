// Storage benchmark: MsgNmbr records through the keyed record store, beside plain SQLite.
//
// storage_bench [N] [DIR] [--records N] [--dir DIR] [--quick]
//
// Adds N records in transactions of 400, walks each key both ways, looks up 100,000 random
// message numbers, then does the same with one plain SQLite table carrying the same columns and
// indexes, and prints both side by side. The figures are for reading, not for a test: only a
// store call that fails ends the run with exit status 1.
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "storage/dates.h"
#include "storage/records.h"
#include "storage/store.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

constexpr int64_t kDefaultRecords = 1000000;
constexpr int64_t kQuickRecords = 100000;
constexpr int kTxnSize = 400;
constexpr int kLookups = 100000;
constexpr uint32_t kFirstNumber = 250000;
constexpr uint32_t kSectionCount = 5000;
constexpr uint64_t kSeed = 0x51A7E5EEDull;

// A functional failure: the run stops, cleans up and exits 1.
struct BenchFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// SplitMix64: the same data on every platform and library, unlike <random>'s distributions.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n).
  uint32_t below(uint32_t n) {
    return static_cast<uint32_t>((static_cast<unsigned __int128>(next()) * n) >> 64);
  }
  template <class T>
  void shuffle(std::vector<T>& v) {
    for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[below(static_cast<uint32_t>(i))]);
  }

 private:
  uint64_t s_;
};

// One generated message header, kept apart from both engines so that both get the same rows.
struct Msg {
  uint32_t number, section, ref, thread, from, to;
  int32_t date;
  uint8_t status, flags;
  uint32_t threadAlpha, fromAlpha, toAlpha;  // indexes into Data::alphas
};

struct Data {
  std::vector<std::string> alphas;  // 10 characters at most, mixed case
  std::vector<Msg> msgs;            // in the order they are added
  std::vector<uint32_t> lookups;    // message numbers to look up
};

constexpr const char* kWords[] = {
    "budget",  "meeting", "release",  "printer",  "holiday",  "question", "answer",   "update",
    "network", "modem",   "driver",   "backup",   "virus",    "screen",   "keyboard", "garden",
    "recipe",  "travel",  "football", "weather",  "music",    "guitar",   "camera",   "photo",
    "license", "invoice", "order",    "shipping", "refund",   "contract", "server",   "mailbox",
    "archive", "search",  "thread",   "forum",    "reply",    "digest",   "meetup",   "welcome",
    "linux",   "windows", "office",   "editor",   "compiler", "database", "report",   "summary",
    "agenda",  "minutes", "notice",   "problem",  "solution", "feature",  "bug",      "patch",
    "history", "science", "poetry",   "novel",    "cinema",   "theatre",  "chess",    "cycling",
};
constexpr const char* kNames[] = {
    "anna",  "bernd", "carla",  "dieter", "eva",   "frank", "greta", "hans",  "ines",  "jan",
    "karin", "lukas", "maria",  "nils",   "olga",  "peter", "quinn", "rosa",  "sven",  "tina",
    "uwe",   "vera",  "walter", "xenia",  "yusuf", "zora",  "smith", "jones", "brown", "miller",
};

// Mixed case as people type it: Capitalised, lower, UPPER, or now and then a stray capital.
std::string mixCase(std::string s, Rng& rng) {
  uint32_t style = rng.below(10);
  for (size_t i = 0; i < s.size(); ++i) {
    char& c = s[i];
    bool up = style < 5 ? i == 0 : style < 7 ? false : style < 9 ? true : rng.below(3) == 0;
    if (up && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s.substr(0, 10);
}

Data makeData(int64_t n) {
  Rng rng(kSeed);
  Data d;
  const uint32_t count = static_cast<uint32_t>(n);
  const uint32_t threads = std::max<uint32_t>(count / 6, 1);  // six messages a thread on average
  const uint32_t persons = std::clamp<uint32_t>(count / 40, 50, 25000);

  struct Thread {
    uint32_t section, alpha;
  };
  std::vector<Thread> threadList(threads);
  for (Thread& t : threadList) {
    std::string subject = kWords[rng.below(std::size(kWords))];
    if (subject.size() < 8 && rng.below(2))
      subject += std::string(" ") + kWords[rng.below(std::size(kWords))];
    t.alpha = static_cast<uint32_t>(d.alphas.size());
    d.alphas.push_back(mixCase(subject, rng));
    // Some sections are busy and most are quiet.
    t.section = 1 + (rng.below(2) ? rng.below(kSectionCount / 20) : rng.below(kSectionCount));
  }
  std::vector<uint32_t> personAlpha(persons);
  for (uint32_t& a : personAlpha) {
    a = static_cast<uint32_t>(d.alphas.size());
    d.alphas.push_back(mixCase(std::string(kNames[rng.below(std::size(kNames))]) + "." +
                                   kNames[rng.below(std::size(kNames))],
                               rng));
  }

  std::vector<uint32_t> numbers(count);
  for (uint32_t i = 0; i < count; ++i) numbers[i] = kFirstNumber + i;
  rng.shuffle(numbers);

  const int32_t firstDay = dateFromYmd(2004, 1, 1);
  const uint32_t days = static_cast<uint32_t>(dateFromYmd(2024, 1, 1) - firstDay);
  d.msgs.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    Msg& m = d.msgs[i];
    uint32_t t = rng.below(threads);
    m.number = numbers[i];
    m.thread = t + 1;
    m.section = threadList[t].section;
    m.threadAlpha = threadList[t].alpha;
    m.ref = rng.below(5) < 2 ? 0 : kFirstNumber + rng.below(count);
    m.from = 1 + rng.below(persons);
    m.fromAlpha = personAlpha[m.from - 1];
    // A third of the messages go to everybody.
    m.to = rng.below(3) == 0 ? 1 : 1 + rng.below(persons);
    m.toAlpha = personAlpha[m.to - 1];
    m.date = firstDay + static_cast<int32_t>(rng.below(days));
    uint32_t s = rng.below(100);
    m.status = s < 94 ? 0 : s < 98 ? 1 : 2;
    m.flags = rng.below(8) == 0 ? static_cast<uint8_t>(1 + rng.below(3)) : 0;
  }
  d.lookups.resize(kLookups);
  for (uint32_t& x : d.lookups) x = kFirstNumber + rng.below(count);
  return d;
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// ---- the keyed record store

void must(int code, StoreFile& f, const char* what) {
  if (code != kStoreOk)
    throw BenchFailure(std::string(what) + ": code " + std::to_string(code) + " (" + f.errorText() +
                       ")");
}
void must(int code, Store& s, const char* what) {
  if (code != kStoreOk)
    throw BenchFailure(std::string(what) + ": code " + std::to_string(code) + " (" + s.errorText() +
                       ")");
}

void fill(StoreFile& f, const Data& d, const Msg& x) {
  f.clear();
  auto& m = f.rec<MsgNmbr>();
  m.MSGNUMBER = x.number;
  m.SECSYSID = x.section;
  m.REFNUMBER = x.ref;
  m.THREADNUMBER = x.thread;
  setField(m.THREADALPHA, d.alphas[x.threadAlpha]);
  m.FROMID = x.from;
  setField(m.FROMALPHA, d.alphas[x.fromAlpha]);
  m.TOID = x.to;
  setField(m.TOALPHA, d.alphas[x.toAlpha]);
  m.DATE = x.date;
  m.DUMMY = x.status;
  m.FG = x.flags;
}

// One engine's figures, records per second.
struct Figures {
  double add = 0;
  std::vector<double> walkForward, walkBackward;
  double get = 0;
  int64_t peakKb = 0;
  uintmax_t fileBytes = 0;
  std::vector<std::string> notes;
};

void resetPeak() {
  // Linux resets VmHWM to the current RSS when "5" is written here.
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A "VmHWM:" or "VmRSS:" figure of this process, in kB.
int64_t statusKb(std::string_view field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + field.size());
  return 0;
}
int64_t peakKb() {
  return statusKb("VmHWM:");
}

Figures runStore(const Data& d, const fs::path& dir) {
  Figures r;
  const FileDef& def = *fileDef(kMsgNmbr);
  const int64_t n = static_cast<int64_t>(d.msgs.size());
  const fs::path path = dir / "IDX003.TPS";
  {
    Store store((dir / "LOCK").string());
    StoreFile f(store, def);
    f.setPath(path.string());
    must(f.create(), f, "create");
    must(f.open(), f, "open");
    StoreFile* files[] = {&f};

    std::fprintf(stderr, "store: adding %lld records\n", static_cast<long long>(n));
    auto t0 = Clock::now();
    for (int64_t i = 0; i < n; i += kTxnSize) {
      must(store.begin(files), store, "begin");
      for (int64_t j = i; j < std::min(n, i + kTxnSize); ++j) {
        fill(f, d, d.msgs[static_cast<size_t>(j)]);
        must(f.add(), f, "add");
      }
      must(store.commit(), store, "commit");
    }
    r.add = static_cast<double>(n) / secondsSince(t0);
    if (f.records() != n)
      throw BenchFailure("the store holds " + std::to_string(f.records()) +
                         " records after adding " + std::to_string(n));

    for (size_t k = 0; k < def.keys.size(); ++k) {
      std::fprintf(stderr, "store: walking %s\n", def.keys[k].name);
      for (int dir : {1, -1}) {
        int key = static_cast<int>(k);
        must(f.set(key), f, "set");
        int64_t seen = 0;
        int code;
        t0 = Clock::now();
        while ((code = dir > 0 ? f.next() : f.previous()) == kStoreOk) ++seen;
        double rate = static_cast<double>(seen) / secondsSince(t0);
        if (code != kNoRecord) must(code, f, dir > 0 ? "next" : "previous");
        if (seen != n)
          throw BenchFailure(std::string("walking ") + def.keys[k].name + " gave " +
                             std::to_string(seen) + " records, not " + std::to_string(n));
        (dir > 0 ? r.walkForward : r.walkBackward).push_back(rate);
      }
    }

    std::fprintf(stderr, "store: %d lookups\n", kLookups);
    t0 = Clock::now();
    for (uint32_t number : d.lookups) {
      f.clear();
      f.rec<MsgNmbr>().MSGNUMBER = number;
      must(f.get(MsgNmbr::IdKey), f, "get");
      if (f.rec<MsgNmbr>().MSGNUMBER != number)
        throw BenchFailure("get by MSG:IdKey " + std::to_string(number) + " read record " +
                           std::to_string(f.rec<MsgNmbr>().MSGNUMBER));
    }
    r.get = kLookups / secondsSince(t0);
    must(f.close(), f, "close");
  }
  r.peakKb = peakKb();
  r.fileBytes = fs::file_size(path);
  return r;
}

// ---- plain SQLite

// The columns of MsgNmbr and, per key, its index columns as an ORDER BY list.
constexpr const char* kColumns =
    "msgnumber INTEGER, secsysid INTEGER, refnumber INTEGER, threadnumber INTEGER,"
    " threadalpha TEXT, fromid INTEGER, fromalpha TEXT, toid INTEGER, toalpha TEXT,"
    " date INTEGER, dummy INTEGER, fg INTEGER";

struct IndexCol {
  const char* name;
  bool descending, nocase;
};

// The index columns of `key`, taken from the dictionary so that the baseline follows the keys.
std::vector<IndexCol> indexColumns(const FileDef& def, const KeyDef& key) {
  std::vector<IndexCol> cols;
  for (const KeyComp& c : key.comps) {
    const FieldDef& f = def.fields[c.field];
    std::string_view name = f.name;
    name.remove_prefix(name.find(':') + 1);
    static const char* const kSqlNames[] = {"msgnumber",   "secsysid", "refnumber", "threadnumber",
                                            "threadalpha", "fromid",   "fromalpha", "toid",
                                            "toalpha",     "date",     "dummy",     "fg"};
    static const char* const kFieldNames[] = {
        "MSGNUMBER", "SECSYSID", "REFNUMBER", "THREADNUMBER", "THREADALPHA", "FROMID",
        "FROMALPHA", "TOID",     "TOALPHA",   "DATE",         "DUMMY",       "FG"};
    const char* sqlName = nullptr;
    for (size_t i = 0; i < std::size(kFieldNames); ++i)
      if (name == kFieldNames[i]) sqlName = kSqlNames[i];
    if (!sqlName) throw BenchFailure("no column for " + std::string(f.name));
    cols.push_back({sqlName, c.descending, key.nocase && f.type == FieldType::kString});
  }
  return cols;
}

std::string orderList(const std::vector<IndexCol>& cols, bool reverse) {
  std::string s;
  for (const IndexCol& c : cols) {
    if (!s.empty()) s += ", ";
    s += c.name;
    if (c.nocase) s += " COLLATE NOCASE";
    if (c.descending != reverse) s += " DESC";
  }
  return s;
}

class Db {
 public:
  explicit Db(const fs::path& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
      throw BenchFailure("plain SQLite: cannot open " + path.string());
  }
  ~Db() {
    for (sqlite3_stmt* st : stmts_) sqlite3_finalize(st);
    sqlite3_close_v2(db_);
  }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  void exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw BenchFailure("plain SQLite: " + sql + ": " + sqlite3_errmsg(db_));
  }
  sqlite3_stmt* prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw BenchFailure("plain SQLite: " + sql + ": " + sqlite3_errmsg(db_));
    stmts_.push_back(st);
    return st;
  }
  void fail(const char* what) {
    throw BenchFailure(std::string("plain SQLite: ") + what + ": " + sqlite3_errmsg(db_));
  }
  // Whether the query plan of `sql` sorts instead of walking an index.
  bool sorts(const std::string& sql) {
    sqlite3_stmt* st = prepare("EXPLAIN QUERY PLAN " + sql);
    bool sort = false;
    while (sqlite3_step(st) == SQLITE_ROW)
      if (std::strstr(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)), "TEMP B-TREE"))
        sort = true;
    sqlite3_reset(st);
    return sort;
  }

 private:
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> stmts_;
};

// Reads a result row the way a program would use it: every column into a record.
void readRow(sqlite3_stmt* st, MsgNmbr& m) {
  m.MSGNUMBER = static_cast<uint32_t>(sqlite3_column_int64(st, 0));
  m.SECSYSID = static_cast<uint32_t>(sqlite3_column_int64(st, 1));
  m.REFNUMBER = static_cast<uint32_t>(sqlite3_column_int64(st, 2));
  m.THREADNUMBER = static_cast<uint32_t>(sqlite3_column_int64(st, 3));
  setField(m.THREADALPHA, reinterpret_cast<const char*>(sqlite3_column_text(st, 4)));
  m.FROMID = static_cast<uint32_t>(sqlite3_column_int64(st, 5));
  setField(m.FROMALPHA, reinterpret_cast<const char*>(sqlite3_column_text(st, 6)));
  m.TOID = static_cast<uint32_t>(sqlite3_column_int64(st, 7));
  setField(m.TOALPHA, reinterpret_cast<const char*>(sqlite3_column_text(st, 8)));
  m.DATE = static_cast<int32_t>(sqlite3_column_int(st, 9));
  m.DUMMY = static_cast<uint8_t>(sqlite3_column_int(st, 10));
  m.FG = static_cast<uint8_t>(sqlite3_column_int(st, 11));
}

Figures runPlain(const Data& d, const fs::path& dir) {
  Figures r;
  const FileDef& def = *fileDef(kMsgNmbr);
  const int64_t n = static_cast<int64_t>(d.msgs.size());
  const fs::path path = dir / "plain.sqlite";
  {
    Db db(path);
    // The store's own settings: rollback journal deleted at commit, full sync, memory temp.
    db.exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA temp_store=MEMORY");
    db.exec(std::string("CREATE TABLE t(") + kColumns + ")");
    for (size_t k = 0; k < def.keys.size(); ++k)
      db.exec(std::string("CREATE ") + (def.keys[k].unique ? "UNIQUE " : "") + "INDEX i" +
              std::to_string(k) + " ON t(" + orderList(indexColumns(def, def.keys[k]), false) +
              ")");

    sqlite3_stmt* begin = db.prepare("BEGIN IMMEDIATE");
    sqlite3_stmt* commit = db.prepare("COMMIT");
    sqlite3_stmt* ins = db.prepare("INSERT INTO t VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12)");
    std::fprintf(stderr, "plain: adding %lld records\n", static_cast<long long>(n));
    auto t0 = Clock::now();
    for (int64_t i = 0; i < n; i += kTxnSize) {
      if (sqlite3_step(begin) != SQLITE_DONE) db.fail("begin");
      sqlite3_reset(begin);
      for (int64_t j = i; j < std::min(n, i + kTxnSize); ++j) {
        const Msg& m = d.msgs[static_cast<size_t>(j)];
        sqlite3_bind_int64(ins, 1, m.number);
        sqlite3_bind_int64(ins, 2, m.section);
        sqlite3_bind_int64(ins, 3, m.ref);
        sqlite3_bind_int64(ins, 4, m.thread);
        sqlite3_bind_text(ins, 5, d.alphas[m.threadAlpha].c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(ins, 6, m.from);
        sqlite3_bind_text(ins, 7, d.alphas[m.fromAlpha].c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(ins, 8, m.to);
        sqlite3_bind_text(ins, 9, d.alphas[m.toAlpha].c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(ins, 10, m.date);
        sqlite3_bind_int64(ins, 11, m.status);
        sqlite3_bind_int64(ins, 12, m.flags);
        if (sqlite3_step(ins) != SQLITE_DONE) db.fail("insert");
        sqlite3_reset(ins);
      }
      if (sqlite3_step(commit) != SQLITE_DONE) db.fail("commit");
      sqlite3_reset(commit);
    }
    r.add = static_cast<double>(n) / secondsSince(t0);

    MsgNmbr m{};
    for (size_t k = 0; k < def.keys.size(); ++k) {
      std::fprintf(stderr, "plain: walking %s\n", def.keys[k].name);
      const auto cols = indexColumns(def, def.keys[k]);
      for (bool reverse : {false, true}) {
        const std::string sql = "SELECT * FROM t ORDER BY " + orderList(cols, reverse);
        if (db.sorts(sql))
          r.notes.push_back(std::string("plain SQLite sorts for ") + def.keys[k].name +
                            (reverse ? " backward" : " forward") + " instead of using its index");
        sqlite3_stmt* st = db.prepare(sql);
        int64_t seen = 0;
        int rc;
        t0 = Clock::now();
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
          readRow(st, m);
          ++seen;
        }
        double rate = static_cast<double>(seen) / secondsSince(t0);
        if (rc != SQLITE_DONE) db.fail("walk");
        sqlite3_reset(st);
        if (seen != n)
          throw BenchFailure("plain SQLite walk gave " + std::to_string(seen) + " rows");
        (reverse ? r.walkBackward : r.walkForward).push_back(rate);
      }
    }

    std::fprintf(stderr, "plain: %d lookups\n", kLookups);
    sqlite3_stmt* get = db.prepare("SELECT * FROM t WHERE msgnumber = ?1");
    t0 = Clock::now();
    for (uint32_t number : d.lookups) {
      sqlite3_bind_int64(get, 1, number);
      if (sqlite3_step(get) != SQLITE_ROW) db.fail("lookup");
      readRow(get, m);
      sqlite3_reset(get);
      if (m.MSGNUMBER != number) throw BenchFailure("plain SQLite lookup read another row");
    }
    r.get = kLookups / secondsSince(t0);
  }
  r.peakKb = peakKb();
  r.fileBytes = fs::file_size(path);
  return r;
}

// ---- report

std::string grouped(double v) {
  std::string digits = std::to_string(static_cast<long long>(v + 0.5));
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

void row(const std::string& op, double ours, double plain, const std::string& expect) {
  std::printf("%-30s %13s %13s %7.2f  %s\n", op.c_str(), grouped(ours).c_str(),
              grouped(plain).c_str(), plain > 0 ? ours / plain : 0.0, expect.c_str());
}

void report(const Data& d, int64_t dataKb, const Figures& ours, const Figures& plain) {
  const FileDef& def = *fileDef(kMsgNmbr);
  constexpr double kWalkTarget = 1000000;
  std::printf("\n%-30s %13s %13s %7s  %s\n", "operation", "ours rec/s", "plain rec/s", "ratio",
              "expectation");
  std::printf("%s\n", std::string(110, '-').c_str());
  row("add, transactions of " + std::to_string(kTxnSize), ours.add, plain.add,
      std::string("adding: expect >= 50% of plain SQLite: ") +
          (ours.add >= 0.5 * plain.add ? "PASS" : "BELOW"));
  int below = 0;
  for (size_t k = 0; k < def.keys.size(); ++k) {
    for (bool back : {false, true}) {
      double o = (back ? ours.walkBackward : ours.walkForward)[k];
      double p = (back ? plain.walkBackward : plain.walkForward)[k];
      if (o < kWalkTarget) ++below;
      row(std::string("walk ") + def.keys[k].name + (back ? " back" : " fwd"), o, p,
          std::string("walking a key: expect >= 1,000,000 records/s: ") +
              (o >= kWalkTarget ? "PASS" : "BELOW"));
    }
  }
  row("get by MSG:IdKey, " + grouped(kLookups) + " random", ours.get, plain.get, "-");
  std::printf("%s\n", std::string(110, '-').c_str());
  std::printf("records %s; walks below 1,000,000 records/s: %d of %zu\n",
              grouped(static_cast<double>(d.msgs.size())).c_str(), below, 2 * def.keys.size());
  std::printf(
      "peak RSS (VmHWM): ours %s kB, plain SQLite %s kB; both include %s kB of generated"
      " rows\n",
      grouped(static_cast<double>(ours.peakKb)).c_str(),
      grouped(static_cast<double>(plain.peakKb)).c_str(),
      grouped(static_cast<double>(dataKb)).c_str());
  std::printf("file size: ours %s bytes, plain SQLite %s bytes (%.2fx)\n",
              grouped(static_cast<double>(ours.fileBytes)).c_str(),
              grouped(static_cast<double>(plain.fileBytes)).c_str(),
              plain.fileBytes ? static_cast<double>(ours.fileBytes) / plain.fileBytes : 0.0);
  for (const std::string& note : plain.notes) std::printf("note: %s\n", note.c_str());
}

void usage() {
  std::fprintf(stderr,
               "usage: storage_bench [RECORDS] [DIR] [--records N] [--dir DIR] [--quick]\n"
               "  RECORDS  records to add (default 1,000,000; --quick: 100,000)\n"
               "  DIR      working directory (default a fresh directory under /tmp, removed"
               " at the end)\n");
}

bool parseCount(std::string_view s, int64_t& out) {
  if (s.empty() || s.size() > 9) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return v > 0;
}

int run(int argc, char** argv) {
  int64_t records = kDefaultRecords;
  std::string dirArg;
  std::vector<std::string_view> positional;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "--quick") {
      records = kQuickRecords;
    } else if ((a == "--records" || a == "--dir") && i + 1 < argc) {
      if (a == "--dir")
        dirArg = argv[++i];
      else if (!parseCount(argv[++i], records))
        return usage(), 2;
    } else if (a == "-h" || a == "--help") {
      return usage(), 0;
    } else if (!a.empty() && a[0] != '-') {
      positional.push_back(a);
    } else {
      return usage(), 2;
    }
  }
  if (positional.size() > 2) return usage(), 2;
  if (!positional.empty() && !parseCount(positional[0], records)) return usage(), 2;
  if (positional.size() == 2) dirArg = positional[1];

  fs::path dir;
  bool ownDir = dirArg.empty();
  if (ownDir) {
    std::string tmpl = (fs::temp_directory_path() / "qv-storage-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
      std::perror("mkdtemp");
      return 1;
    }
    dir = tmpl;
  } else {
    dir = fs::absolute(dirArg);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir)) {
      std::fprintf(stderr, "storage_bench: %s is not a directory\n", dir.c_str());
      return 1;
    }
  }
  auto cleanup = [&] {
    std::error_code ec;
    if (ownDir) {
      fs::remove_all(dir, ec);
    } else {
      for (const char* name :
           {"IDX003.TPS", "IDX003.TPS-journal", "LOCK", "plain.sqlite", "plain.sqlite-journal"})
        if (fs::is_regular_file(dir / name, ec)) fs::remove(dir / name, ec);
    }
  };

  std::printf("storage_bench: %s MsgNmbr records in %s, SQLite %s, %s build\n",
              grouped(static_cast<double>(records)).c_str(), dir.c_str(), sqlite3_libversion(),
              QV_BUILD_TYPE);
  std::fflush(stdout);
  try {
    Data data = makeData(records);
    const int64_t dataKb = statusKb("VmRSS:");
    resetPeak();
    Figures ours = runStore(data, dir);
    resetPeak();
    Figures plain = runPlain(data, dir);
    report(data, dataKb, ours, plain);
  } catch (const BenchFailure& e) {
    std::fprintf(stderr, "storage_bench: %s\n", e.what());
    cleanup();
    return 1;
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
  return 0;
}

}  // namespace
}  // namespace qv

int main(int argc, char** argv) {
  try {
    return qv::run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "storage_bench: internal error: %s\n", e.what());
    return 1;
  }
}
