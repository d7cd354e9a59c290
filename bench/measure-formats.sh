#!/bin/sh
# Time, peak memory and size of the reference log (800,000 rows of 50
# variables, every one selected) decoded as CSV, as HDF5 and as a MATLAB
# v7.3 file. Each is taken RUNS times (default 3) in turns; the fastest
# run is shown.
#
#   bench/measure-formats.sh [BUILD_DIR] [ROWS]
#
# Builds zrl-gen and decode_bench in BUILD_DIR (default build), writes the
# log once as BUILD_DIR/reference-ROWS.zrl (shared with run-reference.sh)
# and the outputs beside it (removed afterwards).
set -eu
build=${1:-build}
rows=${2:-800000}
runs=${RUNS:-3}
log=$build/reference-$rows.zrl
cmake --build "$build" -j2 --target zrl-gen decode_bench > /dev/null
[ -f "$log" ] || "$build/zrl-gen" --preset reference --rows "$rows" --output "$log" --quiet
bench=$build/bench/decode_bench

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  for format in csv hdf5 mat; do
    case $format in csv) ext=csv; extra= ;; hdf5) ext=h5; extra="--format hdf5" ;; mat) ext=mat; extra="--format mat" ;; esac
    out=$build/reference-$rows.$ext
    rm -f "$out"
    # shellcheck disable=SC2086
    line=$("$bench" --decode "$log" "$out" $extra)
    echo "$line" | grep -q succeeded || { echo "$format: $line" >&2; exit 1; }
    wall=$(echo "$line" | sed -n 's/.* in \([0-9.]*\) s wall.*/\1/p')
    cpu=$(echo "$line" | sed -n 's/.* \([0-9.]*\) s CPU.*/\1/p')
    rss=$(echo "$line" | sed -n 's/.*peak RSS \([0-9]*\) kB.*/\1/p')
    size=$(stat -c %s "$out")
    eval "old=\${best_$format:-}"
    if [ -z "$old" ] || [ "$(echo "$wall ${old%% *}" | awk '{ print ($1 < $2) }')" = 1 ]; then
      eval "best_$format=\"$wall $cpu $rss $size\""
    fi
    rm -f "$out"
  done
done
echo "log: $log ($(stat -c %s "$log") bytes); fastest of $runs runs"
printf '%-6s %9s %9s %12s %14s\n' format "wall s" "CPU s" "peak RSS kB" "size bytes"
for format in csv hdf5 mat; do
  eval "set -- \$best_$format"
  printf '%-6s %9s %9s %12s %14s\n' "$format" "$1" "$2" "$3" "$4"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
