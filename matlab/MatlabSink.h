// The rows of a decode as a MATLAB v7.3 file (HDF5 inside): a column
// vector per selected variable under a MATLAB identifier made of its alias
// or full name (see MatlabIdentifiers.h), typed as logged (see
// TypedColumns.h; Boolean as logical), `time_ms` (int64 ms since 1970 UTC)
// and `t` (double, seconds from the log's start). The
// struct `names` gives, per identifier, the variable's full name and unit;
// `log` the log's serial number, note, firmware, start and end.
//
// matio makes the file (its header) and writes the two structs. The columns
// are appended a block of rows at a time through the HDF5 library on the
// same open file, laid out as MATLAB lays them out, since matio appends
// only in small chunks at its slowest compression, which cannot be tuned.
// Numbers are chunked and compressed as in Hdf5Sink (shuffle, then
// deflate). Text columns are cell arrays of char: references to char
// arrays under "#refs#"; a text that repeats the cell before it, or one of
// the recent texts of its column, is referred to again instead of stored
// twice.
//
// An empty cell is NaN in a single or double column and '' in a cell
// array; an integer, logical or timestamp column holds 0 there, and its
// logical vector <identifier>_valid holds false (true where the cell has a
// value).
#pragma once

#include <matio.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "decode/RowSink.h"
#include "hdf5/Hdf5File.h"
#include "hdf5/TypedColumns.h"

namespace zrl {

class MatlabSink : public RowSink {
 public:
  MatlabSink();
  ~MatlabSink() override;

  bool writesFile() const override { return true; }
  void setFile(const std::string& partPath, const LogFacts& facts) override;
  bool begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
             const std::string& serialNumber) override;
  void writeRow(uint64_t rowMs, const DataValue* const* cells) override;
  bool end(bool cancelled) override;
  bool failed() const override { return failed_; }
  const std::string& errorText() const override { return errorText_; }

  // The identifiers of the last begin(), in column order.
  const std::vector<std::string>& identifiers() const { return identifiers_; }

 private:
  struct TextColumn {
    GrowingDataset cells;
    std::unordered_map<std::string, hobj_ref_t> recent;
    std::vector<hobj_ref_t> refs;  // of the block being appended
  };

  bool writeDescriptions();
  bool createNumbers();
  bool createVector(GrowingDataset& set, const std::string& name, CellStorage storage, bool logical);
  bool closeNumbers();
  bool appendBlock();
  bool appendTexts(std::size_t column, TextColumn& text, std::size_t n);
  bool referTo(const char* text, hobj_ref_t& ref);
  bool writeEmptyVariables();
  bool markLogicals();
  void failWrite(const std::string& reason);
  void closeFile();

  std::string partPath_;
  LogFacts facts_;
  std::vector<TypedColumn> columns_;
  std::vector<std::string> identifiers_;
  std::vector<std::string> validNames_;  // "" for a column without a mask
  std::vector<TextColumn> texts_;        // per column; used by text columns
  // Made with the first rows; without a row, matio writes them empty.
  bool numbersMade_ = false;
  GrowingDataset timeMs_;
  GrowingDataset seconds_;
  std::vector<GrowingDataset> numbers_;  // per column; used by number columns
  std::vector<GrowingDataset> valid_;    // per column; used by masked columns
  RowBlock block_;
  std::vector<double> secondsBlock_;
  mat_t* mat_ = nullptr;
  hid_t file_ = -1;  // the same file, for the columns
  hid_t refs_ = -1;  // its "#refs#" group
  uint64_t refsMade_ = 0;
  bool emptyMade_ = false;
  hobj_ref_t emptyRef_{};
  uint64_t rowsAppended_ = 0;
  std::vector<uint16_t> utf16_;
  bool failed_ = false;
  std::string errorText_;
};

}  // namespace zrl
