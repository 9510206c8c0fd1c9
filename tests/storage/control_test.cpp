// The identifier counter: first value, floor, uniqueness between threads and programs, the
// failure report, and the highest-identifier check with its command.
#include "storage/control.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "storage/archive.h"
#include "storage/config.h"
#include "storage/dates.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// A directory on a memory file system where there is one: these tests are about who gets which
// number, and each counter write waiting for a disk would only make them slow.
class MemoryDir {
 public:
  MemoryDir() {
    std::string tmpl = fs::is_directory("/dev/shm")
                           ? "/dev/shm/qvtest-XXXXXX"
                           : (fs::temp_directory_path() / "qvtest-XXXXXX").string();
    if (mkdtemp(tmpl.data())) path_ = tmpl;
  }
  ~MemoryDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ControlTest : public ::testing::Test {
 protected:
  ControlTest() {
    runtime.setThrowOnStop(true);
    fs::create_directories(dir / "CFG");
    s.today = [] { return dateFromYmd(2024, 3, 1); };
  }

  // Writes the counter record directly, as an older program would have left it.
  void storeCounter(uint32_t value) {
    OP_CLOSE(s, kOpOpenShared, {kControl});
    StoreFile& ctl = *s.file(kControl);
    ctl.clear();
    ctl.rec<Control>().ID = 1;
    if (ctl.get(Control::IdKey) == kStoreOk) {
      ctl.rec<Control>().NEXTNUMBER = value;
      ASSERT_EQ(ctl.put(), kStoreOk);
    } else {
      ctl.clear();
      ctl.rec<Control>().ID = 1;
      ctl.rec<Control>().NEXTNUMBER = value;
      ASSERT_EQ(ctl.add(), kStoreOk);
    }
    OP_CLOSE(s, kOpClose, {kControl});
  }

  MemoryDir dir;
  HeadlessRuntime runtime;
  Session s{dir.path(), runtime};
};

TEST_F(ControlTest, NewArchiveCountsUpFrom250000) {
  EXPECT_EQ(NextNr(s), 250000u);
  EXPECT_EQ(NextNr(s), 250001u);
  EXPECT_EQ(NextNr(s), 250002u);
  EXPECT_TRUE(runtime.shown().empty());
  EXPECT_EQ(s.useCount[kControl], 0);
}

TEST(ControlProcessesTest, TwoProgramsNeverDrawTheSameNumber) {
  constexpr int kDraws = 10000;
  MemoryDir dir;
  ASSERT_FALSE(dir.path().empty());
  fs::create_directories(dir.path() + "/CFG");
  HeadlessRuntime runtime;
  runtime.setThrowOnStop(true);
  Session s(dir.path(), runtime);
  ASSERT_EQ(NextNr(s), 250000u);
  int go[2], ready[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(ready), 0);
  const std::string childOut = dir.path() + "/child.txt";
  pid_t child = fork();
  if (child == 0) {
    HeadlessRuntime rt(&std::cerr);
    Session other(dir.path(), rt);
    OP_CLOSE(other, kOpOpenShared, {kControl});
    char c = 'r';
    if (write(ready[1], &c, 1) != 1 || read(go[0], &c, 1) != 1) _exit(2);
    std::ofstream out(childOut);
    for (int i = 0; i < kDraws; ++i) out << NextNr(other) << "\n";
    out.close();
    _exit(rt.shown().empty() ? 0 : 1);
  }
  OP_CLOSE(s, kOpOpenShared, {kControl});
  std::vector<uint32_t> all;
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(write(go[1], "g", 1), 1);
  for (int i = 0; i < kDraws; ++i) all.push_back(NextNr(s));
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream in(childOut);
  uint32_t v;
  while (in >> v) all.push_back(v);
  ASSERT_EQ(all.size(), 2u * kDraws);
  std::set<uint32_t> distinct(all.begin(), all.end());
  EXPECT_EQ(distinct.size(), all.size());
  // Nothing skipped and nothing failed (0): exactly the next 20,000 numbers.
  EXPECT_EQ(*distinct.begin(), 250001u);
  EXPECT_EQ(*distinct.rbegin(), 250000u + 2 * kDraws);
  EXPECT_TRUE(runtime.shown().empty()) << runtime.shown()[0].text;
}

TEST_F(ControlTest, ThreadsOfOneProgramNeverDrawTheSameNumber) {
  constexpr int kDraws = 1000;
  OP_CLOSE(s, kOpOpenShared, {kControl});
  std::vector<uint32_t> a, b;
  std::thread ta([&] {
    for (int i = 0; i < kDraws; ++i) a.push_back(NextNr(s));
  });
  std::thread tb([&] {
    for (int i = 0; i < kDraws; ++i) b.push_back(NextNr(s));
  });
  ta.join();
  tb.join();
  std::set<uint32_t> distinct(a.begin(), a.end());
  distinct.insert(b.begin(), b.end());
  EXPECT_EQ(distinct.size(), 2u * kDraws);
  EXPECT_EQ(distinct.count(0), 0u);
}

TEST_F(ControlTest, HeldCounterIsReportedAndGivesZero) {
  ASSERT_EQ(NextNr(s), 250000u);
  HeadlessRuntime otherRuntime;
  Session other(dir.path(), otherRuntime);
  OP_CLOSE(other, kOpOpenShared, {kControl});
  other.file(kControl)->clear();
  other.file(kControl)->rec<Control>().ID = 1;
  ASSERT_TRUE(HoldRec(other, kControl, Control::IdKey, true, {}));

  EXPECT_EQ(NextNr(s), 0u);
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            "The record is held by another user\r\nNext ID cannot be generated!");
  EXPECT_EQ(runtime.shown()[0].title, "Control File Error");

  other.file(kControl)->release();
  EXPECT_EQ(NextNr(s), 250001u);
}

// An archive of databases for the check. Identifiers of each kind are spread over the
// databases so that each source is the highest once.
class IdCheckTest : public ControlTest {
 protected:
  IdCheckTest() {
    std::string error;
    EXPECT_EQ(initArchive(s, error), 0) << error;
  }

  void addDatabase(uint32_t id, uint8_t type, uint32_t dirNumber, const std::string& name,
                   int32_t created = 0, uint8_t nodir = 0) {
    OP_CLOSE(s, kOpOpenShared, {kForums});
    StoreFile& f = *s.file(kForums);
    f.clear();
    Forums& r = f.rec<Forums>();
    r.ID = id;
    r.TYPE = type;
    r.DIRNUMBER = dirNumber;
    r.NODIR = nodir;
    r.CREATED = created;
    setField(r.DESCRIPTION, name);
    ASSERT_TRUE(UppDat(s, kForums, kUppAdd, kReport));
    OP_CLOSE(s, kOpClose, {kForums});
    if (nodir) return;
    fs::create_directories(dir / ("F" + std::to_string(dirNumber)));
  }

  void use(uint32_t dirNumber) { s.dbDirName = "F" + std::to_string(dirNumber); }

  // Adds a record to file `file` of the current database, filled by `fill`.
  template <class R, class Fill>
  void add(int file, Fill fill) {
    OP_CLOSE(s, kOpOpenShared, {file});
    StoreFile& f = *s.file(file);
    f.clear();
    fill(f.rec<R>());
    ASSERT_TRUE(UppDat(s, file, kUppAdd, kReport));
    OP_CLOSE(s, kOpClose, {file});
  }

  void text(uint32_t id, int32_t date) {
    add<MsgText>(kMsgText, [&](MsgText& t) {
      t.MSGNUMBER = id;
      t.DATE = date;
    });
  }

  Forums entry(uint32_t id) {
    OP_CLOSE(s, kOpOpenShared, {kForums});
    StoreFile& f = *s.file(kForums);
    f.clear();
    f.rec<Forums>().ID = id;
    Forums r{};
    if (f.get(Forums::ForumKey) == kStoreOk) r = f.rec<Forums>();
    OP_CLOSE(s, kOpClose, {kForums});
    return r;
  }

  IdCheckResult check(std::vector<std::string>* lines = nullptr) {
    return CheckHighestId(s, [&](const std::string& l) {
      if (lines) lines->push_back(l);
    });
  }

  int32_t installDate() {
    SettingValue v;
    EXPECT_TRUE(Konfig(s, 3, 5, v));
    return v.number;
  }
};

TEST_F(IdCheckTest, CounterFollowsTheHighestIdentifierInUse) {
  const int32_t d1996 = dateFromYmd(1996, 5, 1), d1999 = dateFromYmd(1999, 1, 1);
  addDatabase(250001, kDbMail, 1, "Mail", dateFromYmd(2000, 1, 1));
  use(1);
  // In record order: a date too old to trust, then the first trusted one, which is taken
  // even though a later record is older still.
  text(260010, 50000);
  text(260020, d1999 + 10);
  text(260015, d1996 - 10);
  add<Person>(kPerson, [](Person& p) { p.PERSONID = 260030; });
  addDatabase(250002, kDbForum, 2, "Forum");
  use(2);
  text(17, d1996);  // forum message numbers come from the source, not from the counter
  add<Threads>(kThreads, [](Threads& t) { t.THREADNUMBER = 270000; });
  add<Sections>(kSections, [](Sections& t) { t.SECSYSID = 260500; });
  addDatabase(250003, kDbNewsgroup, 3, "News", d1999);
  use(3);
  text(5, d1999);
  add<MsgString>(kMsgString, [](MsgString& m) { m.MSGNUMBER = 280000; });
  add<Codes>(kCodes, [](Codes& c) { c.ID = 265000; });
  // A redirected newsgroup without a directory: skipped, not stopped on.
  addDatabase(250004, kDbNewsgroup, 4, "Redirected", 0, 1);
  OP_CLOSE(s, kOpOpenShared, {kTAS});
  s.file(kTAS)->clear();
  s.file(kTAS)->rec<TAS>().ID = 290000;
  ASSERT_TRUE(UppDat(s, kTAS, kUppAdd, kReport));
  OP_CLOSE(s, kOpClose, {kTAS});
  storeCounter(999999);
  s.dbDirName = "F7";

  std::vector<std::string> lines;
  IdCheckResult r = check(&lines);
  ASSERT_TRUE(r.done) << r.error;
  EXPECT_EQ(lines, (std::vector<std::string>{"Checking for highest existing ID ...",
                                             "Checking for highest existing ID ...OK!"}));
  EXPECT_EQ(r.highestId, 290000u);
  EXPECT_EQ(NextNr(s), 290001u);
  EXPECT_EQ(s.dbDirName, "F7");
  EXPECT_TRUE(runtime.shown().empty());

  // Per database: count, creation date (today when there was none) and oldest trusted date.
  Forums mail = entry(250001), forum = entry(250002), news = entry(250003);
  EXPECT_EQ(+mail.MSGCOUNT, 3u);
  EXPECT_EQ(+mail.LOWDATE, d1999 + 10);
  EXPECT_EQ(+forum.CREATED, dateFromYmd(2024, 3, 1));
  EXPECT_EQ(+forum.LOWDATE, d1996);
  EXPECT_EQ(+news.LOWDATE, d1999);
  EXPECT_EQ(+entry(250004).CREATED, dateFromYmd(2024, 3, 1));
  EXPECT_EQ(r.oldestDate, d1996);
  s.config = Config();  // as the next program sees the settings
  EXPECT_EQ(installDate(), d1996);

  // The top identifiers go: the counter comes down to one above what is left, one kind of
  // identifier after the other.
  struct Step {
    int file;
    uint32_t dirNumber;  // 0: a system-wide file
    uint32_t nextAfter;
  } steps[] = {{kTAS, 0, 280001},   {kMsgString, 3, 270001}, {kThreads, 2, 265001},
               {kCodes, 3, 260501}, {kSections, 2, 260031},  {kPerson, 1, 260021}};
  for (const Step& st : steps) {
    if (st.dirNumber) use(st.dirNumber);
    OP_CLOSE(s, kOpEmpty, {st.file});
    r = check();
    ASSERT_TRUE(r.done) << r.error;
    EXPECT_EQ(NextNr(s), st.nextAfter) << "after emptying file " << st.file;
  }
}

TEST_F(IdCheckTest, DatabaseWithADeletedDateIsRemovedFromTheList) {
  addDatabase(250001, kDbForum, 1, "Old Forum");
  use(1);
  text(10, dateFromYmd(1997, 2, 2));
  text(11, -1);
  addDatabase(250002, kDbForum, 2, "Good Forum");
  use(2);
  text(10, dateFromYmd(1997, 2, 2));

  IdCheckResult r = check();
  ASSERT_TRUE(r.done) << r.error;
  EXPECT_EQ(r.removed, std::vector<std::string>{"Old Forum"});
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            textTableEntry(s, 1) + " The database named Old Forum " + textTableEntry(s, 2));
  EXPECT_EQ(runtime.shown()[0].title, textTableEntry(s, 12));
  EXPECT_FALSE(runtime.shown()[0].title.empty());
  EXPECT_EQ(+entry(250001).ID, 0u);
  EXPECT_EQ(+entry(250002).ID, 250002u);
  EXPECT_TRUE(fs::exists(dir / "F1/IDX004.TPS"));
  // The highest identifier left is the remaining database's own.
  EXPECT_EQ(NextNr(s), 250003u);
}

TEST_F(IdCheckTest, CheckIdsCommand) {
  addDatabase(260000, kDbMail, 1, "Mail");
  std::ostringstream out, err;
  EXPECT_EQ(cli::run({"--archive", dir.path(), "check-ids"}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(),
            "Checking for highest existing ID ...\nChecking for highest existing ID ...OK!\n");
  EXPECT_EQ(NextNr(s), 260001u);

  std::ostringstream out2, err2;
  EXPECT_NE(cli::run({"--archive", (dir / "nowhere"), "check-ids"}, out2, err2), 0);
  EXPECT_NE(err2.str().find("no archive"), std::string::npos);
  EXPECT_TRUE(out2.str().empty());
}

}  // namespace
}  // namespace qv
