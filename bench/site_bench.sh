#!/usr/bin/env bash
# How long quillon-tag takes on a whole generated site, next to copying the same
# site with cp -r, and how much memory it needs at its peak.
#
# Usage: bench/site_bench.sh [--runs N] [--sizes "500 2000"] [--huge] [--tool PATH]
#   --runs N     timings per size, the median is shown (default 5)
#   --sizes LIST page counts to time (default "500 2000")
#   --huge       also tag a 20,000-page site once and show its time and peak memory
#   --tool PATH  the quillon-tag to time (default build/bin/quillon-tag)
# GEN_SITE names the site generator (default bench/gen_site.py). Every timing gets a freshly generated site in
# a folder of its own under $TMPDIR, removed afterwards; the files are then in
# the page cache, for the tool and for cp alike.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=5
sizes="500 2000"
huge=0
tool=build/bin/quillon-tag
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    --huge) huge=1; shift ;;
    --tool) tool="$2"; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--sizes \"500 2000\"] [--huge] [--tool PATH]" >&2; exit 2 ;;
  esac
done

gen="${GEN_SITE:-}"
if [ -z "$gen" ]; then
  gen=bench/gen_site.py
fi
[ -x "$tool" ] || { echo "no $tool: build it first (scripts/build)" >&2; exit 1; }
[ -f "$gen" ] || { echo "no site generator at $gen (set GEN_SITE)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is missing: run scripts/deps" >&2; exit 1; }
tool="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"

work="$(mktemp -d "${TMPDIR:-/tmp}/quillon-site-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Runs a command under GNU time; prints "SECONDS PEAK_KIB CPU_SECONDS". Wall
# time comes from the clock in nanoseconds, as time's own is in hundredths; the
# processor time (user and system) tells more than the wall on a busy machine.
measure() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || {
    local status=$?
    # quillon-tag exits 1 when a row is an error; the site has none, so any failure is real.
    echo "failed ($status): $*" >&2; tail -5 "$work/out.txt" >&2; exit 1
  }
  end=$(date +%s%N)
  local peak cpu
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  cpu=$(awk -F': ' '/(User|System) time \(seconds\)/ {s += $2} END {print s}' "$work/time.txt")
  awk -v ns=$((end - start)) -v kib="$peak" -v cpu="$cpu" 'BEGIN { printf "%.3f %d %.2f\n", ns / 1e9, kib, cpu }'
}

fresh_site() {
  rm -rf "$work/site" "$work/copy"
  python3 "$gen" "$work/site" --pages "$1" >/dev/null
  sync
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "quillon-tag: $tool"
echo "median of $runs runs; jobs: one per processor ($(nproc))"
echo
printf "%7s %10s %10s %7s %14s %12s %12s %11s\n" pages "tag (s)" "cp -r (s)" ratio "tag peak MiB" "cp peak MiB" \
  "tag CPU (s)" "cp CPU (s)"
for pages in $sizes; do
  : >"$work/tag.txt"
  : >"$work/cp.txt"
  for ((r = 1; r <= runs; r++)); do
    fresh_site "$pages"
    measure "$tool" -r --no-backup "$work/site" >>"$work/tag.txt"
    fresh_site "$pages"
    measure cp -r "$work/site" "$work/copy" >>"$work/cp.txt"
  done
  tag_s=$(cut -d' ' -f1 "$work/tag.txt" | median)
  cp_s=$(cut -d' ' -f1 "$work/cp.txt" | median)
  tag_kib=$(cut -d' ' -f2 "$work/tag.txt" | median)
  cp_kib=$(cut -d' ' -f2 "$work/cp.txt" | median)
  tag_cpu=$(cut -d' ' -f3 "$work/tag.txt" | median)
  cp_cpu=$(cut -d' ' -f3 "$work/cp.txt" | median)
  awk -v p="$pages" -v t="$tag_s" -v c="$cp_s" -v tk="$tag_kib" -v ck="$cp_kib" -v tc="$tag_cpu" -v cc="$cp_cpu" \
    'BEGIN { printf "%7d %10.3f %10.3f %7.2f %14.1f %12.1f %12.2f %11.2f\n", p, t, c, t / c, tk / 1024, ck / 1024, tc, cc }'
done

if [ "$huge" = 1 ]; then
  fresh_site 20000
  read -r huge_s huge_kib _ < <(measure "$tool" -r --no-backup "$work/site")
  echo
  awk -v t="$huge_s" -v k="$huge_kib" \
    'BEGIN { printf "20000 pages, once: quillon-tag %.3f s, peak %.1f MiB\n", t, k / 1024 }'
fi
