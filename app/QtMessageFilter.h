// Keeps Qt's own start-up chatter off standard error in headless runs.
#pragma once

// Installs a message handler that drops Qt's notice about a missing
// XDG_RUNTIME_DIR (harmless: Qt picks a private directory itself, and cron
// jobs and CI machines seldom set it) and passes every other message on to
// Qt's default handler. Scripts that run --batch or --info read standard
// error as the channel of real failures.
void installQtMessageFilter();

// True for the messages the filter drops.
bool isIgnorableQtNotice(const char* message);
