// The Qt runtime: message boxes, popup menus, the window registry, the busy cursor, help and the
// fatal stop, on Qt Widgets.
#pragma once

#include <QString>
#include <map>
#include <string>

#include "app/runtime.h"

class QWidget;

namespace qv {

// Code page 1252 bytes to a display string and back (characters outside 1252 become "?").
QString fromCp(std::string_view bytes);
std::string toCp(const QString& text);
// A message text with its "|" and "\r\n" line breaks turned into new lines.
QString messageText(std::string_view bytes);

class QtRuntime : public Runtime {
 public:
  QtRuntime() = default;
  // The window dialogs are centred on.
  void setMainWindow(QWidget* w) { main_ = w; }
  // The folder of the HTML help pages.
  void setHelpDirectory(const QString& dir) { helpDir_ = dir; }
  const QString& helpDirectory() const { return helpDir_; }

  int message(std::string_view text, std::string_view title, Icon icon, int buttons,
              int defaultButton) override;
  void beep() override;
  void registerWindow(std::string_view name, std::string_view group) override;
  void unregisterWindow(std::string_view name) override;
  bool windowOpen(std::string_view name) const override;
  std::vector<std::string> windowsInGroup(std::string_view group) const override;
  [[noreturn]] void fatalStop(std::string_view text, std::string_view title) override;
  int popupMenu(std::string_view items) override;
  void setBusy(bool on) override;
  void showHelp(std::string_view topic) override;
  void setClipboard(std::string_view text) override;

 private:
  QWidget* main_ = nullptr;
  QString helpDir_;
  std::map<std::string, std::string, std::less<>> windows_;
  bool busy_ = false;
};

}  // namespace qv
