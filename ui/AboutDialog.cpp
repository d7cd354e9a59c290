#include "ui/AboutDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Version"));
  auto* layout = new QGridLayout;
  setLayout(layout);

  auto* versionLabel = new QLabel(QStringLiteral("ZRL_decoder version ") + QString::fromLatin1(kDecoderVersion), this);
  versionLabel->setObjectName(QStringLiteral("versionLabel"));
  auto* formatLabel = new QLabel(QStringLiteral("ZRL format version ") + QString::number(kZrlFormatVersion), this);
  formatLabel->setObjectName(QStringLiteral("formatLabel"));
  auto* okButton = new QPushButton(QStringLiteral("Ok"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  connect(okButton, &QPushButton::clicked, this, &QDialog::close);

  layout->addWidget(versionLabel, 0, 0);
  layout->addWidget(formatLabel, 1, 0);
  layout->addWidget(okButton, 2, 0);
}
