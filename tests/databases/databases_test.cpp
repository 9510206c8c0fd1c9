// The database list: lookup, selection, adding forum and mail databases, removal, rebuild.
#include "databases/databases.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "app/headless_runtime.h"
#include "cli/cli.h"
#include "storage/archive.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

using test::TempDir;

class DatabasesTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string root = dir.path().string();
  HeadlessRuntime runtime;
  std::unique_ptr<Session> s;

  void SetUp() override {
    runtime.setThrowOnStop(true);
    s = std::make_unique<Session>(root, runtime);
    std::string error;
    ASSERT_EQ(initArchive(*s, error), kStoreOk) << error;
  }

  uint32_t addForum(const std::string& name, uint8_t type = kDbForum) {
    AddForumDatabase add(*s);
    EXPECT_TRUE(add.save(name, type)) << name;
    return add.lastId();
  }

  uint32_t addMail(const std::string& name, const std::string& address,
                   std::vector<std::string> alts = {}) {
    AddForumDatabase dirs(*s);
    uint32_t dirNumber = dirs.nextDirNumber();
    MailSetupFields f{name, address, {}};
    for (size_t i = 0; i < alts.size(); ++i) f.alternatives[i] = alts[i];
    uint32_t id = 0;
    EXPECT_EQ(UpDateBox(*s, 1, dirNumber, f, &id), MailSetupResult::kSaved);
    return id;
  }

  Forums entry(uint32_t id) {
    OP_CLOSE(*s, 1, {kForums});
    StoreFile& f = *s->file(kForums);
    f.clear();
    f.rec<Forums>().ID = id;
    EXPECT_EQ(f.get(Forums::ForumKey), kStoreOk);
    Forums r;
    std::memcpy(&r, f.buffer(), sizeof r);
    OP_CLOSE(*s, 0, {kForums});
    return r;
  }

  bool readRef(const std::string& dirName, REF& out) {
    StoreFile f(s->store(), *fileDef(kREF));
    f.setPath(root + "/" + dirName + "/IDX022.DAT");
    if (f.open(Access::kReadOnly) != kStoreOk) return false;
    f.set(-1);
    bool ok = f.next() == kStoreOk;
    if (ok) std::memcpy(&out, f.buffer(), sizeof out);
    EXPECT_EQ(f.next(), kNoRecord);  // one record only
    return ok;
  }
};

TEST_F(DatabasesTest, AddingForumDatabasesGivesConsecutiveDirectories) {
  AddForumDatabase add(*s);
  EXPECT_EQ(add.nextDirNumber(), 1u);
  ASSERT_TRUE(add.save("Photo Forum"));
  uint32_t first = add.lastId();
  ASSERT_TRUE(add.save("Travel Forum"));
  EXPECT_EQ(add.nextDirNumber(), 3u);
  EXPECT_TRUE(fs::exists(root + "/F1/IDX003.TPS"));
  EXPECT_TRUE(fs::exists(root + "/F2/IDX007.TPS"));
  Forums r = entry(first);
  EXPECT_EQ(trimmed(r.DESCRIPTION), "Photo Forum");
  EXPECT_EQ(+r.TYPE, kDbForum);
  EXPECT_EQ(+r.DIRNUMBER, 1u);
  EXPECT_EQ(+r.CREATED, s->today());
  EXPECT_EQ(+r.WORDLISTINDEXNEEDSUPDATE, 1);
  EXPECT_EQ(+r.INDEXTYPE, 1);
  REF ref;
  ASSERT_TRUE(readRef("F1", ref));
  EXPECT_EQ(trimmed(ref.DESCRIPTION), "Photo Forum");
  EXPECT_EQ(+ref.TYPE, kDbForum);

  // A name in use, in another letter case, is refused; the next directory number stays.
  runtime.clearShown();
  EXPECT_FALSE(add.save("PHOTO forum"));
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].text,
            "Record add error!\r\nA record with identical key already exists!");
  EXPECT_EQ(add.nextDirNumber(), 3u);
  EXPECT_FALSE(add.save("   "));
  EXPECT_EQ(runtime.beeps(), 1);
}

TEST_F(DatabasesTest, LookupByTypedName) {
  addForum("Photo Forum");
  addForum("Newsgroup archive", kDbNewsgroup);
  struct Case {
    const char* typed;
    bool found, selection;
    const char* name;
  } cases[] = {
      {"news", true, false, "Newsgroup archive"},
      {"PHOTO F", true, false, "Photo Forum"},
      {"Photo Forums", false, false, ""},  // sorts after "Photo Forum": nothing follows
      {"Alpha", false, true, ""},
      {"xyz", false, false, ""},  // nothing at or after it
  };
  for (const Case& c : cases) {
    ForumLookup r = ForumLup(*s, c.typed);
    EXPECT_EQ(r.found, c.found) << c.typed;
    EXPECT_EQ(r.needsSelection, c.selection) << c.typed;
    EXPECT_EQ(r.description, c.name) << c.typed;
    EXPECT_EQ(r.nextDirNumber, 3u);
  }
}

TEST_F(DatabasesTest, SelectionListsTitlesOrdersAndLocates) {
  for (int i = 0; i < 12; ++i) addForum("Forum " + std::string(1, static_cast<char>('L' - i)));
  uint32_t mail = addMail("Mail of Me", "me@example.org");
  // A redirected newsgroup without a directory is never listed.
  OP_CLOSE(*s, 1, {kForums});
  StoreFile& forums = *s->file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = 999999;
  forums.rec<Forums>().TYPE = kDbNewsgroup;
  forums.rec<Forums>().NODIR = 1;
  forums.rec<Forums>().DIRNUMBER = 500;
  setField(forums.rec<Forums>().DESCRIPTION, "Redirected group");
  ASSERT_EQ(forums.add(), kStoreOk);
  OP_CLOSE(*s, 0, {kForums});

  DatabaseSelection forumsOnly(*s, 1, kDbForum);
  EXPECT_EQ(forumsOnly.title(), " Forum Database Selection ");
  EXPECT_EQ(forumsOnly.header(), "List of Forum databases");
  EXPECT_FALSE(forumsOnly.insertOpensMailSetup());
  auto byName = forumsOnly.rows(DatabaseSelection::kByName);
  ASSERT_EQ(byName.size(), 12u);
  EXPECT_EQ(byName.front().description, "Forum A");
  EXPECT_EQ(byName.front().directory, "F12");
  auto byDir = forumsOnly.rows(DatabaseSelection::kByDirectory);
  EXPECT_EQ(byDir.front().description, "Forum L");
  EXPECT_EQ(forumsOnly.locate(DatabaseSelection::kByDirectory, "f12"), 11);
  EXPECT_EQ(forumsOnly.locate(DatabaseSelection::kByDirectory, "3"), 2);
  EXPECT_EQ(forumsOnly.locate(DatabaseSelection::kByName, "forum c"), 2);
  EXPECT_EQ(forumsOnly.locate(DatabaseSelection::kByName, "Zebra"), -1);

  DatabaseSelection mails(*s, 1, kDbMail);
  EXPECT_EQ(mails.title(), " Mail Database Selection ");
  EXPECT_EQ(mails.header(), "List of mail databases");
  EXPECT_TRUE(mails.insertOpensMailSetup());
  ASSERT_EQ(mails.rows(DatabaseSelection::kByName).size(), 1u);

  DatabaseSelection all(*s, 0, 0);
  EXPECT_EQ(all.title(), " Database Selection [13]");
  EXPECT_FALSE(all.insertVisible());

  // The popup allows and disallows import; the list shows it at once.
  SelectionRow row = mails.rows(DatabaseSelection::kByName)[0];
  EXPECT_EQ(row.importAllowed, "Yes");
  ASSERT_TRUE(mails.popup(row, 2));
  EXPECT_EQ(mails.rows(DatabaseSelection::kByName)[0].importAllowed, "No");
  EXPECT_EQ(+entry(mail).NOIMPORT, 1);
  ASSERT_TRUE(mails.popup(row, 1));
  EXPECT_EQ(+entry(mail).NOIMPORT, 0);
  DatabaseSelection::Choice c = mails.choose(row);
  EXPECT_TRUE(c.made);
  EXPECT_EQ(c.id, mail);
  EXPECT_FALSE(mails.escape().made);
}

TEST_F(DatabasesTest, MailDatabaseSetUp) {
  // Blank fields: a beep, and nothing changes.
  uint32_t dirNumber = 7;
  MailSetupFields blankAddress{"My Mail", "  ", {}};
  EXPECT_EQ(UpDateBox(*s, 1, dirNumber, blankAddress), MailSetupResult::kBlankField);
  EXPECT_EQ(runtime.beeps(), 1);
  EXPECT_EQ(dirNumber, 7u);
  EXPECT_FALSE(fs::exists(root + "/F7"));

  MailSetupFields f{"My Mail", "me@example.org", {"me@work.example", "", "old@example.net"}};
  uint32_t id = 0;
  std::string name;
  ASSERT_EQ(UpDateBox(*s, 1, dirNumber, f, &id, &name), MailSetupResult::kSaved);
  EXPECT_EQ(dirNumber, 8u);
  EXPECT_EQ(name, "My Mail");
  EXPECT_TRUE(fs::exists(root + "/F7/IDX013.TPS"));
  Forums r = entry(id);
  EXPECT_EQ(+r.TYPE, kDbMail);
  EXPECT_EQ(+r.DIRNUMBER, 7u);
  EXPECT_EQ(trimmed(r.MAILADDRESS), "me@example.org");
  EXPECT_EQ(trimmed(r.ALTADDRESS[2]), "old@example.net");
  EXPECT_NE(+r.PERSONID, 0u);
  SettingValue v;
  ASSERT_TRUE(Konfig(*s, 3, 19, v));
  EXPECT_EQ(static_cast<uint32_t>(v.number), id);

  // The description file stops at the first blank alternative.
  REF ref;
  ASSERT_TRUE(readRef("F7", ref));
  EXPECT_EQ(+ref.PERSONID, static_cast<int32_t>(+r.PERSONID));
  EXPECT_EQ(trimmed(ref.ALTADDRESS[0]), "me@work.example");
  EXPECT_EQ(trimmed(ref.ALTADDRESS[2]), "");

  // The owner is the database's one person.
  ASSERT_TRUE(SelectDatabase(*s, id));
  OP_CLOSE(*s, 1, {kPerson});
  EXPECT_EQ(s->file(kPerson)->records(), 1);
  OP_CLOSE(*s, 0, {kPerson});

  // Saving unchanged addresses leaves the description file alone; a change rewrites it.
  struct stat before {
  }, after{};
  ASSERT_EQ(stat((root + "/F7/IDX022.DAT").c_str(), &before), 0);
  uint32_t unused = 0;
  ASSERT_EQ(UpDateBox(*s, 2, unused, f), MailSetupResult::kSaved);
  ASSERT_EQ(stat((root + "/F7/IDX022.DAT").c_str(), &after), 0);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
  EXPECT_EQ(before.st_size, after.st_size);
  f.alternatives = {"new@example.org"};
  ASSERT_TRUE(SelectDatabase(*s, id));
  ASSERT_EQ(UpDateBox(*s, 2, unused, f), MailSetupResult::kSaved);
  ASSERT_TRUE(readRef("F7", ref));
  EXPECT_EQ(trimmed(ref.ALTADDRESS[0]), "new@example.org");
  EXPECT_EQ(trimmed(ref.ALTADDRESS[1]), "");
  EXPECT_EQ(trimmed(entry(id).MAILADDRESS), "me@example.org");  // not changed in update mode
}

TEST_F(DatabasesTest, RemovingADatabase) {
  uint32_t keep = addForum("Keep Forum");
  uint32_t gone = addForum("Gone Forum");
  ASSERT_TRUE(SelectDatabase(*s, gone));
  std::string error;
  ASSERT_TRUE(RemoveDatabase(*s, gone, error)) << error;
  EXPECT_FALSE(fs::exists(root + "/F2"));
  EXPECT_TRUE(fs::exists(root + "/F1/IDX003.TPS"));
  EXPECT_EQ(s->dbId, 0u);
  EXPECT_FALSE(SelectDatabase(*s, gone));
  EXPECT_TRUE(SelectDatabase(*s, keep));
  EXPECT_FALSE(RemoveDatabase(*s, 424242, error));
}

TEST_F(DatabasesTest, RebuildChecksListAndAttachesDirectories) {
  uint32_t forum = addForum("Photo Forum");
  uint32_t mail = addMail("Mail of Me", "me@example.org");
  uint32_t broken = addForum("Broken Forum");
  // Broken: its message headers are gone. F9: a copy of the mail database nobody lists.
  fs::remove(root + "/F3/IDX003.TPS");
  fs::create_directory(root + "/F9");
  for (auto& e : fs::directory_iterator(root + "/F2")) fs::copy(e.path(), root + "/F9");
  fs::create_directory(root + "/F12");  // empty: not a database

  std::vector<std::string> progress;
  RebuildResult r = RebuildDatabaseList(*s, [&](const std::string& l) { progress.push_back(l); });
  ASSERT_TRUE(r.done) << r.error;
  EXPECT_EQ(r.checked, 3);
  EXPECT_EQ(r.removed, 1);
  EXPECT_EQ(r.attached, 1);
  EXPECT_EQ(progress.front(), "Checking the Quorvane directory structure ...");
  EXPECT_NE(std::find(progress.begin(), progress.end(), "Attaching new database directories"),
            progress.end());
  EXPECT_EQ(progress.back(), "Checking for highest existing ID ...OK!");

  ASSERT_FALSE(runtime.shown().empty());
  EXPECT_EQ(runtime.shown()[0].text,
            "Database Broken Forum in directory F3 is not a recognizable current version Quorvane "
            "database.\r\nThe database definition will be removed from the database list but the "
            "database will be left as is.\r\nPlease check the log file testdb.txt in directory "
            "cfg for details.");
  EXPECT_FALSE(SelectDatabase(*s, broken));
  EXPECT_TRUE(fs::exists(root + "/F3"));  // left as is
  EXPECT_TRUE(SelectDatabase(*s, forum));
  EXPECT_TRUE(SelectDatabase(*s, mail));

  std::string log = test::readFile(root + "/CFG/TestDB.Txt");
  EXPECT_NE(log.find(" Databases recorded in the IDX002.TPS file\r\n"), std::string::npos);
  EXPECT_NE(log.find("Forum      F 1  Photo Forum"), std::string::npos) << log;
  EXPECT_NE(log.find("Mail       F 2  Mail of Me"), std::string::npos) << log;
  EXPECT_NE(log.find("Invalid DB F 3  Broken Forum"), std::string::npos) << log;
  EXPECT_NE(log.find(" Databases not recorded in the IDX002.TPS file\r\n"), std::string::npos);
  EXPECT_NE(log.find("Mail       F 9  Unknown:F9"), std::string::npos) << log;  // name taken
  EXPECT_NE(log.find("Invalid DB F 12"), std::string::npos) << log;

  // The attached copy kept its owner, and its description file now names it.
  DatabaseSelection all(*s, 0, 0);
  auto rows = all.rows(DatabaseSelection::kByDirectory);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].description, "Unknown:F9");
  EXPECT_EQ(rows[2].type, kDbMail);
  EXPECT_EQ(+entry(rows[2].id).PERSONID, +entry(mail).PERSONID);
  REF ref;
  ASSERT_TRUE(readRef("F9", ref));
  EXPECT_EQ(trimmed(ref.DESCRIPTION), "Unknown:F9");
}

TEST_F(DatabasesTest, CommandLine) {
  auto run = [&](std::vector<std::string> args, const std::string& input = "") {
    std::ostringstream out, err;
    std::istringstream in(input);
    args.insert(args.begin(), {"--archive", root});
    int status = cli::run(args, out, err, &in);
    return std::make_tuple(status, out.str(), err.str());
  };
  auto [st1, out1, err1] =
      run({"db", "create", "--type", "forum", "--name", std::string(120, 'x')});
  EXPECT_EQ(st1, 0) << err1;
  EXPECT_NE(err1.find("cut to its first 100 characters"), std::string::npos);
  auto [st2, out2, err2] = run({"db", "create", "--type", "mail", "--name", "Mine"});
  EXPECT_NE(st2, 0);
  EXPECT_NE(err2.find("default address"), std::string::npos);
  auto [st3, out3, err3] = run({"db", "create", "--type", "mail", "--name", "Mine", "--address",
                                "me@example.org", "--alt", "a@example.org"});
  EXPECT_EQ(st3, 0) << err3;
  auto [st4, out4, err4] = run({"db", "import", "mine", "disallow"});
  EXPECT_EQ(st4, 0) << err4;
  auto [st5, out5, err5] = run({"--json", "db", "list"});
  EXPECT_NE(out5.find("\"description\": \"Mine\", \"type\": \"Mail\", \"directory\": \"F2\", "
                      "\"messages\": 0, \"counted\": \"Yes\", \"import\": \"No\""),
            std::string::npos)
      << out5;
  auto [st6, out6, err6] = run({"db", "remove", "Mine"}, "n\n");
  EXPECT_NE(st6, 0);
  EXPECT_TRUE(fs::exists(root + "/F2"));
  auto [st7, out7, err7] = run({"db", "remove", "Mine", "--yes"});
  EXPECT_EQ(st7, 0) << err7;
  EXPECT_FALSE(fs::exists(root + "/F2"));
  auto [st8, out8, err8] = run({"rebuild"});
  EXPECT_EQ(st8, 0) << err8;
  EXPECT_NE(out8.find("1 listed databases checked"), std::string::npos) << out8;
}

}  // namespace
}  // namespace qv
