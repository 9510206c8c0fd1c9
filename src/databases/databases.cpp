// The database list: current database, lookup, selection, adding databases, removal.
#include "databases/databases.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "import/persons.h"
#include "storage/catalogue.h"
#include "storage/config.h"
#include "storage/control.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

constexpr int kDefaultMailDatabaseSetting = 19;

std::string dirName(uint32_t n) {
  return "F" + std::to_string(n);
}

// Opens the listed files for the length of one operation.
class Opened {
 public:
  Opened(Session& s, std::initializer_list<int> files) : s_(s), files_(files) {
    for (int f : files_) OP_CLOSE(s_, kOpOpenShared, {f});
  }
  ~Opened() {
    for (int f : files_) OP_CLOSE(s_, kOpClose, {f});
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;

 private:
  Session& s_;
  std::vector<int> files_;
};

void applyEntry(Session& s, const Forums& r) {
  s.dbId = r.ID;
  s.dbType = r.TYPE;
  s.dbDirName = dirName(r.DIRNUMBER);
  s.dbDescription = trimmed(r.DESCRIPTION);
  s.dbStatus = r.DUMMY;
  s.dbPersonId = r.PERSONID;
  s.dbTargetNg = r.TARGETNG;
  s.dbIndexNeedsUpdate = r.WORDLISTINDEXNEEDSUPDATE;
  s.dbIndexType = r.INDEXTYPE;
}

// Creates every file a database of `type` has, empty, in the current database directory (and
// its word index directory), so that the database is whole from the start: the structure test
// recognises a database by its files.
void createDatabaseFiles(Session& s, uint8_t type) {
  static const std::vector<int> mailFiles = {kMail,  kCCR, kMsgText, kPerson,
                                             kPLINK, kREF, kCodes,   kSIndex};
  static const std::vector<int> forumFiles = {kMsgNmbr, kMsgText, kPerson, kSections, kThreads,
                                              kPLINK,   kREF,     kCodes,  kSIndex};
  static const std::vector<int> newsFiles = {kMsgNmbr, kMsgText,   kPerson, kSections, kThreads,
                                             kPLINK,   kMsgString, kREF,    kCodes,    kSIndex};
  const std::vector<int>& files = type == kDbMail    ? mailFiles
                                  : type == kDbForum ? forumFiles
                                                     : newsFiles;
  for (int f : files) {
    OP_CLOSE(s, kOpOpenShared, {f});
    OP_CLOSE(s, kOpClose, {f});
  }
  for (int f : {kWordList, kMasIdx, kPUR, kWD}) {
    OP_CLOSE(s, kOpOpenShared, {f});
    OP_CLOSE(s, kOpClose, {f});
  }
}

bool blank(std::string_view v) {
  return trimRight(v).find_first_not_of(' ') == std::string::npos;
}

}  // namespace

const char* dbTypeName(uint8_t type) {
  switch (type) {
    case kDbForum:
      return "Forum";
    case kDbMail:
      return "Mail";
    case kDbNewsgroup:
      return "Newsgroup";
    default:
      return "";
  }
}

void ClearCurrentDatabase(Session& s) {
  s.dbId = 0;
  s.dbType = kDbNone;
  s.dbDirName.clear();
  s.dbDescription.clear();
  s.dbStatus = 0;
  s.dbPersonId = 0;
  s.dbTargetNg = 0;
  s.dbIndexNeedsUpdate = 0;
  s.dbIndexType = 0;
}

bool SelectDatabase(Session& s, uint32_t id) {
  ClearCurrentDatabase(s);
  if (id == 0) return false;
  Opened open(s, {kForums});
  StoreFile& forums = *s.file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = id;
  if (forums.get(Forums::ForumKey) != kStoreOk) return false;
  applyEntry(s, forums.rec<Forums>());
  return true;
}

ForumLookup ForumLup(Session& s, std::string_view typedIn) {
  ForumLookup out;
  Opened open(s, {kForums});
  StoreFile& forums = *s.file(kForums);
  out.nextDirNumber = nextDirectoryNumber(forums);
  std::string typed(trimRight(typedIn.substr(0, 100)));
  forums.clear();
  setField(forums.rec<Forums>().DESCRIPTION, typed);
  forums.setFromBuffer(Forums::AlphaKey);
  if (forums.next() != kStoreOk) {
    forums.clear();
    return out;
  }
  const Forums& r = forums.rec<Forums>();
  std::string description = trimmed(r.DESCRIPTION);
  if (upper1252(std::string_view(description).substr(0, typed.size())) != upper1252(typed)) {
    out.needsSelection = true;
    return out;
  }
  out.found = true;
  out.id = r.ID;
  out.type = r.TYPE;
  out.description = description;
  out.position = forums.position();
  return out;
}

// ---- selection dialog

DatabaseSelection::DatabaseSelection(Session& s, int kind, uint8_t type)
    : s_(s), kind_(kind), type_(type) {
  if (kind == 1 && type == kDbForum) {
    title_ = " Forum Database Selection ";
    header_ = "List of Forum databases";
  } else if (kind == 1 && type == kDbMail) {
    title_ = " Mail Database Selection ";
    header_ = "List of mail databases";
  } else {
    title_ = " Database Selection [" + std::to_string(rows(kByName).size()) + "]";
    insertVisible_ = false;
  }
}

std::vector<SelectionRow> DatabaseSelection::rows(Tab tab) {
  std::vector<SelectionRow> out;
  Opened open(s_, {kForums});
  StoreFile& forums = *s_.file(kForums);
  forums.set(tab == kByDirectory ? Forums::DirKey : Forums::AlphaKey);
  while (forums.next() == kStoreOk) {
    const Forums& r = forums.rec<Forums>();
    if (kind_ == 1 && r.TYPE != type_) continue;
    if (r.NODIR == 1 && r.TYPE == kDbNewsgroup) continue;
    SelectionRow row;
    row.description = trimmed(r.DESCRIPTION);
    row.typeName = dbTypeName(r.TYPE);
    row.directory = dirName(r.DIRNUMBER);
    row.messages = r.MSGCOUNT;
    row.counted = r.COUNTFLAG == 0 ? "Yes" : "No";
    row.importAllowed = r.NOIMPORT == 0 ? "Yes" : "No";
    row.id = r.ID;
    row.type = r.TYPE;
    row.noImport = r.NOIMPORT != 0;
    row.dirNumber = r.DIRNUMBER;
    row.position = forums.position();
    out.push_back(std::move(row));
  }
  return out;
}

int DatabaseSelection::locate(Tab tab, std::string_view typedIn) {
  std::vector<SelectionRow> list = rows(tab);
  std::string typed(trimRight(typedIn));
  if (tab == kByDirectory) {
    if (!typed.empty() && (typed[0] == 'F' || typed[0] == 'f')) typed.erase(0, 1);
    if (typed.empty() || typed.find_first_not_of("0123456789") != std::string::npos) return -1;
    uint64_t n = std::stoull(typed.substr(0, 10));
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i].dirNumber >= n) return static_cast<int>(i);
    return -1;
  }
  std::string key = upper1252(typed);
  for (size_t i = 0; i < list.size(); ++i) {
    std::string d = upper1252(list[i].description);
    d.resize(std::max(d.size(), key.size()), ' ');
    if (d.compare(0, key.size(), key) >= 0) return static_cast<int>(i);
  }
  return -1;
}

bool DatabaseSelection::popup(const SelectionRow& row, int item) {
  if (item != 1 && item != 2) return false;
  return SetImportAllowed(s_, row.id, item == 1);
}

DatabaseSelection::Choice DatabaseSelection::choose(const SelectionRow& row) {
  return {true, row.id, row.type};
}

bool SetImportAllowed(Session& s, uint32_t id, bool allowed) {
  Opened open(s, {kForums});
  StoreFile& forums = *s.file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = id;
  if (!HoldRec(s, kForums, Forums::ForumKey, true, {})) return false;
  forums.rec<Forums>().NOIMPORT = allowed ? 0 : 1;
  return UppDat(s, kForums, kUppUpdate, kReport);
}

// ---- adding databases

AddForumDatabase::AddForumDatabase(Session& s) : s_(s) {
  Opened open(s_, {kForums});
  nextDir_ = nextDirectoryNumber(*s_.file(kForums));
}

bool AddForumDatabase::save(std::string_view nameIn, uint8_t type) {
  std::string name(trimRight(nameIn.substr(0, 100)));
  if (blank(name)) {
    s_.runtime().beep();
    return false;
  }
  Opened open(s_, {kForums});
  StoreFile& forums = *s_.file(kForums);
  forums.clear();
  setField(forums.rec<Forums>().DESCRIPTION, name);
  // Checked before an identifier is drawn, so that a refused name uses none up.
  if (forums.duplicate(Forums::AlphaKey)) {
    s_.message("Record add error!\r\nA record with identical key already exists!",
               s_.file(kForums)->path());
    return false;
  }
  uint32_t id = NextNr(s_);
  if (id == 0) return false;
  forums.clear();
  Forums& r = forums.rec<Forums>();
  r.ID = id;
  setField(r.DESCRIPTION, name);
  r.DIRNUMBER = nextDir_;
  r.CREATED = s_.today();
  r.TYPE = type;
  r.WORDLISTINDEXNEEDSUPDATE = 1;
  r.INDEXTYPE = 1;
  if (!UppDat(s_, kForums, kUppAdd, kReport)) return false;
  std::string dir = s_.dbTopDir + "/" + dirName(nextDir_);
  ExistPath(s_, 3, 0, true, {}, dir);
  s_.dbDirName = dirName(nextDir_);
  UpdREF(s_, kReport);
  createDatabaseFiles(s_, type);
  lastId_ = id;
  ++nextDir_;
  return true;
}

bool UpdREF(Session& s, int errorMode) {
  StoreFile& forums = *s.file(kForums);
  Forums entry;
  std::memcpy(&entry, forums.buffer(), sizeof entry);
  OP_CLOSE(s, kOpOpenShared, {kREF});
  StoreFile& ref = *s.file(kREF);
  ref.clear();
  REF& want = ref.rec<REF>();
  want.TYPE = entry.TYPE;
  std::memcpy(want.DESCRIPTION, entry.DESCRIPTION, sizeof want.DESCRIPTION);
  want.TARGETNG = entry.TARGETNG;
  if (entry.TYPE == kDbMail) {
    want.PERSONID = static_cast<int32_t>(entry.PERSONID);
    std::memcpy(want.MAILADDRESS, entry.MAILADDRESS, sizeof want.MAILADDRESS);
    // The alternatives up to the first blank one.
    for (size_t i = 0; i < 10; ++i) {
      if (blank(std::string_view(entry.ALTADDRESS[i], 60))) break;
      std::memcpy(want.ALTADDRESS[i], entry.ALTADDRESS[i], 60);
    }
  }
  std::vector<uint8_t> wanted(ref.buffer(), ref.buffer() + sizeof(REF));
  bool ok = true;
  ref.set(-1);
  if (ref.next() == kStoreOk) {
    if (std::memcmp(ref.buffer(), wanted.data(), wanted.size()) != 0) {
      std::memcpy(ref.buffer(), wanted.data(), wanted.size());
      ok = UppDat(s, kREF, kUppUpdate, errorMode);
    }
  } else {
    std::memcpy(ref.buffer(), wanted.data(), wanted.size());
    ok = UppDat(s, kREF, kUppAdd, errorMode);
  }
  OP_CLOSE(s, kOpClose, {kREF});
  return ok;
}

MailSetupResult UpDateBox(Session& s, int request, uint32_t& dirNumber, MailSetupFields& f,
                          uint32_t* dbIdOut, std::string* nameOut) {
  if (blank(f.name) || blank(f.address)) {
    s.runtime().beep();
    return MailSetupResult::kBlankField;
  }
  Opened control(s, {kControl, kForums});
  StoreFile& forums = *s.file(kForums);
  const std::string previousDir = s.dbDirName;
  uint32_t id = 0;
  std::string name;

  if (request == 1) {
    ExistPath(s, 3, 0, true, {}, s.dbTopDir + "/" + dirName(dirNumber));
    s.dbDirName = dirName(dirNumber);
    // The identifier is drawn before the transaction: the counter's file is not part of it.
    uint32_t newId = NextNr(s);
    OP_CLOSE(s, kOpOpenShared, {kPerson, kREF});
    std::array<StoreFile*, 3> files{&forums, s.file(kREF), s.file(kPerson)};
    bool ok = newId != 0 && s.store().begin(files) == kStoreOk;
    if (ok) ok = AddPers(s, f.address, f.name) == 0;
    if (ok) {
      uint32_t owner = s.file(kPerson)->rec<Person>().PERSONID;
      forums.clear();
      Forums& r = forums.rec<Forums>();
      r.ID = newId;
      setField(r.DESCRIPTION, f.name);
      setField(r.MAILADDRESS, f.address);
      for (size_t i = 0; i < 10; ++i) setField(r.ALTADDRESS[i], f.alternatives[i]);
      r.DIRNUMBER = dirNumber;
      r.CREATED = s.today();
      r.TYPE = kDbMail;
      r.PERSONID = owner;
      r.WORDLISTINDEXNEEDSUPDATE = 1;
      r.INDEXTYPE = 1;
      ok = UppDat(s, kForums, kUppAdd, kRollBackAndReport) && UpdREF(s, kRollBackAndReport);
    }
    if (ok) ok = s.store().commit() == kStoreOk;
    if (!ok && s.store().inTransaction()) s.store().rollback();
    OP_CLOSE(s, kOpClose, {kPerson, kREF});
    if (!ok) {
      s.dbDirName = previousDir;
      return MailSetupResult::kFailed;
    }
    id = newId;
    name = trimmed(forums.rec<Forums>().DESCRIPTION);
    createDatabaseFiles(s, kDbMail);
    ++dirNumber;
  } else {
    forums.clear();
    forums.rec<Forums>().ID = s.dbId;
    if (!HoldRec(s, kForums, Forums::ForumKey, true, {})) return MailSetupResult::kFailed;
    Forums& r = forums.rec<Forums>();
    for (size_t i = 0; i < 10; ++i) setField(r.ALTADDRESS[i], f.alternatives[i]);
    s.dbDirName = dirName(r.DIRNUMBER);
    OP_CLOSE(s, kOpOpenShared, {kREF});
    std::array<StoreFile*, 2> files{&forums, s.file(kREF)};
    bool ok = s.store().begin(files) == kStoreOk;
    if (ok)
      ok = UppDat(s, kForums, kUppUpdate, kRollBackAndReport) && UpdREF(s, kRollBackAndReport);
    if (ok) ok = s.store().commit() == kStoreOk;
    if (!ok && s.store().inTransaction()) s.store().rollback();
    forums.release();
    OP_CLOSE(s, kOpClose, {kREF});
    if (!ok) {
      s.dbDirName = previousDir;
      return MailSetupResult::kFailed;
    }
    id = r.ID;
    name = trimmed(r.DESCRIPTION);
  }
  if (dbIdOut) {
    *dbIdOut = id;
    if (nameOut) *nameOut = name;
    SettingValue v;
    v.number = static_cast<int32_t>(id);
    Konfig(s, 2, kDefaultMailDatabaseSetting, v);
    Konfig(s, 4);
  }
  return MailSetupResult::kSaved;
}

bool RemoveDatabase(Session& s, uint32_t id, std::string& error) {
  if (!SelectDatabase(s, id)) {
    error = "The database list has no database " + std::to_string(id);
    return false;
  }
  if (!removeDatabaseDirectory(s)) {
    error = "Files of the database stayed in place; its list entry is kept";
    return false;
  }
  Opened open(s, {kForums});
  StoreFile& forums = *s.file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = id;
  if (forums.get(Forums::ForumKey) != kStoreOk || !UppDat(s, kForums, kUppDelete, kReport)) {
    error = "The list entry of database " + std::to_string(id) + " could not be removed";
    return false;
  }
  return true;
}

}  // namespace qv
