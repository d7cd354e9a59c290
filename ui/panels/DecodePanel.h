// The decode button with the program's logo beside it. The button has two
// faces: idle (green, as built) and cancel (red) while a decode runs.
#pragma once

#include <QString>
#include <QWidget>

class QPushButton;

class DecodePanel : public QWidget {
  Q_OBJECT

 public:
  explicit DecodePanel(QWidget* parent = nullptr);

  void showIdle();
  void showCancel();
  // The idle face's text as built, signs replaced where no font has them.
  const QString& idleText() const { return idleText_; }

  QPushButton* button() const { return button_; }

 signals:
  void clicked();

 private:
  void setFace(const QString& text, bool cancel);

  QPushButton* button_;
  QString idleText_;
};
