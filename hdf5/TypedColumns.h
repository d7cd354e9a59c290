// The decode's rows as typed columns, for the formats that store numbers
// as numbers: which type each column is stored as, and a block of rows
// buffered per column until it is appended to the file, so that memory
// stays the same for a log of any length.
//
// A column is stored as logged: Float as float32, Double as float64,
// Integer as int32, Boolean as uint8, TimeStamp as int64 microseconds
// since 1970 (the CSV's own figure: a timestamp has microseconds), String
// and CAN frame as UTF-8 text (the CSV's cell text). A resampled Integer
// under Mean or Median, and a resampled Boolean under Mean, hold fractions
// (2.5, 0.75), so those are stored as float64 instead of being cut.
//
// A cell the CSV leaves empty is NaN in a floating column and the empty
// text in a text column; in the other columns it holds 0 and the column's
// validity mask holds 0 (1 where the cell has a value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/DecodeSettings.h"
#include "decode/OutputColumn.h"
#include "values/DataValue.h"

namespace zrl {

enum class CellStorage : uint8_t { Float32, Float64, Int32, UInt8, Int64, Text };

struct TypedColumn {
  OutputColumn column;
  std::string name;      // its alias when it has one that is not empty, else its full name
  std::string alias;     // as given, possibly empty
  bool hasAlias = false;
  CellStorage storage = CellStorage::Float64;
  std::string typeName;  // the logged type: "Float", "Integer", ...
  // Empty cells are told by a validity mask (integers, flags, timestamps).
  bool masked() const {
    return storage == CellStorage::Int32 || storage == CellStorage::UInt8 || storage == CellStorage::Int64;
  }
};

// Bytes of one cell of `storage` in the block (a text cell: its offset).
std::size_t cellBytes(CellStorage storage);

// The columns as stored under `settings`. False, with `failure` naming
// the variable, for a type that has no stored form.
bool planTypedColumns(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                      std::vector<TypedColumn>& typed, std::string& failure);

// A text of the settings a file records: "1 Hz Mean", "none".
std::string resamplingText(const DecodeSettings& settings);
// The row filters as one text: "Group.Var minimum 3; ..."; empty for none.
std::string filtersText(const DecodeSettings& settings);

class RowBlock {
 public:
  // Forgets everything; room for `capacity` rows of `columns`.
  void start(const std::vector<TypedColumn>& columns, std::size_t capacity);

  // Adds one row (cells as RowSink::writeRow gives them).
  void add(uint64_t rowMs, const DataValue* const* cells);
  bool full() const { return rows_ == capacity_; }
  std::size_t rows() const { return rows_; }
  std::size_t capacity() const { return capacity_; }
  void clear();

  const int64_t* times() const { return times_.data(); }
  // The column's cells: float, double, int32_t, uint8_t or int64_t.
  const void* cells(std::size_t column) const { return data_[column].data(); }
  const uint8_t* valid(std::size_t column) const { return valid_[column].data(); }
  // Text cells: the NUL-terminated UTF-8 of each row.
  const char* text(std::size_t column, std::size_t row) const;

 private:
  std::vector<CellStorage> storage_;
  std::size_t capacity_ = 0;
  std::size_t rows_ = 0;
  std::vector<int64_t> times_;
  std::vector<std::vector<unsigned char>> data_;  // per column, capacity * cellBytes
  std::vector<std::vector<uint8_t>> valid_;       // per column, capacity
  std::vector<std::string> texts_;                // per text column: the texts, NUL after each
};

}  // namespace zrl
