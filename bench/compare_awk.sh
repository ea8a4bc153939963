#!/usr/bin/env bash
# Times the subscriber search against awk filtering the same baza.dat.
#
#   bench/compare_awk.sh [job|cli] [ENTRIES]
#
# job (default): search_job, the library's load + Locate + scan + page.
# cli:           spisotek-cli subscriber end to end, page written to /dev/null.
# awk filters the same file for the same surname and locality prefixes
# (toupper, ASCII only) and prints the matching lines to /dev/null.
# Prints the best of three wall times of each, their ratio and our peak
# memory. Build: Release in build-search-bench (SPISOTEK_BENCH_BUILD).
set -euo pipefail

mode=${1:-job}
entries=${2:-1000000}
surname=${SURNAME:-NOWAK}
locality=${LOCALITY:-Kra}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SPISOTEK_BENCH_BUILD:-$root/build-search-bench}

case "$mode" in
  job) target=search_job ;;
  cli) target=spisotek-cli ;;
  *) echo "usage: $0 [job|cli] [ENTRIES]" >&2; exit 64 ;;
esac

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPISOTEK_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target spisotek-gen "$target" >/dev/null
if [ ! -x "$build/bin/$target" ]; then
  echo "$target was not built (spisotek-cli needs the webupdate target too)" >&2
  exit 1
fi

data=$build/bench-data-$entries
if [ ! -f "$data/baza.dat" ]; then
  mkdir -p "$data"
  "$build/bin/spisotek-gen" --out "$data" --subscribers "$entries" --subscribers-only
fi
echo "data: $data/baza.dat, $entries entries, $(du -h "$data/baza.dat" | cut -f1)"
echo "query: surname $surname, locality $locality"

if [ "$mode" = job ]; then
  ours=("$build/bin/search_job" "$data" "$surname" "$locality")
else
  ours=("$build/bin/spisotek-cli" subscriber --dir "$data" --surname "$surname" --locality "$locality")
fi
theirs=(env LC_ALL=C awk -F'\t' -v s="$surname" -v l="$locality"
  'NR > 1 && index(toupper($3), toupper(s)) == 1 && index(toupper($4), toupper(l)) == 1 { n++; print }
   END { print n + 0 > "/dev/stderr" }' "$data/baza.dat")

timing=$(mktemp)
trap 'rm -f "$timing"' EXIT

# Warm the page cache so both read the file from memory.
cat "$data/baza.dat" >/dev/null

best() {  # best wall time in seconds of three runs of "$@"
  local best_time="" t
  for _ in 1 2 3; do
    /usr/bin/time -f '%e' -o "$timing" "$@" >/dev/null 2>/dev/null || true
    t=$(tail -n 1 "$timing")
    if [ -z "$best_time" ] || awk -v a="$t" -v b="$best_time" 'BEGIN { exit !(a < b) }'; then
      best_time=$t
    fi
  done
  echo "$best_time"
}

echo "awk matches: $("${theirs[@]}" 2>&1 >/dev/null)"
if [ "$mode" = job ]; then
  echo "ours: $("${ours[@]}")"
else
  echo "ours: page of $("${ours[@]}" | wc -c) bytes"
fi

ours_time=$(best "${ours[@]}")
awk_time=$(best "${theirs[@]}")
/usr/bin/time -v -o "$timing" "${ours[@]}" >/dev/null 2>/dev/null || true
peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$timing")

echo "ours ($mode): ${ours_time} s"
echo "awk:          ${awk_time} s"
awk -v a="$ours_time" -v b="$awk_time" 'BEGIN { if (b > 0) printf "ratio ours/awk: %.2f\n", a / b }'
echo "our peak memory: $((peak_kb / 1024)) MiB (${peak_kb} kB)"
