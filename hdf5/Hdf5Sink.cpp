#include "hdf5/Hdf5Sink.h"

#include <algorithm>
#include <map>

#include "hdf5/Utf8Text.h"
#include "values/Format.h"

namespace zrl {

namespace {

const char kWriteFailure[] = "Failed to write output file: ";
const char kBlankCells[] =
    "An empty cell is NaN in a floating column and the empty text in a text column; in an integer, flag "
    "or timestamp column it holds fill_value, and valid/<name> holds 0 there (1 where the cell has a value)";

std::string finalName(const std::string& partPath) {
  const std::string tail = ".part";
  if (partPath.size() > tail.size() && partPath.compare(partPath.size() - tail.size(), tail.size(), tail) == 0)
    return partPath.substr(0, partPath.size() - tail.size());
  return partPath;
}

std::string isoText(int64_t ms) {
  IsoTimestampFormatter formatter;
  return formatter.format(static_cast<uint64_t>(ms), true);
}

hid_t fileTypeOf(CellStorage storage, hid_t textType) {
  return storage == CellStorage::Text ? textType : numberFileType(storage);
}

hid_t memoryTypeOf(CellStorage storage, hid_t textType) {
  return storage == CellStorage::Text ? textType : numberMemoryType(storage);
}

const char* storedTypeName(CellStorage storage) {
  switch (storage) {
    case CellStorage::Float32: return "float32";
    case CellStorage::Float64: return "float64";
    case CellStorage::Int32: return "int32";
    case CellStorage::UInt8: return "uint8";
    case CellStorage::Int64: return "int64";
    case CellStorage::Text: return "text";
  }
  return "float64";
}

// A dataset name for `name`: UTF-8, and no "/" (a path separator in a
// file). Empty when no name can be made of it.
std::string datasetName(const std::string& name) {
  std::string valid;
  appendValidUtf8(name.data(), name.size(), valid);
  std::replace(valid.begin(), valid.end(), '/', '_');
  if (valid.empty() || valid == "." || valid == "..") return std::string();
  return valid;
}

}  // namespace

hid_t numberFileType(CellStorage storage) {
  switch (storage) {
    case CellStorage::Float32: return H5T_IEEE_F32LE;
    case CellStorage::Int32: return H5T_STD_I32LE;
    case CellStorage::UInt8: return H5T_STD_U8LE;
    case CellStorage::Int64: return H5T_STD_I64LE;
    case CellStorage::Float64:
    case CellStorage::Text: break;
  }
  return H5T_IEEE_F64LE;
}

hid_t numberMemoryType(CellStorage storage) {
  switch (storage) {
    case CellStorage::Float32: return H5T_NATIVE_FLOAT;
    case CellStorage::Int32: return H5T_NATIVE_INT32;
    case CellStorage::UInt8: return H5T_NATIVE_UINT8;
    case CellStorage::Int64: return H5T_NATIVE_INT64;
    case CellStorage::Float64:
    case CellStorage::Text: break;
  }
  return H5T_NATIVE_DOUBLE;
}

std::size_t blockRowsFor(std::size_t columns) {
  constexpr std::size_t kBlockBytes = 32u << 20;
  const std::size_t rows = kBlockBytes / (8 * (columns + 1));
  return std::max<std::size_t>(1024, std::min<std::size_t>(65536, rows));
}

Hdf5Sink::Hdf5Sink() { prepareHdf5(); }

Hdf5Sink::~Hdf5Sink() {
  std::lock_guard<std::mutex> lock(hdf5Lock());
  closeFile();
}

void Hdf5Sink::setFile(const std::string& partPath, const LogFacts& facts) {
  partPath_ = partPath;
  facts_ = facts;
}

void Hdf5Sink::closeFile() {
  time_.close();
  data_.clear();
  valid_.clear();
  if (validGroup_ >= 0) H5Gclose(validGroup_);
  validGroup_ = -1;
  if (textType_ >= 0) H5Tclose(textType_);
  textType_ = -1;
  if (file_ >= 0) H5Fclose(file_);
  file_ = -1;
}

void Hdf5Sink::failWrite() {
  if (failed_) return;
  failed_ = true;
  errorText_ = kWriteFailure + lastHdf5Failure("the HDF5 library refused the data");
}

bool Hdf5Sink::begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                     const std::string& serialNumber) {
  failed_ = false;
  errorText_.clear();
  if (facts_.serialNumber.empty()) facts_.serialNumber = serialNumber;
  const std::string target = finalName(partPath_);
  if (!planTypedColumns(settings, columns, columns_, errorText_)) {
    failed_ = true;
    return false;
  }
  // Names are checked before the file exists: a refused table leaves
  // nothing behind.
  std::map<std::string, std::string> owners{{"time", "the time column"}, {"valid", "the validity masks"}};
  for (TypedColumn& column : columns_) {
    const std::string name = datasetName(column.name);
    if (name.empty()) {
      errorText_ = "Cannot name the dataset of " + column.column.fullName + ": \"" + column.name +
                   "\" cannot be made a valid name";
    } else if (!owners.emplace(name, column.column.fullName).second) {
      errorText_ = "Cannot name the dataset of " + column.column.fullName + ": \"" + name + "\" is taken by " +
                   owners[name];
    }
    if (!errorText_.empty()) {
      failed_ = true;
      return false;
    }
    column.name = name;
  }
  std::lock_guard<std::mutex> lock(hdf5Lock());
  const hid_t access = writingAccessList();
  // The ".part" exists, empty and held by this decode: it is truncated in
  // place, so the decode's lock stays on it.
  file_ = H5Fcreate(partPath_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access);
  H5Pclose(access);
  if (file_ < 0) {
    failed_ = true;
    errorText_ = "Failed to open output file " + target + ": " + lastHdf5Failure("not an HDF5 file");
    return false;
  }
  textType_ = utf8TextType();
  const std::size_t rows = blockRowsFor(columns_.size());
  block_.start(columns_, rows);
  textCells_.assign(rows, nullptr);
  bool made = describeFile(settings) && time_.create(file_, "time", H5T_STD_I64LE, rows, false) &&
              setTextAttribute(time_.id(), "unit", "ms since 1970-01-01 00:00:00 UTC");
  data_.resize(columns_.size());
  valid_.resize(columns_.size());
  if (made && std::any_of(columns_.begin(), columns_.end(), [](const TypedColumn& c) { return c.masked(); })) {
    validGroup_ = H5Gcreate2(file_, "valid", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    made = validGroup_ >= 0;
  }
  for (std::size_t i = 0; made && i < columns_.size(); ++i) made = createColumn(i);
  if (!made) {
    failWrite();
    closeFile();
    return false;
  }
  return true;
}

bool Hdf5Sink::describeFile(const DecodeSettings& settings) {
  return setTextAttribute(file_, "serial", facts_.serialNumber) && setTextAttribute(file_, "note", facts_.note) &&
         setTextAttribute(file_, "firmware", facts_.firmware) && setInt64Attribute(file_, "start_ms", facts_.startMs) &&
         setInt64Attribute(file_, "end_ms", facts_.endMs) && setTextAttribute(file_, "start", isoText(facts_.startMs)) &&
         setTextAttribute(file_, "end", isoText(facts_.endMs)) &&
         setInt64Attribute(file_, "window_start_ms", settings.startMs == 0 ? facts_.startMs : settings.startMs) &&
         setInt64Attribute(file_, "window_end_ms", settings.endMs == 0 ? facts_.endMs : settings.endMs) &&
         setTextAttribute(file_, "resampling", resamplingText(settings)) &&
         setTextAttribute(file_, "cell_filling", settings.leaveBlank ? "Leave blank" : "Last known value") &&
         setTextAttribute(file_, "filters", filtersText(settings)) && setTextAttribute(file_, "blank_cells", kBlankCells);
}

bool Hdf5Sink::createColumn(std::size_t i) {
  const TypedColumn& column = columns_[i];
  const std::size_t rows = block_.capacity();
  GrowingDataset& data = data_[i];
  if (!data.create(file_, column.name, fileTypeOf(column.storage, textType_), rows, false)) return false;
  bool made = setTextAttribute(data.id(), "full_name", column.column.fullName) &&
              setTextAttribute(data.id(), "unit", column.column.unitSymbol) &&
              setTextAttribute(data.id(), "type", column.typeName) &&
              setTextAttribute(data.id(), "stored_as", storedTypeName(column.storage));
  if (made && column.hasAlias) made = setTextAttribute(data.id(), "alias", column.alias);
  if (made && column.masked()) {
    made = setInt64Attribute(data.id(), "fill_value", 0) &&
           setTextAttribute(data.id(), "valid", "/valid/" + column.name) &&
           valid_[i].create(validGroup_, column.name, H5T_STD_U8LE, rows, false) &&
           setTextAttribute(valid_[i].id(), "full_name", column.column.fullName);
  }
  return made;
}

void Hdf5Sink::writeRow(uint64_t rowMs, const DataValue* const* cells) {
  if (failed_) return;
  block_.add(rowMs, cells);
  if (block_.full() && !appendBlock()) return;
}

bool Hdf5Sink::appendBlock() {
  const std::size_t n = block_.rows();
  if (n == 0) return true;
  std::lock_guard<std::mutex> lock(hdf5Lock());
  bool written = time_.append(H5T_NATIVE_INT64, block_.times(), n);
  for (std::size_t i = 0; written && i < columns_.size(); ++i) {
    const CellStorage storage = columns_[i].storage;
    if (storage == CellStorage::Text) {
      for (std::size_t row = 0; row < n; ++row) textCells_[row] = block_.text(i, row);
      written = data_[i].append(textType_, textCells_.data(), n);
    } else {
      written = data_[i].append(memoryTypeOf(storage, textType_), block_.cells(i), n);
    }
    if (written && columns_[i].masked()) written = valid_[i].append(H5T_NATIVE_UINT8, block_.valid(i), n);
  }
  block_.clear();
  if (!written) failWrite();
  return written;
}

bool Hdf5Sink::end(bool cancelled) {
  if (file_ < 0) return !failed_;
  if (!cancelled && !failed_) appendBlock();
  std::lock_guard<std::mutex> lock(hdf5Lock());
  // Whatever was held back is written when the file closes: a full disk
  // may only show here.
  time_.close();
  for (GrowingDataset& d : data_) d.close();
  for (GrowingDataset& d : valid_) d.close();
  if (validGroup_ >= 0) H5Gclose(validGroup_);
  validGroup_ = -1;
  H5Tclose(textType_);
  textType_ = -1;
  const bool closed = H5Fclose(file_) >= 0;
  if (!closed) noteHdf5Failure();
  file_ = -1;
  if (!closed && !cancelled) failWrite();
  return cancelled || !failed_;
}

}  // namespace zrl
