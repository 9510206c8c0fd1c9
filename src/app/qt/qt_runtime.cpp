// The Qt runtime.
#include "app/qt/qt_runtime.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

#include "storage/text.h"

namespace qv {

QString fromCp(std::string_view bytes) {
  return QString::fromStdString(cp1252ToUtf8(bytes));
}

std::string toCp(const QString& text) {
  return utf8ToCp1252(text.toStdString());
}

QString messageText(std::string_view bytes) {
  QString t = fromCp(bytes);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('|'), QLatin1Char('\n'));
  return t;
}

namespace {

struct ButtonMap {
  int ours;
  QMessageBox::StandardButton qt;
};
constexpr ButtonMap kButtons[] = {
    {kButtonOk, QMessageBox::Ok},         {kButtonYes, QMessageBox::Yes},
    {kButtonNo, QMessageBox::No},         {kButtonAbort, QMessageBox::Abort},
    {kButtonRetry, QMessageBox::Retry},   {kButtonIgnore, QMessageBox::Ignore},
    {kButtonCancel, QMessageBox::Cancel},
};

QMessageBox::Icon qtIcon(Icon icon) {
  switch (icon) {
    case Icon::kInformation:
      return QMessageBox::Information;
    case Icon::kExclamation:
      return QMessageBox::Warning;
    case Icon::kQuestion:
      return QMessageBox::Question;
    case Icon::kHand:
      return QMessageBox::Critical;
    case Icon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int QtRuntime::message(std::string_view text, std::string_view title, Icon icon, int buttons,
                       int defaultButton) {
  QMessageBox box(qtIcon(icon), fromCp(title), messageText(text), QMessageBox::NoButton, main_);
  for (const ButtonMap& b : kButtons) {
    if (!(buttons & b.ours)) continue;
    box.addButton(b.qt);
    if (b.ours == defaultButton) box.setDefaultButton(b.qt);
  }
  if (buttons == 0) box.addButton(QMessageBox::Ok);
  bool wasBusy = busy_;
  if (wasBusy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  int pressed = box.exec();
  if (wasBusy) QApplication::restoreOverrideCursor();
  for (const ButtonMap& b : kButtons)
    if (pressed == b.qt) return b.ours;
  return defaultButton;
}

void QtRuntime::beep() {
  QApplication::beep();
}

void QtRuntime::registerWindow(std::string_view name, std::string_view group) {
  windows_[std::string(name)] = std::string(group);
}

void QtRuntime::unregisterWindow(std::string_view name) {
  auto it = windows_.find(name);
  if (it != windows_.end()) windows_.erase(it);
}

bool QtRuntime::windowOpen(std::string_view name) const {
  return windows_.find(name) != windows_.end();
}

std::vector<std::string> QtRuntime::windowsInGroup(std::string_view group) const {
  std::vector<std::string> out;
  for (const auto& [name, g] : windows_)
    if (g == group) out.push_back(name);
  return out;
}

void QtRuntime::fatalStop(std::string_view text, std::string_view title) {
  while (busy_) setBusy(false);
  message(text, title, Icon::kHand, kButtonOk, kButtonOk);
  message(finalStopMessage(), "Quorvane", Icon::kHand, kButtonOk, kButtonOk);
  std::exit(3);
}

int QtRuntime::popupMenu(std::string_view items) {
  QMenu menu(main_);
  QString all = fromCp(items);
  int number = 0;
  std::map<QAction*, int> numbers;
  for (const QString& raw : all.split(QLatin1Char('|'))) {
    if (raw == QLatin1String("-")) {
      menu.addSeparator();
      continue;
    }
    ++number;
    bool checked = raw.startsWith(QLatin1Char('+'));
    QAction* a = menu.addAction(checked ? raw.mid(1) : raw);
    if (checked) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    numbers[a] = number;
  }
  QAction* chosen = menu.exec(QCursor::pos());
  auto it = numbers.find(chosen);
  return it == numbers.end() ? 0 : it->second;
}

void QtRuntime::setBusy(bool on) {
  if (on == busy_) return;
  busy_ = on;
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtRuntime::showHelp(std::string_view topic) {
  // "~Name" is the page Name.html; no topic is the contents page.
  QString name = fromCp(topic);
  if (name.startsWith(QLatin1Char('~'))) name = name.mid(1);
  if (name.isEmpty()) name = QStringLiteral("index");
  QString file = QDir(helpDir_).filePath(name + QStringLiteral(".html"));
  if (!QFileInfo::exists(file)) file = QDir(helpDir_).filePath(QStringLiteral("index.html"));
  auto* dialog = new QDialog(main_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("Quorvane Help"));
  auto* browser = new QTextBrowser(dialog);
  browser->setOpenLinks(true);
  browser->setSearchPaths({helpDir_});
  browser->setSource(QUrl::fromLocalFile(file));
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(browser);
  dialog->resize(640, 480);
  dialog->show();
}

void QtRuntime::setClipboard(std::string_view text) {
  QApplication::clipboard()->setText(fromCp(text));
}

}  // namespace qv
