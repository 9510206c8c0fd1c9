// The person register, the owner's addresses and the counts per person on a fresh archive.
#include "import/persons.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/headless_runtime.h"
#include "import/import_texts.h"
#include "storage/archive.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

using test::TempDir;

class PersonsTest : public ::testing::Test {
 protected:
  TempDir dir;
  HeadlessRuntime runtime;
  Session s{dir.path().string(), runtime};

  void SetUp() override {
    runtime.setThrowOnStop(true);
    fs::create_directories(dir.path() / "F1");
    std::string error;
    ASSERT_EQ(initArchive(s, error), kStoreOk) << error;
    s.dbId = 250500;
    s.dbType = kDbForum;
    s.dbDirName = "F1";
  }

  // One use more of file `number`, as the code under test counts them.
  StoreFile& open(int number) {
    OP_CLOSE(s, kOpOpenShared, {number});
    return *s.file(number);
  }

  uint32_t counter() {
    StoreFile& ctl = open(kControl);
    ctl.clear();
    ctl.rec<Control>().ID = 1;
    EXPECT_EQ(ctl.get(Control::IdKey), kStoreOk);
    return ctl.rec<Control>().NEXTNUMBER;
  }

  // The stored person of identifier `id`; PERSONID 0 when there is none.
  Person storedPerson(uint32_t id) {
    StoreFile& f = open(kPerson);
    f.clear();
    f.rec<Person>().PERSONID = id;
    if (f.get(Person::PersonKey) != kStoreOk) return Person{};
    return f.rec<Person>();
  }

  void addPerson(uint32_t id, const std::string& lastName, uint32_t fromCount, uint32_t toCount) {
    StoreFile& f = open(kPerson);
    f.clear();
    Person& p = f.rec<Person>();
    p.PERSONID = id;
    setField(p.PERSONSTRING, upper1252(lastName) + " " + std::to_string(id));
    setField(p.LASTNAME, lastName);
    setField(p.ADDRESS, std::to_string(id));
    p.FROMCOUNT = fromCount;
    p.TOCOUNT = toCount;
    ASSERT_EQ(f.add(), kStoreOk) << f.errorText();
  }

  void addVariant(const std::string& personString, uint32_t id) {
    StoreFile& f = open(kPLINK);
    f.clear();
    setField(f.rec<PLINK>().PERSONSTRING, personString);
    f.rec<PLINK>().PERSONID = id;
    ASSERT_EQ(f.add(), kStoreOk) << f.errorText();
  }

  void addMessage(uint32_t number, const std::string& fromAlpha, uint32_t fromId,
                  const std::string& toAlpha, uint32_t toId) {
    StoreFile& f = open(kMsgNmbr);
    f.clear();
    MsgNmbr& m = f.rec<MsgNmbr>();
    m.MSGNUMBER = number;
    setField(m.FROMALPHA, fromAlpha);
    m.FROMID = fromId;
    setField(m.TOALPHA, toAlpha);
    m.TOID = toId;
    m.DATE = 80000 + static_cast<int32_t>(number % 100);
    ASSERT_EQ(f.add(), kStoreOk) << f.errorText();
  }

  void addMail(uint32_t id, const std::string& fromAlpha, uint32_t fromId,
               const std::string& toAlpha, uint32_t toId, int32_t date) {
    StoreFile& f = open(kMail);
    f.clear();
    Mail& m = f.rec<Mail>();
    m.MAILID = id;
    m.DATE = date;
    m.TIME = 360001;
    setField(m.FROMALPHA, fromAlpha);
    m.FROMID = fromId;
    setField(m.TOALPHA, toAlpha);
    m.TOID = toId;
    ASSERT_EQ(f.add(), kStoreOk) << f.errorText();
  }
};

TEST_F(PersonsTest, AddPersCreatesAPersonAndFindsItAgainInAnyLetterCase) {
  const uint32_t first = counter();
  ASSERT_EQ(AddPers(s, "12345,678", "John Smith III"), 0);
  EXPECT_EQ(s.file(kPerson)->rec<Person>().PERSONID, first);

  Person p = storedPerson(first);
  ASSERT_EQ(p.PERSONID, first);
  EXPECT_EQ(trimmed(p.PERSONSTRING), "JOHN SMITH III 12345,678");
  EXPECT_EQ(trimmed(p.LASTNAME), "Smith III");
  EXPECT_EQ(trimmed(p.FIRSTNAME), "John");
  EXPECT_EQ(trimmed(p.ADDRESS), "12345,678");
  EXPECT_EQ(+p.FROMCOUNT, 0u);
  EXPECT_EQ(+p.TOCOUNT, 0u);
  EXPECT_EQ(counter(), first + 1);

  // Another letter case of the same name and address is the same person: nothing is drawn
  // or added.
  s.file(kPerson)->clear();
  ASSERT_EQ(AddPers(s, "12345,678", "JOHN smith iii   "), 0);
  EXPECT_EQ(s.file(kPerson)->rec<Person>().PERSONID, first);
  EXPECT_EQ(trimmed(s.file(kPerson)->rec<Person>().LASTNAME), "Smith III");
  EXPECT_EQ(counter(), first + 1);
  EXPECT_EQ(open(kPerson).records(), 1);

  // Another address is another person; the address is kept as given.
  ASSERT_EQ(AddPers(s, "John@Host.ORG", "John Smith III"), 0);
  EXPECT_EQ(s.file(kPerson)->rec<Person>().PERSONID, first + 1);
  EXPECT_EQ(trimmed(storedPerson(first + 1).ADDRESS), "John@Host.ORG");
  EXPECT_EQ(open(kPerson).records(), 2);
  EXPECT_TRUE(runtime.shown().empty());
}

TEST_F(PersonsTest, AddPersFollowsANameVariantToItsPerson) {
  ASSERT_EQ(AddPers(s, "12345,678", "John Smith"), 0);
  const uint32_t kept = s.file(kPerson)->rec<Person>().PERSONID;
  addVariant("J SMITH 12345,678", kept);
  const uint32_t next = counter();

  s.file(kPerson)->clear();
  ASSERT_EQ(AddPers(s, "12345,678", "j Smith"), 0);
  EXPECT_EQ(s.file(kPerson)->rec<Person>().PERSONID, kept);
  EXPECT_EQ(trimmed(s.file(kPerson)->rec<Person>().PERSONSTRING), "JOHN SMITH 12345,678");
  EXPECT_EQ(open(kPerson).records(), 1);
  EXPECT_EQ(open(kPLINK).records(), 1);
  EXPECT_EQ(counter(), next);
}

TEST_F(PersonsTest, AddPersRepairsAVariantWhosePersonIsGone) {
  addVariant("OLD NAME 1,2", 999);
  const uint32_t id = counter();

  ASSERT_EQ(AddPers(s, "1,2", "Old Name"), 0);
  EXPECT_EQ(s.file(kPerson)->rec<Person>().PERSONID, id);
  Person p = storedPerson(id);
  EXPECT_EQ(trimmed(p.PERSONSTRING), "OLD NAME 1,2");
  EXPECT_EQ(trimmed(p.LASTNAME), "Name");
  EXPECT_EQ(open(kPLINK).records(), 0);

  // From now on the string finds the new person directly.
  ASSERT_EQ(AddPers(s, "1,2", "old name"), 0);
  EXPECT_EQ(s.file(kPerson)->rec<Person>().PERSONID, id);
  EXPECT_EQ(open(kPerson).records(), 1);
}

TEST_F(PersonsTest, AddPersWithoutANewIdentifierRollsBackAndSaysSo) {
  // Another program keeps the identifier counter held.
  HeadlessRuntime otherRuntime;
  Session other{dir.path().string(), otherRuntime};
  std::string error;
  ASSERT_EQ(openNumbered(other, kControl, false, error), kStoreOk) << error;
  StoreFile& ctl = *other.file(kControl);
  ctl.clear();
  ctl.rec<Control>().ID = 1;
  ASSERT_EQ(ctl.get(Control::IdKey), kStoreOk);
  ASSERT_EQ(ctl.hold(), kStoreOk);

  // The posting's transaction already wrote a person of this message.
  addPerson(260000, "Earlier", 0, 0);
  StoreFile* const files[] = {&open(kPerson), &open(kPLINK)};
  ASSERT_EQ(s.store().begin(files), kStoreOk);
  addPerson(260001, "Sender", 0, 0);

  EXPECT_EQ(AddPers(s, "999,1", "Receiver Person"), 1);
  EXPECT_FALSE(s.store().inTransaction());
  bool toldUser = false;
  for (const auto& shown : runtime.shown())
    if (shown.text == texts::kNoNewPersonId && shown.title == s.file(kPerson)->path())
      toldUser = true;
  EXPECT_TRUE(toldUser);
  EXPECT_EQ(+storedPerson(260001).PERSONID, 0u);  // rolled back
  EXPECT_EQ(+storedPerson(260000).PERSONID, 260000u);
  EXPECT_EQ(open(kPerson).records(), 1);
  ctl.release();
}

TEST_F(PersonsTest, OwnerAddressSetClassifiesSendersAndTestsReceivers) {
  StoreFile& forums = open(kForums);
  forums.clear();
  Forums& f = forums.rec<Forums>();
  f.ID = 250700;
  f.TYPE = kDbMail;
  f.DIRNUMBER = 2;
  setField(f.DESCRIPTION, "Jane Doe's mail, kept since the year two thousand and one");
  setField(f.MAILADDRESS, "Jane@Host.ORG");
  setField(f.ALTADDRESS[0], 60, "JD@Old.Host");
  setField(f.ALTADDRESS[9], 60, "jane.doe@work.example");
  f.PERSONID = 250123;
  ASSERT_EQ(forums.add(), kStoreOk);
  OP_CLOSE(s, kOpForceClose, {kForums});

  OwnerAddresses owner;
  owner.ownerNameCache = "Doe";
  owner.load(s, 250700);
  EXPECT_FALSE(s.file(kForums)->isOpen());  // opened for the load only
  EXPECT_EQ(owner.DEFADDRESS(), "jane@host.org");
  EXPECT_EQ(owner.ALTADDRESS(0), "jd@old.host");
  EXPECT_EQ(owner.ALTADDRESS(9), "jane.doe@work.example");
  EXPECT_EQ(owner.mailAddress(), "Jane@Host.ORG");
  EXPECT_EQ(owner.dbName(), "Jane Doe's mail, kept since the year two");
  EXPECT_EQ(owner.personId(), 250123u);
  EXPECT_EQ(owner.ownerNameCache, "");

  struct Case {
    std::string sender, receiver;
    int result;
    std::string senderAfter, receiverAfter;
  } cases[] = {
      // Sent from an alternative address in upper case: the default address takes its place.
      {"JD@OLD.HOST", "Bob@Example.COM", 2, "jane@host.org", "bob@example.com"},
      {"Jane.Doe@Work.Example", "x@y", 2, "jane@host.org", "x@y"},
      {"jane@host.org", "Bob@Example.COM", 2, "jane@host.org", "bob@example.com"},
      // Received: the receiver becomes the default address.
      {"Bob@Example.COM", "JD@OLD.HOST", 1, "bob@example.com", "jane@host.org"},
      {"jane@host.org.uk", "", 1, "jane@host.org.uk", "jane@host.org"},
      // Blank alternative entries are owner addresses too.
      {"", "Bob@Example.COM", 2, "jane@host.org", "bob@example.com"},
  };
  for (const Case& c : cases) {
    std::string sender = c.sender, receiver = c.receiver;
    EXPECT_EQ(owner.classify(sender, receiver), c.result) << c.sender;
    EXPECT_EQ(sender, c.senderAfter) << c.sender;
    EXPECT_EQ(receiver, c.receiverAfter) << c.sender;
  }
  EXPECT_EQ(owner.test("JANE@HOST.ORG  "), 0);
  EXPECT_EQ(owner.test("jd@old.host"), 0);
  EXPECT_EQ(owner.test("bob@example.com"), 1);

  // A database that is not in the list leaves nothing of the one loaded before.
  owner.load(s, 1);
  EXPECT_EQ(owner.DEFADDRESS(), "");
  EXPECT_EQ(owner.ALTADDRESS(0), "");
  EXPECT_EQ(owner.dbName(), "");
  EXPECT_EQ(owner.mailAddress(), "");
  EXPECT_EQ(owner.personId(), 0u);
  EXPECT_EQ(owner.test("jd@old.host"), 1);
}

TEST_F(PersonsTest, CFromToMailCountsThePersonsMails) {
  s.dbType = kDbMail;
  // Sort names are compared without letter case; another person or another name of the same
  // sort start is not counted.
  addMail(300001, "Feathersto", 250010, "Doe", 250001, 80001);
  addMail(300002, "FEATHERSTO", 250010, "Doe", 250001, 80002);
  addMail(300003, "Doe", 250001, "featherSto", 250010, 80003);
  addMail(300004, "Feathersto", 250011, "Doe", 250001, 80004);
  addMail(300005, "Featherst", 250010, "Doe", 250001, 80005);
  addMail(300006, "Doe", 250001, "Feathersto", 250012, 80006);

  StoreFile& person = open(kPerson);
  person.clear();
  Person& p = person.rec<Person>();
  p.PERSONID = 250010;
  setField(p.LASTNAME, "Featherstonehaugh");
  EXPECT_EQ(CFromToMail(s, 0), kCountsChanged);
  EXPECT_EQ(+p.FROMCOUNT, 2u);
  EXPECT_EQ(+p.TOCOUNT, 1u);
  EXPECT_EQ(CFromToMail(s, 0), kCountsUnchanged);
  EXPECT_EQ(CFromToMail(s, 1), kCountsUnchanged);

  // A person without mails: mode 0 leaves the buffer alone, mode 1 zeroes the counts, other
  // modes do nothing.
  person.clear();
  p.PERSONID = 250099;
  setField(p.LASTNAME, "Nobody");
  p.FROMCOUNT = 4;
  p.TOCOUNT = 5;
  EXPECT_EQ(CFromToMail(s, 0), kNoMessages);
  EXPECT_EQ(+p.FROMCOUNT, 4u);
  EXPECT_EQ(+p.TOCOUNT, 5u);
  EXPECT_EQ(CFromToMail(s, 2), kCountsUnchanged);
  EXPECT_EQ(+p.FROMCOUNT, 4u);
  EXPECT_EQ(CFromToMail(s, 1), kCountsChanged);
  EXPECT_EQ(+p.FROMCOUNT, 0u);
  EXPECT_EQ(+p.TOCOUNT, 0u);
}

TEST_F(PersonsTest, RecountPersonsStoresTheRightCounts) {
  addPerson(250001, "Smith", 9, 9);  // stale counts
  addPerson(250002, "Jones", 3, 0);  // no messages left
  addPerson(250003, "Brown", 1, 2);  // already right
  addPerson(250004, "Quiet", 0, 0);  // no messages, nothing to change
  addMessage(400001, "Smith", 250001, "Brown", 250003);
  addMessage(400002, "SMITH", 250001, "", 0);
  addMessage(400003, "Brown", 250003, "Smith", 250001);
  addMessage(400004, "Smith", 250002, "Brown", 250003);  // another person's sort name
  OP_CLOSE(s, kOpForceClose, {kPerson, kMsgNmbr});

  EXPECT_EQ(RecountPersons(s), 2);
  EXPECT_FALSE(s.store().inTransaction());
  struct Expect {
    uint32_t id, from, to;
  } expected[] = {{250001, 2, 1}, {250002, 0, 0}, {250003, 1, 2}, {250004, 0, 0}};
  for (const Expect& e : expected) {
    Person p = storedPerson(e.id);
    ASSERT_EQ(p.PERSONID, e.id);
    EXPECT_EQ(+p.FROMCOUNT, e.from) << e.id;
    EXPECT_EQ(+p.TOCOUNT, e.to) << e.id;
  }
  EXPECT_EQ(open(kPerson).records(), 4);  // recounting removes nobody
  EXPECT_EQ(RecountPersons(s), 0);

  // The counts of one person, as the recount takes them.
  StoreFile& person = open(kPerson);
  person.clear();
  person.rec<Person>().PERSONID = 250004;
  setField(person.rec<Person>().LASTNAME, "Quiet");
  EXPECT_EQ(CountPersonMessages(s), kNoMessages);

  s.dbType = kDbMail;
  EXPECT_EQ(RecountPersons(s), -1);
}

}  // namespace
}  // namespace qv
