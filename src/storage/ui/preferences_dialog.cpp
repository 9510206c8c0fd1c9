// The Qt widgets of the Preferences window.
#include "storage/ui/preferences_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/qt/qt_runtime.h"
#include "storage/session.h"
#include "storage/settings_table.h"

namespace qv {

PreferencesDialog::PreferencesDialog(Session& s, QWidget* parent)
    : QDialog(parent), s_(s), logic_(s), tabs_(new QTabWidget(this)) {
  setWindowTitle(QStringLiteral(" Preferences"));
  opened_ = logic_.open();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  tabs_->addTab(directoriesTab(), QStringLiteral(" Directories "));
  tabs_->addTab(tasksTab(), QStringLiteral("Tasks"));
  tabs_->addTab(optimizeTab(), QStringLiteral(" Optimize "));
  tabs_->addTab(miscellaneousTab(), QStringLiteral(" Miscellaneous "));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { accept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  resize(560, 520);
}

QWidget* PreferencesDialog::directoriesTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  struct Dir {
    int setting;
    const char* title;
  };
  for (Dir d : {Dir{kSetTempDir, " Directory for temporary import files"},
                Dir{kSetDbTopDir, " Top directory for database files "},
                Dir{kSetWordIndexDir, " Top directory for WordSearch index files"}}) {
    auto* box = new QGroupBox(QString::fromLatin1(d.title), page);
    auto* row = new QHBoxLayout(box);
    auto* entry = new QLineEdit(fromCp(logic_.value(d.setting).text), box);
    auto* browse = new QPushButton(QStringLiteral("..."), box);
    browse->setFixedWidth(32);
    row->addWidget(entry);
    row->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, entry, d] {
      QString dir = QFileDialog::getExistingDirectory(this, QString::fromLatin1(d.title).trimmed(),
                                                      entry->text());
      if (!dir.isEmpty()) entry->setText(dir);
    });
    int setting = d.setting;
    apply_.push_back([this, entry, setting] { logic_.change(setting, {0, toCp(entry->text())}); });
    layout->addWidget(box);
  }
  layout->addStretch();
  return page;
}

QWidget* PreferencesDialog::tasksTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  struct Check {
    int setting;
    const char* group;
    const char* text;
  };
  for (Check c : {Check{kSetExitAfterTask, " Task closing behaviour ",
                        " Exit Quorvane after task has finished"},
                  Check{kSetTasksOff, " Task deactivation ", " Deactivate tasks"}}) {
    auto* box = new QGroupBox(QString::fromLatin1(c.group), page);
    auto* row = new QVBoxLayout(box);
    auto* check = new QCheckBox(QString::fromLatin1(c.text), box);
    check->setChecked(logic_.value(c.setting).number != 0);
    row->addWidget(check);
    int setting = c.setting;
    apply_.push_back([this, check, setting] {
      logic_.change(setting, {check->isChecked() ? 1 : 0, ""});
    });
    layout->addWidget(box);
  }
  layout->addStretch();
  return page;
}

QWidget* PreferencesDialog::optimizeTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* box =
      new QGroupBox(QStringLiteral("Batch transaction speed versus keyboard response"), page);
  auto* grid = new QGridLayout(box);
  grid->addWidget(new QLabel(QStringLiteral("Fast"), box), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Slow"), box), 0, 7, Qt::AlignRight);
  const char* rows[] = {"Duplicate elimination", "Count / Purge", "Keyword indexing", "Find text",
                        "Import / Merge"};
  for (int r = 0; r < 5; ++r) {
    int setting = kSetSpeedDuplicates + r;
    grid->addWidget(new QLabel(QString::fromLatin1(rows[r]), box), r + 1, 0);
    auto* group = new QButtonGroup(box);
    for (int speed = 1; speed <= 7; ++speed) {
      auto* radio = new QRadioButton(box);
      group->addButton(radio, speed);
      grid->addWidget(radio, r + 1, speed);
      if (logic_.value(setting).number == speed) radio->setChecked(true);
    }
    apply_.push_back([this, group, setting] {
      if (group->checkedId() > 0) logic_.change(setting, {group->checkedId(), ""});
    });
  }
  layout->addWidget(box);
  layout->addStretch();
  return page;
}

QWidget* PreferencesDialog::miscellaneousTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);

  auto* locator = new QGroupBox(QStringLiteral(" Incremental locator "), page);
  auto* locatorForm = new QFormLayout(locator);
  auto* delay = new QLineEdit(fromCp(logic_.locatorDelaySeconds()), locator);
  locatorForm->addRow(QStringLiteral("Delay time\nfor reset"), delay);
  apply_.push_back([this, delay] { logic_.setLocatorDelaySeconds(toCp(delay->text())); });
  layout->addWidget(locator);

  auto* tips = new QGroupBox(QStringLiteral(" Tool tips "), page);
  auto* tipsRow = new QVBoxLayout(tips);
  auto* showTips = new QCheckBox(QStringLiteral(" Show Tool Tips"), tips);
  showTips->setChecked(logic_.showToolTips());
  tipsRow->addWidget(showTips);
  apply_.push_back([this, showTips] { logic_.setShowToolTips(showTips->isChecked()); });
  layout->addWidget(tips);

  auto formatBox = [&](const char* title, int setting, std::span<const DisplayFormat> formats) {
    auto* box = new QGroupBox(QString::fromLatin1(title), page);
    auto* row = new QVBoxLayout(box);
    auto* combo = new QComboBox(box);
    for (const DisplayFormat& f : formats) {
      combo->addItem(fromCp(f.shownAs), f.code);
      if (f.code == logic_.value(setting).number) combo->setCurrentIndex(combo->count() - 1);
    }
    row->addWidget(combo);
    apply_.push_back([this, combo, setting] {
      logic_.change(setting, {combo->currentData().toInt(), ""});
    });
    layout->addWidget(box);
  };
  formatBox(" Date format ", kSetDateFormat, dateFormats());
  formatBox(" Time format ", kSetTimeFormat, timeFormats());

  auto* places = new QGroupBox(QStringLiteral(" Window positions and sizes "), page);
  auto* placesRow = new QVBoxLayout(places);
  auto* reset = new QPushButton(QStringLiteral("Reset defaults"), places);
  reset->setToolTip(
      QStringLiteral("Reset all window positions to default - windows must be closed"));
  connect(reset, &QPushButton::clicked, this, [this] { logic_.resetWindowPositions(); });
  placesRow->addWidget(reset);
  layout->addWidget(places);

  auto* frameBox = new QGroupBox(QStringLiteral(" Application Frame Window "), page);
  auto* frameRow = new QVBoxLayout(frameBox);
  auto* maximized = new QCheckBox(QStringLiteral(" Open maximized"), frameBox);
  maximized->setChecked(logic_.value(kSetFrameMode).number == 1);
  auto* noWallpaper = new QCheckBox(QStringLiteral(" No wallpaper"), frameBox);
  noWallpaper->setChecked(logic_.value(64).number != 0);
  frameRow->addWidget(maximized);
  frameRow->addWidget(noWallpaper);
  apply_.push_back([this, maximized, noWallpaper] {
    logic_.change(kSetFrameMode, {maximized->isChecked() ? 1 : 2, ""});
    logic_.change(64, {noWallpaper->isChecked() ? 1 : 0, ""});
  });
  layout->addWidget(frameBox);
  layout->addStretch();
  return page;
}

void PreferencesDialog::accept() {
  for (auto& apply : apply_) apply();
  if (logic_.ok()) QDialog::accept();
}

void PreferencesDialog::reject() {
  logic_.cancel();
  QDialog::reject();
}

}  // namespace qv
