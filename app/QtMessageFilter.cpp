#include "app/QtMessageFilter.h"

#include <QString>
#include <QtGlobal>

#include <cstring>

namespace {

QtMessageHandler previousHandler = nullptr;

void filterQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && isIgnorableQtNotice(message.toUtf8().constData())) return;
  if (previousHandler != nullptr) previousHandler(type, context, message);
}

}  // namespace

bool isIgnorableQtNotice(const char* message) {
  return message != nullptr &&
         std::strncmp(message, "QStandardPaths: XDG_RUNTIME_DIR not set", 39) == 0;
}

void installQtMessageFilter() { previousHandler = qInstallMessageHandler(filterQtMessage); }
