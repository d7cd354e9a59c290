#include "common/TimeArgument.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <regex>

namespace {

// Milliseconds from up to three fraction digits; further digits are below
// what a row time can show and are dropped.
int64_t fractionMs(const std::string& digits) {
  std::string padded = digits.substr(0, 3);
  padded.resize(3, '0');
  return std::stoll(padded);
}

std::optional<TimeArgument> parseFromStart(const std::string& text) {
  static const std::regex form(R"(\+(\d{1,12})(?:\.(\d{1,9}))?)");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return std::nullopt;
  TimeArgument time;
  time.kind = TimeArgument::Kind::FromStart;
  time.ms = std::stoll(m[1].str()) * 1000 + (m[2].matched ? fractionMs(m[2].str()) : 0);
  return time;
}

std::optional<TimeArgument> parseDateTime(const std::string& text) {
  static const std::regex form(
      R"((\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,9}))?(Z|([+-])(\d{2}):(\d{2}))?)");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return std::nullopt;
  auto number = [&m](int group) { return std::stoi(m[group].str()); };
  const QDate date(number(1), number(2), number(3));
  const QTime clock(number(4), number(5), number(6),
                    m[7].matched ? static_cast<int>(fractionMs(m[7].str())) : 0);
  if (!date.isValid() || !clock.isValid()) return std::nullopt;

  TimeArgument time;
  time.ms = QDateTime(date, clock, Qt::UTC).toMSecsSinceEpoch();
  if (!m[8].matched) {
    time.kind = TimeArgument::Kind::ZoneLess;
    return time;
  }
  time.kind = TimeArgument::Kind::Zoned;
  if (m[9].matched) {
    const int hours = number(10);
    const int minutes = number(11);
    if (hours > 23 || minutes > 59) return std::nullopt;
    const int64_t offsetMs = (hours * 60 + minutes) * 60000LL;
    time.ms -= m[9].str() == "+" ? offsetMs : -offsetMs;
  }
  return time;
}

}  // namespace

std::optional<TimeArgument> parseTimeArgument(const std::string& text) {
  std::optional<TimeArgument> time = text.rfind('+', 0) == 0 ? parseFromStart(text) : parseDateTime(text);
  if (time) time->text = text;
  return time;
}

int64_t resolveTimeArgument(const TimeArgument& time, int64_t fileStartMs, bool utc) {
  switch (time.kind) {
    case TimeArgument::Kind::FromStart:
      return fileStartMs + time.ms;
    case TimeArgument::Kind::ZoneLess:
      if (!utc) {
        const QDateTime wallClock = QDateTime::fromMSecsSinceEpoch(time.ms, Qt::UTC);
        return QDateTime(wallClock.date(), wallClock.time(), Qt::LocalTime).toMSecsSinceEpoch();
      }
      return time.ms;
    case TimeArgument::Kind::Zoned:
      break;
  }
  return time.ms;
}

bool endVisiblyBeforeStart(const TimeArgument& start, const TimeArgument& end) {
  // Two zone-less times share whatever zone applies, so they order as read.
  return start.kind == end.kind && end.ms < start.ms;
}
