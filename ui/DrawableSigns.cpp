#include "ui/DrawableSigns.h"

#include <QFontMetrics>
#include <QVector>

namespace {

struct SignFallback {
  uint sign;
  QVector<uint> alternatives;  // tried in order; an empty text when none is drawable
  const char* lastResort;
};

const SignFallback kFallbacks[] = {
    {0x2705, {0x2714, 0x2713}, ""},    // white heavy check mark -> heavy check mark, check mark
    {0x26A0, {0x25B2}, "!"},           // warning sign
    {0x25B6, {0x25BA, 0x25B8}, ">"},   // play sign of the decode button
    {0x2715, {0x00D7}, "x"},           // multiplication x of the chip delete label
    {0x00D7, {}, "x"},
    {0x2026, {}, "..."},
};

bool isVariationSelector(uint codePoint) { return codePoint == 0xFE0F || codePoint == 0xFE0E; }

}  // namespace

QString withDrawableSigns(const QString& text, const QFont& font) {
  const QVector<uint> codePoints = text.toUcs4();
  bool plain = true;
  for (uint c : codePoints) plain = plain && c < 0x80;
  if (plain) return text;

  const QFontMetrics metrics(font);
  QString shown;
  bool skipSpace = false;
  for (int i = 0; i < codePoints.size(); ++i) {
    const uint c = codePoints[i];
    if (skipSpace && c == ' ') {
      skipSpace = false;
      continue;
    }
    skipSpace = false;
    if (c < 0x80 || isVariationSelector(c) || metrics.inFontUcs4(c)) {
      shown += QString::fromUcs4(&c, 1);
      continue;
    }
    QString replacement;
    bool known = false;
    for (const SignFallback& fallback : kFallbacks) {
      if (fallback.sign != c) continue;
      known = true;
      for (uint alternative : fallback.alternatives) {
        if (!metrics.inFontUcs4(alternative)) continue;
        replacement = QString::fromUcs4(&alternative, 1);
        break;
      }
      if (replacement.isEmpty()) replacement = QString::fromLatin1(fallback.lastResort);
    }
    if (!known) {
      // Letters of other alphabets are left to the font fallback of the system.
      shown += QString::fromUcs4(&c, 1);
      continue;
    }
    // The variation selector asked for the emoji form of the sign replaced.
    if (i + 1 < codePoints.size() && isVariationSelector(codePoints[i + 1])) ++i;
    if (replacement.isEmpty()) skipSpace = true;
    shown += replacement;
  }
  return shown;
}
