#include "ui/panels/VariableListPanel.h"

#include <QHBoxLayout>
#include <QHash>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "session/Session.h"
#include "ui/PanelParts.h"
#include "ui/VarItem.h"
#include "ui/WidgetStyleSheets.h"

using namespace variablelook;

namespace {

const QString kMinimum = QStringLiteral("minimum");
const QString kMaximum = QStringLiteral("maximum");

QPushButton* headerButton(QWidget* parent, const char* name, const QString& text, int width, const QString& style) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setFixedSize(width, 18);
  panelparts::setPointSize(button, 8);
  button->setStyleSheet(style);
  return button;
}

QString itemText(const QString& name, const QString& alias) {
  return alias.isEmpty() ? name : alias + QStringLiteral(" [") + name + QLatin1Char(']');
}

}  // namespace

VariableListPanel::VariableListPanel(Session& session, QWidget* parent) : QFrame(parent), session_(session) {
  setObjectName(QStringLiteral("dataFrame"));
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Raised);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  auto* layout = panelparts::boxLayout<QVBoxLayout>("dataLayout", 0, 0, 0, 0, 0);
  setLayout(layout);

  auto* header = new QFrame(this);
  header->setObjectName(QStringLiteral("dataHeaderFrame"));
  header->setFrameShape(QFrame::NoFrame);
  header->setStyleSheet(widgetstyle::dataHeaderFrame());
  auto* headerLayout = panelparts::boxLayout<QHBoxLayout>("dataHeaderLayout", 8, 16, 8, 16, 8);
  header->setLayout(headerLayout);
  title_ = panelparts::plainLabel(header, "dataFrameTitle");
  panelparts::setPointSize(title_, 14);
  title_->setStyleSheet(widgetstyle::dataFrameTitle());
  title_->setText(tr("Data (0/0 selected)"));
  selectAllButton_ = headerButton(header, "selectAllButton", tr("Select All"), 70, widgetstyle::selectAllButton());
  unselectAllButton_ =
      headerButton(header, "unselectAllButton", tr("Unselect All"), 90, widgetstyle::unselectAllButton());
  headerLayout->addWidget(title_);
  headerLayout->addStretch();
  headerLayout->addWidget(selectAllButton_);
  headerLayout->addWidget(unselectAllButton_);

  auto* content = new QFrame(this);
  content->setObjectName(QStringLiteral("dataContentFrame"));
  content->setFrameShape(QFrame::NoFrame);
  content->setStyleSheet(widgetstyle::dataContentFrame());
  auto* contentLayout = panelparts::boxLayout<QVBoxLayout>("dataContentLayout", 4, 8, 6, 8, 6);
  content->setLayout(contentLayout);
  list_ = new QListWidget(content);
  list_->setObjectName(QStringLiteral("varsView"));
  list_->setMaximumSize(10000, 10000);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setAutoScroll(true);
  // Items run top to bottom and wrap into further columns.
  list_->setFlow(QListView::TopToBottom);
  list_->setWrapping(true);
  list_->setResizeMode(QListView::Adjust);
  // Room for the type disc and the condition funnel beside it, so that every
  // name starts at the same place.
  list_->setIconSize(QSize(24, 16));
  list_->setStyleSheet(widgetstyle::varsView());
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  // The list gives up height to the preview rather than grow the window.
  list_->setMinimumHeight(60);
  contentLayout->addWidget(list_);

  layout->addWidget(header);
  layout->addWidget(content);

  connect(list_, &QListWidget::itemChanged, this, &VariableListPanel::itemChanged);
  connect(list_, &QWidget::customContextMenuRequested, this, &VariableListPanel::showContextMenu);
  connect(selectAllButton_, &QPushButton::clicked, this, [this] { setVisibleItemsChecked(true); });
  connect(unselectAllButton_, &QPushButton::clicked, this, [this] { setVisibleItemsChecked(false); });
  connect(&session_, &Session::aliasesChanged, this, &VariableListPanel::showAliases);
  connect(&session_, &Session::conditionsChanged, this, &VariableListPanel::showConditionMarks);
}

bool VariableListPanel::filesOpen() const { return !session_.inputFiles().isEmpty(); }

void VariableListPanel::populate(const std::vector<CatalogEntry>& catalog) {
  catalog_ = catalog;
  catalogLoaded_ = true;
  repopulate();
}

void VariableListPanel::clear() {
  catalog_.clear();
  catalogLoaded_ = false;
  typeByName_.clear();
  list_->clear();
  updateCounter();
}

void VariableListPanel::repopulate() {
  if (!catalogLoaded_) return;
  typeByName_.clear();
  for (const CatalogEntry& entry : catalog_)
    typeByName_.insert(QString::fromStdString(entry.fullName), typeNameOfCode(entry.type));
  // Item changes while building are not user edits: the counter is written
  // once at the end instead of once per item.
  const QSignalBlocker blocker(list_);
  list_->clear();

  QHash<QString, QString> aliasByName;  // the last alias entry of a name wins
  for (const AliasEntryText& entry : session_.aliases()) aliasByName.insert(entry.name, entry.alias);
  QSet<QString> conditioned;
  for (const ConditionEntry& entry : session_.conditions()) conditioned.insert(entry.name);

  const QString& search = filter_.search;
  QHash<QString, QIcon> iconCache;
  for (const CatalogEntry& entry : catalog_) {
    const QString typeName = typeNameOfCode(entry.type);
    const QString name = QString::fromStdString(entry.fullName);
    const QString display = itemText(name, aliasByName.value(name));
    if (!search.isEmpty() && !name.contains(search, Qt::CaseInsensitive) &&
        !display.contains(search, Qt::CaseInsensitive))
      continue;

    auto* item = new VarItem(display, name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(session_.isSelected(name) ? Qt::Checked : Qt::Unchecked);
    item->variableId = entry.id;
    const bool hasCondition = conditioned.contains(name);
    const QString iconKey = typeName + (hasCondition ? QStringLiteral("+") : QString());
    auto icon = iconCache.find(iconKey);
    if (icon == iconCache.end()) icon = iconCache.insert(iconKey, conditionIcon(typeName, hasCondition));
    item->setIcon(*icon);
    item->setToolTip(variableTooltip(entry));
    list_->addItem(item);
  }
  updateCounter();
}

QString VariableListPanel::typeNameOf(const QString& name) const {
  if (!catalogLoaded_) return QString();
  const std::string key = name.toStdString();
  for (const CatalogEntry& entry : catalog_)
    if (entry.fullName == key) return typeNameOfCode(entry.type);
  return QString();
}

void VariableListPanel::setFilter(const VariableFilter& filter) {
  filter_ = filter;
  if (filesOpen()) applyFilter();
}

void VariableListPanel::applyFilter() {
  const QString& search = filter_.search;
  for (int i = 0; i < list_->count(); ++i) {
    auto* item = static_cast<VarItem*>(list_->item(i));
    const QString name = item->fullName();
    const bool searchMatch = search.isEmpty() || item->text().contains(search, Qt::CaseInsensitive) ||
                             name.contains(search, Qt::CaseInsensitive);
    const bool selectionMatch = !filter_.selectedOnly || item->checkState() == Qt::Checked;
    bool visible = searchMatch && selectionMatch;
    if (visible && catalogLoaded_) visible = filter_.allowsType(typeByName_.value(name));
    if (item->isHidden() == visible) item->setHidden(!visible);
  }
  updateCounter();
}

void VariableListPanel::itemChanged(QListWidgetItem* changed) {
  const auto* item = static_cast<VarItem*>(changed);
  session_.setSelected(item->fullName(), item->checkState() != Qt::Unchecked);
  if (filter_.selectedOnly && filesOpen()) applyFilter();
  updateCounter();
}

void VariableListPanel::setVisibleItemsChecked(bool checked) {
  const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
  QSet<QString> selection = session_.selection();
  {
    // One filter pass, one count and one selection change for the whole
    // batch, not one per item.
    const QSignalBlocker blocker(list_);
    for (int i = 0; i < list_->count(); ++i) {
      auto* item = static_cast<VarItem*>(list_->item(i));
      if (item->isHidden()) continue;
      item->setCheckState(state);
      if (checked) selection.insert(item->fullName());
      else selection.remove(item->fullName());
    }
  }
  session_.setSelection(selection);
  if (filter_.selectedOnly && filesOpen()) applyFilter();
  updateCounter();
  list_->viewport()->update();
}

QStringList VariableListPanel::checkedNames() const {
  QStringList names;
  for (const VarItem* item : checkedItems()) names << item->fullName();
  return names;
}

QList<const VarItem*> VariableListPanel::checkedItems() const {
  QList<const VarItem*> items;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->checkState() != Qt::Unchecked) items << static_cast<const VarItem*>(list_->item(i));
  return items;
}

QString VariableListPanel::counterText() const { return title_->text(); }

void VariableListPanel::updateCounter() {
  int checked = 0;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->checkState() == Qt::Checked) ++checked;
  title_->setText(QStringLiteral("Data (%1/%2 Selected)").arg(checked).arg(list_->count()));
}

void VariableListPanel::showAliases() {
  QHash<QString, QString> aliasByName;
  for (const AliasEntryText& entry : session_.aliases()) aliasByName.insert(entry.name, entry.alias);
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    const QString name = static_cast<VarItem*>(item)->fullName();
    const QString text = itemText(name, aliasByName.value(name));
    if (item->text() != text) {
      const QSignalBlocker blocker(list_);
      item->setText(text);
    }
  }
}

void VariableListPanel::showConditionMarks() {
  QSet<QString> conditioned;
  for (const ConditionEntry& entry : session_.conditions()) conditioned.insert(entry.name);
  QHash<QString, QIcon> iconCache;
  const QSignalBlocker blocker(list_);
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    const QString name = static_cast<VarItem*>(item)->fullName();
    const bool hasCondition = conditioned.contains(name);
    // Only the items whose mark changes are drawn again.
    if ((item->icon().availableSizes().value(0).width() == 24) == hasCondition) continue;
    const QString typeName = typeByName_.value(name);
    const QString iconKey = typeName + (hasCondition ? QStringLiteral("+") : QString());
    auto icon = iconCache.find(iconKey);
    if (icon == iconCache.end()) icon = iconCache.insert(iconKey, conditionIcon(typeName, hasCondition));
    item->setIcon(*icon);
  }
  list_->viewport()->update();
}

void VariableListPanel::showContextMenu(const QPoint& pos) {
  // The position is in the list's viewport, where its items are.
  auto* item = dynamic_cast<VarItem*>(list_->itemAt(pos));
  if (!item) return;
  const QString name = item->fullName();
  contextVariable_ = name;

  QMenu menu(tr("Context menu"), this);
  menu.addAction(QStringLiteral("Add alias"), this, [this, name] { askAlias(name); });
  menu.addAction(QStringLiteral("Remove alias"), this, [this, name] { removeAlias(name); });
  // Row limits only make sense for numbers that the CSV compares.
  const QString type = typeNameOf(name);
  if (type == QLatin1String("DATALOGGER_FLOAT_TYPE") || type == QLatin1String("DATALOGGER_INTEGER_TYPE")) {
    QMenu* conditions = menu.addMenu(tr("Add condition"));
    conditions->addAction(QStringLiteral("Minimum value"), this, [this, name] { askLimit(name, kMinimum); });
    conditions->addAction(QStringLiteral("Maximum value"), this, [this, name] { askLimit(name, kMaximum); });
  }
  menu.exec(list_->viewport()->mapToGlobal(pos));
}

void VariableListPanel::askAlias(const QString& name) {
  bool ok = false;
  const QString text = QInputDialog::getText(this, QStringLiteral("Allias"), QStringLiteral("New name :"),
                                             QLineEdit::Normal, name, &ok);
  if (!ok || text.isEmpty()) return;
  session_.setAlias(name, text);
}

void VariableListPanel::removeAlias(const QString& name) {
  if (session_.aliasOf(name).isEmpty()) return;
  session_.setAlias(name, QString());
}

void VariableListPanel::askLimit(const QString& name, const QString& kind) {
  const QString prompt = kind == kMaximum ? tr("Delete all lines with values above :")
                                          : tr("Delete all lines with values under :");
  bool ok = false;
  const double limit =
      QInputDialog::getDouble(this, tr("QInputDialog::getDouble()"), prompt, 0, -10000000, 10000000, 6, &ok);
  if (!ok) return;
  session_.addCondition({name, kind, limitText(limit)});
}
