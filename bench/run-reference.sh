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
# afterwards). A shared machine's speed drifts from minute to minute, so
# every measurement is taken RUNS times (default 3) in turns and the
# fastest is shown; every whole decode must give the same CSV bytes.
set -eu
build=${1:-build}
rows=${2:-800000}
runs=${RUNS:-3}
log=$build/reference-$rows.zrl
csv=$build/reference-$rows.csv
cmake --build "$build" -j2 --target zrl-gen decode_bench > /dev/null
[ -f "$log" ] || "$build/zrl-gen" --preset reference --rows "$rows" --output "$log" --quiet
bench=$build/bench/decode_bench

# "W C" wall and CPU seconds from a decode_bench line.
figures() { sed -n 's/.* \([0-9.]*\) s wall \([0-9.]*\) s CPU.*/\1 \2/p'; }
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }
# keep NAME W C [RSS]: the run with the least wall time of NAME so far.
keep() {
  eval "old=\${best_$1:-}"
  if [ -z "$old" ] || [ "$(echo "$2 ${old%% *}" | awk '{ print ($1 < $2) }')" = 1 ]; then
    eval "best_$1=\"$2 $3 ${4:-0}\""
    [ "$1" = all ] && all_threads=$threads
  fi
  return 0
}
decode() {  # decode NAME ARGS...
  name=$1; shift
  rm -f "$csv"
  out=$(DECODE_BENCH_THREADS=1 "$bench" --decode "$log" "$csv" "$@")
  echo "$out" | grep -q succeeded || { echo "$name: $out" >&2; exit 1; }
  threads=$(echo "$out" | grep '^thread' | sed 's/^thread */    /')
  keep "$name" $(echo "$out" | head -1 | figures) "$(echo "$out" | sed -n 's/.*peak RSS \([0-9]*\) kB.*/\1/p')"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
sum=
for run in $(seq "$runs"); do
  keep zlib $("$bench" --inflate "$log" | figures)
  decode all
  this=$(sha256sum "$csv" | cut -d' ' -f1)
  [ -z "$sum" ] || [ "$sum" = "$this" ] || { echo "the CSV differs between runs" >&2; exit 1; }
  sum=$this bytes=$(stat -c %s "$csv")
  decode one --only 1
  decode median --resample 10 --method 0
  decode mean --resample 1 --method 1
done
rm -f "$csv"

set -- $best_zlib; zw=$1 zc=$2
set -- $best_all; dw=$1 dc=$2 rss=$3
set -- $best_one; ow=$1 oc=$2
set -- $best_median; mw=$1 mc=$2
set -- $best_mean; aw=$1 ac=$2
echo "log:               $log ($(stat -c %s "$log") bytes); fastest of $runs runs"
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
