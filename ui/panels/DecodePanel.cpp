#include "ui/panels/DecodePanel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/DrawableSigns.h"
#include "ui/PanelParts.h"
#include "ui/WidgetStyleSheets.h"

DecodePanel::DecodePanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("decodePanel"));
  auto* layout = panelparts::boxLayout<QHBoxLayout>("decodePanelLayout", 16, 0, 0, 0, 0);
  setLayout(layout);

  button_ = new QPushButton(this);
  button_->setObjectName(QStringLiteral("decodeButton"));
  button_->setMinimumSize(130, 45);
  button_->setEnabled(false);
  button_->setProperty("cancel", false);
  button_->setStyleSheet(widgetstyle::decodeButton());
  // The fonts of the style sheet are known once the button is polished.
  button_->ensurePolished();
  idleText_ = withDrawableSigns(QStringLiteral("\u25B6\uFE0F ") + tr("Decode"), button_->font());
  button_->setText(idleText_);
  layout->addWidget(button_, 0, Qt::AlignCenter);

  auto* logo = panelparts::plainLabel(this, "logoLabel");
  logo->setMinimumSize(96, 96);
  logo->setMaximumSize(140, 140);
  logo->setPixmap(QPixmap(QStringLiteral(":/resources/images/LogoLumoSmall.png")));
  logo->setScaledContents(true);
  logo->setAlignment(Qt::AlignCenter);
  layout->addWidget(logo, 0, Qt::AlignCenter);

  button_->installEventFilter(this);
  connect(button_, &QPushButton::clicked, this, &DecodePanel::buttonClicked);
}

bool DecodePanel::cancelFace() const { return button_->property("cancel").toBool(); }

bool DecodePanel::acceptsClicks() const { return !faceChanged_.isValid() || faceChanged_.elapsed() >= kSettleMs; }

bool DecodePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == button_ && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
    pressedOnCancel_ = cancelFace();
  return QWidget::eventFilter(watched, event);
}

void DecodePanel::buttonClicked() {
  // A late click on Cancel as the decode ends must not start the next one.
  if (!acceptsClicks()) return;
  if (pressedOnCancel_ && !cancelFace()) return;
  emit clicked();
}

void DecodePanel::showIdle() { setFace(idleText_, false); }
void DecodePanel::showCancel() { setFace(QStringLiteral("Cancel"), true); }

void DecodePanel::setFace(const QString& text, bool cancel) {
  if (cancel != cancelFace()) faceChanged_.start();
  button_->setText(text);
  button_->setProperty("cancel", cancel);
  panelparts::repolish(button_);
}
