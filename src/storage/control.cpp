// The identifier counter (record 1 of the Control file) and the highest-identifier check.
#include "storage/control.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "storage/archive.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/storage_texts.h"
#include "storage/text.h"

namespace qv {
namespace {

namespace t = texts;

constexpr uint8_t kCounterRecord = 1;
// How long a draw waits for another drawer, as long as file locks wait: a draw holds the
// record only for one read and one write, so a longer wait costs nothing while programs draw
// at the same time, and a one-second wait can run out when several draw in tight loops.
constexpr int kCounterWaitSeconds = 5;
constexpr int kFileLockSeconds = 5;

// The earliest message date the oldest-date rule believes; older dates come from broken
// clocks and broken sources.
constexpr int32_t kTrustedDatesAfter = 70999;
constexpr int32_t kDeletedDate = -1;
constexpr uint8_t kStatusDelete = 2;

// The general setting that holds the archive's oldest date, and the Konfig operations.
constexpr int kInstallDateSetting = 5;
constexpr int kKonfigSet = 2, kKonfigSave = 4;

// Threads of one program share the Control file's record buffer, and the record hold is per
// open file, so it does not keep them apart: they take turns here first.
std::mutex& counterMutex() {
  static std::mutex m;
  return m;
}

// Positions the Control file on record 1, adding it with `initial` when it is missing.
int findCounter(StoreFile& ctl, uint32_t initial) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    ctl.clear();
    ctl.rec<Control>().ID = kCounterRecord;
    int code = ctl.get(Control::IdKey);
    if (code != kRecordNotFound) return code;
    ctl.clear();
    ctl.rec<Control>().ID = kCounterRecord;
    ctl.rec<Control>().NEXTNUMBER = initial;
    code = ctl.add();
    // Another program added it in the meantime: read that one.
    if (code != kDuplicateKey) return code;
  }
  return ctl.lastError();
}

// Holds the counter's record, trying again every fraction of a millisecond: a program that
// draws in a tight loop leaves the record free only for the moment between two draws, and a
// waiter that looks only every few milliseconds would miss that moment for seconds.
int holdCounter(StoreFile& ctl) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(kCounterWaitSeconds);
  for (;;) {
    int code = ctl.hold(0);
    if (code != kHeld || std::chrono::steady_clock::now() >= deadline) return code;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

// Holds the counter's record and reads it. Usually the file still stands on the record from
// the last draw, and then it is held straight away: read only under the hold, the record is
// never read while another program writes it. Reading it beforehand would compete with the
// writes of a program that draws in a tight loop, and such a reader can miss the gaps between
// those writes for longer than it waits.
int holdCounterRecord(StoreFile& ctl) {
  if (!ctl.position().empty() && ctl.rec<Control>().ID == kCounterRecord) {
    int code = holdCounter(ctl);
    if (code == kStoreOk && ctl.rec<Control>().ID == kCounterRecord) return kStoreOk;
    if (code == kStoreOk) ctl.release();
    if (code == kHeld) return code;
  }
  int code = findCounter(ctl, kCounterFloor);
  if (code == kStoreOk) code = holdCounter(ctl);
  return code;
}

// The counter is read and raised under a hold on its record: every drawer holds the record
// before it reads the value it hands out, so no two read the same value, between threads
// (after the mutex) as between programs. A transaction over the Control file would keep them
// apart as well, but the store runs one transaction at a time, and callers draw identifiers
// in the middle of their own transactions over the database files.
int drawCounter(StoreFile& ctl, uint32_t& out) {
  int code = holdCounterRecord(ctl);
  if (code != kStoreOk) return code;
  Control& c = ctl.rec<Control>();
  out = c.NEXTNUMBER;
  c.NEXTNUMBER = out + 1;
  code = ctl.put();
  if (code != kStoreOk) ctl.release();
  return code;
}

uint32_t fieldValue(const StoreFile& f, const FieldDef& field) {
  uint32_t v;
  std::memcpy(&v, f.buffer() + field.offset, sizeof v);
  return v;
}

// The highest value of the 32-bit field `name` in the open file `f`: the last record of a key
// that starts with the field (the first when the key runs downwards), else the largest of a
// walk over all records.
uint32_t highest(StoreFile& f, const char* name) {
  const FileDef& def = f.def();
  const int fi = def.fieldIndex(name);
  if (fi < 0) return 0;
  const FieldDef& field = def.fields[static_cast<size_t>(fi)];
  for (size_t k = 0; k < def.keys.size(); ++k) {
    const KeyComp& first = def.keys[k].comps.front();
    if (first.field != fi) continue;
    if (f.set(static_cast<int>(k)) != kStoreOk) return 0;
    int code = first.descending ? f.next() : f.previous();
    return code == kStoreOk ? fieldValue(f, field) : 0;
  }
  uint32_t top = 0;
  f.set(-1);
  while (f.next() == kStoreOk) top = std::max(top, fieldValue(f, field));
  return top;
}

struct IdSource {
  int file;
  const char* field;
};

const std::vector<IdSource>& idSources(uint8_t type) {
  static const std::vector<IdSource> mail = {
      {kMsgText, "TXT:MSGNUMBER"}, {kPerson, "PER:PERSONID"}, {kCodes, "COD:ID"}};
  static const std::vector<IdSource> forum = {{kPerson, "PER:PERSONID"},
                                              {kCodes, "COD:ID"},
                                              {kThreads, "THR:THREADNUMBER"},
                                              {kSections, "SEC:SECSYSID"}};
  static const std::vector<IdSource> newsgroup = {
      {kMsgNmbr, "MSG:MSGNUMBER"},    {kPerson, "PER:PERSONID"},   {kCodes, "COD:ID"},
      {kThreads, "THR:THREADNUMBER"}, {kSections, "SEC:SECSYSID"}, {kMsgString, "MST:MSGNUMBER"}};
  static const std::vector<IdSource> none;
  switch (type) {
    case kDbMail:
      return mail;
    case kDbForum:
      return forum;
    case kDbNewsgroup:
      return newsgroup;
    default:
      return none;
  }
}

// The files of a database that the check reads, closed whatever their use counts: the next
// database opens them at its own paths.
void forceClosePerDatabase(Session& s) {
  OP_CLOSE(s, kOpForceClose,
           {kMsgText, kPerson, kCodes, kThreads, kSections, kMsgNmbr, kMsgString});
}

// Visits one database of the list: returns its highest identifier and lowers `oldest` with
// its oldest date. Marks the entry Delete when its lowest text date is -1.
uint32_t checkDatabase(Session& s, Forums& entry, int32_t& oldest) {
  s.dbId = entry.ID;
  s.dbType = entry.TYPE;
  s.dbDirName = "F" + std::to_string(entry.DIRNUMBER);
  s.dbDescription = trimmed(entry.DESCRIPTION);
  forceClosePerDatabase(s);
  OP_CLOSE(s, kOpOpenShared, {kMsgText});
  StoreFile& txt = *s.file(kMsgText);
  entry.MSGCOUNT = static_cast<uint32_t>(txt.records());
  uint32_t top = 0;
  if (entry.MSGCOUNT > 0) {
    int32_t low = entry.CREATED;
    txt.set(-1);
    while (txt.next() == kStoreOk) {
      int32_t date = txt.rec<MsgText>().DATE;
      if (date > kTrustedDatesAfter) {
        low = std::min(low, date);
        break;
      }
    }
    entry.LOWDATE = low;
    if (oldest == 0 || low < oldest) oldest = low;
    if (txt.set(MsgText::DateKey) == kStoreOk && txt.next() == kStoreOk &&
        txt.rec<MsgText>().DATE == kDeletedDate) {
      std::string name = trimmed(entry.DESCRIPTION);
      s.message(textTableEntry(s, 1) + t::kTheDatabaseNamed + name + " " + textTableEntry(s, 2),
                textTableEntry(s, 12));
      entry.DUMMY = kStatusDelete;
    }
    for (const IdSource& src : idSources(entry.TYPE)) {
      OP_CLOSE(s, kOpOpenShared, {src.file});
      top = std::max(top, highest(*s.file(src.file), src.field));
      OP_CLOSE(s, kOpClose, {src.file});
    }
  }
  OP_CLOSE(s, kOpClose, {kMsgText});
  return top;
}

}  // namespace

uint32_t NextNr(Session& s) {
  uint32_t id = 0;
  int code;
  std::string error;
  {
    std::lock_guard<std::mutex> guard(counterMutex());
    OP_CLOSE(s, kOpOpenShared, {kControl});
    StoreFile& ctl = *s.file(kControl);
    code = drawCounter(ctl, id);
    error = ctl.errorText();
    OP_CLOSE(s, kOpClose, {kControl});
  }
  // Outside the turn-taking: other threads go on drawing while the message is up.
  if (code != kStoreOk) {
    s.message(error + t::kLineBreak + t::kNextIdFailed, t::kControlFileErrorTitle);
    return 0;
  }
  return id;
}

IdCheckResult CheckHighestId(Session& s, const std::function<void(const std::string&)>& progress,
                             const std::function<void(int32_t)>& storeOldestDate) {
  IdCheckResult result;
  auto say = [&](const char* line) {
    if (progress) progress(line);
  };
  say(t::kCheckingHighestId);

  const uint32_t savedId = s.dbId;
  const uint8_t savedType = s.dbType;
  const std::string savedDir = s.dbDirName, savedDescription = s.dbDescription;

  OP_CLOSE(s, kOpOpenShared, {kForums, kControl});
  StoreFile& forums = *s.file(kForums);
  if (forums.lock(kFileLockSeconds) != kStoreOk) {
    result.error = forums.errorText();
    OP_CLOSE(s, kOpClose, {kForums, kControl});
    return result;
  }
  forums.stream();
  uint32_t top = 0;
  int32_t oldest = 0;
  std::vector<uint8_t> before(forums.def().recordSize);
  forums.set(-1);
  while (forums.next() == kStoreOk) {
    Forums& entry = forums.rec<Forums>();
    std::memcpy(before.data(), forums.buffer(), before.size());
    if (entry.CREATED == 0) entry.CREATED = s.today();
    // A redirected newsgroup without a directory of its own holds nothing.
    if (!(entry.NODIR == 1 && entry.TYPE == kDbNewsgroup))
      top = std::max(top, checkDatabase(s, entry, oldest));
    if (std::memcmp(before.data(), forums.buffer(), before.size()) != 0)
      UppDat(s, kForums, kUppUpdate, kReport);
  }
  forceClosePerDatabase(s);
  forums.flush();
  forums.unlock();

  forums.set(-1);
  while (forums.next() == kStoreOk) {
    if (forums.rec<Forums>().DUMMY != kStatusDelete) continue;
    std::string name = trimmed(forums.rec<Forums>().DESCRIPTION);
    if (UppDat(s, kForums, kUppDelete, kReport)) result.removed.push_back(name);
  }

  top = std::max(top, highest(forums, "FOR:ID"));
  OP_CLOSE(s, kOpOpenShared, {kTAS, kBAT});
  top = std::max(top, highest(*s.file(kTAS), "TAS:ID"));
  top = std::max(top, highest(*s.file(kBAT), "BAT:ID"));
  OP_CLOSE(s, kOpClose, {kTAS, kBAT});

  // Below the first identifier only when the archive holds none at all; the next load of
  // the preferences would raise it to there anyway.
  const uint32_t next = std::max(top + 1, kCounterFloor);
  bool stored;
  {
    std::lock_guard<std::mutex> guard(counterMutex());
    StoreFile& ctl = *s.file(kControl);
    ctl.clear();
    ctl.rec<Control>().ID = kCounterRecord;
    if (ctl.get(Control::IdKey) == kRecordNotFound) {
      ctl.clear();
      ctl.rec<Control>().ID = kCounterRecord;
      ctl.rec<Control>().NEXTNUMBER = next;
      stored = UppDat(s, kControl, kUppAdd, kReport);
    } else if (HoldRec(s, kControl, Control::IdKey, true, {})) {
      ctl.rec<Control>().NEXTNUMBER = next;
      stored = UppDat(s, kControl, kUppUpdate, kReport);
    } else {
      stored = false;
    }
  }
  OP_CLOSE(s, kOpClose, {kForums, kControl});

  if (storeOldestDate) {
    storeOldestDate(oldest);
  } else {
    SettingValue oldestSetting{oldest, {}};
    if (Konfig(s, kKonfigSet, kInstallDateSetting, oldestSetting)) Konfig(s, kKonfigSave);
  }

  s.dbId = savedId;
  s.dbType = savedType;
  s.dbDirName = savedDir;
  s.dbDescription = savedDescription;

  result.highestId = top;
  result.nextId = stored ? next : 0;
  result.oldestDate = oldest;
  if (!stored) {
    result.error = "The counter could not be stored";
    return result;
  }
  result.done = true;
  say(t::kCheckingHighestIdOk);
  return result;
}

}  // namespace qv
