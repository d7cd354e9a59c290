#!/bin/sh
# Decode speed on the reference log (800,000 rows of 50 variables, every one
# selected): whole decode, one variable of 50, and resampled decodes, each
# against zlib inflating the same record stream alone (gzread, 128 KiB
# blocks), with CPU times, peak memory and the CSV's SHA-256, so that any
# change in speed or output shows.
#
#   bench/run-reference.sh [BUILD_DIR] [ROWS]
#
# Builds zrl-gen and decode_bench in BUILD_DIR (default build), writes the
# log once as BUILD_DIR/reference-ROWS.zrl and its CSVs beside it (removed
# afterwards). On a shared machine wall times vary; the CPU times and the
# load average printed with them tell how much.
set -eu
build=${1:-build}
rows=${2:-800000}
log=$build/reference-$rows.zrl
csv=$build/reference-$rows.csv
cmake --build "$build" -j2 --target zrl-gen decode_bench > /dev/null
[ -f "$log" ] || "$build/zrl-gen" --preset reference --rows "$rows" --output "$log" --quiet
bench=$build/bench/decode_bench

# "W C" wall and CPU seconds from a decode_bench line.
figures() { sed -n 's/.* \([0-9.]*\) s wall \([0-9.]*\) s CPU.*/\1 \2/p'; }
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
set -- $("$bench" --inflate "$log" | figures)
zw=$1 zc=$2
decode() {  # decode NAME ARGS...: prints the figures line, leaves "W C RSS" in $run
  name=$1; shift
  rm -f "$csv"
  out=$(DECODE_BENCH_THREADS=1 "$bench" --decode "$log" "$csv" "$@")
  echo "$out" | grep -q succeeded || { echo "$name: $out" >&2; exit 1; }
  run="$(echo "$out" | head -1 | figures) $(echo "$out" | sed -n 's/.*peak RSS \([0-9]*\) kB.*/\1/p')"
  threads=$(echo "$out" | grep '^thread' | sed 's/^thread */    /')
}
decode all
set -- $run
dw=$1 dc=$2 rss=$3
all_threads=$threads
sum=$(sha256sum "$csv" | cut -d' ' -f1)
bytes=$(stat -c %s "$csv")
decode one --only 1
set -- $run
ow=$1 oc=$2
decode median --resample 10 --method 0
set -- $run
mw=$1 mc=$2
decode mean --resample 1 --method 1
set -- $run
aw=$1 ac=$2
rm -f "$csv"

echo "log:               $log ($(stat -c %s "$log") bytes)"
echo "zlib inflate:      $zw s wall, $zc s CPU"
echo "decode (all 50):   $dw s wall, $dc s CPU; ratio to zlib $(ratio "$dw" "$zw") wall, $(ratio "$dc" "$zc") CPU"
echo "  CPU by thread:"
echo "$all_threads"
echo "1 of 50:           $ow s wall, $oc s CPU; ratio to zlib $(ratio "$ow" "$zw") wall, $(ratio "$oc" "$zc") CPU"
echo "10 Hz Median:      $mw s wall, $mc s CPU; ratio to the plain decode $(ratio "$mw" "$dw") wall, $(ratio "$mc" "$dc") CPU"
echo "1 Hz Mean:         $aw s wall, $ac s CPU; ratio to the plain decode $(ratio "$aw" "$dw") wall, $(ratio "$ac" "$dc") CPU"
echo "peak RSS:          $rss kB (whole decode)"
echo "CSV:               $bytes bytes, SHA-256 $sum"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
