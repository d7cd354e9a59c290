#!/bin/bash
# Decodes the reference log (800,000 rows) into a local influxd started for
# the run, and prints the points per second and the decode's own CPU time
# beside the server's.
#
#   bench/measure-influx.sh [ROWS] [BATCH_SIZE]
#
# Run from the source tree after building zrl-gen and zrl-decoder in build/.
# The log is zrl-gen's reference preset (its big preset of about the same
# row count where the generator has no reference preset), kept in
# build/influx-measure-<ROWS>.zrl for later runs; the server's files live
# in a temporary directory removed at the end.
set -euo pipefail
rows=${1:-800000}
batch=${2:-5000}
log=build/influx-measure-$rows.zrl
[ -x build/zrl-gen ] && [ -x build/zrl-decoder ] || {
  echo "build zrl-gen and zrl-decoder first: cmake --build build --target zrl-gen zrl-decoder" >&2
  exit 1
}
command -v influxd > /dev/null || { echo "influxd is missing (Debian package influxdb)" >&2; exit 1; }
if [ ! -f "$log" ]; then
  if build/zrl-gen --help 2>&1 | grep -q -- '--preset reference'; then
    build/zrl-gen --preset reference --rows "$rows" --output "$log" --quiet
  else
    build/zrl-gen --preset big --size-mb $(( (rows + 19499) / 19500 )) --output "$log" --quiet
  fi
fi

dir=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2> /dev/null && wait "$server" 2> /dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT

cat > "$dir/influxd.conf" << CONF
reporting-disabled = true
bind-address = "127.0.0.1:0"
[meta]
  dir = "$dir/meta"
  logging-enabled = false
[data]
  dir = "$dir/data"
  wal-dir = "$dir/wal"
  query-log-enabled = false
[monitor]
  store-enabled = false
[http]
  enabled = true
  bind-address = "127.0.0.1:0"
  log-enabled = false
[continuous_queries]
  enabled = false
[subscriber]
  enabled = false
CONF
influxd run -config "$dir/influxd.conf" > "$dir/influxd.log" 2>&1 &
server=$!
# Port 0 lets the kernel choose a free port; the server says which.
port=""
for _ in $(seq 300); do
  port=$(grep -o 'Listening on HTTP.*addr=127.0.0.1:[0-9]*' "$dir/influxd.log" | grep -o '[0-9]*$' || true)
  [ -n "$port" ] && curl -sf -o /dev/null "http://127.0.0.1:$port/ping" && break
  sleep 0.1
done
url=http://127.0.0.1:$port
curl -sf -o /dev/null -XPOST "$url/query" --data-urlencode "q=CREATE DATABASE bench"

# The decoder runs with a home of its own, so nothing it remembers sticks.
mkdir -p "$dir/home"
echo "{\"InfluxBatchSize\": $batch}" > "$dir/conf.json"
server_cpu() { awk '{ print ($14 + $15) / 100 }' "/proc/$server/stat"; }
server_before=$(server_cpu)
HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config /usr/bin/time -f "%e %U %S" -o "$dir/decode.time" \
  build/zrl-decoder --batch --alldata --zrl "$log" --conf "$dir/conf.json" \
  --influxBDD bench --influxMeasurement drive --influxURL "$url" > "$dir/decode.out"
server_after=$(server_cpu)
read -r wall user sys < "$dir/decode.time"
points=$(grep -o '[0-9]* points written' "$dir/decode.out" | awk '{ print $1 }')
# Every point has its first field, so its count is the points read back.
fields=$(curl -sf "$url/query?db=bench" --data-urlencode 'q=SELECT count(*) FROM drive' |
  grep -o '"values":\[\[[^]]*' | cut -d, -f2 || true)

echo "log file:         $log ($(stat -c %s "$log") bytes)"
echo "batch size:       $batch"
echo "points written:   $points (read back: $fields)"
echo "decode wall:      $wall s"
echo "points/s:         $(echo "scale=0; $points / $wall" | bc)"
echo "decode CPU:       $(echo "$user + $sys" | bc) s (user $user, sys $sys)"
echo "server CPU:       $(echo "$server_after - $server_before" | bc) s"
