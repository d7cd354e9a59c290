#!/bin/sh
# Times a whole decode of a big generated log file (every variable, no
# resampling) against "gzip -dc" of the same record stream, and prints the
# ratio and the decode's peak resident memory.
#
#   bench/measure-decode.sh [SIZE_MB] [CSV_DIR]
#
# Run from the source tree after building zrl-gen and decode_bench in build/.
# The log file is build/decode-measure-<SIZE>.zrl (kept for later runs); the
# CSV goes to CSV_DIR (default build/) and is removed afterwards.
set -eu
size=${1:-512}
csvdir=${2:-build}
log=build/decode-measure-$size.zrl
csv=$csvdir/decode-measure.csv
[ -x build/zrl-gen ] && [ -x build/bench/decode_bench ] || {
  echo "build zrl-gen and decode_bench first: cmake --build build --target zrl-gen decode_bench" >&2
  exit 1
}
[ -f "$log" ] || build/zrl-gen --preset big --size-mb "$size" --output "$log" --quiet
rm -f "$csv"

seconds() { date +%s.%N; }

# CPU times are shown too: on a busy machine they say more than wall times.
start=$(seconds)
/usr/bin/time -f "%U %S" -o build/gzip-measure.time sh -c "tail -c +850806 '$log' | gzip -dc > /dev/null"
gzip_s=$(echo "$(seconds) - $start" | bc)
gzip_cpu=$(awk '{ print $1 + $2 }' build/gzip-measure.time)

/usr/bin/time -v -o build/decode-measure.time build/bench/decode_bench --decode "$log" "$csv"
decode_s=$(grep "Elapsed (wall clock)" build/decode-measure.time | awk '{print $NF}' |
  awk -F: '{ if (NF == 3) print $1*3600 + $2*60 + $3; else print $1*60 + $2 }')
rss_kb=$(grep "Maximum resident set size" build/decode-measure.time | awk '{print $NF}')
cpu_s=$(awk '/User time|System time/ { s += $NF } END { print s }' build/decode-measure.time)
csv_bytes=$(stat -c %s "$csv")
rm -f "$csv"

# What writing that many bytes costs on its own, for comparison.
start=$(seconds)
dd if=/dev/zero of="$csv" bs=1M count=$((csv_bytes / 1048576)) status=none
dd_s=$(echo "$(seconds) - $start" | bc)
rm -f "$csv"

echo "log file:        $log ($(stat -c %s "$log") bytes, body $size MiB uncompressed)"
echo "CSV written:     $csv_bytes bytes"
echo "gzip -dc:        $gzip_s s wall, $gzip_cpu s CPU"
echo "decode:          $decode_s s wall, $cpu_s s CPU"
echo "ratio:           $(echo "scale=2; $decode_s / $gzip_s" | bc) (wall), $(echo "scale=2; $cpu_s / $gzip_cpu" | bc) (CPU)"
echo "writing as many bytes with dd: $dd_s s"
echo "peak RSS:        $rss_kb kB"
