// The configuration stores: process-wide copies of the settings records of the Control file,
// the accessors that load, read, change and save them, the speed table and the display formats.
//
// Every accessor takes an operation code; the codes are the ones callers across the system
// pass, so they are kept as plain numbers:
//
//   Konfig      1 load, 2 set, 3 get, 4 save the general settings (record 1)
//               6 load, 7 set, 8 get, 9 save the display settings (record 9)
//               23 load, 24 set, 25 get, 26 save the default import path (record 20, setting 14)
//   AutoPath    1 load, 2 set, 3 get, 4 save the paths (record 4, settings 17 and 18)
//   WSVars      1 load, 2 set, 3 get, 4 save the word search settings (record 10, settings 44
//               and 49-56) and the word definition tables (records 11-16)
//   WindowPos   1 load, 2 set, 3 get, 4 save, 5 reset to the defaults: window places, first set
//               (records 2 defaults, 3 current)
//   WindowPos2  the same for the second set (records 7 and 8)
//   ListCol     1 load, 2 set, 3 get, 4 save list column widths (records 5 defaults, 6 current)
//   SpeedVal    2 load the work sizes from settings 26-30; 3 the work size of row 26-31
//
// A load reads its record into the session's copy, creating the record when it is missing and
// putting the default in place of every setting that is zero (or blank) where zero means unset;
// what it changed is written back. Get and set work on the copy only (a store not loaded yet is
// loaded first); save holds the record, waiting one second, and writes the copy into it. A save
// that fails shows entries 27 and 28 of the text table (message and title; nothing is shown
// while a task runs unattended) and returns false. Asking a get or set for a setting number that
// the operation's store does not hold stops the program ("Internal Error - invalid xType =" and
// the number): that is a fault of the calling code, never of the user.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "storage/settings_table.h"

namespace qv {

class Session;

inline constexpr int kWindowCount = 25;
inline constexpr int kListCount = 20;
inline constexpr uint32_t kCounterFloor = 250000;  // the first identifier of an archive

// One window's place: column, row, width, height.
using WindowPlace = std::array<int16_t, 4>;
// The five column widths of one list.
using ColumnWidths = std::array<int16_t, 5>;
// A 256-entry character table of the word definition, indexed by code page 1252 byte.
using CharTable = std::array<uint8_t, 256>;

// A setting's value as the accessors pass it: numbers, bytes and font sizes in `number`; paths,
// the texts 20 and 21 and font names in `text` (a font has both).
struct SettingValue {
  int32_t number = 0;
  std::string text;
};

// The process-wide copies of every store. Each program's session holds one.
struct Config {
  Config();

  struct Store {
    std::array<uint8_t, 257> group{};  // CTL:CTLGROUP exactly as the record holds it
    bool loaded = false;
  };
  Store general, display, importPath, paths, wordSearch;

  template <class Entry, size_t N>
  struct Saved {
    std::array<Entry, N> defaults{}, current{};
    bool loaded = false;
  };
  Saved<WindowPlace, kWindowCount> windows, windows2;
  Saved<ColumnWidths, kListCount> columns;

  // Work sizes of the speed table rows 26-31 (see SpeedVal); before a load, the sizes of an
  // unset speed.
  std::array<int32_t, 6> speed;

  // The word definition: where words start, continue and end, and which bytes are number
  // characters. Built from the defaults; WSVars loads the stored definition over all but the
  // junk table.
  CharTable isJunkHash, startWordHash, inWordHash, endWordHash;
};

// The built-in word definition tables.
CharTable defaultJunkTable();
CharTable defaultStartWordTable();
CharTable defaultInWordTable();
CharTable defaultEndWordTable();

// General, display and default-import-path settings (operation codes above). Load and save
// operations ignore `setting` and `value`. Returns false for an unknown operation, a load whose
// record cannot be read or created, and a failed save. The Control file is opened through the
// file access layer, so a Control file that cannot be opened stops the program.
bool Konfig(Session& s, int operation, int setting, SettingValue& value);
bool Konfig(Session& s, int operation);

// The temporary directory (17) and the database top directory (18), up to 100 characters. A
// load applies both to the session's directories (defaults: archive root + "/TEMP" and the
// archive root; a default longer than the field stays unstored and is applied all the same)
// and creates the temporary directory when it is missing.
bool AutoPath(Session& s, int operation, int setting, std::string& text);
bool AutoPath(Session& s, int operation);

// The word search settings: the word index top directory (44, text; default the database top
// directory in use, so load the paths first) and the settings 49-55 (bytes) and 56 (number). A
// load also applies the directory to the session, loads the word definition tables from records
// 11-16 (all but the junk table; missing records are created from the tables in use) and sets
// the master index's option "FULLBUILD=OFF". A save writes record 10 and records 11-16.
bool WSVars(Session& s, int operation, int setting, SettingValue& value);
bool WSVars(Session& s, int operation);

// Window places (window 0-24) and list column widths (list 0-19). A set keeps the old value in
// place of each new one that is 2000 or more. A load creates the defaults record from the
// built-in places and the current record from the defaults record when they are missing. A
// window or list number out of range gives false.
bool WindowPos(Session& s, int operation, int window, WindowPlace& place);
bool WindowPos(Session& s, int operation);
bool WindowPos2(Session& s, int operation, int window, WindowPlace& place);
bool WindowPos2(Session& s, int operation);
bool ListCol(Session& s, int operation, int list, ColumnWidths& widths);
bool ListCol(Session& s, int operation);

// SpeedVal(s, 2) turns the speed settings 26-30 into work sizes (an unreadable setting, or one
// outside 1-7, gives the row's size for an unset speed; row 31 then keeps its size) and returns
// 1. SpeedVal(s, 3, row) returns the work size of row 26-31 (row 31: the second import and
// merge size), 0 for another row or operation.
int32_t SpeedVal(Session& s, int operation, int row = 0);

// The date format (setting 10) and time format (setting 13) in use: return the code and fill the
// text the Preferences show and the picture to format with; both empty for a code the format
// tables do not have.
int SetDate(Session& s, std::string& text, std::string& picture);
int SetTime(Session& s, std::string& text, std::string& picture);

// The short and long date and time forms of the user's locale as strftime patterns, taken from
// LC_ALL, LC_TIME or LANG. Without a locale (unset, "C" or "POSIX", or one the system does not
// have) the forms are ISO: "%Y-%m-%d" for both dates, "%H:%M" and "%H:%M:%S" for the times.
struct LocaleFormats {
  std::string name;  // the locale; empty for the ISO forms
  std::string shortDate, longDate, shortTime, longTime;
  std::shared_ptr<void> handle;  // the locale's handle for month and day names

  static LocaleFormats iso();
  static LocaleFormats named(const std::string& name);  // iso() when the system lacks it
};
// The user's locale, read once.
const LocaleFormats& userLocale();

// A day number or a time of day (hundredths of a second plus one) in a picture: "@D2"
// mm-dd-yyyy, "@D6" dd-mm-yyyy, "@D10" yyyy-mm-dd, "@D17"/"@D18" the locale's short/long date;
// "@T1" hh:mm, "@T3" hh:mm with AM or PM, "@T4" hh:mm:ss, "@T7"/"@T8" the locale's short/long
// time. No date or time (0), a negative value and an unknown picture give an empty text.
std::string formatDate(int32_t date, std::string_view picture,
                       const LocaleFormats& locale = userLocale());
std::string formatTime(int32_t time, std::string_view picture,
                       const LocaleFormats& locale = userLocale());

// A setting by number alone, through the accessor of whichever store holds it. getSetting
// loads the store when needed; setSetting sets and saves. Both return false, with `error`
// saying why, for a number no store holds, a value of the wrong kind or a text longer than
// the setting's width, and when the accessor fails.
bool getSetting(Session& s, int number, SettingValue& value, std::string& error);
bool setSetting(Session& s, int number, const SettingValue& value, std::string& error);

// The logic of the Preferences window, without its controls. The window opens with the values of
// every store, lets the user change them (nothing reaches the stores meanwhile), and on OK writes
// them through the accessors, saves the general, display, default import path, path and word
// search stores, makes changed directories the session's directories and reloads the speed
// table. Cancel leaves everything as it was.
class Preferences {
 public:
  explicit Preferences(Session& s) : s_(s) {}

  // Loads every store the window shows. False when one cannot be read.
  bool open();
  // A setting as the window shows it: the value stored, or the user's change.
  SettingValue value(int setting) const;
  void change(int setting, const SettingValue& v);

  // The controls that show a setting in another form than it is stored.
  bool showToolTips() const { return value(42).number == 0; }  // stored inverted
  void setShowToolTips(bool on) { change(42, {on ? 0 : 1, ""}); }
  // The locator delay as seconds with two decimals ("1.50" for 15 tenths); an entry that is
  // no number is ignored.
  std::string locatorDelaySeconds() const;
  void setLocatorDelaySeconds(std::string_view seconds);
  // The default message file type; none chosen is format 17.
  int32_t defaultFileType() const;

  // "Reset defaults": every window of both sets goes back to its default place.
  bool resetWindowPositions();

  // Writes every change and saves the stores. Directories are trimmed (they keep their case:
  // the file system tells letters apart) and take effect when they changed. False when a store
  // could not be saved (its message was shown); the changes stay pending for another try.
  bool ok();
  // Drops every change.
  void cancel() { changes_.clear(); }

 private:
  Session& s_;
  std::map<int, SettingValue> changes_;
};

}  // namespace qv
