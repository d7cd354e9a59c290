// The start both headless runs share: the configuration they use.
#pragma once

#include "common/StartupOptions.h"

class Session;

// Chooses and reads the configuration into `session`. False (with the
// message printed) when a configuration named with --conf cannot be used: a
// script that names one must not get a decode made with other settings.
bool loadRunConfiguration(Session& session, const StartupOptions& options);
