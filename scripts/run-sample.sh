#!/bin/sh
# Makes a realistic sample log with our writer and decodes all of it in
# batch mode. The decoder runs with a configuration, home, settings and
# temporary directory of its own below the build directory, so nothing of
# the user's is read or overwritten.
set -e
BUILD_DIR=${1:-build}
OUT_DIR="$BUILD_DIR/sample"
ENV_DIR="$OUT_DIR/env"
LOG="$OUT_DIR/sample.zrl"
CSV="$OUT_DIR/sample.csv"
CONF="$OUT_DIR/sample-config.json"

mkdir -p "$OUT_DIR" "$ENV_DIR/home" "$ENV_DIR/config" "$ENV_DIR/tmp" "$ENV_DIR/runtime"
chmod 700 "$ENV_DIR/runtime"
"$BUILD_DIR/zrl-gen" --preset sample --output "$LOG"
cat > "$CONF" <<'JSON'
{
	"milliseconds" : true,
	"units" : true,
	"utc" : true
}
JSON
# An existing CSV would make the decoder pick "sample (2).csv".
rm -f "$CSV"
HOME="$ENV_DIR/home" XDG_CONFIG_HOME="$ENV_DIR/config" TMPDIR="$ENV_DIR/tmp" XDG_RUNTIME_DIR="$ENV_DIR/runtime" \
  "$BUILD_DIR/zrl-decoder" --batch --alldata --zrl "$LOG" --conf "$CONF" --csv "$CSV"
echo "Sample log: $LOG"
echo "CSV:        $CSV"
