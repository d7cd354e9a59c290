// The session's row conditions as chips that flow like words; a chip's cross
// removes its condition from the session.
#pragma once

#include <QGroupBox>
#include <QString>

class QLabel;
class QScrollArea;
class QVBoxLayout;
class Session;

class ConditionsPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit ConditionsPanel(Session& session, QWidget* parent = nullptr);

  // The chips made again from the session's conditions, at the panel's width.
  void rebuild();
  void clearChips();
  int chipRowCount() const;

  QScrollArea* chipArea() const { return chipArea_; }
  QWidget* chipContainer() const { return chipContainer_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void addChip(int index, const QString& text);
  void removeConditionOfChip(QObject* deleteLabel);

  Session& session_;
  QScrollArea* chipArea_;
  QWidget* chipContainer_;
  QVBoxLayout* rows_;
};
