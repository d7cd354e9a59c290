// The preview's envelope straight from a log's index, when its time buckets
// are fine enough: no record of the log is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decode/PreviewEnvelope.h"
#include "index/LogIndex.h"

namespace zrl {

// The index made for the log at `logPath` as it is now, with its summary
// when a whole pass made one; null when there is none (or indexes are off).
std::shared_ptr<const LogIndex> loadFreshIndex(const std::string& logPath);

// What computePreviewEnvelope() gives for the same arguments, from the
// index's buckets. False (and `out` unspecified) when the index has no
// summary or a bucket would have to be split: across two columns, or across
// the edge of `range`.
bool envelopeFromIndex(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                       const EnvelopeRange& range, int64_t fileStartMs, int64_t fileEndMs, PreviewEnvelope& out);
// The same for an index whose buckets span the file (as every index's do).
bool envelopeFromIndex(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                       const EnvelopeRange& range, PreviewEnvelope& out);

// The whole log's envelope from the index's buckets, at `columns` when they
// fall whole into them, or else at the finest count of columns, at most
// `columns` (or the bucket count when there are fewer buckets), that they
// fall whole into: coarser than asked, never a value in a wrong column.
// False when the index has no summary.
bool wholeEnvelopeFromBuckets(const LogIndex& index, const std::vector<uint16_t>& ids, std::size_t columns,
                              PreviewEnvelope& out);

// A source for the preview that answers the whole log from the buckets of
// its fresh index. The index is read once per log and kept while the file
// stays as it was; zooms are left to the pass, which starts at the index's
// point before them. Buckets much coarser than the columns asked for serve
// only logs of at least `passCheapBytes`: a smaller one is read again, in
// about the time it takes to notice.
constexpr uint64_t kPreviewPassCheapBytes = uint64_t{32} << 20;
EnvelopeSource indexEnvelopeSource(uint64_t passCheapBytes = kPreviewPassCheapBytes);

}  // namespace zrl
