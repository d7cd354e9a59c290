#include "ui/panels/ResamplingPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "session/Session.h"
#include "ui/PanelParts.h"

namespace {

const QString kNone = QStringLiteral("None");

bool itemEnabled(const QComboBox* box, int index) {
  const auto* model = qobject_cast<const QStandardItemModel*>(box->model());
  const QStandardItem* item = model ? model->item(index) : nullptr;
  return !item || item->isEnabled();
}

}  // namespace

ResamplingPanel::ResamplingPanel(Session& session, QWidget* parent) : QGroupBox(parent), session_(session) {
  setObjectName(QStringLiteral("resamplingBox"));
  setTitle(tr("Resampling"));
  auto* layout = panelparts::boxLayout<QVBoxLayout>("resamplingLayout", 8, 12, 8, 12, 8);
  setLayout(layout);

  auto* frequencyRow = panelparts::boxLayout<QHBoxLayout>("frequencyLayout", 8);
  auto* frequencyLabel = panelparts::plainLabel(this, "frequencyLabel");
  frequencyLabel->setText(tr("Frequency (Hz):"));
  frequencyBox_ = panelparts::comboBox(this, "frequencyComboBox", frequencyChoices());
  frequencyRow->addWidget(frequencyLabel);
  frequencyRow->addWidget(frequencyBox_);

  auto* methodRow = panelparts::boxLayout<QHBoxLayout>("methodLayout", 8);
  auto* methodLabel = panelparts::plainLabel(this, "methodLabel");
  methodLabel->setText(tr("Method:"));
  methodBox_ = panelparts::comboBox(this, "methodComboBox", methodChoices());
  methodRow->addWidget(methodLabel);
  methodRow->addWidget(methodBox_);

  layout->addLayout(frequencyRow);
  layout->addLayout(methodRow);

  connect(frequencyBox_, &QComboBox::currentTextChanged, this, [this] {
    updateMethodState();
    storeOptions();
  });
  connect(methodBox_, &QComboBox::currentTextChanged, this, &ResamplingPanel::storeOptions);
  connect(&session_, &Session::optionsChanged, this, &ResamplingPanel::showOptions);
  // Without resampling there is nothing to aggregate: start consistent.
  updateMethodState();
}

void ResamplingPanel::setFrequencyChoices(float frequency) {
  // The session keeps its rate until one is chosen for the loaded file.
  updating_ = true;
  const QString remembered = frequencyBox_->currentText();
  auto* model = qobject_cast<QStandardItemModel*>(frequencyBox_->model());
  if (!model) {
    model = new QStandardItemModel(this);
    frequencyBox_->setModel(model);
  }
  model->clear();
  for (const QString& text : frequencyChoices()) {
    auto* item = new QStandardItem(text);
    // The session says which rates the log allows; the others stay listed, greyed.
    if (!frequencyAllowed(text, frequency)) {
      item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
      item->setForeground(QColor(Qt::gray));
    }
    model->appendRow(item);
  }
  const int index = frequencyBox_->findText(remembered);
  frequencyBox_->setCurrentIndex(index >= 0 && itemEnabled(frequencyBox_, index) ? index
                                                                                 : frequencyBox_->findText(kNone));
  updating_ = false;
  updateMethodState();
}

void ResamplingPanel::selectFrequency(const QString& text) {
  const int index = frequencyBox_->findText(text);
  frequencyBox_->setCurrentIndex(index >= 0 ? index : frequencyBox_->findText(kNone));
  storeOptions();
}

QString ResamplingPanel::frequency() const { return frequencyBox_->currentText(); }

void ResamplingPanel::showOptions() {
  if (updating_) return;
  updating_ = true;
  const DecodeOptions& options = session_.options();
  const int method = methodBox_->findText(options.method);
  if (method >= 0) methodBox_->setCurrentIndex(method);
  const int frequency = frequencyBox_->findText(options.frequency);
  frequencyBox_->setCurrentIndex(frequency >= 0 ? frequency : frequencyBox_->findText(kNone));
  updating_ = false;
  updateMethodState();
}

void ResamplingPanel::storeOptions() {
  if (updating_) return;
  DecodeOptions options = session_.options();
  options.frequency = frequencyBox_->currentText();
  options.method = methodBox_->currentText();
  session_.setOptions(options);
}

void ResamplingPanel::updateMethodState() {
  const bool resampling = frequencyBox_->currentText() != kNone;
  methodBox_->setEnabled(resampling);
  methodBox_->setToolTip(resampling ? tr("Select aggregation method for resampling")
                                    : tr("Method is only available when resampling is enabled"));
}
