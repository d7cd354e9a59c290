#!/bin/sh
# Makes a realistic sample log with our writer and shows what the decoder
# makes of it.
set -e
BUILD_DIR=${1:-build}
OUT_DIR="$BUILD_DIR/sample"
mkdir -p "$OUT_DIR"
"$BUILD_DIR/zrl-gen" --preset sample --output "$OUT_DIR/sample.zrl"
"$BUILD_DIR/zrl-decoder" --info --zrl "$OUT_DIR/sample.zrl" > "$OUT_DIR/sample-info.json"
echo "Sample log: $OUT_DIR/sample.zrl"
echo "Info JSON:  $OUT_DIR/sample-info.json"
