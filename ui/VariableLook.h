// How variables and row conditions are shown, shared by the panels that list
// them: type names of the catalog's codes, the coloured type discs with the
// condition funnel, tooltips, limit texts, and what the filters let through.
#pragma once

#include <QIcon>
#include <QString>

#include "session/SessionTypes.h"
#include "ui/VariableCatalogEntry.h"

class Session;

namespace variablelook {

// "DATALOGGER_FLOAT_TYPE"... for a catalog type code; "None" and "UNKNOWN"
// for the codes without a type.
QString typeNameOfCode(unsigned code);
QIcon typeIcon(const QString& typeName);
// The type disc, with the funnel beside it when the variable has a condition.
QIcon conditionIcon(const QString& typeName, bool hasCondition);
QString variableTooltip(const CatalogEntry& entry);
// Where the condition marker image is found: the working directory first,
// then beside the executable, then the copy compiled into the program.
QString funnelImagePath();
// A condition limit as chips and the configuration write it.
QString limitText(double limit);
// The alias of `name`, or the name itself.
QString shownName(const Session& session, const QString& name);
// A condition as its chip reads: "alias > limit" for a minimum.
QString conditionText(const Session& session, const ConditionEntry& condition);

}  // namespace variablelook

// What the filters panel lets through to the variable list.
struct VariableFilter {
  QString search;
  bool selectedOnly = false;
  bool floats = true;
  bool doubles = true;  // saved with the floats: "typeFilterFloat" covers both
  bool integers = true;
  bool strings = true;
  bool booleans = true;
  bool canFrames = true;
  bool timeStamps = true;

  // Types without a check box stay visible rather than vanish.
  bool allowsType(const QString& typeName) const;
};
