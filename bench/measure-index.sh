#!/bin/sh
# What the log index buys and costs on a big generated log:
#   - a whole decode (one variable, CSV to /dev/null) without an index, and
#     the same decode making the index as it goes;
#   - --index alone, and the index's size against the log's;
#   - one minute near the start, in the middle and near the end, with and
#     without the index (the CSVs must be identical);
#   - --info --stats with and without the index;
#   - the window's preview (build/bench/decode_bench, when built): the whole
#     log without an index, making it, and from it; an hour's zoom in the
#     middle with and without it. Each time is click to envelope.
#
#   bench/measure-index.sh [LOG] [SIZE_MB]
#
# Run from the source tree after building zrl-decoder and zrl-gen in build/.
# LOG (default /tmp/zrl-index-measure-<SIZE_MB>.zrl, SIZE_MB default 2000)
# is generated when missing and kept for later runs; indexes go to a
# temporary cache folder that is removed at the end.
set -eu
size=${2:-2000}
log=${1:-/tmp/zrl-index-measure-$size.zrl}
decoder=build/zrl-decoder
[ -x "$decoder" ] && [ -x build/zrl-gen ] || {
  echo "build zrl-decoder and zrl-gen first: cmake --build build --target zrl-decoder zrl-gen" >&2
  exit 1
}
[ -f "$log" ] || build/zrl-gen --preset big --size-mb "$size" --output "$log" --quiet
cache=$(mktemp -d)
out=$(mktemp -d)
trap 'rm -rf "$cache" "$out"' EXIT
export XDG_CACHE_HOME="$cache"

seconds() { date +%s.%N; }
timed() {  # timed LABEL COMMAND...: runs it, prints the wall time
  label=$1
  shift
  start=$(seconds)
  "$@"
  printf '%-44s %8.3f s\n' "$label" "$(echo "$(seconds) - $start" | bc)"
}

info=$("$decoder" --no-index --info "$log")
start_ms=$(echo "$info" | sed -n 's/^\t"start" : \([0-9-]*\),*$/\1/p')
end_ms=$(echo "$info" | sed -n 's/^\t"end" : \([0-9-]*\),*$/\1/p')
variable=$(echo "$info" | sed -n 's/^\t\t\t"name" : "\(.*\)",*$/\1/p' | head -n 1)
span_s=$(( (end_ms - start_ms) / 1000 ))
echo "log: $log ($(stat -c %s "$log") bytes, $span_s s), variable $variable"

decode() {  # decode NAME [OPTIONS...]: one variable to $out/NAME.csv
  name=$1
  shift
  "$decoder" --batch --quiet --vars "$variable" --csv - "$@" "$log" > "$out/$name.csv"
}

timed "whole decode, no index" decode whole-plain --no-index
timed "whole decode, making the index" decode whole-indexed
cmp -s "$out/whole-plain.csv" "$out/whole-indexed.csv" || echo "WHOLE DECODES DIFFER"
rm -f "$out"/whole-*.csv "$cache"/zrl-decoder/*
timed "--index" sh -c "'$decoder' --index --quiet '$log' > /dev/null"
index_bytes=$(cat "$cache"/zrl-decoder/*.zrlidx | wc -c)
echo "index: $index_bytes bytes, $(echo "scale=3; 100 * $index_bytes / $(stat -c %s "$log")" | bc) % of the log"

for at in 60 $((span_s / 2)) $((span_s - 120)); do
  timed "one minute at +$at s, no index" decode "plain-$at" --no-index --start "+$at" --end "+$((at + 60))"
  timed "one minute at +$at s, index" decode "indexed-$at" --start "+$at" --end "+$((at + 60))"
  cmp -s "$out/plain-$at.csv" "$out/indexed-$at.csv" || echo "WINDOW AT +$at DIFFERS"
done

timed "--info --stats, no index" sh -c "'$decoder' --no-index --quiet --info --stats '$log' > '$out/stats-plain.json'"
timed "--info --stats, index" sh -c "'$decoder' --quiet --info --stats '$log' > '$out/stats-indexed.json'"
cmp -s "$out/stats-plain.json" "$out/stats-indexed.json" || echo "STATS DIFFER"

bench=build/bench/decode_bench
if [ -x "$bench" ]; then
  preview() {  # preview LABEL [OPTIONS...]: the bench's own line
    label=$1
    shift
    printf '%-44s %s\n' "$label" "$("$bench" --preview "$log" "$@" | tail -n 1)"
  }
  rm -f "$cache"/zrl-decoder/*
  middle=$((span_s / 2))
  preview "whole-log preview, no index" --no-index
  preview "whole-log preview, making the index"
  preview "whole-log preview, index"
  preview "one hour at +$middle s, no index" --no-index --range "$middle" "$((middle + 3600))"
  preview "one hour at +$middle s, index" --range "$middle" "$((middle + 3600))"
else
  echo "preview: build decode_bench for its figures (cmake --build build --target decode_bench)"
fi
