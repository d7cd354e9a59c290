// Style sheets that single widgets of the main window carry themselves; they
// take precedence over the window's main style sheet.
#pragma once

#include <QString>

namespace widgetstyle {

QString filtersGroupBox();
QString searchIcon();
QString varFilter();
QString clearSearchButton();
QString typeFiltersFrame();
QString typeFiltersLabel();
// A type check box drawn in its type's colour, e.g. "#FF8C00" for Float.
QString typeCheckBox(const QString& objectName, const QString& colour);
QString selectedOnlyToggle();
QString decodeButton();
QString dataHeaderFrame();
QString dataFrameTitle();
QString selectAllButton();
QString unselectAllButton();
QString dataContentFrame();
QString varsView();
QString leftScrollArea();
QString leftScrollContent();

// Condition chips of the conditions panel.
QString chipRow();
QString chip();
QString chipText();
QString chipDeleteLabel();

}  // namespace widgetstyle
