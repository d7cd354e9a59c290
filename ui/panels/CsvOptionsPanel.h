// What kind of file the rows go to (CSV, HDF5, MATLAB), how the CSV is written (UTC or local times, milliseconds, a units line,
// unchanged cells, number format and separators) and the time window of the
// decode. The user's choices go to the session; the session's options are
// shown when they change.
#pragma once

#include <QGroupBox>
#include <QString>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class Session;

class CsvOptionsPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit CsvOptionsPanel(Session& session, QWidget* parent = nullptr);

  // A file spanning [startMs, endMs] was loaded: the time window becomes the
  // whole file, in the time base the UTC box chooses.
  void showFileSpan(std::int64_t startMs, std::int64_t endMs);
  bool hasFileSpan() const { return hasFileSpan_; }
  // Sets the time window to [startMs, endMs], kept inside the file.
  void setTimeWindow(std::int64_t startMs, std::int64_t endMs);
  std::int64_t windowStartMs() const;
  std::int64_t windowEndMs() const;

  // The controls that must not change while a decode runs.
  void setDecodeControlsEnabled(bool enabled);
  // Cell filling is a choice once there is a file.
  void enableCellFilling();

  QCheckBox* utcBox() const { return utcBox_; }
  QCheckBox* millisecondsBox() const { return millisecondsBox_; }
  QCheckBox* unitLineBox() const { return unitLineBox_; }
  QComboBox* outputFormatBox() const { return outputFormatBox_; }
  QComboBox* cellFillBox() const { return cellFillBox_; }
  QComboBox* floatFormatBox() const { return floatFormatBox_; }
  QComboBox* columnSeparatorBox() const { return columnSeparatorBox_; }
  QComboBox* decimalSeparatorBox() const { return decimalSeparatorBox_; }
  QDateTimeEdit* startEdit() const { return startEdit_; }
  QDateTimeEdit* endEdit() const { return endEdit_; }

 signals:
  // The file's span as the edits show it, e.g. after the UTC box changed.
  void fileSpanShown(const QString& from, const QString& to);
  // The start or end edit changed.
  void timeWindowEdited();

 private:
  void showOptions();
  void storeOptions();
  void refreshTimeWindow();
  void timeWindowChanged();

  Session& session_;
  QCheckBox* utcBox_;
  QCheckBox* millisecondsBox_;
  QCheckBox* unitLineBox_;
  QComboBox* outputFormatBox_;
  QComboBox* cellFillBox_;
  QComboBox* floatFormatBox_;
  QComboBox* columnSeparatorBox_;
  QComboBox* decimalSeparatorBox_;
  QDateTimeEdit* startEdit_;
  QDateTimeEdit* endEdit_;
  std::int64_t fileStartMs_ = 0;
  std::int64_t fileEndMs_ = 0;
  bool hasFileSpan_ = false;
  bool updatingOptions_ = false;
  bool updatingTimes_ = false;
};
