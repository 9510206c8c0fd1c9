// The about box.
#include "app/ui/about_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace qv {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral(" About .."));
  auto* layout = new QVBoxLayout(this);
  const char* lines[] = {"Quorvane Mail, Forum & Newsgroup Message Archiver",
                         "Program version 4.62", "32 bit", "Released 11 December 2026"};
  for (const char* line : lines) {
    auto* label = new QLabel(QString::fromLatin1(line), this);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(label);
  }
  layout->setContentsMargins(40, 24, 40, 24);
}

void AboutDialog::mousePressEvent(QMouseEvent*) {
  accept();
}

}  // namespace qv
