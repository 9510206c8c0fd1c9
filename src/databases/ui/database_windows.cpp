// The Qt windows of the database list.
#include "databases/ui/database_windows.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/qt/qt_runtime.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/session.h"
#include "storage/text.h"

namespace qv {

namespace {

QTreeWidget* makeList(QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setHeaderLabels({QStringLiteral("Database"), QStringLiteral("Type"),
                         QStringLiteral("Directory"), QStringLiteral("Messages"),
                         QStringLiteral("Counted"), QStringLiteral("Import allowed")});
  list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list->header()->setStretchLastSection(false);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  return list;
}

}  // namespace

DatabaseSelectionDialog::DatabaseSelectionDialog(Session& s, int kind, uint8_t type,
                                                 QWidget* parent)
    : QDialog(parent),
      s_(s),
      logic_(s, kind, type),
      tabs_(new QTabWidget(this)),
      byName_(makeList(this)),
      byDirectory_(makeList(this)),
      locator_(new QLineEdit(this)) {
  setWindowTitle(fromCp(logic_.title()));
  auto* layout = new QVBoxLayout(this);
  if (!logic_.header().empty()) layout->addWidget(new QLabel(fromCp(logic_.header()), this));
  tabs_->addTab(byName_, QStringLiteral("By &name"));
  tabs_->addTab(byDirectory_, QStringLiteral("By &directory"));
  layout->addWidget(tabs_);
  locator_->setPlaceholderText(QStringLiteral("Type to locate"));
  layout->addWidget(locator_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* select = buttons->addButton(QStringLiteral("&Select"), QDialogButtonBox::AcceptRole);
  select->setObjectName(QStringLiteral("select"));
  if (logic_.insertVisible()) {
    QPushButton* insert = buttons->addButton(
        QString::fromLatin1(logic_.insertOpensMailSetup() ? "Add a new Mail Database"
                                                          : "Add a new Forum"),
        QDialogButtonBox::ActionRole);
    insert->setObjectName(QStringLiteral("insert"));
    connect(insert, &QPushButton::clicked, this, [this] { addNew(); });
  }
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { chooseCurrent(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QTreeWidget* list : {byName_, byDirectory_}) {
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { chooseCurrent(); });
    connect(list, &QTreeWidget::customContextMenuRequested, this, [this, list](const QPoint& p) {
      QTreeWidgetItem* item = list->itemAt(p);
      if (!item) return;
      list->setCurrentItem(item);
      int row = list->indexOfTopLevelItem(item);
      auto& rows = rows_[currentTab() - 1];
      int chosen = s_.runtime().popupMenu(DatabaseSelection::kPopup);
      if (chosen != 0 && row >= 0 && row < static_cast<int>(rows.size()))
        logic_.popup(rows[row], chosen);
      fill();
    });
  }
  connect(locator_, &QLineEdit::textEdited, this, [this](const QString& t) { locate(t); });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { locate(locator_->text()); });
  resize(720, 420);
  fill();
}

DatabaseSelection::Tab DatabaseSelectionDialog::currentTab() const {
  return tabs_->currentIndex() == 0 ? DatabaseSelection::kByName : DatabaseSelection::kByDirectory;
}

void DatabaseSelectionDialog::fill() {
  for (int t = 0; t < 2; ++t) {
    auto tab = t == 0 ? DatabaseSelection::kByName : DatabaseSelection::kByDirectory;
    QTreeWidget* list = t == 0 ? byName_ : byDirectory_;
    rows_[t] = logic_.rows(tab);
    list->clear();
    for (const SelectionRow& r : rows_[t]) {
      auto* item = new QTreeWidgetItem(list);
      item->setText(0, fromCp(trimRight(r.description)));
      item->setText(1, fromCp(r.typeName));
      item->setText(2, fromCp(r.directory));
      item->setText(3, QString::number(r.messages));
      item->setText(4, fromCp(r.counted));
      item->setText(5, fromCp(r.importAllowed));
      if (r.id == s_.dbId) list->setCurrentItem(item);
    }
    if (!list->currentItem() && list->topLevelItemCount() > 0)
      list->setCurrentItem(list->topLevelItem(0));
  }
}

void DatabaseSelectionDialog::locate(const QString& typed) {
  if (typed.isEmpty()) return;
  int row = logic_.locate(currentTab(), toCp(typed));
  QTreeWidget* list = currentTab() == DatabaseSelection::kByName ? byName_ : byDirectory_;
  if (row >= 0 && row < list->topLevelItemCount()) list->setCurrentItem(list->topLevelItem(row));
}

void DatabaseSelectionDialog::chooseCurrent() {
  QTreeWidget* list = currentTab() == DatabaseSelection::kByName ? byName_ : byDirectory_;
  int row = list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
  auto& rows = rows_[currentTab() - 1];
  if (row < 0 || row >= static_cast<int>(rows.size())) return;
  choice_ = logic_.choose(rows[row]);
  if (choice_.made) accept();
}

void DatabaseSelectionDialog::addNew() {
  if (logic_.insertOpensMailSetup()) {
    MailSetupDialog mail(s_, 1, this);
    mail.exec();
  } else {
    AddForumDialog add(s_, this);
    add.exec();
  }
  fill();
}

AddForumDialog::AddForumDialog(Session& s, QWidget* parent)
    : QDialog(parent), logic_(s), name_(new QLineEdit(this)) {
  setWindowTitle(QStringLiteral(" Add New Forum"));
  auto* layout = new QFormLayout(this);
  name_->setMaxLength(100);
  layout->addRow(QStringLiteral("Forum name"), name_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save =
      buttons->addButton(QStringLiteral("Save new Forum"), QDialogButtonBox::ActionRole);
  buttons->addButton(QDialogButtonBox::Close);
  layout->addRow(buttons);
  connect(save, &QPushButton::clicked, this, [this] {
    if (logic_.save(toCp(name_->text()))) {
      added_ = true;
      name_->clear();
    }
    name_->setFocus();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  resize(460, 100);
}

MailSetupDialog::MailSetupDialog(Session& s, int request, QWidget* parent)
    : QDialog(parent),
      s_(s),
      request_(request),
      name_(new QLineEdit(this)),
      address_(new QLineEdit(this)) {
  setWindowTitle(
      QString::fromLatin1(request == 1 ? "Add New Mail Database" : "Update alternative addresses"));
  auto* outer = new QVBoxLayout(this);
  auto* info = new QLabel(
      QStringLiteral("A mail database belongs to one owner. Mails sent from the default address "
                     "or one of the alternative addresses are filed as sent, all others as "
                     "received."),
      this);
  info->setWordWrap(true);
  outer->addWidget(info);
  auto* form = new QFormLayout;
  name_->setMaxLength(100);
  address_->setMaxLength(60);
  form->addRow(QStringLiteral("Mail database name"), name_);
  form->addRow(QStringLiteral("Default mail address"), address_);
  for (QLineEdit*& alt : alternatives_) {
    alt = new QLineEdit(this);
    alt->setMaxLength(60);
    form->addRow(QStringLiteral("Alternative mail address"), alt);
  }
  outer->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)
      ->setToolTip(QString::fromLatin1(request == 1 ? "Accept new Mail Database"
                                                    : "Accept updated Mail Database"));
  outer->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { accept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  if (request == 1) {
    dirNumber_ = AddForumDatabase(s).nextDirNumber();
  } else if (s.dbType == kDbMail) {
    OP_CLOSE(s, 1, {kForums});
    StoreFile& forums = *s.file(kForums);
    forums.rec<Forums>().ID = s.dbId;
    if (forums.get(Forums::ForumKey) == kStoreOk) {
      const Forums& r = forums.rec<Forums>();
      name_->setText(fromCp(trimmed(r.DESCRIPTION)));
      address_->setText(fromCp(trimmed(r.MAILADDRESS)));
      for (int i = 0; i < 10; ++i) alternatives_[i]->setText(fromCp(trimmed(r.ALTADDRESS[i])));
    }
    OP_CLOSE(s, 0, {kForums});
    name_->setEnabled(false);
    address_->setEnabled(false);
  }
}

void MailSetupDialog::accept() {
  MailSetupFields f;
  f.name = toCp(name_->text());
  f.address = toCp(address_->text());
  for (int i = 0; i < 10; ++i) f.alternatives[i] = toCp(alternatives_[i]->text());
  switch (UpDateBox(s_, request_, dirNumber_, f, &id_)) {
    case MailSetupResult::kSaved:
      QDialog::accept();
      break;
    case MailSetupResult::kBlankField:
      name_->setFocus();
      break;
    case MailSetupResult::kFailed:
      break;
  }
}

}  // namespace qv
