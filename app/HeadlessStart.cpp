#include "app/HeadlessStart.h"

#include "common/Console.h"
#include "common/PathText.h"
#include "session/Session.h"

bool loadRunConfiguration(Session& session, const StartupOptions& options) {
  session.chooseStartupConfig(options.confPath);
  if (session.loadConfig()) return true;
  const bool named = !options.confPath.empty() && session.configPath() == pathFromBytes(options.confPath);
  // The scratch file starts empty: nothing worth a word. A remembered file
  // that cannot be used leaves the defaults in force.
  if (!named && session.usesDefaultConfig()) return true;
  consoleLine(QStringLiteral("Error: configuration ") + session.configPath() + QStringLiteral(": ") +
              session.configFailure());
  return !named;
}
