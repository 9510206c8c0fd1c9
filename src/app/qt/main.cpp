// qvmain32: the windowed program. Finds the archive, runs the start-up and opens the frame.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QScreen>
#include <cstring>
#include <string>

#include "app/events.h"
#include "app/frame.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_runtime.h"
#include "app/qt/windows.h"
#include "storage/config.h"
#include "storage/session.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::string root;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--archive") == 0 && i + 1 < argc) root = argv[++i];
  }
  if (root.empty()) root = QDir::currentPath().toStdString();
  QDir().mkpath(QString::fromStdString(root));

  qv::QtRuntime runtime;
  runtime.setHelpDirectory(qv::helpDirectory());
  try {
    qv::Session session(root, runtime);
    bool firstRun = false;
    auto pathDialog = [](int which) {
      QString title = which == 1 ? QStringLiteral("Path to your data files")
                                 : QStringLiteral("Path to your word indexing files");
      return QFileDialog::getExistingDirectory(nullptr, title).toStdString();
    };
    if (!qv::startUp(session, pathDialog, firstRun)) return 1;

    qv::EventQueue events;
    qv::MainWindow frame(session, events);
    runtime.setMainWindow(&frame);
    qv::addWindows(frame, session, events);
    qv::SettingValue mode;
    qv::Konfig(session, 3, qv::kSetFrameMode, mode);
    qv::WindowPlace place{};
    if (mode.number != 1 && qv::WindowPos(session, 3, 2, place) && place[2] > 100 &&
        place[3] > 100) {
      frame.setGeometry(place[0], place[1], place[2], place[3]);
    } else if (mode.number != 1) {
      frame.resize(1000, 700);
    }
    qv::SettingValue tips;
    qv::Konfig(session, 8, 42, tips);
    qv::showToolTips(app, tips.number == 0);  // stored inverted
    if (mode.number == 1) {
      // Maximized also where no window manager does it.
      if (QScreen* screen = QGuiApplication::primaryScreen())
        frame.setGeometry(screen->availableGeometry());
      frame.showMaximized();
    } else
      frame.show();
    frame.frame().open(firstRun);
    int rc = app.exec();
    runtime.setMainWindow(nullptr);
    return rc;
  } catch (const qv::FatalStop&) {
    return 3;
  }
}
