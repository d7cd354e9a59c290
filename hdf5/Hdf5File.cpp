#include "hdf5/Hdf5File.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zrl {

namespace {

herr_t collectFailure(unsigned, const H5E_error2_t* error, void* data) {
  auto* texts = static_cast<std::vector<std::string>*>(data);
  if (error->desc != nullptr) texts->emplace_back(error->desc);
  return 0;
}

template <typename T>
bool setScalarAttribute(hid_t object, const char* name, hid_t type, const T& value) {
  if (H5Aexists(object, name) > 0) H5Adelete(object, name);
  const hid_t space = H5Screate(H5S_SCALAR);
  const hid_t attribute = H5Acreate2(object, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
  const bool written = attribute >= 0 && H5Awrite(attribute, type, &value) >= 0;
  if (!written) noteHdf5Failure();
  if (attribute >= 0) H5Aclose(attribute);
  H5Sclose(space);
  return written;
}

std::string& notedFailure() {
  static std::string text;
  return text;
}

// The failure now on the library's stack, or empty.
std::string currentFailure() {
  std::vector<std::string> texts;
  H5Ewalk2(H5E_DEFAULT, H5E_WALK_DOWNWARD, collectFailure, &texts);
  H5Eclear2(H5E_DEFAULT);
  // The file driver quotes the system's message: "..., error message = 'No
  // space left on device'".
  static const std::string kMarker = "error message = '";
  for (const std::string& text : texts) {
    const std::size_t at = text.find(kMarker);
    if (at == std::string::npos) continue;
    const std::size_t begin = at + kMarker.size();
    const std::size_t end = text.find('\'', begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  }
  return texts.empty() ? std::string() : texts.back();
}

}  // namespace

void prepareHdf5() {
  static std::once_flag once;
  std::call_once(once, [] {
    // The library reads this once, when it starts; a writer that opens
    // files itself (matio) cannot be given an access list.
    ::setenv("HDF5_USE_FILE_LOCKING", "FALSE", 1);
    std::lock_guard<std::mutex> lock(hdf5Lock());
    H5open();
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  });
}

std::mutex& hdf5Lock() {
  static std::mutex mutex;
  return mutex;
}

void noteHdf5Failure() {
  const int error = errno;
  // The first failure explains the ones it caused.
  if (!notedFailure().empty()) return;
  notedFailure() = currentFailure();
  // The library does not always keep its account of a failed write; the
  // system's error is still there.
  if (notedFailure().empty() && (error == ENOSPC || error == EFBIG || error == EDQUOT || error == EIO))
    notedFailure() = std::strerror(error);
}

std::string lastHdf5Failure(const std::string& fallback) {
  std::string text = notedFailure().empty() ? currentFailure() : notedFailure();
  notedFailure().clear();
  return text.empty() ? fallback : text;
}

hid_t writingAccessList() {
  const hid_t list = H5Pcreate(H5P_FILE_ACCESS);
  H5Pset_file_locking(list, false, true);
  return list;
}

GrowingDataset& GrowingDataset::operator=(GrowingDataset&& other) noexcept {
  if (this != &other) {
    close();
    id_ = other.id_;
    size_ = other.size_;
    matlabShape_ = other.matlabShape_;
    other.id_ = -1;
    other.size_ = 0;
  }
  return *this;
}

bool GrowingDataset::create(hid_t parent, const std::string& name, hid_t fileType, std::size_t chunkRows,
                            bool matlabShape) {
  close();
  matlabShape_ = matlabShape;
  size_ = 0;
  const int rank = matlabShape ? 2 : 1;
  hsize_t dims[2] = {0, 0};
  hsize_t maxDims[2] = {H5S_UNLIMITED, H5S_UNLIMITED};
  hsize_t chunk[2] = {static_cast<hsize_t>(chunkRows), 0};
  if (matlabShape) {
    dims[0] = 1;
    maxDims[0] = 1;
    chunk[0] = 1;
    chunk[1] = static_cast<hsize_t>(chunkRows);
  }
  const hid_t space = H5Screate_simple(rank, dims, maxDims);
  const hid_t properties = H5Pcreate(H5P_DATASET_CREATE);
  H5Pset_chunk(properties, rank, chunk);
  H5Pset_shuffle(properties);
  H5Pset_deflate(properties, 4);
  // Blocks are appended whole chunks at a time, so a chunk is never
  // written twice: no cache, each chunk compressed and written as it comes
  // instead of kept in memory per dataset.
  const hid_t access = H5Pcreate(H5P_DATASET_ACCESS);
  H5Pset_chunk_cache(access, H5D_CHUNK_CACHE_NSLOTS_DEFAULT, 0, H5D_CHUNK_CACHE_W0_DEFAULT);
  id_ = H5Dcreate2(parent, name.c_str(), fileType, space, H5P_DEFAULT, properties, access);
  if (id_ < 0) noteHdf5Failure();
  H5Pclose(access);
  H5Pclose(properties);
  H5Sclose(space);
  return id_ >= 0;
}

bool GrowingDataset::append(hid_t memoryType, const void* data, std::size_t n) {
  if (id_ < 0) return false;
  if (n == 0) return true;
  const int rank = matlabShape_ ? 2 : 1;
  const hsize_t newSize = size_ + n;
  hsize_t extent[2] = {newSize, 0};
  hsize_t start[2] = {size_, 0};
  hsize_t count[2] = {static_cast<hsize_t>(n), 0};
  if (matlabShape_) {
    extent[0] = 1;
    extent[1] = newSize;
    start[0] = 0;
    start[1] = size_;
    count[0] = 1;
    count[1] = static_cast<hsize_t>(n);
  }
  if (H5Dset_extent(id_, extent) < 0) {
    noteHdf5Failure();
    return false;
  }
  const hid_t fileSpace = H5Dget_space(id_);
  const hid_t memorySpace = H5Screate_simple(rank, count, nullptr);
  bool written = fileSpace >= 0 && H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, start, nullptr, count, nullptr) >= 0 &&
                 H5Dwrite(id_, memoryType, memorySpace, fileSpace, H5P_DEFAULT, data) >= 0;
  if (!written) noteHdf5Failure();
  H5Sclose(memorySpace);
  if (fileSpace >= 0) H5Sclose(fileSpace);
  if (written) size_ = newSize;
  return written;
}

bool GrowingDataset::close() {
  if (id_ < 0) return true;
  const bool closed = H5Dclose(id_) >= 0;
  if (!closed) noteHdf5Failure();
  id_ = -1;
  return closed;
}

hid_t utf8TextType() {
  const hid_t type = H5Tcopy(H5T_C_S1);
  H5Tset_size(type, H5T_VARIABLE);
  H5Tset_cset(type, H5T_CSET_UTF8);
  return type;
}

bool setTextAttribute(hid_t object, const char* name, const std::string& value) {
  const hid_t type = utf8TextType();
  const char* text = value.c_str();
  const bool written = setScalarAttribute(object, name, type, text);
  H5Tclose(type);
  return written;
}

bool setAsciiAttribute(hid_t object, const char* name, const std::string& value) {
  const hid_t type = H5Tcopy(H5T_C_S1);
  H5Tset_size(type, value.size() + (value.empty() ? 1 : 0));
  H5Tset_strpad(type, H5T_STR_NULLTERM);
  if (H5Aexists(object, name) > 0) H5Adelete(object, name);
  const hid_t space = H5Screate(H5S_SCALAR);
  const hid_t attribute = H5Acreate2(object, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
  std::string padded = value;
  padded.push_back('\0');
  const bool written = attribute >= 0 && H5Awrite(attribute, type, padded.data()) >= 0;
  if (!written) noteHdf5Failure();
  if (attribute >= 0) H5Aclose(attribute);
  H5Sclose(space);
  H5Tclose(type);
  return written;
}

bool setInt64Attribute(hid_t object, const char* name, int64_t value) {
  return setScalarAttribute(object, name, H5T_NATIVE_INT64, value);
}

bool setInt32Attribute(hid_t object, const char* name, int32_t value) {
  return setScalarAttribute(object, name, H5T_NATIVE_INT32, value);
}

bool setUInt8Attribute(hid_t object, const char* name, uint8_t value) {
  return setScalarAttribute(object, name, H5T_NATIVE_UINT8, value);
}

bool setDoubleAttribute(hid_t object, const char* name, double value) {
  return setScalarAttribute(object, name, H5T_NATIVE_DOUBLE, value);
}

}  // namespace zrl
