// A batch decode without any widget: each log named on the command line is
// loaded, gets its own selection, and is decoded in the background in turn.
#pragma once

#include <QString>

#include <string>

#include "common/StartupOptions.h"
#include "session/DecodeJob.h"

class LoadedLog;
class Session;

// Returns the process exit status: 0 all decoded, 1 a load or decode
// failed, 2 a usage error found once a log is known, 128+N a stop signal.
// Needs a QCoreApplication.
int runBatch(const StartupOptions& options);

// The steps every headless run that decodes takes, so that each of them
// honours the same options the same way.
//
// The command line's CSV choices over the session's configuration; false
// after saying why they cannot be used.
bool applyRunCsvOptions(Session& session, const StartupOptions& options);
// Selects the variables of `log` (loaded in `session`) as --alldata, --vars
// or the configuration say, warning of names that are missing; the reason
// the selection cannot be made, or empty.
QString selectRunVariables(Session& session, const LoadedLog& log, const StartupOptions& options);
// What the command line asks of a decode beyond the session; `databaseProblem`
// says why the configuration's database settings cannot be used.
DecodeRequestOverrides runOverrides(const StartupOptions& options, const Session& session,
                                    std::string& databaseProblem);
