// The windows the frame of qvmain32 can start.
#include "app/qt/windows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>

#include "app/frame.h"
#include "app/qt/main_window.h"
#include "app/ui/about_dialog.h"
#include "databases/ui/database_windows.h"
#include "storage/config.h"
#include "storage/session.h"
#include "storage/settings_table.h"
#include "storage/ui/preferences_dialog.h"

namespace qv {

namespace {

class ToolTipFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::ToolTip; }
};

}  // namespace

QString helpDirectory() {
  // Installed beside the program, else the source tree's pages.
  QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help"));
  if (QFileInfo(beside).isDir()) return beside;
  return QStringLiteral(QV_HELP_DIR);
}

void showToolTips(QApplication& app, bool on) {
  static ToolTipFilter* filter = nullptr;
  if (!on && !filter) {
    filter = new ToolTipFilter(&app);
    app.installEventFilter(filter);
  } else if (on && filter) {
    app.removeEventFilter(filter);
    delete filter;
    filter = nullptr;
  }
}

void addWindows(MainWindow& frame, Session& s, EventQueue& events) {
  frame.addWindow("About", [&frame](int) {
    AboutDialog about(&frame);
    about.exec();
    return true;
  });
  // The database selection: the choice becomes the active database and the last one used.
  frame.addWindow("ChangeForum", [&frame, &s, &events](int) {
    s.runtime().registerWindow("ChangeForum", "NotToolsGroup");
    DatabaseSelectionDialog selection(s, 0, kDbNone, &frame);
    selection.exec();
    s.runtime().unregisterWindow("ChangeForum");
    if (selection.choice().made && SelectDatabase(s, selection.choice().id)) {
      SettingValue v{static_cast<int32_t>(s.dbId), ""};
      Konfig(s, 2, kSetDefaultDatabase, v);
      Konfig(s, 4);
    }
    events.post(kFrameName, frame_event::kDatabaseChanged);
    return true;
  });
  frame.addWindow("UserPanel", [&frame, &s, &events](int) {
    s.runtime().registerWindow("UserPanel", "NotToolsGroup");
    PreferencesDialog preferences(s, &frame);
    if (preferences.opened()) preferences.exec();
    s.runtime().unregisterWindow("UserPanel");
    SettingValue tips;
    Konfig(s, 8, 42, tips);
    showToolTips(*qApp, tips.number == 0);
    frame.showWallpaper();
    events.post(kFrameName, frame_event::kToolFinished);
    return true;
  });
  frame.addWindow("BrowseBox", [&frame, &s, &events](int) {
    s.runtime().registerWindow("BrowseBox", "NotToolsGroup");
    MailSetupDialog mail(s, 1, &frame);
    mail.exec();
    s.runtime().unregisterWindow("BrowseBox");
    events.post(kFrameName, frame_event::kToolFinished);
    return true;
  });
}

}  // namespace qv
