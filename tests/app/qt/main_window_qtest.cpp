// The frame window under the offscreen Qt platform: its menus and toolbar come from the frame's
// table, and a click reaches the frame's logic.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QToolBar>
#include <memory>

#include "app/events.h"
#include "app/frame.h"
#include "app/headless_runtime.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_runtime.h"
#include "storage/session.h"
#include "support/temp_dir.h"

// Under the leak checker: fontconfig, which Qt loads, keeps a cache it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace qv {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "qv_qt_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }

  void SetUp() override {
    runtime.setThrowOnStop(true);
    s = std::make_unique<Session>(dir.path().string(), runtime);
    bool firstRun = false;
    ASSERT_TRUE(startUp(*s, nullptr, firstRun));
    window = std::make_unique<MainWindow>(*s, events);
  }

  // Runs the event loop until `done` or a second has passed.
  static void waitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  test::TempDir dir;
  HeadlessRuntime runtime;
  std::unique_ptr<Session> s;
  EventQueue events;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, MenusAndToolbarCarryTheFrameTexts) {
  window->frame().open(false);
  EXPECT_EQ(
      window->windowTitle(),
      QStringLiteral(" Quorvane Mail, Forum & Newsgroup Message Archiver [No Active Database]"));
  QAction* exit = window->action(menu::kExit);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), QStringLiteral("E&xit Quorvane"));
  EXPECT_EQ(exit->statusTip(), QStringLiteral("Exit Quorvane"));
  EXPECT_TRUE(exit->isEnabled());
  EXPECT_FALSE(window->action(menu::kChangeDb)->isEnabled());
  ASSERT_NE(window->menu(menu::kTaskManager), nullptr);
  EXPECT_EQ(window->menu(menu::kTaskManager)->actions().size(), 3);

  QAction* prefs = window->action(-103);
  ASSERT_NE(prefs, nullptr);
  EXPECT_EQ(prefs->toolTip(), QStringLiteral("User defineable settings"));
  EXPECT_EQ(prefs->statusTip(), QStringLiteral("User definable settings"));
  EXPECT_TRUE(window->toolBar()->actions().contains(prefs));
}

TEST_F(MainWindowTest, AClickStartsTheToolThroughTheFrame) {
  window->frame().open(false);
  int opened = 0;
  window->addWindow("UserPanel", [&](int) {
    ++opened;
    events.post(kFrameName, frame_event::kToolFinished);
    return true;
  });
  window->action(-103)->trigger();
  EXPECT_EQ(opened, 0);  // deferred until the menu has closed
  waitFor([&] { return opened == 1 && events.pending() == 0; });
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(window->action(menu::kPreferences)->isEnabled());
}

TEST_F(MainWindowTest, CloseBoxIsRefusedWhileIndexingElseTheFrameCloses) {
  window->frame().open(false);
  window->show();
  window->frame().indexingInProgress = true;
  window->close();
  waitFor([] { return false; });
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(runtime.shown().size(), 1u);
  EXPECT_EQ(runtime.shown()[0].title, "Exit Not Allowed");

  window->frame().indexingInProgress = false;
  window->action(menu::kExit)->trigger();
  waitFor([&] { return !window->isVisible(); });
  EXPECT_FALSE(window->isVisible());
}

TEST(QtRuntimeText, LineBreaksAndCodePage) {
  EXPECT_EQ(messageText("One|Two\r\nThree"), QStringLiteral("One\nTwo\nThree"));
  EXPECT_EQ(fromCp("caf\xe9 \x80"), QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"));
  EXPECT_EQ(toCp(QString::fromUtf8("\xc3\xa9\xe4\xb8\xad")), std::string("\xe9?"));
}

}  // namespace
}  // namespace qv
