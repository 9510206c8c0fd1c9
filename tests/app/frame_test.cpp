// The frame's logic: start-up, the active database, enabling, tool starts and exit.
#include "app/frame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/events.h"
#include "app/headless_runtime.h"
#include "app/semafore.h"
#include "databases/databases.h"
#include "storage/config.h"
#include "storage/session.h"
#include "storage/settings_table.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

using test::TempDir;

class FrameTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string root = dir.path().string();
  HeadlessRuntime runtime;
  std::unique_ptr<Session> s;
  EventQueue events;
  std::unique_ptr<Frame> frame;
  std::vector<std::string> started;  // windows the frame asked to start
  std::set<std::string> existing = {"ChangeForum", "UserPanel", "StartUpWizard"};
  bool closedDown = false;
  bool firstRun = false;

  void SetUp() override {
    runtime.setThrowOnStop(true);
    newSession();
  }

  void newSession() {
    frame.reset();
    s = std::make_unique<Session>(root, runtime);
  }

  // Runs the start-up and opens the frame.
  bool start(std::function<std::string(int)> pathDialog = nullptr) {
    if (!startUp(*s, pathDialog, firstRun)) return false;
    frame = std::make_unique<Frame>(*s, events);
    frame->setWindowStarter([this](const std::string& name, int) {
      started.push_back(name);
      return existing.count(name) != 0;
    });
    frame->onCloseDown = [this] { closedDown = true; };
    frame->open(firstRun);
    events.deliverAll();
    return true;
  }

  uint32_t addForum(const std::string& name) {
    AddForumDatabase add(*s);
    EXPECT_TRUE(add.save(name));
    return add.lastId();
  }

  void setSetting(int number, int32_t value) {
    SettingValue v{value, ""};
    ASSERT_TRUE(Konfig(*s, 2, number, v));
    ASSERT_TRUE(Konfig(*s, 4));
  }
};

TEST(FrameMenus, ControlNumbersAreUniqueAndButtonsActAsExistingItems) {
  std::set<int> ids;
  for (const MenuEntry& e : frameMenus()) {
    EXPECT_LT(e.id, 0) << e.text;
    EXPECT_TRUE(ids.insert(e.id).second) << e.text;
  }
  for (const ToolButton& b : frameToolbar()) {
    EXPECT_TRUE(ids.insert(b.id).second) << b.status;
    if (b.menuId != 0) {
      EXPECT_NE(findMenuEntry(b.menuId), nullptr) << b.status;
    }
  }
  EXPECT_STREQ(findMenuEntry(menu::kExit)->text, "E&xit Quorvane");
  EXPECT_STREQ(findMenuEntry(menu::kStatus)->text, "Message Stat&us");
  EXPECT_STREQ(findToolButton(-103)->tooltip, "User defineable settings");
}

TEST_F(FrameTest, FirstRunOpensWithoutDatabaseAndStartsTheWizard) {
  ASSERT_TRUE(start());
  EXPECT_TRUE(firstRun);
  EXPECT_TRUE(runtime.shown().empty());
  EXPECT_EQ(frame->title(),
            " Quorvane Mail, Forum & Newsgroup Message Archiver [No Active Database]");
  EXPECT_EQ(started, std::vector<std::string>{"StartUpWizard"});
  SettingValue version;
  ASSERT_TRUE(Konfig(*s, 3, kSetVersion, version));
  EXPECT_EQ(version.number, 462);

  // Without a database only the import, preferences, set-up and task items and exit work.
  for (int id :
       {menu::kImport, menu::kPreferences, menu::kRebuild, menu::kMailSetup, menu::kTaskManager,
        menu::kDefineBatches, menu::kShowTaskLog, menu::kSearchWizard, menu::kExit, -101, -103})
    EXPECT_TRUE(frame->enabled(id)) << id;
  for (int id :
       {menu::kChangeDb, menu::kMerge, menu::kRedirect, menu::kPrintSetup, menu::kPersonBrowse,
        menu::kBrowseMessages, menu::kCount, menu::kWordList, -102, -108, -121})
    EXPECT_FALSE(frame->enabled(id)) << id;

  // A second start is no first run and asks nothing.
  newSession();
  started.clear();
  ASSERT_TRUE(start());
  EXPECT_FALSE(firstRun);
  EXPECT_TRUE(started.empty());
  EXPECT_TRUE(runtime.shown().empty());
}

TEST_F(FrameTest, OldConfigurationIsUpgradedWithAMessage) {
  ASSERT_TRUE(start());
  WindowPlace moved{1, 2, 300, 400};
  ASSERT_TRUE(WindowPos(*s, 2, 5, moved));
  ASSERT_TRUE(WindowPos(*s, 4));
  setSetting(kSetVersion, 0);
  newSession();
  ASSERT_TRUE(start());
  EXPECT_FALSE(firstRun);
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].title, "Upgrading to version 4.62");
  WindowPlace place{};
  ASSERT_TRUE(WindowPos(*s, 3, 5, place));
  EXPECT_EQ(place, s->config.windows.defaults[5]);
  EXPECT_NE(place, moved);
}

TEST_F(FrameTest, MissingDataPathAsksAndCancellingEndsTheStart) {
  ASSERT_TRUE(start());
  std::string gone = root + "/nowhere";
  ASSERT_TRUE(AutoPath(*s, 2, kSetDbTopDir, gone));
  ASSERT_TRUE(AutoPath(*s, 4));
  newSession();
  int asked = 0;
  EXPECT_FALSE(start([&](int which) {
    asked = which;
    return std::string();
  }));
  EXPECT_EQ(asked, 1);
  ASSERT_FALSE(runtime.shown().empty());
  EXPECT_EQ(runtime.shown()[0].title, "Path not found!");

  // Given a directory, the start goes on and keeps it.
  newSession();
  fs::create_directories(root + "/data");
  ASSERT_TRUE(start([&](int) { return root + "/data"; }));
  EXPECT_EQ(s->dbTopDir, root + "/data");
}

TEST_F(FrameTest, LastActiveDatabaseBecomesActiveElseTheFirstThatCanBeEntered) {
  ASSERT_TRUE(start());
  uint32_t a = addForum("Alpha");
  uint32_t b = addForum("Beta");
  setSetting(kSetDefaultDatabase, static_cast<int32_t>(b));
  std::string betaDir = s->dbTopDir + "/" + s->dbDirName;

  newSession();
  ASSERT_TRUE(start());
  EXPECT_EQ(s->dbId, b);
  EXPECT_EQ(frame->title(), " Quorvane Mail, Forum & Newsgroup Message Archiver [Beta]");
  EXPECT_EQ(frame->text(menu::kPersons), "Forum Mem&bers");
  EXPECT_EQ(frame->toolTip(-105), "Browse Forum members");

  fs::remove_all(betaDir);
  newSession();
  ASSERT_TRUE(start());
  EXPECT_EQ(s->dbId, a);
  EXPECT_EQ(frame->title(), " Quorvane Mail, Forum & Newsgroup Message Archiver [Alpha]");
  SettingValue last;
  ASSERT_TRUE(Konfig(*s, 3, kSetDefaultDatabase, last));
  EXPECT_EQ(static_cast<uint32_t>(last.number), a);
}

TEST_F(FrameTest, MessageItemsFollowTheBrowseAndTaskModeOneIgnoresCommands) {
  ASSERT_TRUE(start());
  addForum("Alpha");
  events.post(kFrameName, frame_event::kDatabaseChanged);
  events.deliverAll();
  started.clear();  // the start-up wizard of the first run
  ASSERT_NE(s->dbId, 0u);
  for (int id : {menu::kChangeDb, menu::kCount, menu::kWordList, menu::kBrowseMessages, -102, -121})
    EXPECT_TRUE(frame->enabled(id)) << id;
  EXPECT_FALSE(frame->enabled(menu::kStandardSearch));
  EXPECT_FALSE(frame->enabled(-116));
  events.post(kFrameName, frame_event::kBrowseActive);
  events.deliverAll();
  EXPECT_TRUE(frame->enabled(menu::kStandardSearch));
  EXPECT_TRUE(frame->enabled(menu::kThreadTree));
  EXPECT_TRUE(frame->enabled(-116));
  events.post(kFrameName, frame_event::kToolbarOff);
  events.deliverAll();
  EXPECT_FALSE(frame->enabled(-116));
  EXPECT_TRUE(frame->enabled(menu::kStandardSearch));

  s->taskMode = 1;
  frame->command(menu::kChangeDb);
  events.deliverAll();
  EXPECT_TRUE(started.empty());
}

TEST_F(FrameTest, ToolClosesConflictingWindowsFirstThenStarts) {
  ASSERT_TRUE(start());
  addForum("Alpha");
  events.post(kFrameName, frame_event::kDatabaseChanged);
  events.deliverAll();
  started.clear();  // the start-up wizard of the first run

  // Open windows close on request, in the order the frame asks.
  std::vector<std::string> closed;
  for (auto [name, group] : {std::pair{"Find", "FindGroup"}, {"BrowseMsgNmbr", "NotToolsGroup"}}) {
    runtime.registerWindow(name, group);
    std::string n = name;
    events.setHandler(n, [this, n, &closed](int code, int64_t) {
      if (code != kEventCloseRequest) return;
      closed.push_back(n);
      runtime.unregisterWindow(n);
    });
  }
  frame->command(menu::kChangeDb);
  EXPECT_TRUE(started.empty());  // deferred until the menu has closed
  events.deliverAll();
  EXPECT_EQ(closed, (std::vector<std::string>{"Find", "BrowseMsgNmbr"}));
  EXPECT_EQ(started, std::vector<std::string>{"ChangeForum"});
  // While the tool runs only exit is usable.
  EXPECT_TRUE(frame->enabled(menu::kExit));
  EXPECT_FALSE(frame->enabled(menu::kImport));
  events.post(kFrameName, frame_event::kDatabaseChanged);
  events.deliverAll();
  EXPECT_TRUE(frame->enabled(menu::kImport));

  // A tool this program does not have leaves the frame as it was.
  started.clear();
  frame->command(menu::kImport);
  events.deliverAll();
  EXPECT_EQ(started, std::vector<std::string>{"ImportMeny"});
  EXPECT_TRUE(frame->enabled(menu::kCount));
  EXPECT_EQ(frame->title(), " Quorvane Mail, Forum & Newsgroup Message Archiver [Alpha]");

  // Browse commands go to the open browse only.
  frame->command(menu::kExportMessages);
  EXPECT_EQ(events.pending(), 0u);
}

TEST_F(FrameTest, RemovedDatabaseLeavesItsDirectoryOnlyWhenDataFilesRemain) {
  ASSERT_TRUE(start());
  addForum("Alpha");
  events.post(kFrameName, frame_event::kDatabaseChanged);
  events.deliverAll();
  std::string alphaDir = s->dbTopDir + "/" + s->dbDirName;
  ASSERT_TRUE(fs::is_directory(alphaDir));

  // Data files still there: the directory stays, the frame shows no database meanwhile.
  events.post(kFrameName, frame_event::kDatabaseRemoved);
  EXPECT_EQ(events.deliverOne(), true);
  EXPECT_FALSE(frame->enabled(menu::kImport));
  EXPECT_FALSE(frame->enabled(-101));
  events.deliverAll();
  EXPECT_TRUE(fs::is_directory(alphaDir));

  // Only other files left: the directory goes, and with it the database.
  for (const auto& e : fs::directory_iterator(alphaDir)) fs::remove(e.path());
  test::writeFile(alphaDir + "/notes.txt", "x");
  events.post(kFrameName, frame_event::kDatabaseRemoved);
  events.deliverAll();
  EXPECT_FALSE(fs::exists(alphaDir));
  EXPECT_EQ(s->dbId, 0u);
  EXPECT_EQ(frame->title(),
            " Quorvane Mail, Forum & Newsgroup Message Archiver [No Active Database]");
  EXPECT_TRUE(frame->enabled(menu::kImport));
}

TEST_F(FrameTest, ExitIsRefusedWhileIndexing) {
  ASSERT_TRUE(start());
  frame->indexingInProgress = true;
  EXPECT_FALSE(frame->requestExit());
  events.deliverAll();
  EXPECT_FALSE(closedDown);
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].title, "Exit Not Allowed");
  EXPECT_EQ(runtime.shown()[0].text,
            "You May NOT Exit until Indexing Is Done.|This is to Avoid Corruption.");

  // A finished task ends the program only when the Preferences say so.
  events.post(kFrameName, frame_event::kTaskEnded);
  events.deliverAll();
  EXPECT_FALSE(closedDown);
  std::string error;
  ASSERT_TRUE(qv::setSetting(*s, kSetExitAfterTask, {1, ""}, error)) << error;
  events.post(kFrameName, frame_event::kTaskEnded);
  events.deliverAll();
  EXPECT_FALSE(closedDown);  // still indexing

  frame->indexingInProgress = false;
  runtime.registerWindow("ImportRun", "ImportGroup");
  events.setHandler("ImportRun", [this](int code, int64_t) {
    if (code == kEventCloseRequest) runtime.unregisterWindow("ImportRun");
  });
  frame->command(menu::kExit);
  events.deliverAll();
  EXPECT_FALSE(runtime.windowOpen("ImportRun"));
  EXPECT_TRUE(closedDown);
}

TEST_F(FrameTest, SemaForeStartsOnlyRegisteredProcedures) {
  SemaForeTable table;
  int calls = 0;
  table.add(kSemaTaskLog, [&](Session&) { ++calls; });
  EXPECT_EQ(SemaFore(table, *s, kSemaTaskLog), 1);
  EXPECT_EQ(SemaFore(table, *s, kSemaIdentifierCheck), 0);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace qv
