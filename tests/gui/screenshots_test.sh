#!/usr/bin/env bash
# Runs scripts/screenshots against a build folder and checks that every picture
# was taken, shows something, and that the three pages really differ. Exit code
# 77 (skipped) when the virtual X server or the picture tools are missing.
set -euo pipefail

build="${1:?usage: screenshots_test.sh <build-folder>}"

for tool in xvfb-run xdotool import convert compare python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

root="$(cd "$(dirname "$0")/../.." && pwd)"

shots="$build/screenshots"
names=(choose-files options report alt-text backup-location about)
for name in "${names[@]}"; do
  rm -f "$shots/$name.png"
done

"$root/scripts/screenshots" "$build"

for name in "${names[@]}"; do
  picture="$shots/$name.png"
  if [ ! -s "$picture" ]; then
    echo "FAIL: $picture was not written"
    exit 1
  fi
  # A blank or single-colour capture has (almost) no spread of values.
  spread="$(convert "$picture" -format "%[fx:standard_deviation]" info:)"
  if ! awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }'; then
    echo "FAIL: $picture looks blank (standard deviation $spread)"
    exit 1
  fi
  echo "ok: $name.png, standard deviation $spread"
done

# Each page shows different controls, so each pair of pictures differs in many
# pixels; equal pictures mean a key press went nowhere.
differ() {
  local pixels
  pixels="$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1 || true)"
  pixels="${pixels%% *}"
  if ! awk -v n="$pixels" 'BEGIN { exit !(n + 0 > 2000) }'; then
    echo "FAIL: $1.png and $2.png are nearly the same ($pixels pixels differ)"
    exit 1
  fi
}
differ choose-files options
differ options report
differ choose-files report
echo "ok: the three pages differ"
