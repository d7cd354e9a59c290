#include "ui/WidgetStyleSheets.h"

namespace widgetstyle {

QString filtersGroupBox() {
  return QStringLiteral(R"(
QGroupBox#filtersGroupBox {
    padding: 30px 8px 4px 8px;
    margin-bottom: 0px;
}
QFrame#typeFiltersFrame, QWidget#searchFrame {
    background-color: transparent;
    border: none;
}
QPushButton#selectedOnlyToggle {
    background-color: #F8F9FA;
    border: 1px solid #E1E5E9;
    border-radius: 4px;
    font-size: 12px;
    font-weight: 500;
    color: #6C757D;
}
)");
}

QString searchIcon() {
  return QStringLiteral(R"(
QLabel#searchIcon {
    font-size: 16px;
    font-weight: bold;
    color: #007ACC;
    background-color: transparent;
    border: none;
}
)");
}

QString varFilter() {
  return QStringLiteral(R"(
QLineEdit#varFilter {
    border: 1px solid #007ACC;
    background-color: white;
    font-size: 14px;
    font-weight: 500;
    color: black;
    padding: 8px 35px;
    border-radius: 6px;
    min-height: 14px;
    max-height: 14px;
}
QLineEdit#varFilter:focus {
    border: 2px solid #007ACC;
}
)");
}

QString clearSearchButton() {
  return QStringLiteral(R"(
QPushButton#clearSearchButton {
    background-color: transparent;
    border: none;
    padding: 0px;
    font-size: 16px;
    font-weight: bold;
    color: #007ACC;
    min-height: 20px;
    max-height: 20px;
}
QPushButton#clearSearchButton:hover {
    background-color: #007ACC;
    color: white;
    border-radius: 10px;
}
QPushButton#clearSearchButton:pressed {
    background-color: #005A9E;
    color: white;
    border-radius: 10px;
}
)");
}

QString typeFiltersFrame() {
  return QStringLiteral(R"(
QFrame#typeFiltersFrame {
    background-color: transparent;
    border: none;
}
QFrame#typeFiltersFrame QLabel {
    font-size: 14px;
    font-weight: 600;
    margin-right: 12px;
}
QFrame#typeFiltersFrame QCheckBox {
    font-size: 12px;
    min-height: 22px;
    max-height: 22px;
    spacing: 5px;
}
QFrame#typeFiltersFrame QCheckBox::indicator {
    width: 14px;
    height: 14px;
    border-radius: 7px;
    border: 2px solid #E1E5E9;
    background-color: white;
    image: none;
}
QFrame#typeFiltersFrame QCheckBox::indicator:hover {
    border-color: #007ACC;
}
)");
}

QString typeFiltersLabel() {
  return QStringLiteral(R"(
QLabel#typeFiltersLabel {
    color: #333333;
    font-weight: 600;
    font-size: 14px;
    margin-right: 8px;
    background-color: transparent;
}
)");
}

QString typeCheckBox(const QString& objectName, const QString& colour) {
  return QStringLiteral(R"(
QCheckBox#%1 {
    font-size: 12px;
    min-height: 22px;
    max-height: 22px;
    spacing: 5px;
    background-color: transparent;
}
QCheckBox#%1::indicator {
    width: 14px;
    height: 14px;
    border-radius: 7px;
    border: 2px solid #E1E5E9;
    background-color: white;
    image: none;
}
QCheckBox#%1::indicator:checked {
    background-color: %2;
    border: 2px solid %2;
}
QCheckBox#%1::indicator:unchecked:hover {
    border: 2px solid %2;
}
)")
      .arg(objectName, colour);
}

QString selectedOnlyToggle() {
  return QStringLiteral(R"(
QPushButton#selectedOnlyToggle {
    background-color: white;
    color: #007ACC;
    border: 1px solid #007ACC;
    border-radius: 2px;
    padding: 2px 4px;
    font-weight: 500;
    min-height: 16px;
    max-height: 16px;
}
QPushButton#selectedOnlyToggle:checked {
    background-color: #007ACC;
    color: white;
}
QPushButton#selectedOnlyToggle:hover {
    background-color: #007ACC;
    color: white;
}
QPushButton#selectedOnlyToggle:checked:hover {
    background-color: #005A9E;
    color: white;
}
)");
}

QString decodeButton() {
  return QStringLiteral(R"(
QPushButton#decodeButton {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #28A745, stop: 1 #20A735);
    border: 1px solid #1E7E34;
    border-radius: 8px;
    padding: 12px 20px;
    font-size: 14px;
    font-weight: 600;
    color: white;
    text-align: center;
    min-height: 19px;
    max-height: 19px;
}
QPushButton#decodeButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #20A735, stop: 1 #1E7E34);
    border-color: #1C7430;
}
QPushButton#decodeButton:pressed {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #1E7E34, stop: 1 #1C7430);
}
QPushButton#decodeButton:disabled {
    background-color: #B0B0B0;
    border-color: #B0B0B0;
    color: rgba(255, 255, 255, 60%);
}
QPushButton#decodeButton[cancel="true"] {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #E63946, stop: 1 #DC3545);
    border-color: #B02A37;
}
QPushButton#decodeButton[cancel="true"]:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #DC3545, stop: 1 #B02A37);
    border-color: #A02834;
}
QPushButton#decodeButton[cancel="true"]:pressed {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #B02A37, stop: 1 #A02834);
}
QPushButton#decodeButton:focus, QPushButton#decodeButton[cancel="true"]:focus {
    border: 2px solid #0B2E59;
}
)");
}

QString dataHeaderFrame() {
  return QStringLiteral(R"(
QFrame#dataHeaderFrame {
    background-color: transparent;
    border: none;
    border-bottom: 1px solid #E8EDF2;
    padding: 0px;
}
)");
}

QString dataFrameTitle() {
  return QStringLiteral("color: #007ACC; background-color: transparent;");
}

namespace {
QString smallHeaderButton(const QString& objectName, const QString& padding) {
  return QStringLiteral(R"(
QPushButton#%1 {
    background-color: white;
    color: #007ACC;
    border: 1px solid #007ACC;
    border-radius: 2px;
    padding: %2;
    font-size: 8pt;
    font-weight: 500;
    min-height: 14px;
    max-height: 14px;
}
QPushButton#%1:hover {
    background-color: #007ACC;
    color: white;
}
QPushButton#%1:pressed {
    background-color: #005A9E;
    color: white;
}
)")
      .arg(objectName, padding);
}
}  // namespace

QString selectAllButton() { return smallHeaderButton("selectAllButton", "1px 6px"); }

QString unselectAllButton() { return smallHeaderButton("unselectAllButton", "1px 4px"); }

QString dataContentFrame() {
  return QStringLiteral("QFrame#dataContentFrame { background-color: transparent; border: none; }");
}

QString varsView() {
  // The frame stays transparent until the keyboard is in the list.
  return QStringLiteral(
      "QListWidget#varsView { background-color: transparent; border: 2px solid transparent; border-radius: 4px; }"
      "QListWidget#varsView:focus { border-color: #007ACC; }"
      "QListWidget#varsView::item:focus { border: 1px dashed #005A9E; }");
}

// The rules of the left column and of the chips name their own widget: a
// rule without a selector, or one for every QWidget or QLabel, would also
// reach the tooltips of the widgets inside, which then lose their background
// and show as black boxes.
QString leftScrollArea() {
  return QStringLiteral("QScrollArea#leftScrollArea { background: transparent; border: none; }");
}

QString leftScrollContent() { return QStringLiteral("QWidget#leftScrollContent { background: transparent; }"); }

QString chipRow() {
  return QStringLiteral("QWidget#conditionChipRow { background: transparent; border: none; }");
}

QString chip() {
  return QStringLiteral(
      "QWidget#conditionChip { background-color: #E8EDF2; border: 1px solid #D1D9E6; border-radius: 12px; "
      "margin: 2px; }");
}

QString chipText() {
  return QStringLiteral(
      "QLabel#conditionChipText { color: #333333; font-size: 8pt; font-weight: 500; padding: 0px; border: none; "
      "background: transparent; }");
}

QString chipDeleteLabel() {
  return QStringLiteral(
      "QLabel#conditionChipDelete {  color: #B71C1C;  font-size: 14px;  font-weight: bold;  "
      "background-color: transparent;}"
      "QLabel#conditionChipDelete:hover {  background-color: #FFCDD2;  border-radius: 10px;}");
}

}  // namespace widgetstyle
