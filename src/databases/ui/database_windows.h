// The Qt windows of the database list: selection, add forum database and mail database set-up.
#pragma once

#include <QDialog>
#include <cstdint>

#include "databases/databases.h"

class QLineEdit;
class QTabWidget;
class QTreeWidget;

namespace qv {

class Session;

// The database selection dialog with its two tabs (by name, by directory).
class DatabaseSelectionDialog : public QDialog {
  Q_OBJECT
 public:
  DatabaseSelectionDialog(Session& s, int kind, uint8_t type, QWidget* parent = nullptr);
  const DatabaseSelection::Choice& choice() const { return choice_; }
  QTreeWidget* list(int tab) const { return tab == 1 ? byName_ : byDirectory_; }

 private:
  void fill();
  void locate(const QString& typed);
  void chooseCurrent();
  void addNew();
  DatabaseSelection::Tab currentTab() const;

  Session& s_;
  DatabaseSelection logic_;
  DatabaseSelection::Choice choice_;
  QTabWidget* tabs_;
  QTreeWidget* byName_;
  QTreeWidget* byDirectory_;
  QLineEdit* locator_;
  std::vector<SelectionRow> rows_[2];
};

// " Add New Forum": a name and "Save new Forum"; stays open for more.
class AddForumDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AddForumDialog(Session& s, QWidget* parent = nullptr);
  bool added() const { return added_; }

 private:
  AddForumDatabase logic_;
  QLineEdit* name_;
  bool added_ = false;
};

// The mail database dialog: add a new mail database (request 1) or change the current one's
// alternative addresses (request 2).
class MailSetupDialog : public QDialog {
  Q_OBJECT
 public:
  MailSetupDialog(Session& s, int request, QWidget* parent = nullptr);
  uint32_t databaseId() const { return id_; }

 private:
  void accept() override;

  Session& s_;
  int request_;
  uint32_t dirNumber_ = 0;
  uint32_t id_ = 0;
  QLineEdit* name_;
  QLineEdit* address_;
  QLineEdit* alternatives_[10];
};

}  // namespace qv
