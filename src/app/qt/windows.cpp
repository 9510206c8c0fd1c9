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
#include "storage/session.h"

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
  (void)s;
  (void)events;
  frame.addWindow("About", [&frame](int) {
    AboutDialog about(&frame);
    about.exec();
    return true;
  });
}

}  // namespace qv
