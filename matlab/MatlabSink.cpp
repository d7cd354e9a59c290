#include "matlab/MatlabSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "hdf5/Hdf5Sink.h"
#include "hdf5/Utf8Text.h"
#include "matlab/MatlabIdentifiers.h"

namespace zrl {

namespace {

const char kWriteFailure[] = "Failed to write output file: ";
// Texts remembered per column for referring to them again; bounded so
// that memory stays flat whatever the column holds.
constexpr std::size_t kRecentTexts = 4096;

// matio reports through this; the last message explains a failed call.
std::string& matioMessage() {
  static std::string message;
  return message;
}

void keepMatioMessage(int, char* message) { matioMessage() = message != nullptr ? message : ""; }

std::string finalName(const std::string& partPath) {
  const std::string tail = ".part";
  if (partPath.size() > tail.size() && partPath.compare(partPath.size() - tail.size(), tail.size(), tail) == 0)
    return partPath.substr(0, partPath.size() - tail.size());
  return partPath;
}

// The MATLAB class of a number column; a flag column is stored as uint8
// and marked logical.
const char* classNameOf(CellStorage storage) {
  switch (storage) {
    case CellStorage::Float32: return "single";
    case CellStorage::Int32: return "int32";
    case CellStorage::UInt8: return "uint8";
    case CellStorage::Int64: return "int64";
    case CellStorage::Float64:
    case CellStorage::Text: break;
  }
  return "double";
}

struct MatioClass {
  matio_classes type;
  matio_types data;
};

MatioClass matioClassOf(CellStorage storage) {
  switch (storage) {
    case CellStorage::Float32: return {MAT_C_SINGLE, MAT_T_SINGLE};
    case CellStorage::Int32: return {MAT_C_INT32, MAT_T_INT32};
    case CellStorage::UInt8: return {MAT_C_UINT8, MAT_T_UINT8};
    case CellStorage::Int64: return {MAT_C_INT64, MAT_T_INT64};
    case CellStorage::Float64:
    case CellStorage::Text: break;
  }
  return {MAT_C_DOUBLE, MAT_T_DOUBLE};
}

// A char row vector of `text` (UTF-8); the caller frees it.
matvar_t* charVariable(const char* name, const std::string& text) {
  std::string valid;
  appendValidUtf8(text.data(), text.size(), valid);
  std::vector<uint16_t> units;
  utf16FromUtf8(valid, units);
  size_t dims[2] = {1, units.size()};
  if (units.empty()) dims[0] = 0;
  return Mat_VarCreate(name, MAT_C_CHAR, MAT_T_UINT16, 2, dims, units.empty() ? nullptr : units.data(), 0);
}

matvar_t* int64Scalar(const char* name, int64_t value) {
  size_t dims[2] = {1, 1};
  return Mat_VarCreate(name, MAT_C_INT64, MAT_T_INT64, 2, dims, &value, 0);
}

// A 1x1 struct of `fields`, which it takes over.
matvar_t* structOf(const char* name, const std::vector<std::string>& names, const std::vector<matvar_t*>& fields) {
  std::vector<const char*> fieldNames;
  for (const std::string& n : names) fieldNames.push_back(n.c_str());
  fieldNames.push_back(nullptr);
  size_t dims[2] = {1, 1};
  matvar_t* s = Mat_VarCreateStruct2(name, 2, dims, fieldNames.data());
  if (s == nullptr) {
    for (matvar_t* field : fields) Mat_VarFree(field);
    return nullptr;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) Mat_VarSetStructFieldByName(s, names[i].c_str(), 0, fields[i]);
  return s;
}

}  // namespace

MatlabSink::MatlabSink() {
  prepareHdf5();
  static std::once_flag once;
  std::call_once(once, [] { Mat_LogInitFunc("zrl-decoder", keepMatioMessage); });
}

MatlabSink::~MatlabSink() {
  std::lock_guard<std::mutex> lock(hdf5Lock());
  closeFile();
}

void MatlabSink::setFile(const std::string& partPath, const LogFacts& facts) {
  partPath_ = partPath;
  facts_ = facts;
}

void MatlabSink::closeFile() {
  texts_.clear();
  closeNumbers();
  if (refs_ >= 0) H5Gclose(refs_);
  refs_ = -1;
  if (file_ >= 0) H5Fclose(file_);
  file_ = -1;
  if (mat_ != nullptr) Mat_Close(mat_);
  mat_ = nullptr;
}

void MatlabSink::failWrite(const std::string& reason) {
  if (failed_) return;
  failed_ = true;
  errorText_ = kWriteFailure + reason;
}

bool MatlabSink::begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                       const std::string& serialNumber) {
  failed_ = false;
  errorText_.clear();
  rowsAppended_ = 0;
  numbersMade_ = false;
  refsMade_ = 0;
  emptyMade_ = false;
  if (facts_.serialNumber.empty()) facts_.serialNumber = serialNumber;
  if (!planTypedColumns(settings, columns, columns_, errorText_)) {
    failed_ = true;
    return false;
  }
  // Names first, before the file exists: a refused table leaves nothing.
  std::set<std::string> taken{"time_ms", "t", "names", "log"};
  identifiers_.clear();
  validNames_.assign(columns_.size(), std::string());
  for (const TypedColumn& column : columns_) {
    const std::string id = matlabIdentifier(column.name, taken);
    if (id.empty()) {
      failed_ = true;
      errorText_ = "Cannot name the MATLAB variable of " + column.column.fullName + ": \"" + column.name +
                   "\" cannot be made a valid identifier";
      return false;
    }
    identifiers_.push_back(id);
  }
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].masked()) validNames_[i] = matlabIdentifier(identifiers_[i] + "_valid", taken);

  std::lock_guard<std::mutex> lock(hdf5Lock());
  matioMessage().clear();
  // The ".part" exists, empty and held by this decode: it is truncated in
  // place, so the decode's lock stays on it.
  mat_ = Mat_CreateVer(partPath_.c_str(), nullptr, MAT_FT_MAT73);
  if (mat_ == nullptr) {
    failed_ = true;
    errorText_ = "Failed to open output file " + finalName(partPath_) + ": " +
                 (matioMessage().empty() ? std::string("matio cannot create it") : matioMessage());
    return false;
  }
  const std::size_t rows = blockRowsFor(columns_.size() + 2);
  block_.start(columns_, rows);
  secondsBlock_.assign(rows, 0.0);
  texts_.clear();
  texts_.resize(columns_.size());
  numbers_.clear();
  numbers_.resize(columns_.size());
  valid_.clear();
  valid_.resize(columns_.size());
  bool made = writeDescriptions();
  const bool anyText =
      std::any_of(columns_.begin(), columns_.end(), [](const TypedColumn& c) { return c.storage == CellStorage::Text; });
  if (made) {
    // The library shares the file matio holds open.
    file_ = H5Fopen(partPath_.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    made = file_ >= 0;
    if (made && anyText) {
      refs_ = H5Gcreate2(file_, "#refs#", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
      made = refs_ >= 0;
    }
    for (std::size_t i = 0; made && i < columns_.size(); ++i) {
      if (columns_[i].storage != CellStorage::Text) continue;
      texts_[i].refs.assign(rows, hobj_ref_t{});
      made = texts_[i].cells.create(file_, identifiers_[i], H5T_STD_REF_OBJ, rows, true) &&
             setAsciiAttribute(texts_[i].cells.id(), "MATLAB_class", "cell");
    }
    if (!made) failWrite(lastHdf5Failure("the cell arrays cannot be made"));
  } else if (!made) {
    failWrite(matioMessage().empty() ? "matio refused the variables" : matioMessage());
  }
  if (!made) {
    closeFile();
    return false;
  }
  return true;
}

bool MatlabSink::writeDescriptions() {
  std::vector<std::string> fieldNames;
  std::vector<matvar_t*> fields;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    fieldNames.push_back(identifiers_[i]);
    fields.push_back(structOf(nullptr, {"name", "unit"},
                              {charVariable("name", columns_[i].column.fullName),
                               charVariable("unit", columns_[i].column.unitSymbol)}));
  }
  bool written = true;
  if (!fields.empty()) {
    matvar_t* names = structOf("names", fieldNames, fields);
    written = names != nullptr && Mat_VarWrite(mat_, names, MAT_COMPRESSION_NONE) == 0;
    if (names != nullptr) Mat_VarFree(names);
  }
  matvar_t* log = structOf("log", {"serial", "note", "firmware", "start_ms", "end_ms"},
                           {charVariable("serial", facts_.serialNumber), charVariable("note", facts_.note),
                            charVariable("firmware", facts_.firmware), int64Scalar("start_ms", facts_.startMs),
                            int64Scalar("end_ms", facts_.endMs)});
  written = written && log != nullptr && Mat_VarWrite(mat_, log, MAT_COMPRESSION_NONE) == 0;
  if (log != nullptr) Mat_VarFree(log);
  return written;
}

void MatlabSink::writeRow(uint64_t rowMs, const DataValue* const* cells) {
  if (failed_) return;
  block_.add(rowMs, cells);
  if (block_.full()) appendBlock();
}

bool MatlabSink::createVector(GrowingDataset& set, const std::string& name, CellStorage storage, bool logical) {
  return set.create(file_, name, numberFileType(storage), block_.capacity(), true) &&
         setAsciiAttribute(set.id(), "MATLAB_class", logical ? "logical" : classNameOf(storage)) &&
         (!logical || setInt32Attribute(set.id(), "MATLAB_int_decode", 1));
}

bool MatlabSink::createNumbers() {
  bool made = createVector(timeMs_, "time_ms", CellStorage::Int64, false) &&
              createVector(seconds_, "t", CellStorage::Float64, false);
  for (std::size_t i = 0; made && i < columns_.size(); ++i) {
    const CellStorage storage = columns_[i].storage;
    if (storage == CellStorage::Text) continue;
    made = createVector(numbers_[i], identifiers_[i], storage, storage == CellStorage::UInt8);
    if (made && columns_[i].masked()) made = createVector(valid_[i], validNames_[i], CellStorage::UInt8, true);
  }
  numbersMade_ = made;
  return made;
}

// Whatever a dataset holds back is written when it closes: a full disk may
// show here.
bool MatlabSink::closeNumbers() {
  bool closed = timeMs_.close();
  closed = seconds_.close() && closed;
  for (GrowingDataset& set : numbers_) closed = set.close() && closed;
  for (GrowingDataset& set : valid_) closed = set.close() && closed;
  return closed;
}

bool MatlabSink::referTo(const char* text, hobj_ref_t& ref) {
  if (text[0] == '\0') {
    if (!emptyMade_) {
      // MATLAB stores an empty array as its dimensions, marked empty.
      const uint64_t dims[2] = {0, 0};
      const hsize_t size = 2;
      const hid_t space = H5Screate_simple(1, &size, nullptr);
      const hid_t set = H5Dcreate2(refs_, "empty", H5T_STD_U64LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
      H5Sclose(space);
      bool made = set >= 0 && H5Dwrite(set, H5T_NATIVE_UINT64, H5S_ALL, H5S_ALL, H5P_DEFAULT, dims) >= 0 &&
                  setAsciiAttribute(set, "MATLAB_class", "char") && setUInt8Attribute(set, "MATLAB_empty", 1);
      if (!made) noteHdf5Failure();
      if (set >= 0) H5Dclose(set);
      made = made && H5Rcreate(&emptyRef_, refs_, "empty", H5R_OBJECT, -1) >= 0;
      if (!made) return false;
      emptyMade_ = true;
    }
    ref = emptyRef_;
    return true;
  }
  utf16FromUtf8(text, utf16_);
  const std::string name = std::to_string(refsMade_++);
  const hsize_t dims[2] = {utf16_.size(), 1};
  const hid_t space = H5Screate_simple(2, dims, nullptr);
  const hid_t set = H5Dcreate2(refs_, name.c_str(), H5T_STD_U16LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  H5Sclose(space);
  const bool made = set >= 0 && H5Dwrite(set, H5T_NATIVE_UINT16, H5S_ALL, H5S_ALL, H5P_DEFAULT, utf16_.data()) >= 0 &&
                    setAsciiAttribute(set, "MATLAB_class", "char") && setInt32Attribute(set, "MATLAB_int_decode", 2);
  if (!made) noteHdf5Failure();
  if (set >= 0) H5Dclose(set);
  return made && H5Rcreate(&ref, refs_, name.c_str(), H5R_OBJECT, -1) >= 0;
}

bool MatlabSink::appendTexts(std::size_t column, TextColumn& text, std::size_t n) {
  for (std::size_t row = 0; row < n; ++row) {
    const char* cell = block_.text(column, row);
    if (row > 0 && std::strcmp(cell, block_.text(column, row - 1)) == 0) {
      text.refs[row] = text.refs[row - 1];
      continue;
    }
    const auto known = text.recent.find(cell);
    if (known != text.recent.end()) {
      text.refs[row] = known->second;
      continue;
    }
    if (!referTo(cell, text.refs[row])) return false;
    if (text.recent.size() >= kRecentTexts) text.recent.clear();
    text.recent.emplace(cell, text.refs[row]);
  }
  return text.cells.append(H5T_STD_REF_OBJ, text.refs.data(), n);
}

bool MatlabSink::appendBlock() {
  const std::size_t n = block_.rows();
  if (n == 0) return true;
  std::lock_guard<std::mutex> lock(hdf5Lock());
  for (std::size_t row = 0; row < n; ++row)
    secondsBlock_[row] = static_cast<double>(block_.times()[row] - facts_.startMs) / 1000.0;
  bool written = (numbersMade_ || createNumbers()) && timeMs_.append(H5T_NATIVE_INT64, block_.times(), n) &&
                 seconds_.append(H5T_NATIVE_DOUBLE, secondsBlock_.data(), n);
  bool textFailed = false;
  for (std::size_t i = 0; written && i < columns_.size(); ++i) {
    const CellStorage storage = columns_[i].storage;
    if (storage == CellStorage::Text) {
      written = appendTexts(i, texts_[i], n);
      textFailed = !written;
      continue;
    }
    written = numbers_[i].append(numberMemoryType(storage), block_.cells(i), n);
    if (written && columns_[i].masked()) written = valid_[i].append(H5T_NATIVE_UINT8, block_.valid(i), n);
  }
  block_.clear();
  if (written)
    rowsAppended_ += n;
  else
    failWrite(lastHdf5Failure(textFailed ? "the cell arrays cannot be written" : "the columns cannot be written"));
  return written;
}

// Without a row, nothing was appended: the variables are still made, empty.
bool MatlabSink::writeEmptyVariables() {
  size_t dims[2] = {0, 1};
  const auto writeEmpty = [&](const char* name, CellStorage storage) {
    const MatioClass c = matioClassOf(storage);
    matvar_t* v = Mat_VarCreate(name, c.type, c.data, 2, dims, nullptr, 0);
    const bool written = v != nullptr && Mat_VarWrite(mat_, v, MAT_COMPRESSION_NONE) == 0;
    if (v != nullptr) Mat_VarFree(v);
    return written;
  };
  bool written = writeEmpty("time_ms", CellStorage::Int64) && writeEmpty("t", CellStorage::Float64);
  for (std::size_t i = 0; written && i < columns_.size(); ++i) {
    if (columns_[i].storage == CellStorage::Text) continue;  // an empty cell array already
    written = writeEmpty(identifiers_[i].c_str(), columns_[i].storage);
    if (written && columns_[i].masked()) written = writeEmpty(validNames_[i].c_str(), CellStorage::UInt8);
  }
  return written;
}

// matio writes no empty logical array: the flags and masks it wrote as
// uint8 are marked here.
bool MatlabSink::markLogicals() {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    for (const std::string* name : {columns_[i].storage == CellStorage::UInt8 ? &identifiers_[i] : nullptr,
                                    validNames_[i].empty() ? nullptr : &validNames_[i]}) {
      if (name == nullptr) continue;
      const hid_t set = H5Dopen2(file_, name->c_str(), H5P_DEFAULT);
      const bool marked = set >= 0 && setAsciiAttribute(set, "MATLAB_class", "logical") &&
                          setInt32Attribute(set, "MATLAB_int_decode", 1);
      if (set >= 0) H5Dclose(set);
      if (!marked) return false;
    }
  }
  return true;
}

bool MatlabSink::end(bool cancelled) {
  if (mat_ == nullptr) return !failed_;
  if (!cancelled && !failed_) appendBlock();
  std::lock_guard<std::mutex> lock(hdf5Lock());
  if (!cancelled && !failed_ && rowsAppended_ == 0) {
    matioMessage().clear();
    if (!writeEmptyVariables())
      failWrite(lastHdf5Failure(matioMessage().empty() ? "matio cannot write" : matioMessage()));
    else if (!markLogicals())
      failWrite(lastHdf5Failure("the logical arrays cannot be marked"));
  }
  bool closed = closeNumbers();
  for (TextColumn& text : texts_) closed = text.cells.close() && closed;
  texts_.clear();
  if (refs_ >= 0) closed = H5Gclose(refs_) >= 0 && closed;
  refs_ = -1;
  if (file_ >= 0) closed = H5Fclose(file_) >= 0 && closed;
  file_ = -1;
  // The file is written out when its last holder closes it: a full disk
  // may only show here.
  errno = 0;
  closed = Mat_Close(mat_) == 0 && closed;
  const int error = errno;
  mat_ = nullptr;
  if (!closed && !cancelled)
    failWrite(error != 0 && error != ENOENT ? std::strerror(error) : lastHdf5Failure("the file cannot be closed"));
  return cancelled || !failed_;
}

}  // namespace zrl
