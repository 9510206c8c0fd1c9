// The encrypting VFS: nothing readable on disk, crash recovery, wrong keys, mixed transactions.
#include "storage/crypt_vfs.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace qv::crypt {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPasswordA = "QZT wob";
constexpr const char* kPasswordB = "Tulvik Mopra";
constexpr const char* kSecret = "Meine geheime Nachricht";
constexpr const char* kCommitted = "Schon bestaetigte Zeile";
constexpr const char* kHeader = "SQLite format 3";

class Db {
 public:
  explicit Db(const std::string& name, const char* vfs = vfsName()) {
    openRc_ = sqlite3_open_v2(name.c_str(), &h_,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, vfs);
  }
  ~Db() { sqlite3_close_v2(h_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  int openRc() const { return openRc_; }
  int exec(const std::string& sql) {
    return sqlite3_exec(h_, sql.c_str(), nullptr, nullptr, nullptr);
  }
  // The first column of the first row, or the error, so that a failure shows in the comparison.
  std::string text(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h_, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(st);
    std::string out = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0))
                                       : "error " + std::to_string(rc) + ": " + sqlite3_errmsg(h_);
    sqlite3_finalize(st);
    return out;
  }

 private:
  sqlite3* h_ = nullptr;
  int openRc_;
};

std::string rawBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool contains(const std::string& bytes, const char* needle) {
  return bytes.find(needle) != std::string::npos;
}

class CryptVfs : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qv_crypt_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

// Runs `body` in a child process that is expected to end by SIGKILL; a plain exit code names
// the step that failed there.
void runChildExpectingKill(const std::function<int()>& body) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) _exit(body());
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child failed at step " << WEXITSTATUS(status);
  ASSERT_EQ(WTERMSIG(status), SIGKILL);
}

TEST_F(CryptVfs, NothingReadableOnDiskInAnyJournalMode) {
  struct Case {
    const char* mode;
    bool encrypted;
  } cases[] = {{"DELETE", true},
               {"PERSIST", true},
               {"TRUNCATE", true},
               {"WAL", true},
               {"PERSIST", false}};  // the last shows what the scan catches
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.encrypted ? " encrypted" : " plain"));
    // Characters a URI must escape, to see that the file lands under its literal name.
    std::string name = std::string("a b%#?&=") + c.mode + (c.encrypted ? "e" : "p") + ".db";
    std::string file = path(name);
    std::string uri = c.encrypted ? uriFor(file, kPasswordA) : file;
    {
      Db db(uri);
      ASSERT_EQ(db.openRc(), SQLITE_OK);
      EXPECT_EQ(
          sqlite3_stricmp(db.text(std::string("PRAGMA journal_mode=") + c.mode).c_str(), c.mode),
          0);
      // Memory-mapped reads must not bypass decryption.
      ASSERT_EQ(db.exec("PRAGMA mmap_size=1048576"), SQLITE_OK);
      ASSERT_EQ(db.exec("CREATE TABLE t(x TEXT)"), SQLITE_OK);
      ASSERT_EQ(db.exec(std::string("BEGIN; INSERT INTO t VALUES('") + kSecret + "'); COMMIT"),
                SQLITE_OK);
      // A second transaction puts the page holding the secret into the journal.
      ASSERT_EQ(db.exec("BEGIN; INSERT INTO t VALUES('zweite'); COMMIT"), SQLITE_OK);
      ASSERT_TRUE(fs::exists(file));

      int filesSeen = 0;
      bool secretSeen = false;
      for (const fs::directory_entry& e : fs::directory_iterator(dir_)) {
        if (e.path().filename().string().rfind(name, 0) != 0) continue;
        ++filesSeen;
        std::string raw = rawBytes(e.path());
        secretSeen = secretSeen || contains(raw, kSecret);
        if (c.encrypted) {
          EXPECT_FALSE(contains(raw, kSecret)) << e.path();
          EXPECT_FALSE(contains(raw, kHeader)) << e.path();
        }
      }
      EXPECT_GE(filesSeen,
                std::string(c.mode) == "PERSIST" || std::string(c.mode) == "WAL" ? 2 : 1);
      EXPECT_EQ(secretSeen, !c.encrypted);
      if (!c.encrypted) {
        EXPECT_TRUE(contains(rawBytes(file + "-journal"), kSecret));
      }
    }
    Db again(uri);
    ASSERT_EQ(again.exec("PRAGMA mmap_size=1048576"), SQLITE_OK);
    EXPECT_EQ(again.text("SELECT group_concat(x, '|') FROM t"), std::string(kSecret) + "|zweite");
    EXPECT_EQ(again.text("PRAGMA integrity_check"), "ok");
  }
}

TEST_F(CryptVfs, FileLevelReadsKeepTheZeroTailAndWritesLeaveTheCallersBuffer) {
  sqlite3_vfs* vfs = sqlite3_vfs_find(vfsName());
  ASSERT_NE(vfs, nullptr);
  std::string file = path("raw.db");
  const char* params[] = {kKeyParam, "6b6579"};
  sqlite3_filename name = sqlite3_create_filename(file.c_str(), (file + "-journal").c_str(),
                                                  (file + "-wal").c_str(), 1, params);
  std::unique_ptr<char[]> mem(new char[vfs->szOsFile]());
  auto* f = reinterpret_cast<sqlite3_file*>(mem.get());
  int outFlags = 0;
  ASSERT_EQ(vfs->xOpen(vfs, name, f,
                       SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_CREATE | SQLITE_OPEN_READWRITE, &outFlags),
            SQLITE_OK);

  std::string data(100, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('A' + i % 26);
  const std::string original = data;
  EXPECT_EQ(f->pMethods->xWrite(f, data.data(), 100, 0), SQLITE_OK);
  EXPECT_EQ(data, original);
  EXPECT_NE(rawBytes(file), original);

  // 63 bytes exist from offset 37 on (an offset inside a keystream block); 37 are past the end.
  std::string buf(100, '\x55');
  EXPECT_EQ(f->pMethods->xRead(f, buf.data(), 100, 37), SQLITE_IOERR_SHORT_READ);
  EXPECT_EQ(buf.substr(0, 63), original.substr(37));
  EXPECT_EQ(buf.substr(63), std::string(37, '\0'));

  ASSERT_GE(f->pMethods->iVersion, 3);
  void* mapped = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->pMethods->xFetch(f, 0, 64, &mapped), SQLITE_OK);
  EXPECT_EQ(mapped, nullptr);

  EXPECT_EQ(f->pMethods->xClose(f), SQLITE_OK);
  sqlite3_free_filename(name);
}

TEST_F(CryptVfs, HotJournalOfAKilledWriterIsRolledBackAndHoldsNoPlaintext) {
  struct Case {
    const char* mode;
    bool encrypted;
  } cases[] = {{"DELETE", true},
               {"PERSIST", true},
               {"TRUNCATE", true},
               {"DELETE", false}};  // the plain run shows the journal does hold the old row
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.encrypted ? " encrypted" : " plain"));
    std::string file = path(std::string("hot-") + c.mode + (c.encrypted ? "e" : "p") + ".db");
    std::string uri = c.encrypted ? uriFor(file, kPasswordB) : file;
    runChildExpectingKill([&] {
      Db db(uri);
      if (db.exec(std::string("PRAGMA journal_mode=") + c.mode) != SQLITE_OK) return 1;
      if (db.exec(std::string("CREATE TABLE t(x TEXT); INSERT INTO t VALUES('") + kCommitted +
                  "')") != SQLITE_OK)
        return 2;
      // A tiny cache makes the pager spill: the journal is synced and the database overwritten.
      if (db.exec("PRAGMA cache_size=2; BEGIN") != SQLITE_OK) return 3;
      if (db.exec(std::string("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n ") +
                  "WHERE i<300) INSERT INTO t SELECT '" + kSecret +
                  "' || hex(zeroblob(200)) FROM n") != SQLITE_OK)
        return 4;
      if (!fs::exists(file + "-journal")) return 5;
      raise(SIGKILL);
      return 6;
    });

    std::string journal = rawBytes(file + "-journal");
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(contains(journal, kCommitted), !c.encrypted);
    EXPECT_EQ(contains(rawBytes(file), kSecret), !c.encrypted);

    // Opened in the default mode: a journal is hot whatever mode wrote it.
    Db db(uri);
    EXPECT_EQ(db.text("SELECT group_concat(x, '|') FROM t"), kCommitted);
    EXPECT_EQ(db.text("PRAGMA integrity_check"), "ok");
    EXPECT_FALSE(fs::exists(file + "-journal"));
  }
}

TEST_F(CryptVfs, WithoutTheRightKeyTheFileIsNotADatabase) {
  std::string secretFile = path("secret.db"), plainFile = path("plain.db");
  {
    Db enc(uriFor(secretFile, kPasswordA));
    ASSERT_EQ(enc.exec(std::string("CREATE TABLE t(x); INSERT INTO t VALUES('") + kSecret + "')"),
              SQLITE_OK);
    Db plain(plainFile);
    ASSERT_EQ(plain.exec("CREATE TABLE t(x); INSERT INTO t VALUES(1)"), SQLITE_OK);
  }
  struct Case {
    const char* what;
    std::string name;
    const char* vfs;
    int openRc, queryRc;
  } cases[] = {
      {"default VFS", secretFile, nullptr, SQLITE_OK, SQLITE_NOTADB},
      {"no key", secretFile, vfsName(), SQLITE_OK, SQLITE_NOTADB},
      {"wrong key", uriFor(secretFile, kPasswordB), vfsName(), SQLITE_OK, SQLITE_NOTADB},
      {"one character off", uriFor(secretFile, "QZT woc"), vfsName(), SQLITE_OK, SQLITE_NOTADB},
      {"plain file with a key", uriFor(plainFile, kPasswordA), vfsName(), SQLITE_OK, SQLITE_NOTADB},
      {"key not hex", "file://" + secretFile + "?qvkey=5g", vfsName(), SQLITE_CANTOPEN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Db db(c.name, c.vfs);
    EXPECT_EQ(db.openRc(), c.openRc);
    if (c.openRc == SQLITE_OK) {
      EXPECT_EQ(db.exec("SELECT count(*) FROM sqlite_master"), c.queryRc);
      EXPECT_EQ(db.exec("INSERT INTO t VALUES(2)"), c.queryRc);
    }
  }
  // The failed attempts left both files as they were.
  EXPECT_EQ(Db(uriFor(secretFile, kPasswordA)).text("SELECT x FROM t"), kSecret);
  EXPECT_EQ(Db(plainFile).text("SELECT group_concat(x) FROM t"), "1");
}

TEST_F(CryptVfs, TransactionOverAttachedFilesCommitsOrRollsBackAll) {
  struct Case {
    const char* what;
    const char* password;  // of the attached file; null: plain
  } cases[] = {{"plain attached", nullptr}, {"encrypted attached", kPasswordB}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string mainFile = path(std::string(c.what) + "-main.db");
    std::string otherFile = path(std::string(c.what) + "-other.db");
    std::string mainUri = uriFor(mainFile, kPasswordA);
    std::string otherUri = c.password ? uriFor(otherFile, c.password) : otherFile;
    {
      Db db(mainUri);
      ASSERT_EQ(db.exec("ATTACH '" + otherUri + "' AS o"), SQLITE_OK);
      ASSERT_EQ(db.exec("CREATE TABLE main.t(x); CREATE TABLE o.t(x)"), SQLITE_OK);
      ASSERT_EQ(db.exec(std::string("BEGIN; INSERT INTO main.t VALUES('m1');") +
                        "INSERT INTO o.t VALUES('" + kSecret + "'); COMMIT"),
                SQLITE_OK);
      ASSERT_EQ(db.exec("BEGIN; INSERT INTO main.t VALUES('m2'); INSERT INTO o.t VALUES('o2');"
                        "ROLLBACK"),
                SQLITE_OK);
    }
    EXPECT_EQ(Db(mainUri).text("SELECT group_concat(x) FROM t"), "m1");
    EXPECT_EQ(Db(otherUri).text("SELECT group_concat(x) FROM t"), kSecret);
    EXPECT_EQ(contains(rawBytes(otherFile), kSecret), c.password == nullptr);
  }
}

// Wraps the VFS so that the process dies the moment SQLite deletes a super-journal: the commit
// point of a multi-file transaction, when every file is written and every journal still hot.
int deleteThenDie(sqlite3_vfs* vfs, const char* name, int syncDir) {
  if (std::strstr(name, "-mj")) raise(SIGKILL);
  return sqlite3_vfs_find(vfsName())->xDelete(vfs, name, syncDir);
}

TEST_F(CryptVfs, CrashedMultiFileCommitIsRolledBackInEveryFile) {
  // Keys stay known to the process once seen, so a repeated run needs a password of its own.
  static int runs = 0;
  std::string unseen = "Ungesehen " + std::to_string(++runs);
  struct Case {
    const char* what;
    const char* otherPassword;  // null: plain
    bool firstQueryFails;       // the other journal's key is unknown to this process
  } cases[] = {{"same password", kPasswordA, false},
               {"plain other", nullptr, false},
               {"password not seen here", unseen.c_str(), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::path sub = dir_ / c.what;
    fs::create_directory(sub);
    std::string mainFile = (sub / "main.db").string(), otherFile = (sub / "other.db").string();
    std::string mainUri = uriFor(mainFile, kPasswordA);
    std::string otherUri = c.otherPassword ? uriFor(otherFile, c.otherPassword) : otherFile;
    runChildExpectingKill([&] {
      static sqlite3_vfs dying = *sqlite3_vfs_find(vfsName());
      dying.zName = "qvcrypt-dying";
      dying.pNext = nullptr;
      dying.xDelete = deleteThenDie;
      if (sqlite3_vfs_register(&dying, 0) != SQLITE_OK) return 1;
      Db db(mainUri, dying.zName);
      if (db.exec("ATTACH '" + otherUri + "' AS o") != SQLITE_OK) return 2;
      if (db.exec("CREATE TABLE main.t(x); INSERT INTO main.t VALUES('alt');"
                  "CREATE TABLE o.t(x); INSERT INTO o.t VALUES('alt')") != SQLITE_OK)
        return 3;
      db.exec("BEGIN; UPDATE main.t SET x='neu'; UPDATE o.t SET x='neu'; COMMIT");
      return 4;
    });
    auto superJournals = [&] {
      int n = 0;
      for (const fs::directory_entry& e : fs::directory_iterator(sub))
        n += e.path().filename().string().find("-mj") != std::string::npos;
      return n;
    };
    ASSERT_EQ(superJournals(), 1);
    ASSERT_TRUE(fs::exists(otherFile + "-journal"));

    {
      Db db(mainUri);
      if (c.firstQueryFails) {
        EXPECT_NE(db.exec("SELECT * FROM t"), SQLITE_OK);
      }
      EXPECT_EQ(db.text("SELECT x FROM t"), "alt");
    }
    // The other file's journal still points at the super-journal, which must therefore stay.
    EXPECT_EQ(superJournals(), 1);
    EXPECT_EQ(Db(otherUri).text("SELECT x FROM t"), "alt");
    EXPECT_EQ(superJournals(), 0);
    EXPECT_FALSE(fs::exists(mainFile + "-journal"));
    EXPECT_FALSE(fs::exists(otherFile + "-journal"));
  }
}

}  // namespace
}  // namespace qv::crypt
