// SIGINT, SIGTERM and SIGHUP in a batch run: the decode stops at its next
// record and removes its partial table, and the run ends with 128 + the
// signal's number, instead of dying with a partial table under the name.
#pragma once

// A second signal of the three ends the process at once, the way it would
// have without these handlers.
void installStopSignalHandlers();

// What the handlers do with a stop signal, for a run with handlers of its own:
// every decode stops at its next record; a second signal ends the process.
// Async-signal-safe.
void stopOnSignal(int signal);
