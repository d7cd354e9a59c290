#include "app/HeadlessStart.h"

#include "common/Console.h"
#include "common/PathText.h"
#include "session/Session.h"

bool loadRunConfiguration(Session& session, const StartupOptions& options) {
  session.chooseStartupConfig(options.confPath);
  if (session.loadConfig()) return true;
  const bool named = !options.confPath.empty() && session.configPath() == pathFromBytes(options.confPath);
  if (!named) return true;
  consoleLine(QStringLiteral("Error: configuration ") + session.configPath() + QStringLiteral(": ") +
              session.configFailure());
  return false;
}
