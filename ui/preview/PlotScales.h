// The scales of the preview's strips: round tick values for a value axis and
// the label format of the time axis.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

struct NiceScale {
  double low = 0;   // the first tick, at or below the lowest value
  double high = 1;  // the last tick, at or above the highest value
  double step = 1;  // 1, 2, 2.5 or 5 times a power of ten
};

// The tightest scale of round ticks covering [low, high] with at most
// `maxTicks` ticks (at least 3). A single value gets some room around it;
// values that are not finite give 0..1.
NiceScale niceScale(double low, double high, int maxTicks);

// The format of the time axis' labels over [startMs, endMs]: finer for short
// spans, with the date on a second line when the span crosses midnight or is
// longer than a day (in `timeBase`, local time or UTC).
QString timeAxisFormat(int64_t startMs, int64_t endMs, Qt::TimeSpec timeBase);

// The colour of a variable, the same for as long as the program runs: the
// next colour of a fixed palette the first time a name is seen.
QColor previewColour(const QString& fullName);
