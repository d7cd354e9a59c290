// The parts of the HDF5 C library the typed formats share: the library
// made ready once, datasets that grow by appended blocks, attributes, and
// the text of the last failure.
//
// The library is not built for threads, so every use holds hdf5Lock().
#pragma once

#include <hdf5.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace zrl {

// Makes the library ready on first use: no diagnostics printed (failures
// are reported as the decode's own messages), and no file locks of its
// own, since the decode already holds the ".part" it writes with a lock
// that another run respects (see FreeOutputName.h). Call before any other
// HDF5 function, on the thread that starts the decode.
void prepareHdf5();
std::mutex& hdf5Lock();

// Why the last call failed: the system's own words when the file system
// refused ("No space left on device"), else the library's; `fallback` when
// neither says anything.
// Every library call clears the failure before it, so a failed call's
// failure is noted (noteHdf5Failure) before anything else is called.
std::string lastHdf5Failure(const std::string& fallback);
void noteHdf5Failure();

// A file access list for the files we write; the caller closes it.
hid_t writingAccessList();

// A one-dimensional dataset that grows by blocks appended at its end,
// chunked and compressed (shuffle, then deflate). `matlabShape` stores it
// as MATLAB stores a column vector: (1, n) in HDF5's order.
class GrowingDataset {
 public:
  GrowingDataset() = default;
  ~GrowingDataset() { close(); }
  GrowingDataset(const GrowingDataset&) = delete;
  GrowingDataset& operator=(const GrowingDataset&) = delete;
  GrowingDataset(GrowingDataset&& other) noexcept { *this = std::move(other); }
  GrowingDataset& operator=(GrowingDataset&& other) noexcept;

  bool create(hid_t parent, const std::string& name, hid_t fileType, std::size_t chunkRows, bool matlabShape);
  // Appends `n` elements of `memoryType` from `data`.
  bool append(hid_t memoryType, const void* data, std::size_t n);
  hid_t id() const { return id_; }
  uint64_t size() const { return size_; }
  bool close();

 private:
  hid_t id_ = -1;
  uint64_t size_ = 0;
  bool matlabShape_ = false;
};

// Variable-length UTF-8 text; the caller closes it.
hid_t utf8TextType();

// Attributes of `object`, replaced when they exist. False on failure.
bool setTextAttribute(hid_t object, const char* name, const std::string& value);
// Fixed-length ASCII, as MATLAB writes its class names.
bool setAsciiAttribute(hid_t object, const char* name, const std::string& value);
bool setInt64Attribute(hid_t object, const char* name, int64_t value);
bool setInt32Attribute(hid_t object, const char* name, int32_t value);
bool setUInt8Attribute(hid_t object, const char* name, uint8_t value);
bool setDoubleAttribute(hid_t object, const char* name, double value);

}  // namespace zrl
