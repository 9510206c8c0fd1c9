// The database selection dialog's widgets: both tabs list the databases, and choosing a row
// gives the logic's choice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

#include "app/headless_runtime.h"
#include "databases/databases.h"
#include "databases/ui/database_windows.h"
#include "storage/archive.h"
#include "storage/session.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

TEST(DatabaseSelectionDialog, TabsListTheDatabasesAndSelectChooses) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "qv_qt_tests";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);

  test::TempDir dir;
  HeadlessRuntime runtime;
  runtime.setThrowOnStop(true);
  Session s(dir.path().string(), runtime);
  std::string error;
  ASSERT_EQ(initArchive(s, error), kStoreOk) << error;
  uint32_t ids[2] = {};
  for (int i = 0; i < 2; ++i) {
    AddForumDatabase add(s);
    ASSERT_TRUE(add.save(i == 0 ? "Zulu" : "Alpha"));
    ids[i] = add.lastId();
  }

  DatabaseSelectionDialog dialog(s, 0, kDbNone);
  QTreeWidget* byName = dialog.list(1);
  QTreeWidget* byDirectory = dialog.list(2);
  ASSERT_EQ(byName->topLevelItemCount(), 2);
  ASSERT_EQ(byDirectory->topLevelItemCount(), 2);
  EXPECT_EQ(byName->topLevelItem(0)->text(0), QStringLiteral("Alpha"));
  EXPECT_EQ(byDirectory->topLevelItem(0)->text(0), QStringLiteral("Zulu"));
  EXPECT_EQ(byName->topLevelItem(0)->text(1), QStringLiteral("Forum"));

  byName->setCurrentItem(byName->topLevelItem(0));
  auto* select = dialog.findChild<QPushButton*>(QStringLiteral("select"));
  ASSERT_NE(select, nullptr);
  select->click();
  EXPECT_TRUE(dialog.choice().made);
  EXPECT_EQ(dialog.choice().id, ids[1]);
}

}  // namespace
}  // namespace qv
