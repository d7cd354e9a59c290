// The loaded file's variables as a list of check boxes under a header with
// the selection counter and Select/Unselect All. Ticks go to the session's
// selection as the user makes them; aliases and row conditions are added
// from the list's context menu. What is shown follows the filters panel.
#pragma once

#include <QFrame>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

#include "ui/VariableCatalogEntry.h"
#include "ui/VariableLook.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class Session;
class VarItem;

class VariableListPanel : public QFrame {
  Q_OBJECT

 public:
  explicit VariableListPanel(Session& session, QWidget* parent = nullptr);

  // Lists `catalog`: only the variables the search lets through, checked as
  // the session selects them, named with their aliases.
  void populate(const std::vector<CatalogEntry>& catalog);
  // Lists the catalog of the last populate() again; nothing before one.
  void repopulate();
  // Forgets the catalog: nothing listed, as before the first populate().
  void clear();
  bool hasCatalog() const { return catalogLoaded_; }
  const std::vector<CatalogEntry>& catalog() const { return catalog_; }
  // The type name of a listed variable, empty when the catalog has none.
  QString typeNameOf(const QString& name) const;

  // What the filters let through; applied at once when files are open.
  void setFilter(const VariableFilter& filter);
  void applyFilter();

  // The full names of the checked items, in list order.
  QStringList checkedNames() const;
  // The checked items, in list order.
  QList<const VarItem*> checkedItems() const;
  QString counterText() const;

  // The context menu of the item at `pos` (viewport coordinates); none on
  // empty space.
  void showContextMenu(const QPoint& pos);
  // The variable the context menu was last opened on.
  const QString& contextVariable() const { return contextVariable_; }
  // What the context menu's entries do: ask for an alias of `name`, remove
  // it, ask for a limit of a condition ("minimum" or "maximum").
  void askAlias(const QString& name);
  void removeAlias(const QString& name);
  void askLimit(const QString& name, const QString& kind);

  QListWidget* list() const { return list_; }
  QPushButton* selectAllButton() const { return selectAllButton_; }
  QPushButton* unselectAllButton() const { return unselectAllButton_; }
  // Type names of the listed catalog by full name.
  const QMap<QString, QString>& typeByName() const { return typeByName_; }

 private:
  void itemChanged(QListWidgetItem* item);
  void setVisibleItemsChecked(bool checked);
  void updateCounter();
  void showAliases();
  void showConditionMarks();
  bool filesOpen() const;

  Session& session_;
  QLabel* title_;
  QPushButton* selectAllButton_;
  QPushButton* unselectAllButton_;
  QListWidget* list_;
  std::vector<CatalogEntry> catalog_;
  bool catalogLoaded_ = false;
  QMap<QString, QString> typeByName_;
  VariableFilter filter_;
  QString contextVariable_;
};
