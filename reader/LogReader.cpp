#include "reader/LogReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "values/Diagnostics.h"
#include "reader/HeaderFields.h"

namespace zrl {

using namespace zrl;

LogReader::LogReader(const std::string& path, ProgressCallback cb)
    : inputPath_(path), progressCallback_(std::move(cb)) {
  if (!openInputFile()) {
    if (progressCallback_) progressCallback_(0, 0, "Failed to open file " + inputPath_);
    return;
  }
  bytesRead_ = kHeadLength;
  if (!readMagic()) {
    loadError_ = "Unable to read magic section";
    report(loadError_);
  } else if (readHeader()) {
    headRead_ = true;
  } else if (!isSupportedVersion(formatVersion_)) {
    // A head cut short has already printed why; only a newer format is
    // refused here.
    loadError_ = incompatibleVersionText();
    report(loadError_);
  }
  closeAll();
}

LogReader::~LogReader() { closeAll(); }

bool LogReader::openInputFile(bool printFailure) {
  // Non-blocking, which changes nothing for a regular file, so that a path
  // naming a pipe or a device cannot hold the program waiting for a writer.
  fd_ = ::open(inputPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    const int error = errno;
    if (printFailure)
      printDiagnosticLine("Decoder: Failed to open " + inputPath_ + ":" + systemErrorText(error));
    return false;
  }
  return true;
}

bool LogReader::readStream(void* buffer, std::size_t length) {
  if (fd_ < 0) {
    printDiagnosticLine("Read stream: no open input file");
    return false;
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::read(fd_, out + done, length - done);
    if (got < 0) {
      printDiagnosticLine("Failed to read from stream: " + systemErrorText(errno));
      return false;
    }
    if (got == 0) {
      headOffset_ += done;
      headCut_ = true;
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  headOffset_ += done;
  return true;
}

std::string LogReader::headCutText() const {
  // Before its version is read the head's length is unknown: the decoder's
  // own version's is given then.
  uint64_t needed = kHeadLength;
  if (headVersionRead_) {
    needed = kMagicSize + kHeaderSize + (formatVersion_ >= kFirstVersionWithExtension ? kExtensionSize : 0) +
             catalog_.size();
  }
  return "Cannot read the head of " + inputPath_ + ": the file ends at byte " + std::to_string(headOffset_) +
         ", the head needs " + std::to_string(needed);
}

bool LogReader::readMagic() {
  headOffset_ = 0;
  headCut_ = false;
  headVersionRead_ = false;
  uint8_t magic[kMagicSize];
  if (!readStream(magic, sizeof magic)) {
    if (headCut_) printDiagnosticLine(headCutText());
    return false;
  }
  if (loadLe32(magic) != kMagicNumber) {
    printDiagnosticLine("File has a bad magic number");
    return false;
  }
  return true;
}

bool LogReader::readHeaderFields() {
  if (!readStream(header_.data(), header_.size())) return false;
  formatVersion_ = loadLe32(header_.data() + header::kFormatVersion);
  uint32_t frequencyBits = loadLe32(header_.data() + header::kRecordingFrequency);
  std::memcpy(&recordingFrequency_, &frequencyBits, sizeof recordingFrequency_);
  reservedByte_ = header_[header::kReservedByte];
  catalog_.setFormatVersion(formatVersion_);
  headVersionRead_ = true;

  if (formatVersion_ >= kFirstVersionWithExtension) {
    if (!readStream(extension_.data(), extension_.size())) return false;
  } else {
    extension_.fill(0);
  }
  return readStream(catalog_.data(), catalog_.size());
}

bool LogReader::readHeader() {
  variableIndex_.clear();
  if (!readHeaderFields()) {
    printDiagnosticLine(headCut_ ? headCutText() : "Failed to read header:, " + systemErrorText(errno));
    return false;
  }
  if (!isSupportedVersion(formatVersion_)) return false;  // the caller explains
  if (!variableIndex_.addDescriptors(catalog_)) return false;

  deriveTimes();

  uint64_t fileSize = 0;
  struct stat status;
  if (::fstat(fd_, &status) == 0) fileSize = static_cast<uint64_t>(status.st_size);
  uncompressedSize_ =
      correctedUncompressedSize(loadLe32(header_.data() + header::kUncompressedSize), fileSize);

  variableIndex_.buildOrder(catalog_);
  return true;
}

void LogReader::deriveTimes() {
  // The wall-clock end minus the length measured on the logger's running
  // clock; the stored start time is not trusted. Wrapping arithmetic keeps
  // absurd values defined.
  const uint64_t end = static_cast<uint64_t>(timeValueMs(header_.data() + header::kEndTime));
  const uint64_t startCounter =
      static_cast<uint64_t>(timeValueMs(header_.data() + header::kStartCounter));
  const uint64_t endCounter =
      static_cast<uint64_t>(timeValueMs(header_.data() + header::kEndCounter));
  fileEndMs_ = static_cast<int64_t>(end);
  fileStartMs_ = static_cast<int64_t>(end - (endCounter - startCounter));
}

bool LogReader::openRecordStream() { return fd_ >= 0 && recordStream_.open(fd_); }

bool LogReader::openRecordStreamAt(const ResumePoint& point, uint64_t recordPosition) {
  constexpr uint64_t kLongestRecord = 64;
  if (fd_ < 0 || recordPosition < point.streamPosition || recordPosition - point.streamPosition > kLongestRecord)
    return false;
  const int copy = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  bool ready = recordStream_.openAt(copy, point) && recordStream_.resumeMatches(point);
  if (ready) {
    uint8_t skipped[kLongestRecord];
    const unsigned length = static_cast<unsigned>(recordPosition - point.streamPosition);
    ready = length == 0 || recordStream_.read(skipped, length) == static_cast<int>(length);
  }
  if (!ready) {
    recordStream_.close();
    // The caller reads from the start instead; should that seek fail, its
    // own open reports the failure.
    (void)::lseek(fd_, static_cast<off_t>(headOffset_), SEEK_SET);
    return false;
  }
  ::close(fd_);
  fd_ = copy;
  bytesRead_ = kHeadLength + recordPosition;
  return true;
}

void LogReader::closeAll() {
  if (recordStream_.isOpen()) {
    // The stream was opened on fd_ and closes it itself; closing fd_ as well
    // would close whatever descriptor reuses that number by then.
    recordStream_.close();
    fd_ = -1;
  }
  if (fd_ != -1) {
    ::close(fd_);
    fd_ = -1;
  }
}

void LogReader::report(const std::string& message) const {
  if (progressCallback_) progressCallback_(bytesRead_, uncompressedSize_, message);
}

std::string LogReader::incompatibleVersionText() const {
  return std::string("Decoder and zrl file format are not compatible.") +
         " Decoder format version: " + kDecoderFormatVersionText +
         ".zrl file format version: " + std::to_string(formatVersion_);
}

uint32_t LogReader::storedUncompressedSize() const {
  return loadLe32(header_.data() + header::kUncompressedSize);
}

std::string LogReader::note() const {
  return fieldText(header_.data() + header::kNote, header::kNoteSize);
}
std::string LogReader::serial() const {
  return fieldText(extension_.data() + extension::kSerial, extension::kSerialSize);
}
std::string LogReader::firmware() const {
  return fieldText(extension_.data() + extension::kFirmware, extension::kFirmwareSize);
}
std::string LogReader::uidText() const {
  return zrl::uidText(extension_.data() + extension::kUid);
}

std::string LogReader::groupName(uint16_t groupId) const {
  return std::string(catalog_.groupNameView(groupId));
}
std::string LogReader::variableName(uint16_t id) const {
  return std::string(catalog_.variableNameView(id));
}
std::string LogReader::catalogUnitSymbol(unsigned unitIndex) const {
  return std::string(catalog_.unitSymbolView(unitIndex));
}

std::string LogReader::fullVariableName(uint16_t id) const {
  const VariableEntry* entry = variableIndex_.find(id);
  // An id without a slot has no group: 0xFFFF is past every group table.
  const uint16_t groupId =
      entry ? entry->groupId : (id < kMaxVariables ? catalog_.descriptor(id).groupId : 0xFFFF);
  return groupName(groupId) + "." + variableName(id);
}

std::vector<VariableListing> LogReader::listVariables() const {
  std::vector<VariableListing> list;
  list.reserve(variableIndex_.order().size());
  for (const CatalogPosition& position : variableIndex_.order()) {
    const VariableDescriptor d = catalog_.descriptor(position.variableId);
    list.push_back(VariableListing{position.variableId, position.groupId,
                                   fullVariableName(position.variableId),
                                   catalogUnitSymbol(d.unitIndex), d.type});
  }
  return list;
}

}  // namespace zrl
