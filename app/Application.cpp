#include "app/Application.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

#include "app/BatchRun.h"
#include "app/HeadlessPlatform.h"
#include "app/IndexRun.h"
#include "app/InfoRun.h"
#include "app/PrintConfig.h"
#include "app/QtMessageFilter.h"
#include "app/StopSignals.h"
#include "app/WatchRun.h"
#include "app/WatchStatus.h"
#include "common/Console.h"
#include "index/IndexStore.h"
#include "ui/MonitorWindow.h"

namespace {

// Batch and info runs need no display and no platform plugin: a core
// application gives them the event loop, settings and paths, and no widget
// is ever made.
int runHeadless(const StartupOptions& options, int& argc, char** argv) {
  if (options.batch && !options.info && !options.printConfig) installStopSignalHandlers();
  installQtMessageFilter();
  QCoreApplication application(argc, argv);
  if (options.printConfig) return runPrintConfig(options);
  if (options.index) return runIndex(options);
  // --info describes the log and ends, with or without --batch.
  return options.info ? runInfo(options) : runBatch(options);
}

// A watched folder runs until it is stopped, without display or widget.
int runWatchHeadless(const StartupOptions& options, int& argc, char** argv) {
  installQtMessageFilter();
  QCoreApplication application(argc, argv);
  return options.watchStatus ? runWatchStatus(options) : runWatch(options);
}

}  // namespace

int runApplication(const StartupOptions& options, int& argc, char** argv) {
  if (options.noIndex) zrl::setIndexesEnabled(false);
  if (options.watchDir || options.watchStatus) return runWatchHeadless(options, argc, argv);
  // A batch run without a log file would have nothing to decode and nothing
  // that ever ends it.
  if (options.batch && options.logPath.empty() && !options.printConfig) {
    consoleLine(QStringLiteral("Error: --batch needs a log file to decode (--zrl <path>)."));
    return 1;
  }
  if (options.csvName == "-" && !options.info && !reserveStandardOutputForTable()) {
    consoleLine(QStringLiteral("Error: standard output cannot take the table."));
    return 1;
  }
  if (options.batch || options.info || options.printConfig || options.index)
    return runHeadless(options, argc, argv);

  if (windowCannotBeShown()) {
    std::fputs("No display available: use --batch or --info for command-line work.\n", stderr);
    return 1;
  }
  installQtMessageFilter();
  QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
  QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
  auto application = std::make_unique<QApplication>(argc, argv);
  auto window = std::make_unique<MonitorWindow>(options);
  window->show();
  const int status = QApplication::exec();
  if (options.verbose) reportLine(QStringLiteral("Exiting ZRL decoder."));
  window.reset();
  application.reset();
  return status;
}
