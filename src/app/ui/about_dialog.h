// The about box.
#pragma once

#include <QDialog>

namespace qv {

// " About ..": the program's name, version and release; any click closes it.
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace qv
