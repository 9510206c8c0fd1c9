// The numbered settings with their place in the Control records, and the speed and format tables.
#include "storage/settings_table.h"

#include <iterator>

namespace qv {
namespace {

using K = SettingKind;
using S = ConfigStore;
using D = DefaultFrom;

// Every setting's place in its store's 257-byte CTL:CTLGROUP. Numbers are little-endian, texts
// blank padded. Within a store the settings follow their numbers; the bytes after the last one
// are kept zero. These offsets are what archives hold on disk: never move a setting, only add
// new ones after the last.
//
// General settings, record 1 (108 bytes used):
//   0 s2   4 s3   8 s4   12 s5   16 s6   20 s7   24 s8   28 s9   32 s10   36 s11   40 s12
//   44 s13   48 s16   52 s19   56 s20 (text 15)   71 s21 (text 25)   96 s61   100 s62   104 s63
// Paths, record 4 (200 bytes): 0 s17 (text 100)   100 s18 (text 100)
// Display settings, record 9 (196 bytes):
//   0 s22 ... 32 s30 (4 bytes each)   36 s32   40 s33   64 s34   88 s35   112 s36
//   (fonts: name 20 + size 4)   136 s37 ... 156 s42 (4 bytes each)   160 s46   164 s47
//   168 s48   172 s57   176 s58   180 s59   184 s60   188 s64   192 s65
// Word search settings, record 10 (111 bytes):
//   0 s44 (text 100)   100 s49 ... 106 s55 (one byte each)   107 s56
// Default import path, record 20 (254 bytes): 0 s14 (text 254)
constexpr SettingDef kSettings[] = {
    {2, S::kGeneral, 0, K::kLong, 4, 1, "", D::kValue, true,
     "opening mode of the application frame: 1 maximized, 2 normal"},
    {3, S::kGeneral, 4, K::kLong, 4, 15, "", D::kValue, true,
     "delay of the incremental locator in tenths of a second"},
    {4, S::kGeneral, 8, K::kLong, 4, 1, "", D::kValue, true, "kept for other parts"},
    {5, S::kGeneral, 12, K::kLong, 4, 0, "", D::kToday, true,
     "installation date, later the archive's oldest message date"},
    {6, S::kGeneral, 16, K::kLong, 4, 0, "", D::kValue, false,
     "default database (FOR:ID) opened at start-up"},
    {7, S::kGeneral, 20, K::kLong, 4, 0, "", D::kValue, false, "kept"},
    {8, S::kGeneral, 24, K::kLong, 4, 0, "", D::kValue, false, "kept"},
    {9, S::kGeneral, 28, K::kLong, 4, 1, "", D::kValue, true, "kept for other parts"},
    {10, S::kGeneral, 32, K::kLong, 4, 17, "", D::kValue, true, "date display format code"},
    {11, S::kGeneral, 36, K::kLong, 4, 0, "", D::kValue, false, "program version times 100"},
    {12, S::kGeneral, 40, K::kLong, 4, 17, "", D::kValue, true,
     "default message file type for import (a format number)"},
    {13, S::kGeneral, 44, K::kLong, 4, 7, "", D::kValue, true, "time display format code"},
    {14, S::kImportPath, 0, K::kText, 254, 0, "", D::kValue, false, "default path to import files"},
    {16, S::kGeneral, 48, K::kLong, 4, 2, "", D::kValue, true,
     "thread tree line format: the chosen sample line 1-5"},
    {17, S::kPaths, 0, K::kText, 100, 0, "", D::kTempDir, true,
     "directory for temporary import files"},
    {18, S::kPaths, 100, K::kText, 100, 0, "", D::kArchiveRoot, true,
     "top directory for database files"},
    {19, S::kGeneral, 52, K::kLong, 4, 0, "", D::kValue, false,
     "default mail database (FOR:ID) of the import wizard"},
    {20, S::kGeneral, 56, K::kText, 15, 0, "", D::kValue, false, "text kept for other parts"},
    {21, S::kGeneral, 71, K::kText, 25, 0, "", D::kValue, false, "text kept for other parts"},
    {22, S::kDisplay, 0, K::kLong, 4, 255, "", D::kValue, true,
     "colour of the current tab of tab sheets"},
    {23, S::kDisplay, 4, K::kLong, 4, 12632256, "", D::kValue, true,
     "background colour of read-only fields"},
    {24, S::kDisplay, 8, K::kLong, 4, 8388608, "", D::kValue, true,
     "colour of messages with status Keep"},
    {25, S::kDisplay, 12, K::kLong, 4, 255, "", D::kValue, true,
     "colour of messages with status Delete"},
    {26, S::kDisplay, 16, K::kLong, 4, 4, "", D::kValue, true,
     "speed of duplicate elimination (1 fast - 7 slow)"},
    {27, S::kDisplay, 20, K::kLong, 4, 4, "", D::kValue, true,
     "speed of count and purge (1 fast - 7 slow)"},
    {28, S::kDisplay, 24, K::kLong, 4, 4, "", D::kValue, true,
     "speed of keyword indexing (1 fast - 7 slow)"},
    {29, S::kDisplay, 28, K::kLong, 4, 4, "", D::kValue, true,
     "speed of find text (1 fast - 7 slow)"},
    {30, S::kDisplay, 32, K::kLong, 4, 4, "", D::kValue, true,
     "speed of import and merge (1 fast - 7 slow)"},
    {32, S::kDisplay, 36, K::kLong, 4, 0, "", D::kValue, false,
     "show the time used to complete a transaction: 1 yes, 0 no"},
    {33, S::kDisplay, 40, K::kFont, 20, 8, "Arial", D::kValue, true, "list box font"},
    {34, S::kDisplay, 64, K::kFont, 20, 8, "Arial", D::kValue, true, "entry field font"},
    {35, S::kDisplay, 88, K::kFont, 20, 8, "Arial", D::kValue, true, "thread tree font"},
    {36, S::kDisplay, 112, K::kFont, 20, 8, "Arial", D::kValue, true, "message text box font"},
    {37, S::kDisplay, 136, K::kLong, 4, 0, "", D::kValue, false,
     "thread tree window always floating on top"},
    {38, S::kDisplay, 140, K::kLong, 4, 2, "", D::kValue, true,
     "sender/receiver format of the message browse: 1 Name, 2 Name+address"},
    {39, S::kDisplay, 144, K::kLong, 4, 2, "", D::kValue, true,
     "sender/receiver format of the mail browse: 1 Name, 2 Name+address"},
    {40, S::kDisplay, 148, K::kLong, 4, 0, "", D::kValue, false,
     "thread tree window: 1 opened separately, 0 with the message browse"},
    {41, S::kDisplay, 152, K::kLong, 4, 0, "", D::kValue, false, "kept"},
    {42, S::kDisplay, 156, K::kLong, 4, 0, "", D::kValue, false,
     "tool tips off: 0 shows tool tips"},
    {44, S::kWordSearch, 0, K::kText, 100, 0, "", D::kDbTopDir, true,
     "top directory for word index files"},
    {46, S::kDisplay, 160, K::kLong, 4, 0, "", D::kValue, false,
     "task start restriction from (time)"},
    {47, S::kDisplay, 164, K::kLong, 4, 0, "", D::kValue, false,
     "task start restriction to (time)"},
    {48, S::kDisplay, 168, K::kLong, 4, 0, "", D::kValue, false,
     "deactivate tasks: 1 no scheduled task starts"},
    {49, S::kWordSearch, 100, K::kByte, 1, 0, "", D::kValue, false,
     "index numbers: 1 words starting with a digit, +, - or . are indexed"},
    {50, S::kWordSearch, 101, K::kByte, 1, 1, "", D::kValue, false,
     "do not index footers of mail (kept: mail texts are not cut)"},
    {51, S::kWordSearch, 102, K::kByte, 1, 1, "", D::kValue, false,
     "do not index signature blocks/footers of forum messages"},
    {52, S::kWordSearch, 103, K::kByte, 1, 1, "", D::kValue, false,
     "do not index signature blocks/footers of newsgroup messages"},
    {53, S::kWordSearch, 104, K::kByte, 1, 1, "", D::kValue, false,
     "automatically add common words to the stop list: mail"},
    {54, S::kWordSearch, 105, K::kByte, 1, 1, "", D::kValue, false,
     "automatically add common words to the stop list: forum"},
    {55, S::kWordSearch, 106, K::kByte, 1, 1, "", D::kValue, false,
     "automatically add common words to the stop list: newsgroup"},
    {56, S::kWordSearch, 107, K::kLong, 4, 10000, "", D::kValue, true,
     "search pause: master index records read before asking to go on"},
    {57, S::kDisplay, 172, K::kLong, 4, 0, "", D::kValue, false,
     "exit the program after a task run has finished"},
    {58, S::kDisplay, 176, K::kLong, 4, 78, "", D::kValue, true, "export setting"},
    {59, S::kDisplay, 180, K::kLong, 4, 1, "", D::kValue, true, "export setting"},
    {60, S::kDisplay, 184, K::kLong, 4, 0, "", D::kValue, false, "export setting"},
    {61, S::kGeneral, 96, K::kLong, 4, 1, "", D::kValue, true,
     "last export format used: forum databases"},
    {62, S::kGeneral, 100, K::kLong, 4, 1, "", D::kValue, true,
     "last export format used: mail databases"},
    {63, S::kGeneral, 104, K::kLong, 4, 3, "", D::kValue, true,
     "last export format used: newsgroup databases"},
    {64, S::kDisplay, 188, K::kLong, 4, 0, "", D::kValue, false,
     "no wallpaper in the application frame"},
    {65, S::kDisplay, 192, K::kLong, 4, 0, "", D::kValue, false, "export setting"},
};

// The table must stay in number order, give numbers and bytes their proper widths, and keep
// each store's settings in ascending, non-overlapping places inside the group.
constexpr bool tableIsSound() {
  constexpr S stores[] = {S::kGeneral, S::kPaths, S::kDisplay, S::kWordSearch, S::kImportPath};
  for (size_t i = 1; i < std::size(kSettings); ++i)
    if (kSettings[i].number <= kSettings[i - 1].number) return false;
  for (const SettingDef& d : kSettings) {
    if (d.kind == K::kLong && d.width != 4) return false;
    if (d.kind == K::kByte && d.width != 1) return false;
    if (d.offset + d.size() > 257) return false;
  }
  for (S store : stores) {
    int end = 0;
    for (const SettingDef& d : kSettings) {
      if (d.store != store) continue;
      if (d.offset < end) return false;
      end = d.offset + d.size();
    }
  }
  return true;
}
static_assert(tableIsSound());

constexpr const SettingDef* settingAt(int number) {
  for (const SettingDef& d : kSettings)
    if (d.number == number) return &d;
  return nullptr;
}
// The places that records on disk already hold.
static_assert(settingAt(21)->offset == 71 && settingAt(63)->offset + 4 == 108);
static_assert(settingAt(65)->offset + 4 == 196 && settingAt(56)->offset + 4 == 111);
static_assert(settingAt(18)->offset + settingAt(18)->size() == 200);

constexpr SpeedRow kSpeedRows[] = {
    {26,
     {50, 100, 250, 500, 750, 1000, 1250},
     500,
     "duplicate elimination and person merging: records per batch"},
    {27, {50, 100, 200, 275, 350, 500, 700}, 300, "count and purge: records per batch"},
    {28, {1, 3, 7, 10, 20, 30, 40}, 4, "keyword indexing: messages per timer tick"},
    {29, {1, 3, 7, 10, 20, 30, 40}, 4, "find text: records per timer tick"},
    {30, {8, 16, 30, 50, 70, 85, 100}, 4, "import and merge: records per slice"},
    {31, {10, 20, 20, 25, 25, 50, 50}, -1, "import and merge: second work size"},
};

constexpr DisplayFormat kDateFormats[] = {
    {2, "mm-dd-yyyy", "@D2"},
    {6, "dd-mm-yyyy", "@D6"},
    {10, "yyyy-mm-dd", "@D10"},
    {17, "Windows setting", "@D17"},
};

constexpr DisplayFormat kTimeFormats[] = {
    {1, "hh:mm", "@T1"},
    {3, "hh:mmXM", "@T3"},
    {7, "Windows setting", "@T7"},
};

}  // namespace

std::span<const SettingDef> settingsTable() {
  return kSettings;
}

const SettingDef* findSetting(int number) {
  return settingAt(number);
}

std::span<const SpeedRow> speedTable() {
  return kSpeedRows;
}
std::span<const DisplayFormat> dateFormats() {
  return kDateFormats;
}
std::span<const DisplayFormat> timeFormats() {
  return kTimeFormats;
}

}  // namespace qv
