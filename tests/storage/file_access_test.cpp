// The file access layer: use counts, repairs and stops of opening, record write, hold and
// form save messages, list errors, directory checks, file functions and the stopwatch.
#include "storage/file_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/headless_runtime.h"
#include "storage/dates.h"
#include "storage/records.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class FileAccessTest : public ::testing::Test {
 protected:
  FileAccessTest() {
    runtime.setThrowOnStop(true);
    fs::create_directories(dir.path() / "CFG");
    fs::create_directories(dir.path() / "F1");
    s.dbDirName = "F1";
  }

  // Runs `action`, which must stop the program, and returns the stop.
  FatalStop stopOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const FatalStop& stop) {
      return stop;
    }
    ADD_FAILURE() << "the program did not stop";
    return {};
  }

  void addPerson(Session& session, uint32_t id, const char* name = "X") {
    StoreFile& f = *session.file(kPerson);
    f.clear();
    f.rec<Person>().PERSONID = id;
    setField(f.rec<Person>().PERSONSTRING, name + std::to_string(id));
    ASSERT_EQ(f.add(), kStoreOk);
  }

  std::string path(const std::string& rel) const { return (dir.path() / rel).string(); }

  TempDir dir;
  HeadlessRuntime runtime;
  Session s{dir.path().string(), runtime};
};

TEST_F(FileAccessTest, MissingFileIsCreatedSilentlyAndUseCountsShareOneOpen) {
  StoreFile& f = *s.file(kPerson);
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  EXPECT_TRUE(fs::exists(path("F1/IDX005.TPS")));
  EXPECT_TRUE(f.isOpen());
  EXPECT_TRUE(s.fieldsRegistered[kPerson]);
  EXPECT_EQ(s.currentFileName, path("F1/IDX005.TPS"));
  EXPECT_TRUE(runtime.shown().empty());

  OP_CLOSE(s, kOpOpenShared, {kPerson});
  EXPECT_EQ(s.useCount[kPerson], 2);
  OP_CLOSE(s, kOpClose, {kPerson});
  EXPECT_TRUE(f.isOpen());
  OP_CLOSE(s, kOpClose, {kPerson});
  EXPECT_FALSE(f.isOpen());
  // Closing more often than opening leaves the count at 0.
  OP_CLOSE(s, kOpClose, {kPerson});
  EXPECT_EQ(s.useCount[kPerson], 0);
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  EXPECT_EQ(s.useCount[kPerson], 1);

  // 0 stands for an omitted file; requests from 8 on do nothing, even to unknown numbers.
  OP_CLOSE(s, kOpOpenShared, {0, kCodes, 0});
  EXPECT_EQ(s.useCount[kCodes], 1);
  OP_CLOSE(s, 8, {kPerson, 14});
  EXPECT_EQ(s.useCount[kPerson], 1);

  OP_CLOSE(s, kOpOpenShared, {kPerson});
  OP_CLOSE(s, kOpForceClose, {kPerson});
  EXPECT_FALSE(f.isOpen());
  EXPECT_EQ(s.useCount[kPerson], 0);
}

TEST_F(FileAccessTest, EmptyPackAndRemoveLeaveTheFileClosed) {
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  for (uint32_t id : {250001u, 250002u, 250003u}) addPerson(s, id);
  OP_CLOSE(s, kOpClose, {kPerson});

  OP_CLOSE(s, kOpPack, {kPerson});
  EXPECT_FALSE(s.file(kPerson)->isOpen());
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  EXPECT_EQ(s.file(kPerson)->records(), 3);
  OP_CLOSE(s, kOpClose, {kPerson});

  OP_CLOSE(s, kOpEmpty, {kPerson});
  EXPECT_FALSE(s.file(kPerson)->isOpen());
  EXPECT_EQ(s.useCount[kPerson], 0);
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  EXPECT_EQ(s.file(kPerson)->records(), 0);

  OP_CLOSE(s, kOpRemove, {kPerson});
  EXPECT_FALSE(s.file(kPerson)->isOpen());
  EXPECT_FALSE(fs::exists(path("F1/IDX005.TPS")));
  EXPECT_TRUE(runtime.shown().empty());
}

TEST_F(FileAccessTest, SmallFileOfAnotherLayoutIsReplacedLargerOneStops) {
  struct Case {
    int file;
    const char* rel;
    size_t size;
    bool replaced;
  } cases[] = {
      {kBAT, "CFG/IDX034.TPS", 1029, true},       {kBAT, "CFG/IDX034.TPS", 1030, false},
      {kSearch, "TEMP/IDX032.TPS", 200000, true},  // search results always go
      {kPUR, "F1/IDX033.DAT", 139, true},         {kPUR, "F1/IDX033.DAT", 140, false},
      {kPerson, "F1/IDX005.TPS", 100, false},  // no older layout: never thrown away
  };
  fs::create_directories(dir.path() / "TEMP");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rel + std::string(" of ") + std::to_string(c.size));
    test::writeFile(path(c.rel), std::string(c.size, 'Z'));
    if (c.replaced) {
      OP_CLOSE(s, kOpOpenShared, {c.file});
      EXPECT_TRUE(s.file(c.file)->isOpen());
      EXPECT_EQ(s.file(c.file)->records(), 0);
      OP_CLOSE(s, kOpClose, {c.file});
    } else {
      FatalStop stop = stopOf([&] { OP_CLOSE(s, kOpOpenShared, {c.file}); });
      EXPECT_EQ(stop.text, "The file " + path(c.rel) +
                               " cannot be opened\r\nas the file definition is incorrect.\r\n"
                               "Quorvane will terminate.");
      EXPECT_EQ(stop.title, " File Open Error - Invalid record declaration");
      EXPECT_EQ(test::readFile(path(c.rel)).size(), c.size);
      EXPECT_EQ(s.useCount[static_cast<size_t>(c.file)], 0);
    }
  }
}

TEST_F(FileAccessTest, TestOpenSetsTheFlagOnlyForAnotherLayout) {
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  OP_CLOSE(s, kOpTestOpen, {kPerson});
  EXPECT_EQ(s.testFlag, 0);
  EXPECT_FALSE(s.file(kPerson)->isOpen());
  EXPECT_EQ(s.useCount[kPerson], 0);
  // Another file's layout at this number: the test open only looks and leaves it.
  fs::copy_file(path("F1/IDX005.TPS"), path("F1/IDX001.TPS"));
  OP_CLOSE(s, kOpTestOpen, {kCodes});
  EXPECT_EQ(s.testFlag, 1);
  EXPECT_TRUE(fs::exists(path("F1/IDX001.TPS")));
  s.testFlag = 0;
  OP_CLOSE(s, kOpTestOpen, {kThreads});  // missing: not created, no flag
  EXPECT_EQ(s.testFlag, 0);
  EXPECT_FALSE(fs::exists(path("F1/IDX007.TPS")));
}

TEST_F(FileAccessTest, DamagedKeysAreRebuiltAfterAMessage) {
  for (uint8_t mode : {0, 2}) {
    SCOPED_TRACE(int(mode));
    s.taskMode = mode;
    runtime.clearShown();
    OP_CLOSE(s, kOpRemove, {kPerson});
    OP_CLOSE(s, kOpOpenShared, {kPerson});
    StoreFile& f = *s.file(kPerson);
    f.clear();
    f.rec<Person>().PERSONID = 250007;
    ASSERT_EQ(f.append(), kStoreOk);  // leaves the keys to a rebuild
    OP_CLOSE(s, kOpClose, {kPerson});

    OP_CLOSE(s, kOpOpenShared, {kPerson});
    ASSERT_TRUE(f.isOpen());
    f.clear();
    f.rec<Person>().PERSONID = 250007;
    EXPECT_EQ(f.get(Person::PersonKey), kStoreOk);
    if (mode == 0) {
      ASSERT_EQ(runtime.shown().size(), 1u);
      EXPECT_EQ(runtime.shown()[0].text,
                "The file " + path("F1/IDX005.TPS") +
                    " cannot be opened\r\ndue to corrupted indices.\r\nAutomatic rebuild will "
                    "take place.");
      EXPECT_EQ(runtime.shown()[0].title, "File Open Error - Bad keys");
    } else {
      EXPECT_TRUE(runtime.shown().empty());
    }
    OP_CLOSE(s, kOpClose, {kPerson});
  }
}

TEST_F(FileAccessTest, FailuresThatStopTheProgram) {
  HeadlessRuntime otherRuntime;
  Session other(dir.path().string(), otherRuntime);
  other.dbDirName = "F1";
  struct Case {
    const char* name;
    std::function<void()> setup, cleanup;
    int request;
    int file;
    std::string message;  // shown before the stop, empty when none
    std::string messageTitle;
    std::string stopText;
    std::string stopTitle;
  };
  auto none = [] {};
  const std::string person = path("F1/IDX005.TPS");
  Case cases[] = {
      {"number outside the catalogue", none, none, kOpOpenShared, 14, "", "",
       "        File no 14 not defined!         \r\n        Quorvane will terminate!        ",
       "Program Failure!"},
      {"outside file without a name", none, none, kOpOpenShared, kDBM, "", "",
       "The file DBM cannot be opened.\r\nThe filename is not a valid DOS file name or the path "
       "does not exist \r\nQuorvane will terminate.",
       "Invalid File Name Error"},
      {"database directory missing", [&] { s.dbDirName = "F9"; }, [&] { s.dbDirName = "F1"; },
       kOpOpenShared, kPerson,
       "The path " + path("F9") + " does not exist.\r\nQuorvane will terminate.", "Path Not Found",
       "Check your directory setup in Preferences and run File/Rebuild.", "Path Not Found"},
      {"open exclusively elsewhere", [&] { OP_CLOSE(other, kOpOpenExclusive, {kPerson}); },
       [&] { OP_CLOSE(other, kOpForceClose, {kPerson}); }, kOpOpenShared, kPerson,
       "The file " + person + " cannot be opened!\r\nQuorvane will terminate.",
       " File Open Error - Access denied",
       "Check your network access rights or the possible need for SHARE or VSHARE",
       " File Open Error - Access denied"},
      {"cannot be created",
       [&] {
         fs::remove(person);
         fs::create_directories(path("F1/IDX005.K$$/x"));
       },
       [&] { fs::remove_all(path("F1/IDX005.K$$")); }, kOpOpenShared, kPerson, "", "",
       "The file " + person +
           " is missing!\r\nThis file cannot be created by the program\r\nand Quorvane will "
           "terminate.",
       "File Open Error"},
      {"empty while open shared", [&] { OP_CLOSE(s, kOpOpenShared, {kPerson}); }, none, kOpEmpty,
       kPerson, "", "",
       "The file " + person +
           " cannot be emptied.\r\nExclusive access not granted - error no 5\r\nQuorvane will "
           "terminate.",
       "File Empty Error"},
      {"any other code",
       [&] {
         fs::remove(path("CFG/QVLOCK.LCK"));
         fs::create_directories(path("CFG/QVLOCK.LCK"));
       },
       [&] { fs::remove_all(path("CFG/QVLOCK.LCK")); }, kOpOpenShared, kPerson, "", "",
       "The file " + person + " cannot be opened.\r\nError no 90\r\nThe lock file " +
           path("CFG/QVLOCK.LCK") + " cannot be opened\r\nQuorvane will terminate.",
       "File Open Error"},
  };
  for (uint8_t mode : {0, 6}) {
    for (Case& c : cases) {
      SCOPED_TRACE(c.name + std::string(mode ? " unattended" : ""));
      s.taskMode = mode;
      runtime.clearShown();
      s.taskLogLines().clear();
      c.setup();
      FatalStop stop = stopOf([&] { OP_CLOSE(s, c.request, {c.file}); });
      c.cleanup();
      OP_CLOSE(s, kOpForceClose, {kPerson});
      EXPECT_EQ(stop.text, c.stopText);
      EXPECT_EQ(stop.title, c.stopTitle);
      // The message only when someone watches, then the stop and its final message.
      const bool watched = mode == 0 && !c.message.empty();
      ASSERT_EQ(runtime.shown().size(), watched ? 3u : 2u);
      if (watched) {
        EXPECT_EQ(runtime.shown()[0].text, c.message);
        EXPECT_EQ(runtime.shown()[0].title, c.messageTitle);
      }
      EXPECT_EQ(s.taskLogLines().size(), mode != 0 && !c.message.empty() ? 1u : 0u);
    }
  }
  // The files listed before the one that stops were done.
  stopOf([&] { OP_CLOSE(s, kOpOpenShared, {kCodes, 36, kPerson}); });
  EXPECT_EQ(s.useCount[kCodes], 1);
  EXPECT_EQ(s.useCount[kPerson], 0);
}

TEST_F(FileAccessTest, UppDatMessagesByCode) {
  HeadlessRuntime otherRuntime;
  Session other(dir.path().string(), otherRuntime);
  other.dbDirName = "F1";
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  OP_CLOSE(other, kOpOpenShared, {kPerson});
  StoreFile& f = *s.file(kPerson);
  StoreFile& g = *other.file(kPerson);
  auto otherTakes = [&](uint32_t id) {
    g.clear();
    g.rec<Person>().PERSONID = id;
    ASSERT_EQ(g.get(Person::PersonKey), kStoreOk);
  };

  struct Case {
    const char* name;
    std::function<void()> setup;
    int operation;
    std::string text;
  } cases[] = {
      {"duplicate key", [&] { addPerson(s, 250001); }, kUppAdd,
       "Record add error!\r\nA record with identical key already exists!"},
      {"no current record", [&] { f.clear(); }, kUppUpdate,
       "Record update error!\r\nRecord not available!"},
      {"deleted by another user",
       [&] {
         addPerson(s, 250003);
         otherTakes(250003);
         ASSERT_EQ(g.erase(), kStoreOk);
       },
       kUppDelete, "Record delete error!\r\nRecord not available!"},
      {"held by another user",
       [&] {
         addPerson(s, 250004);
         otherTakes(250004);
         ASSERT_EQ(g.hold(0), kStoreOk);
       },
       kUppUpdate, "Record update error!\r\nThe record or file is held by another user"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    OP_CLOSE(s, kOpForceClose, {kPerson});
    OP_CLOSE(s, kOpOpenShared, {kPerson});
    runtime.clearShown();
    c.setup();
    EXPECT_FALSE(UppDat(s, kPerson, c.operation, kReportSilent));
    EXPECT_TRUE(runtime.shown().empty());
    EXPECT_FALSE(UppDat(s, kPerson, c.operation, kReport));
    ASSERT_EQ(runtime.shown().size(), 1u);
    EXPECT_EQ(runtime.shown()[0].text, c.text);
    EXPECT_EQ(runtime.shown()[0].title, path("F1/IDX005.TPS"));
    g.release();
  }

  // Mode 8: the whole running transaction goes, and the message says so.
  runtime.clearShown();
  StoreFile* files[] = {&f};
  ASSERT_EQ(s.store().begin(files), kStoreOk);
  addPerson(s, 250010);
  f.rec<Person>().PERSONID = 250001;  // taken
  EXPECT_FALSE(UppDat(s, kPerson, kUppUpdate, kRollBackAndReport));
  EXPECT_FALSE(s.store().inTransaction());
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            "Record update error!\r\nA record with identical key already exists!\r\n"
            "The last transaction is rolled back.");
  f.clear();
  f.rec<Person>().PERSONID = 250010;
  EXPECT_EQ(f.get(Person::PersonKey), kRecordNotFound);

  // Unattended: the same result, nothing shown. A successful write is silent and true.
  s.taskMode = 2;
  runtime.clearShown();
  f.rec<Person>().PERSONID = 250001;
  EXPECT_FALSE(UppDat(s, kPerson, kUppAdd, kReport));
  EXPECT_TRUE(runtime.shown().empty());
  EXPECT_EQ(s.taskLogLines().size(), 1u);
  f.rec<Person>().PERSONID = 250011;
  EXPECT_TRUE(UppDat(s, kPerson, kUppAdd, kReport));
  EXPECT_EQ(s.taskLogLines().size(), 1u);
}

TEST_F(FileAccessTest, HoldRecMessages) {
  HeadlessRuntime otherRuntime;
  Session other(dir.path().string(), otherRuntime);
  other.dbDirName = "F1";
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  OP_CLOSE(other, kOpOpenShared, {kPerson});
  StoreFile& f = *s.file(kPerson);
  addPerson(s, 250001);
  const std::string pos = f.position();
  addPerson(s, 250002);
  const std::string title = path("F1/IDX005.TPS");

  // Held by another user, by key and by position.
  StoreFile& g = *other.file(kPerson);
  ASSERT_EQ(g.reget(pos), kStoreOk);
  ASSERT_EQ(g.hold(0), kStoreOk);
  f.clear();
  f.rec<Person>().PERSONID = 250001;
  EXPECT_FALSE(HoldRec(s, kPerson, Person::PersonKey, true, {}));
  EXPECT_FALSE(HoldRec(s, kPerson, 0, false, pos));
  // Deleted by another user.
  g.release();
  ASSERT_EQ(g.erase(), kStoreOk);
  EXPECT_FALSE(HoldRec(s, kPerson, 0, false, pos));
  // The file is not open: the record cannot be read.
  OP_CLOSE(s, kOpClose, {kPerson});
  EXPECT_FALSE(HoldRec(s, kPerson, 0, false, pos));

  const std::string locked =
      "The record is locked by another user!\r\nUpdate is cancelled, try again later!";
  std::vector<std::pair<std::string, std::string>> expected = {
      {locked, "The record is not accessible!"},
      {locked, "The record is not accessible!"},
      {"The record has been deleted by another user!\r\n                   Update is "
       "cancelled!",
       title},
      {"               The record cannot be read!\r\nUpdate is cancelled, try again later!",
       "The record is not accessible!"},
  };
  ASSERT_EQ(runtime.shown().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(runtime.shown()[i].text, expected[i].first) << i;
    EXPECT_EQ(runtime.shown()[i].title, expected[i].second) << i;
  }

  OP_CLOSE(s, kOpOpenShared, {kPerson});
  f.clear();
  f.rec<Person>().PERSONID = 250002;
  EXPECT_TRUE(HoldRec(s, kPerson, Person::PersonKey, true, {}));
  EXPECT_EQ(+f.rec<Person>().PERSONID, 250002u);
}

TEST_F(FileAccessTest, SaveRecRefusesToOverwriteAnotherUsersChange) {
  HeadlessRuntime otherRuntime;
  Session other(dir.path().string(), otherRuntime);
  other.dbDirName = "F1";
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  OP_CLOSE(other, kOpOpenShared, {kPerson});
  StoreFile& f = *s.file(kPerson);
  addPerson(s, 250001);
  const std::string pos = f.position();

  SaveRec form(s, kPerson, 2, pos);
  EXPECT_EQ(form.formOpens(), pos);
  setField(f.rec<Person>().LASTNAME, "Mine");

  // Another user changes the record while the form is open.
  StoreFile& g = *other.file(kPerson);
  ASSERT_EQ(g.reget(pos), kStoreOk);
  setField(g.rec<Person>().LASTNAME, "Theirs");
  ASSERT_EQ(g.put(), kStoreOk);

  EXPECT_EQ(form.userConfirms(), "");
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            "The record has just been changed by another user!\r\nTry again!");
  EXPECT_EQ(runtime.shown()[0].title, "Warning!");
  EXPECT_EQ(trimmed(f.rec<Person>().LASTNAME), "Theirs");
  EXPECT_EQ(trimmed(reinterpret_cast<const Person*>(form.snapshot.data())->LASTNAME), "Theirs");

  // The user edits the record shown again; now it saves, and the hold was given back.
  setField(f.rec<Person>().LASTNAME, "Mine");
  EXPECT_EQ(form.userConfirms(), "OK");
  ASSERT_EQ(g.reget(pos), kStoreOk);
  EXPECT_EQ(trimmed(g.rec<Person>().LASTNAME), "Mine");
  EXPECT_EQ(g.hold(0), kStoreOk);
  g.release();

  // Delete goes through the same check; insert has nothing stored to compare.
  SaveRec del(s, kPerson, 3, pos);
  ASSERT_EQ(f.reget(pos), kStoreOk);
  del.formOpens();
  EXPECT_EQ(del.userConfirms(), "OK");
  EXPECT_EQ(f.reget(pos), kRecordNotFound);
  SaveRec ins(s, kPerson, 1, {});
  EXPECT_EQ(ins.formOpens(), "");
  EXPECT_EQ(ins.userConfirms(), "OK");
  // A record deleted under the form: the hold fails and nothing is saved.
  SaveRec gone(s, kPerson, 2, pos);
  gone.formOpens();
  EXPECT_EQ(gone.userConfirms(), "");
  EXPECT_EQ(runtime.shown().size(), 2u);
}

TEST_F(FileAccessTest, QErrorAndTransCheck) {
  struct Case {
    int mode, code;
    bool result;
    std::string text, title;  // empty text: nothing shown
  } cases[] = {
      {7, 0, false, "", ""},
      {7, 30, false, "", ""},
      {7, 8, true, "Queue access error\r\nInsufficient memory!", "Fatal error!"},
      {7, 75, true, "Queue access error\r\nInvalid field type descriptor!", "Fatal error!"},
      {7, 33, true, "Queue access error\r\nNo room in the list", "Warning!"},
      {8, 8, true,
       "Queue access error\r\nInsufficient memory!\r\nThe last transaction is rolled back.",
       "Fatal error"},
      {0, 75, true, "", ""},
  };
  for (const Case& c : cases) {
    runtime.clearShown();
    EXPECT_EQ(QError(s, c.mode, c.code, "No room in the list"), c.result) << c.code;
    if (c.text.empty()) {
      EXPECT_TRUE(runtime.shown().empty()) << c.code;
    } else {
      ASSERT_EQ(runtime.shown().size(), 1u) << c.code;
      EXPECT_EQ(runtime.shown()[0].text, c.text);
      EXPECT_EQ(runtime.shown()[0].title, c.title);
    }
  }

  runtime.clearShown();
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  StoreFile* files[] = {s.file(kPerson)};
  EXPECT_FALSE(TransCheck(s, kStoreOk));
  ASSERT_EQ(s.store().begin(files), kStoreOk);
  addPerson(s, 250001);
  // A second begin fails while one runs: the check reports it and rolls the first back.
  EXPECT_EQ(s.store().begin(files), kStoreFailure);
  EXPECT_TRUE(TransCheck(s, kStoreFailure));
  EXPECT_FALSE(s.store().inTransaction());
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            "Transaction Frame Error!\r\nA transaction is already running");
  EXPECT_EQ(runtime.shown()[0].title, "Warning!");
  EXPECT_EQ(s.file(kPerson)->records(), 0);
}

TEST_F(FileAccessTest, ExistPathModes) {
  struct Case {
    int mode;
    int file;
    bool quiet;
    std::string path;
    bool result;
    bool message;
    bool created;  // the directory exists afterwards
  } cases[] = {
      {1, 0, false, path("F1"), true, false, true},
      {1, 0, false, "F1", false, false, false},  // not absolute
      {1, 0, false, path("NEW1"), false, true, false},
      {1, 0, true, path("NEW1"), false, false, false},
      {3, 0, false, path("NEW2"), true, true, true},
      {3, 0, true, path("NEW3"), true, false, true},
      {2, kPerson, false, "", true, false, true},
      {2, kSearch, false, "", false, true, false},  // the temporary directory is missing
      {4, kSearch, true, "", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + c.path + " " + std::to_string(c.file));
    runtime.clearShown();
    int beeps = runtime.beeps();
    EXPECT_EQ(ExistPath(s, c.mode, c.file, c.quiet, "Choose another one.", c.path), c.result);
    std::string tested = c.file ? (c.file == kPerson ? path("F1") : path("TEMP")) : c.path;
    if (tested.front() == '/') {
      EXPECT_EQ(fs::is_directory(tested), c.created);
    }
    ASSERT_EQ(runtime.shown().size(), c.message ? 1u : 0u);
    EXPECT_EQ(runtime.beeps() - beeps, c.message ? 1 : 0);
    if (c.message) {
      EXPECT_EQ(runtime.shown()[0].text,
                "The specified path " + tested + " does not exist.\r\nChoose another one.");
      EXPECT_EQ(runtime.shown()[0].title, " Path Not Found");
    }
  }

  // One level only: a directory whose parent is missing cannot be created.
  runtime.clearShown();
  FatalStop stop = stopOf([&] { ExistPath(s, 3, 0, true, "", path("NO/SUCH")); });
  EXPECT_EQ(stop.text, "Probable access rights violation");
  EXPECT_EQ(stop.title, " Directory Creation Error");
  ASSERT_EQ(runtime.shown().size(), 3u);
  EXPECT_EQ(runtime.shown()[0].text, "The specified directory " + path("NO/SUCH") +
                                         " could not be created.\r\nQuorvane will be halted.");
}

TEST_F(FileAccessTest, FileFunctionsByName) {
  const fs::path box = dir.path() / "BOX";
  fs::create_directories(box / "SUB.MBX");
  test::writeFile((box / "In.MBX").string(), std::string(10, 'x'));
  test::writeFile((box / "out.mbx").string(), std::string(20, 'x'));
  test::writeFile((box / "notes.txt").string(), std::string(5, 'x'));
  EXPECT_EQ(GetFSize(box.string() + "/*.MBX"), 30);
  EXPECT_EQ(GetFSize(box.string() + "/notes.txt"), 5);
  EXPECT_EQ(GetFSize(box.string() + "/*.XYZ"), 0);

  EXPECT_TRUE(DOSFunc(s, 5, box.string(), "*.mbx"));
  EXPECT_FALSE(DOSFunc(s, 5, box.string(), "*.TOC"));
  EXPECT_TRUE(DOSFunc(s, 3, box.string(), "notes.txt"));
  EXPECT_FALSE(fs::exists(box / "notes.txt"));
  EXPECT_TRUE(DOSFunc(s, 3, box.string(), "notes.txt"));  // already gone counts as removed
  EXPECT_TRUE(DOSFunc(s, 4, box.string(), "*.MBX"));
  EXPECT_FALSE(DOSFunc(s, 5, box.string(), "*.MBX"));
  EXPECT_TRUE(fs::is_directory(box / "SUB.MBX"));
  EXPECT_TRUE(runtime.shown().empty());

  // A file in use stays, with the message.
  OP_CLOSE(s, kOpOpenShared, {kPerson});
  EXPECT_FALSE(DOSFunc(s, 3, "", path("F1/IDX005.TPS")));
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            "The file " + path("F1/IDX005.TPS") + " is open and cannot be removed");
  EXPECT_EQ(runtime.shown()[0].title, "File Deletion Error!");
}

TEST_F(FileAccessTest, StopwatchCountsMidnights) {
  int32_t date = dateFromYmd(2024, 2, 28), time = timeFromHms(23, 59, 0);
  s.today = [&] { return date; };
  s.clockTime = [&] { return time; };
  struct Case {
    int32_t startDate, startTime, stopDate, stopTime, seconds;
  } cases[] = {
      {date, timeFromHms(23, 59, 0), date + 1, timeFromHms(0, 1, 0), 120},
      {date, timeFromHms(10, 0, 0, 5), date, timeFromHms(10, 0, 10, 4), 9},  // whole seconds
      {date, timeFromHms(12, 0, 0), date + 2, timeFromHms(12, 0, 0), 172800},
  };
  for (const Case& c : cases) {
    date = c.startDate;
    time = c.startTime;
    StartStop(s, 1, 20);
    date = c.stopDate;
    time = c.stopTime;
    EXPECT_EQ(StartStop(s, 2, 20), c.seconds);
  }
  EXPECT_EQ(s.stopwatch[19].stopDate, date);
  EXPECT_EQ(StartStop(s, 1, 21), 0);
  EXPECT_EQ(StartStop(s, 1, 0), 0);
  StartStop(s, 0, 0);
  EXPECT_EQ(s.stopwatch[19].startTime, 0);
  EXPECT_EQ(s.stopwatch[19].stopDate, 0);
}

}  // namespace
}  // namespace qv
