// The keyed record store: key orders, walks, writes, errors, holds, transactions, damage.
#include "storage/store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <thread>

#include "storage/records.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::TempDir;

class StoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  Store store{dir / "LOCK"};

  std::unique_ptr<StoreFile> makeFile(int number, const std::string& name, bool create = true) {
    auto f = std::make_unique<StoreFile>(store, *fileDef(number));
    f->setPath(dir / name);
    if (create) {
      EXPECT_EQ(f->create(), kStoreOk);
    }
    return f;
  }
};

void setMsg(StoreFile& f, uint32_t number, int32_t date, std::string_view thread = "Topic",
            uint8_t status = 0) {
  f.clear();
  auto& m = f.rec<MsgNmbr>();
  m.MSGNUMBER = number;
  m.DATE = date;
  m.DUMMY = status;
  setField(m.THREADALPHA, thread);
}

std::vector<uint32_t> walk(StoreFile& f, int key, bool backward = false, size_t limit = 1000) {
  std::vector<uint32_t> out;
  EXPECT_EQ(f.set(key), kStoreOk);
  while (out.size() < limit && (backward ? f.previous() : f.next()) == kStoreOk)
    out.push_back(f.rec<MsgNmbr>().MSGNUMBER);
  return out;
}

TEST_F(StoreTest, KeysOrderAsDeclared) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  struct {
    uint32_t number;
    int32_t date;
    const char* thread;
    uint8_t status;
  } rows[] = {{250001, 70000, "beta", 0},
              {250005, 70000, "Alpha", 2},
              {250003, 71000, "alpha", 0},
              {250002, -5, "\xE9t\xE9", 2},
              {250004, 69000, "Beta", 1}};
  for (auto& r : rows) {
    setMsg(*f, r.number, r.date, r.thread, r.status);
    ASSERT_EQ(f->add(), kStoreOk);
  }
  EXPECT_EQ(f->records(), 5);
  // Descending number: newest first; descending date, then descending number.
  EXPECT_EQ(walk(*f, MsgNmbr::IdKey),
            (std::vector<uint32_t>{250005, 250004, 250003, 250002, 250001}));
  EXPECT_EQ(walk(*f, MsgNmbr::DateKey),
            (std::vector<uint32_t>{250003, 250005, 250001, 250004, 250002}));
  EXPECT_EQ(walk(*f, MsgNmbr::DateKey, true),
            (std::vector<uint32_t>{250002, 250004, 250001, 250005, 250003}));
  // Case-insensitive subject, then thread and number; accented letters fold too ("été").
  EXPECT_EQ(walk(*f, MsgNmbr::Threadkey),
            (std::vector<uint32_t>{250003, 250005, 250001, 250004, 250002}));
  // From status 2 upwards: exactly the messages marked for deletion.
  setMsg(*f, 0, 0, "", 2);
  ASSERT_EQ(f->setFromBuffer(MsgNmbr::StatusKey), kStoreOk);
  std::vector<uint32_t> marked;
  while (f->next() == kStoreOk) marked.push_back(f->rec<MsgNmbr>().MSGNUMBER);
  EXPECT_EQ(marked, (std::vector<uint32_t>{250005, 250002}));
  // A blank key value starts at the first record.
  setMsg(*f, 0, 0, "");
  ASSERT_EQ(f->setFromBuffer(MsgNmbr::IdKey), kStoreOk);
  ASSERT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 250005u);
}

TEST_F(StoreTest, MailPairKeyGroupsPartnersNewestFirst) {
  auto f = makeFile(kMail, "IDX013.TPS", false);
  f->setPassword("QZT wob");
  ASSERT_EQ(f->create(), kStoreOk);
  ASSERT_EQ(f->open(), kStoreOk);
  struct {
    uint32_t id;
    const char* partner;
    uint32_t partnerId;
    int32_t date, time;
  } mails[] = {{250010, "smith", 7, 80000, 500},
               {250011, "Adams", 9, 80000, 100},
               {250012, "SMITH", 7, 80001, 1},
               {250013, "Smith", 7, 80000, 900},
               {250014, "adams", 9, 79000, 1}};
  for (auto& m : mails) {
    f->clear();
    auto& r = f->rec<Mail>();
    r.MAILID = m.id;
    r.PAIRID = m.partnerId;
    r.DATE = m.date;
    r.TIME = m.time;
    setField(r.PAIRALPHA, m.partner);
    ASSERT_EQ(f->add(), kStoreOk);
  }
  std::vector<uint32_t> order;
  ASSERT_EQ(f->set(Mail::PairKey), kStoreOk);
  while (f->next() == kStoreOk) order.push_back(+f->rec<Mail>().MAILID);
  EXPECT_EQ(order, (std::vector<uint32_t>{250011, 250014, 250012, 250013, 250010}));
}

TEST_F(StoreTest, WalkTurnsAroundAndStopsAtBothEnds) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  for (uint32_t n = 1; n <= 5; ++n) {
    setMsg(*f, n, 0);
    ASSERT_EQ(f->add(), kStoreOk);
  }
  ASSERT_EQ(f->set(-1), kStoreOk);
  ASSERT_EQ(f->next(), kStoreOk);
  ASSERT_EQ(f->next(), kStoreOk);
  ASSERT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 3u);
  ASSERT_EQ(f->previous(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 2u);
  ASSERT_EQ(f->previous(), kStoreOk);
  EXPECT_EQ(f->previous(), kNoRecord);
  ASSERT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 1u);
  // Past the end, previous() comes back with the last record.
  while (f->next() == kStoreOk) {
  }
  EXPECT_EQ(f->lastError(), kNoRecord);
  ASSERT_EQ(f->previous(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 5u);
}

TEST_F(StoreTest, WalkSurvivesWritesAndDeletes) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  for (uint32_t n = 1; n <= 40; ++n) {
    setMsg(*f, n, static_cast<int32_t>(n % 3));
    ASSERT_EQ(f->add(), kStoreOk);
  }
  // Delete every record while walking the key, as a purge does.
  ASSERT_EQ(f->set(MsgNmbr::DateKey), kStoreOk);
  int seen = 0;
  while (f->next() == kStoreOk) {
    ++seen;
    ASSERT_EQ(f->erase(), kStoreOk);
  }
  EXPECT_EQ(seen, 40);
  EXPECT_EQ(f->records(), 0);
}

TEST_F(StoreTest, PositionsSurviveReopening) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  std::string pos;
  for (uint32_t n = 1; n <= 10; ++n) {
    setMsg(*f, 250000 + n, static_cast<int32_t>(n));
    ASSERT_EQ(f->add(), kStoreOk);
    if (n == 7) pos = f->position();
  }
  ASSERT_EQ(f->close(), kStoreOk);
  ASSERT_EQ(f->open(), kStoreOk);
  ASSERT_EQ(f->reget(pos), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 250007u);
  // reset() puts the walk on that record: next() returns it, and then the one after it.
  ASSERT_EQ(f->reset(MsgNmbr::IdKey, pos), kStoreOk);
  ASSERT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 250007u);
  ASSERT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().MSGNUMBER, 250006u);
  // A removed record's position is not given to a new one.
  ASSERT_EQ(f->reget(pos), kStoreOk);
  ASSERT_EQ(f->erase(), kStoreOk);
  setMsg(*f, 260000, 1);
  ASSERT_EQ(f->add(), kStoreOk);
  EXPECT_NE(f->position(), pos);
  EXPECT_EQ(f->reget(pos), kRecordNotFound);
  EXPECT_EQ(f->reget("garbage"), kRecordNotFound);
}

TEST_F(StoreTest, ErrorCodes) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  auto missing = makeFile(kMsgNmbr, "NOPE.TPS", false);
  EXPECT_EQ(missing->open(), kNoFile);
  auto noPath = makeFile(kMsgNmbr, "NODIR/IDX003.TPS", false);
  EXPECT_EQ(noPath->open(), kNoPath);
  EXPECT_EQ(noPath->create(), kNoPath);

  ASSERT_EQ(f->open(), kStoreOk);
  EXPECT_EQ(f->open(), kAlreadyOpen);
  EXPECT_EQ(f->put(), kNoRecord);  // no current record
  setMsg(*f, 250000, 1);
  ASSERT_EQ(f->add(), kStoreOk);
  setMsg(*f, 250002, 1);
  ASSERT_EQ(f->add(), kStoreOk);
  setMsg(*f, 250000, 1);
  EXPECT_TRUE(f->duplicate());
  EXPECT_EQ(f->add(), kDuplicateKey);
  EXPECT_EQ(f->errorText(), storeCodeText(kDuplicateKey));
  setMsg(*f, 250001, 1);
  EXPECT_FALSE(f->duplicate(MsgNmbr::IdKey));
  EXPECT_EQ(f->get(MsgNmbr::IdKey), kRecordNotFound);
  setMsg(*f, 250000, 0);
  ASSERT_EQ(f->get(MsgNmbr::IdKey), kStoreOk);
  EXPECT_EQ(+f->rec<MsgNmbr>().DATE, 1);
  EXPECT_EQ(f->set(MsgNmbr::IdKey), kStoreOk);
  EXPECT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(f->next(), kStoreOk);
  EXPECT_EQ(f->next(), kNoRecord);
  EXPECT_EQ(store.remove(f->path()), kAlreadyOpen);
  EXPECT_EQ(f->sendOption("QUICKSCAN=ON"), kStoreOk);
  EXPECT_EQ(f->sendOption("FULLBUILD=OFF"), kStoreOk);
  ASSERT_EQ(f->close(), kStoreOk);
  EXPECT_EQ(f->next(), kStoreFailure);  // not open
}

TEST_F(StoreTest, NocaseUniqueKeyRejectsAnotherLetterCase) {
  auto f = makeFile(kPerson, "IDX005.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  auto add = [&](uint32_t id, std::string_view s) {
    f->clear();
    f->rec<Person>().PERSONID = id;
    setField(f->rec<Person>().PERSONSTRING, s);
    return f->add();
  };
  ASSERT_EQ(add(250000, "J\xC9R\xD4ME MILLER jm@example.org"), kStoreOk);
  EXPECT_EQ(add(250001, "j\xE9r\xF4me miller JM@EXAMPLE.ORG"), kDuplicateKey);
  EXPECT_EQ(f->records(), 1);
}

TEST_F(StoreTest, UpdateKeepsKeysCurrent) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  for (uint32_t n = 1; n <= 3; ++n) {
    setMsg(*f, n, 10);
    ASSERT_EQ(f->add(), kStoreOk);
  }
  setMsg(*f, 2, 0);
  ASSERT_EQ(f->get(MsgNmbr::IdKey), kStoreOk);
  f->rec<MsgNmbr>().DATE = 99;
  ASSERT_EQ(f->put(), kStoreOk);
  EXPECT_EQ(walk(*f, MsgNmbr::DateKey), (std::vector<uint32_t>{2, 3, 1}));
  f->rec<MsgNmbr>().MSGNUMBER = 3;  // would duplicate the unique key
  setMsg(*f, 1, 0);
  ASSERT_EQ(f->get(MsgNmbr::IdKey), kStoreOk);
  f->rec<MsgNmbr>().MSGNUMBER = 3;
  EXPECT_EQ(f->put(), kDuplicateKey);
}

TEST_F(StoreTest, TextPartIsKeptWithItsRecord) {
  auto f = makeFile(kMsgText, "IDX004.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  f->clear();
  f->rec<MsgText>().MSGNUMBER = 250000;
  f->text() = std::string("Line one\r\nLine \x00two\r\n", 20) + std::string(70000, 'x');
  ASSERT_EQ(f->add(), kStoreOk);
  f->clear();
  EXPECT_TRUE(f->text().empty());
  f->rec<MsgText>().MSGNUMBER = 250000;
  ASSERT_EQ(f->get(MsgText::IdKey), kStoreOk);
  ASSERT_EQ(f->text().size(), kMaxTextLength);  // cut at the longest text part
  EXPECT_EQ(f->text().substr(0, 20), std::string("Line one\r\nLine \x00two\r\n", 20));
}

TEST_F(StoreTest, AppendLeavesKeysForRebuild) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  for (uint32_t n = 1; n <= 100; ++n) {
    setMsg(*f, n, static_cast<int32_t>(n));
    ASSERT_EQ(f->append(), kStoreOk);
  }
  // A file left with stale keys reports them at the next open, and a rebuild repairs it.
  ASSERT_EQ(f->close(), kStoreOk);
  EXPECT_EQ(f->open(), kBadKeys);
  ASSERT_EQ(f->buildKeys(), kStoreOk);
  ASSERT_EQ(f->close(), kStoreOk);
  ASSERT_EQ(f->open(), kStoreOk);
  EXPECT_EQ(walk(*f, MsgNmbr::IdKey, false, 3), (std::vector<uint32_t>{100, 99, 98}));
  // A unique key that the appends duplicated cannot be built.
  setMsg(*f, 50, 1);
  ASSERT_EQ(f->append(), kStoreOk);
  EXPECT_EQ(f->buildKeys(), kDuplicateKey);
  ASSERT_EQ(f->close(), kStoreOk);
  EXPECT_EQ(f->open(), kBadKeys);
}

TEST_F(StoreTest, WalkFromTheMiddleIsARangeScan) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  ASSERT_EQ(f->stream(), kStoreOk);
  for (uint32_t n = 1; n <= 200000; ++n) {
    setMsg(*f, n, static_cast<int32_t>(n % 5000), n % 2 ? "odd" : "even");
    ASSERT_EQ(f->append(), kStoreOk);
  }
  ASSERT_EQ(f->flush(), kStoreOk);
  ASSERT_EQ(f->buildKeys(), kStoreOk);
  for (int key : {MsgNmbr::IdKey, MsgNmbr::DateKey, MsgNmbr::Threadkey}) {
    setMsg(*f, 100001, 1, "odd");
    ASSERT_EQ(f->get(key), kStoreOk);
    std::string pos = f->position();
    store.stats() = {};
    ASSERT_EQ(f->reset(key, pos), kStoreOk);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(f->next(), kStoreOk);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(f->previous(), kStoreOk);
    EXPECT_EQ(store.stats().fullScanSteps, 0u) << "key " << key;
    EXPECT_EQ(store.stats().sorts, 0u) << "key " << key;
    EXPECT_LT(store.stats().rowsReturned, 200u) << "key " << key;
  }
}

TEST_F(StoreTest, RollbackUndoesEveryChangeSinceBegin) {
  std::filesystem::create_directories(dir.path() / "F1");
  auto a = makeFile(kMsgNmbr, "F1/IDX003.TPS");
  auto b = makeFile(kPerson, "F1/IDX005.TPS");
  ASSERT_EQ(a->open(), kStoreOk);
  ASSERT_EQ(b->open(), kStoreOk);
  setMsg(*a, 1, 1);
  ASSERT_EQ(a->add(), kStoreOk);
  std::array<StoreFile*, 2> files{a.get(), b.get()};
  ASSERT_EQ(store.begin(files), kStoreOk);
  EXPECT_NE(store.begin(files), kStoreOk);  // one at a time
  setMsg(*a, 2, 1);
  ASSERT_EQ(a->add(), kStoreOk);
  setMsg(*a, 1, 0);
  ASSERT_EQ(a->get(MsgNmbr::IdKey), kStoreOk);
  ASSERT_EQ(a->erase(), kStoreOk);
  b->clear();
  b->rec<Person>().PERSONID = 7;
  ASSERT_EQ(b->add(), kStoreOk);
  ASSERT_EQ(store.rollback(), kStoreOk);
  EXPECT_EQ(walk(*a, MsgNmbr::IdKey), (std::vector<uint32_t>{1}));
  EXPECT_EQ(b->records(), 0);
  // The files work on after the transaction, and the next one commits.
  ASSERT_EQ(store.begin(files), kStoreOk);
  setMsg(*a, 3, 1);
  ASSERT_EQ(a->add(), kStoreOk);
  ASSERT_EQ(store.commit(), kStoreOk);
  EXPECT_EQ(a->records(), 2);
}

// More files are open than one connection can attach; transactions over ten of them, over
// another ten, and over a file of each, all commit or roll back whole.
TEST_F(StoreTest, TransactionsOverManyOfManyOpenFiles) {
  std::vector<std::unique_ptr<StoreFile>> files;
  for (int i = 0; i < 16; ++i) {
    std::filesystem::create_directories(dir.path() / ("F" + std::to_string(i)));
    files.push_back(makeFile(kMsgNmbr, "F" + std::to_string(i) + "/IDX003.TPS"));
    ASSERT_EQ(files.back()->open(), kStoreOk);
  }
  auto run = [&](std::vector<int> which, bool keep, uint32_t number) {
    std::vector<StoreFile*> list;
    for (int i : which) list.push_back(files[static_cast<size_t>(i)].get());
    ASSERT_EQ(store.begin(list), kStoreOk);
    for (StoreFile* f : list) {
      setMsg(*f, number, 1);
      ASSERT_EQ(f->add(), kStoreOk);
    }
    ASSERT_EQ(keep ? store.commit() : store.rollback(), kStoreOk);
  };
  run({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true, 1);
  run({6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, false, 2);
  run({0, 15}, true, 3);
  std::vector<int64_t> counts;
  for (auto& f : files) counts.push_back(f->records());
  EXPECT_EQ(counts, (std::vector<int64_t>{2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1}));
  // Writes outside a transaction still reach every file.
  setMsg(*files[12], 4, 1);
  EXPECT_EQ(files[12]->add(), kStoreOk);
  EXPECT_EQ(files[12]->records(), 1);
}

// A child process writes to three files inside a transaction and is killed before or after
// the commit: the three files show all of it or none of it.
TEST_F(StoreTest, KilledTransactionIsAllOrNothing) {
  for (bool commitFirst : {false, true}) {
    TempDir d;
    std::vector<std::string> paths;
    {
      Store s(d / "LOCK");
      for (int i = 0; i < 3; ++i) {
        std::filesystem::create_directories(d.path() / ("F" + std::to_string(i)));
        paths.push_back(d / ("F" + std::to_string(i) + "/IDX003.TPS"));
        StoreFile f(s, *fileDef(kMsgNmbr));
        f.setPath(paths.back());
        ASSERT_EQ(f.create(), kStoreOk);
        ASSERT_EQ(f.open(), kStoreOk);
        setMsg(f, 1, 1);
        ASSERT_EQ(f.add(), kStoreOk);
      }
    }
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
      Store s(d / "LOCK");
      std::vector<std::unique_ptr<StoreFile>> files;
      std::vector<StoreFile*> list;
      for (auto& p : paths) {
        files.push_back(std::make_unique<StoreFile>(s, *fileDef(kMsgNmbr)));
        files.back()->setPath(p);
        if (files.back()->open() != kStoreOk) _exit(2);
        list.push_back(files.back().get());
      }
      if (s.begin(list) != kStoreOk) _exit(3);
      for (StoreFile* f : list) {
        for (uint32_t n = 2; n < 300; ++n) {
          setMsg(*f, n, 2);
          if (f->add() != kStoreOk) _exit(4);
        }
        setMsg(*f, 1, 0);
        if (f->get(MsgNmbr::IdKey) != kStoreOk || f->erase() != kStoreOk) _exit(5);
      }
      if (commitFirst && s.commit() != kStoreOk) _exit(6);
      char c = 'x';
      if (write(ready[1], &c, 1) != 1) _exit(7);
      for (;;) pause();
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1) << "the child failed before it was ready";
    close(ready[0]);
    kill(child, SIGKILL);
    int status;
    waitpid(child, &status, 0);
    Store s(d / "LOCK");
    for (auto& p : paths) {
      StoreFile f(s, *fileDef(kMsgNmbr));
      f.setPath(p);
      ASSERT_EQ(f.open(), kStoreOk);
      EXPECT_EQ(f.records(), commitFirst ? 298 : 1) << p;
      setMsg(f, 1, 0);
      EXPECT_EQ(f.get(MsgNmbr::IdKey), commitFirst ? kRecordNotFound : kStoreOk) << p;
    }
  }
}

// Holds, file locks and deny-all opens between two programs on one archive.
TEST_F(StoreTest, HoldsAndExclusiveOpensBetweenProcesses) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  setMsg(*f, 1, 1);
  ASSERT_EQ(f->add(), kStoreOk);
  std::string pos = f->position();
  ASSERT_EQ(f->hold(1), kStoreOk);
  ASSERT_EQ(f->lock(5), kStoreOk);
  ASSERT_EQ(f->close(), kStoreOk);
  ASSERT_EQ(f->open(), kStoreOk);

  int toChild[2], toParent[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(toParent), 0);
  pid_t child = fork();
  if (child == 0) {
    Store s(dir / "LOCK");
    StoreFile g(s, *fileDef(kMsgNmbr));
    g.setPath(dir / "IDX003.TPS");
    char c = g.open() == kStoreOk && g.reget(pos) == kStoreOk && g.hold(1) == kStoreOk &&
                     g.lock(1) == kStoreOk
                 ? 'y'
                 : 'n';
    if (write(toParent[1], &c, 1) != 1) _exit(1);
    if (read(toChild[0], &c, 1) != 1) _exit(1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  ASSERT_EQ(f->reget(pos), kStoreOk);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(f->hold(1), kHeld);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(900));
  EXPECT_EQ(f->put(), kHeld);
  EXPECT_EQ(f->erase(), kHeld);
  EXPECT_EQ(f->lock(0), kHeld);
  ASSERT_EQ(f->close(), kStoreOk);
  EXPECT_EQ(f->open(Access::kReadWrite, Share::kDenyAll), kAccessDenied);
  EXPECT_EQ(store.remove(f->path()), kAlreadyOpen);
  c = 'g';
  ASSERT_EQ(write(toChild[1], &c, 1), 1);
  int status;
  waitpid(child, &status, 0);
  // Gone with the other program: the hold, the lock and its open.
  ASSERT_EQ(f->open(Access::kReadWrite, Share::kDenyAll), kStoreOk);
  ASSERT_EQ(f->reget(pos), kStoreOk);
  EXPECT_EQ(f->hold(0), kStoreOk);
  EXPECT_EQ(f->lock(0), kStoreOk);
}

TEST_F(StoreTest, HoldsBetweenThreads) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  setMsg(*f, 1, 1);
  ASSERT_EQ(f->add(), kStoreOk);
  ASSERT_EQ(f->hold(1), kStoreOk);
  int other = -1, exclusive = -1;
  std::thread t([&] {
    Store s(dir / "LOCK");
    StoreFile g(s, *fileDef(kMsgNmbr));
    g.setPath(dir / "IDX003.TPS");
    exclusive = g.open(Access::kReadWrite, Share::kDenyAll);
    g.open();
    g.set(MsgNmbr::IdKey);
    g.next();
    other = g.hold(1);
  });
  t.join();
  EXPECT_EQ(exclusive, kAccessDenied);
  EXPECT_EQ(other, kHeld);
  f->release();
  std::thread t2([&] {
    Store s(dir / "LOCK");
    StoreFile g(s, *fileDef(kMsgNmbr));
    g.setPath(dir / "IDX003.TPS");
    g.open();
    g.set(MsgNmbr::IdKey);
    g.next();
    other = g.hold(1);
  });
  t2.join();
  EXPECT_EQ(other, kStoreOk);
}

TEST_F(StoreTest, DamagedFilesGiveCodesNotCrashes) {
  auto good = makeFile(kMsgNmbr, "GOOD.TPS");
  ASSERT_EQ(good->open(), kStoreOk);
  ASSERT_EQ(good->stream(), kStoreOk);
  for (uint32_t n = 1; n <= 2000; ++n) {
    setMsg(*good, n, 1, std::string(10, static_cast<char>('a' + n % 26)));
    ASSERT_EQ(good->add(), kStoreOk);
  }
  ASSERT_EQ(good->close(), kStoreOk);
  std::string bytes = test::readFile(dir / "GOOD.TPS");

  struct Case {
    const char* name;
    std::string content;
    std::vector<int> codes;
  } cases[] = {
      {"garbage", std::string(5000, '\x5A'), {kBadLayout}},
      {"empty", "", {kBadLayout}},
      {"truncated", bytes.substr(0, bytes.size() / 2), {kStoreOk, kStoreFailure, kBadLayout}},
      {"header only", bytes.substr(0, 100), {kBadLayout, kStoreFailure}},
  };
  for (const Case& c : cases) {
    test::writeFile(dir / c.name, c.content);
    auto f = makeFile(kMsgNmbr, c.name, false);
    int code = f->open();
    EXPECT_TRUE(std::find(c.codes.begin(), c.codes.end(), code) != c.codes.end())
        << c.name << " gave " << code;
    if (code == kStoreOk) {
      // A damaged page shows up when it is read: a code, never a crash or a hang.
      f->set(MsgNmbr::IdKey);
      int n = 0;
      while (f->next() == kStoreOk) ++n;
      EXPECT_TRUE(f->lastError() == kNoRecord || f->lastError() == kStoreFailure);
      f->records();
    }
  }
  // Another file's layout in this file's place.
  auto sections = makeFile(kSections, "IDX006.TPS");
  auto wrong = makeFile(kMsgNmbr, "IDX006.TPS", false);
  EXPECT_EQ(wrong->open(), kBadLayout);
}

TEST_F(StoreTest, EmptyPackRenameCopyRemove) {
  auto f = makeFile(kMsgNmbr, "IDX003.TPS");
  ASSERT_EQ(f->open(), kStoreOk);
  for (uint32_t n = 1; n <= 50; ++n) {
    setMsg(*f, n, 1);
    ASSERT_EQ(f->add(), kStoreOk);
  }
  EXPECT_EQ(f->empty(), kAccessDenied);  // not exclusive
  ASSERT_EQ(f->close(), kStoreOk);
  ASSERT_EQ(store.copy(f->path(), dir / "COPY.TPS"), kStoreOk);
  ASSERT_EQ(f->open(Access::kReadWrite, Share::kDenyAll), kStoreOk);
  ASSERT_EQ(f->empty(), kStoreOk);
  EXPECT_EQ(f->records(), 0);
  ASSERT_EQ(f->pack(), kStoreOk);
  ASSERT_EQ(f->close(), kStoreOk);

  auto copy = makeFile(kMsgNmbr, "COPY.TPS", false);
  ASSERT_EQ(copy->open(), kStoreOk);
  EXPECT_EQ(copy->records(), 50);
  ASSERT_EQ(copy->close(), kStoreOk);
  ASSERT_EQ(store.rename(dir / "COPY.TPS", dir / "MOVED.TPS"), kStoreOk);
  EXPECT_FALSE(std::filesystem::exists(dir / "COPY.TPS"));
  ASSERT_EQ(store.remove(dir / "MOVED.TPS"), kStoreOk);
  EXPECT_EQ(store.remove(dir / "MOVED.TPS"), kNoFile);
}

TEST_F(StoreTest, EncryptedFilesShowNothingInClear) {
  auto f = makeFile(kForums, "IDX002.TPS", false);
  f->setPassword("QZT wob");
  ASSERT_EQ(f->create(), kStoreOk);
  ASSERT_EQ(f->open(), kStoreOk);
  f->clear();
  f->rec<Forums>().ID = 250000;
  setField(f->rec<Forums>().DESCRIPTION, "Private Correspondence Zebra");
  ASSERT_EQ(f->add(), kStoreOk);
  ASSERT_EQ(f->close(), kStoreOk);
  std::string raw = test::readFile(f->path());
  EXPECT_EQ(raw.find("Zebra"), std::string::npos);
  EXPECT_EQ(raw.find("SQLite format"), std::string::npos);

  auto noPassword = makeFile(kForums, "IDX002.TPS", false);
  EXPECT_EQ(noPassword->open(), kBadLayout);
  auto wrongPassword = makeFile(kForums, "IDX002.TPS", false);
  wrongPassword->setPassword("Tulvik Mopra");
  EXPECT_EQ(wrongPassword->open(), kBadLayout);
  ASSERT_EQ(f->open(), kStoreOk);
  f->clear();
  f->rec<Forums>().ID = 250000;
  ASSERT_EQ(f->get(Forums::ForumKey), kStoreOk);
  EXPECT_EQ(trimmed(f->rec<Forums>().DESCRIPTION), "Private Correspondence Zebra");
}

}  // namespace
}  // namespace qv
