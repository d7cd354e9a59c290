// Diagnostic output. Everything the program reports goes to standard output,
// flushed at once so that it interleaves correctly with the decode thread's
// progress and with output of child processes in scripts.
#pragma once

#include <QString>

// Writes `text` as UTF-8 followed by a newline, then flushes.
void consoleLine(const QString& text);
// Writes `text` as UTF-8 without a newline, then flushes.
void consoleText(const QString& text);
