// The frame window: menus and toolbar from the frame's table, a document area, the status bar
// with date and time, and the windows the frame starts.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/events.h"
#include "app/frame.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

namespace qv {

class Session;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(Session& s, EventQueue& events);
  ~MainWindow() override;

  Frame& frame() { return frame_; }
  QMdiArea* documents() { return mdi_; }
  // The action of a frame control number (menu item or toolbar button), for tests.
  QAction* action(int id) const;
  QMenu* menu(int id) const;
  QToolBar* toolBar() const { return toolBar_; }

  // Windows the frame starts by registry name; a name without one opens nothing.
  using Opener = std::function<bool(int code)>;
  void addWindow(const std::string& name, Opener open) { openers_[name] = std::move(open); }

  // Refreshes the date and time of the status bar.
  void showClock();
  // The document area's wallpaper, unless the Preferences turned it off.
  void showWallpaper();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void sync();
  void deliverQueued();

  Session& s_;
  EventQueue& events_;
  Frame frame_;
  QMdiArea* mdi_;
  QToolBar* toolBar_ = nullptr;
  QLabel* date_ = nullptr;
  QLabel* time_ = nullptr;
  QTimer* clock_ = nullptr;
  std::map<int, QAction*> actions_;
  std::map<int, QMenu*> menus_;
  std::map<std::string, Opener> openers_;
  bool closing_ = false;
  bool deliveryScheduled_ = false;
};

}  // namespace qv
