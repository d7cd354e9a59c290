// The filters of the variable list: a name search, one check box per data
// type and "Selected Only". The four type filters a configuration stores go
// to the session's options; the whole filter is announced as it changes.
#pragma once

#include <QGroupBox>

#include "ui/VariableLook.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Session;

class FiltersPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit FiltersPanel(Session& session, QWidget* parent = nullptr);

  const VariableFilter& filter() const { return filter_; }

  QLineEdit* searchEdit() const { return searchEdit_; }
  QPushButton* clearSearchButton() const { return clearButton_; }
  QPushButton* selectedOnlyToggle() const { return selectedOnlyToggle_; }

 signals:
  void filterChanged(const VariableFilter& filter);

 private:
  void typeBoxToggled(bool& field, bool checked);
  void showOptions();
  void storeOptions();

  Session& session_;
  VariableFilter filter_;
  QLineEdit* searchEdit_;
  QPushButton* clearButton_;
  QPushButton* selectedOnlyToggle_;
  QCheckBox* floatBox_;
  QCheckBox* doubleBox_;
  QCheckBox* integerBox_;
  QCheckBox* stringBox_;
  QCheckBox* booleanBox_;
  bool updating_ = false;
};
