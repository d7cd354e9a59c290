#include "ui/panels/ProgressPanel.h"

#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

#include "ui/PanelParts.h"
#include "ui/StatusProgressBar.h"

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("progressRow"));
  auto* layout = panelparts::boxLayout<QHBoxLayout>("progressLayout", 12, 0, 0, 0, 0);
  setLayout(layout);

  bar_ = new StatusProgressBar(this);
  bar_->setObjectName(QStringLiteral("progressBar"));
  bar_->setValue(0);
  bar_->setFixedHeight(26);
  bar_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  bar_->setAlignment(Qt::AlignCenter);

  auto* timerLayout = panelparts::boxLayout<QHBoxLayout>("timerLayout", 8);
  auto* timerIcon = panelparts::plainLabel(this, "timerIcon");
  timerIcon->setAlignment(Qt::AlignCenter);
  timerIcon->setText(tr("Timer"));
  clock_ = new QLCDNumber(this);
  clock_->setObjectName(QStringLiteral("lcdNumber"));
  clock_->setFixedSize(80, 32);
  clock_->setFrameShape(QFrame::Box);
  clock_->setDigitCount(5);
  clock_->setSegmentStyle(QLCDNumber::Flat);
  clock_->display(QStringLiteral("00:00"));
  timerLayout->addWidget(timerIcon);
  timerLayout->addWidget(clock_);

  openCsvButton_ = new QPushButton(tr("Open CSV"), this);
  openCsvButton_->setObjectName(QStringLiteral("openCsvButton"));
  openFolderButton_ = new QPushButton(tr("Open folder"), this);
  openFolderButton_->setObjectName(QStringLiteral("openFolderButton"));
  for (QPushButton* button : {openCsvButton_, openFolderButton_}) {
    button->setFixedHeight(26);
    button->hide();
  }
  connect(openFolderButton_, &QPushButton::clicked, this, &ProgressPanel::openFolderClicked);
  connect(openCsvButton_, &QPushButton::clicked, this, &ProgressPanel::openCsvClicked);

  layout->addWidget(bar_);
  layout->addWidget(openCsvButton_);
  layout->addWidget(openFolderButton_);
  layout->addLayout(timerLayout);

  clockTimer_ = new QTimer(this);
  clockTimer_->setInterval(1000);
  pollTimer_ = new QTimer(this);
  pollTimer_->setInterval(100);
  connect(clockTimer_, &QTimer::timeout, this, &ProgressPanel::tick);
  connect(pollTimer_, &QTimer::timeout, this, &ProgressPanel::polled);

  setStatus(tr("Ready"), QStringLiteral("ready"));
}

void ProgressPanel::setStatus(const QString& text, const QString& state) {
  bar_->setFormat(text);
  bar_->setProperty("state", state);
  panelparts::repolish(bar_);
}

QString ProgressPanel::statusText() const { return bar_->format(); }
QString ProgressPanel::state() const { return bar_->property("state").toString(); }
void ProgressPanel::showOpenButtons(bool folder, bool csv) {
  openFolderButton_->setVisible(folder);
  openCsvButton_->setVisible(csv);
}

void ProgressPanel::setPercent(int percent) { bar_->setValue(percent); }

void ProgressPanel::startRun() {
  setStatus(QStringLiteral("%p%"), QString());
  clockTimer_->start();
  pollTimer_->start();
  elapsed_ = QTime(0, 0, 0);
  // The clock would show the previous run until its first tick.
  clock_->display(elapsed_.toString(QStringLiteral("mm:ss")));
  bar_->setRange(0, 100);
}

void ProgressPanel::stopRun() {
  clockTimer_->stop();
  pollTimer_->stop();
}

void ProgressPanel::tick() {
  elapsed_ = elapsed_.addSecs(1);
  clock_->display(elapsed_.toString(QStringLiteral("mm:ss")));
}

int ProgressPanel::clockInterval() const { return clockTimer_->interval(); }
int ProgressPanel::pollInterval() const { return pollTimer_->interval(); }
