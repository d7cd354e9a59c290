#!/bin/bash
# Runs the tests of a sanitizer build (see `make test-asan`).
# Usage: scripts/run-asan-tests.sh BUILD_DIR JOBS
set -euo pipefail
BUILD_DIR=${1:-build-asan}
JOBS=${2:-2}
source "$(dirname "$0")/sanitizer-env.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j "$JOBS"
