// The file catalogue: paths of numbered files, new directory numbers, database removal.
#include "storage/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/headless_runtime.h"
#include "storage/archive.h"
#include "storage/dates.h"
#include "storage/dos_files.h"
#include "storage/records.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

using test::TempDir;

class CatalogueTest : public ::testing::Test {
 protected:
  TempDir dir;
  HeadlessRuntime runtime;
  Session s{dir.path().string(), runtime};
  std::string root = dir.path().string();
  void SetUp() override { fs::create_directory(root + "/CFG"); }
};

TEST_F(CatalogueTest, PathsOfEveryPlace) {
  s.dbDirName = "F12";
  s.tempDir = "/var/tmp/qv   ";  // trailing blanks are not part of a directory
  s.outsideFileName = "/home/u/mail/In.mbx";
  struct Case {
    int number;
    std::string path;
  } cases[] = {
      {kControl, root + "/CFG/IDX008.TPS"},
      {kForums, root + "/CFG/IDX002.TPS"},
      {kNHR, "/var/tmp/qv/IDX010.TPS"},
      {kSearch, "/var/tmp/qv/IDX032.TPS"},
      {kMsgNmbr, root + "/F12/IDX003.TPS"},
      {kREF, root + "/F12/IDX022.DAT"},
      {kWordList, root + "/F12/IDX028.DAT"},
      {kPUR, root + "/F12/IDX033.DAT"},
      {kMasIdx, root + "/F12/IDX029.TPS"},
      {kWD, root + "/F12/IDX039.TPS"},
      {kDOS, "/home/u/mail/In.mbx"},
      {14, ""},
      {0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(filePath(s, c.number), c.path) << c.number;

  // The control file stays in the root's CFG whatever the database top directory is; word
  // index files follow their own top directory.
  s.dbTopDir = "/data/db";
  s.wordIndexTopDir = "/data/words";
  EXPECT_EQ(filePath(s, kControl), root + "/CFG/IDX008.TPS");
  EXPECT_EQ(filePath(s, kMsgText), "/data/db/F12/IDX004.TPS");
  EXPECT_EQ(filePath(s, kWordList), "/data/words/F12/IDX028.DAT");
  // A root directory is never given a second separator; an outside file without a name has
  // no path.
  s.dbTopDir = "/";
  s.outsideFileName = "   ";
  EXPECT_EQ(filePath(s, kPerson), "/F12/IDX005.TPS");
  EXPECT_EQ(filePath(s, kHRE), "");
}

TEST_F(CatalogueTest, WordIndexDirectoryIsMadeOnlyWhenApart) {
  s.dbDirName = "F3";
  ensureWordIndexDirectory(s, kWordList);
  EXPECT_FALSE(fs::exists(root + "/F3"));  // beside the database's files: nothing to make
  s.wordIndexTopDir = root + "/WORDS";
  fs::create_directory(s.wordIndexTopDir);
  ensureWordIndexDirectory(s, kMsgText);
  EXPECT_FALSE(fs::exists(root + "/WORDS/F3"));
  ensureWordIndexDirectory(s, kMasIdx);
  EXPECT_TRUE(fs::is_directory(root + "/WORDS/F3"));
}

TEST_F(CatalogueTest, NextDirectoryNumberIsOneAboveTheHighest) {
  std::string error;
  ASSERT_EQ(openNumbered(s, kForums, true, error), kStoreOk) << error;
  StoreFile& forums = *s.file(kForums);
  EXPECT_EQ(nextDirectoryNumber(forums), 1u);
  for (uint32_t dirNumber : {1, 2, 7, 4}) {
    forums.clear();
    forums.rec<Forums>().ID = 250000 + dirNumber;
    forums.rec<Forums>().DIRNUMBER = dirNumber;
    setField(forums.rec<Forums>().DESCRIPTION, "db " + std::to_string(dirNumber));
    ASSERT_EQ(forums.add(), kStoreOk);
  }
  EXPECT_EQ(nextDirectoryNumber(forums), 8u);
}

TEST_F(CatalogueTest, RemovingADatabaseDirectory) {
  std::string error;
  s.dbDirName = "F5";
  s.dbId = 250010;
  s.dbType = kDbMail;
  fs::create_directory(root + "/F5");
  ASSERT_EQ(openNumbered(s, kMail, true, error), kStoreOk) << error;
  ASSERT_EQ(openNumbered(s, kMsgText, true, error), kStoreOk) << error;
  ASSERT_EQ(openNumbered(s, kREF, true, error), kStoreOk) << error;
  test::writeFile(root + "/F5/IDX013.K$$", "left by a killed program");
  test::writeFile(root + "/F5/IDX004.I01", "an old index");

  // While a task window is open nothing happens.
  runtime.registerWindow("FindText", "FindGroup");
  EXPECT_FALSE(removeDatabaseDirectory(s));
  EXPECT_TRUE(fs::exists(root + "/F5/IDX013.TPS"));
  runtime.unregisterWindow("FindText");

  // Open files are closed first; the directory goes with them.
  EXPECT_TRUE(removeDatabaseDirectory(s));
  EXPECT_FALSE(fs::exists(root + "/F5"));
  EXPECT_EQ(s.dbId, 0u);
  EXPECT_TRUE(runtime.shown().empty());

  // A file of another kind keeps the directory, without a message.
  s.dbDirName = "F6";
  fs::create_directory(root + "/F6");
  ASSERT_EQ(openNumbered(s, kPerson, true, error), kStoreOk) << error;
  test::writeFile(root + "/F6/notes.txt", "mine");
  EXPECT_TRUE(removeDatabaseDirectory(s));
  EXPECT_TRUE(fs::exists(root + "/F6/notes.txt"));
  EXPECT_FALSE(fs::exists(root + "/F6/IDX005.TPS"));
  EXPECT_TRUE(runtime.shown().empty());
}

TEST_F(CatalogueTest, FilesThatCannotBeRemovedAreReported) {
  std::string error;
  s.dbDirName = "F9";
  fs::create_directory(root + "/F9");
  ASSERT_EQ(openNumbered(s, kPerson, true, error), kStoreOk) << error;
  // Another program has the file open: it stays, with both messages.
  HeadlessRuntime otherRuntime;
  Session other(root, otherRuntime);
  other.dbDirName = "F9";
  ASSERT_EQ(openNumbered(other, kPerson, false, error), kStoreOk) << error;
  s.closeAllFiles();
  EXPECT_FALSE(removeMatching(s, root + "/F9", "*.TPS"));
  ASSERT_EQ(runtime.shown().size(), 2u);
  EXPECT_EQ(runtime.shown()[0].text,
            "The file " + root + "/F9/IDX005.TPS is open and cannot be removed");
  EXPECT_EQ(runtime.shown()[0].title, "File Deletion Error!");
  EXPECT_EQ(runtime.shown()[1].text,
            "One or more files have not been \r\nremoved in subdirectory " + root + "/F9");
  EXPECT_EQ(runtime.shown()[1].title, "File Deletion Error!");

  // Unattended, the same result without a message.
  runtime.clearShown();
  s.taskMode = 2;
  EXPECT_FALSE(removeDatabaseDirectory(s));
  EXPECT_TRUE(runtime.shown().empty());
  EXPECT_TRUE(fs::exists(root + "/F9/IDX005.TPS"));
  EXPECT_FALSE(s.taskLogLines().empty());
}

TEST(DosFiles, MasksMatchWithoutRegardToCase) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"IDX003.TPS", "*.TPS", true}, {"idx003.tps", "*.TPS", true},  {"IDX003.TPS", "*.K*", false},
      {"IDX013.K$$", "*.K*", true},  {"README", "*.", true},         {"README.TXT", "*.", false},
      {"IN.MBX", "*.MBX", true},     {"IN.MBX.OLD", "*.MBX", false}, {"A1.MSG", "A?.MSG", true},
      {"A12.MSG", "A?.MSG", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(matchMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

TEST(Dates, DayNumbers) {
  struct Case {
    int y, m, d;
    int32_t day;
  } cases[] = {{1801, 1, 1, 4}, {1995, 5, 19, 70999}, {2000, 2, 29, 72746}, {1800, 12, 31, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(dateFromYmd(c.y, c.m, c.d), c.day);
    int y, m, d;
    ymdFromDate(c.day, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
}

}  // namespace
}  // namespace qv
