#!/usr/bin/env bash
# Runs a fuzz target over a copy of its seed corpus, so that what it learns never
# lands in the source tree; exits non-zero on any finding.
#   run_fuzz.sh TARGET SEEDS ARTIFACTS [libFuzzer options...]
# A finding is kept in ARTIFACTS; run TARGET on that file alone to see it again.
set -euo pipefail
target=$1 seeds=$2 artifacts=$3
shift 3
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-fuzz-corpus-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -r "$seeds"/. "$work"/
mkdir -p "$artifacts"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:print_stacktrace=1:halt_on_error=1"
# An input runs in well under a millisecond: ten seconds is a hang, 2 GB a run-away.
"$target" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$@" "$work"
