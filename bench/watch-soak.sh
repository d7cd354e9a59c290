#!/bin/bash
# What a watched folder promises, measured on real processes (several minutes;
# not part of `make test`):
#   1. latency: a finalised 1800-row log copied in is written out within the
#      settle time (default, 5 s) + 1 s of its last change;
#   2. crashes: 100 logs dropped in four bursts, the watcher killed with
#      kill -9 after each of the first three and started again: every log
#      decoded exactly once (CSV files counted and compared with a batch
#      decode of the same logs), no .part left;
#   3. database: a real influxd stopped for 30 s while logs keep arriving:
#      every point is there afterwards;
#   4. memory: the watcher's resident size while 10,000 logs go through the
#      journal.
# Usage: bench/watch-soak.sh [BUILD_DIR] [PARTS (default "1 2 3 4")]
set -euo pipefail
build=$(realpath "${1:-build}")
parts=${2:-1 2 3 4}
decoder=$build/zrl-decoder
gen=$build/zrl-gen
work=$(mktemp -d "${TMPDIR:-/tmp}/watch-soak.XXXXXX")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -9 "$pid" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# A home of its own: nothing of the user's is read or written.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/state
mkdir -p "$HOME" "$work/tpl"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
now_ns() { date +%s%N; }
count() { find "$1" -name "$2" 2> /dev/null | wc -l; }
# Conditions for wait_for, looked at anew each time.
has_table() { ls "$1" | grep -q "^$2-"; }
at_least() { [[ $(count "$1" "$2") -ge $3 ]]; }
has_part() { [[ -n $(find "$1" -name '*.part' -print -quit) ]]; }
status_says() { "$decoder" --watch-status "$1" | sed -n 1p | grep -q "$2"; }
wait_for() {  # seconds condition...
  local until=$(($(date +%s) + $1))
  shift
  while ! "$@"; do
    [[ $(date +%s) -ge $until ]] && return 1
    sleep 0.05
  done
}
start_watch() {  # log file, arguments...
  local log=$1
  shift
  "$decoder" --watch "$@" 2>> "$log" &
  watcher=$!
  pids+=("$watcher")
}

"$gen" --preset sample --output "$work/tpl/sample.zrl" > /dev/null
"$gen" --preset reference --rows 100000 --output "$work/tpl/ref.zrl" --quiet > /dev/null

if [[ " $parts " == *" 1 "* ]]; then
  echo "== 1. from a log's last change to its CSV (settle 5 s)"
  in=$work/lat/in out=$work/lat/out
  mkdir -p "$in" "$out"
  start_watch "$work/lat.err" "$in" --alldata --out-dir "$out" --quiet
  sleep 1
  worst=0
  for i in 1 2 3 4 5; do
    cp "$work/tpl/sample.zrl" "$in/La0$i.zrl"
    changed=$(date -r "$in/La0$i.zrl" +%s%N)
    wait_for 30 has_table "$out" "La0$i" || fail "La0$i.zrl never written out"
    took=$((($(now_ns) - changed) / 1000000))
    rows=$(($(wc -l < "$out"/La0$i-*.csv) - 1))
    echo "  La0$i.zrl: $rows rows, CSV $took ms after the last change"
    [[ $took -gt $worst ]] && worst=$took
  done
  kill -TERM "$watcher"; wait "$watcher" || fail "watcher ended with $?"
  echo "  worst: $worst ms (limit 6000 ms)"
  [[ $worst -le 6000 ]] || fail "a log took $worst ms"
fi

if [[ " $parts " == *" 2 "* ]]; then
  echo "== 2. 100 logs in four bursts, kill -9 after each of the first three"
  in=$work/crash/in out=$work/crash/out
  mkdir -p "$in" "$out"
  opts=(--vars 'Chassis.F1,Chassis.F2' --out-dir "$out" --quiet --jobs 2 --settle 0.5 --rescan 2)
  for burst in 1 2 3 4; do
    start_watch "$work/crash.err" "$in" "${opts[@]}"
    for i in $(seq $(((burst - 1) * 25 + 1)) $((burst * 25))); do
      cp "$work/tpl/ref.zrl" "$in/$(printf 'C%03d' "$i").zrl"
    done
    if [[ $burst -lt 4 ]]; then
      # Killed while a table is being written, when one can be caught.
      wait_for 10 has_part "$out" || true
      sleep "0.$((RANDOM % 5))"
      kill -9 "$watcher"; wait "$watcher" 2> /dev/null || true
      echo "  burst $burst: killed with $(count "$out" '*.csv') tables and $(count "$out" '*.part') .part written"
    fi
  done
  wait_for 300 at_least "$out" '*.csv' 100 || fail "only $(count "$out" '*.csv') tables"
  sleep 3  # a rescan or two more: nothing may follow
  kill -TERM "$watcher"; wait "$watcher" || fail "watcher ended with $?"
  tables=$(count "$out" '*.csv')
  echo "  tables: $tables, .part left: $(count "$out" '*.part'), numbered copies: $(count "$out" '* (*')"
  echo "  runs that took back a decode: $(grep -c 'left decoding by an earlier run' "$work/crash.err" || true)"
  [[ $tables -eq 100 && $(count "$out" '*.part') -eq 0 && $(count "$out" '* (*') -eq 0 ]] || fail "not exactly once"
  "$decoder" --batch "${opts[@]:0:2}" --out-dir "$work/crash/batch" --quiet "$in"/*.zrl > /dev/null 2>&1
  if diff -r -q "$out" "$work/crash/batch" > /dev/null; then echo "  every table equals the batch decode"
  else fail "tables differ from the batch decode"; fi
  echo "  --watch-status:"
  "$decoder" --watch-status "$in" | sed -n '1,4p;$p' | sed 's/^/    /'
fi

if [[ " $parts " == *" 3 "* ]]; then
  echo "== 3. influxd stopped for 30 s while logs arrive"
  if ! command -v influxd > /dev/null; then
    fail "influxd is not installed"
  else
    db=$work/influx
    mkdir -p "$db"
    read -r http rpc < <(python3 -c 'import socket
s=[socket.socket() for _ in range(2)]
[x.bind(("127.0.0.1",0)) for x in s]
print(*[x.getsockname()[1] for x in s])')
    cat > "$db/influxd.conf" <<CONF
reporting-disabled = true
bind-address = "127.0.0.1:$rpc"
[meta]
  dir = "$db/meta"
  logging-enabled = false
[data]
  dir = "$db/data"
  wal-dir = "$db/wal"
  query-log-enabled = false
[monitor]
  store-enabled = false
[http]
  enabled = true
  bind-address = "127.0.0.1:$http"
  log-enabled = false
[continuous_queries]
  enabled = false
CONF
    url=http://127.0.0.1:$http
    start_influxd() {
      influxd run -config "$db/influxd.conf" > "$db/influxd.log" 2>&1 &
      influxd_pid=$!
      pids+=("$influxd_pid")
      wait_for 30 curl -sf "$url/ping" -o /dev/null
    }
    start_influxd
    curl -sf -XPOST "$url/query" --data-urlencode 'q=CREATE DATABASE soak' > /dev/null
    # Twenty loggers, each its own series (serial) of 1800 points.
    for i in $(seq -w 1 20); do
      {
        echo "version 4"
        echo "times 1770000000000 1770000180000"
        echo "serial SN-$i"
        echo "group 1 Engine"
        echo "var 1 1 int Rpm"
        echo "var 2 1 double Temp"
        echo "repeat 1800"
        echo "  ts {i*100}"
        echo "  int 1 {1000 + i}"
        echo "  double 2 {80 + i/8}"
        echo "end"
      } > "$work/tpl/db$i.zrldesc"
      "$gen" --description "$work/tpl/db$i.zrldesc" --output "$work/tpl/D0$i.zrl" > /dev/null
    done
    in=$work/db/in
    mkdir -p "$in"
    start_watch "$work/db.err" "$in" --alldata --settle 0.5 --influxBDD soak --influxMeasurement m --influxURL "$url"
    for i in $(seq -w 1 10); do cp "$work/tpl/D0$i.zrl" "$in/"; done
    wait_for 30 grep -q 'D005.zrl done' "$work/db.err" || true
    kill -TERM "$influxd_pid"; wait "$influxd_pid" || true
    stopped=$(now_ns)
    for i in $(seq 11 20); do cp "$work/tpl/D0$i.zrl" "$in/"; sleep 1; done
    sleep $((30 - ($(now_ns) - stopped) / 1000000000))
    echo "  while stopped: $(grep -c 'waits for the database' "$work/db.err" || true) waits, pending: $("$decoder" --watch-status "$in" | sed -n 1p)"
    start_influxd
    back=$(now_ns)
    wait_for 180 status_says "$in" ': 20 done, 0 failed, 0 pending' ||
      fail "not every log arrived: $("$decoder" --watch-status "$in" | sed -n 1p)"
    echo "  all 20 logs done $((($(now_ns) - back) / 1000000)) ms after the server came back"
    kill -TERM "$watcher"; wait "$watcher" || fail "watcher ended with $?"
    points=$(curl -sf -G "$url/query" --data-urlencode 'db=soak' --data-urlencode 'q=SELECT COUNT("Engine.Rpm") FROM m' |
             python3 -c 'import json,sys; print(json.load(sys.stdin)["results"][0]["series"][0]["values"][0][1])')
    series=$(curl -sf -G "$url/query" --data-urlencode 'db=soak' --data-urlencode 'q=SHOW SERIES FROM m' |
             python3 -c 'import json,sys; print(len(json.load(sys.stdin)["results"][0]["series"][0]["values"]))')
    echo "  points in the database: $points in $series series (expected 36000 in 20)"
    [[ $points -eq 36000 && $series -eq 20 ]] || fail "points lost or doubled"
    kill -TERM "$influxd_pid"; wait "$influxd_pid" || true
  fi
fi

if [[ " $parts " == *" 4 "* ]]; then
  echo "== 4. memory with 10,000 logs through the journal"
  in=$work/mem/in out=$work/mem/out
  mkdir -p "$in" "$out"
  # Links to one log: 10,000 paths, 10,000 versions in the journal, little disk.
  start_watch "$work/mem.err" "$in" --vars Engine.Rpm --end +0.5 --out-dir "$out" --quiet --jobs 2 --settle 0.2
  rss() { awk '/^VmRSS/ {print $2}' "/proc/$watcher/status"; }
  for batch in $(seq 0 9); do
    mkdir -p "$in/b$batch"
    # Four hex digits: the CSV's name takes the first four characters.
    for i in $(seq 0 999); do ln "$work/tpl/sample.zrl" "$in/b$batch/$(printf '%04x' $((batch * 1000 + i))).zrl"; done
    wait_for 600 at_least "$out" '*.csv' $(((batch + 1) * 1000)) || fail "stuck at $(count "$out" '*.csv')"
    echo "  $(((batch + 1) * 1000)) logs in the journal: VmRSS $(rss) kB"
  done
  echo "  peak: $(awk '/^VmHWM/ {print $2}' "/proc/$watcher/status") kB"
  kill -TERM "$watcher"; wait "$watcher" || fail "watcher ended with $?"
  start=$(now_ns)
  "$decoder" --watch-status "$in" | sed -n 1p
  echo "  --watch-status over 10,000 rows: $((($(now_ns) - start) / 1000000)) ms"
fi

if [[ $failures -gt 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all targets met"
