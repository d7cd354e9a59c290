#include "ui/panels/InformationPanel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "session/Session.h"
#include "ui/PanelParts.h"

InformationPanel::InformationPanel(Session& session, QWidget* parent) : QGroupBox(parent), session_(session) {
  setObjectName(QStringLiteral("informationFrame"));
  setTitle(tr("Information"));
  auto* layout = panelparts::boxLayout<QVBoxLayout>("informationLayout", 4, 12, 8, 12, 8);
  setLayout(layout);

  fileLabel_ = panelparts::richLabel(this, "inputFileNameLabel", true);
  startLabel_ = panelparts::richLabel(this, "displayStartTimeLabel");
  endLabel_ = panelparts::richLabel(this, "displayEndTimeLabel");
  auto* fromTo = panelparts::boxLayout<QHBoxLayout>("fromToLayout", 12);
  fromTo->addWidget(startLabel_);
  fromTo->addWidget(endLabel_);
  serialLabel_ = panelparts::richLabel(this, "serialNumberLabel");
  firmwareLabel_ = panelparts::richLabel(this, "firmwareVersionLabel");
  destinationLabel_ = panelparts::richLabel(this, "destinationDirLabel", true);
  configurationLabel_ = panelparts::richLabel(this, "configFileLabel", true);
  configurationLabel_->setTextInteractionFlags(Qt::NoTextInteraction);

  layout->addWidget(fileLabel_);
  layout->addLayout(fromTo);
  layout->addWidget(serialLabel_);
  layout->addWidget(firmwareLabel_);
  layout->addWidget(destinationLabel_);
  layout->addWidget(configurationLabel_);
  layout->addStretch();

  fileLabel_->setText(tr("<b>File:</b> -"));
  startLabel_->setText(tr("<b>From:</b> -"));
  endLabel_->setText(tr("<b>To:</b> -"));
  serialLabel_->setText(tr("<b>Serial:</b> -"));
  firmwareLabel_->setText(tr("<b>Firmware:</b> -"));
  destinationLabel_->setText(tr("<b>Destination:</b> -"));
  configurationLabel_->setText(tr("<b>Configuration:</b> -"));
  configurationLabel_->setToolTip(tr("Current configuration file path"));

  connect(&session_, &Session::configurationChanged, this, &InformationPanel::showConfiguration);
}

void InformationPanel::showLoading(const QString& path) {
  fileLabel_->setText(QStringLiteral("file: ") + QFileInfo(path).fileName());
}

void InformationPanel::showFile(const QString& path, const QString& serial, const QString& firmware) {
  fileLabel_->setText(QStringLiteral("<b>File:</b> ") + QFileInfo(path).fileName());
  serialLabel_->setText(QStringLiteral("<b>Serial:</b> ") + serial);
  firmwareLabel_->setText(QStringLiteral("<b>Firmware:</b> ") + firmware);
  destinationLabel_->setText(QStringLiteral("<b>Destination:</b> ") + session_.outputDirectory());
}

void InformationPanel::showUnreadable(const QString& path) {
  const QString none = QStringLiteral("\u2014");
  showFile(path, none, none);
  showTimes(none, none);
}

void InformationPanel::showTimes(const QString& from, const QString& to) {
  startLabel_->setText(QStringLiteral("<b>From:</b> ") + from);
  endLabel_->setText(QStringLiteral("<b>To:</b> ") + to);
}

void InformationPanel::showDestination() {
  destinationLabel_->setText(QStringLiteral("<b>Destination:</b> ") +
                             QFileInfo(session_.outputDirectory()).absoluteFilePath());
}

void InformationPanel::showConfiguration() {
  const QString& configPath = session_.configPath();
  const QString name = QFileInfo(configPath).fileName();
  const bool isDefault = session_.usesDefaultConfig();
  if (isDefault) {
    configurationLabel_->setText(tr("<b>Configuration:</b> (default)"));
    configurationLabel_->setToolTip(tr("Using default configuration"));
  } else {
    configurationLabel_->setText(tr("<b>Configuration:</b> ") + name);
    configurationLabel_->setToolTip(tr("Current configuration file: %1").arg(configPath));
  }
}
