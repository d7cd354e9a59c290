#include "ui/panels/FiltersPanel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/Session.h"
#include "ui/DrawableSigns.h"
#include "ui/PanelParts.h"
#include "ui/WidgetStyleSheets.h"

namespace {

QCheckBox* typeCheckBox(QWidget* parent, const char* name, const QString& text, const char* colour) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(true);
  box->setStyleSheet(widgetstyle::typeCheckBox(box->objectName(), QString::fromLatin1(colour)));
  return box;
}

// The search sign is an emoji; where no installed font has it, a drawn
// magnifying glass stands in for it rather than an empty box.
void ensureSearchSign(QLabel* label) {
  label->ensurePolished();
  if (QFontMetrics(label->font()).inFontUcs4(0x1F50D)) return;
  QPixmap glass(18, 18);
  glass.fill(Qt::transparent);
  QPainter painter(&glass);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x00, 0x7A, 0xCC), 2.2, Qt::SolidLine, Qt::RoundCap));
  painter.drawEllipse(QRectF(2, 2, 10, 10));
  painter.drawLine(QPointF(11, 11), QPointF(16, 16));
  painter.end();
  label->setPixmap(glass);
}

}  // namespace

FiltersPanel::FiltersPanel(Session& session, QWidget* parent) : QGroupBox(parent), session_(session) {
  setObjectName(QStringLiteral("filtersGroupBox"));
  setTitle(tr("Filters"));
  setStyleSheet(widgetstyle::filtersGroupBox());
  auto* layout = panelparts::boxLayout<QVBoxLayout>("filtersPanelLayout", 10, 12, 8, 12, 12);
  setLayout(layout);

  auto* searchRow = panelparts::boxLayout<QHBoxLayout>("searchLayout", 8, 0, 0, 0, 0);
  auto* searchIcon = panelparts::plainLabel(this, "searchIcon");
  searchIcon->setStyleSheet(widgetstyle::searchIcon());
  searchIcon->setText(QStringLiteral("\U0001F50D"));
  searchEdit_ = new QLineEdit(this);
  searchEdit_->setObjectName(QStringLiteral("varFilter"));
  searchEdit_->setMinimumWidth(200);
  searchEdit_->setFixedHeight(32);
  searchEdit_->setStyleSheet(widgetstyle::varFilter());
  searchEdit_->setPlaceholderText(tr("Filter by name\u2026"));
  clearButton_ = new QPushButton(QStringLiteral("\u00D7"), this);
  clearButton_->setObjectName(QStringLiteral("clearSearchButton"));
  clearButton_->setFixedSize(20, 20);
  clearButton_->setStyleSheet(widgetstyle::clearSearchButton());
  searchRow->addWidget(searchIcon);
  searchRow->addWidget(searchEdit_);
  searchRow->addWidget(clearButton_);

  auto* controlsRow = panelparts::boxLayout<QHBoxLayout>("controlsLayout", 8);
  auto* typesFrame = new QFrame(this);
  typesFrame->setObjectName(QStringLiteral("typeFiltersFrame"));
  typesFrame->setFrameShape(QFrame::NoFrame);
  typesFrame->setStyleSheet(widgetstyle::typeFiltersFrame());
  auto* typesLayout = panelparts::boxLayout<QHBoxLayout>("typeFiltersLayout", 16, 0, 0, 0, 0);
  typesFrame->setLayout(typesLayout);
  auto* typesLabel = panelparts::plainLabel(typesFrame, "typeFiltersLabel");
  panelparts::setPointSize(typesLabel, 14);
  typesLabel->setStyleSheet(widgetstyle::typeFiltersLabel());
  typesLabel->setText(tr("Data types:"));
  typesLayout->addWidget(typesLabel, 0, Qt::AlignVCenter);
  // Rows of two, so that the filter bar fits beside the decode button
  // and the logo without clipping the type names.
  auto* typesGrid = new QGridLayout;
  typesGrid->setObjectName(QStringLiteral("typeFiltersRow"));
  typesGrid->setHorizontalSpacing(10);
  typesGrid->setVerticalSpacing(2);
  floatBox_ = typeCheckBox(typesFrame, "floatTypeCheckBox", tr("Float"), "#FF8C00");
  doubleBox_ = typeCheckBox(typesFrame, "doubleTypeCheckBox", tr("Double"), "#8B5A2B");
  integerBox_ = typeCheckBox(typesFrame, "integerTypeCheckBox", tr("Integer"), "#28A745");
  stringBox_ = typeCheckBox(typesFrame, "stringTypeCheckBox", tr("String"), "#6F42C1");
  booleanBox_ = typeCheckBox(typesFrame, "booleanTypeCheckBox", tr("Boolean"), "#DC3545");
  auto* canFrameBox = typeCheckBox(typesFrame, "canFrameTypeCheckBox", tr("CanFrame"), "#007ACC");
  auto* timeStampBox = typeCheckBox(typesFrame, "timeStampTypeCheckBox", tr("TimeStamp"), "#20B2AA");
  const std::pair<QCheckBox*, bool*> boxes[] = {
      {floatBox_, &filter_.floats},        {doubleBox_, &filter_.doubles},
      {integerBox_, &filter_.integers},
      {stringBox_, &filter_.strings},      {booleanBox_, &filter_.booleans},
      {canFrameBox, &filter_.canFrames},   {timeStampBox, &filter_.timeStamps},
  };
  int position = 0;
  for (const auto& [box, field] : boxes) {
    typesGrid->addWidget(box, position / 2, position % 2);
    ++position;
    connect(box, &QCheckBox::toggled, this, [this, field = field](bool checked) { typeBoxToggled(*field, checked); });
  }
  typesLayout->addLayout(typesGrid);
  controlsRow->addWidget(typesFrame);

  selectedOnlyToggle_ = new QPushButton(tr("Selected Only"), this);
  selectedOnlyToggle_->setObjectName(QStringLiteral("selectedOnlyToggle"));
  selectedOnlyToggle_->setCheckable(true);
  selectedOnlyToggle_->setFixedSize(100, 22);
  panelparts::setPointSize(selectedOnlyToggle_, 9);
  selectedOnlyToggle_->setStyleSheet(widgetstyle::selectedOnlyToggle());
  controlsRow->addWidget(selectedOnlyToggle_, 0, Qt::AlignVCenter);

  layout->addLayout(searchRow);
  layout->addLayout(controlsRow);

  // The signs some machines have no font for; the fonts of the style sheets
  // are known once the widgets are polished.
  ensureSearchSign(searchIcon);
  clearButton_->ensurePolished();
  clearButton_->setText(withDrawableSigns(clearButton_->text(), clearButton_->font()));
  searchEdit_->ensurePolished();
  searchEdit_->setPlaceholderText(withDrawableSigns(searchEdit_->placeholderText(), searchEdit_->font()));
  // The style sheet gives the search text its colour; the placeholder keeps
  // a lighter grey of its own.
  QPalette searchPalette = searchEdit_->palette();
  searchPalette.setColor(QPalette::PlaceholderText, QColor(0x7A, 0x7A, 0x7A));
  searchEdit_->setPalette(searchPalette);

  connect(searchEdit_, &QLineEdit::textEdited, this, [this] {
    filter_.search = searchEdit_->text();
    emit filterChanged(filter_);
  });
  connect(clearButton_, &QPushButton::clicked, this, [this] {
    searchEdit_->clear();
    searchEdit_->setFocus();
    filter_.search.clear();
    emit filterChanged(filter_);
  });
  connect(selectedOnlyToggle_, &QPushButton::toggled, this, [this](bool checked) {
    filter_.selectedOnly = checked;
    emit filterChanged(filter_);
  });
  connect(&session_, &Session::optionsChanged, this, &FiltersPanel::showOptions);
}

void FiltersPanel::typeBoxToggled(bool& field, bool checked) {
  field = checked;
  storeOptions();
  emit filterChanged(filter_);
}

void FiltersPanel::showOptions() {
  const TypeFilters& types = session_.options().typeFilters;
  updating_ = true;
  floatBox_->setChecked(types.floats);
  doubleBox_->setChecked(types.floats);
  integerBox_->setChecked(types.integers);
  stringBox_->setChecked(types.strings);
  booleanBox_->setChecked(types.booleans);
  updating_ = false;
}

void FiltersPanel::storeOptions() {
  if (updating_) return;
  DecodeOptions options = session_.options();
  options.typeFilters = {filter_.floats, filter_.integers, filter_.strings, filter_.booleans};
  session_.setOptions(options);
}
