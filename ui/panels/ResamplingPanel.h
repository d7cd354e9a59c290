// The resampling rate and the method that aggregates the rows of a period.
// The rates offered follow the loaded file's recording frequency; the user's
// choices go to the session's options.
#pragma once

#include <QGroupBox>
#include <QString>

class QComboBox;
class Session;

class ResamplingPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit ResamplingPanel(Session& session, QWidget* parent = nullptr);

  // Greys out the rates a file recorded at `frequency` cannot provide; the
  // current rate stays when still offered, else "None".
  void setFrequencyChoices(float frequency);
  // Makes `text` the rate (offered or not: a configuration's word counts),
  // "None" when the list has no such text.
  void selectFrequency(const QString& text);
  QString frequency() const;

  QComboBox* frequencyBox() const { return frequencyBox_; }
  QComboBox* methodBox() const { return methodBox_; }

 private:
  void showOptions();
  void storeOptions();
  void updateMethodState();

  Session& session_;
  QComboBox* frequencyBox_;
  QComboBox* methodBox_;
  bool updating_ = false;
};
