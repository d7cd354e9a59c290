// The reading side of a log file decoder: the file head (magic number,
// header, header extension, variable catalog) read straight from the file
// descriptor, and the compressed record stream read through zlib.
//
// Failures are return values. The layer that fails prints one line on
// standard output; failures the user must see go through the progress
// callback.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/CatalogTable.h"
#include "reader/GzBlockReader.h"
#include "reader/ProgressCallback.h"
#include "reader/VariableIndex.h"
#include "reader/ZrlLayout.h"
#include "values/DataValue.h"

namespace zrl {

// One variable of the catalog as listed to the window and the info JSON.
struct VariableListing {
  uint16_t id;
  uint16_t groupId;
  std::string fullName;    // group name, ".", variable name
  std::string unitSymbol;  // possibly empty
  uint8_t type;            // catalog data type code
};

class LogReader {
 public:
  // Opens `path`, checks the magic number, reads header and catalog, and
  // closes the file again. A refused file leaves its reason in loadError();
  // a file that cannot be opened or whose head is cut short leaves it empty
  // (the decode run finds and reports the problem again).
  LogReader(const std::string& path, ProgressCallback cb);
  virtual ~LogReader();
  LogReader(const LogReader&) = delete;
  LogReader& operator=(const LogReader&) = delete;

  // The file ended inside its head (and said so).
  bool headCut() const { return headCut_; }

  // ---- file head ----

  // Opens inputPath() read-only. On failure prints "Decoder: Failed to open
  // <path>:<error>" unless `printFailure` is false.
  bool openInputFile(bool printFailure = true);
  // Exactly `length` bytes of the head from the open descriptor. A file
  // that ends first is noted (headCutText says where), not printed.
  bool readStream(void* buffer, std::size_t length);
  bool readMagic();
  // Header, extension (versions 3 and higher) and catalog; then both
  // indexes. Leaves the descriptor on the first byte of the record stream.
  bool readHeader();

  // ---- record stream ----

  // Starts the compressed stream at the descriptor's position.
  bool openRecordStream();
  // Starts it at `point` instead and goes on to the record that starts at
  // `recordPosition` (at most one record further), counting the bytes
  // before it as read. False, with the descriptor back on the stream's
  // start, when the point does not fit this file: openRecordStream() then.
  bool openRecordStreamAt(const ResumePoint& point, uint64_t recordPosition);
  // Before opening the stream: keep resume points every `bytes` (see
  // GzBlockReader::setCaptureSpacing).
  void setCaptureSpacing(uint64_t bytes) { recordStream_.setCaptureSpacing(bytes); }
  // The point kept where the current inflated block starts, if any.
  bool resumePointHere(ResumePoint& out) const { return recordStream_.pointAtCurrentBlock(out); }
  // File offset of the record stream, once the head was read.
  uint64_t streamStart() const { return headOffset_; }
  // Closes the stream and the descriptor, whichever are open.
  void closeAll();

  // Exactly `length` bytes into `buffer` (true), counting them in
  // bytesRead(). At the end of the stream false without a message, also when
  // the end cut the bytes short: a record whose bytes did not all arrive is
  // dropped rather than completed with zeros. On a stream error false with
  // a message.
  bool readInputFile(void* buffer, unsigned length) {
    if (length == 0) return true;
    const int delivered = recordStream_.read(buffer, length);
    if (delivered > 0) {
      bytesRead_ += static_cast<uint64_t>(delivered);
      return static_cast<unsigned>(delivered) == length;
    }
    return reportReadFailure();
  }

  // Record bytes straight from the inflated stream, when at least `length`
  // more are at hand in one piece (null otherwise: read them instead);
  // takeRecordBytes() consumes and counts them.
  const uint8_t* peekRecordBytes(unsigned length) const {
    return reinterpret_cast<const uint8_t*>(recordStream_.peek(length));
  }
  void takeRecordBytes(std::size_t length) {
    recordStream_.skip(length);
    bytesRead_ += length;
  }
  // All the record bytes at hand in one piece: their count, and where they
  // start in `begin`. A walk over many records consumes what it used with
  // takeRecordBytes() once at its end.
  std::size_t recordBytesAtHand(const uint8_t*& begin) const {
    begin = reinterpret_cast<const uint8_t*>(recordStream_.current());
    return recordStream_.available();
  }
  // Bytes of a timestamp record's payload in this file's format version.
  unsigned timestampWidth() const { return formatVersion_ >= kFirstVersionWithWideCatalog ? 8 : 4; }
  // Absolute time in ms since 1970 UTC of a timestamp payload.
  int64_t timestampAt(const uint8_t* payload) const {
    const uint64_t offset = timestampWidth() == 8 ? loadLe64(payload) : loadLe32(payload);
    return static_cast<int64_t>(static_cast<uint64_t>(fileStartMs_) + offset);
  }

  bool readId(uint16_t& recordId);
  // Absolute time in ms since 1970 UTC of a timestamp record's payload.
  bool readAbsoluteTimestamp(int64_t& timeMs);
  // Decodes the value of one record of variable `recordId` whose catalog
  // type is `type` into `out` (untouched on failure).
  bool readVarData(uint16_t recordId, uint8_t type, NodeDataValue& out);
  // True once a read has asked for bytes past the end of the stream.
  bool atStreamEnd() const { return recordStream_.atEnd(); }

  // ---- catalog ----

  // Variables in catalog order: groups by name, within a group variables by
  // name, names compared as byte strings.
  std::vector<VariableListing> listVariables() const;

  // visitor(variableId, groupId, VariableEntry&, decimals) in catalog order.
  template <class Visitor>
  void forEachVariable(Visitor&& visitor) {
    for (const CatalogPosition& position : variableIndex_.order()) {
      VariableEntry& entry = *variableIndex_.find(position.variableId);
      visitor(position.variableId, position.groupId, entry, entry.decimals);
    }
  }
  const std::vector<CatalogPosition>& catalogOrder() const { return variableIndex_.order(); }
  // The variable map: id -> entry holding the value of the row being built.
  VariableIndex& variableMap() { return variableIndex_; }
  const VariableIndex& variableMap() const { return variableIndex_; }

  std::string groupName(uint16_t groupId) const;
  std::string variableName(uint16_t id) const;
  // Group name, ".", variable name.
  std::string fullVariableName(uint16_t id) const;
  std::string catalogUnitSymbol(unsigned unitIndex) const;
  uint8_t typeOf(uint16_t id) const { return catalog_.typeOf(id); }

  // ---- header ----

  std::string note() const;
  std::string serial() const;
  std::string firmware() const;
  std::string uidText() const;
  int64_t fileStartMs() const { return fileStartMs_; }
  int64_t fileEndMs() const { return fileEndMs_; }
  uint32_t formatVersion() const { return formatVersion_; }
  uint64_t uncompressedSize() const { return uncompressedSize_; }
  // The size as the header stores it: the low 32 bits of the true size; 0
  // while the logger has not finalised the file.
  uint32_t storedUncompressedSize() const;
  float recordingFrequency() const { return recordingFrequency_; }
  uint8_t reservedByte() const { return reservedByte_; }

  // ---- state ----

  const std::string& loadError() const { return loadError_; }
  // The constructor read magic, header and catalog. False also for the
  // failures that leave loadError() empty (open failure, head cut short).
  bool headRead() const { return headRead_; }
  uint64_t bytesRead() const { return bytesRead_; }
  const std::string& inputPath() const { return inputPath_; }
  // The refusal text for a file newer than this decoder.
  std::string incompatibleVersionText() const;
  static bool isSupportedVersion(uint32_t formatVersion) {
    return formatVersion <= zrl::kDecoderFormatVersion;
  }

 protected:
  // Progress counter; a run starts it at the head length.
  void setBytesRead(uint64_t value) { bytesRead_ = value; }
  void resetBytesRead() { bytesRead_ = zrl::kHeadLength; }
  // Empties the variable map and the catalog order.
  void clearIndexes() { variableIndex_.clear(); }
  // Reports `message` with the current progress and total.
  void report(const std::string& message) const;
  const ProgressCallback& progressCallback() const { return progressCallback_; }
  void setProgressCallback(ProgressCallback cb) { progressCallback_ = std::move(cb); }
  int inputDescriptor() const { return fd_; }

 private:
  bool reportReadFailure();
  bool readShortPayload(uint8_t* out, unsigned length);
  bool readHeaderFields();
  void deriveTimes();
  // "Cannot read the head of <path>: the file ends at byte <n>, the head
  // needs <m>", once the file ended inside its head.
  std::string headCutText() const;

  std::string inputPath_;
  ProgressCallback progressCallback_;
  std::string loadError_;
  bool headRead_ = false;
  int fd_ = -1;
  zrl::GzBlockReader recordStream_;

  std::array<uint8_t, zrl::kHeaderSize> header_{};
  std::array<uint8_t, zrl::kExtensionSize> extension_{};
  uint32_t formatVersion_ = 0;
  uint64_t uncompressedSize_ = 0;
  uint64_t bytesRead_ = 0;
  uint64_t headOffset_ = 0;    // bytes of the head read so far
  bool headVersionRead_ = false;  // the header fields, the version among them, were read
  bool headCut_ = false;       // the file ended inside its head
  int64_t fileStartMs_ = 0;
  int64_t fileEndMs_ = 0;
  float recordingFrequency_ = 0;
  uint8_t reservedByte_ = 0;

  zrl::CatalogTable catalog_;
  VariableIndex variableIndex_;
};

}  // namespace zrl
