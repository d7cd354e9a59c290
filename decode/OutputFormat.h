// The kinds of file a decode can write: the CSV text, or the same rows as
// typed columns in an HDF5 or a MATLAB (v7.3) file.
#pragma once

#include <string>

namespace zrl {

enum class OutputFormat { Csv, Hdf5, Matlab };

// "csv", "hdf5", "mat": the words of the command line and the configuration.
inline const char* outputFormatText(OutputFormat format) {
  switch (format) {
    case OutputFormat::Hdf5: return "hdf5";
    case OutputFormat::Matlab: return "mat";
    case OutputFormat::Csv: break;
  }
  return "csv";
}

// False, leaving `format` alone, for a word outside the list.
inline bool outputFormatFromText(const std::string& text, OutputFormat& format) {
  for (OutputFormat candidate : {OutputFormat::Csv, OutputFormat::Hdf5, OutputFormat::Matlab}) {
    if (text == outputFormatText(candidate)) {
      format = candidate;
      return true;
    }
  }
  return false;
}

// The extension of a generated output name, dot included.
inline const char* outputFormatExtension(OutputFormat format) {
  switch (format) {
    case OutputFormat::Hdf5: return ".h5";
    case OutputFormat::Matlab: return ".mat";
    case OutputFormat::Csv: break;
  }
  return ".csv";
}

}  // namespace zrl
