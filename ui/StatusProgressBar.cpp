#include "ui/StatusProgressBar.h"

#include "ui/DrawableSigns.h"

QString StatusProgressBar::text() const { return withDrawableSigns(QProgressBar::text(), font()); }
