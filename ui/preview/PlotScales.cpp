#include "ui/preview/PlotScales.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>

NiceScale niceScale(double low, double high, int maxTicks) {
  if (!std::isfinite(low) || !std::isfinite(high)) return {};
  if (low > high) std::swap(low, high);
  if (low == high) {
    // A constant: the line in the middle of the strip, between round ticks.
    const double room = low == 0 ? 1 : std::abs(low) * 0.1;
    low -= room;
    high += room;
  }
  // Three at least: a range around zero needs a tick below it, at it and above it.
  maxTicks = std::max(3, maxTicks);
  const double span = high - low;
  const NiceScale plain{low, high, high / 2 - low / 2};  // near the ends of double: no round steps left
  if (!std::isfinite(span)) return plain;
  static constexpr double kMantissas[] = {1, 2, 2.5, 5};
  // Candidate steps in rising order from a decade below the average spacing:
  // the first one that needs no more than maxTicks ticks is the tightest.
  const int lowest = static_cast<int>(std::floor(std::log10(span / maxTicks))) - 1;
  for (int exponent = lowest; exponent < lowest + 4; ++exponent) {
    const double decade = std::pow(10.0, exponent);
    for (double mantissa : kMantissas) {
      const double step = mantissa * decade;
      // A value on a tick stays on it despite the rounding of the division.
      const double first = std::floor(low / step + 1e-9), last = std::ceil(high / step - 1e-9);
      if (last - first + 1 <= maxTicks)
        return std::isfinite(first * step) && std::isfinite(last * step) ? NiceScale{first * step, last * step, step}
                                                                          : plain;
    }
  }
  return plain;
}

QString timeAxisFormat(int64_t startMs, int64_t endMs, Qt::TimeSpec timeBase) {
  constexpr int64_t kDayMs = 24 * 3600 * 1000;
  const int64_t span = endMs - startMs;
  const bool withDate = span > kDayMs || QDateTime::fromMSecsSinceEpoch(startMs, timeBase).date() !=
                                             QDateTime::fromMSecsSinceEpoch(endMs, timeBase).date();
  QString time;
  if (span <= 20 * 1000) time = QStringLiteral("HH:mm:ss.zzz");
  else if (span <= 4 * 3600 * 1000) time = QStringLiteral("HH:mm:ss");
  else time = QStringLiteral("HH:mm");
  return withDate ? time + QStringLiteral("\ndd/MM/yyyy") : time;
}

QColor previewColour(const QString& fullName) {
  // Distinct on white and from the limits' red; cycled when there are more names.
  static const QColor kPalette[] = {QColor(0x1F, 0x77, 0xB4), QColor(0xFF, 0x7F, 0x0E), QColor(0x2C, 0xA0, 0x2C),
                                    QColor(0x94, 0x67, 0xBD), QColor(0x8C, 0x56, 0x4B), QColor(0xE3, 0x77, 0xC2),
                                    QColor(0x17, 0xBE, 0xCF), QColor(0xBC, 0xBD, 0x22), QColor(0x7F, 0x7F, 0x7F),
                                    QColor(0x39, 0x3B, 0x79)};
  static QHash<QString, QColor> assigned;
  auto found = assigned.find(fullName);
  if (found == assigned.end())
    found = assigned.insert(fullName, kPalette[assigned.size() % static_cast<int>(std::size(kPalette))]);
  return found.value();
}
