// A place in the inflated record stream where inflating can start again
// without going through everything before it.
//
// ISA-L cannot be told to stop between deflate blocks, so a place is taken
// wherever an inflate call happens to return: the inflater's whole state
// then (bit buffer, the Huffman tables of the block in progress, the last
// 32 KiB of output it refers back to, the member's running CRC) is kept as
// it is. Resuming restores that state and feeds it the compressed bytes
// from where it stopped reading. The state's layout belongs to the ISA-L
// version this program was built with; kInflaterLayout tells states of
// another build apart.
#pragma once

#include <cstdint>
#include <vector>

namespace zrl {

// ISA-L's version and the size of its state, as one number.
extern const uint64_t kInflaterLayout;

struct ResumePoint {
  uint64_t streamPosition = 0;  // offset in the inflated stream
  uint64_t inputOffset = 0;     // file offset of the next compressed byte
  uint64_t memberOffset = 0;    // file offset of the gzip member in progress
  uint64_t memberPosition = 0;  // stream offset of that member's first byte
  // CRC-32 of the first checkLength inflated bytes at streamPosition: a
  // resume that does not reproduce them is abandoned.
  uint32_t checkLength = 0;
  uint32_t checkCrc = 0;
  std::vector<uint8_t> inflaterState;  // as captureInflaterState() made it
};

}  // namespace zrl
