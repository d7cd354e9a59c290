#include "ui/VariableLook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

#include "session/Session.h"

namespace {

const QString kFloat = QStringLiteral("DATALOGGER_FLOAT_TYPE");
const QString kDouble = QStringLiteral("DATALOGGER_DOUBLE_TYPE");
const QString kInteger = QStringLiteral("DATALOGGER_INTEGER_TYPE");
const QString kString = QStringLiteral("DATALOGGER_STRING_TYPE");
const QString kBoolean = QStringLiteral("DATALOGGER_BOOLEAN_TYPE");
const QString kCanFrame = QStringLiteral("DATALOGGER_CANFRAME_TYPE");
const QString kTimeStamp = QStringLiteral("DATALOGGER_TIMESTAMP_TYPE");

struct TypeLook {
  const char* colour;
  const char* word;
};

TypeLook lookOf(const QString& typeName) {
  if (typeName == kFloat) return {"#FF8C00", "Float"};
  if (typeName == kDouble) return {"#8B5A2B", "Double"};
  if (typeName == kInteger) return {"#28A745", "Integer"};
  if (typeName == kString) return {"#6F42C1", "String"};
  if (typeName == kBoolean) return {"#DC3545", "Boolean"};
  if (typeName == kCanFrame) return {"#007ACC", "CAN Frame"};
  if (typeName == kTimeStamp) return {"#20B2AA", "Timestamp"};
  return {"#777777", "Unknown"};
}

QPixmap typePixmap(const QString& typeName) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor colour(QString::fromLatin1(lookOf(typeName).colour));
  painter.setBrush(colour);
  painter.setPen(QPen(colour.darker(120), 1));
  painter.drawEllipse(QRect(2, 2, 12, 12));
  return pixmap;
}

}  // namespace

namespace variablelook {

QString typeNameOfCode(unsigned code) {
  switch (code) {
    case 0: return QStringLiteral("None");
    case 1: return kBoolean;
    case 2: return kInteger;
    case 3: return kFloat;
    case 4: return kDouble;
    case 5: return kString;
    case 6: return kCanFrame;
    case 7: return kTimeStamp;
    default: return QStringLiteral("UNKNOWN");
  }
}

QIcon typeIcon(const QString& typeName) { return QIcon(typePixmap(typeName)); }

QString funnelImagePath() {
  const QString relative = QStringLiteral("images/funnel-icon.png");
  if (QFileInfo::exists(relative)) return relative;
  const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(relative);
  if (QFileInfo::exists(besideProgram)) return besideProgram;
  // An installed program has no images folder beside it: the copy compiled
  // into the resources serves then.
  const QString compiledIn = QStringLiteral(":/resources/images/funnel-icon.png");
  if (QFileInfo::exists(compiledIn)) return compiledIn;
  return QString();
}

QIcon conditionIcon(const QString& typeName, bool hasCondition) {
  if (!hasCondition) return typeIcon(typeName);
  QPixmap pixmap(24, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(0, 0, typePixmap(typeName));
  const QString funnelPath = funnelImagePath();
  if (!funnelPath.isEmpty()) {
    const QPixmap funnel = QPixmap(funnelPath).scaled(8, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!funnel.isNull()) painter.drawPixmap(16, 0, funnel);
  }
  painter.end();
  return QIcon(pixmap);
}

QString variableTooltip(const CatalogEntry& entry) {
  const QString word = QString::fromLatin1(lookOf(typeNameOfCode(entry.type)).word);
  const QString unit = QString::fromStdString(entry.unitSymbol);
  return QStringLiteral("Data type: %1").arg(word) +
         (unit.isEmpty() ? QStringLiteral("\nUnit: (no unit)") : QStringLiteral("\nUnit: %1").arg(unit));
}

QString limitText(double limit) { return QString::number(limit, 'g', 6); }

QString shownName(const Session& session, const QString& name) {
  for (const AliasEntryText& entry : session.aliases())
    if (entry.name == name) return entry.alias;
  return name;
}

QString conditionText(const Session& session, const ConditionEntry& condition) {
  // "minimum" drops rows under the limit, so the chip reads "name > limit".
  const QString sign = condition.kind == QLatin1String("maximum") ? QStringLiteral(" < ") : QStringLiteral(" > ");
  return shownName(session, condition.name) + sign + condition.limit;
}

}  // namespace variablelook

bool VariableFilter::allowsType(const QString& typeName) const {
  if (typeName == kFloat) return floats;
  if (typeName == kDouble) return doubles;
  if (typeName == kInteger) return integers;
  if (typeName == kString) return strings;
  if (typeName == kBoolean) return booleans;
  if (typeName == kCanFrame) return canFrames;
  if (typeName == kTimeStamp) return timeStamps;
  return true;
}
