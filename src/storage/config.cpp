// The configuration stores of the Control file and their accessors.
#include "storage/config.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "storage/archive.h"
#include "storage/dates.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/session.h"
#include "storage/text.h"

namespace qv {

static_assert(std::endian::native == std::endian::little,
              "settings are kept little-endian and copied as they are");

namespace {

using Group = std::array<uint8_t, 257>;

constexpr const char* kInvalidXType = "Internal Error - invalid xType =";
constexpr const char* kInternalErrorTitle = "Internal Error";
// Shown when the text table lacks its entries (an archive made before they existed).
constexpr const char* kSaveFailedFallback = "The settings could not be saved.";
constexpr const char* kSaveFailedTitleFallback = "Settings Not Saved";
constexpr int kSaveFailedText = 27;
constexpr int kSaveFailedTitle = 28;

// Control record kinds of the saved window places, column widths and word definition.
constexpr uint8_t kWindowDefaults = 2, kWindowCurrent = 3;
constexpr uint8_t kColumnDefaults = 5, kColumnCurrent = 6;
constexpr uint8_t kWindow2Defaults = 7, kWindow2Current = 8;
constexpr uint8_t kFirstWordRecord = 11, kLastWordRecord = 16;
constexpr size_t kWordChunk = 200;  // bytes of the table stream per word record

// A value at or above this in a window place or column width is not taken.
constexpr int16_t kPlaceLimit = 2000;

static_assert(sizeof(WindowPlace) * kWindowCount <= sizeof(Group));
static_assert(sizeof(ColumnWidths) * kListCount <= sizeof(Group));
static_assert(4 * 256 <= (kLastWordRecord - kFirstWordRecord + 1) * kWordChunk);

// ---- The Control file ------------------------------------------------------------------------

// One accessor call's use of the Control file through the file access layer, which stops the
// program when the file cannot be opened or created.
class ControlUse {
 public:
  explicit ControlUse(Session& s) : s_(s) { OP_CLOSE(s, kOpOpenShared, {kControl}); }
  ~ControlUse() { OP_CLOSE(s_, kOpClose, {kControl}); }
  ControlUse(const ControlUse&) = delete;
  ControlUse& operator=(const ControlUse&) = delete;

  StoreFile& file() { return *s_.file(kControl); }

 private:
  Session& s_;
};

Control& ctl(StoreFile& f) {
  return f.rec<Control>();
}

enum class Read { kFound, kCreated, kFailed };

// Reads record `kind` and copies its group into `group`. A missing record is added with
// `group` as it is (record 1 with the counter at its floor); an add that loses the race to
// another program reads that program's record instead.
Read readOrCreate(StoreFile& f, uint8_t kind, Group& group) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    f.clear();
    ctl(f).ID = kind;
    int code = f.get(Control::IdKey);
    if (code == kStoreOk) {
      std::memcpy(group.data(), ctl(f).CTLGROUP, group.size());
      return Read::kFound;
    }
    if (code != kRecordNotFound) return Read::kFailed;
    f.clear();
    ctl(f).ID = kind;
    if (kind == 1) ctl(f).NEXTNUMBER = kCounterFloor;
    std::memcpy(ctl(f).CTLGROUP, group.data(), group.size());
    code = f.add();
    if (code == kStoreOk) return Read::kCreated;
    if (code != kDuplicateKey) return Read::kFailed;
  }
  return Read::kFailed;
}

// Holds record `kind` (one second) and writes `group` into it; adds the record when it is
// missing. Record 1's counter is raised to its floor on the way.
bool writeRecord(StoreFile& f, uint8_t kind, const Group& group) {
  f.clear();
  ctl(f).ID = kind;
  int code = f.get(Control::IdKey);
  if (code == kRecordNotFound) {
    f.clear();
    ctl(f).ID = kind;
    if (kind == 1) ctl(f).NEXTNUMBER = kCounterFloor;
    std::memcpy(ctl(f).CTLGROUP, group.data(), group.size());
    return f.add() == kStoreOk;
  }
  if (code != kStoreOk) return false;
  if (f.hold(1) != kStoreOk) return false;
  std::memcpy(ctl(f).CTLGROUP, group.data(), group.size());
  if (kind == 1 && ctl(f).NEXTNUMBER < kCounterFloor) ctl(f).NEXTNUMBER = kCounterFloor;
  if (f.put() != kStoreOk) {
    f.release();
    return false;
  }
  return true;
}

void reportSaveFailure(Session& s) {
  std::string text = textTableEntry(s, kSaveFailedText);
  std::string title = textTableEntry(s, kSaveFailedTitle);
  s.message(text.empty() ? kSaveFailedFallback : text,
            title.empty() ? kSaveFailedTitleFallback : title);
}

// ---- Settings inside a group -----------------------------------------------------------------

int32_t getLong(const Group& g, size_t offset) {
  int32_t v;
  std::memcpy(&v, g.data() + offset, 4);
  return v;
}
void putLong(Group& g, size_t offset, int32_t v) {
  std::memcpy(g.data() + offset, &v, 4);
}

char* chars(Group& g, size_t offset) {
  return reinterpret_cast<char*>(g.data() + offset);
}
const char* chars(const Group& g, size_t offset) {
  return reinterpret_cast<const char*>(g.data() + offset);
}

bool blank(const Group& g, size_t offset, size_t width) {
  return std::all_of(g.begin() + offset, g.begin() + offset + width,
                     [](uint8_t c) { return c == ' ' || c == 0; });
}

std::string withoutTrailingSeparator(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string defaultTemp(const Session& s) {
  return s.archiveRoot == "/" ? "/TEMP" : s.archiveRoot + "/TEMP";
}

int32_t defaultNumber(Session& s, const SettingDef& d) {
  return d.defaultFrom == DefaultFrom::kToday ? s.today() : d.defaultValue;
}

std::string defaultText(const Session& s, const SettingDef& d) {
  switch (d.defaultFrom) {
    case DefaultFrom::kTempDir:
      return defaultTemp(s);
    case DefaultFrom::kArchiveRoot:
      return s.archiveRoot;
    case DefaultFrom::kDbTopDir:
      return s.dbTopDir;
    default:
      return d.defaultText;
  }
}

// Puts the default of every unset setting of `store` in place. With `all`, settings where zero
// is a choice get their default too (a new record). A text default that does not fit its field
// stays out of it: a blank field means the default, which get and the session receive whole.
bool applyDefaults(Session& s, ConfigStore store, Group& g, bool all) {
  bool changed = false;
  for (const SettingDef& d : settingsTable()) {
    if (d.store != store || !(all || d.zeroIsUnset)) continue;
    switch (d.kind) {
      case SettingKind::kLong:
        if (getLong(g, d.offset) == 0 && defaultNumber(s, d) != 0) {
          putLong(g, d.offset, defaultNumber(s, d));
          changed = true;
        }
        break;
      case SettingKind::kByte:
        if (g[d.offset] == 0 && d.defaultValue != 0) {
          g[d.offset] = static_cast<uint8_t>(d.defaultValue);
          changed = true;
        }
        break;
      case SettingKind::kText: {
        std::string text = defaultText(s, d);
        if (blank(g, d.offset, d.width) && !text.empty() && text.size() <= d.width) {
          setField(chars(g, d.offset), d.width, text);
          changed = true;
        }
        break;
      }
      case SettingKind::kFont:
        if (blank(g, d.offset, d.width)) {
          setField(chars(g, d.offset), d.width, d.defaultText);
          changed = true;
        }
        if (getLong(g, d.offset + d.width) == 0) {
          putLong(g, d.offset + d.width, d.defaultValue);
          changed = true;
        }
        break;
    }
  }
  return changed;
}

SettingValue readSetting(const Session& s, const Group& g, const SettingDef& d) {
  SettingValue v;
  switch (d.kind) {
    case SettingKind::kLong:
      v.number = getLong(g, d.offset);
      break;
    case SettingKind::kByte:
      v.number = g[d.offset];
      break;
    case SettingKind::kText:
      v.text = trimmed(chars(g, d.offset), d.width);
      if (v.text.empty() && d.zeroIsUnset) v.text = defaultText(s, d);
      break;
    case SettingKind::kFont:
      v.text = trimmed(chars(g, d.offset), d.width);
      v.number = getLong(g, d.offset + d.width);
      break;
  }
  return v;
}

void writeSetting(Group& g, const SettingDef& d, const SettingValue& v) {
  switch (d.kind) {
    case SettingKind::kLong:
      putLong(g, d.offset, v.number);
      break;
    case SettingKind::kByte:
      g[d.offset] = static_cast<uint8_t>(v.number);
      break;
    case SettingKind::kText:
      setField(chars(g, d.offset), d.width, v.text);
      break;
    case SettingKind::kFont:
      setField(chars(g, d.offset), d.width, v.text);
      putLong(g, d.offset + d.width, v.number);
      break;
  }
}

// ---- Stores of numbered settings -------------------------------------------------------------

Config::Store& storeCopy(Config& c, ConfigStore store) {
  switch (store) {
    case ConfigStore::kGeneral:
      return c.general;
    case ConfigStore::kDisplay:
      return c.display;
    case ConfigStore::kImportPath:
      return c.importPath;
    case ConfigStore::kPaths:
      return c.paths;
    case ConfigStore::kWordSearch:
      break;
  }
  return c.wordSearch;
}

// The byte at `i` of the word definition as records 11-16 hold it: the junk, start, inside and
// end tables one after the other.
uint8_t& wordStreamByte(Config& c, size_t i) {
  CharTable* tables[] = {&c.isJunkHash, &c.startWordHash, &c.inWordHash, &c.endWordHash};
  return (*tables[i / 256])[i % 256];
}

bool loadWordTables(Session& s, StoreFile& f) {
  Config& c = s.config;
  for (uint8_t kind = kFirstWordRecord; kind <= kLastWordRecord; ++kind) {
    const size_t first = (kind - kFirstWordRecord) * kWordChunk;
    const size_t count = std::min(kWordChunk, 4 * 256 - first);
    Group g{};
    for (size_t i = 0; i < count; ++i) g[i] = wordStreamByte(c, first + i);
    Read r = readOrCreate(f, kind, g);
    if (r == Read::kFailed) return false;
    if (r == Read::kCreated) continue;
    // The number characters are the program's, never the stored definition's.
    for (size_t i = 0; i < count; ++i)
      if (first + i >= 256) wordStreamByte(c, first + i) = g[i];
  }
  return true;
}

bool saveWordTables(Session& s, StoreFile& f) {
  for (uint8_t kind = kFirstWordRecord; kind <= kLastWordRecord; ++kind) {
    const size_t first = (kind - kFirstWordRecord) * kWordChunk;
    const size_t count = std::min(kWordChunk, 4 * 256 - first);
    Group g{};
    for (size_t i = 0; i < count; ++i) g[i] = wordStreamByte(s.config, first + i);
    if (!writeRecord(f, kind, g)) return false;
  }
  return true;
}

void applyPaths(Session& s) {
  SettingValue v = readSetting(s, s.config.paths.group, *findSetting(kSetTempDir));
  s.tempDir = withoutTrailingSeparator(v.text);
  v = readSetting(s, s.config.paths.group, *findSetting(kSetDbTopDir));
  s.dbTopDir = withoutTrailingSeparator(v.text);
  std::error_code ec;
  // A directory that cannot be made shows up when the first temporary file is opened.
  std::filesystem::create_directories(s.tempDir, ec);
}

bool loadStore(Session& s, ConfigStore store) {
  const uint8_t kind = static_cast<uint8_t>(store);
  ControlUse use(s);
  StoreFile& f = use.file();
  Group g{};
  applyDefaults(s, store, g, true);
  Read r = readOrCreate(f, kind, g);
  if (r == Read::kFailed) {
    s.message("The settings cannot be read:\r\n" + f.errorText(), "File Open Error");
    return false;
  }
  bool changed = applyDefaults(s, store, g, false);
  if (store == ConfigStore::kGeneral && ctl(f).NEXTNUMBER < kCounterFloor) changed = true;
  // The copy is right whether or not it can be written back; the next load repeats this.
  if (changed) writeRecord(f, kind, g);
  Config::Store& copy = storeCopy(s.config, store);
  copy.group = g;
  copy.loaded = true;
  if (store == ConfigStore::kPaths) applyPaths(s);
  if (store == ConfigStore::kWordSearch) {
    s.wordIndexTopDir =
        withoutTrailingSeparator(readSetting(s, g, *findSetting(kSetWordIndexDir)).text);
    if (!loadWordTables(s, f)) {
      s.message("The word definition cannot be read:\r\n" + f.errorText(), "File Open Error");
      return false;
    }
    s.file(kMasIdx)->sendOption("FULLBUILD=OFF");
  }
  return true;
}

bool saveStore(Session& s, ConfigStore store) {
  ControlUse use(s);
  Config::Store& copy = storeCopy(s.config, store);
  // Saving a store never loaded would overwrite the user's settings with zeros.
  bool ok = copy.loaded || loadStore(s, store);
  ok = ok && writeRecord(use.file(), static_cast<uint8_t>(store), copy.group);
  if (ok && store == ConfigStore::kWordSearch) ok = saveWordTables(s, use.file());
  if (!ok) reportSaveFailure(s);
  return ok;
}

[[noreturn]] void invalidSetting(Session& s, int setting) {
  s.runtime().fatalStop(kInvalidXType + std::to_string(setting), kInternalErrorTitle);
  std::abort();  // the runtime's stop does not come back; the compiler cannot see through it
}

const SettingDef& settingOf(Session& s, ConfigStore store, int setting) {
  const SettingDef* d = findSetting(setting);
  if (!d || d->store != store) invalidSetting(s, setting);
  return *d;
}

// Actions of the operation codes, relative to the store's load code.
enum Action : int { kLoad = 0, kSet = 1, kGet = 2, kSave = 3 };

bool storeOp(Session& s, ConfigStore store, int action, int setting, SettingValue& v) {
  switch (action) {
    case kLoad:
      return loadStore(s, store);
    case kSave:
      return saveStore(s, store);
    case kSet:
    case kGet: {
      const SettingDef& d = settingOf(s, store, setting);
      Config::Store& copy = storeCopy(s.config, store);
      if (!copy.loaded && !loadStore(s, store)) return false;
      if (action == kSet)
        writeSetting(copy.group, d, v);
      else
        v = readSetting(s, copy.group, d);
      return true;
    }
    default:
      return false;
  }
}

// ---- Window places and column widths ---------------------------------------------------------

WindowPlace builtInPlace(int window) {
  // Cascaded from the top left, so that no two windows open exactly over each other.
  const auto step = static_cast<int16_t>(8 + 24 * (window % 10));
  return {step, step, 640, 440};
}

ColumnWidths builtInWidths(int) {
  return {80, 160, 160, 240, 80};
}

template <class Entry, size_t N>
void encode(const std::array<Entry, N>& entries, Group& g) {
  g.fill(0);
  size_t off = 0;
  for (const Entry& e : entries)
    for (int16_t v : e) {
      std::memcpy(g.data() + off, &v, 2);
      off += 2;
    }
}

template <class Entry, size_t N>
void decode(const Group& g, std::array<Entry, N>& entries) {
  size_t off = 0;
  for (Entry& e : entries)
    for (int16_t& v : e) {
      std::memcpy(&v, g.data() + off, 2);
      off += 2;
    }
}

template <class Entry, size_t N>
bool loadSaved(Session& s, Config::Saved<Entry, N>& set, uint8_t defaultsKind, uint8_t currentKind,
               Entry (*builtIn)(int)) {
  ControlUse use(s);
  std::array<Entry, N> defaults;
  for (size_t i = 0; i < N; ++i) defaults[i] = builtIn(static_cast<int>(i));
  Group g;
  encode(defaults, g);
  if (readOrCreate(use.file(), defaultsKind, g) == Read::kFailed) return false;
  decode(g, set.defaults);
  encode(set.defaults, g);
  if (readOrCreate(use.file(), currentKind, g) == Read::kFailed) return false;
  decode(g, set.current);
  set.loaded = true;
  return true;
}

template <class Entry, size_t N>
bool saveSaved(Session& s, const Config::Saved<Entry, N>& set, uint8_t currentKind) {
  ControlUse use(s);
  Group g;
  encode(set.current, g);
  bool ok = set.loaded && writeRecord(use.file(), currentKind, g);
  if (!ok) reportSaveFailure(s);
  return ok;
}

template <class Entry, size_t N>
bool savedOp(Session& s, int operation, int index, Entry& entry, Config::Saved<Entry, N>& set,
             uint8_t defaultsKind, uint8_t currentKind, Entry (*builtIn)(int), bool canReset) {
  switch (operation) {
    case 1:
      return loadSaved(s, set, defaultsKind, currentKind, builtIn);
    case 2:
    case 3:
      if (index < 0 || index >= static_cast<int>(N)) return false;
      if (!set.loaded && !loadSaved(s, set, defaultsKind, currentKind, builtIn)) return false;
      if (operation == 3) {
        entry = set.current[index];
      } else {
        for (size_t i = 0; i < entry.size(); ++i)
          if (entry[i] < kPlaceLimit) set.current[index][i] = entry[i];
      }
      return true;
    case 4:
      return saveSaved(s, set, currentKind);
    case 5:
      if (!canReset) return false;
      if (!set.loaded && !loadSaved(s, set, defaultsKind, currentKind, builtIn)) return false;
      set.current = set.defaults;
      return saveSaved(s, set, currentKind);
    default:
      return false;
  }
}

// ---- Display formats -------------------------------------------------------------------------

const DisplayFormat* findFormat(std::span<const DisplayFormat> table, int code) {
  for (const DisplayFormat& f : table)
    if (f.code == code) return &f;
  return nullptr;
}

int formatOf(Session& s, int setting, std::span<const DisplayFormat> table, std::string& text,
             std::string& picture) {
  SettingValue v;
  text.clear();
  picture.clear();
  if (!Konfig(s, 3, setting, v)) return 0;
  if (const DisplayFormat* f = findFormat(table, v.number)) {
    text = f->shownAs;
    picture = f->picture;
  }
  return v.number;
}

std::string localeName() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return {};
}

std::string strftimeIn(const LocaleFormats& locale, const std::string& pattern, const std::tm& tm) {
  char buf[128];
  size_t n = locale.handle ? strftime_l(buf, sizeof buf, pattern.c_str(), &tm,
                                        static_cast<locale_t>(locale.handle.get()))
                           : std::strftime(buf, sizeof buf, pattern.c_str(), &tm);
  std::string out(buf, n);
  // Locales pad some fields with a blank ("%e"); the display has no use for it.
  const size_t start = out.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : out.substr(start);
}

std::string twoDigits(int v) {
  return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
}

}  // namespace

// ---- Config ----------------------------------------------------------------------------------

namespace {

CharTable tableOf(std::initializer_list<std::pair<int, int>> ranges, uint8_t value = 1) {
  CharTable t{};
  for (auto [from, to] : ranges)
    for (int c = from; c <= to; ++c) t[c] = value;
  return t;
}

}  // namespace

CharTable defaultStartWordTable() {
  return tableOf({{0, 47},
                  {58, 64},
                  {91, 91},
                  {93, 93},
                  {95, 96},
                  {123, 126},
                  {133, 135},
                  {145, 148},
                  {160, 160},
                  {180, 180}});
}

CharTable defaultInWordTable() {
  return tableOf({{0, 45},
                  {47, 47},
                  {59, 64},
                  {91, 91},
                  {93, 93},
                  {96, 96},
                  {123, 125},
                  {133, 135},
                  {160, 160},
                  {180, 180}});
}

CharTable defaultEndWordTable() {
  return defaultStartWordTable();
}

CharTable defaultJunkTable() {
  CharTable t = tableOf({{43, 43}, {45, 46}, {48, 57}}, 1);
  for (int c : {58, 77, 80, 88, 91, 93, 135, 160, 163, 180}) t[c] = 2;
  for (int c : {65, 66, 67, 68, 69, 70, 72}) t[c] = 3;
  return t;
}

Config::Config()
    : speed{},
      isJunkHash(defaultJunkTable()),
      startWordHash(defaultStartWordTable()),
      inWordHash(defaultInWordTable()),
      endWordHash(defaultEndWordTable()) {
  for (const SpeedRow& row : speedTable())
    speed[row.row - kSetSpeedDuplicates] = row.unset >= 0 ? row.unset : row.bySpeed[3];
}

// ---- Accessors -------------------------------------------------------------------------------

bool Konfig(Session& s, int operation, int setting, SettingValue& value) {
  if (operation >= 1 && operation <= 4)
    return storeOp(s, ConfigStore::kGeneral, operation - 1, setting, value);
  if (operation >= 6 && operation <= 9)
    return storeOp(s, ConfigStore::kDisplay, operation - 6, setting, value);
  if (operation >= 23 && operation <= 26)
    return storeOp(s, ConfigStore::kImportPath, operation - 23, setting, value);
  return false;
}

bool Konfig(Session& s, int operation) {
  SettingValue unused;
  return Konfig(s, operation, 0, unused);
}

bool AutoPath(Session& s, int operation, int setting, std::string& text) {
  if (operation < 1 || operation > 4) return false;
  SettingValue v;
  v.text = text;
  bool ok = storeOp(s, ConfigStore::kPaths, operation - 1, setting, v);
  if (ok && operation == 3) text = v.text;
  return ok;
}

bool AutoPath(Session& s, int operation) {
  std::string unused;
  return AutoPath(s, operation, 0, unused);
}

bool WSVars(Session& s, int operation, int setting, SettingValue& value) {
  if (operation < 1 || operation > 4) return false;
  return storeOp(s, ConfigStore::kWordSearch, operation - 1, setting, value);
}

bool WSVars(Session& s, int operation) {
  SettingValue unused;
  return WSVars(s, operation, 0, unused);
}

bool WindowPos(Session& s, int operation, int window, WindowPlace& place) {
  return savedOp(s, operation, window, place, s.config.windows, kWindowDefaults, kWindowCurrent,
                 builtInPlace, true);
}

bool WindowPos(Session& s, int operation) {
  WindowPlace unused{};
  return WindowPos(s, operation, 0, unused);
}

bool WindowPos2(Session& s, int operation, int window, WindowPlace& place) {
  return savedOp(s, operation, window, place, s.config.windows2, kWindow2Defaults, kWindow2Current,
                 builtInPlace, true);
}

bool WindowPos2(Session& s, int operation) {
  WindowPlace unused{};
  return WindowPos2(s, operation, 0, unused);
}

bool ListCol(Session& s, int operation, int list, ColumnWidths& widths) {
  return savedOp(s, operation, list, widths, s.config.columns, kColumnDefaults, kColumnCurrent,
                 builtInWidths, false);
}

bool ListCol(Session& s, int operation) {
  ColumnWidths unused{};
  return ListCol(s, operation, 0, unused);
}

int32_t SpeedVal(Session& s, int operation, int row) {
  if (operation == 3) {
    if (row < kSetSpeedDuplicates || row > kSetSpeedImport2) return 0;
    return s.config.speed[row - kSetSpeedDuplicates];
  }
  if (operation != 2) return 0;
  for (const SpeedRow& r : speedTable()) {
    // The second import size follows the import speed.
    const int setting = r.row == kSetSpeedImport2 ? kSetSpeedImport : r.row;
    SettingValue v;
    const bool readable = Konfig(s, 8, setting, v) && v.number >= 1 && v.number <= 7;
    int32_t& size = s.config.speed[r.row - kSetSpeedDuplicates];
    if (readable)
      size = r.bySpeed[v.number - 1];
    else if (r.unset >= 0)
      size = r.unset;
  }
  return 1;
}

int SetDate(Session& s, std::string& text, std::string& picture) {
  return formatOf(s, kSetDateFormat, dateFormats(), text, picture);
}

int SetTime(Session& s, std::string& text, std::string& picture) {
  return formatOf(s, kSetTimeFormat, timeFormats(), text, picture);
}

// ---- Display formats -------------------------------------------------------------------------

LocaleFormats LocaleFormats::iso() {
  return {"", "%Y-%m-%d", "%Y-%m-%d", "%H:%M", "%H:%M:%S", nullptr};
}

LocaleFormats LocaleFormats::named(const std::string& name) {
  if (name.empty() || name == "C" || name == "POSIX") return iso();
  locale_t loc = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(nullptr));
  if (!loc) return iso();
  LocaleFormats f;
  f.name = name;
  f.handle = std::shared_ptr<void>(loc, [](void* p) { freelocale(static_cast<locale_t>(p)); });
  f.shortDate = nl_langinfo_l(D_FMT, loc);
  f.shortTime = nl_langinfo_l(T_FMT, loc);
  f.longTime = f.shortTime;
  // The short time form drops the seconds where the locale's form has them.
  for (const char* withSeconds : {"%H:%M:%S", "%T", "%I:%M:%S"}) {
    size_t at = f.shortTime.find(withSeconds);
    if (at == std::string::npos) continue;
    std::string shortForm = withSeconds[1] == 'I' ? "%I:%M" : "%H:%M";
    f.shortTime.replace(at, std::strlen(withSeconds), shortForm);
    break;
  }
  f.longDate = "%e %B %Y";
  if (f.shortDate.empty()) f.shortDate = "%Y-%m-%d";
  if (f.shortTime.empty()) f.shortTime = "%H:%M";
  if (f.longTime.empty()) f.longTime = "%H:%M:%S";
  return f;
}

const LocaleFormats& userLocale() {
  static const LocaleFormats formats = LocaleFormats::named(localeName());
  return formats;
}

std::string formatDate(int32_t date, std::string_view picture, const LocaleFormats& locale) {
  if (date <= 0) return {};
  int y, m, d;
  ymdFromDate(date, y, m, d);
  const std::string yyyy = std::to_string(y);
  if (picture == "@D2") return twoDigits(m) + "-" + twoDigits(d) + "-" + yyyy;
  if (picture == "@D6") return twoDigits(d) + "-" + twoDigits(m) + "-" + yyyy;
  if (picture == "@D10") return yyyy + "-" + twoDigits(m) + "-" + twoDigits(d);
  if (picture != "@D17" && picture != "@D18") return {};
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = m - 1;
  tm.tm_mday = d;
  tm.tm_wday = date % 7;  // day 4, 1 January 1801, was a Thursday
  tm.tm_yday = date - dateFromYmd(y, 1, 1);
  return strftimeIn(locale, picture == "@D17" ? locale.shortDate : locale.longDate, tm);
}

std::string formatTime(int32_t time, std::string_view picture, const LocaleFormats& locale) {
  if (time <= 0) return {};
  const int32_t seconds = (time - 1) / 100;
  const int h = seconds / 3600 % 24, m = seconds / 60 % 60, sec = seconds % 60;
  if (picture == "@T1") return twoDigits(h) + ":" + twoDigits(m);
  if (picture == "@T3")
    return twoDigits(h % 12 == 0 ? 12 : h % 12) + ":" + twoDigits(m) + (h < 12 ? "AM" : "PM");
  if (picture == "@T4") return twoDigits(h) + ":" + twoDigits(m) + ":" + twoDigits(sec);
  if (picture != "@T7" && picture != "@T8") return {};
  std::tm tm{};
  tm.tm_hour = h;
  tm.tm_min = m;
  tm.tm_sec = sec;
  return strftimeIn(locale, picture == "@T7" ? locale.shortTime : locale.longTime, tm);
}

// ---- Settings by number ----------------------------------------------------------------------

namespace {

// Gets or sets (and then saves) setting `d` through the accessor of its store.
bool callAccessor(Session& s, const SettingDef& d, bool set, SettingValue& v) {
  switch (d.store) {
    case ConfigStore::kGeneral:
      return Konfig(s, set ? 2 : 3, d.number, v) && (!set || Konfig(s, 4));
    case ConfigStore::kDisplay:
      return Konfig(s, set ? 7 : 8, d.number, v) && (!set || Konfig(s, 9));
    case ConfigStore::kImportPath:
      return Konfig(s, set ? 24 : 25, d.number, v) && (!set || Konfig(s, 26));
    case ConfigStore::kPaths: {
      std::string text = v.text;
      bool ok = AutoPath(s, set ? 2 : 3, d.number, text) && (!set || AutoPath(s, 4));
      v.text = text;
      return ok;
    }
    case ConfigStore::kWordSearch:
      return WSVars(s, set ? 2 : 3, d.number, v) && (!set || WSVars(s, 4));
  }
  return false;
}

}  // namespace

bool getSetting(Session& s, int number, SettingValue& value, std::string& error) {
  const SettingDef* d = findSetting(number);
  if (!d) {
    error = "No setting has the number " + std::to_string(number);
    return false;
  }
  if (!callAccessor(s, *d, false, value)) {
    error = "Setting " + std::to_string(number) + " cannot be read";
    return false;
  }
  return true;
}

bool setSetting(Session& s, int number, const SettingValue& value, std::string& error) {
  const SettingDef* d = findSetting(number);
  if (!d) {
    error = "No setting has the number " + std::to_string(number);
    return false;
  }
  const std::string n = std::to_string(number);
  if ((d->kind == SettingKind::kText || d->kind == SettingKind::kFont) &&
      value.text.size() > d->width) {
    error = "Setting " + n + " takes at most " + std::to_string(d->width) + " characters";
    return false;
  }
  if (d->kind == SettingKind::kByte && (value.number < 0 || value.number > 255)) {
    error = "Setting " + n + " takes a number from 0 to 255";
    return false;
  }
  // A blank directory stands for its default; any other must be absolute.
  if (d->defaultFrom >= DefaultFrom::kTempDir && !value.text.empty() && value.text[0] != '/') {
    error = "Setting " + n + " takes an absolute directory (starting with /)";
    return false;
  }
  if (d->kind == SettingKind::kFont && (value.text.empty() || value.number <= 0)) {
    error = "Setting " + n + " takes a font name and a size above 0";
    return false;
  }
  SettingValue v = value;
  if (!callAccessor(s, *d, true, v)) {
    error = "Setting " + n + " cannot be saved";
    return false;
  }
  return true;
}

// ---- Preferences -----------------------------------------------------------------------------

bool Preferences::open() {
  changes_.clear();
  return Konfig(s_, 1) && Konfig(s_, 6) && Konfig(s_, 23) && AutoPath(s_, 1) && WSVars(s_, 1);
}

SettingValue Preferences::value(int setting) const {
  auto it = changes_.find(setting);
  if (it != changes_.end()) return it->second;
  SettingValue v;
  std::string error;
  getSetting(s_, setting, v, error);
  return v;
}

void Preferences::change(int setting, const SettingValue& v) {
  if (!findSetting(setting)) invalidSetting(s_, setting);
  changes_[setting] = v;
}

std::string Preferences::locatorDelaySeconds() const {
  const int32_t tenths = value(kSetLocatorDelay).number;
  return std::to_string(tenths / 10) + "." + twoDigits(tenths % 10 * 10);
}

void Preferences::setLocatorDelaySeconds(std::string_view seconds) {
  const std::string text(trimRight(seconds));
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || v < 0 || v > 1e6) return;
  change(kSetLocatorDelay, {static_cast<int32_t>(v * 10 + 0.5), ""});
}

int32_t Preferences::defaultFileType() const {
  const int32_t type = value(kSetDefaultFileType).number;
  return type == 0 ? 17 : type;
}

bool Preferences::resetWindowPositions() {
  return WindowPos(s_, 5) && WindowPos2(s_, 5);
}

bool Preferences::ok() {
  for (auto& [number, v] : changes_) {
    const SettingDef& d = *findSetting(number);
    SettingValue value = v;
    if (d.defaultFrom >= DefaultFrom::kTempDir) {
      const size_t start = value.text.find_first_not_of(' ');
      value.text =
          start == std::string::npos ? "" : std::string(trimRight(value.text.substr(start)));
    }
    switch (d.store) {
      case ConfigStore::kGeneral:
        Konfig(s_, 2, number, value);
        break;
      case ConfigStore::kDisplay:
        Konfig(s_, 7, number, value);
        break;
      case ConfigStore::kImportPath:
        Konfig(s_, 24, number, value);
        break;
      case ConfigStore::kPaths:
        AutoPath(s_, 2, number, value.text);
        break;
      case ConfigStore::kWordSearch:
        WSVars(s_, 2, number, value);
        break;
    }
  }
  if (!(Konfig(s_, 4) && Konfig(s_, 9) && Konfig(s_, 26) && AutoPath(s_, 4) && WSVars(s_, 4)))
    return false;
  SpeedVal(s_, 2);
  // The directories in use follow the stores; the temporary one is made when missing.
  if (changes_.count(kSetTempDir) || changes_.count(kSetDbTopDir)) applyPaths(s_);
  if (changes_.count(kSetWordIndexDir)) {
    s_.wordIndexTopDir = withoutTrailingSeparator(
        readSetting(s_, s_.config.wordSearch.group, *findSetting(kSetWordIndexDir)).text);
  }
  changes_.clear();
  return true;
}

}  // namespace qv
