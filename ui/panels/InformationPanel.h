// What the loaded log file is: its name, time span, serial number and
// firmware; and where the output goes and which configuration is in force.
#pragma once

#include <QGroupBox>
#include <QString>

class QLabel;
class Session;

class InformationPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit InformationPanel(Session& session, QWidget* parent = nullptr);

  // While `path` loads, before its head has been read.
  void showLoading(const QString& path);
  void showFile(const QString& path, const QString& serial, const QString& firmware);
  // A file that could not be read: its name, and nothing of the previous one.
  void showUnreadable(const QString& path);
  // The file's span as the time window shows it.
  void showTimes(const QString& from, const QString& to);
  void showDestination();
  void showConfiguration();

  QLabel* fileLabel() const { return fileLabel_; }
  QLabel* startLabel() const { return startLabel_; }
  QLabel* endLabel() const { return endLabel_; }
  QLabel* serialLabel() const { return serialLabel_; }
  QLabel* firmwareLabel() const { return firmwareLabel_; }
  QLabel* destinationLabel() const { return destinationLabel_; }
  QLabel* configurationLabel() const { return configurationLabel_; }

 private:
  Session& session_;
  QLabel* fileLabel_;
  QLabel* startLabel_;
  QLabel* endLabel_;
  QLabel* serialLabel_;
  QLabel* firmwareLabel_;
  QLabel* destinationLabel_;
  QLabel* configurationLabel_;
};
