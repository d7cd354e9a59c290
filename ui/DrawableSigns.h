// Signs (emoji and symbols) of the window's texts that the installed fonts
// may lack: each is shown as itself when a font has it, otherwise as the
// nearest sign that one has, rather than as an empty box.
#pragma once

#include <QFont>
#include <QString>

QString withDrawableSigns(const QString& text, const QFont& font);
