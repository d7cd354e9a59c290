// The log files chosen together: the one the panels show is marked, and
// after a decode each line says what became of its file (the table written,
// or why not). Hidden while fewer than two files are queued.
#pragma once

#include <QGroupBox>
#include <QString>
#include <QStringList>

class QListWidget;

class QueuePanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit QueuePanel(QWidget* parent = nullptr);

  void setFiles(const QStringList& files);
  const QStringList& files() const { return files_; }
  // Marks `path` as the file the panels show.
  void showCurrent(const QString& path);
  // The index of the marked file, -1 when none is.
  int currentIndex() const { return current_; }
  // What the decode of file `index` ended with; cleared by clearResults().
  // `detail` goes to the line's tooltip, under the file's path.
  void setResult(int index, const QString& text, bool failed, const QString& detail = QString());
  void clearResults();
  // The line of file `index` as shown.
  QString lineText(int index) const;

  QListWidget* list() const { return list_; }

 signals:
  // A file of the list was activated (double click, Enter).
  void fileChosen(const QString& path);

 private:
  void showLine(int index);

  QListWidget* list_;
  QStringList files_;
  QStringList results_;
  QList<bool> failed_;
  int current_ = -1;
};
