#!/usr/bin/env bash
# Download throughput of TWebUpdate::DownloadFile against `curl -o` on the same 200 MB file
# from the same local server, measured side by side in one run.
#
# Usage: bench/download/compare_curl.sh [BUILD_DIR] [ROUNDS]
# BUILD_DIR needs the serve_folder and download_file targets (configure with
# -DSPISOTEK_BENCH=ON -DCMAKE_BUILD_TYPE=Release). Each round runs curl and DownloadFile
# once each, alternating which goes first; the best round of each is compared.
set -euo pipefail

build=${1:-build-bench}
rounds=${2:-5}
size_mb=${SIZE_MB:-200}

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  exec 3>&- 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/served" "$work/curl" "$work/engine"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/served/big.bin"

# The server runs until its standard input closes.
mkfifo "$work/stdin"
"$build/bin/serve_folder" "$work/served" <"$work/stdin" >"$work/port" &
server_pid=$!
exec 3>"$work/stdin"
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -n1 "$work/port")
url="http://127.0.0.1:$port/big.bin"

now() { date +%s.%N; }
run_curl() {
  rm -f "$work/curl/big.bin"
  local start end
  start=$(now)
  curl -s -o "$work/curl/big.bin" "$url"
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}
run_engine() {
  rm -f "$work/engine/big.bin"
  local start end
  start=$(now)
  "$build/bin/download_file" "$url" "$work/engine" >/dev/null
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}

best_curl=999999
best_engine=999999
for i in $(seq "$rounds"); do
  if ((i % 2)); then c=$(run_curl); e=$(run_engine); else e=$(run_engine); c=$(run_curl); fi
  cmp -s "$work/served/big.bin" "$work/engine/big.bin" || { echo "engine copy differs"; exit 1; }
  printf 'round %d: curl %.3f s, DownloadFile %.3f s\n' "$i" "$c" "$e"
  best_curl=$(awk -v a="$best_curl" -v b="$c" 'BEGIN { print (b < a) ? b : a }')
  best_engine=$(awk -v a="$best_engine" -v b="$e" 'BEGIN { print (b < a) ? b : a }')
done

awk -v c="$best_curl" -v e="$best_engine" -v mb="$size_mb" 'BEGIN {
  printf "best: curl %.3f s (%.0f MB/s), DownloadFile %.3f s (%.0f MB/s)\n", c, mb / c, e, mb / e
  printf "DownloadFile throughput = %.1f%% of curl (goal: at least 90%%)\n", 100 * c / e
}'
