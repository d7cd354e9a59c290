// The progress bar that carries the window's status texts. Its format keeps
// the status text exactly; what it draws replaces the signs no installed font
// has (the success sign on machines without an emoji font).
#pragma once

#include <QProgressBar>

class StatusProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  using QProgressBar::QProgressBar;
  QString text() const override;
};
