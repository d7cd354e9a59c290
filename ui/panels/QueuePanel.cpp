#include "ui/panels/QueuePanel.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>
#include <QFont>
#include <QListWidget>
#include <QVBoxLayout>

#include "ui/DrawableSigns.h"
#include "ui/PanelParts.h"

QueuePanel::QueuePanel(QWidget* parent) : QGroupBox(parent) {
  setObjectName(QStringLiteral("queuePanel"));
  setTitle(tr("Logs"));
  auto* layout = panelparts::boxLayout<QVBoxLayout>("queueLayout", 4, 12, 8, 12, 8);
  setLayout(layout);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("queueList"));
  list_->setWordWrap(true);
  list_->setTextElideMode(Qt::ElideMiddle);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setMinimumHeight(80);
  list_->setMaximumHeight(180);
  layout->addWidget(list_);
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int row = list_->row(item);
    if (row >= 0 && row < files_.size()) emit fileChosen(files_[row]);
  });
  setVisible(false);
}

void QueuePanel::setFiles(const QStringList& files) {
  files_ = files;
  results_ = QStringList();
  failed_.clear();
  for (int i = 0; i < files_.size(); ++i) {
    results_ << QString();
    failed_ << false;
  }
  current_ = -1;
  list_->clear();
  for (int i = 0; i < files_.size(); ++i) {
    list_->addItem(QString());
    list_->item(i)->setToolTip(files_[i]);
    showLine(i);
  }
  setVisible(files_.size() > 1);
}

void QueuePanel::showCurrent(const QString& path) {
  const int previous = current_;
  current_ = files_.indexOf(path);
  if (previous >= 0) showLine(previous);
  if (current_ >= 0) {
    showLine(current_);
    list_->scrollToItem(list_->item(current_));
  }
}

void QueuePanel::setResult(int index, const QString& text, bool failed, const QString& detail) {
  if (index < 0 || index >= files_.size()) return;
  list_->item(index)->setToolTip(detail.isEmpty() ? files_[index] : files_[index] + QLatin1Char('\n') + detail);
  results_[index] = text;
  failed_[index] = failed;
  showLine(index);
}

void QueuePanel::clearResults() {
  for (int i = 0; i < files_.size(); ++i) {
    results_[i].clear();
    failed_[i] = false;
    list_->item(i)->setToolTip(files_[i]);
    showLine(i);
  }
}

QString QueuePanel::lineText(int index) const {
  return index >= 0 && index < list_->count() ? list_->item(index)->text() : QString();
}

void QueuePanel::showLine(int index) {
  QListWidgetItem* item = list_->item(index);
  if (!item) return;
  const bool shown = index == current_;
  // The mark and the name; the result on a line of its own below.
  QString text = (shown ? withDrawableSigns(QStringLiteral("\u25B8 "), list_->font()) : QStringLiteral("   ")) +
                 QFileInfo(files_[index]).fileName();
  if (!results_[index].isEmpty()) text += QStringLiteral("\n      ") + results_[index];
  item->setText(text);
  QFont font = list_->font();
  font.setBold(shown);
  item->setFont(font);
  item->setForeground(failed_[index] ? QBrush(QColor(0xB0, 0x2A, 0x37)) : QBrush());
}
