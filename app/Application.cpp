#include "app/Application.h"

#include <QApplication>

#include <cstdio>
#include <memory>

#include "common/Console.h"
#include "app/HeadlessPlatform.h"
#include "app/QtMessageFilter.h"
#include "app/StopSignals.h"
#include "ui/MonitorWindow.h"

int runApplication(const StartupOptions& options, int& argc, char** argv) {
  // A batch run without a log file would have nothing to decode and nothing
  // that ever ends it.
  if (options.batch && options.logPath.empty()) {
    consoleLine(QStringLiteral("Error: --batch needs a log file to decode (--zrl <path>)."));
    return 1;
  }

  if (windowCannotBeShown(options)) {
    std::fputs("No display available: use --batch or --info for command-line work.\n", stderr);
    return 1;
  }

  if (options.csvName == "-" && !options.info && !reserveStandardOutputForTable()) {
    consoleLine(QStringLiteral("Error: standard output cannot take the table."));
    return 1;
  }
  if (options.batch) installStopSignalHandlers();

  selectHeadlessPlatformIfNeeded(options);
  installQtMessageFilter();
  QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
  QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
  auto application = std::make_unique<QApplication>(argc, argv);

  auto window = std::make_unique<MonitorWindow>(options);
  if (!options.batch) window->show();
  const int status = QApplication::exec();

  // A batch run ends from the completion handling; the farewell line belongs
  // to interactive runs only.
  if (options.verbose && !options.batch) consoleLine(QStringLiteral("Exiting ZRL decoder."));
  window.reset();
  application.reset();
  return status;
}
