// The frame window.
#include "app/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "app/qt/qt_runtime.h"
#include "storage/config.h"
#include "storage/session.h"

namespace qv {

namespace {

// Standard icons standing in for the toolbar pictures, by button.
QStyle::StandardPixmap buttonIcon(int id) {
  switch (id) {
    case -101:
      return QStyle::SP_ArrowDown;
    case -102:
      return QStyle::SP_DriveHDIcon;
    case -103:
      return QStyle::SP_FileDialogDetailedView;
    case -104:
      return QStyle::SP_BrowserReload;
    case -105:
      return QStyle::SP_DirHomeIcon;
    case -106:
      return QStyle::SP_DialogApplyButton;
    case -107:
      return QStyle::SP_DialogSaveButton;
    case -108:
      return QStyle::SP_FileDialogInfoView;
    case -109:
      return QStyle::SP_TrashIcon;
    case -110:
      return QStyle::SP_FileDialogListView;
    case -111:
      return QStyle::SP_DriveFDIcon;
    case -112:
      return QStyle::SP_FileIcon;
    case -113:
      return QStyle::SP_FileLinkIcon;
    case -114:
      return QStyle::SP_FileDialogContentsView;
    case -115:
      return QStyle::SP_ComputerIcon;
    case -116:
      return QStyle::SP_FileDialogStart;
    case -117:
      return QStyle::SP_FileDialogToParent;
    case -118:
      return QStyle::SP_DialogCloseButton;
    case -121:
      return QStyle::SP_MediaSkipBackward;
    case -122:
      return QStyle::SP_MediaSeekBackward;
    case -123:
      return QStyle::SP_ArrowLeft;
    case -124:
      return QStyle::SP_ArrowRight;
    case -125:
      return QStyle::SP_MediaSeekForward;
    case -126:
      return QStyle::SP_MediaSkipForward;
    case -127:
      return QStyle::SP_ArrowBack;
    case -128:
      return QStyle::SP_FileDialogListView;
    default:
      return QStyle::SP_ArrowForward;
  }
}

}  // namespace

MainWindow::MainWindow(Session& s, EventQueue& events)
    : s_(s), events_(events), frame_(s, events), mdi_(new QMdiArea(this)) {
  setCentralWidget(mdi_);
  events_.onPosted = [this] {
    if (deliveryScheduled_) return;
    deliveryScheduled_ = true;
    // A short pause: a command that waits for windows to close reposts itself until they have.
    QTimer::singleShot(5, this, [this] { deliverQueued(); });
  };
  frame_.setWindowStarter([this](const std::string& name, int code) {
    auto it = openers_.find(name);
    return it != openers_.end() && it->second(code);
  });
  frame_.onChanged = [this] { sync(); };
  frame_.onCloseDown = [this] {
    closing_ = true;
    close();
  };
  frame_.onWindowList = [this] { mdi_->tileSubWindows(); };
  frame_.onNavigate = [this](int code) {
    if (QMdiSubWindow* w = mdi_->activeSubWindow()) {
      QWidget* doc = w->widget();
      QMetaObject::invokeMethod(doc, "navigate", Qt::QueuedConnection, Q_ARG(int, code));
    }
  };
  build();
  showWallpaper();
  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, [this] { showClock(); });
  clock_->start(1000);
  showClock();
  sync();
}

MainWindow::~MainWindow() {
  events_.onPosted = nullptr;
}

void MainWindow::deliverQueued() {
  deliveryScheduled_ = false;
  size_t n = events_.pending();
  // Only what was queued before this turn; what it posts waits for the next one.
  for (size_t i = 0; i < n; ++i) events_.deliverOne();
  if (events_.pending() != 0 && events_.onPosted) events_.onPosted();
}

QAction* MainWindow::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::menu(int id) const {
  auto it = menus_.find(id);
  return it == menus_.end() ? nullptr : it->second;
}

void MainWindow::build() {
  QMenu* top = nullptr;
  QMenu* sub = nullptr;
  for (const MenuEntry& e : frameMenus()) {
    QString text = QString::fromLatin1(e.text);
    switch (e.kind) {
      case EntryKind::kMenu:
        top = menuBar()->addMenu(text);
        top->menuAction()->setStatusTip(QString::fromLatin1(e.status));
        menus_[e.id] = top;
        actions_[e.id] = top->menuAction();
        sub = nullptr;
        if (e.action == Action::kWindowList) {
          QMenu* m = top;
          connect(m, &QMenu::aboutToShow, this, [this, m] {
            m->clear();
            m->addAction(QStringLiteral("&Cascade"), mdi_, &QMdiArea::cascadeSubWindows);
            m->addAction(QStringLiteral("&Tile"), mdi_, &QMdiArea::tileSubWindows);
            m->addSeparator();
            for (QMdiSubWindow* w : mdi_->subWindowList()) {
              m->addAction(w->windowTitle(), this, [this, w] { mdi_->setActiveSubWindow(w); });
            }
          });
        }
        break;
      case EntryKind::kSubmenu:
        sub = top->addMenu(text);
        sub->menuAction()->setStatusTip(QString::fromLatin1(e.status));
        menus_[e.id] = sub;
        actions_[e.id] = sub->menuAction();
        break;
      case EntryKind::kSeparator:
        (e.level == 2 && sub ? sub : top)->addSeparator();
        break;
      case EntryKind::kItem: {
        QMenu* into = e.level == 2 && sub ? sub : top;
        if (e.level == 1) sub = nullptr;
        QAction* a = into->addAction(text);
        int id = e.id;
        connect(a, &QAction::triggered, this, [this, id] { frame_.command(id); });
        actions_[id] = a;
        break;
      }
    }
  }

  toolBar_ = addToolBar(QStringLiteral("Toolbar"));
  toolBar_->setObjectName(QStringLiteral("Toolbar"));
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(20, 20));
  for (const ToolButton& b : frameToolbar()) {
    if (b.id == -121) toolBar_->addSeparator();
    QAction* a = toolBar_->addAction(style()->standardIcon(buttonIcon(b.id)),
                                     QString::fromLatin1(b.tooltip));
    int id = b.id;
    connect(a, &QAction::triggered, this, [this, id] { frame_.command(id); });
    actions_[id] = a;
  }

  statusBar()->showMessage(QString());
  date_ = new QLabel(this);
  time_ = new QLabel(this);
  statusBar()->addPermanentWidget(date_);
  statusBar()->addPermanentWidget(time_);
}

void MainWindow::sync() {
  setWindowTitle(fromCp(frame_.title()));
  for (auto& [id, a] : actions_) {
    a->setEnabled(frame_.enabled(id));
    a->setStatusTip(fromCp(frame_.statusText(id)));
    if (findToolButton(id)) {
      a->setToolTip(fromCp(frame_.toolTip(id)));
    } else if (id == menu::kPersons || id == menu::kPersonBrowse || id == menu::kPersonMerge) {
      a->setText(fromCp(frame_.text(id)));
    }
  }
  statusBar()->clearMessage();
}

void MainWindow::showWallpaper() {
  SettingValue off;
  std::string error;
  getSetting(s_, 64, off, error);
  if (off.number != 0) {
    mdi_->setBackground(palette().brush(QPalette::Dark));
    return;
  }
  QLinearGradient wallpaper(0, 0, 0, 900);
  wallpaper.setColorAt(0, QColor(0x1f, 0x3a, 0x5f));
  wallpaper.setColorAt(1, QColor(0x6f, 0x8f, 0xb5));
  mdi_->setBackground(wallpaper);
}

void MainWindow::showClock() {
  std::string text, picture;
  SetDate(s_, text, picture);
  date_->setText(fromCp(formatDate(s_.today(), picture)));
  SetTime(s_, text, picture);
  time_->setText(fromCp(formatTime(s_.clockTime(), picture)));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    // The frame decides: it refuses while indexing, else closes the windows first and then
    // calls back to close for real.
    event->ignore();
    frame_.requestExit();
    return;
  }
  clock_->stop();
  QRect g = geometry();
  frame_.closing(isMaximized(), static_cast<int16_t>(g.x()), static_cast<int16_t>(g.y()),
                 static_cast<int16_t>(g.width()), static_cast<int16_t>(g.height()));
  event->accept();
}

}  // namespace qv
