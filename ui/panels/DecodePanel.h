// The decode button with the program's logo beside it. The button has two
// faces: idle (green, as built) and cancel (red) while a decode runs.
#pragma once

#include <QElapsedTimer>
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
  bool cancelFace() const;
  // A click so soon after the face changed was aimed at the other face; it
  // is ignored for this long.
  static constexpr int kSettleMs = 400;
  bool acceptsClicks() const;

 signals:
  // A click meant for the face the button shows.
  void clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setFace(const QString& text, bool cancel);
  void buttonClicked();

  QElapsedTimer faceChanged_;
  // The face under the press that this click ends.
  bool pressedOnCancel_ = false;

  QPushButton* button_;
  QString idleText_;
};
