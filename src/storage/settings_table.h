// The numbered settings, the speed table and the date and time display formats, as data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qv {

// The stores of numbered settings. Each value is the Control record kind that holds the store.
enum class ConfigStore : uint8_t {
  kGeneral = 1,
  kPaths = 4,
  kDisplay = 9,
  kWordSearch = 10,
  kImportPath = 20,
};

// How a setting sits in its store's 257-byte group.
enum class SettingKind : uint8_t {
  kLong = 1,  // signed 32-bit, little-endian
  kByte = 2,  // unsigned 8-bit
  kText = 3,  // fixed width, blank padded, code page 1252
  kFont = 4,  // a font name (text of `width` bytes) followed by its size (signed 32-bit)
};

// Where a default comes from when it is not a constant.
enum class DefaultFrom : uint8_t {
  kValue = 0,        // `defaultValue` / `defaultText`
  kToday = 1,        // today's day number
  kTempDir = 2,      // the archive root + "/TEMP"
  kArchiveRoot = 3,  // the archive root
  kDbTopDir = 4,     // the database top directory in use
};

struct SettingDef {
  int number;
  ConfigStore store;
  uint16_t offset;  // in the group
  SettingKind kind;
  uint16_t width;  // bytes: 4 for numbers, 1 for bytes, the text width for texts and fonts
  int32_t defaultValue;
  const char* defaultText;
  DefaultFrom defaultFrom;
  // Whether a zero number (or blank text) found on load is replaced by the default. Settings
  // where 0 is a choice of the user keep it.
  bool zeroIsUnset;
  const char* meaning;

  // Bytes the setting takes in its group.
  constexpr uint16_t size() const {
    return kind == SettingKind::kFont ? static_cast<uint16_t>(width + 4) : width;
  }
  constexpr bool isText() const { return kind == SettingKind::kText; }
};

// Every numbered setting, in number order.
std::span<const SettingDef> settingsTable();
// The setting of that number; nullptr when no store holds it.
const SettingDef* findSetting(int number);

// One row of the speed table: the work size for each speed choice 1-7, and for a setting that
// holds no valid choice (-1: the size stays as it was).
struct SpeedRow {
  int row;  // 26-30 the setting of that number; 31 the second import and merge size
  int32_t bySpeed[7];
  int32_t unset;
  const char* meaning;
};
std::span<const SpeedRow> speedTable();

// A date or time display format: the stored code, the text the Preferences show and the
// picture every window formats with. Codes not in the tables give empty text and picture.
struct DisplayFormat {
  int code;
  const char* shownAs;
  const char* picture;
};
std::span<const DisplayFormat> dateFormats();  // setting 10
std::span<const DisplayFormat> timeFormats();  // setting 13

// Setting numbers that other code names.
enum SettingNo : int {
  kSetFrameMode = 2,
  kSetLocatorDelay = 3,
  kSetInstallDate = 5,
  kSetDefaultDatabase = 6,
  kSetDateFormat = 10,
  kSetVersion = 11,
  kSetDefaultFileType = 12,
  kSetTimeFormat = 13,
  kSetImportPath = 14,
  kSetThreadTreeFormat = 16,
  kSetTempDir = 17,
  kSetDbTopDir = 18,
  kSetDefaultMailDb = 19,
  kSetSpeedDuplicates = 26,
  kSetSpeedCountPurge = 27,
  kSetSpeedIndexing = 28,
  kSetSpeedFind = 29,
  kSetSpeedImport = 30,
  kSetSpeedImport2 = 31,  // a row of the speed table only, not a stored setting
  kSetListFont = 33,
  kSetEntryFont = 34,
  kSetTreeFont = 35,
  kSetTextFont = 36,
  kSetTaskFrom = 46,
  kSetTaskTo = 47,
  kSetTasksOff = 48,
  kSetWordIndexDir = 44,
  kSetIndexNumbers = 49,
  kSetNoFootersMail = 50,
  kSetNoFootersForum = 51,
  kSetNoFootersNews = 52,
  kSetAutoStopMail = 53,
  kSetAutoStopForum = 54,
  kSetAutoStopNews = 55,
  kSetSearchPause = 56,
  kSetExitAfterTask = 57,
};

}  // namespace qv
