// The configuration stores: defaults, round trips, layout on disk, failures, speeds and formats.
#include "storage/config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/headless_runtime.h"
#include "storage/archive.h"
#include "storage/dates.h"
#include "storage/records.h"
#include "storage/session.h"
#include "storage/text.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::TempDir;

constexpr int32_t kToday = 81234;

class ConfigTest : public ::testing::Test {
 protected:
  TempDir dir;
  HeadlessRuntime rt;

  void SetUp() override {
    rt.setThrowOnStop(true);
    auto s = session();
    std::string error;
    ASSERT_EQ(initArchive(*s, error), kStoreOk) << error;
  }

  std::string root() const { return dir.path().string(); }

  std::unique_ptr<Session> session() {
    auto s = std::make_unique<Session>(root(), rt);
    s->today = [] { return kToday; };
    return s;
  }

  // The raw Control record of `kind`, read by a session of its own.
  Control rawRecord(uint8_t kind) {
    auto s = session();
    std::string error;
    EXPECT_EQ(openNumbered(*s, kControl, false, error), kStoreOk) << error;
    StoreFile& f = *s->file(kControl);
    f.clear();
    f.rec<Control>().ID = kind;
    EXPECT_EQ(f.get(Control::IdKey), kStoreOk) << "record " << int(kind);
    return f.rec<Control>();
  }

  // Writes a raw Control record, replacing one of the same kind.
  void writeRaw(uint8_t kind, uint32_t counter, const std::array<uint8_t, 257>& group) {
    auto s = session();
    std::string error;
    ASSERT_EQ(openNumbered(*s, kControl, false, error), kStoreOk) << error;
    StoreFile& f = *s->file(kControl);
    f.clear();
    f.rec<Control>().ID = kind;
    if (f.get(Control::IdKey) == kStoreOk) {
      ASSERT_EQ(f.erase(), kStoreOk);
    }
    f.clear();
    f.rec<Control>().ID = kind;
    f.rec<Control>().NEXTNUMBER = counter;
    std::memcpy(f.rec<Control>().CTLGROUP, group.data(), group.size());
    ASSERT_EQ(f.add(), kStoreOk);
  }

  SettingValue get(Session& s, int setting) {
    SettingValue v;
    std::string error;
    EXPECT_TRUE(getSetting(s, setting, v, error)) << error;
    return v;
  }
};

int32_t longAt(const Control& r, size_t offset) {
  int32_t v;
  std::memcpy(&v, r.CTLGROUP + offset, 4);
  return v;
}

std::string textAt(const Control& r, size_t offset, size_t width) {
  return trimmed(reinterpret_cast<const char*>(r.CTLGROUP) + offset, width);
}

TEST_F(ConfigTest, NewArchiveGetsEveryDefault) {
  auto s = session();
  ASSERT_TRUE(AutoPath(*s, 1));
  ASSERT_TRUE(WSVars(*s, 1));
  const struct {
    int setting;
    int32_t number;
    std::string text;
  } cases[] = {
      {2, 1, ""},        {3, 15, ""},
      {5, kToday, ""},   {6, 0, ""},
      {10, 17, ""},      {12, 17, ""},
      {13, 7, ""},       {16, 2, ""},
      {21, 0, ""},       {63, 3, ""},
      {22, 255, ""},     {23, 12632256, ""},
      {24, 8388608, ""}, {27, 4, ""},
      {32, 0, ""},       {33, 8, "Arial"},
      {36, 8, "Arial"},  {38, 2, ""},
      {58, 78, ""},      {59, 1, ""},
      {14, 0, ""},       {17, 0, root() + "/TEMP"},
      {18, 0, root()},   {44, 0, root()},
      {49, 0, ""},       {51, 1, ""},
      {55, 1, ""},       {56, 10000, ""},
  };
  for (const auto& c : cases) {
    SettingValue v = get(*s, c.setting);
    EXPECT_EQ(v.number, c.number) << "setting " << c.setting;
    EXPECT_EQ(v.text, c.text) << "setting " << c.setting;
  }
  // The defaults are in the records on disk, where the layout table puts them.
  EXPECT_EQ(+rawRecord(1).NEXTNUMBER, 250000u);
  EXPECT_EQ(longAt(rawRecord(1), 12), kToday);        // setting 5
  EXPECT_EQ(longAt(rawRecord(1), 104), 3);            // setting 63
  EXPECT_EQ(longAt(rawRecord(9), 20), 4);             // setting 27
  EXPECT_EQ(textAt(rawRecord(9), 112, 20), "Arial");  // setting 36
  EXPECT_EQ(longAt(rawRecord(9), 132), 8);
  EXPECT_EQ(textAt(rawRecord(4), 100, 100), root());  // setting 18
  EXPECT_EQ(+rawRecord(10).CTLGROUP[102], 1);          // setting 51
  EXPECT_EQ(longAt(rawRecord(10), 107), 10000);       // setting 56
  EXPECT_EQ(+rawRecord(12).CTLGROUP[56], 1);  // start table byte 0 (record 12 from stream 200)
  EXPECT_TRUE(rt.shown().empty());
}

TEST_F(ConfigTest, ZeroSettingsTakeTheirDefaultsAndTheCounterItsFloor) {
  std::array<uint8_t, 257> zeros{};
  std::array<uint8_t, 257> display{};
  int32_t nameFormat = 1;  // setting 38: a choice, not a zero
  std::memcpy(display.data() + 140, &nameFormat, 4);
  writeRaw(1, 100, zeros);
  writeRaw(9, 0, display);
  auto s = session();
  ASSERT_TRUE(Konfig(*s, 1));
  ASSERT_TRUE(Konfig(*s, 6));
  EXPECT_EQ(get(*s, 10).number, 17);
  EXPECT_EQ(get(*s, 5).number, kToday);
  EXPECT_EQ(get(*s, 6).number, 0);  // no default database stays none
  EXPECT_EQ(get(*s, 26).number, 4);
  EXPECT_EQ(get(*s, 38).number, 1);
  EXPECT_EQ(get(*s, 32).number, 0);
  EXPECT_EQ(get(*s, 35).text, "Arial");
  EXPECT_EQ(get(*s, 35).number, 8);
  // The load wrote its repairs back.
  EXPECT_EQ(+rawRecord(1).NEXTNUMBER, 250000u);
  EXPECT_EQ(longAt(rawRecord(1), 32), 17);
  EXPECT_EQ(longAt(rawRecord(9), 140), 1);
  EXPECT_EQ(longAt(rawRecord(9), 16), 4);
}

TEST_F(ConfigTest, ACounterAboveTheFloorIsLeftAlone) {
  writeRaw(1, 300123, {});
  auto s = session();
  ASSERT_TRUE(Konfig(*s, 1));
  EXPECT_EQ(+rawRecord(1).NEXTNUMBER, 300123u);
}

TEST_F(ConfigTest, SetSaveReloadKeepsEachKindOfSetting) {
  const struct {
    int setting;
    int32_t number;
    std::string text;
  } cases[] = {
      {3, 25, ""},                          // general, number
      {21, 0, "twenty-five characters.."},  // general, text
      {20, 0, "fifteen chars.."},           // general, text beside it
      {27, 7, ""},                          // display, number
      {34, 11, "Times New Roman"},          // display, font
      {65, -5, ""},                         // display, last setting
      {14, 0, "/home/user/import"},         // default import path
      {17, 0, "/var/tmp/qv"},               // paths
      {18, 0, "/srv/archive"},              // paths
      {44, 0, "/srv/index"},                // word search, text
      {51, 0, ""},                          // word search, byte
      {56, 2500, ""},                       // word search, number
  };
  {
    auto s = session();
    for (const auto& c : cases) {
      std::string error;
      EXPECT_TRUE(setSetting(*s, c.setting, {c.number, c.text}, error))
          << "setting " << c.setting << ": " << error;
    }
  }
  auto s = session();
  for (const auto& c : cases) {
    SettingValue v = get(*s, c.setting);
    EXPECT_EQ(v.number, c.number) << "setting " << c.setting;
    EXPECT_EQ(v.text, c.text) << "setting " << c.setting;
  }
  // Neighbours are untouched.
  EXPECT_EQ(get(*s, 19).number, 0);
  EXPECT_EQ(get(*s, 61).number, 1);
  EXPECT_EQ(get(*s, 33).text, "Arial");
  EXPECT_EQ(get(*s, 52).number, 1);
  EXPECT_EQ(+rawRecord(1).NEXTNUMBER, 250000u);
}

TEST_F(ConfigTest, AccessorsTakeOnlyTheirOwnSettings) {
  auto s = session();
  SettingValue v;
  std::string text;
  const struct {
    std::function<void()> call;
    std::string text;
  } cases[] = {
      {[&] { Konfig(*s, 3, 22, v); }, "Internal Error - invalid xType =22"},
      {[&] { Konfig(*s, 7, 10, v); }, "Internal Error - invalid xType =10"},
      {[&] { Konfig(*s, 24, 12, v); }, "Internal Error - invalid xType =12"},
      {[&] { Konfig(*s, 2, 15, v); }, "Internal Error - invalid xType =15"},
      {[&] { AutoPath(*s, 2, 44, text); }, "Internal Error - invalid xType =44"},
      {[&] { WSVars(*s, 3, 17, v); }, "Internal Error - invalid xType =17"},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << "no stop for " << c.text;
    } catch (const FatalStop& stop) {
      EXPECT_EQ(stop.text, c.text);
      EXPECT_EQ(stop.title, "Internal Error");
    }
  }
  EXPECT_FALSE(Konfig(*s, 5));
  EXPECT_FALSE(Konfig(*s, 27));
}

TEST_F(ConfigTest, AControlFileOfAnotherLayoutStopsTheProgram) {
  const std::string path = root() + "/CFG/IDX008.TPS";
  {
    auto s = session();
    ASSERT_EQ(s->store().remove(path), kStoreOk);
    StoreFile other(s->store(), *fileDef(kSIndex));
    other.setPath(path);
    other.setPassword(kPasswordB);
    ASSERT_EQ(other.create(), kStoreOk);
  }
  auto s = session();
  try {
    Konfig(*s, 1);
    ADD_FAILURE() << "the settings were read from a file of another layout";
  } catch (const FatalStop& stop) {
    EXPECT_EQ(stop.title, " File Open Error - Invalid record declaration");
    EXPECT_EQ(stop.text, "The file " + path +
                             " cannot be opened\r\nas the file definition is incorrect.\r\n"
                             "Quorvane will terminate.");
  }
  EXPECT_FALSE(s->config.general.loaded);
}

TEST_F(ConfigTest, ASaveThatCannotHoldItsRecordSaysSo) {
  auto other = session();
  std::string error;
  ASSERT_TRUE(Konfig(*other, 6));
  ASSERT_EQ(openNumbered(*other, kControl, false, error), kStoreOk);
  StoreFile& held = *other->file(kControl);
  held.clear();
  held.rec<Control>().ID = 9;
  ASSERT_EQ(held.get(Control::IdKey), kStoreOk);
  ASSERT_EQ(held.hold(), kStoreOk);

  auto s = session();
  SettingValue v{6, ""};
  ASSERT_TRUE(Konfig(*s, 7, 27, v));
  EXPECT_FALSE(Konfig(*s, 9));
  ASSERT_EQ(rt.shown().size(), 1u);
  EXPECT_EQ(rt.shown()[0].text, textTableEntry(*s, 27));
  EXPECT_EQ(rt.shown()[0].title, textTableEntry(*s, 28));
  EXPECT_FALSE(rt.shown()[0].title.empty());

  rt.clearShown();
  s->taskMode = 2;
  EXPECT_FALSE(Konfig(*s, 9));
  EXPECT_TRUE(rt.shown().empty());
  EXPECT_EQ(s->taskLogLines().size(), 1u);

  held.release();
  EXPECT_TRUE(Konfig(*s, 9));
  EXPECT_EQ(longAt(rawRecord(9), 20), 6);
}

TEST_F(ConfigTest, PathsReachTheSession) {
  {
    auto s = session();
    std::string temp = root() + "/work/tmp/", top = root() + "/dbs";
    ASSERT_TRUE(AutoPath(*s, 2, 17, temp));
    ASSERT_TRUE(AutoPath(*s, 2, 18, top));
    ASSERT_TRUE(AutoPath(*s, 4));
  }
  auto s = session();
  ASSERT_TRUE(AutoPath(*s, 1));
  EXPECT_EQ(s->tempDir, root() + "/work/tmp");
  EXPECT_EQ(s->dbTopDir, root() + "/dbs");
  EXPECT_TRUE(std::filesystem::is_directory(s->tempDir));
  // A new word search record starts at the database top directory in use.
  ASSERT_TRUE(WSVars(*s, 1));
  EXPECT_EQ(s->wordIndexTopDir, root() + "/dbs");
}

TEST_F(ConfigTest, ADefaultPathTooLongForItsFieldStillApplies) {
  const std::string deep = root() + "/" + std::string(60, 'd') + "/" + std::string(40, 'e');
  std::filesystem::create_directories(deep + "/CFG");
  Session s(deep, rt);
  std::string error;
  ASSERT_EQ(initArchive(s, error), kStoreOk) << error;
  ASSERT_TRUE(AutoPath(s, 1));
  EXPECT_EQ(s.tempDir, deep + "/TEMP");
  EXPECT_TRUE(std::filesystem::is_directory(deep + "/TEMP"));
  std::string text;
  ASSERT_TRUE(AutoPath(s, 3, 17, text));
  EXPECT_EQ(text, deep + "/TEMP");
}

TEST_F(ConfigTest, WordDefinitionIsStoredExceptTheNumberCharacters) {
  {
    auto s = session();
    ASSERT_TRUE(WSVars(*s, 1));
    s->config.startWordHash['_'] = 0;
    s->config.inWordHash['-'] = 0;
    s->config.endWordHash[255] = 1;
    s->config.isJunkHash['7'] = 0;
    ASSERT_TRUE(WSVars(*s, 4));
  }
  auto s = session();
  ASSERT_TRUE(WSVars(*s, 1));
  EXPECT_EQ(s->config.startWordHash['_'], 0);
  EXPECT_EQ(s->config.inWordHash['-'], 0);
  EXPECT_EQ(s->config.endWordHash[255], 1);
  EXPECT_EQ(s->config.isJunkHash['7'], 1);
  EXPECT_EQ(s->config.startWordHash['.'], 1);
  EXPECT_EQ(s->config.inWordHash['.'], 0);
}

TEST_F(ConfigTest, WindowPlacesKeepOldValuesForHugeOnesAndReset) {
  auto s = session();
  WindowPlace p{};
  ASSERT_TRUE(WindowPos(*s, 3, 24, p));
  const WindowPlace builtIn = p;
  WindowPlace wanted{100, 2000, 5000, 1999};
  ASSERT_TRUE(WindowPos(*s, 2, 24, wanted));
  ASSERT_TRUE(WindowPos(*s, 4));
  WindowPlace second{-20, 30, 300, 200};
  ASSERT_TRUE(WindowPos2(*s, 2, 0, second));
  ASSERT_TRUE(WindowPos2(*s, 4));
  ColumnWidths widths{10, 2000, 30, 40, 50};
  ASSERT_TRUE(ListCol(*s, 2, 19, widths));
  ASSERT_TRUE(ListCol(*s, 4));
  EXPECT_FALSE(WindowPos(*s, 3, 25, p));
  EXPECT_FALSE(ListCol(*s, 3, 20, widths));

  auto again = session();
  ASSERT_TRUE(WindowPos(*again, 3, 24, p));
  EXPECT_EQ(p, (WindowPlace{100, builtIn[1], builtIn[2], 1999}));
  ASSERT_TRUE(WindowPos2(*again, 3, 0, p));
  EXPECT_EQ(p, second);
  ColumnWidths got{};
  ASSERT_TRUE(ListCol(*again, 3, 19, got));
  EXPECT_EQ(got[0], 10);
  EXPECT_NE(got[1], 2000);
  EXPECT_EQ(got[4], 50);

  ASSERT_TRUE(WindowPos(*again, 5));
  ASSERT_TRUE(WindowPos(*again, 3, 24, p));
  EXPECT_EQ(p, builtIn);
  // The reset reached the record; the second set is a set of its own.
  auto third = session();
  ASSERT_TRUE(WindowPos(*third, 3, 24, p));
  EXPECT_EQ(p, builtIn);
  ASSERT_TRUE(WindowPos2(*third, 3, 0, p));
  EXPECT_EQ(p, second);
}

TEST_F(ConfigTest, SpeedChoicesBecomeWorkSizes) {
  const struct {
    int speed;  // stored in settings 26-30 alike
    int32_t duplicates, countPurge, indexing, find, import, import2;
  } cases[] = {
      {1, 50, 50, 1, 1, 8, 10},
      {4, 500, 275, 10, 10, 50, 25},
      {7, 1250, 700, 40, 40, 100, 50},
      {9, 500, 300, 4, 4, 4, 50},  // unreadable: the sizes of an unset speed, row 31 as before
  };
  auto s = session();
  for (const auto& c : cases) {
    for (int setting = 26; setting <= 30; ++setting) {
      SettingValue v{c.speed, ""};
      ASSERT_TRUE(Konfig(*s, 7, setting, v));
    }
    EXPECT_EQ(SpeedVal(*s, 2), 1);
    const int32_t expected[] = {c.duplicates, c.countPurge, c.indexing,
                                c.find,       c.import,     c.import2};
    for (int row = 26; row <= 31; ++row)
      EXPECT_EQ(SpeedVal(*s, 3, row), expected[row - 26]) << "speed " << c.speed << " row " << row;
  }
  EXPECT_EQ(SpeedVal(*s, 3, 25), 0);
  EXPECT_EQ(SpeedVal(*s, 3, 32), 0);
}

TEST_F(ConfigTest, ANewArchiveRunsAtSpeedFour) {
  auto s = session();
  ASSERT_EQ(SpeedVal(*s, 2), 1);
  EXPECT_EQ(SpeedVal(*s, 3, 27), 275);
  EXPECT_EQ(SpeedVal(*s, 3, 30), 50);
}

TEST_F(ConfigTest, DateAndTimeFormatCodesGiveTextAndPicture) {
  const struct {
    int setting, code;
    std::string text, picture;
  } cases[] = {
      {10, 2, "mm-dd-yyyy", "@D2"},
      {10, 6, "dd-mm-yyyy", "@D6"},
      {10, 10, "yyyy-mm-dd", "@D10"},
      {10, 17, "Windows setting", "@D17"},
      {10, 3, "", ""},
      {13, 1, "hh:mm", "@T1"},
      {13, 3, "hh:mmXM", "@T3"},
      {13, 7, "Windows setting", "@T7"},
      {13, 2, "", ""},
  };
  auto s = session();
  for (const auto& c : cases) {
    SettingValue v{c.code, ""};
    ASSERT_TRUE(Konfig(*s, 2, c.setting, v));
    std::string text = "x", picture = "x";
    int code = c.setting == 10 ? SetDate(*s, text, picture) : SetTime(*s, text, picture);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(text, c.text) << "code " << c.code;
    EXPECT_EQ(picture, c.picture) << "code " << c.code;
  }
}

TEST_F(ConfigTest, PreferencesSaveOnOkOnly) {
  auto s = session();
  Preferences prefs(*s);
  ASSERT_TRUE(prefs.open());
  EXPECT_EQ(prefs.locatorDelaySeconds(), "1.50");
  EXPECT_TRUE(prefs.showToolTips());
  EXPECT_EQ(prefs.defaultFileType(), 17);

  prefs.setShowToolTips(false);
  prefs.setLocatorDelaySeconds("0.3");
  prefs.setLocatorDelaySeconds("soon");  // not a number: ignored
  prefs.change(27, {1, ""});
  prefs.change(17, {0, "  " + root() + "/Spool  "});
  prefs.change(44, {0, root() + "/Index/"});
  EXPECT_EQ(prefs.value(42).number, 1);
  prefs.cancel();
  EXPECT_EQ(prefs.value(42).number, 0);
  EXPECT_EQ(longAt(rawRecord(9), 156), 0);

  prefs.setShowToolTips(false);
  prefs.setLocatorDelaySeconds("0.3");
  prefs.change(27, {1, ""});
  prefs.change(17, {0, "  " + root() + "/Spool  "});
  prefs.change(44, {0, root() + "/Index/"});
  ASSERT_TRUE(prefs.ok());
  EXPECT_EQ(s->tempDir, root() + "/Spool");
  EXPECT_TRUE(std::filesystem::is_directory(root() + "/Spool"));
  EXPECT_EQ(s->wordIndexTopDir, root() + "/Index");
  EXPECT_EQ(SpeedVal(*s, 3, 27), 50);

  auto again = session();
  Preferences reopened(*again);
  ASSERT_TRUE(reopened.open());
  EXPECT_FALSE(reopened.showToolTips());
  EXPECT_EQ(reopened.locatorDelaySeconds(), "0.30");
  EXPECT_EQ(reopened.value(17).text, root() + "/Spool");
  EXPECT_EQ(again->tempDir, root() + "/Spool");
}

TEST(DisplayFormats, DatesAndTimesInEachPicture) {
  const int32_t date = dateFromYmd(2003, 7, 4);
  const int32_t evening = timeFromHms(21, 5, 9, 50);
  const LocaleFormats iso = LocaleFormats::iso();
  const struct {
    std::string picture;
    std::string shown;
  } dates[] = {
      {"@D2", "07-04-2003"},  {"@D6", "04-07-2003"},  {"@D10", "2003-07-04"},
      {"@D17", "2003-07-04"}, {"@D18", "2003-07-04"}, {"@D99", ""},
  };
  for (const auto& c : dates) EXPECT_EQ(formatDate(date, c.picture, iso), c.shown) << c.picture;
  const struct {
    int32_t time;
    std::string picture;
    std::string shown;
  } times[] = {
      {evening, "@T1", "21:05"},
      {evening, "@T3", "09:05PM"},
      {timeFromHms(0, 30, 0), "@T3", "12:30AM"},
      {timeFromHms(12, 0, 0), "@T3", "12:00PM"},
      {evening, "@T4", "21:05:09"},
      {evening, "@T7", "21:05"},
      {evening, "@T8", "21:05:09"},
      {1, "@T1", "00:00"},
      {0, "@T1", ""},
      {evening, "", ""},
  };
  for (const auto& c : times)
    EXPECT_EQ(formatTime(c.time, c.picture, iso), c.shown) << c.picture << " " << c.time;
  EXPECT_EQ(formatDate(0, "@D10", iso), "");
  EXPECT_EQ(formatDate(4, "@D6", iso), "01-01-1801");
}

TEST(DisplayFormats, WithoutALocaleTheSystemFormsAreIso) {
  for (std::string name : {"", "C", "POSIX", "xx_NOWHERE.UTF-8"}) {
    LocaleFormats f = LocaleFormats::named(name);
    EXPECT_EQ(f.name, "") << name;
    EXPECT_EQ(f.shortDate, "%Y-%m-%d") << name;
    EXPECT_EQ(f.shortTime, "%H:%M") << name;
  }
}

}  // namespace
}  // namespace qv
