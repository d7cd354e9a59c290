// The rows of a decode as an HDF5 file: one dataset per selected variable,
// named by its alias or full name and typed as logged (see TypedColumns.h),
// plus `time` (int64 ms since 1970 UTC) and, under `valid/`, the validity
// mask of each integer, flag and timestamp column. Attributes name each
// variable, its unit, type and alias; the root's hold the log's serial
// number, note, firmware, start and end and the decode's settings.
//
// Rows are buffered a block at a time and appended to chunked, compressed
// datasets, so memory stays the same for a log of any length.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "decode/RowSink.h"
#include "hdf5/Hdf5File.h"
#include "hdf5/TypedColumns.h"

namespace zrl {

// Rows buffered per block: 64 Ki, fewer for very wide tables.
std::size_t blockRowsFor(std::size_t columns);

// The stored and the in-memory type of a number column (a text column has
// neither: float64 is given).
hid_t numberFileType(CellStorage storage);
hid_t numberMemoryType(CellStorage storage);

class Hdf5Sink : public RowSink {
 public:
  Hdf5Sink();
  ~Hdf5Sink() override;

  bool writesFile() const override { return true; }
  void setFile(const std::string& partPath, const LogFacts& facts) override;
  bool begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
             const std::string& serialNumber) override;
  void writeRow(uint64_t rowMs, const DataValue* const* cells) override;
  bool end(bool cancelled) override;
  bool failed() const override { return failed_; }
  const std::string& errorText() const override { return errorText_; }

 private:
  bool describeFile(const DecodeSettings& settings);
  bool createColumn(std::size_t i);
  bool appendBlock();
  void failWrite();
  void closeFile();

  std::string partPath_;
  LogFacts facts_;
  std::vector<TypedColumn> columns_;
  RowBlock block_;
  hid_t file_ = -1;
  hid_t validGroup_ = -1;
  hid_t textType_ = -1;
  GrowingDataset time_;
  std::vector<GrowingDataset> data_;
  std::vector<GrowingDataset> valid_;
  std::vector<const char*> textCells_;
  bool failed_ = false;
  std::string errorText_;
};

}  // namespace zrl
