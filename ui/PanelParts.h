// Small builders the panels share: labels, combo boxes and layouts with the
// object names that the style sheets address them by.
#pragma once

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QStringList>
#include <QStyle>
#include <QWidget>

namespace panelparts {

inline QLabel* richLabel(QWidget* parent, const char* name, bool wordWrap = false) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::RichText);
  label->setWordWrap(wordWrap);
  return label;
}

inline QLabel* plainLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

inline QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setCurrentIndex(0);
  return box;
}

template <typename Layout>
Layout* boxLayout(const char* name, int spacing, int left, int top, int right, int bottom) {
  auto* layout = new Layout;
  layout->setObjectName(QString::fromLatin1(name));
  layout->setSpacing(spacing);
  layout->setContentsMargins(left, top, right, bottom);
  return layout;
}

template <typename Layout>
Layout* boxLayout(const char* name, int spacing) {
  auto* layout = new Layout;
  layout->setObjectName(QString::fromLatin1(name));
  layout->setSpacing(spacing);
  return layout;
}

inline void setPointSize(QWidget* widget, int points) {
  QFont font = widget->font();
  font.setPointSize(points);
  widget->setFont(font);
}

// A dynamic property the style sheet selects on changed: drawn again at once.
inline void repolish(QWidget* widget) {
  widget->style()->unpolish(widget);
  widget->style()->polish(widget);
  widget->update();
}

}  // namespace panelparts
