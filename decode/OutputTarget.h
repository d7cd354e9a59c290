// Where one decode's CSV goes, and what becomes of it when the decode ends:
//   - a new file is written as "<name>.part" and given the first free name
//     when the decode ends (publish), or removed when it was cancelled or
//     its table is not whole (discard), so no file under the requested
//     name is ever partial; asked to replace, it takes the requested name
//     itself, by a rename over whatever file has it;
//   - an existing device or FIFO (/dev/null, a named pipe) is written in
//     place: it has no name to protect, and numbering it would create a
//     regular file beside it;
//   - an open descriptor (standard output) is written in place.
#pragma once

#include <functional>
#include <string>

namespace zrl {

class CsvOutput;
struct PartFile;

class OutputTarget {
 public:
  OutputTarget() = default;
  ~OutputTarget();
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;

  // Opens the target of `requestedPath`, or `descriptor` unless it is -1,
  // in `output`. False, with failureText(), when it cannot be opened, or
  // with stopped() when `stopRequested` ended the wait for a FIFO's reader.
  bool open(const std::string& requestedPath, int descriptor, bool replace, CsvOutput& output,
            const std::function<bool()>& stopRequested = {});
  bool stopped() const { return stopped_; }
  // The same for a writer that opens the file by its name (a format of its
  // own that seeks in its file): only a new or replaced regular file, never
  // a descriptor, a device or a FIFO. The ".part" to write is
  // partFileName(path()), created empty and held.
  bool openFile(const std::string& requestedPath, int descriptor, bool replace);

  // The name a decode into `requestedPath` is expected to write: the first
  // free name for a new file (another run may still take it first), or the
  // requested one when it is to be replaced.
  static std::string expectedPath(const std::string& requestedPath, bool replace = false);

  // True while a ".part" waits for publish() or discard().
  bool isPending() const { return number_ != 0; }
  // Gives the closed ".part" its final name. False, with failureText().
  bool publish();
  // Removes the ".part".
  void discard();

  // The name being written, or once published, the name written.
  const std::string& path() const { return path_; }
  const std::string& failureText() const { return failure_; }

 private:
  void releaseLock();
  // Takes the ".part" just made or reserved for `requestedPath` (its failure
  // noted when there is none).
  bool holdPart(const std::string& requestedPath, const PartFile& part);

  std::string requested_;
  std::string path_;
  std::string failure_;
  unsigned number_ = 0;  // candidate number of the pending ".part"; 0 = none
  int lock_ = -1;        // holds the pending ".part"'s lock
  bool stopped_ = false;
  bool replace_ = false;
};

}  // namespace zrl
