// The Qt widgets of the Preferences window.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "storage/config.h"

class QTabWidget;

namespace qv {

class Session;

// " Preferences": the settings by tab; nothing is stored until OK.
class PreferencesDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PreferencesDialog(Session& s, QWidget* parent = nullptr);
  Preferences& logic() { return logic_; }
  bool opened() const { return opened_; }

 private:
  void accept() override;
  void reject() override;
  QWidget* directoriesTab();
  QWidget* tasksTab();
  QWidget* optimizeTab();
  QWidget* miscellaneousTab();

  Session& s_;
  Preferences logic_;
  bool opened_ = false;
  QTabWidget* tabs_;
  std::vector<std::function<void()>> apply_;  // each control writes its setting on OK
};

}  // namespace qv
