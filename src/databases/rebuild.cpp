// The structure test: the database list checked against the database directories, and
// rebuilt from them.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "databases/databases.h"
#include "storage/catalogue.h"
#include "storage/config.h"
#include "storage/control.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

const char* const kDashes = "------------------------------------------------------------\r\n";

bool has(const std::string& dir, int number, const char* ext = "TPS") {
  char name[16];
  std::snprintf(name, sizeof name, "IDX%03d.%s", number, ext);
  std::error_code ec;
  return fs::exists(dir + "/" + name, ec);
}

// Counts the records of a Person file without keeping it open.
int64_t personRecords(Session& s, const std::string& path) {
  StoreFile f(s.store(), *fileDef(kPerson));
  f.setPath(path);
  if (f.open(Access::kReadOnly) != kStoreOk) return -1;
  int64_t n = f.records();
  f.close();
  return n;
}

// The type of database whose files `dir` holds, or 0 when they make none.
uint8_t recognise(Session& s, const std::string& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return 0;
  bool m3 = has(dir, 3), m7 = has(dir, 7), m13 = has(dir, 13), m25 = has(dir, 25);
  if (m13 && !m3) return kDbMail;
  if (m3 && m7 && m25 && !m13) return kDbNewsgroup;
  if (m3 && m7 && !m13 && !m25) return kDbForum;
  // A directory holding nothing but a Person file is a mail database with only its owner.
  int files = 0;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator();
       it.increment(ec))
    if (it->is_regular_file(ec)) ++files;
  if (files == 1 && has(dir, 5) && personRecords(s, dir + "/IDX005.TPS") == 1) return kDbMail;
  return 0;
}

// The description file of `dir`, when it has one that can be read.
bool readRef(Session& s, const std::string& dir, REF& out) {
  StoreFile f(s.store(), *fileDef(kREF));
  f.setPath(dir + "/IDX022.DAT");
  if (f.open(Access::kReadOnly) != kStoreOk) return false;
  f.set(-1);
  bool ok = f.next() == kStoreOk;
  if (ok) std::memcpy(&out, f.buffer(), sizeof out);
  f.close();
  return ok;
}

std::string typeColumn(uint8_t type) {
  switch (type) {
    case kDbForum:
      return "Forum      F ";
    case kDbMail:
      return "Mail       F ";
    case kDbNewsgroup:
      return "Newsgroup  F ";
    default:
      return "Invalid DB F ";
  }
}

}  // namespace

RebuildResult RebuildDatabaseList(Session& s,
                                  const std::function<void(const std::string&)>& progress) {
  RebuildResult result;
  auto say = [&](const std::string& line) {
    if (progress) progress(line);
  };
  std::string logPath = s.archiveRoot + "/CFG/TestDB.Txt";
  std::ofstream log(logPath, std::ios::binary | std::ios::trunc);
  if (!log) {
    result.error = "The log file " + logPath + " cannot be written";
    return result;
  }
  const uint32_t previousDb = s.dbId;
  s.closeAllFiles();

  say("Checking the Quorvane directory structure ...");
  OP_CLOSE(s, kOpOpenShared, {kForums, kControl});
  StoreFile& forums = *s.file(kForums);
  say("Checking the Quorvane directory structure ...OK!");

  say("Checking the existing Quorvane database list ...");
  log << kDashes << " Databases recorded in the IDX002.TPS file\r\n" << kDashes;
  std::set<uint32_t> listedDirs;
  std::vector<std::pair<uint32_t, std::string>> invalid;  // id, message
  forums.set(-1);
  while (forums.next() == kStoreOk) {
    Forums r;
    std::memcpy(&r, forums.buffer(), sizeof r);
    if (r.NODIR == 1 && r.TYPE == kDbNewsgroup) continue;
    ++result.checked;
    std::string dirName = "F" + std::to_string(r.DIRNUMBER);
    std::string dir = s.dbTopDir + "/" + dirName;
    std::string name = trimmed(r.DESCRIPTION);
    uint8_t type = recognise(s, dir);
    REF ref{};
    bool hasRef = readRef(s, dir, ref);
    std::string note;
    if (type == 0) {
      std::error_code ec;
      note = fs::is_directory(dir, ec) ? "not a recognizable database" : "directory missing";
      invalid.push_back(
          {r.ID, "Database " + name + " in directory " + dirName +
                     " is not a recognizable current version Quorvane database.\r\n" +
                     "The database definition will be removed from the database list but the "
                     "database will be left as is.\r\nPlease check the log file testdb.txt in "
                     "directory cfg for details."});
    } else {
      listedDirs.insert(uint32_t{r.DIRNUMBER});
      if (type != r.TYPE)
        note = std::string("listed as ") + dbTypeName(r.TYPE) + ", corrected";
      else if (!hasRef)
        note = "description file missing, rewritten";
      else if (trimmed(ref.DESCRIPTION) != name || ref.TYPE != r.TYPE)
        note = "description file differs, rewritten";
      else
        note = "OK";
      if (type != r.TYPE) {
        forums.rec<Forums>().TYPE = type;
        UppDat(s, kForums, kUppUpdate, kReport);
      }
    }
    log << typeColumn(type) << r.DIRNUMBER << "  " << name << "  " << note << "\r\n";
  }
  for (const auto& [id, message] : invalid) {
    s.message(message, "Rebuild Utility");
    forums.clear();
    forums.rec<Forums>().ID = id;
    if (forums.get(Forums::ForumKey) == kStoreOk && UppDat(s, kForums, kUppDelete, kReport))
      ++result.removed;
  }
  say("Checking the existing Quorvane database list ...OK!");

  say("Attaching new database directories");
  log << kDashes << " Databases not recorded in the IDX002.TPS file\r\n" << kDashes;
  std::vector<uint32_t> unlisted;
  std::error_code ec;
  for (auto it = fs::directory_iterator(s.dbTopDir, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::string n = it->path().filename().string();
    if (n.size() < 2 || n[0] != 'F' || n.find_first_not_of("0123456789", 1) != std::string::npos ||
        n.size() > 10 || !it->is_directory(ec))
      continue;
    uint32_t number = static_cast<uint32_t>(std::stoul(n.substr(1)));
    if (!listedDirs.count(number)) unlisted.push_back(number);
  }
  std::sort(unlisted.begin(), unlisted.end());
  for (uint32_t number : unlisted) {
    std::string dirName = "F" + std::to_string(number);
    std::string dir = s.dbTopDir + "/" + dirName;
    uint8_t type = recognise(s, dir);
    if (type == 0) {
      log << typeColumn(0) << number << "  not attached\r\n";
      continue;
    }
    REF ref{};
    bool hasRef = readRef(s, dir, ref);
    // A new number that no entry uses yet.
    uint32_t id = 0;
    for (int tries = 0; tries < 1000 && id == 0; ++tries) {
      uint32_t candidate = NextNr(s);
      if (candidate == 0) break;
      forums.clear();
      forums.rec<Forums>().ID = candidate;
      if (forums.get(Forums::ForumKey) != kStoreOk) id = candidate;
    }
    if (id == 0) {
      result.error = "No new database number could be drawn";
      break;
    }
    std::string name = hasRef ? trimmed(ref.DESCRIPTION) : std::string();
    forums.clear();
    setField(forums.rec<Forums>().DESCRIPTION, name);
    if (name.empty() || forums.duplicate(Forums::AlphaKey))
      name = "Unknown:F" + std::to_string(number);
    forums.clear();
    Forums& r = forums.rec<Forums>();
    r.ID = id;
    setField(r.DESCRIPTION, name);
    r.DIRNUMBER = number;
    r.TYPE = type;
    r.CREATED = s.today();
    r.WORDLISTINDEXNEEDSUPDATE = 1;
    r.INDEXTYPE = 1;
    if (hasRef) {
      r.TARGETNG = ref.TARGETNG;
      if (type == kDbMail) {
        r.PERSONID = static_cast<uint32_t>(ref.PERSONID);
        std::memcpy(r.MAILADDRESS, ref.MAILADDRESS, sizeof r.MAILADDRESS);
        std::memcpy(r.ALTADDRESS, ref.ALTADDRESS, sizeof r.ALTADDRESS);
      }
    }
    if (UppDat(s, kForums, kUppAdd, kReport)) {
      ++result.attached;
      log << typeColumn(type) << number << "  " << name << "  attached\r\n";
    }
  }
  say("Attaching new database directories ...OK!");

  // Every description file again from the list.
  std::vector<Forums> entries;
  forums.set(-1);
  while (forums.next() == kStoreOk) {
    Forums r;
    std::memcpy(&r, forums.buffer(), sizeof r);
    if (!(r.NODIR == 1 && r.TYPE == kDbNewsgroup)) entries.push_back(r);
  }
  for (const Forums& r : entries) {
    std::memcpy(forums.buffer(), &r, sizeof r);
    s.dbDirName = "F" + std::to_string(r.DIRNUMBER);
    UpdREF(s, kReport);
    OP_CLOSE(s, kOpForceClose, {kREF});
  }
  OP_CLOSE(s, kOpClose, {kForums, kControl});
  log.close();

  IdCheckResult check = CheckHighestId(s, progress, [&](int32_t oldest) {
    SettingValue v;
    v.number = oldest;
    if (Konfig(s, 2, 5, v)) Konfig(s, 4);
  });
  if (!check.done && result.error.empty()) result.error = check.error;
  if (!SelectDatabase(s, previousDb)) ClearCurrentDatabase(s);
  result.done = result.error.empty();
  return result;
}

}  // namespace qv
