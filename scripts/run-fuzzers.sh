#!/bin/bash
# Runs every fuzz target for a bounded time on its seed corpus.
# Usage: scripts/run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
BUILD_DIR=${1:-build-fuzz}
SECONDS_PER_TARGET=${2:-30}
source "$(dirname "$0")/sanitizer-env.sh"
export QT_QPA_PLATFORM=offscreen
work="$BUILD_DIR/fuzz-work"
mkdir -p "$work" "$BUILD_DIR/findings"
# A private HOME and TMPDIR: the targets write scratch files and must not
# touch the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$TMPDIR"

"$BUILD_DIR/fuzz/fuzz_seeds" "$work/seeds"

status=0
for target in "$BUILD_DIR"/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus="$work/corpus-$name"
  mkdir -p "$corpus"
  cp -n "$work/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  echo "== $name: ${SECONDS_PER_TARGET}s"
  if ! "$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=20 -rss_limit_mb=4096 \
        -artifact_prefix="$BUILD_DIR/findings/$name-" -print_final_stats=1 \
        "$corpus" > "$work/$name.log" 2>&1; then
    echo "FAIL: $name found a problem; see $work/$name.log and $BUILD_DIR/findings/"
    tail -40 "$work/$name.log"
    status=1
  else
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/$name.log" | tail -2
  fi
done
exit $status
