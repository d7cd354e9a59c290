// File names as the system gives them: bytes, not necessarily UTF-8. A
// QString made from them with fromStdString or QFile::decodeName loses the
// bytes that are not UTF-8, and the file could then never be opened again.
// Here each such byte is kept as one unpaired surrogate (U+DC80 to U+DCFF),
// so that a name survives the trip through QString byte for byte.
#pragma once

#include <QString>

#include <string>

// The name of the bytes `bytes` (UTF-8 where they are).
QString pathFromBytes(const std::string& bytes);

// The bytes of a name made by pathFromBytes (UTF-8 for any other text).
std::string pathBytes(const QString& path);

// UTF-8 text of `text` for a message, each kept byte shown as "\xHH": a
// name the terminal cannot show still tells which file it is.
QByteArray visibleText(const QString& text);
