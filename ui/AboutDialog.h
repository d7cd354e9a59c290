// The small modal dialog of the Version menu: program and file-format versions.
#pragma once

#include <QDialog>

// Version of this program and the newest log-file format it reads.
inline constexpr const char* kDecoderVersion = "TARVIK_2026-04_002-18";
inline constexpr int kZrlFormatVersion = 4;

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent);
};
