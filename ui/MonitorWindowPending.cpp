// Start-up, log-file loading, configuration file and decode operations of the
// window. Placeholders: they do nothing until those parts are connected.
#include "ui/MonitorWindow.h"

void MonitorWindow::runStartupSequence() {}

bool MonitorWindow::loadLogFile(const QString&) { return false; }

Json::Value MonitorWindow::buildInfoJson() const { return Json::Value(Json::objectValue); }

void MonitorWindow::requestDecodeCancel() {}

void MonitorWindow::releaseDecoder() { decoder = nullptr; }

void MonitorWindow::loadconf() {}

void MonitorWindow::saveconf() {}

void MonitorWindow::saveCurrentConfig() {}

void MonitorWindow::jobComplete() {}

void MonitorWindow::showProgress() {}

void MonitorWindow::on_decodeButton_clicked() {}
